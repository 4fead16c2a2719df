#pragma once
// A timed case: the conversion, the gawk peer, cp and a plain copy through user space on one
// generated source.

#include "BenchCase.h"

#include <optional>
#include <string>

struct SpeedFigures {
    unsigned long long sourceBytes = 0;
    double coreSeconds = 0;
    std::optional<double> peerSeconds; // absent when gawk is missing
    double copySeconds = 0;            // cp
    double userCopySeconds = 0;        // the 1 MiB read() and write() loop
};

// Makes the case's source in `folder` (kept as `sourcePath` for later cases), prints and returns
// the best of `runs` timings of each program. Throws std::runtime_error when the conversion's
// output differs from the peer's or a program fails.
SpeedFigures runSpeedCase(const BenchCase &benchCase, const std::string &folder, int runs, std::string &sourcePath);
