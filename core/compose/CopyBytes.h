#pragma once
// Copying the short pieces output lines are made of.

#include <cstring>
#include <string_view>

// Pieces are mostly a few bytes long: two overlapping fixed-size copies beat a call to memcpy.
// Nothing outside the piece is read or written (and an empty view's null pointer is never used).
[[gnu::always_inline]] inline char *copyBytes(char *to, std::string_view bytes)
{
    const char *from = bytes.data();
    const size_t size = bytes.size();
    if (size >= 8 && size <= 16) {
        std::memcpy(to, from, 8);
        std::memcpy(to + size - 8, from + size - 8, 8);
    } else if (size >= 4 && size < 8) {
        std::memcpy(to, from, 4);
        std::memcpy(to + size - 4, from + size - 4, 4);
    } else if (size > 16) {
        std::memcpy(to, from, size);
    } else {
        for (size_t i = 0; i < size; ++i) to[i] = from[i];
    }
    return to + size;
}
