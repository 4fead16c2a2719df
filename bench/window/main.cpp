// kenaris-bench-window: times the whole conversion through the main window ("変換開始" under the
// offscreen platform, with the dialogs and messages answered by their seams) against the core's
// record loop alone, checks that the window writes the core's bytes and reports the count, and
// measures the window run's peak memory as the source grows.

#include "BenchApplication.h"
#include "BenchCase.h"
#include "BenchReport.h"
#include "Conversion.h"
#include "FileBytes.h"
#include "MemoryCase.h"
#include "NumberOption.h"
#include "ProcessRun.h"
#include "SourceMaker.h"
#include "Stopwatch.h"
#include "TempFolder.h"
#include "WindowRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double WindowGoal = 1.1; // the window's run takes at most this many times the core's

struct Options {
    long long records = 1000000;
    int runs = 3;
    int growth = 10;
};

const char Usage[] =
    "usage: kenaris-bench-window [--records N] [--runs N] [--growth N]\n"
    "  --records N  records of the start-up layout (default 1000000)\n"
    "  --runs N     timed runs of the core and of the window, taken in turns; the best counts (default 3)\n"
    "  --growth N   the memory case runs the window on the source and on N copies of it (default 10)\n";

Options parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) throw std::invalid_argument("unknown option or missing value: " + option);
        const long long value = positiveNumber(argv[i], argv[i + 1]);
        ++i;
        if (option == "--records") options.records = value;
        else if (option == "--runs" && value <= 100) options.runs = int(value);
        else if (option == "--growth" && value <= 1000) options.growth = int(value);
        else throw std::invalid_argument("unknown option or value out of range: " + option);
    }
    if (options.records > MaxRecords / options.growth)
        throw std::invalid_argument("the memory case would convert more than 2147483647 records");
    return options;
}

struct BestTime {
    double seconds = std::numeric_limits<double>::infinity();
    double cpuSeconds = std::numeric_limits<double>::infinity();

    void add(double wall, double cpu)
    {
        seconds = std::min(seconds, wall);
        cpuSeconds = std::min(cpuSeconds, cpu);
    }
};

void printHeader(const Options &options, const std::string &folder)
{
    std::printf("kenaris-bench-window: the whole run through the main window against the core's record loop\n%s\n",
                describeMachine().c_str());
    std::printf("MB = 1,000,000 bytes; MB/s = source bytes / wall-clock seconds; best of %d run(s) each, taken in "
                "turns; processor = user + system time\n",
                options.runs);
    std::printf("load average at the start: %s (other work on the machine slows every figure); scratch folder %s\n",
                loadAverage().c_str(), folder.c_str());
}

// The core's record loop alone, with a pause every 30 ms that does nothing.
void timeCore(const BenchCase &benchCase, const std::string &source, const std::string &output, BestTime &best)
{
    removeFile(output);
    ::sync();
    const double cpuBefore = ownCpuSeconds();
    const Stopwatch watch;
    const long long records = convertWithCore(benchCase, source, output);
    best.add(watch.seconds(), ownCpuSeconds() - cpuBefore);
    if (records != benchCase.source.records)
        throw std::runtime_error("the core read " + std::to_string(records) + " records instead of " +
                                 std::to_string(benchCase.source.records));
}

void timeWindow(const BenchCase &benchCase, const std::string &source, const std::string &output,
                const std::string &coreOutput, BestTime &best)
{
    const WindowRunFigures figures = convertThroughWindow(benchCase, source, output);
    best.add(figures.seconds, figures.cpuSeconds);
    const long long difference = firstDifference(output, coreOutput);
    if (difference >= 0)
        throw std::runtime_error("the window's output " + output + " differs from the core's " + coreOutput +
                                 " at byte offset " + std::to_string(difference));
}

// In a child process: makes the child's own QApplication.
bool convertThroughWindowInChild(const BenchCase &benchCase, const std::string &source, const std::string &output)
{
    const BenchApplication application;
    convertThroughWindow(benchCase, source, output);
    return true;
}

void printRow(const char *label, const BestTime &best, unsigned long long bytes)
{
    std::printf("  %-44s %9.3f s %9.1f MB/s %9.3f s\n", label, best.seconds, double(bytes) / 1e6 / best.seconds,
                best.cpuSeconds);
}

int runBenchmark(const Options &options, TempFolder &folder)
{
    printHeader(options, folder.path());
    const BenchCase benchCase = startupLayoutCase(options.records);
    const std::string source = folder.path() + "/" + benchCase.fileStem + ".src";
    const unsigned long long sourceBytes = writeSource(source, benchCase.source);
    std::printf("\n== %s: %lld records, output %s, delimiter \"%s\"; source %.1f MB\n", benchCase.title.c_str(),
                benchCase.source.records, describeOutputOrder(benchCase).c_str(), BenchDelimiter,
                double(sourceBytes) / 1e6);
    std::fflush(stdout);

    // The children make their own QApplication: none may exist yet in the process they are forked from.
    const char *windowRun = "the window run";
    const MemoryFigures memory =
        runMemoryCase(benchCase, source, folder.path(), options.growth, windowRun, convertThroughWindowInChild);

    const BenchApplication application;
    const std::string coreOutput = folder.path() + "/" + benchCase.fileStem + ".kenaris";
    const std::string windowOutput = folder.path() + "/" + benchCase.fileStem + ".window";
    BestTime core, window;
    for (int round = 0; round < options.runs; ++round) {
        timeCore(benchCase, source, coreOutput, core);
        timeWindow(benchCase, source, windowOutput, coreOutput, window);
    }
    std::printf("\n== speed: %s, best of %d\n  %-44s %11s %14s %11s\n", benchCase.title.c_str(), options.runs, "",
                "wall", "", "processor");
    printRow("core: runConversion, idle pause every 30 ms", core, sourceBytes);
    printRow("window: start button, offscreen, seams", window, sourceBytes);
    std::printf("  window's output byte-identical to the core's: yes (%llu bytes); final report \" %lld件\": yes\n",
                fileSize(windowOutput), benchCase.source.records);

    const double ratio = window.seconds / core.seconds;
    printGoals({{"whole run through the window / core's record loop", formatted("%.2fx", ratio),
                 formatted("<= %.1fx", WindowGoal), ratio <= WindowGoal},
                memoryGoal(memory, windowRun)});
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("%s", Usage);
        return 0;
    }
    Options options;
    try {
        options = parseOptions(argc, argv);
    } catch (const std::invalid_argument &error) {
        std::fprintf(stderr, "kenaris-bench-window: %s\n%s", error.what(), Usage);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0); // no screen needed; a platform given by the caller stays

    return runInScratchFolder("kenaris-bench-window",
                              [&](TempFolder &folder) { return runBenchmark(options, folder); });
}
