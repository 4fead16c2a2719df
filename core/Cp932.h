#pragma once
// The character rule of code page 932: a lead byte followed by a trail byte is one
// character, every other byte is a character by itself. Bytes are never changed.

#include <cstddef>
#include <string_view>

namespace cp932 {

inline bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Length in bytes of the character starting at `at` (at < text.size()).
inline size_t charLengthAt(std::string_view text, size_t at)
{
    if (isLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() &&
        isTrailByte(static_cast<unsigned char>(text[at + 1])))
        return 2;
    return 1;
}

// Byte offset reached after stepping `chars` characters from `from`; stops at the end of the text.
// `stepped` receives the number of characters actually passed.
inline size_t advanceChars(std::string_view text, size_t from, long long chars, long long &stepped)
{
    size_t at = from;
    stepped = 0;
    while (stepped < chars && at < text.size()) {
        at += charLengthAt(text, at);
        ++stepped;
    }
    return at;
}

} // namespace cp932
