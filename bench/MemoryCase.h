#pragma once
// Peak memory of a conversion as the source grows, each run in a child process of its own.

#include "BenchCase.h"
#include "BenchReport.h"

#include <functional>
#include <string>

// One conversion as the child makes it: `benchCase` tells the records the source holds. Throws
// when not every record was converted.
using ChildConversion =
    std::function<void(const BenchCase &benchCase, const std::string &source, const std::string &output)>;

struct ChildFigures {
    long long peakResidentKiB = 0; // the child's maximum resident set size
    double seconds = 0;            // wall-clock
    unsigned long long outputBytes = 0;
};

// Converts `source` into `output` with `convert` in a forked child process, measured by the
// parent, and removes the output. `what` names the conversion in a failure, which throws
// std::runtime_error.
ChildFigures convertInChild(const std::string &what, const ChildConversion &convert, const BenchCase &benchCase,
                            const std::string &source, const std::string &output);

// Converts `sourcePath` and a file of `growth` copies of it with `convert`, each in a child
// process, prints the figures and returns the goal: the peak barely grows with the source.
// `what` names the conversion in the report. Throws std::runtime_error when a child fails or the
// larger output is not `growth` copies long.
GoalLine runMemoryCase(const BenchCase &benchCase, const std::string &sourcePath, const std::string &folder, int growth,
                       const std::string &what, const ChildConversion &convert);

// Converts a source of one line of `lineBytes` bytes and a short line with `convert` in a child
// process, prints the peak and returns the goal: the peak stays far below the line's size, as
// the bytes no field reaches are not kept. `benchCase` tells the two records.
GoalLine runLongLineCase(const BenchCase &benchCase, const std::string &folder, unsigned long long lineBytes,
                         const ChildConversion &convert);
