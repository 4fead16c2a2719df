#pragma once
// Peak memory of the conversion as the source grows, each run in a child process of its own.

#include "BenchCase.h"
#include "ProcessRun.h"

#include <string>

struct MemoryFigures {
    ChildFigures single; // on the case's source
    ChildFigures grown;  // on `growth` copies of it
    unsigned long long singleBytes = 0;
    int growth = 0;
};

// Converts `sourcePath` and a file of `growth` copies of it, prints and returns the figures.
// Throws std::runtime_error when a child fails or the larger output is not `growth` copies long.
MemoryFigures runMemoryCase(const BenchCase &benchCase, const std::string &sourcePath, const std::string &folder,
                            int growth);
