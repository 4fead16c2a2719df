#pragma once
// An output column as the layout's options write it: trimmed, then quoted, then encoded.

#include "mdlGlobal.h"

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// `column` less the half-width (0x20) and full-width (0x81 0x40) blanks at both ends. The column
// is taken as a text of its own: its bytes are grouped into characters from its first byte on.
std::string_view trimBlanks(std::string_view column);

// Whether `column` must be written in double quotes: it holds the delimiter, '"', CR or LF.
bool needsQuotes(std::string_view column, std::string_view delimiter);

// Appends `column` to `out` as the options say; returns how many of its characters could not be
// decoded for UTF-8 output (each written as U+FFFD).
size_t appendColumn(std::string_view column, const OutputOptions &options, std::string_view delimiter,
                    std::string &out);

// What each output file starts with: a byte order mark for UTF-8 output that asks for one.
std::string_view fileStart(const OutputOptions &options);
