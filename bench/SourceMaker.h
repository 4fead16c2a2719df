#pragma once
// Deterministic CP932 sources for the benchmark. Records mix ASCII, half-width kana and kanji
// of JIS level 1 (pairs that convert to Unicode and back unchanged) and end in CR LF.

#include "layout/mdlGlobal.h"

#include <cstdint>
#include <string>
#include <vector>

struct SourceShape {
    std::vector<int> widths; // of each field, in the unit below
    WidthUnit unit = WidthUnit::Characters;
    long long records = 0;
    uint64_t seed = 0;
};

// Writes the source and returns its size in bytes. In bytes, each field is filled to its exact
// width (a kanji only where two bytes are left), as byte layouts of host exports are.
unsigned long long writeSource(const std::string &path, const SourceShape &shape);
