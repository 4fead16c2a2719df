#pragma once
// The obvious way to write an output line: each column cut a character at a time from the
// record's first byte, trimmed, quoted and decoded to UTF-8 by loops of its own. It shares no
// helper with the fast paths (ComposePlan, OutputFormat, Cp932Codec) and is the reference the
// tests and fuzzers hold them to. Field types are not written here.

#include "layout/mdlGlobal.h"

#include <optional>
#include <string>
#include <string_view>

// The line of `record` by the layout's output positions and options, columns joined by
// `delimiter`; nullopt when the layout yields no column. Adds to `undecodable` the characters
// UTF-8 output wrote as U+FFFD. Throws CoreError as a conversion does: the first column's
// failure in output order (a field the table does not hold, a width that is no number or
// negative, a start before the record).
std::optional<std::string> composePlainly(const LayoutModel &model, std::string_view record, std::string_view delimiter,
                                          size_t &undecodable);

// What each output file starts with: the byte order mark of UTF-8 output that asks for one.
std::string plainFileStart(const OutputOptions &options);
