#pragma once
// What both benchmark programs' main does: read the command line, then run in a scratch folder.

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Records the record loop can count: it counts in 32 bits.
inline constexpr long long MaxRecords = 2147483647;

struct NumberOption {
    const char *name; // "--records"
    long long *value;
    long long max;
};

// Reads "--name N" for each of `numbers` and each flag alone. After --help or -h prints `usage`
// and ends the program with 0; see failUsage for anything else.
void readOptions(int argc, char **argv, const char *usage, const std::vector<NumberOption> &numbers,
                 const std::vector<std::pair<const char *, bool *>> &flags = {});

// Prints `problem` and `usage` on stderr and ends the program with 2.
[[noreturn]] void failUsage(const char *usage, const std::string &problem);

// Runs `benchmark` in a fresh scratch folder, removed at the end, and returns its exit code. A
// failure is printed, the folder kept for a look, and the exit code is 1. An interrupted run
// leaves the folder behind: the report's header names it.
int runInScratchFolder(const std::function<int(const std::string &folder)> &benchmark);
