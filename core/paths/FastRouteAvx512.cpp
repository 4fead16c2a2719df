// The fast route's kernels for AVX-512 (BW, VBMI, VBMI2) with BMI2: the record is one masked
// load; character starts become byte offsets by one compress and one permute; each column is one
// masked load and one store. Lines are listed by one compare of 64 bytes for each line's end.
#include "paths/FastRouteKernels.h"

#if defined(__x86_64__) && defined(__GNUC__)
// Only what follows is built for these instructions (GCC and clang spell it differently).
#if defined(__clang__)
#pragma clang attribute push(                                                                                          \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")
#endif
#include "paths/FastRouteSteps.h"
#include "paths/LineListingSteps.h"

namespace {

uint64_t bytesBetween(__m512i bytes, uint8_t low, uint8_t high)
{
    return _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8(char(low))),
                                  _mm512_set1_epi8(char(high - low)));
}

// The masks of a record of at most 64 bytes, as far as the shape needs them.
template <bool Padded> ByteMasks masksOf(const FastShape &shape, std::string_view record)
{
    ByteMasks masks{};
    masks.inRecord = _bzhi_u64(~uint64_t(0), unsigned(record.size()));
    const __m512i bytes =
        Padded ? _mm512_loadu_si512(record.data()) : _mm512_maskz_loadu_epi8(masks.inRecord, record.data());
    masks.lead = (bytesBetween(bytes, 0x81, 0x9F) | bytesBetween(bytes, 0xE0, 0xFC)) & masks.inRecord;
    masks.trail =
        bytesBetween(bytes, 0x40, 0xFC) & ~_mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(0x7F)) & masks.inRecord;
    if (shape.checked || shape.quote)
        masks.lineEnds = (_mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\r')) |
                          _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n'))) &
                         masks.inRecord;
    if (shape.checked) masks.userDefined = bytesBetween(bytes, 0xF0, 0xF9) & masks.inRecord;
    if (shape.utf8Cells) masks.high = _mm512_movepi8_mask(bytes) & masks.inRecord;
    if (shape.quote) {
        masks.quotes = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('"')) & masks.inRecord;
        masks.quoteMarks = (_mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(shape.delimiter)) & masks.inRecord) |
                           masks.quotes | masks.lineEnds;
    }
    return masks;
}

// Each column's start and length in the record, in output order, and what calls for quotes.
template <bool Padded> void locateColumns(const FastShape &shape, std::string_view record, size_t recordBytes,
                                          LocatedColumns &located, Warnings &warnings)
{
    const size_t size = record.size();
    const ByteMasks masks = masksOf<Padded>(shape, record);
    const uint64_t starts = characterStarts(masks);
    located.starts = starts;
    located.masks = masks;
    warnings = shape.checked ? shapeWarnings(shape, masks, starts, recordBytes) : 0;
    located.fixed = Padded && shape.fixedLength > 0 && size >= shape.fixedFrom;
    if (located.fixed) return;
    const __m512i boundaries = _mm512_load_si512(shape.boundaries);
    const __m512i sizes = _mm512_set1_epi8(char(size));
    __m512i offsets;
    if (shape.characters) {
        // Lane k: where the k-th character starts, or the record's size past its last one; a
        // boundary of 64 takes the size from the second table.
        const __m512i byteIndices =
            _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45, 44, 43, 42, 41,
                            40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18,
                            17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
        const __m512i startOffsets = _mm512_mask_compress_epi8(sizes, starts, byteIndices);
        offsets = _mm512_permutex2var_epi8(startOffsets, boundaries, sizes);
    } else {
        offsets = _mm512_min_epu8(boundaries, sizes);
    }
    // (The zero-masking forms: GCC 12 takes the plain ones' pass-through operand for unset.)
    const __m512i begins = _mm512_maskz_permutexvar_epi8(~__mmask64(0), _mm512_load_si512(shape.columnFirst), offsets);
    const __m512i ends = _mm512_maskz_permutexvar_epi8(~__mmask64(0), _mm512_load_si512(shape.columnLast), offsets);
    _mm512_store_si512(located.begins, begins);
    _mm512_store_si512(located.lengths, _mm512_sub_epi8(ends, begins));
}

// One load and one store; most pieces are short, and the narrower move is the cheaper one.
template <bool Padded> void copyColumn(char *to, const char *from, size_t length)
{
    const __mmask64 taken = Padded ? ~__mmask64(0) : _bzhi_u64(~uint64_t(0), unsigned(length));
    if (length <= 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to), _mm256_maskz_loadu_epi8(__mmask32(taken), from));
    else _mm512_storeu_si512(to, _mm512_maskz_loadu_epi8(taken, from));
}

// The line of a record whose columns lie at the shape's fixed places: its bytes picked, 64 at a
// time.
char *writeFixedLine(const FastShape &shape, const char *record, char *to)
{
    const __m512i bytes = _mm512_loadu_si512(record), delimiters = _mm512_set1_epi8(shape.delimiter);
    _mm512_storeu_si512(to, _mm512_permutex2var_epi8(bytes, _mm512_load_si512(shape.fixedLine), delimiters));
    if (shape.fixedLength > 64)
        _mm512_storeu_si512(to + 64,
                            _mm512_permutex2var_epi8(bytes, _mm512_load_si512(shape.fixedLine + 64), delimiters));
    return to + shape.fixedLength;
}

} // namespace

bool avx512Record(const FastShape &shape, std::string_view record, size_t recordBytes, FastScratch &scratch,
                  std::string &out, Warnings &warnings, size_t &undecodable)
{
    return appendRecord<masksOf<false>, locateColumns<false>, copyColumn<false>>(shape, record, recordBytes, scratch,
                                                                                 out, warnings, undecodable);
}

Warnings avx512Check(const FastShape &shape, std::string_view record, size_t recordBytes)
{
    return checkShape<masksOf<false>>(shape, record, recordBytes);
}

void charOffsetsAvx512(std::string_view text, const long long *indices, size_t count, size_t *offsets)
{
    charOffsetsInBlocks<masksOf<false>>(text, indices, count, offsets);
}

void avx512Lines(const FastShape &shape, const LineSpans &lines, FastScratch &scratch, std::string &out, size_t *ends,
                 Warnings *warnings, size_t *undecodable)
{
    appendLines<masksOf<true>, locateColumns<true>, copyColumn<true>, writeFixedLine>(shape, lines, scratch, out, ends,
                                                                                      warnings, undecodable);
}

// The line ends of 64 bytes at a time, for the line listing.
namespace {

uint64_t lineEndBits(const char *at, uint64_t &carriageReturns)
{
    const __m512i bytes = _mm512_loadu_si512(at);
    carriageReturns = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\r'));
    return carriageReturns | _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('\n'));
}

} // namespace

size_t listLinesAvx512(const char *base, size_t from, size_t end, bool atEnd, size_t keep, size_t most, size_t mostKept,
                       LineSpans &lines)
{
    return listLines<lineEndBits>(base, from, end, atEnd, keep, most, mostKept, lines);
}

const char *findLineEndAvx512(const char *from, const char *to) { return findLineEnd<lineEndBits>(from, to); }

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
