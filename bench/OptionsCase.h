#pragma once
// The output options (trimming, quoting, UTF-8) timed against the plain conversion on the same
// source, each output checked byte for byte against an independent pipeline.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Converts the case's source, already made, plainly and with each option alone and all together,
// `runs` rounds; prints the figures and adds the goals. Throws std::runtime_error when an output
// differs from its pipeline's or a program fails.
void runOptionsCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals);
