#pragma once
// Programs timed on one source in rounds, the best run of each counting.

#include <functional>
#include <limits>
#include <string>
#include <vector>

struct Timing {
    double seconds = std::numeric_limits<double>::infinity(); // wall-clock
    // User and system time of this process and of the children it waited for (a shell line's programs).
    double cpuSeconds = std::numeric_limits<double>::infinity();
};

// Runs `work` and measures it.
Timing measure(const std::function<void()> &work);

// A program timed on the case's source: `work` is timed, after `prepare` (when given) has run.
struct Contender {
    std::string label;
    std::string output;
    std::function<void()> work;
    std::function<void()> prepare = {};
    Timing best = {};
};

// Runs every contender in turn, `runs` rounds, so that all of them meet the same load of the
// machine; each run starts without its old output and with no dirty pages left to write back.
void timeInRounds(std::vector<Contender> &contenders, int runs);

// The table of the contenders' best wall-clock and processor time and their speed on `bytes` of source.
void printTable(const std::vector<Contender> &contenders, unsigned long long bytes);
