#pragma once
// Peak memory of a conversion as the source grows, each run in a child process of its own.

#include "BenchCase.h"
#include "BenchReport.h"

#include <functional>
#include <string>

struct MemoryFigures {
    long long singlePeakKiB = 0; // the child's maximum resident set on the case's source
    long long grownPeakKiB = 0;  // on `growth` copies of it
    int growth = 0;
};

// One conversion as the child makes it: `benchCase` tells the records the source holds. Throws
// when not every record was converted.
using ChildConversion =
    std::function<void(const BenchCase &benchCase, const std::string &source, const std::string &output)>;

// Converts `sourcePath` and a file of `growth` copies of it with `convert`, each in a child
// process, prints and returns the figures; `what` names the conversion in the report. Throws
// std::runtime_error when a child fails or the larger output is not `growth` copies long.
MemoryFigures runMemoryCase(const BenchCase &benchCase, const std::string &sourcePath, const std::string &folder,
                            int growth, const std::string &what, const ChildConversion &convert);

// The goal: the peak barely grows with the source.
GoalLine memoryGoal(const MemoryFigures &figures, const std::string &what);
