#pragma once
// The character rule of code page 932: a lead byte followed by a trail byte is one
// character, every other byte is a character by itself. Bytes are never changed.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "paths/SimdPath.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cp932 {

constexpr bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

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

namespace detail {

// Bit 0: lead byte, bit 1: trail byte; for bytes the vector steps below do not cover.
inline constexpr std::array<uint8_t, 256> byteClasses = [] {
    std::array<uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b)
        classes[size_t(b)] = uint8_t((isLeadByte(uint8_t(b)) ? 1 : 0) | (isTrailByte(uint8_t(b)) ? 2 : 0));
    return classes;
}();

inline constexpr uint64_t eachByte = 0x0101010101010101ULL;

// Bytes of the result: the number of set bits in each byte of `x`.
inline uint64_t bitsPerByte(uint64_t x)
{
    x -= (x >> 1) & 0x5555555555555555ULL;
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    return (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
}

// bitPositions[b]: the positions of the set bits of `b`, ascending, then zeros.
inline constexpr std::array<std::array<uint8_t, 8>, 256> bitPositions = [] {
    std::array<std::array<uint8_t, 8>, 256> table{};
    for (int b = 0; b < 256; ++b)
        for (int bit = 0, k = 0; bit < 8; ++bit)
            if (b & (1 << bit)) table[size_t(b)][size_t(k++)] = uint8_t(bit);
    return table;
}();

// The positions of the set bits in the first `bytes` bytes of `x`, ascending, one byte each from
// `to` on; returns their number. `to` must have room for eight more bytes than that.
inline unsigned listBits(uint64_t x, size_t bytes, uint8_t *to)
{
    const uint64_t counts = bitsPerByte(x);
    unsigned listed = 0;
    for (unsigned byte = 0; byte < bytes; ++byte) {
        uint64_t positions;
        std::memcpy(&positions, bitPositions[(x >> (8 * byte)) & 0xFF].data(), 8);
        positions += 8 * byte * eachByte; // no carry: each byte stays below 64
        std::memcpy(to + listed, &positions, 8);
        listed += unsigned(counts >> (8 * byte)) & 0xFF;
    }
    return listed;
}

// Bit i of `lead` / `trail` set where byte i of `bytes` (at most 64) is a lead / trail byte.
inline void classifyBytes(const char *bytes, size_t size, uint64_t &lead, uint64_t &trail)
{
    lead = trail = 0;
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time, by the ranges of isLeadByte and isTrailByte.
    const auto inRange = [](__m128i v, uint8_t low, uint8_t high) {
        const __m128i shifted = _mm_sub_epi8(v, _mm_set1_epi8(char(low)));
        return _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(char(high - low))), shifted);
    };
    const auto classify16 = [&](size_t at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at));
        const __m128i leads = _mm_or_si128(inRange(v, 0x81, 0x9F), inRange(v, 0xE0, 0xFC));
        const __m128i trails = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(0x7F)), inRange(v, 0x40, 0xFC));
        lead |= uint64_t(uint16_t(_mm_movemask_epi8(leads))) << at;
        trail |= uint64_t(uint16_t(_mm_movemask_epi8(trails))) << at;
    };
    if (useSse2) {
        for (; i + 16 <= size; i += 16) classify16(i);
        if (i < size && size >= 16) { // the last sixteen bytes again, overlapping those done
            classify16(size - 16);
            i = size;
        }
    }
#endif
    for (; i < size; ++i) {
        const uint64_t byteClass = byteClasses[static_cast<unsigned char>(bytes[i])];
        lead |= (byteClass & 1) << i;
        trail |= (byteClass >> 1) << i;
    }
}

// Bit i set where a character starts at byte i of a block of `size` (<= 64) bytes.
// `secondByteFirst` says the block's first byte ends a character of the block before, and
// becomes whether the next block's does. `byteAfter` is the byte following the block, or -1.
inline uint64_t characterStarts(const char *block, size_t size, int byteAfter, uint64_t &secondByteFirst)
{
    uint64_t lead, trail;
    classifyBytes(block, size, lead, trail);
    uint64_t trailFollows = trail >> 1;
    if (byteAfter >= 0 && isTrailByte(uint8_t(byteAfter))) trailFollows |= uint64_t(1) << 63;
    // Bytes that begin a double-byte character if a character starts there.
    const uint64_t pairs = lead & trailFollows & ~secondByteFirst;
    // In a run of such bytes the first one starts a character (the byte before it ends one),
    // and so does every other byte after it: find the runs that start at even bytes by the
    // carry of adding their first bit, and take the even or odd bytes of each run.
    constexpr uint64_t evenBytes = 0x5555555555555555ULL;
    const uint64_t runFirsts = pairs & ~(pairs << 1);
    const uint64_t evenRuns = pairs & ~(pairs + (runFirsts & evenBytes));
    const uint64_t doubleStarts = (evenRuns & evenBytes) | (pairs & ~evenRuns & ~evenBytes);
    const uint64_t secondBytes = (doubleStarts << 1) | secondByteFirst;
    secondByteFirst = doubleStarts >> 63;
    const uint64_t inBlock = size == 64 ? ~uint64_t(0) : (uint64_t(1) << size) - 1;
    return ~secondBytes & inBlock;
}

} // namespace detail

// For each of the ascending character indices `indices[0..count)`, the byte offset where that
// character starts, or the text's size when the text has fewer characters. The same as
// advanceChars from 0 for each, in one pass over the text, 64 bytes at a time.
inline void charOffsets(std::string_view text, const long long *indices, size_t count, size_t *offsets)
{
    if (text.size() <= 64) { // the usual record: one block, and no branch per index
        uint64_t secondByteFirst = 0;
        const uint64_t starts = detail::characterStarts(text.data(), text.size(), -1, secondByteFirst);
        uint8_t startList[64 + 8];
        const long long startsInText = detail::listBits(starts, (text.size() + 7) / 8, startList);
        startList[startsInText] = uint8_t(text.size()); // where every index past the last character lands
        for (size_t next = 0; next < count; ++next) offsets[next] = startList[std::min(indices[next], startsInText)];
        return;
    }
    size_t next = 0;
    long long charsBefore = 0; // characters starting before the block
    uint64_t secondByteFirst = 0;
    for (size_t base = 0; base < text.size() && next < count; base += 64) {
        const size_t size = std::min<size_t>(64, text.size() - base);
        const int byteAfter = base + 64 < text.size() ? static_cast<unsigned char>(text[base + 64]) : -1;
        const uint64_t starts = detail::characterStarts(text.data() + base, size, byteAfter, secondByteFirst);
        uint8_t startList[64 + 8];
        const int startsInBlock = int(detail::listBits(starts, (size + 7) / 8, startList));
        for (; next < count && indices[next] - charsBefore < startsInBlock; ++next)
            offsets[next] = base + startList[indices[next] - charsBefore];
        charsBefore += startsInBlock;
    }
    for (; next < count; ++next) offsets[next] = text.size();
}

} // namespace cp932
