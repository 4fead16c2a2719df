#include "KeywordLines.h"

#include "errors/CoreError.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

using Fault = CoreError::LineFault;

struct KeywordLine {
    std::string_view keyword;
    // Reads what follows the keyword (empty, or beginning with a blank) into the settings.
    Fault (*read)(std::string_view rest, LayoutSettings &settings);
    // The line for the settings, or empty while the setting is not in use.
    std::string (*write)(const LayoutSettings &settings);
};

// Words of a keyword line are separated by blanks or TABs, any number of them.
constexpr std::string_view Separators = " \t";

bool isSeparator(char c) { return c == ' ' || c == '\t'; }

std::string_view withoutLeadingBlanks(std::string_view text)
{
    return text.substr(std::min(text.find_first_not_of(Separators), text.size()));
}

std::string_view withoutTrailingBlanks(std::string_view text)
{
    const size_t last = text.find_last_not_of(Separators);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// Keywords are read whatever their case (ASCII letters).
bool sameWord(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper((unsigned char)a[i]) != std::toupper((unsigned char)b[i])) return false;
    return true;
}

Fault nothingMore(std::string_view rest)
{
    return withoutTrailingBlanks(rest).empty() ? Fault::None : Fault::ExtraText;
}

// Blanks, then a whole number in 1..max; `rest` keeps what follows the number.
template <typename Number> Fault leadingNumber(std::string_view &rest, Number &number, int max, Fault outOfRange)
{
    if (rest.empty() || !isSeparator(rest.front())) return Fault::MissingNumber;
    rest = withoutLeadingBlanks(rest);
    const char *first = rest.data(), *last = first + rest.size();
    long long value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (end == first) return Fault::MissingNumber;
    rest.remove_prefix(size_t(end - first));
    if (error != std::errc() || value < 1 || value > max) return outOfRange;
    number = Number(value);
    return Fault::None;
}

// A keyword alone switches its setting on.
Fault switchOn(std::string_view rest, bool &setting)
{
    const Fault fault = nothingMore(rest);
    if (fault == Fault::None) setting = true;
    return fault;
}

// "k" or "k rest" after a keyword that types field k; `rest` keeps what follows the number.
Fault typedField(std::string_view &rest, int16_t &field)
{
    return leadingNumber(rest, field, MaxFields, Fault::FieldNumberRange);
}

// The lines "KEYWORD k..." of the fields of `kind`, in field order, joined by line ends.
std::string typeLines(const LayoutSettings &settings, FieldKind kind, std::string_view keyword,
                      std::string (*detail)(const FieldType &))
{
    std::string lines;
    for (const auto &[field, type] : settings.Types) {
        if (type.kind != kind) continue;
        if (!lines.empty()) lines += "\r\n";
        lines.append(keyword).append(" ").append(std::to_string(field)).append(detail(type));
    }
    return lines;
}

Fault readNumber(std::string_view rest, LayoutSettings &settings)
{
    int16_t field = 0;
    Fault fault = typedField(rest, field);
    if (fault != Fault::None) return fault;
    FieldType type{FieldKind::Number};
    const std::string_view decimals = withoutLeadingBlanks(withoutTrailingBlanks(rest));
    if (!decimals.empty()) {
        if (!isSeparator(rest.front())) return Fault::ExtraText;
        int value = -1;
        const auto [end, error] = std::from_chars(decimals.data(), decimals.data() + decimals.size(), value);
        if (end == decimals.data() || end != decimals.data() + decimals.size()) return Fault::ExtraText;
        if (error != std::errc() || value < 0 || value > MaxDecimals) return Fault::DecimalsRange;
        type.decimals = uint8_t(value);
    }
    settings.Types[field] = type;
    return Fault::None;
}

Fault readDate(std::string_view rest, LayoutSettings &settings)
{
    int16_t field = 0;
    const Fault fault = typedField(rest, field);
    if (fault != Fault::None) return fault;
    const std::string_view format = withoutLeadingBlanks(withoutTrailingBlanks(rest));
    if (format.empty() || !isSeparator(rest.front())) return Fault::UnknownDateFormat;
    for (size_t index = 0; index < std::size(DateFormatNames); ++index) {
        if (!sameWord(format, DateFormatNames[index])) continue;
        settings.Types[field] = FieldType{FieldKind::Date, 0, DateFormat(index)};
        return Fault::None;
    }
    return Fault::UnknownDateFormat;
}

const KeywordLine Keywords[] = {
    {"BYTE",
     [](std::string_view rest, LayoutSettings &settings) {
         const Fault fault = nothingMore(rest);
         if (fault == Fault::None) settings.Unit = WidthUnit::Bytes;
         return fault;
     },
     [](const LayoutSettings &settings) { return std::string(settings.Unit == WidthUnit::Bytes ? "BYTE" : ""); }},
    {"RECORD",
     [](std::string_view rest, LayoutSettings &settings) {
         int32_t length = 0;
         Fault fault = leadingNumber(rest, length, MaxRecordLength, Fault::RecordLengthRange);
         if (fault == Fault::None) fault = nothingMore(rest);
         if (fault == Fault::None) settings.RecordLength = length;
         return fault;
     },
     [](const LayoutSettings &settings) {
         return settings.RecordLength > 0 ? "RECORD " + std::to_string(settings.RecordLength) : std::string();
     }},
    {"SELECT",
     [](std::string_view rest, LayoutSettings &settings) {
         int16_t field = 0;
         const Fault fault = leadingNumber(rest, field, MaxFields, Fault::FieldNumberRange);
         if (fault != Fault::None) return fault;
         if (rest.empty() || !isSeparator(rest.front())) return Fault::MissingText;
         settings.Selection = RecordSelection{field, std::string(rest.substr(1))};
         return Fault::None;
     },
     [](const LayoutSettings &settings) {
         if (!settings.Selection) return std::string();
         return "SELECT " + std::to_string(settings.Selection->field) + " " + settings.Selection->text;
     }},
    {"TRIM", [](std::string_view rest, LayoutSettings &settings) { return switchOn(rest, settings.Output.trim); },
     [](const LayoutSettings &settings) { return std::string(settings.Output.trim ? "TRIM" : ""); }},
    {"QUOTE", [](std::string_view rest, LayoutSettings &settings) { return switchOn(rest, settings.Output.quote); },
     [](const LayoutSettings &settings) { return std::string(settings.Output.quote ? "QUOTE" : ""); }},
    {"UTF8",
     [](std::string_view rest, LayoutSettings &settings) {
         const std::string_view option = withoutLeadingBlanks(withoutTrailingBlanks(rest));
         if (!option.empty() && !sameWord(option, "BOM")) return Fault::ExtraText;
         settings.Output.utf8 = true;
         settings.Output.bom = !option.empty();
         return Fault::None;
     },
     [](const LayoutSettings &settings) {
         if (!settings.Output.utf8) return std::string();
         return std::string(settings.Output.bom ? "UTF8 BOM" : "UTF8");
     }},
    {"HEADER", [](std::string_view rest, LayoutSettings &settings) { return switchOn(rest, settings.Header); },
     [](const LayoutSettings &settings) { return std::string(settings.Header ? "HEADER" : ""); }},
    {"NUMBER", readNumber,
     [](const LayoutSettings &settings) {
         return typeLines(settings, FieldKind::Number, "NUMBER", [](const FieldType &type) {
             return type.decimals ? " " + std::to_string(type.decimals) : std::string();
         });
     }},
    {"DATE", readDate,
     [](const LayoutSettings &settings) {
         return typeLines(settings, FieldKind::Date, "DATE",
                          [](const FieldType &type) { return " " + std::string(DateFormatNames[size_t(type.date)]); });
     }},
    {"KANA",
     [](std::string_view rest, LayoutSettings &settings) {
         int16_t field = 0;
         Fault fault = typedField(rest, field);
         if (fault == Fault::None) fault = nothingMore(rest);
         if (fault == Fault::None) settings.Types[field] = FieldType{FieldKind::Kana};
         return fault;
     },
     [](const LayoutSettings &settings) {
         return typeLines(settings, FieldKind::Kana, "KANA", [](const FieldType &) { return std::string(); });
     }},
};

} // namespace

bool readKeywordLine(std::string_view line, LayoutSettings &settings)
{
    const std::string_view text = withoutLeadingBlanks(line);
    const std::string_view firstWord = text.substr(0, std::min(text.find_first_of(Separators), text.size()));
    for (const KeywordLine &keyword : Keywords) {
        if (!sameWord(firstWord, keyword.keyword)) continue;
        LayoutSettings read = settings; // a line that cannot be read changes nothing
        const Fault fault = keyword.read(text.substr(firstWord.size()), read);
        if (fault != Fault::None) throw CoreError::malformedLine(std::string(line), fault);
        settings = std::move(read);
        return true;
    }
    return false;
}

void appendKeywordLines(const LayoutSettings &settings, std::string &out)
{
    for (const KeywordLine &keyword : Keywords) {
        const std::string line = keyword.write(settings);
        if (line.empty()) continue;
        out.append(line);
        out.append("\r\n");
    }
}
