#include "RecordCase.h"

#include "BankFile.h"
#include "BenchCase.h"
#include "MemoryCase.h"
#include "Shell.h"
#include "TimedRounds.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

constexpr int GroupSize = 1000; // a header, 997 data records, a trailer and an end record

void writeBankSource(const std::string &path, long long records, bool lineEnds)
{
    std::ofstream sink(path, std::ios::binary);
    for (long long index = 0; index < records; ++index) {
        const int place = int(index % GroupSize);
        if (place == 0) sink << bank::headerRecord();
        else if (place == GroupSize - 2) sink << bank::trailerRecord(GroupSize - 3);
        else if (place == GroupSize - 1) sink << bank::endRecord();
        else sink << bank::dataRecord(place - 1);
        if (lineEnds) sink << "\r\n";
    }
    sink.close();
    if (!sink) throw std::runtime_error("cannot write " + path);
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
    model.RecordLength = recordMode ? bank::RecordLength : 0;
    if (type) model.Selection = RecordSelection{1, type};
    model.OutputPath = outputPath;
    return model;
}

std::vector<LayoutModel> headerDataTrailer(const std::string &stem)
{
    return {bankLayout(stem + ".header", "1", {1, 3}, true), bankLayout(stem + ".data", "2", {2, 9, 10}, true),
            bankLayout(stem + ".trailer", "8", {1, 2}, true)};
}

} // namespace

void runRecordCase(long long records, const std::string &folder, int runs, int growth, std::vector<GoalLine> &goals)
{
    const std::string stem = folder + "/bank";
    const std::string packed = stem + "-records.src", lines = stem + "-lines.src";
    writeBankSource(packed, records, false);
    writeBankSource(lines, records, true);
    const unsigned long long bytes = std::filesystem::file_size(packed);
    std::printf("\n== bank records: %lld records of 120 bytes, 1 header, 997 data, 1 trailer, 1 end in 1000; "
                "%.1f MB without line ends, %.1f MB with CR LF\n",
                records, double(bytes) / 1e6, double(std::filesystem::file_size(lines)) / 1e6);

    const LayoutModel dataByRecords = bankLayout(stem + ".records-data", "2", {2, 9, 10}, true);
    const LayoutModel dataByLines = bankLayout(stem + ".lines-data", "2", {2, 9, 10}, false);
    const LayoutModel everyLine = bankLayout(stem + ".lines-all", nullptr, {2, 9, 10}, false);
    const std::vector<LayoutModel> onePass = headerDataTrailer(stem + ".pass");
    const std::vector<LayoutModel> separate = headerDataTrailer(stem + ".runs");
    std::vector<Contender> contenders{
        {"record length 120, data selected", dataByRecords.OutputPath,
         [&] { convertInOnePass({dataByRecords}, packed); }},
        {"lines (CR LF), data selected", dataByLines.OutputPath, [&] { convertInOnePass({dataByLines}, lines); }},
        {"lines (CR LF), every record", everyLine.OutputPath, [&] { convertInOnePass({everyLine}, lines); }},
        {"one pass: header, data, trailer", onePass[1].OutputPath, [&] { convertInOnePass(onePass, packed); }},
        {"three runs: header, data, trailer", separate[1].OutputPath, [&] {
             for (const LayoutModel &layout : separate) convertInOnePass({layout}, packed);
         }}};
    timeInRounds(contenders, runs);
    printTable(contenders, bytes);

    const std::string byRecords = "bank records: the data records converted by record length";
    requireSameBytes(dataByRecords.OutputPath, dataByLines.OutputPath, byRecords);
    requireSameBytes(onePass[1].OutputPath, dataByRecords.OutputPath, byRecords);
    std::printf("  data output identical in record mode, line mode and one pass: yes (%ju bytes)\n",
                std::uintmax_t(std::filesystem::file_size(dataByRecords.OutputPath)));
    for (const LayoutModel &layout : {dataByRecords, dataByLines, everyLine})
        std::filesystem::remove(layout.OutputPath);
    for (const std::vector<LayoutModel> *set : {&onePass, &separate})
        for (const LayoutModel &layout : *set) std::filesystem::remove(layout.OutputPath);
    std::filesystem::remove(lines);

    const double recordsVsLines = contenders[0].best.seconds / contenders[1].best.seconds;
    goals.push_back({"bank: record mode vs lines, data selected", formatted("%.2fx lines' time", recordsVsLines),
                     "<= 1.00x", recordsVsLines <= 1.0});
    const double passVsRuns = contenders[3].best.seconds / contenders[4].best.seconds;
    goals.push_back({"bank: 3 layouts in one pass vs 3 runs", formatted("%.2fx the runs' time", passVsRuns), "< 1.00x",
                     passVsRuns < 1.0});

    BenchCase memoryCase{"bank records, data selected", "bank", {}, {}};
    memoryCase.source.records = records;
    const char *what = "the record-length conversion";
    goals.push_back(runMemoryCase(
        memoryCase, packed, folder, growth, what,
        [](const BenchCase &grown, const std::string &source, const std::string &output) {
            const TargetCounts counts = convertInOnePass({bankLayout(output, "2", {2, 9, 10}, true)}, source).front();
            if (counts.converted + counts.notSelected != grown.source.records)
                throw std::runtime_error("bank records: not every record was read");
        }));
    std::filesystem::remove(packed);
}
