#pragma once
// The output options (trimming, quoting, UTF-8) timed against the plain conversion on the same
// source, each output checked byte for byte against an independent pipeline.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Converts `sourcePath` (the case's source, already made) plainly and with each option alone
// and all together, `runs` rounds; prints the figures and returns the goal lines. Throws
// std::runtime_error when an output differs from its pipeline's or a program fails.
std::vector<GoalLine> runOptionsCase(const BenchCase &benchCase, const std::string &sourcePath,
                                     const std::string &folder, int runs);
