// kenaris-bench: times the conversion core against gawk and cp on generated CP932 sources,
// checks that its output is byte for byte the peer's, and measures its peak memory.

#include "BenchCase.h"
#include "MemoryCase.h"
#include "ProcessRun.h"
#include "SpeedCase.h"
#include "TempFolder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double PeerGoal = 20;        // at least this many times faster than the gawk peer
constexpr double CopyGoal = 5;         // at most this many times cp's time
constexpr double MemoryGoalMiB = 4;    // growth of the peak from the source to `growth` copies of it
constexpr int SkippedExitCode = 77;    // what CTest reads as a skipped test
constexpr long long MaxRecords = 2147483647;

struct Options {
    long long records = 1000000;
    long long wideRecords = 100000;
    int runs = 3;
    int growth = 10;
    bool requirePeers = false;
};

const char Usage[] =
    "usage: kenaris-bench [--records N] [--wide-records N] [--runs N] [--growth N] [--require-peers]\n"
    "  --records N       records of the start-up layout and of the byte layout (default 1000000)\n"
    "  --wide-records N  records of 200 fields (default 100000)\n"
    "  --runs N          timed runs of each program; the best counts (default 3)\n"
    "  --growth N        the memory case converts the source and N copies of it (default 10)\n"
    "  --require-peers   exit with 77 (skipped) when gawk or iconv is missing\n";

long long positiveNumber(const char *option, const char *text)
{
    char *end = nullptr;
    const long long value = std::strtoll(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value < 1)
        throw std::invalid_argument(std::string(option) + " needs a whole number of at least 1, not \"" + text + "\"");
    return value;
}

Options parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--require-peers") {
            options.requirePeers = true;
            continue;
        }
        if (i + 1 >= argc) throw std::invalid_argument("unknown option or missing value: " + option);
        const long long value = positiveNumber(argv[i], argv[i + 1]);
        ++i;
        if (option == "--records") options.records = value;
        else if (option == "--wide-records") options.wideRecords = value;
        else if (option == "--runs" && value <= 100) options.runs = int(value);
        else if (option == "--growth" && value <= 1000) options.growth = int(value);
        else throw std::invalid_argument("unknown option or value out of range: " + option);
    }
    // The record loop counts records in 32 bits.
    if (options.records > MaxRecords / options.growth || options.wideRecords > MaxRecords)
        throw std::invalid_argument("the memory case would convert more than 2147483647 records");
    return options;
}

std::string processorName()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);)
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown processor";
}

std::string formatted(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string loadAverage()
{
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? formatted("%.2f", load[0]) : "unknown";
}

void printHeader(const Options &options, const std::string &folder)
{
#ifdef __OPTIMIZE__
    const char *optimised = "optimised";
#else
    const char *optimised = "NOT optimised: the figures mean little";
#endif
    std::printf("kenaris-bench: the conversion core against gawk and cp\n");
    std::printf("machine: %s, %u hardware threads; build: %s (%s)\n", processorName().c_str(),
                std::thread::hardware_concurrency(), KENARIS_BENCH_BUILD_TYPE, optimised);
    std::printf("MB = 1,000,000 bytes; MB/s = source bytes / wall-clock seconds; best of %d run(s) each, "
                "processor = user + system time (all stages of a pipeline)\n",
                options.runs);
    std::printf("load average at the start: %s (other work on the machine slows every figure); scratch folder %s\n",
                loadAverage().c_str(), folder.c_str());
}

struct GoalLine {
    std::string what;
    std::string measured;
    std::string goal;
    std::optional<bool> met; // absent when not measured
};

void addSpeedGoals(std::vector<GoalLine> &goals, const std::string &title, const SpeedFigures &figures)
{
    if (figures.peerSeconds) {
        const double speedup = *figures.peerSeconds / figures.coreSeconds;
        goals.push_back({title + ": speed vs gawk peer", formatted("%.1fx faster", speedup),
                         formatted(">= %.0fx faster", PeerGoal), speedup >= PeerGoal});
    } else {
        goals.push_back({title + ": speed vs gawk peer", "not measured", formatted(">= %.0fx faster", PeerGoal), {}});
    }
    if (figures.copySeconds) {
        const double slowdown = figures.coreSeconds / *figures.copySeconds;
        goals.push_back({title + ": time vs cp", formatted("%.2fx cp's time", slowdown),
                         formatted("<= %.0fx cp's time", CopyGoal), slowdown <= CopyGoal});
    }
}

void printGoals(const std::vector<GoalLine> &goals)
{
    std::printf("\n== goals (wall-clock; load average now %s)\n  %-52s %-18s %-18s %s\n", loadAverage().c_str(), "",
                "measured", "goal", "");
    for (const GoalLine &goal : goals)
        std::printf("  %-52s %-18s %-18s %s\n", goal.what.c_str(), goal.measured.c_str(), goal.goal.c_str(),
                    !goal.met ? "skipped" : *goal.met ? "met" : "MISSED");
}

int runBenchmark(const Options &options, TempFolder &folder)
{
    printHeader(options, folder.path());
    std::vector<GoalLine> goals;

    const BenchCase startup = startupLayoutCase(options.records);
    std::string startupSource;
    addSpeedGoals(goals, startup.title, runSpeedCase(startup, folder.path(), options.runs, startupSource));

    const MemoryFigures memory = runMemoryCase(startup, startupSource, folder.path(), options.growth);
    const double growthMiB = double(memory.grown.peakResidentKiB - memory.single.peakResidentKiB) / 1024;
    goals.push_back({"peak memory growth, source -> " + std::to_string(options.growth) + "x the source",
                     formatted("%+.1f MiB", growthMiB), formatted("<= %.0f MiB", MemoryGoalMiB),
                     growthMiB <= MemoryGoalMiB});

    for (const BenchCase &benchCase : {wideRecordCase(options.wideRecords), byteLayoutCase(options.records)}) {
        std::string source;
        addSpeedGoals(goals, benchCase.title, runSpeedCase(benchCase, folder.path(), options.runs, source));
    }
    printGoals(goals);
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
        std::fprintf(stderr, "kenaris-bench: %s\n%s", error.what(), Usage);
        return 2;
    }
    if (options.requirePeers && !(onPath("gawk") && onPath("iconv") && onPath("cp"))) {
        std::printf("kenaris-bench: gawk, iconv or cp is missing; nothing compared (Debian: apt-get install gawk)\n");
        return SkippedExitCode;
    }

    std::unique_ptr<TempFolder> folder;
    try {
        folder = std::make_unique<TempFolder>();
        return runBenchmark(options, *folder);
    } catch (const std::exception &error) {
        std::fflush(stdout);
        std::fprintf(stderr, "kenaris-bench: FAILED: %s\n", error.what());
        if (folder) {
            folder->keep();
            std::fprintf(stderr, "kenaris-bench: the files are kept in %s\n", folder->path().c_str());
        }
        return 1;
    }
}
