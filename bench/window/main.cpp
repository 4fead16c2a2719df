// kenaris-bench-window: times the whole conversion through the main window ("変換開始" under the
// offscreen platform, with the dialogs and messages answered by their seams) against the core's
// record loop alone, checks that the window writes the core's bytes and reports the count, and
// measures the window run's peak memory as the source grows.

#include "BenchApplication.h"
#include "BenchCase.h"
#include "BenchMain.h"
#include "BenchReport.h"
#include "MemoryCase.h"
#include "Shell.h"
#include "TimedRounds.h"
#include "WindowRun.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr double WindowGoal = 1.1; // the window's run takes at most this many times the core's

struct Options {
    long long records = 1000000;
    long long runs = 3;
    long long growth = 10;
};

const char Usage[] =
    "usage: kenaris-bench-window [--records N] [--runs N] [--growth N]\n"
    "  --records N  records of the start-up layout (default 1000000)\n"
    "  --runs N     timed runs of the core and of the window, taken in turns; the best counts (default 3)\n"
    "  --growth N   the memory case runs the window on the source and on N copies of it (default 10)\n";

int runBenchmark(const Options &options, const std::string &folder)
{
    const int runs = int(options.runs);
    printHeader("kenaris-bench-window: the whole run through the main window against the core's record loop", runs,
                folder);
    const BenchCase benchCase = startupLayoutCase(options.records);
    const std::string source = sourcePathIn(folder, benchCase);
    const unsigned long long sourceBytes = writeSource(source, benchCase.source);
    std::printf("\n== %s: %lld records, output %s, delimiter \"%s\"; source %.1f MB\n", benchCase.title.c_str(),
                benchCase.source.records, describeOutputOrder(benchCase).c_str(), BenchDelimiter,
                double(sourceBytes) / 1e6);

    // The children make their own QApplication: none may exist yet in the process they are forked from.
    const GoalLine memoryGoal =
        runMemoryCase(benchCase, source, folder, int(options.growth), "the window run",
                      [](const BenchCase &grown, const std::string &from, const std::string &output) {
                          const BenchApplication application;
                          WindowRun(grown, from, output).start();
                      });

    const BenchApplication application;
    const std::string coreOutput = folder + "/" + benchCase.fileStem + ".kenaris";
    const std::string windowOutput = folder + "/" + benchCase.fileStem + ".window";
    std::optional<WindowRun> window; // the old window goes before the next one is made
    std::vector<Contender> contenders{{"core: runConversion, idle pause every 30 ms", coreOutput,
                                       [&] { convertEveryRecord(benchCase, source, coreOutput); }},
                                      {"window: start button, offscreen, seams", windowOutput, [&] { window->start(); },
                                       [&] { window.emplace(benchCase, source, windowOutput); }}};
    timeInRounds(contenders, runs);
    requireSameBytes(windowOutput, coreOutput, "the window's output");
    std::printf("\n== speed: %s, best of %d\n", benchCase.title.c_str(), runs);
    printTable(contenders, sourceBytes);
    std::printf("  window's output byte-identical to the core's: yes (%ju bytes); final report \" %lld件\": yes\n",
                std::uintmax_t(std::filesystem::file_size(windowOutput)), benchCase.source.records);

    const double ratio = contenders[1].best.seconds / contenders[0].best.seconds;
    printGoals({{"whole run through the window / core's record loop", formatted("%.2fx", ratio),
                 formatted("<= %.1fx", WindowGoal), ratio <= WindowGoal},
                memoryGoal});
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    readOptions(argc, argv, Usage,
                {{"--records", &options.records, MaxRecords},
                 {"--runs", &options.runs, 100},
                 {"--growth", &options.growth, 1000}});
    if (options.records > MaxRecords / options.growth)
        failUsage(Usage, "the memory case would convert more than 2147483647 records");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0); // no screen needed; a platform given by the caller stays
    return runInScratchFolder([&](const std::string &folder) { return runBenchmark(options, folder); });
}
