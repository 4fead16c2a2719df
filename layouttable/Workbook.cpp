#include "Workbook.h"

#include "LayoutTable.h"

#include <expat.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace {

// A part larger than this is not a layout table (and may be a zip bomb).
constexpr zip_uint64_t MaxPartBytes = 256u << 20;
// Rows missing between stored rows are read as blank rows up to this many; a longer stretch
// counts as one.
constexpr int MaxBlankRowsFilled = 1000;

[[noreturn]] void unreadable(const std::string &why)
{
    throw LayoutTableError("Excel ブックとして読めません (" + why + ")。\nファイルが壊れていないか確かめてください。");
}

class ZipArchive {
public:
    explicit ZipArchive(std::string_view bytes)
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source) archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!archive_) {
            if (source) zip_source_free(source);
            const std::string why = zip_error_strerror(&error);
            zip_error_fini(&error);
            unreadable(why);
        }
        zip_error_fini(&error);
    }
    ~ZipArchive() { zip_discard(archive_); }
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    // The part's bytes; nothing when the archive has no such part.
    std::optional<std::string> part(const std::string &name) const
    {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat(archive_, name.c_str(), 0, &stat) != 0) return std::nullopt;
        if (!(stat.valid & ZIP_STAT_SIZE) || stat.size > MaxPartBytes) unreadable(name + " が大きすぎます");
        std::unique_ptr<zip_file_t, int (*)(zip_file_t *)> file(zip_fopen(archive_, name.c_str(), 0), zip_fclose);
        if (!file) unreadable(name + " を開けません");
        std::string bytes(size_t(stat.size), '\0');
        const zip_int64_t read = zip_fread(file.get(), bytes.data(), bytes.size());
        if (read < 0 || zip_uint64_t(read) != stat.size) unreadable(name + " を読めません");
        return bytes;
    }

private:
    zip_t *archive_ = nullptr;
};

// Walks an XML part: element starts (local name, attributes by local name), ends, and text.
struct XmlHandlers {
    std::function<void(const std::string &, const std::map<std::string, std::string> &)> start;
    std::function<void(const std::string &)> end;
    std::function<void(std::string_view)> text;
};

std::string localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

void walkXml(const std::string &xml, const std::string &partName, XmlHandlers &handlers)
{
    std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
    XML_SetUserData(parser.get(), &handlers);
    XML_SetElementHandler(
        parser.get(),
        [](void *data, const XML_Char *name, const XML_Char **attributes) {
            auto &h = *static_cast<XmlHandlers *>(data);
            if (!h.start) return;
            std::map<std::string, std::string> byName;
            for (int i = 0; attributes[i]; i += 2) byName[localName(attributes[i])] = attributes[i + 1];
            h.start(localName(name), byName);
        },
        [](void *data, const XML_Char *name) {
            auto &h = *static_cast<XmlHandlers *>(data);
            if (h.end) h.end(localName(name));
        });
    XML_SetCharacterDataHandler(parser.get(), [](void *data, const XML_Char *text, int length) {
        auto &h = *static_cast<XmlHandlers *>(data);
        if (h.text) h.text(std::string_view(text, size_t(length)));
    });
    if (XML_Parse(parser.get(), xml.data(), int(xml.size()), 1) == XML_STATUS_ERROR)
        unreadable(partName + ": " + XML_ErrorString(XML_GetErrorCode(parser.get())));
}

std::string requiredPart(const ZipArchive &zip, const std::string &name)
{
    std::optional<std::string> part = zip.part(name);
    if (!part) unreadable(name + " がありません");
    return std::move(*part);
}

// Shared strings: the text runs of each item, without its phonetic guide (rPh).
std::vector<std::string> sharedStrings(const ZipArchive &zip)
{
    const std::optional<std::string> part = zip.part("xl/sharedStrings.xml");
    std::vector<std::string> strings;
    if (!part) return strings;
    int phonetic = 0;
    bool inText = false;
    XmlHandlers handlers;
    handlers.start = [&](const std::string &name, const auto &) {
        if (name == "si") strings.emplace_back();
        else if (name == "rPh") ++phonetic;
        else if (name == "t") inText = true;
    };
    handlers.end = [&](const std::string &name) {
        if (name == "rPh") --phonetic;
        else if (name == "t") inText = false;
    };
    handlers.text = [&](std::string_view text) {
        if (inText && !phonetic && !strings.empty()) strings.back().append(text);
    };
    walkXml(*part, "sharedStrings.xml", handlers);
    return strings;
}

// Columns a sheet may have (A to XFD).
constexpr size_t MaxColumns = 16384;

// Column index (0-based) of a cell reference such as "AB12"; MaxColumns for one past the last.
size_t columnOf(const std::string &reference)
{
    size_t column = 0;
    for (char c : reference) {
        if (c < 'A' || c > 'Z') break;
        column = std::min(column * 26 + size_t(c - 'A' + 1), MaxColumns + 1);
    }
    return column == 0 ? 0 : column - 1;
}

std::vector<TableRow> sheetRows(const std::string &xml, const std::vector<std::string> &strings)
{
    std::vector<TableRow> rows;
    std::string type, value;
    size_t column = 0;
    bool inValue = false, inSheetData = false;
    int inlineText = 0;
    XmlHandlers handlers;
    handlers.start = [&](const std::string &name, const std::map<std::string, std::string> &attributes) {
        if (name == "sheetData") {
            inSheetData = true;
        } else if (name == "row" && inSheetData) {
            const auto r = attributes.find("r");
            const int line =
                r != attributes.end() ? std::atoi(r->second.c_str()) : (rows.empty() ? 1 : rows.back().line + 1);
            const int previous = rows.empty() ? 0 : rows.back().line;
            for (int blank = previous + 1; blank < line && blank - previous <= MaxBlankRowsFilled; ++blank)
                rows.push_back({blank, {}});
            rows.push_back({line, {}});
            column = 0;
        } else if (name == "c" && !rows.empty()) {
            const auto r = attributes.find("r");
            if (r != attributes.end()) column = columnOf(r->second);
            const auto t = attributes.find("t");
            type = t != attributes.end() ? t->second : "n";
            value.clear();
        } else if (name == "v") {
            inValue = true;
        } else if (name == "is") {
            ++inlineText;
        }
    };
    handlers.end = [&](const std::string &name) {
        if (name == "v") inValue = false;
        else if (name == "is") --inlineText;
        else if (name == "sheetData") inSheetData = false;
        else if (name == "c" && !rows.empty()) {
            std::string cell = value;
            if (type == "s") {
                const size_t index = size_t(std::strtoul(value.c_str(), nullptr, 10));
                cell = index < strings.size() ? strings[index] : std::string();
            } else if (type == "b") {
                cell = value == "1" ? "TRUE" : "FALSE";
            }
            std::vector<std::string> &cells = rows.back().cells;
            if (column >= MaxColumns) return;
            if (cells.size() <= column) cells.resize(column + 1);
            cells[column] = std::move(cell);
            ++column;
        }
    };
    handlers.text = [&](std::string_view text) {
        if (inValue || inlineText) value.append(text);
    };
    walkXml(xml, "シート", handlers);
    for (TableRow &row : rows)
        for (std::string &cell : row.cells) {
            const size_t first = cell.find_first_not_of(" \t\r\n");
            cell = first == std::string::npos ? std::string()
                                              : cell.substr(first, cell.find_last_not_of(" \t\r\n") - first + 1);
        }
    return rows;
}

} // namespace

bool looksLikeWorkbook(std::string_view bytes) { return bytes.substr(0, 4) == std::string_view("PK\x03\x04", 4); }

WorkbookSheet readWorkbookSheet(std::string_view bytes, const std::string &sheet)
{
    const ZipArchive zip(bytes);
    WorkbookSheet result;
    std::map<std::string, std::string> relationOfSheet; // sheet name -> relationship id
    XmlHandlers workbook;
    workbook.start = [&](const std::string &name, const std::map<std::string, std::string> &attributes) {
        if (name != "sheet") return;
        const auto sheetName = attributes.find("name"), id = attributes.find("id");
        if (sheetName == attributes.end() || id == attributes.end()) return;
        result.sheets.push_back(sheetName->second);
        relationOfSheet[sheetName->second] = id->second;
    };
    walkXml(requiredPart(zip, "xl/workbook.xml"), "workbook.xml", workbook);
    if (result.sheets.empty()) unreadable("シートがありません");
    result.name = sheet.empty() ? result.sheets.front() : sheet;
    const auto relation = relationOfSheet.find(result.name);
    if (relation == relationOfSheet.end()) {
        std::string names;
        for (const std::string &name : result.sheets) names += (names.empty() ? "「" : "、「") + name + "」";
        throw LayoutTableError("シート「" + sheet + "」がありません。\nこのブックのシート: " + names);
    }
    std::string target;
    XmlHandlers rels;
    rels.start = [&](const std::string &name, const std::map<std::string, std::string> &attributes) {
        const auto id = attributes.find("Id"), to = attributes.find("Target");
        if (name == "Relationship" && id != attributes.end() && to != attributes.end() &&
            id->second == relation->second)
            target = to->second;
    };
    walkXml(requiredPart(zip, "xl/_rels/workbook.xml.rels"), "workbook.xml.rels", rels);
    if (target.empty()) unreadable("シート「" + result.name + "」の中身が見つかりません");
    target = target.front() == '/' ? target.substr(1) : "xl/" + target;
    result.rows = sheetRows(requiredPart(zip, target), sharedStrings(zip));
    return result;
}
