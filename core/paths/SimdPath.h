#pragma once
// The vector instructions the fast paths may use, chosen once when the program starts from what
// the processor offers. KENARIS_SIMD=plain|sse2|avx2|avx512 asks for a path (never one the
// processor lacks), so that tests and benchmarks can take each on one machine; plain takes the
// portable loops, which serve every processor.

#include <string_view>

enum class SimdPath {
    Plain,
    Sse2,
    Avx2,
    Avx512
};

// The path taken, decided on the first call.
SimdPath simdPath();

// "plain", "sse2", "avx2" or "avx512".
std::string_view simdPathName(SimdPath path);

// Whether the SSE2 steps are taken (simdPath() at start-up, for the hot loops to test cheaply).
extern const bool useSse2;
