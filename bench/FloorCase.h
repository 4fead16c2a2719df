#pragma once
// The core against the bare cutter (see BareCutter) and the plain copy in the same rounds: how far
// the machine's floor lies from the copy, and the core from that floor, for characters, bytes,
// UTF-8 output and wide records.

#include "BenchCase.h"

#include <string>

// Converts the cases' sources, already made; prints the figures, or why they were not measured.
// Throws std::runtime_error when a run fails or the cutter's output is not the core's.
void runFloorCase(const BenchCase &characters, const BenchCase &bytes, const BenchCase &wide, const std::string &folder,
                  int runs);
