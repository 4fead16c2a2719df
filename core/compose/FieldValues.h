#pragma once
// A typed field's value as its output column writes it. Fields come in as cut from the record
// (CP932 bytes); numbers and dates come out as ASCII, kana as CP932, so the output options
// (quotes, UTF-8) apply to the result as to any column.

#include "layout/FieldType.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the writers below return for a field that is not what its type says.
inline constexpr size_t NotItsType = SIZE_MAX;

// The room the writers below may take for a field of `size` bytes.
constexpr size_t numberRoom(size_t size, int decimals) { return size + size_t(decimals) + 3; }
inline constexpr size_t DateRoom = 10; // YYYY-MM-DD
constexpr size_t kanaRoom(size_t size) { return 2 * size; }

// What a field's first byte tells of whether it may be a value of a type.
enum class FirstByte : uint8_t {
    Never,     // it is none
    Maybe,     // it may be one
    WhenAlone, // it may be one when no more than blanks follow the byte
};

// A number begins with a blank, a sign, a point or a digit, half- or full-width (full-width ones
// lead with 0x81 or 0x82), or is a zoned digit alone.
constexpr FirstByte numberFirstByte(unsigned char first)
{
    if ((first >= '0' && first <= '9') || first == ' ' || first == '+' || first == '-' || first == '.' ||
        first == 0x81 || first == 0x82)
        return FirstByte::Maybe;
    if (first == '{' || first == '}' || (first >= 'A' && first <= 'R')) return FirstByte::WhenAlone;
    return FirstByte::Never;
}

// A date begins with a blank, a digit or an era letter.
constexpr FirstByte dateFirstByte(unsigned char first)
{
    const bool maybe = (first >= '0' && first <= '9') || first == ' ' || first == 0x81 || first == 'M' ||
                       first == 'T' || first == 'S' || first == 'H' || first == 'R';
    return maybe ? FirstByte::Maybe : FirstByte::Never;
}

// `field` as appendNumber writes it, from `to` on; returns its length, or NotItsType.
size_t writeNumber(std::string_view field, int decimals, char *to);
// `field` as appendDate writes it, from `to` on; returns its length, or NotItsType.
size_t writeDate(std::string_view field, DateFormat format, char *to);
// `field` as appendFullWidthKana writes it, from `to` on; returns the end of what it wrote.
char *writeFullWidthKana(std::string_view field, char *to);

// `field` read as a number with `decimals` implied decimals and written plainly ("-123.45");
// an all-blank field gives "". Appends to `out` and returns true, or returns false, appending
// nothing, when the field is no number.
bool appendNumber(std::string_view field, int decimals, std::string &out);

// `field` read as a date of `format` and written YYYY-MM-DD (YYYY-MM); zeros or blanks give "".
// Returns false, appending nothing, when the field is no possible date of that format.
bool appendDate(std::string_view field, DateFormat format, std::string &out);

// `field` with its half-width katakana and their marks made full-width (ｶﾞ → ガ); other
// characters, double-byte ones included, are copied as they are.
void appendFullWidthKana(std::string_view field, std::string &out);
