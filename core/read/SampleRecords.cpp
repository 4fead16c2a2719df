#include "read/SampleRecords.h"

#include "read/LineReader.h"
#include "compose/RecordSelection.h"

#include <sys/stat.h>

namespace {
constexpr size_t KeptBytes = 1 << 16; // more than a window shows of a record
// What a preview keeps of a record: a record read by length is never longer.
constexpr size_t SampleKeptBytes = MaxRecordLength;
} // namespace

SampleRead readSampleRecords(const std::string &path, const LayoutModel &model, const SampleLimits &limits)
{
    const SelectionPlan selection(model);
    SampleRead read;
    LineReader reader(path);
    reader.setRecordLength(model.RecordLength);
    if (limits.stop) reader.keepReadingWhile([stop = limits.stop] { return !stop->load(); });
    reader.readAtMost(limits.bytes);
    reader.keepAtMost(SampleKeptBytes);
    std::string_view record;
    while (read.records.size() < limits.records && reader.next(record)) {
        // A record cut off by the bound is none, unless it is the first: a line of that length.
        if (reader.capped() && read.recordsRead > 0) break;
        ++read.recordsRead;
        if (selection.selects(record))
            read.records.push_back({read.recordsRead, std::string(record), reader.lastLineBytes()});
    }
    read.bytesReached = reader.capped();
    return read;
}

std::optional<std::string> readRecordAgain(const std::string &path, int32_t recordLength, int32_t number)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    LineReader reader(path);
    reader.setRecordLength(recordLength);
    reader.keepAtMost(KeptBytes);
    std::string_view record;
    for (int32_t read = 0; read < number; ++read)
        if (!reader.next(record)) return std::nullopt;
    return std::string(record);
}

bool readsSameRecords(const LayoutModel &a, const LayoutModel &b)
{
    if (a.RecordLength != b.RecordLength || a.Selection != b.Selection) return false;
    return !a.Selection || (a.Unit == b.Unit && a.FieldTable == b.FieldTable);
}
