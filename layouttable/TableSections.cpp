#include "TableSections.h"

#include "TableHeader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

// Rows shown for choosing the columns of a table without a header.
constexpr size_t UnrecognisedRowsKept = 20;

// Larger numbers are no positions or lengths (and their products stay in range).
constexpr double MaxNumber = 1e12;

constexpr const char *FixTheTable = "表を直してから読み込んでください。";

// Full-width digits and signs as ASCII, blanks and thousands separators dropped.
std::string asciiNumberText(const std::string &cell)
{
    std::string out;
    for (size_t at = 0; at < cell.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(cell[at]);
        if (c == 0xEF && at + 2 < cell.size() && (unsigned char)cell[at + 1] == 0xBC) {
            const unsigned char last = static_cast<unsigned char>(cell[at + 2]);
            if (last >= 0x90 && last <= 0x99) out.push_back(char('0' + last - 0x90));
            else if (last == 0x8D) out.push_back('-'); // ＭＩＮＵＳ (full-width hyphen-minus)
            else out.append(cell, at, 3);
            at += 2;
        } else if (cell.compare(at, 3, "\xE3\x80\x9C") == 0 || cell.compare(at, 3, "\xEF\xBD\x9E") == 0) {
            out.push_back('~'); // 〜 and ～ between the ends of a range
            at += 2;
        } else if (c != ' ' && c != ',') {
            out.push_back(char(c));
        }
    }
    return out;
}

// A whole number, also as a spreadsheet stores one ("12.0").
std::optional<long long> wholeNumber(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value != std::floor(value) || std::fabs(value) > MaxNumber) return std::nullopt;
    return (long long)value;
}

bool isTotalsName(const std::string &name)
{
    std::string lower;
    for (char c : name) lower.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    for (std::string_view word : {"合計", "小計", "総計", "計", "total", "totals", "sum", "レコード長"})
        if (lower == word) return true;
    return false;
}

class SectionReader {
public:
    SectionReader(const std::string &where, LayoutTable &table) : where_(where), table_(table) {}

    void start(std::vector<ColumnRole> roles, std::string title)
    {
        roles_ = std::move(roles);
        table_.sections.push_back({std::move(title), {}, {}, {}, 0});
        next_ = 1;
    }
    bool started() const { return !table_.sections.empty(); }
    void finish() const
    {
        if (!started()) return;
        TableSection &section = table_.sections.back();
        section.recordLength = next_ - 1;
    }

    // Returns the lone text of a row that is no field (a title candidate), else empty.
    std::string read(const TableRow &row)
    {
        row_ = &row;
        const std::string name = cell(ColumnRole::Name);
        const std::string startText = asciiNumberText(cell(ColumnRole::Start));
        const std::string endText = asciiNumberText(cell(ColumnRole::End));
        const std::string lengthText = asciiNumberText(cell(ColumnRole::Length));
        const bool blank =
            std::all_of(row.cells.begin(), row.cells.end(), [](const std::string &c) { return c.empty(); });
        if (blank) return skip("空行"), std::string();
        if (startText.empty() && endText.empty() && lengthText.empty()) {
            skip("位置も長さもない行 (見出しや注記)");
            return loneText(row);
        }
        // A field without a name has its start; a row of a sum has only a length.
        if (name.empty() && startText.empty()) return skip("項目名のない行 (合計など)"), std::string();
        if (isTotalsName(name)) return skip("合計の行"), std::string();

        std::optional<long long> start, end;
        if (!startText.empty()) {
            const size_t dash = startText.find_first_of("-~", 1);
            if (dash != std::string::npos) {
                start = number(startText.substr(0, dash), "開始位置", name);
                end = number(startText.substr(dash + 1), "開始位置", name);
            } else {
                start = number(startText, "開始位置", name);
            }
        }
        if (!endText.empty()) end = number(endText, "終了位置", name);
        std::optional<long long> length;
        if (!lengthText.empty()) length = number(lengthText, "長さ", name);
        long long count = 1;
        const std::string repetitionText = asciiNumberText(cell(ColumnRole::Repetition));
        if (!repetitionText.empty()) count = *number(repetitionText, "繰返し回数", name);
        if (count < 1 || count > MaxFields) refuse(name, "繰返し回数", count, count < 1 ? 1 : MaxFields);

        const long long first = start.value_or(end && length ? *end - *length * count + 1 : next_);
        long long width = 0;
        if (end) {
            const long long span = *end - first + 1;
            if (span < count || span % count != 0)
                refuse(name, "終了位置", *end, first + length.value_or(1) * count - 1);
            width = span / count;
            if (length && *length != width && *length != span) refuse(name, "長さ", *length, width);
        } else if (length) {
            width = *length;
        } else {
            throw LayoutTableError(place() + "「" + name + "」: 長さも終了位置もありません。\n" + FixTheTable);
        }
        if (width < 1) refuse(name, "長さ", width, 1);
        if (first < next_) refuse(name, "開始位置", first, next_);
        if (first > next_) {
            const std::string gap = "(空き " + std::to_string(next_) + "-" + std::to_string(first - 1) + ")";
            add({gap, next_, first - next_, {}, true, {}, row.line});
        }
        const std::vector<int> positions = outputPositions(name);
        for (long long index = 1; index <= count; ++index) {
            const std::string fieldName = count > 1 ? name + "(" + std::to_string(index) + ")" : name;
            add({fieldName, next_, width, cell(ColumnRole::Attribute), false,
                 index == 1 ? positions : std::vector<int>{}, row.line});
        }
        return {};
    }

private:
    std::string cell(ColumnRole role) const
    {
        const auto at = std::find(roles_.begin(), roles_.end(), role);
        const size_t column = size_t(at - roles_.begin());
        return at == roles_.end() || column >= row_->cells.size() ? std::string() : row_->cells[column];
    }

    static std::string loneText(const TableRow &row)
    {
        std::string text;
        for (const std::string &cell : row.cells) {
            if (cell.empty()) continue;
            if (!text.empty()) return {};
            text = cell;
        }
        return text;
    }

    void skip(const char *reason) { table_.sections.back().skipped.push_back({row_->line, reason}); }

    std::string place() const { return (where_.empty() ? "" : where_ + "の ") + std::to_string(row_->line) + " 行目"; }

    [[noreturn]] void refuse(const std::string &name, const char *what, long long given, long long expected) const
    {
        throw LayoutTableError(place() + "「" + name + "」: " + what + "が " + std::to_string(given) + " ですが、" +
                               std::to_string(expected) +
                               " のはずです (前の項目の続き、または同じ行の開始・終了・長さから)。\n" + FixTheTable);
    }

    std::optional<long long> number(const std::string &text, const char *what, const std::string &name) const
    {
        const std::optional<long long> value = wholeNumber(text);
        if (!value)
            throw LayoutTableError(place() + "「" + name + "」: " + what + "「" + text + "」が数値ではありません。\n" +
                                   FixTheTable);
        return value;
    }

    std::vector<int> outputPositions(const std::string &name)
    {
        std::vector<int> positions;
        std::string text = asciiNumberText(cell(ColumnRole::Output));
        std::replace(text.begin(), text.end(), ';', ' ');
        for (size_t at = 0; at < text.size();) {
            const size_t end = std::min(text.find(' ', at), text.size());
            if (end > at) {
                const long long position = number(text.substr(at, end - at), "出力位置", name).value();
                if (position < 1 || position > MaxFields) refuse(name, "出力位置", position, 1);
                positions.push_back(int(position));
            }
            at = end + 1;
        }
        return positions;
    }

    void add(TableField field)
    {
        TableSection &section = table_.sections.back();
        if (section.fields.size() >= size_t(MaxFields))
            throw LayoutTableError(place() + ": 項目が " + std::to_string(MaxFields) +
                                   " を超えます。表を分けてください。");
        next_ = field.start + field.width;
        section.fields.push_back(std::move(field));
    }

    const std::string &where_;
    LayoutTable &table_;
    std::vector<ColumnRole> roles_;
    const TableRow *row_ = nullptr;
    long long next_ = 1;
};

} // namespace

LayoutTable sectionsOfRows(const std::vector<TableRow> &rows, const TableOptions &options, const std::string &where)
{
    LayoutTable table;
    table.unit = options.chars ? WidthUnit::Characters : WidthUnit::Bytes;
    SectionReader reader(where, table);
    if (!options.columns.empty()) {
        reader.start(options.columns, {});
        for (const TableRow &row : rows) reader.read(row);
        reader.finish();
        return table;
    }
    std::string title;
    for (const TableRow &row : rows) {
        if (const std::optional<TableHeader> header = recogniseHeader(row.cells)) {
            reader.finish();
            reader.start(header->roles, title);
            if (header->lengthInChars) table.unit = WidthUnit::Characters;
            title.clear();
            continue;
        }
        if (!reader.started()) {
            for (const std::string &cell : row.cells)
                if (!cell.empty()) {
                    title = cell;
                    break;
                }
            if (table.unrecognised.size() < UnrecognisedRowsKept) table.unrecognised.push_back(row.cells);
            continue;
        }
        const std::string lone = reader.read(row);
        if (!lone.empty()) title = lone;
    }
    reader.finish();
    if (table.sections.empty()) return table;
    table.unrecognised.clear();
    return table;
}
