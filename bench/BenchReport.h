#pragma once
// Lines both benchmarks print: the machine they ran on, the load, and the table of goals.

#include <optional>
#include <string>
#include <vector>

std::string formatted(const char *format, double value);

// The one-minute load average, or "unknown".
std::string loadAverage();

// "machine: <processor>, <n> hardware threads; build: <type> (optimised)".
std::string describeMachine();

struct GoalLine {
    std::string what;
    std::string measured;
    std::string goal;
    std::optional<bool> met; // absent when not measured
};

void printGoals(const std::vector<GoalLine> &goals);
