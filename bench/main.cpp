// kenaris-bench: times the conversion core against gawk, cp and a plain copy through user space
// on generated CP932 sources, checks that its output is byte for byte the peer's, measures its
// peak memory, and times the output options against the plain run, checking each output against
// an independent pipeline, two parts side by side against one run, the typed fields against the
// untyped run, and workbook output against the lines and Python's xlsxwriter.

#include "BenchCase.h"
#include "BenchMain.h"
#include "BenchReport.h"
#include "FloorCase.h"
#include "LayoutTableCase.h"
#include "MemoryCase.h"
#include "OptionsCase.h"
#include "PartsCase.h"
#include "TypesCase.h"
#include "WorkbookCase.h"
#include "RecordCase.h"
#include "Shell.h"
#include "SpeedCase.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// At most this many times the plain copy through user space: character mode, then byte mode and
// wide records.
constexpr double CharacterUserCopyGoal = 1.5;
constexpr double UserCopyGoal = 1.3;
constexpr int SkippedExitCode = 77; // what CTest reads as a skipped test

struct Options {
    long long records = 1000000;
    long long wideRecords = 100000;
    long long bankRecords = 1000000;
    long long runs = 3;
    long long growth = 10;
    long long layoutFields = 5000;
    long long longLineMegabytes = 300;
    bool requirePeers = false;
};

const char Usage[] =
    "usage: kenaris-bench [--records N] [--wide-records N] [--bank-records N] [--runs N] [--growth N]\n"
    "                     [--long-line-mb N] [--require-peers]\n"
    "  --records N       records of the start-up layout and of the byte layout (default 1000000)\n"
    "  --wide-records N  records of 200 fields (default 100000)\n"
    "  --bank-records N  records of 120 bytes in the bank pattern (default 1000000)\n"
    "  --runs N          timed runs of each program; the best counts (default 3)\n"
    "  --growth N        the memory case converts the source and N copies of it (default 10)\n"
    "  --layout-fields N fields of the layout tables read (default 5000)\n"
    "  --long-line-mb N  the memory case also converts one line of N megabytes (default 300)\n"
    "  --require-peers   exit with 77 (skipped) when gawk or python3 is missing\n";

int runBenchmark(const Options &options, const std::string &folder)
{
    const int runs = int(options.runs), growth = int(options.growth);
    printHeader("kenaris-bench: the conversion core against gawk, cp and a plain copy through user space", runs,
                folder);
    std::vector<GoalLine> goals;
    const BenchCase startup = startupLayoutCase(options.records);
    runSpeedCase(startup, folder, runs, CharacterUserCopyGoal, goals);
    goals.push_back(runMemoryCase(startup, sourcePathIn(folder, startup), folder, growth, "the conversion",
                                  [](const BenchCase &benchCase, const std::string &source, const std::string &output) {
                                      convertEveryRecord(benchCase, source, output);
                                  }));
    goals.push_back(runLongLineCase(startupLayoutCase(2), folder,
                                    (unsigned long long)options.longLineMegabytes * 1000000,
                                    [](const BenchCase &benchCase, const std::string &source,
                                       const std::string &output) { convertEveryRecord(benchCase, source, output); }));
    runOptionsCase(startup, folder, runs, goals);
    runPartsCase(startup, folder, runs, goals);
    runTypesCase(startup, folder, runs, goals);
    runChecksCase(startup, folder, runs, goals);
    runWorkbookCase(startup, folder, runs, goals);
    const BenchCase wide = wideRecordCase(options.wideRecords);
    runSpeedCase(wide, folder, runs, UserCopyGoal, goals);
    const BenchCase bytes = byteLayoutCase(options.records);
    runSpeedCase(bytes, folder, runs, UserCopyGoal, goals);
    runFloorCase(startup, bytes, wide, folder, runs);
    runChecksCase(bytes, folder, runs, goals);
    runRecordCase(options.bankRecords, folder, runs, growth, goals);
    runLayoutTableCase(int(options.layoutFields), runs, goals);
    printGoals(goals);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    readOptions(argc, argv, Usage,
                {{"--records", &options.records, MaxRecords},
                 {"--wide-records", &options.wideRecords, MaxRecords},
                 {"--bank-records", &options.bankRecords, MaxRecords},
                 {"--runs", &options.runs, 100},
                 {"--growth", &options.growth, 1000},
                 {"--layout-fields", &options.layoutFields, 5000},
                 {"--long-line-mb", &options.longLineMegabytes, 100000}},
                {{"--require-peers", &options.requirePeers}});
    if (std::max(options.records, options.bankRecords) > MaxRecords / options.growth)
        failUsage(Usage, "the memory case would convert more than 2147483647 records");
    if (options.requirePeers && !(onPath("gawk") && onPath("python3"))) {
        std::printf(
            "kenaris-bench: gawk or python3 is missing; nothing compared (Debian: apt-get install gawk python3)\n");
        return SkippedExitCode;
    }
    return runInScratchFolder([&](const std::string &folder) { return runBenchmark(options, folder); });
}
