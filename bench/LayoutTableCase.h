#pragma once
// The layout-table case: a layout of thousands of fields read from a TAB table (as pasted from a
// spreadsheet) and from a COBOL copybook, timed, and the peak memory as the table grows.

#include "BenchReport.h"

#include <vector>

// Prints the figures and adds the case's goals. Throws std::runtime_error when a table is not
// read to the fields it was made with.
void runLayoutTableCase(int fields, int runs, std::vector<GoalLine> &goals);
