#include "WorkbookCase.h"

#include "MemoryCase.h"
#include "Shell.h"
#include "TimedRounds.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr double MemoryGoal = 1.5; // the peak of the whole source: at most this many times a fifth's
constexpr int Fifth = 5;

std::string commaSeparated(const std::vector<int> &numbers)
{
    std::string text;
    for (const int number : numbers) text += (text.empty() ? "" : ",") + std::to_string(number);
    return text;
}

// The peer needs Debian's interpreter, where python3-xlsxwriter is installed.
bool peerAvailable() { return std::system(KENARIS_DEBIAN_PYTHON " -c 'import xlsxwriter' 2>/dev/null") == 0; }

} // namespace

void runWorkbookCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals)
{
    const std::string sourcePath = sourcePathIn(folder, benchCase);
    const std::string stem = folder + "/" + benchCase.fileStem + ".workbook.";
    std::printf("\n== workbook (.xlsx), %s: %lld records, against the CSV run and Python's xlsxwriter\n",
                benchCase.title.c_str(), benchCase.source.records);
    std::vector<Contender> contenders{
        {"CSV", stem + "csv", [&] { convertEveryRecord(benchCase, sourcePath, stem + "csv"); }},
        {"workbook", stem + "xlsx", [&] { convertEveryRecord(benchCase, sourcePath, stem + "xlsx"); }},
    };
    const bool peer = peerAvailable();
    if (peer)
        contenders.push_back({"python3 xlsxwriter (constant_memory)", stem + "peer.xlsx", [&] {
                                  runShell(KENARIS_DEBIAN_PYTHON " " + shellWord(KENARIS_WORKBOOK_PEER) + " " +
                                           commaSeparated(benchCase.source.widths) + " " +
                                           commaSeparated(benchCase.outputOrder) + " " + shellWord(sourcePath) + " " +
                                           shellWord(stem + "peer.xlsx"));
                              }});
    else std::printf("  NOTE: no comparison: python3-xlsxwriter is not installed\n");
    timeInRounds(contenders, runs);
    const double csv = contenders.front().best.seconds;
    for (const Contender &contender : contenders)
        std::printf("  %-40s %9.3f s %9.2fx CSV\n", contender.label.c_str(), contender.best.seconds,
                    contender.best.seconds / csv);
    if (peer) {
        const double ratio = contenders[1].best.seconds / contenders[2].best.seconds;
        goals.push_back(
            {"workbook: time vs python3 xlsxwriter", formatted("%.2fx the peer", ratio), "< 1x the peer", ratio < 1});
    }
    for (const Contender &contender : contenders) std::filesystem::remove(contender.output);

    // The peak of a fifth of the records, then of all of them.
    BenchCase fifth = benchCase;
    fifth.source.records /= Fifth;
    const std::string fifthSource = folder + "/" + benchCase.fileStem + ".workbook-fifth.src";
    writeSource(fifthSource, fifth.source);
    const ChildConversion convert = [](const BenchCase &converted, const std::string &source,
                                       const std::string &output) { convertEveryRecord(converted, source, output); };
    const ChildFigures small = convertInChild("the workbook", convert, fifth, fifthSource, stem + "fifth.xlsx");
    std::filesystem::remove(fifthSource);
    const ChildFigures whole = convertInChild("the workbook", convert, benchCase, sourcePath, stem + "whole.xlsx");
    std::printf("  peak memory: %lld records %7.1f MiB, %lld records %7.1f MiB\n", fifth.source.records,
                double(small.peakResidentKiB) / 1024, benchCase.source.records, double(whole.peakResidentKiB) / 1024);
    const double growth = double(whole.peakResidentKiB) / double(small.peakResidentKiB);
    goals.push_back({"workbook: peak memory, all records vs a fifth", formatted("%.2fx", growth),
                     formatted("<= %.1fx", MemoryGoal), growth <= MemoryGoal});
}
