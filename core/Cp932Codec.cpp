#include "Cp932Codec.h"

#include "Cp932.h"
#include "Cp932Table.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace cp932 {

namespace {

constexpr char32_t Replacement = 0xFFFD;
constexpr unsigned char FirstKana = 0xA1, LastKana = 0xDF;
constexpr char32_t FirstKanaCode = 0xFF61;

// Code points up to U+FFFF: every character of the table is one.
char *putUtf8(char32_t code, char *to)
{
    if (code < 0x80) {
        *to++ = char(code);
    } else if (code < 0x800) {
        *to++ = char(0xC0 | (code >> 6));
        *to++ = char(0x80 | (code & 0x3F));
    } else {
        *to++ = char(0xE0 | (code >> 12));
        *to++ = char(0x80 | ((code >> 6) & 0x3F));
        *to++ = char(0x80 | (code & 0x3F));
    }
    return to;
}

// For each code point up to U+FFFF its double-byte form (lead << 8 | trail), 0 for none.
const std::vector<uint16_t> &doubleByteForms()
{
    static const std::vector<uint16_t> forms = [] {
        std::vector<uint16_t> table(0x10000, 0);
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(uint8_t(lead))) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const uint16_t code = table::doubleByte[table::leadIndex(uint8_t(lead))][table::trailIndex(uint8_t(trail))];
                if (code && !table[code]) table[code] = uint16_t(lead << 8 | trail);
            }
        }
        return table;
    }();
    return forms;
}

} // namespace

size_t appendUtf8(std::string_view bytes, std::string &out)
{
    const size_t start = out.size();
    out.resize(start + 3 * bytes.size()); // no character takes more than three bytes
    char *to = out.data() + start;
    const auto *at = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *const end = at + bytes.size();
    size_t undecodable = 0;
    while (at < end) {
        uint64_t eight;
        if (end - at >= 8 && (std::memcpy(&eight, at, 8), (eight & 0x8080808080808080ULL) == 0)) {
            std::memcpy(to, at, 8); // eight ASCII characters
            to += 8;
            at += 8;
            continue;
        }
        const unsigned char byte = *at;
        if (byte < 0x80) {
            *to++ = char(byte);
            ++at;
            continue;
        }
        char32_t code = Replacement;
        if (isLeadByte(byte) && end - at >= 2 && isTrailByte(at[1])) {
            if (const uint16_t mapped = table::doubleByte[table::leadIndex(byte)][table::trailIndex(at[1])]) code = mapped;
            at += 2;
        } else {
            if (byte >= FirstKana && byte <= LastKana) code = FirstKanaCode + (byte - FirstKana);
            ++at;
        }
        if (code == Replacement) ++undecodable;
        to = putUtf8(code, to);
    }
    out.resize(size_t(to - out.data()));
    return undecodable;
}

std::string toUtf8(std::string_view bytes)
{
    std::string text;
    appendUtf8(bytes, text);
    return text;
}

size_t encode(char32_t code, char out[2])
{
    if (code < 0x80) {
        out[0] = char(code);
        return 1;
    }
    if (code >= FirstKanaCode && code <= FirstKanaCode + (LastKana - FirstKana)) {
        out[0] = char(FirstKana + (code - FirstKanaCode));
        return 1;
    }
    if (code > 0xFFFF) return 0;
    const uint16_t form = doubleByteForms()[code];
    if (!form) return 0;
    out[0] = char(form >> 8);
    out[1] = char(form & 0xFF);
    return 2;
}

} // namespace cp932
