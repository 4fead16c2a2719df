#pragma once
// The bank case: records of 120 bytes back to back in the bank pattern (a header, data, a trailer
// and an end record in every 1,000), converted by record length with the data records selected;
// against line mode on the same bytes with line ends, and several layouts in one pass against
// one run per layout; the peak memory as the source grows.

#include "BenchReport.h"

#include <string>
#include <vector>

// Prints the figures and adds the case's goals. Throws std::runtime_error when a conversion
// fails or record mode and line mode disagree on the output.
void runRecordCase(long long records, const std::string &folder, int runs, int growth, std::vector<GoalLine> &goals);
