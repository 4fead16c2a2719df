#include "layout/AttributeType.h"

#include <cctype>
#include <optional>
#include <string>

namespace {

// The text in upper case, without blanks (half- and full-width) anywhere.
std::string squeezed(std::string_view attribute)
{
    std::string text;
    for (size_t at = 0; at < attribute.size(); ++at) {
        if (attribute.substr(at, 3) == "\xE3\x80\x80") { // U+3000
            at += 2;
            continue;
        }
        const char c = attribute[at];
        if (c == ' ' || c == '\t') continue;
        text.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    }
    return text;
}

// A run of 9s, "9(n)" counting n: the digits it stands for, moving `at` past it; 0 for none.
int nines(std::string_view text, size_t &at)
{
    int count = 0;
    while (at < text.size() && text[at] == '9') {
        ++at;
        if (at < text.size() && text[at] == '(') {
            const size_t close = text.find(')', at);
            if (close == std::string_view::npos) return -1;
            int repeat = 0;
            for (size_t digit = at + 1; digit < close; ++digit) {
                if (!std::isdigit(static_cast<unsigned char>(text[digit]))) return -1;
                repeat = repeat * 10 + (text[digit] - '0');
                if (repeat > 10000) return -1;
            }
            count += repeat;
            at = close + 1;
        } else {
            ++count;
        }
    }
    return count;
}

// The implied decimals of a numeric picture ("S9(5)V99"), or none when the text is no such one.
std::optional<int> pictureDecimals(std::string_view text)
{
    if (text.starts_with("PIC")) text.remove_prefix(text.starts_with("PICTURE") ? 7 : 3);
    if (text.starts_with("S")) text.remove_prefix(1);
    size_t at = 0;
    const int integer = nines(text, at);
    if (integer < 0) return std::nullopt;
    int decimals = 0;
    if (at < text.size() && text[at] == 'V') {
        ++at;
        decimals = nines(text, at);
        if (decimals < 0) return std::nullopt;
    }
    if (at != text.size() || integer + decimals == 0) return std::nullopt;
    return decimals;
}

// The decimals a 数字/数値 attribute names: "(7,2)" or "小数 2" ("小数点以下 2 桁"), else 0.
int statedDecimals(std::string_view text)
{
    size_t from = std::string_view::npos;
    if (const size_t comma = text.find_first_of(",."); comma != std::string_view::npos) from = comma + 1;
    else if (const size_t word = text.find("小数"); word != std::string_view::npos) from = word;
    if (from == std::string_view::npos) return 0;
    const size_t digit = text.find_first_of("0123456789", from);
    if (digit == std::string_view::npos) return 0;
    int value = 0;
    for (size_t at = digit; at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++at)
        value = value * 10 + (text[at] - '0');
    return value <= MaxDecimals ? value : 0;
}

} // namespace

FieldType fieldTypeFromAttribute(std::string_view attribute)
{
    const std::string text = squeezed(attribute);
    if (text.find("日付") != std::string::npos || text.find("年月") != std::string::npos) {
        // The longest names first: YYYYMMDD holds YYMMDD and YYYYMM.
        for (const DateFormat format :
             {DateFormat::YYYYMMDD, DateFormat::GYYMMDD, DateFormat::EYYMMDD, DateFormat::YYMMDD, DateFormat::YYYYMM})
            if (text.find(DateFormatNames[size_t(format)]) != std::string::npos) return {FieldKind::Date, 0, format};
        return {};
    }
    if (const std::optional<int> decimals = pictureDecimals(text); decimals && *decimals <= MaxDecimals)
        return {FieldKind::Number, uint8_t(*decimals)};
    if (text.find("数字") != std::string::npos || text.find("数値") != std::string::npos)
        return {FieldKind::Number, uint8_t(statedDecimals(text))};
    return {};
}
