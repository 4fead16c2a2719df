#include "paths/SimdPath.h"

#include <cstdlib>

namespace {

constexpr std::string_view Names[] = {"plain", "sse2", "avx2", "avx512"};

SimdPath bestOffered()
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2"))
        return SimdPath::Avx512;
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2")) return SimdPath::Avx2;
    return SimdPath::Sse2; // every x86-64 processor has it
#else
    return SimdPath::Plain;
#endif
}

SimdPath chosen()
{
    const SimdPath offered = bestOffered();
    const char *asked = std::getenv("KENARIS_SIMD");
    if (!asked) return offered;
    for (size_t path = 0; path < std::size(Names); ++path)
        if (Names[path] == asked) return SimdPath(path) < offered ? SimdPath(path) : offered;
    return offered;
}

} // namespace

SimdPath simdPath()
{
    static const SimdPath path = chosen();
    return path;
}

std::string_view simdPathName(SimdPath path) { return Names[size_t(path)]; }

const bool useSse2 = simdPath() >= SimdPath::Sse2;
