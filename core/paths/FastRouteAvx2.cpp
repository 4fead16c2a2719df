// The fast route's kernels for AVX2 with BMI2: the record is classified 32 bytes at a time; the
// boundaries' characters are found by one bit deposit onto the character starts and each column's
// ends picked by a shuffle; a line of fixed places is shuffled from the record's lanes of 16
// bytes. Lines are listed by two compares of 32 bytes for each line's end.
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

// Where bytes lie in low..high: moved so that low is the least signed byte, one compare.
inline __m256i bytesBetween(__m256i bytes, uint8_t low, uint8_t high)
{
    const __m256i moved = _mm256_add_epi8(bytes, _mm256_set1_epi8(char(0x80 - low)));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(char(high - low - 0x7F)), moved);
}
// 0x81..0x9F and 0xE0..0xFC become 0xA1..0xDC by flipping bit 5, and nothing else does.
inline __m256i leadBytes(__m256i bytes)
{
    return bytesBetween(_mm256_xor_si256(bytes, _mm256_set1_epi8(0x20)), 0xA1, 0xDC);
}
inline __m256i trailBytes(__m256i bytes)
{
    return _mm256_andnot_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(0x7F)), bytesBetween(bytes, 0x40, 0xFC));
}
inline __m256i lineEndBytes(__m256i bytes)
{
    return _mm256_or_si256(_mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\r')),
                           _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8('\n')));
}

// The 64 bits of a test of a record's two halves.
inline uint64_t bitsOf(__m256i low, __m256i high)
{
    return uint32_t(_mm256_movemask_epi8(low)) | uint64_t(uint32_t(_mm256_movemask_epi8(high))) << 32;
}

// The masks of a record of at most 64 bytes, as far as the shape needs them. Padded, or 64 bytes
// long: its 64 bytes are read in place; else from a copy with zeros after it. The masks are made in
// registers: a mask or-ed into memory half by half would be read back before its store could be
// forwarded.
template <bool Padded> [[gnu::always_inline]] inline ByteMasks masksOf(const FastShape &shape, std::string_view record)
{
    const char *bytes = record.data();
    alignas(64) char block[Padded ? 1 : FastShape::MaxBytes];
    if constexpr (!Padded) {
        if (record.size() < FastShape::MaxBytes) {
            std::memset(block, 0, sizeof block);
            std::memcpy(block, record.data(), record.size());
            bytes = block;
        }
    }
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(bytes + 32));
    ByteMasks masks{};
    const uint64_t inRecord = masks.inRecord = _bzhi_u64(~uint64_t(0), unsigned(record.size()));
    masks.lead = bitsOf(leadBytes(low), leadBytes(high)) & inRecord;
    masks.trail = bitsOf(trailBytes(low), trailBytes(high)) & inRecord;
    if (shape.utf8Cells) masks.high = bitsOf(low, high) & inRecord;
    // A line holds no line end: only records taken by length are checked for one.
    if ((shape.checked && shape.byLength) || shape.quote)
        masks.lineEnds = bitsOf(lineEndBytes(low), lineEndBytes(high)) & inRecord;
    if (shape.checked)
        masks.userDefined = bitsOf(bytesBetween(low, 0xF0, 0xF9), bytesBetween(high, 0xF0, 0xF9)) & inRecord;
    if (shape.quote) {
        const __m256i quote = _mm256_set1_epi8('"'), delimiter = _mm256_set1_epi8(shape.delimiter);
        masks.quotes = bitsOf(_mm256_cmpeq_epi8(low, quote), _mm256_cmpeq_epi8(high, quote)) & inRecord;
        masks.quoteMarks = masks.quotes | masks.lineEnds |
                           (bitsOf(_mm256_cmpeq_epi8(low, delimiter), _mm256_cmpeq_epi8(high, delimiter)) & inRecord);
    }
    return masks;
}

// The bytes where boundaries `first` to `first` + 15 lie in a record of `size` bytes, the record's
// end past it. By characters, `marked` holds the boundaries' characters deposited onto the
// character starts, those before `first` taken off: they ascend, each once, so one deposit marks
// them all, none past the last character nor for a boundary of 64; their bytes then come a bit at
// a time.
inline __m128i boundaryOffsets(const FastShape &shape, uint64_t &marked, size_t first, size_t size)
{
    const __m128i sizes = _mm_set1_epi8(char(size));
    if (!shape.characters)
        return _mm_min_epu8(_mm_load_si128(reinterpret_cast<const __m128i *>(shape.boundaries + first)), sizes);
    // Eight at a time, a byte each (64 where none is marked, cut to the size below).
    const auto nextEight = [&marked] {
        uint64_t bytes = 0;
        for (unsigned i = 0; i < 8; ++i, marked = _blsr_u64(marked)) bytes |= _tzcnt_u64(marked) << (8 * i);
        return bytes;
    };
    const uint64_t low = nextEight(), high = shape.boundaryCount > first + 8 ? nextEight() : 0;
    return _mm_min_epu8(_mm_set_epi64x(int64_t(high), int64_t(low)), sizes);
}

// Each column's start and length in the record, in output order, and what calls for quotes.
// Inlined into the loop over lines, which keeps the masks' constants in registers.
template <bool Padded> [[gnu::always_inline]] inline void locateColumns(const FastShape &shape, std::string_view record,
                                                                        size_t recordBytes, LocatedColumns &located,
                                                                        Warnings &warnings)
{
    const size_t size = record.size();
    // Made in place: a copy of the masks would be read in halves before its stores could be forwarded.
    located.masks = masksOf<Padded>(shape, record);
    const ByteMasks &masks = located.masks;
    const uint64_t starts = characterStarts(masks);
    located.starts = starts;
    warnings = shape.checked ? shapeWarnings(shape, masks, starts, recordBytes) : 0;
    located.fixed = Padded && shape.fixedLength > 0 && size >= shape.fixedFrom;
    if (located.fixed) return;
    uint64_t marked = shape.characters ? _pdep_u64(shape.boundaryCharacters, starts) : 0;
    if (shape.boundaryCount <= 16 && shape.columnCount <= 16) { // each column's boundaries picked by a shuffle
        const __m128i offsets = boundaryOffsets(shape, marked, 0, size);
        const __m128i begins =
            _mm_shuffle_epi8(offsets, _mm_load_si128(reinterpret_cast<const __m128i *>(shape.columnFirst)));
        const __m128i ends =
            _mm_shuffle_epi8(offsets, _mm_load_si128(reinterpret_cast<const __m128i *>(shape.columnLast)));
        _mm_store_si128(reinterpret_cast<__m128i *>(located.begins), begins);
        _mm_store_si128(reinterpret_cast<__m128i *>(located.lengths), _mm_sub_epi8(ends, begins));
        return;
    }
    alignas(16) uint8_t offsets[FastShape::MaxBytes];
    for (size_t first = 0; first < shape.boundaryCount; first += 16)
        _mm_store_si128(reinterpret_cast<__m128i *>(offsets + first), boundaryOffsets(shape, marked, first, size));
    for (size_t i = 0; i < shape.columnCount; ++i) {
        located.begins[i] = offsets[shape.columnFirst[i]];
        located.lengths[i] = uint8_t(offsets[shape.columnLast[i]] - located.begins[i]);
    }
}

// Padded: one move of 32 bytes, a second for a longer piece (most are short); else the piece's
// own bytes.
template <bool Padded> void copyColumn(char *to, const char *from, size_t length)
{
    if (!Padded) return (void)std::memcpy(to, from, length);
    _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from)));
    if (length > 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + 32),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + 32)));
}

// The line of a record whose columns lie at the shape's fixed places: 32 bytes at a time, each
// picked from the record's four lanes of 16 bytes.
char *writeFixedLine(const FastShape &shape, const char *record, char *to)
{
    __m256i lanes[4];
    for (size_t lane = 0; lane < 4; ++lane)
        lanes[lane] =
            _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i *>(record + 16 * lane)));
    for (size_t at = 0; at < shape.fixedLength; at += 32) {
        __m256i line = _mm256_load_si256(reinterpret_cast<const __m256i *>(shape.fixedDelimiters + at));
        for (size_t lane = 0; lane < 4; ++lane)
            line = _mm256_or_si256(line,
                                   _mm256_shuffle_epi8(lanes[lane], _mm256_load_si256(reinterpret_cast<const __m256i *>(
                                                                        shape.fixedLanePicks[at / 32][lane]))));
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + at), line);
    }
    return to + shape.fixedLength;
}

} // namespace

bool avx2Record(const FastShape &shape, std::string_view record, size_t recordBytes, FastScratch &scratch,
                std::string &out, Warnings &warnings, size_t &undecodable)
{
    return appendRecord<masksOf<false>, locateColumns<false>, copyColumn<false>>(shape, record, recordBytes, scratch,
                                                                                 out, warnings, undecodable);
}

Warnings avx2Check(const FastShape &shape, std::string_view record, size_t recordBytes)
{
    return checkShape<masksOf<false>>(shape, record, recordBytes);
}

void charOffsetsAvx2(std::string_view text, const long long *indices, size_t count, size_t *offsets)
{
    charOffsetsInBlocks<masksOf<false>>(text, indices, count, offsets);
}

void avx2Lines(const FastShape &shape, const LineSpans &lines, FastScratch &scratch, std::string &out, size_t *ends,
               Warnings *warnings, size_t *undecodable)
{
    appendLines<masksOf<true>, locateColumns<true>, copyColumn<true>, writeFixedLine>(shape, lines, scratch, out, ends,
                                                                                      warnings, undecodable);
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

const char *findLineEndAvx2(const char *from, const char *to) { return findLineEnd<lineEndBits>(from, to); }

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
