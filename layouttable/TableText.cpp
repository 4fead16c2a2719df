#include "TableText.h"

#include "cp932/Cp932Codec.h"
#include "cp932/Utf8Text.h"

#include <algorithm>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmedLine(std::string_view line)
{
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = line.find_last_not_of(" \t");
    return line.substr(first, last - first + 1);
}

std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string_view::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    return lines;
}

// A Markdown rule line: only pipes, dashes, colons and blanks.
bool isRuleLine(std::string_view line)
{
    return line.find('-') != std::string_view::npos && line.find_first_not_of("|-: \t") == std::string_view::npos;
}

std::vector<TableRow> markdownRows(const std::vector<std::string_view> &lines)
{
    std::vector<TableRow> rows;
    for (size_t index = 0; index < lines.size(); ++index) {
        std::string_view line = trimmedLine(lines[index]);
        TableRow row{int(index + 1), {}};
        if (!line.empty() && line.front() == '|') {
            if (isRuleLine(line)) continue;
            line.remove_prefix(1);
            if (!line.empty() && line.back() == '|') line.remove_suffix(1);
            std::string cell;
            for (size_t at = 0; at < line.size(); ++at) {
                if (line[at] == '\\' && at + 1 < line.size() && line[at + 1] == '|') {
                    cell.push_back('|');
                    ++at;
                } else if (line[at] == '|') {
                    row.cells.emplace_back(trimmedLine(cell));
                    cell.clear();
                } else {
                    cell.push_back(line[at]);
                }
            }
            row.cells.emplace_back(trimmedLine(cell));
        } else if (!line.empty()) {
            row.cells.emplace_back(line); // a title or a note between tables
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TableRow> tabRows(const std::vector<std::string_view> &lines)
{
    std::vector<TableRow> rows;
    for (size_t index = 0; index < lines.size(); ++index) {
        TableRow row{int(index + 1), {}};
        std::string_view line = lines[index];
        for (size_t at = 0;;) {
            const size_t tab = line.find('\t', at);
            row.cells.emplace_back(trimmedLine(line.substr(at, tab == std::string_view::npos ? line.npos : tab - at)));
            if (tab == std::string_view::npos) break;
            at = tab + 1;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<TableRow> csvRows(std::string_view text)
{
    std::vector<TableRow> rows;
    int line = 1;
    size_t at = 0;
    while (at < text.size()) {
        TableRow row{line, {}};
        std::string cell;
        bool quoted = false, wasQuoted = false;
        for (; at < text.size(); ++at) {
            const char c = text[at];
            if (quoted) {
                if (c == '"' && at + 1 < text.size() && text[at + 1] == '"') {
                    cell.push_back('"');
                    ++at;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    if (c == '\n') ++line;
                    cell.push_back(c);
                }
            } else if (c == '"' && cell.find_first_not_of(" ") == std::string::npos) {
                quoted = wasQuoted = true;
                cell.clear();
            } else if (c == ',') {
                row.cells.push_back(wasQuoted ? cell : std::string(trimmedLine(cell)));
                cell.clear();
                wasQuoted = false;
            } else if (c == '\r' || c == '\n') {
                break;
            } else {
                cell.push_back(c);
            }
        }
        row.cells.push_back(wasQuoted ? cell : std::string(trimmedLine(cell)));
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
        ++line;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

std::string tableTextAsUtf8(std::string_view bytes)
{
    if (bytes.substr(0, ByteOrderMark.size()) == ByteOrderMark) bytes.remove_prefix(ByteOrderMark.size());
    if (isUtf8(bytes)) return std::string(bytes);
    return cp932::toUtf8(bytes);
}

std::string utf8ToCp932(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const long code = nextCodePoint(utf8, at);
        char form[2];
        const size_t length = code < 0 ? 0 : cp932::encode(char32_t(code), form);
        if (length == 0) out.push_back('?');
        else out.append(form, length);
    }
    return out;
}

std::vector<TableRow> splitTableText(std::string_view utf8)
{
    const std::vector<std::string_view> lines = linesOf(utf8);
    const auto pipeLine = [](std::string_view line) {
        const std::string_view trimmed = trimmedLine(line);
        return !trimmed.empty() && trimmed.front() == '|';
    };
    if (std::count_if(lines.begin(), lines.end(), pipeLine) >= 2) return markdownRows(lines);
    if (utf8.find('\t') != std::string_view::npos) return tabRows(lines);
    return csvRows(utf8);
}
