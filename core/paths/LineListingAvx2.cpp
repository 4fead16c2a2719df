// Line listing for AVX2: two compares of 32 bytes for each line's end.
#include "paths/LineListing.h"

#include <bit>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,bmi,bmi2,popcnt")
#endif
#include "paths/LineListingSteps.h"

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
