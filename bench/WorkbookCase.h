#pragma once
// Workbook output: its peak memory as the source grows, and its time against the lines of the
// same records and against Python's xlsxwriter writing the same cells.

#include "BenchCase.h"
#include "BenchReport.h"

#include <string>
#include <vector>

// Converts the case's source, already made, into a workbook `runs` rounds beside the line output
// and the peer; then a fifth of the source and the whole in child processes for the peak; prints
// the figures and adds the goals.
void runWorkbookCase(const BenchCase &benchCase, const std::string &folder, int runs, std::vector<GoalLine> &goals);
