#pragma once
// The name "-" stands for standard input as a source and for standard output as an output, as
// in every Unix filter. Such a stream is never deleted, emptied or compared with other files.

#include <string_view>

inline constexpr std::string_view StandardStreamName = "-";

inline bool isStandardStream(std::string_view path) { return path == StandardStreamName; }
