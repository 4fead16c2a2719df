#pragma once
// Lines both benchmarks print: the machine they ran on, the load, and the table of goals.

#include <optional>
#include <string>
#include <vector>

std::string formatted(const char *format, double value);

// The report's first lines: `title`, the machine and the build, what the figures mean, the load
// and the scratch folder.
void printHeader(const std::string &title, int runs, const std::string &folder);

struct GoalLine {
    std::string what;
    std::string measured;
    std::string goal;
    std::optional<bool> met; // absent when not measured
};

void printGoals(const std::vector<GoalLine> &goals);
