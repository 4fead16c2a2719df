#include "BenchReport.h"

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

} // namespace

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

std::string describeMachine()
{
    // This library is built with the programs' flags: what holds here holds for them.
#ifdef __OPTIMIZE__
    const char *optimised = "optimised";
#else
    const char *optimised = "NOT optimised: the figures mean little";
#endif
    return "machine: " + processorName() + ", " + std::to_string(std::thread::hardware_concurrency()) +
           " hardware threads; build: " + KENARIS_BENCH_BUILD_TYPE + " (" + optimised + ")";
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
