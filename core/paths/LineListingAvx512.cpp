// Line listing for AVX-512 (BW): one compare of 64 bytes for each line's end.
#include "paths/LineListing.h"

#include <bit>
#include <cstdint>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,bmi,bmi2,popcnt"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,bmi,bmi2,popcnt")
#endif
#include "paths/LineListingSteps.h"

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

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
