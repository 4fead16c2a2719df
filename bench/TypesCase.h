#pragma once
// Typed fields timed against the untyped conversion on the same source.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Converts the case's source, already made, untyped and with NUMBER (then KANA) on every field,
// `runs` rounds; prints the figures and adds the goals.
void runTypesCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals);

// Converts the case's source, already made, with and without the checks of the records' shape,
// `runs` rounds; prints the figures and adds the goal.
void runChecksCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals);
