#include "cp932/Utf8Text.h"

long nextCodePoint(std::string_view text, size_t &at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int extra = 0;
    long code = 0, least = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, code = lead & 0x07, least = 0x10000;
    } else {
        ++at;
        return -1;
    }
    if (at + size_t(extra) >= text.size()) {
        ++at;
        return -1;
    }
    for (int k = 1; k <= extra; ++k) {
        if ((byte(at + size_t(k)) & 0xC0) != 0x80) {
            ++at;
            return -1;
        }
        code = code << 6 | (byte(at + size_t(k)) & 0x3F);
    }
    at += size_t(extra) + 1;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return -1;
    return code;
}

bool isUtf8(std::string_view text)
{
    for (size_t at = 0; at < text.size();)
        if (nextCodePoint(text, at) < 0) return false;
    return true;
}
