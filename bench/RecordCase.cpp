#include "RecordCase.h"

#include "BankFile.h"
#include "Conversion.h"
#include "FileBytes.h"
#include "MemoryCase.h"
#include "TimedRounds.h"

#include <cstdio>
#include <stdexcept>

namespace {

constexpr int GroupSize = 1000; // a header, 997 data records, a trailer and an end record

void writeBankSource(const std::string &path, long long records, bool lineEnds)
{
    FileSink sink(path);
    for (long long index = 0; index < records; ++index) {
        const int place = int(index % GroupSize);
        if (place == 0) sink.write(bank::headerRecord());
        else if (place == GroupSize - 2) sink.write(bank::trailerRecord(GroupSize - 3));
        else if (place == GroupSize - 1) sink.write(bank::endRecord());
        else sink.write(bank::dataRecord(place - 1));
        if (lineEnds) sink.write("\r\n");
    }
    sink.close();
}

// The bank fields in bytes, converting `outputs` of the records whose type is `type`.
LayoutModel bankLayout(const std::string &outputPath, const char *type, std::vector<int16_t> outputs, bool recordMode)
{
    LayoutModel model;
    int number = 1;
    for (const char *width : {"1", "4", "15", "3", "15", "4", "1", "7", "30", "10", "30"})
        model.FieldTable.push_back({width, std::string("f").append(std::to_string(number++))});
    model.FieldTable.push_back({});
    model.FieldCount = int16_t(model.FieldTable.size() - 1);
    model.OutputLayout.emplace(1, OutputItem{0});
    for (const int16_t field : outputs) model.OutputLayout->push_back({field});
    model.Unit = WidthUnit::Bytes;
    model.RecordLength = recordMode ? int16_t(bank::RecordLength) : 0;
    if (type) model.Selection = RecordSelection{1, type};
    model.OutputPath = outputPath;
    return model;
}

std::vector<LayoutModel> headerDataTrailer(const std::string &stem)
{
    return {bankLayout(stem + ".header", "1", {1, 3}, true), bankLayout(stem + ".data", "2", {2, 9, 10}, true),
            bankLayout(stem + ".trailer", "8", {1, 2}, true)};
}

double timed(const std::vector<LayoutModel> &layouts, const std::string &source)
{
    const double cpuBefore = ownCpuSeconds();
    convertInOnePass(layouts, source);
    return ownCpuSeconds() - cpuBefore;
}

} // namespace

void runRecordCase(long long records, const std::string &folder, int runs, int growth, std::vector<GoalLine> &goals)
{
    const std::string stem = folder + "/bank";
    const std::string packed = stem + "-records.src", lines = stem + "-lines.src";
    writeBankSource(packed, records, false);
    writeBankSource(lines, records, true);
    const unsigned long long bytes = fileSize(packed);
    std::printf("\n== bank records: %lld records of 120 bytes, 1 header, 997 data, 1 trailer, 1 end in 1000; "
                "%.1f MB without line ends, %.1f MB with CR LF\n",
                records, double(bytes) / 1e6, double(fileSize(lines)) / 1e6);
    std::fflush(stdout);

    const LayoutModel dataByRecords = bankLayout(stem + ".records-data", "2", {2, 9, 10}, true);
    const LayoutModel dataByLines = bankLayout(stem + ".lines-data", "2", {2, 9, 10}, false);
    const LayoutModel everyLine = bankLayout(stem + ".lines-all", nullptr, {2, 9, 10}, false);
    const std::vector<LayoutModel> onePass = headerDataTrailer(stem + ".pass");
    const std::vector<LayoutModel> separate = headerDataTrailer(stem + ".runs");
    std::vector<Contender> contenders{
        {"record length 120, data selected", dataByRecords.OutputPath, [&] { return timed({dataByRecords}, packed); }},
        {"lines (CR LF), data selected", dataByLines.OutputPath, [&] { return timed({dataByLines}, lines); }},
        {"lines (CR LF), every record", everyLine.OutputPath, [&] { return timed({everyLine}, lines); }},
        {"one pass: header, data, trailer", onePass[1].OutputPath, [&] { return timed(onePass, packed); }},
        {"three runs: header, data, trailer", separate[1].OutputPath, [&] {
             double cpu = 0;
             for (const LayoutModel &layout : separate) cpu += timed({layout}, packed);
             return cpu;
         }}};
    timeInRounds(contenders, runs);
    std::printf("  %-40s %11s %14s %11s\n", "", "wall", "", "processor");
    for (const Contender &contender : contenders) printRow(contender, bytes);

    const long long difference = firstDifference(dataByRecords.OutputPath, dataByLines.OutputPath);
    const long long passDifference = firstDifference(onePass[1].OutputPath, dataByRecords.OutputPath);
    if (difference >= 0 || passDifference >= 0)
        throw std::runtime_error("bank records: the data records converted by record length differ from those "
                                 "converted by lines or in one pass");
    std::printf("  data output identical in record mode, line mode and one pass: yes (%llu bytes)\n",
                fileSize(dataByRecords.OutputPath));
    for (const LayoutModel &layout : {dataByRecords, dataByLines, everyLine}) removeFile(layout.OutputPath);
    for (const std::vector<LayoutModel> *set : {&onePass, &separate})
        for (const LayoutModel &layout : *set) removeFile(layout.OutputPath);
    removeFile(lines);

    const double recordsVsLines = contenders[0].best / contenders[1].best;
    goals.push_back({"bank: record mode vs lines, data selected", formatted("%.2fx lines' time", recordsVsLines),
                     "<= 1.00x", recordsVsLines <= 1.0});
    const double passVsRuns = contenders[3].best / contenders[4].best;
    goals.push_back({"bank: 3 layouts in one pass vs 3 runs", formatted("%.2fx the runs' time", passVsRuns), "< 1.00x",
                     passVsRuns < 1.0});

    BenchCase memoryCase{"bank records, data selected", "bank", {}, {}};
    memoryCase.source.records = records;
    const char *what = "the record-length conversion";
    const MemoryFigures memory = runMemoryCase(
        memoryCase, packed, folder, growth, what,
        [](const BenchCase &grown, const std::string &source, const std::string &output) {
            const TargetCounts counts = convertInOnePass({bankLayout(output, "2", {2, 9, 10}, true)}, source).front();
            return counts.converted + counts.notSelected == grown.source.records;
        });
    goals.push_back(memoryGoal(memory, what));
    removeFile(packed);
}
