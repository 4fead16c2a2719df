#pragma once
// Typed fields timed against the untyped conversion on the same source.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Converts the case's source, already made, untyped and with NUMBER (then KANA) on every field,
// `runs` rounds; prints the figures and adds the goals.
void runTypesCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals);
