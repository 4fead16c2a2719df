#include "Copybook.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <optional>

namespace {

constexpr int FixedTextEnd = 72;  // columns 73 on are the identification area
constexpr int FixedIndicator = 7; // '*' or '/': a comment line
// A group longer than this is no record (and nested OCCURS stay in range).
constexpr long long MaxGroupWidth = 1LL << 40;
// Items (each occurrence of a group too) one record may lay out: far more than the fields a
// layout holds, few enough to finish at once.
constexpr long long MaxItemsLaid = 1LL << 20;

std::string upper(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<long long> numberOf(std::string_view text)
{
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

// Fixed form: every line that holds something has only digits or blanks in columns 1-6 and
// a blank or an indicator in column 7.
bool isFixedForm(const std::vector<std::string_view> &lines)
{
    bool sequenced = false;
    for (std::string_view line : lines) {
        if (line.find_first_not_of(' ') == std::string_view::npos) continue;
        const std::string_view sequence = line.substr(0, 6);
        if (sequence.find_first_not_of("0123456789 ") != std::string_view::npos) return false;
        if (line.size() >= 7 && std::string_view(" */-Dd").find(line[6]) == std::string_view::npos) return false;
        sequenced = sequenced || sequence.find_first_not_of(' ') != std::string_view::npos || line.size() > 7;
    }
    return sequenced;
}

// The part of a line up to display column `columns`, a Japanese character taking two.
std::string_view upToColumn(std::string_view line, int columns)
{
    int column = 0;
    for (size_t at = 0; at < line.size();) {
        const unsigned char lead = static_cast<unsigned char>(line[at]);
        const size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        const bool halfWidthKana = length == 3 && line.compare(at, 2, "\xEF\xBD") == 0
                                       ? true
                                       : length == 3 && line.compare(at, 2, "\xEF\xBE") == 0;
        column += lead < 0x80 || halfWidthKana ? 1 : 2;
        if (column > columns) return line.substr(0, at);
        at += length;
    }
    return line;
}

struct Token {
    std::string text;
    int line;
};

// The statements of the copybook: tokens up to one that ends in a period.
std::vector<std::vector<Token>> statementsOf(std::string_view utf8)
{
    const std::vector<std::string_view> lines = linesOf(utf8);
    const bool fixed = isFixedForm(lines);
    std::vector<std::vector<Token>> statements(1);
    for (size_t index = 0; index < lines.size(); ++index) {
        std::string_view line = lines[index];
        if (fixed) {
            if (line.size() >= size_t(FixedIndicator) && (line[6] == '*' || line[6] == '/')) continue;
            line = line.size() > 7 ? upToColumn(line, FixedTextEnd).substr(7) : std::string_view();
        } else {
            const size_t first = line.find_first_not_of(' ');
            if (first != std::string_view::npos && line[first] == '*') continue;
        }
        line = line.substr(0, line.find("*>"));
        for (size_t at = 0; at < line.size();) {
            if (line[at] == ' ' || line[at] == '\t') {
                ++at;
                continue;
            }
            size_t end = at;
            while (end < line.size() && line[end] != ' ' && line[end] != '\t') {
                if (line[end] == '\'' || line[end] == '"') { // a literal may hold blanks and periods
                    const size_t close = line.find(line[end], end + 1);
                    end = close == std::string_view::npos ? line.size() : close + 1;
                } else {
                    ++end;
                }
            }
            std::string text(line.substr(at, end - at));
            at = end;
            const bool last = text.size() > 0 && text.back() == '.';
            if (last) text.pop_back();
            if (!text.empty()) statements.back().push_back({text, int(index + 1)});
            if (last && !statements.back().empty()) statements.emplace_back();
        }
    }
    if (statements.back().empty()) statements.pop_back();
    return statements;
}

enum class Usage {
    Display,
    Binary,
    Packed,
    Float4,
    Float8
};

struct Item {
    int level = 0;
    std::string name;
    std::string picture;
    std::optional<Usage> usage;
    std::string usageText; // as written, for the names of fields that are not plain text
    long long occurs = 1;
    std::string redefines;
    bool signSeparate = false;
    int line = 0;
    std::vector<std::unique_ptr<Item>> children;
};

std::optional<Usage> usageOf(const std::string &word)
{
    static const std::map<std::string, Usage> words = {
        {"DISPLAY", Usage::Display},        {"DISPLAY-1", Usage::Display},
        {"NATIONAL", Usage::Display},       {"COMP", Usage::Binary},
        {"COMPUTATIONAL", Usage::Binary},   {"BINARY", Usage::Binary},
        {"COMP-4", Usage::Binary},          {"COMPUTATIONAL-4", Usage::Binary},
        {"COMP-5", Usage::Binary},          {"COMPUTATIONAL-5", Usage::Binary},
        {"COMP-3", Usage::Packed},          {"COMPUTATIONAL-3", Usage::Packed},
        {"PACKED-DECIMAL", Usage::Packed},  {"COMP-1", Usage::Float4},
        {"COMPUTATIONAL-1", Usage::Float4}, {"COMP-2", Usage::Float8},
        {"COMPUTATIONAL-2", Usage::Float8},
    };
    const auto found = words.find(word);
    return found == words.end() ? std::nullopt : std::optional(found->second);
}

bool isClauseWord(const std::string &word)
{
    static const char *const words[] = {"PIC",   "PICTURE", "USAGE",        "OCCURS",    "REDEFINES",
                                        "VALUE", "VALUES",  "SIGN",         "JUSTIFIED", "JUST",
                                        "BLANK", "SYNC",    "SYNCHRONIZED", "EXTERNAL",  "GLOBAL"};
    return std::find(std::begin(words), std::end(words), word) != std::end(words) || usageOf(word);
}

std::unique_ptr<Item> itemOf(const std::vector<Token> &tokens)
{
    auto item = std::make_unique<Item>();
    item->level = int(*numberOf(tokens[0].text));
    item->line = tokens[0].line;
    size_t at = 1;
    if (at < tokens.size() && !isClauseWord(upper(tokens[at].text))) item->name = tokens[at++].text;
    const auto word = [&](size_t index) { return index < tokens.size() ? upper(tokens[index].text) : std::string(); };
    while (at < tokens.size()) {
        const std::string clause = word(at++);
        if (clause == "IS" || clause == "ARE") continue;
        if (clause == "PIC" || clause == "PICTURE") {
            if (word(at) == "IS") ++at;
            if (at < tokens.size()) item->picture = upper(tokens[at++].text);
        } else if (clause == "USAGE") {
            if (word(at) == "IS") ++at;
        } else if (const std::optional<Usage> usage = usageOf(clause)) {
            item->usage = usage;
            item->usageText = clause;
        } else if (clause == "OCCURS") {
            item->occurs = numberOf(word(at)).value_or(0);
            ++at;
            if (word(at) == "TO") item->occurs = numberOf(word(at + 1)).value_or(0), at += 2;
            if (item->occurs < 1 || item->occurs > MaxFields)
                throw LayoutTableError(std::to_string(item->line) + " 行目「" + item->name + "」: OCCURS の回数は 1～" +
                                       std::to_string(MaxFields) + " で指定してください。");
        } else if (clause == "REDEFINES") {
            item->redefines = word(at++);
        } else if (clause == "SEPARATE") {
            item->signSeparate = true;
        }
    }
    return item;
}

// Display characters and the digits of a picture: "S9(7)V99" is 9 and 9; N and G count two
// bytes each (one character when widths count characters).
struct PictureSize {
    long long units = 0;
    long long digits = 0;
};

std::optional<PictureSize> pictureSize(const std::string &picture, bool chars)
{
    PictureSize size;
    for (size_t at = 0; at < picture.size();) {
        const char symbol = picture[at++];
        long long count = 1;
        if (at < picture.size() && picture[at] == '(') {
            const size_t close = picture.find(')', at);
            if (close == std::string::npos) return std::nullopt;
            const std::optional<long long> repeat = numberOf(std::string_view(picture).substr(at + 1, close - at - 1));
            if (!repeat || *repeat < 1 || *repeat > Int16Max) return std::nullopt;
            count = *repeat;
            at = close + 1;
        }
        if (symbol == 'S' || symbol == 'V' || symbol == 'P') continue;
        if (symbol == 'N' || symbol == 'G') size.units += chars ? count : 2 * count;
        else if (std::string_view("X9AZB0/,.+-*$E").find(symbol) != std::string_view::npos) size.units += count;
        else if ((symbol == 'C' || symbol == 'D') && at < picture.size()) ++at, size.units += 2; // CR, DB
        else return std::nullopt;
        if (symbol == '9') size.digits += count;
    }
    return size;
}

class RecordLayout {
public:
    RecordLayout(const TableOptions &options, TableSection &section) : chars_(options.chars), section_(section) {}

    void add(const Item &item) { lay(item, {}, std::nullopt); }
    void finish() { section_.recordLength = std::max(longest_, next_ - 1); }

private:
    // Width of one occurrence of `item`.
    long long widthOf(const Item &item, std::optional<Usage> inherited) const
    {
        const std::optional<Usage> usage = item.usage ? item.usage : inherited;
        if (!item.children.empty()) {
            long long width = 0;
            for (const auto &child : item.children)
                if (child->redefines.empty()) width += widthOf(*child, usage) * child->occurs;
            if (width > MaxGroupWidth)
                throw LayoutTableError(std::to_string(item.line) + " 行目「" + item.name + "」: 長さが " +
                                       std::to_string(MaxGroupWidth) + " を超えます。");
            return width;
        }
        const Usage kind = usage.value_or(Usage::Display);
        if (kind == Usage::Float4) return 4;
        if (kind == Usage::Float8) return 8;
        const std::optional<PictureSize> size = pictureSize(item.picture, chars_);
        if (!size || size->units == 0 || (item.picture.empty() && item.level != 66)) // PIC S alone holds nothing
            throw LayoutTableError(std::to_string(item.line) + " 行目「" + item.name + "」: PIC「" + item.picture +
                                   "」から長さがわかりません。\nコピー句を直してから読み込んでください。");
        if (kind == Usage::Binary) return size->digits <= 4 ? 2 : size->digits <= 9 ? 4 : 8;
        if (kind == Usage::Packed) return size->digits / 2 + 1;
        return size->units + (item.signSeparate ? 1 : 0);
    }

    void lay(const Item &item, const std::string &indexes, std::optional<Usage> inherited)
    {
        const std::optional<Usage> usage = item.usage ? item.usage : inherited;
        const std::string usageText = item.usage ? item.usageText : inheritedText_;
        starts_[upper(item.name)] = next_;
        for (long long occurrence = 1; occurrence <= item.occurs; ++occurrence) {
            if (++itemsLaid_ > MaxItemsLaid)
                throw LayoutTableError(std::to_string(item.line) + " 行目「" + item.name +
                                       "」: OCCURS で繰り返す項目が多すぎます。");
            const std::string at =
                item.occurs > 1 ? (indexes.empty() ? "" : indexes + ",") + std::to_string(occurrence) : indexes;
            if (!item.children.empty()) {
                const std::string kept = inheritedText_;
                inheritedText_ = usageText;
                for (const auto &child : item.children) {
                    if (child->redefines.empty()) {
                        lay(*child, at, usage);
                        continue;
                    }
                    const auto start = starts_.find(child->redefines);
                    const long long from = start == starts_.end() ? next_ : start->second;
                    longest_ = std::max(longest_, from + widthOf(*child, usage) * child->occurs - 1);
                    if (occurrence == 1)
                        section_.notSupported.push_back(child->name + " (REDEFINES " + child->redefines + ")");
                }
                inheritedText_ = kept;
                continue;
            }
            if (section_.fields.size() >= size_t(MaxFields))
                throw LayoutTableError(std::to_string(item.line) + " 行目: 項目が " + std::to_string(MaxFields) +
                                       " を超えます。");
            const bool filler = item.name.empty() || upper(item.name) == "FILLER";
            const bool plain = usage.value_or(Usage::Display) == Usage::Display;
            std::string name = filler ? "FILLER" : item.name;
            if (!at.empty()) name += "(" + at + ")";
            if (!plain) name += " (" + usageText + ")";
            std::string attribute = item.picture.empty() ? "" : "PIC " + item.picture;
            if (!plain) attribute += (attribute.empty() ? "" : " ") + usageText;
            const long long width = widthOf(item, inherited);
            section_.fields.push_back({name, next_, width, attribute, filler, {}, item.line});
            next_ += width;
        }
    }

    bool chars_;
    TableSection &section_;
    long long next_ = 1;
    long long longest_ = 0;
    long long itemsLaid_ = 0; // groups and fields, each occurrence counted
    std::string inheritedText_;
    std::map<std::string, long long> starts_;
};

} // namespace

bool looksLikeCopybook(std::string_view utf8)
{
    if (utf8.find('\t') != std::string_view::npos) return false;
    const std::vector<std::vector<Token>> statements = statementsOf(utf8.substr(0, 1 << 16));
    if (statements.empty() || !allDigits(statements.front().front().text) || statements.front().front().text.size() > 2)
        return false;
    const std::string text = upper(utf8);
    return text.find(" PIC ") != std::string::npos || text.find(" PICTURE ") != std::string::npos;
}

LayoutTable readCopybook(std::string_view utf8, const TableOptions &options)
{
    LayoutTable table;
    table.copybook = true;
    table.unit = options.chars ? WidthUnit::Characters : WidthUnit::Bytes;
    std::vector<std::unique_ptr<Item>> records;
    std::vector<Item *> open; // the groups the next item may belong to, outermost first
    for (const std::vector<Token> &statement : statementsOf(utf8)) {
        const std::string &first = statement.front().text;
        if (!allDigits(first) || first.size() > 2) continue; // COPY, REPLACE and other statements
        std::unique_ptr<Item> item = itemOf(statement);
        if (item->level == 66 || item->level == 88) continue;
        if (item->level < 1 || (item->level > 49 && item->level != 77))
            throw LayoutTableError(std::to_string(item->line) + " 行目: レベル番号 " + first +
                                   " は使えません。\nコピー句を直してから読み込んでください。");
        while (!open.empty() && open.back()->level >= item->level) open.pop_back();
        Item *added = item.get();
        if (open.empty() || item->level == 77) {
            records.push_back(std::move(item));
            open.assign(1, added);
        } else {
            open.back()->children.push_back(std::move(item));
            open.push_back(added);
        }
    }
    if (records.empty())
        throw LayoutTableError("コピー句にレベル番号の付いた項目がありません。\nコピー句の内容を確かめてください。");
    for (const auto &record : records) {
        if (!record->redefines.empty() && !table.sections.empty()) { // another definition of the record before it
            TableSection &section = table.sections.back();
            section.notSupported.push_back(record->name + " (REDEFINES " + record->redefines + ")");
            TableSection probe;
            RecordLayout other(options, probe);
            other.add(*record);
            other.finish();
            section.recordLength = std::max(section.recordLength, probe.recordLength);
            continue;
        }
        table.sections.push_back({record->name, {}, {}, {}, 0});
        RecordLayout current(options, table.sections.back());
        current.add(*record);
        current.finish();
    }
    return table;
}
