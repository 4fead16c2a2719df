// The fast route's kernels for AVX2 with BMI2: the record is copied into a block of 64 bytes and
// classified 32 at a time; the n-th character's start is found by a bit deposit. Lines are listed
// by two compares of 32 bytes for each line's end.
#include "paths/FastRouteKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
// Only what follows is built for these instructions (GCC and clang spell it differently).
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt")
#endif
#include "paths/FastRouteSteps.h"
#include "paths/LineListingSteps.h"

namespace {

inline __m256i bytesBetween(__m256i bytes, uint8_t low, uint8_t high)
{
    const __m256i shifted = _mm256_sub_epi8(bytes, _mm256_set1_epi8(char(low)));
    return _mm256_cmpeq_epi8(_mm256_min_epu8(shifted, _mm256_set1_epi8(char(high - low))), shifted);
}

inline uint64_t bitsOf(__m256i test) { return uint32_t(_mm256_movemask_epi8(test)); }

// The masks of the 32 bytes at `at` of `block`, placed at bit `at`.
inline void addMasks(const FastShape &shape, const char *block, size_t at, ByteMasks &masks)
{
    const __m256i bytes = _mm256_load_si256(reinterpret_cast<const __m256i *>(block + at));
    masks.lead |= bitsOf(_mm256_or_si256(bytesBetween(bytes, 0x81, 0x9F), bytesBetween(bytes, 0xE0, 0xFC))) << at;
    masks.trail |=
        bitsOf(_mm256_andnot_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(0x7F)), bytesBetween(bytes, 0x40, 0xFC)))
        << at;
    if (shape.utf8Cells) masks.high |= bitsOf(bytes) << at;
    if (!shape.checked && !shape.quote) return;
    const __m256i lineEnds = _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r')),
                                             _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')));
    masks.lineEnds |= bitsOf(lineEnds) << at;
    if (shape.checked) masks.userDefined |= bitsOf(bytesBetween(bytes, 0xF0, 0xF9)) << at;
    if (!shape.quote) return;
    const __m256i quotes = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('"'));
    masks.quotes |= bitsOf(quotes) << at;
    masks.quoteMarks |= bitsOf(_mm256_or_si256(_mm256_or_si256(quotes, lineEnds),
                                               _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(shape.delimiter))))
                        << at;
}

// The masks of a record of at most 64 bytes, as far as the shape needs them.
ByteMasks masksOf(const FastShape &shape, std::string_view record)
{
    alignas(64) char block[2 * FastShape::MaxBytes] = {};
    std::memcpy(block, record.data(), record.size());
    ByteMasks masks{};
    masks.inRecord = _bzhi_u64(~uint64_t(0), unsigned(record.size()));
    addMasks(shape, block, 0, masks);
    addMasks(shape, block, 32, masks);
    // Bytes past the record are zeros: neither lead, trail, line end, user-defined nor a quote
    // mark (a delimiter 0 is cut off by inRecord).
    masks.quoteMarks &= masks.inRecord;
    return masks;
}

// Each column's start and length in the record, in output order, and what calls for quotes.
template <bool> void locateColumns(const FastShape &shape, std::string_view record, size_t recordBytes,
                                   LocatedColumns &located, Warnings &warnings)
{
    const size_t size = record.size();
    const ByteMasks masks = masksOf(shape, record);
    located.masks = masks;
    located.fixed = false;
    const uint64_t starts = characterStarts(masks);
    located.starts = starts;
    warnings = shape.checked ? shapeWarnings(shape, masks, starts, size, recordBytes) : 0;
    uint8_t offsets[64];
    if (shape.characters) {
        const unsigned characters = unsigned(std::popcount(starts));
        for (size_t i = 0; i < shape.boundaryCount; ++i) {
            const unsigned boundary = shape.boundaries[i];
            offsets[i] =
                boundary < characters ? uint8_t(_tzcnt_u64(_pdep_u64(uint64_t(1) << boundary, starts))) : uint8_t(size);
        }
    } else {
        for (size_t i = 0; i < shape.boundaryCount; ++i) offsets[i] = std::min(shape.boundaries[i], uint8_t(size));
    }
    for (size_t i = 0; i < shape.columnCount; ++i) {
        located.begins[i] = offsets[shape.columnFirst[i]];
        located.lengths[i] = uint8_t(offsets[shape.columnLast[i]] - located.begins[i]);
    }
}

// Padded: two moves of 32 bytes; else the piece's own bytes.
template <bool Padded> void copyColumn(char *to, const char *from, size_t length)
{
    if (!Padded) return (void)std::memcpy(to, from, length);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from)));
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 32),
                        _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + 32)));
}

} // namespace

bool avx2Record(const FastShape &shape, std::string_view record, size_t recordBytes, std::string &out,
                Warnings &warnings, size_t &undecodable)
{
    return appendRecord<locateColumns<false>, copyColumn<false>>(shape, record, recordBytes, out, warnings,
                                                                 undecodable);
}

Warnings avx2Check(const FastShape &shape, std::string_view record, size_t recordBytes)
{
    return checkShape<masksOf>(shape, record, recordBytes);
}

void charOffsetsAvx2(std::string_view text, const long long *indices, size_t count, size_t *offsets)
{
    charOffsetsInBlocks<masksOf>(text, indices, count, offsets);
}

void avx2Lines(const FastShape &shape, const LineSpans &lines, std::vector<char> &scratch, std::string &out,
               size_t *ends, Warnings *warnings, size_t *undecodable)
{
    appendLines<locateColumns<true>, copyColumn<true>>(shape, lines, scratch, out, ends, warnings, undecodable);
}

// The line ends of 64 bytes at a time, for the line listing.
namespace {

uint64_t lineEndBits(const char *at, uint64_t &carriageReturns)
{
    uint64_t bits = 0;
    carriageReturns = 0;
    for (unsigned i = 0; i < 64; i += 32) {
        const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(at + i));
        const __m256i cr = _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r'));
        carriageReturns |= uint64_t(uint32_t(_mm256_movemask_epi8(cr))) << i;
        bits |= uint64_t(uint32_t(
                    _mm256_movemask_epi8(_mm256_or_si256(cr, _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n'))))))
                << i;
    }
    return bits;
}

} // namespace

size_t listLinesAvx2(const char *base, size_t from, size_t end, bool atEnd, size_t keep, size_t most, size_t mostKept,
                     LineSpans &lines)
{
    return listLines<lineEndBits>(base, from, end, atEnd, keep, most, mostKept, lines);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
