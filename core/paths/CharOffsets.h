#pragma once
// Where characters start in a text, found 64 bytes at a time by the vector path's masks.

#include "paths/SimdPath.h"

#include <cstddef>
#include <string_view>

// As cp932::charOffsets: for each of the ascending character indices `indices[0..count)`, the
// byte offset where that character starts, or the text's size when the text has fewer.
using CharOffsetsFinder = void (*)(std::string_view text, const long long *indices, size_t count, size_t *offsets);

// The finder of vector path `path` (every path has one: the portable scan where it has no kernel).
CharOffsetsFinder charOffsetsFor(SimdPath path);
