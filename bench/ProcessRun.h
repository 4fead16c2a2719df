#pragma once
// Other programs and child processes the benchmark runs and measures.

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct Stage {
    std::vector<std::string> arguments; // the program first, looked up on PATH
    std::vector<std::pair<std::string, std::string>> environment; // set for this program only
};

// Runs the stages joined by pipes: the first reads `inputPath`, the last writes `outputPath`
// (created or truncated). Returns an empty text when every stage succeeded, else what failed.
std::string runPipeline(const std::vector<Stage> &stages, const std::string &inputPath,
                        const std::string &outputPath);

// True when `program` is an executable file in a folder of PATH.
bool onPath(const std::string &program);

struct ChildFigures {
    bool succeeded = false;
    long long peakResidentKiB = 0; // the child's maximum resident set size
    double seconds = 0;
};

// Runs `work` in a forked child process and measures it. `work` returns whether it succeeded;
// an exception counts as a failure and is reported on stderr by the child.
ChildFigures runInChild(const std::function<bool()> &work);
