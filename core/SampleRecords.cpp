#include "SampleRecords.h"

#include "LineReader.h"

std::vector<SampleRecord> readSampleRecords(const std::string &path, const LayoutModel &, size_t limit)
{
    std::vector<SampleRecord> records;
    LineReader reader(path);
    std::string_view record;
    for (int32_t number = 1; records.size() < limit && reader.next(record); ++number)
        records.push_back({number, std::string(record)});
    return records;
}
