#pragma once
// The first records of a source, read as the conversion reads them (cut by the layout's record
// length, only those its selection takes), for previews. A preview must never hang on its
// source: the read is bounded in bytes and can be stopped from another thread.

#include "layout/mdlGlobal.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct SampleRecord {
    int32_t number = 0; // in the file, from 1
    std::string bytes;
    size_t length = 0; // the whole record's, in bytes: `bytes` may hold less of a long line
};

struct SampleLimits {
    size_t records = 1;                      // at most this many selected records
    unsigned long long bytes = 64ull << 20;  // read no further than this many bytes
    const std::atomic<bool> *stop = nullptr; // a read stops (CoreError ReadStopped) once it is true
};

struct SampleRead {
    std::vector<SampleRecord> records;
    int32_t recordsRead = 0;   // for them (all of the file's when fewer were found)
    bool bytesReached = false; // the search ended at limits.bytes, not at the end of the file
};

// The selected records from the start of the file at `path`, each kept as far as a field can
// reach (256 KiB). A first line longer than limits.bytes is a record of what was read of it.
// Throws CoreError when the file cannot be read, the read was stopped, or the selection's field
// cannot be cut.
SampleRead readSampleRecords(const std::string &path, const LayoutModel &model, const SampleLimits &limits);

// Record `number` (from 1) of the file at `path`, read again as the conversion cuts it (its
// first bytes when long); nothing when the file is not a regular one, which cannot be read
// twice, or has fewer records. Throws CoreError when the file cannot be read.
std::optional<std::string> readRecordAgain(const std::string &path, int32_t recordLength, int32_t number);

// Whether both layouts take the same records from a source: the record length, the selection,
// and the widths that cut the selection's field.
bool readsSameRecords(const LayoutModel &a, const LayoutModel &b);
