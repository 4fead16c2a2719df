#include "SampleRecords.h"

#include "LineReader.h"
#include "RecordSelection.h"

std::vector<SampleRecord> readSampleRecords(const std::string &path, const LayoutModel &model, size_t limit,
                                            int32_t *recordsRead)
{
    const SelectionPlan selection(model);
    std::vector<SampleRecord> records;
    LineReader reader(path);
    reader.setRecordLength(model.RecordLength);
    std::string_view record;
    int32_t number = 0;
    while (records.size() < limit && reader.next(record)) {
        ++number;
        if (selection.selects(record)) records.push_back({number, std::string(record)});
    }
    if (recordsRead) *recordsRead = number;
    return records;
}

bool readsSameRecords(const LayoutModel &a, const LayoutModel &b)
{
    if (a.RecordLength != b.RecordLength || a.Selection != b.Selection) return false;
    return !a.Selection || (a.Unit == b.Unit && a.FieldTable == b.FieldTable);
}
