#include "BenchReport.h"

#include "paths/SimdPath.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

std::string processorName()
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string line; std::getline(cpuinfo, line);)
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown processor";
}

// The one-minute load average, or "unknown".
std::string loadAverage()
{
    double load[1] = {0};
    return ::getloadavg(load, 1) == 1 ? formatted("%.2f", load[0]) : "unknown";
}

} // namespace

std::string formatted(const char *format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void printHeader(const std::string &title, int runs, const std::string &folder)
{
    // This library is built with the programs' flags: what holds here holds for them.
#ifdef __OPTIMIZE__
    const char *optimised = "optimised";
#else
    const char *optimised = "NOT optimised: the figures mean little";
#endif
    std::printf("%s\nmachine: %s, %u hardware threads; vector path: %s (KENARIS_SIMD chooses); build: %s (%s)\n",
                title.c_str(), processorName().c_str(), std::thread::hardware_concurrency(),
                std::string(simdPathName(simdPath())).c_str(), KENARIS_BENCH_BUILD_TYPE, optimised);
    std::printf("MB = 1,000,000 bytes; MB/s = source bytes / wall-clock seconds; best of %d run(s) each, taken in "
                "turns; processor = user + system time (all stages of a pipeline)\n",
                runs);
    std::printf("load average at the start: %s (other work on the machine slows every figure); scratch folder %s "
                "(left behind if the run is interrupted)\n",
                loadAverage().c_str(), folder.c_str());
}

void printGoals(const std::vector<GoalLine> &goals)
{
    std::printf("\n== goals (wall-clock; load average now %s)\n  %-52s %-18s %-18s %s\n", loadAverage().c_str(), "",
                "measured", "goal", "");
    for (const GoalLine &goal : goals)
        std::printf("  %-52s %-18s %-18s %s\n", goal.what.c_str(), goal.measured.c_str(), goal.goal.c_str(),
                    !goal.met   ? "skipped"
                    : *goal.met ? "met"
                                : "MISSED");
}
