#pragma once
// A typed field's value as its output column writes it. Fields come in as cut from the record
// (CP932 bytes); numbers and dates come out as ASCII, kana as CP932, so the output options
// (quotes, UTF-8) apply to the result as to any column.

#include "layout/FieldType.h"

#include <string>
#include <string_view>

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
