#pragma once
// The first records of a source, read as the conversion reads them (cut by the layout's record
// length, only those its selection takes), for previews.

#include "mdlGlobal.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleRecord {
    int32_t number = 0; // in the file, from 1
    std::string bytes;
};

// At most `limit` selected records from the start of the file at `path`; `recordsRead`, when
// given, receives how many records were read for them (all of the file's when fewer were
// found). Throws CoreError when the file cannot be read or the selection's field cannot be cut.
std::vector<SampleRecord> readSampleRecords(const std::string &path, const LayoutModel &model, size_t limit,
                                            int32_t *recordsRead = nullptr);

// Whether both layouts take the same records from a source: the record length, the selection,
// and the widths that cut the selection's field.
bool readsSameRecords(const LayoutModel &a, const LayoutModel &b);
