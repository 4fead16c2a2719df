#pragma once
// Programs timed on one source in rounds, the best run of each counting.

#include <functional>
#include <limits>
#include <string>
#include <vector>

// A program timed on the case's source. `run` returns the processor time it used.
struct Contender {
    std::string label;
    std::string output;
    std::function<double()> run;
    double best = std::numeric_limits<double>::infinity();
    double bestCpu = std::numeric_limits<double>::infinity();
};

// Runs every contender in turn, `runs` rounds, so that all of them meet the same load of the
// machine; each run starts without its old output and with no dirty pages left to write back.
void timeInRounds(std::vector<Contender> &contenders, int runs);

// The contender's best wall-clock and processor time and its speed on `bytes` of source.
void printRow(const Contender &contender, unsigned long long bytes);
