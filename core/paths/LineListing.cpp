#include "paths/LineListing.h"

#include "paths/FastRouteKernels.h"
#include "paths/LineListingSteps.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

uint64_t plainLineEndBits(const char *at, uint64_t &carriageReturns)
{
    uint64_t bits = 0;
    carriageReturns = 0;
    for (unsigned i = 0; i < 64; ++i) {
        if (at[i] == '\r') carriageReturns |= uint64_t(1) << i;
        if (at[i] == '\r' || at[i] == '\n') bits |= uint64_t(1) << i;
    }
    return bits;
}

#if defined(__SSE2__)
uint64_t sse2LineEndBits(const char *at, uint64_t &carriageReturns)
{
    uint64_t bits = 0;
    carriageReturns = 0;
    for (unsigned i = 0; i < 64; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + i));
        const __m128i cr = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r'));
        carriageReturns |= uint64_t(unsigned(_mm_movemask_epi8(cr))) << i;
        bits |= uint64_t(unsigned(_mm_movemask_epi8(_mm_or_si128(cr, _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))))))
                << i;
    }
    return bits;
}
#endif

// A byte at a time: the twin the vector paths' finders are checked against.
const char *plainFindLineEnd(const char *from, const char *to)
{
    for (; from != to; ++from)
        if (*from == '\r' || *from == '\n') return from;
    return to;
}

} // namespace

LineEndFinder lineEndFinderFor(SimdPath path)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == SimdPath::Avx512) return findLineEndAvx512;
    if (path == SimdPath::Avx2) return findLineEndAvx2;
#endif
#if defined(__SSE2__)
    if (path != SimdPath::Plain) return findLineEnd<sse2LineEndBits>;
#endif
    return plainFindLineEnd;
}

LineLister lineListerFor(SimdPath path)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (path == SimdPath::Avx512) return listLinesAvx512;
    if (path == SimdPath::Avx2) return listLinesAvx2;
#endif
#if defined(__SSE2__)
    if (path != SimdPath::Plain) return listLines<sse2LineEndBits>;
#endif
    return listLines<plainLineEndBits>;
}
