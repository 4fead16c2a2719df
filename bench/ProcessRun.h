#pragma once
// Other programs and child processes the benchmark runs and measures.

#include <functional>
#include <string>
#include <utility>
#include <vector>

struct Stage {
    std::vector<std::string> arguments;                           // the program first, looked up on PATH
    std::vector<std::pair<std::string, std::string>> environment; // set for this program only
};

struct PipelineOutcome {
    std::string failure;   // empty when every stage succeeded
    double cpuSeconds = 0; // user and system time of all stages together
};

// Runs the stages joined by pipes: the first reads `inputPath`, the last writes `outputPath`
// (created or truncated).
PipelineOutcome runPipeline(const std::vector<Stage> &stages, const std::string &inputPath,
                            const std::string &outputPath);

// User and system time of this process so far.
double ownCpuSeconds();

// True when `program` is an executable file in a folder of PATH.
bool onPath(const std::string &program);

struct ChildFigures {
    bool succeeded = false;
    long long peakResidentKiB = 0; // the child's maximum resident set size
    double seconds = 0;            // wall-clock
};

// Runs `work` in a forked child process and measures it. `work` returns whether it succeeded;
// an exception counts as a failure and is reported on stderr by the child.
ChildFigures runInChild(const std::function<bool()> &work);
