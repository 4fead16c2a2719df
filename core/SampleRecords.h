#pragma once
// The first records of a source, read as the conversion reads them, for previews.

#include "mdlGlobal.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleRecord {
    int32_t number = 0; // in the file, from 1
    std::string bytes;
};

// At most `limit` records from the start of the file at `path`. Throws CoreError when the file
// cannot be read.
std::vector<SampleRecord> readSampleRecords(const std::string &path, const LayoutModel &model, size_t limit);
