#include "compose/RecordChecks.h"

#include "errors/CoreError.h"
#include "cp932/Cp932.h"
#include "paths/SimdPath.h"
#include "layout/WidthText.h"

#include <algorithm>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

std::string_view warningName(Warning warning)
{
    static constexpr std::string_view Names[] = {
        "長さがレイアウトと違うレコード", "改行を含むレコード",   "文字の途中で切れる項目", "外字を含むレコード",
        "数値として読めない値",           "日付として読めない値",
    };
    static_assert(std::size(Names) == WarningKinds);
    return Names[size_t(warning)];
}

RecordChecks::RecordChecks(const LayoutModel &layout, const std::vector<long long> &boundaries)
    : unit_(layout.Unit), byLength_(layout.RecordLength > 0)
{
    try {
        long long total = 0;
        bool usable = true; // a negative width leaves no total, but the boundaries stand
        for (int field = 1; field <= layout.fieldsInTable() && usable; ++field) {
            const int16_t width = fieldWidth(layout, field);
            usable = width >= 0;
            total += width;
        }
        if (usable) total_ = total;
    } catch (const CoreError &) {
        // A width the conversion itself refuses: the run fails on it, no length to compare.
    }
    if (unit_ == WidthUnit::Bytes)
        for (const long long boundary : boundaries) {
            if (boundary <= 0) continue;
            const size_t block = size_t(boundary / 64);
            if (boundaryBlocks_.size() <= block) boundaryBlocks_.resize(block + 1);
            boundaryBlocks_[block] |= uint64_t(1) << (boundary % 64);
        }
}

namespace {

// Bit i set where byte i of a block of `size` (<= 64) bytes is one of 0xF0..0xF9.
uint64_t userDefinedBytes(const char *block, size_t size)
{
    uint64_t mask = 0;
    size_t at = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time; the last sixteen again, overlapping those done.
    const auto userDefinedIn = [&](size_t from) {
        const __m128i shifted =
            _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(block + from)), _mm_set1_epi8(char(0xF0)));
        const __m128i inRange = _mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(9)), shifted);
        mask |= uint64_t(uint16_t(_mm_movemask_epi8(inRange))) << from;
    };
    if (useSse2) {
        for (; at + 16 <= size; at += 16) userDefinedIn(at);
        if (at < size && size >= 16) {
            userDefinedIn(size - 16);
            at = size;
        }
    }
#endif
    for (; at < size; ++at) mask |= uint64_t(static_cast<unsigned char>(block[at] - 0xF0u) < 10u) << at;
    return mask;
}

// What one pass over a record's characters' starts, 64 bytes at a time, finds.
struct CharacterScan {
    long long characters = 0;   // counted only when asked for
    bool splitBoundary = false; // a boundary within the record falls inside a character
    bool userDefined = false;
};

// `boundaryBlocks`: bit b of element k marks a boundary at byte 64 k + b.
CharacterScan scanCharacters(std::string_view record, const std::vector<uint64_t> &boundaryBlocks, bool countCharacters)
{
    CharacterScan scan;
    uint64_t secondByteFirst = 0;
    for (size_t base = 0, block = 0; base < record.size(); base += 64, ++block) {
        const size_t size = std::min<size_t>(64, record.size() - base);
        const int byteAfter = base + 64 < record.size() ? static_cast<unsigned char>(record[base + 64]) : -1;
        const uint64_t starts = cp932::detail::characterStarts(record.data() + base, size, byteAfter, secondByteFirst);
        if (countCharacters) scan.characters += std::popcount(starts);
        // Bits past the block's end are not starts: a boundary there is beyond the record.
        const uint64_t inBlock = size == 64 ? ~uint64_t(0) : (uint64_t(1) << size) - 1;
        if (block < boundaryBlocks.size()) scan.splitBoundary |= (boundaryBlocks[block] & inBlock & ~starts) != 0;
        scan.userDefined |= (starts & userDefinedBytes(record.data() + base, size)) != 0;
    }
    return scan;
}

} // namespace

bool holdsUserDefined(std::string_view record) { return scanCharacters(record, {}, false).userDefined; }

size_t RecordChecks::bytesReached() const
{
    // More than twice the total in bytes holds more characters than the total, whatever they are.
    if (byLength_ || unit_ == WidthUnit::Bytes || total_ < 0) return 0;
    return size_t(2 * total_ + 1);
}

Warnings RecordChecks::check(std::string_view record, size_t recordBytes) const
{
    Warnings found = 0;
    bool countCharacters = false;
    if (byLength_) {
        if (std::memchr(record.data(), '\n', record.size()) || std::memchr(record.data(), '\r', record.size()))
            found |= warningBit(Warning::LineEndInside);
    } else if (total_ >= 0) {
        // Fewer bytes than the total, or more than twice it, hold another number of characters.
        const bool possible = unit_ == WidthUnit::Bytes
                                  ? (long long)recordBytes == total_
                                  : (long long)record.size() >= total_ && (long long)record.size() <= 2 * total_;
        if (!possible) found |= warningBit(Warning::LengthMismatch);
        countCharacters = possible && unit_ == WidthUnit::Characters;
    }
    // One pass over the characters' starts serves every check that needs them.
    const CharacterScan scan = scanCharacters(record, boundaryBlocks_, countCharacters);
    if (countCharacters && scan.characters != total_) found |= warningBit(Warning::LengthMismatch);
    if (scan.splitBoundary) found |= warningBit(Warning::SplitCharacter);
    if (scan.userDefined) found |= warningBit(Warning::UserDefined);
    return found;
}
