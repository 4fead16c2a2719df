#include "paths/CharOffsets.h"

#include "cp932/Cp932.h"
#include "paths/FastRouteKernels.h"

CharOffsetsFinder charOffsetsFor(SimdPath path)
{
#if defined(__x86_64__) && defined(__GNUC__)
    if (path > simdPath()) path = simdPath();
    if (path == SimdPath::Avx512) return charOffsetsAvx512;
    if (path == SimdPath::Avx2) return charOffsetsAvx2;
#endif
    return cp932::charOffsets;
}
