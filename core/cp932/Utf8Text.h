#pragma once
// UTF-8 read by code points, as names and texts from outside the program come.

#include <cstddef>
#include <string_view>

// The code point of the UTF-8 sequence at `at`, advancing `at`; -1 for a byte that starts none.
long nextCodePoint(std::string_view text, size_t &at);

// Whether `text` is valid UTF-8 throughout.
bool isUtf8(std::string_view text);
