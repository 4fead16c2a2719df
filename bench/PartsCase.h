#pragma once
// One conversion spread over two processes, kenaris-batch --part 1/2 and 2/2 side by side,
// timed against one kenaris-batch run; the joined outputs checked against the one run's.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Converts the case's source, already made, with UTF-8 output, `runs` rounds; prints the figures
// and adds the goal, measured only where the machine has two processors or more. Throws
// std::runtime_error when a run fails or the joined outputs differ from the one run's.
void runPartsCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals);
