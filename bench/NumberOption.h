#pragma once
// The benchmarks' numeric command-line values.

// The whole number `text` given to `option`; throws std::invalid_argument unless it is at least 1.
long long positiveNumber(const char *option, const char *text);

// Records the record loop can count: it counts in 32 bits.
inline constexpr long long MaxRecords = 2147483647;
