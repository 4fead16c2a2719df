#pragma once
// A timed case: the conversion, the gawk peer, cp and a plain copy through user space on one
// generated source.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Makes the case's source (kept at sourcePathIn(folder, benchCase) for later cases), prints the
// best of `runs` timings of each program and adds the goals: at most `userCopyGoal` times the
// user-space copy's time, against the gawk peer and against cp. Throws std::runtime_error when
// the conversion's output differs from the peer's or a program fails.
void runSpeedCase(const BenchCase &benchCase, const std::string &folder, int runs, double userCopyGoal,
                  std::vector<GoalLine> &goals);

// A loop of 1 MiB read() and write(): what merely moving the bytes through a program costs.
// Throws std::runtime_error when a read or write fails.
void copyThroughUserSpace(const std::string &from, const std::string &to);
