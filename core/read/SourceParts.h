#pragma once
// A regular file's records split into parts that conversions running side by side (on several
// cores or machines) take one each. Part I of N starts at the first record start at or past
// (I - 1) N-ths of the file's bytes, found as a read from the file's start finds them (see
// LineReader), and ends where part I + 1 starts: the parts' records, in order, are the file's.
// The first part holds at least the first record; another may hold none (a record longer than a
// share of the bytes).

#include <cstdint>
#include <string>

inline constexpr int MaxSourceParts = 1000;

struct SourcePart {
    int index = 1; // 1..count
    int count = 1;
    bool whole() const { return count == 1; }
    bool first() const { return index == 1; }
};

struct ByteRange {
    unsigned long long from = 0;
    unsigned long long to = 0;
};

// Throws CoreError (PartOfStream) unless `path` names a regular file: a stream cannot be split.
void checkSplittable(const std::string &path);

// The bytes of `part` of the regular file at `path`, cut into records of `recordLength` bytes
// (0: lines). With a record length, a record's start depends on every record before it (a line
// end after a record is skipped), so the bytes before the part are read once; by lines only those
// up to the line end past the share. Throws CoreError (PartOfStream, FileOpen, FileRead).
ByteRange sourcePartBytes(const std::string &path, int32_t recordLength, SourcePart part);
