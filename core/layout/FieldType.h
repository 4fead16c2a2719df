#pragma once
// What a field holds, when it is more than text: how its output column is written and checked.

#include <cstdint>
#include <map>
#include <string_view>

enum class FieldKind : uint8_t {
    Text,   // copied as it is
    Number, // a number, written plainly with its implied decimals
    Date,   // a date, written YYYY-MM-DD (YYYY-MM)
    Kana,   // half-width katakana made full-width
};

enum class DateFormat : uint8_t {
    YYYYMMDD,
    YYMMDD,  // a year below 50 is 20YY, else 19YY
    GYYMMDD, // era digit 1..5: 明治, 大正, 昭和, 平成, 令和
    EYYMMDD, // era letter M, T, S, H, R
    YYYYMM,
};

// The formats as a definition file and the window name them, in the order above.
inline constexpr std::string_view DateFormatNames[] = {"YYYYMMDD", "YYMMDD", "GYYMMDD", "EYYMMDD", "YYYYMM"};

// Most implied decimals a number may have.
inline constexpr int MaxDecimals = 18;

struct FieldType {
    FieldKind kind = FieldKind::Text;
    uint8_t decimals = 0; // Number: digits after the implied point
    DateFormat date = DateFormat::YYYYMMDD;
    bool operator==(const FieldType &) const = default;
};

// The types of the fields that have one, by field number (as in the table, not output position).
using FieldTypes = std::map<int16_t, FieldType>;
