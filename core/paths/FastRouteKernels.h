#pragma once
// The fast route's kernels and line listings, one for each vector path that has them (x86-64 only).

#include "compose/OutputFormat.h"
#include "paths/FastRoute.h"
#include "paths/LineListing.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#if defined(__x86_64__) && defined(__GNUC__)
bool avx512Record(const FastShape &shape, std::string_view record, size_t recordBytes, FastScratch &scratch,
                  std::string &out, Warnings &warnings, size_t &undecodable);
void avx512Lines(const FastShape &shape, const LineSpans &lines, FastScratch &scratch, std::string &out, size_t *ends,
                 Warnings *warnings, size_t *undecodable);
Warnings avx512Check(const FastShape &shape, std::string_view record, size_t recordBytes);
bool avx2Record(const FastShape &shape, std::string_view record, size_t recordBytes, FastScratch &scratch,
                std::string &out, Warnings &warnings, size_t &undecodable);
void avx2Lines(const FastShape &shape, const LineSpans &lines, FastScratch &scratch, std::string &out, size_t *ends,
               Warnings *warnings, size_t *undecodable);
Warnings avx2Check(const FastShape &shape, std::string_view record, size_t recordBytes);
void charOffsetsAvx512(std::string_view text, const long long *indices, size_t count, size_t *offsets);
void charOffsetsAvx2(std::string_view text, const long long *indices, size_t count, size_t *offsets);
size_t listLinesAvx512(const char *base, size_t from, size_t end, bool atEnd, size_t keep, size_t most, size_t mostKept,
                       LineSpans &lines);
size_t listLinesAvx2(const char *base, size_t from, size_t end, bool atEnd, size_t keep, size_t most, size_t mostKept,
                     LineSpans &lines);
const char *findLineEndAvx512(const char *from, const char *to);
const char *findLineEndAvx2(const char *from, const char *to);
#endif
