#include "SampleRecords.h"

#include "LineReader.h"
#include "RecordSelection.h"

SampleRead readSampleRecords(const std::string &path, const LayoutModel &model, const SampleLimits &limits)
{
    const SelectionPlan selection(model);
    SampleRead read;
    LineReader reader(path);
    reader.setRecordLength(model.RecordLength);
    if (limits.stop) reader.keepReadingWhile([stop = limits.stop] { return !stop->load(); });
    reader.readAtMost(limits.bytes);
    std::string_view record;
    while (read.records.size() < limits.records && reader.next(record)) {
        if (reader.capped()) break; // a record cut off by the bound is none
        ++read.recordsRead;
        if (selection.selects(record)) read.records.push_back({read.recordsRead, std::string(record)});
    }
    read.bytesReached = reader.capped();
    return read;
}
