#include "RecordChecks.h"

#include "CoreError.h"
#include "Cp932.h"
#include "WidthText.h"

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
        for (int field = 1; field <= layout.fieldsInTable(); ++field) {
            const int16_t width = fieldWidth(layout, field);
            if (width < 0) return;
            total += width;
        }
        total_ = total;
    } catch (const CoreError &) {
        // A width the conversion itself refuses: the run fails on it, no length to compare.
    }
    if (unit_ == WidthUnit::Bytes)
        for (const long long boundary : boundaries)
            if (boundary > 0) byteBoundaries_.push_back(boundary);
}

bool characterStartsAt(std::string_view record, size_t at)
{
    // The byte before a run of lead bytes ends a character, and the run falls into pairs.
    size_t leadsBefore = 0;
    while (leadsBefore < at && cp932::isLeadByte(static_cast<unsigned char>(record[at - leadsBefore - 1])))
        ++leadsBefore;
    return leadsBefore % 2 == 0;
}

bool holdsUserDefined(std::string_view record)
{
    // A quick look for the bytes at all; they are often trail bytes of kanji, so the characters'
    // starts of each 64-byte block tell which of them begin a character.
    const auto *bytes = reinterpret_cast<const unsigned char *>(record.data());
    const size_t size = record.size();
    bool any = false;
    size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time; the last sixteen again, overlapping those done.
    const auto userDefinedIn = [&](size_t at) {
        const __m128i shifted =
            _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(bytes + at)), _mm_set1_epi8(char(0xF0)));
        return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(shifted, _mm_set1_epi8(9)), shifted)) != 0;
    };
    for (; i + 16 <= size; i += 16) any |= userDefinedIn(i);
    if (i < size && size >= 16) {
        any |= userDefinedIn(size - 16);
        i = size;
    }
#endif
    for (; i < size; ++i) any |= static_cast<unsigned char>(bytes[i] - 0xF0u) < 10u;
    if (!any) return false;
    uint64_t secondByteFirst = 0;
    for (size_t base = 0; base < size; base += 64) {
        const size_t blockSize = std::min<size_t>(64, size - base);
        const int byteAfter = base + 64 < size ? bytes[base + 64] : -1;
        const uint64_t starts =
            cp932::detail::characterStarts(record.data() + base, blockSize, byteAfter, secondByteFirst);
        uint64_t userDefined = 0;
        for (size_t at = 0; at < blockSize; ++at)
            userDefined |= uint64_t(static_cast<unsigned char>(bytes[base + at] - 0xF0u) < 10u) << at;
        if (starts & userDefined) return true;
    }
    return false;
}

namespace {

// Whether `record` is exactly `total` characters long: the characters' starts counted 64 bytes
// at a time, as the columns' boundaries are found.
bool holdsCharacters(std::string_view record, long long total)
{
    if ((long long)record.size() < total || (long long)record.size() > 2 * total) return false;
    long long characters = 0;
    uint64_t secondByteFirst = 0;
    for (size_t base = 0; base < record.size(); base += 64) {
        const size_t size = std::min<size_t>(64, record.size() - base);
        const int byteAfter = base + 64 < record.size() ? static_cast<unsigned char>(record[base + 64]) : -1;
        characters +=
            std::popcount(cp932::detail::characterStarts(record.data() + base, size, byteAfter, secondByteFirst));
    }
    return characters == total;
}

} // namespace

size_t RecordChecks::bytesReached() const
{
    // More than twice the total in bytes holds more characters than the total, whatever they are.
    if (byLength_ || unit_ == WidthUnit::Bytes || total_ < 0) return 0;
    return size_t(2 * total_ + 1);
}

Warnings RecordChecks::check(std::string_view record, size_t recordBytes) const
{
    Warnings found = 0;
    if (byLength_) {
        if (std::memchr(record.data(), '\n', record.size()) || std::memchr(record.data(), '\r', record.size()))
            found |= warningBit(Warning::LineEndInside);
    } else if (total_ >= 0) {
        const bool fits =
            unit_ == WidthUnit::Bytes ? (long long)recordBytes == total_ : holdsCharacters(record, total_);
        if (!fits) found |= warningBit(Warning::LengthMismatch);
    }
    for (const long long boundary : byteBoundaries_) {
        if (boundary >= (long long)record.size()) break;
        if (!characterStartsAt(record, size_t(boundary))) {
            found |= warningBit(Warning::SplitCharacter);
            break;
        }
    }
    if (holdsUserDefined(record)) found |= warningBit(Warning::UserDefined);
    return found;
}
