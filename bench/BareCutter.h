#pragma once
// The least a program can do to cut a benchmark source: one thread, 1 MiB reads, the line ends of
// each read listed 64 bytes at a time, each line's character starts from its lead bytes and its
// boundaries by one bit deposit, one 32-byte move per column, UTF-8 a character at a time by its
// cell; the output written behind in 1 MiB buffers. No checks, no options, no other line ends: it
// measures how near the machine lets any converter come to a plain copy, beside the core's run.
// Longer lines (up to 64 KiB) or more than 15 fields are walked 64 bytes at a time, one deposit a
// block, without UTF-8. Only for sources of the benchmark (CR LF lines, valid CP932) and widths of
// at least 1; written apart from the core, sharing none of its code but the cells.

#include <string>
#include <vector>

struct BareLayout {
    std::vector<int> widths; // of each field, characters or bytes
    bool characters = true;
    std::vector<int> outputOrder; // field numbers from 1, in output order
    bool utf8 = false;            // by characters only
};

// Whether the processor has what the cutter needs (AVX2 and BMI2).
bool bareCutterRuns();

// Cuts `source` into `output` with `layout`, columns joined by ','. Throws std::runtime_error
// when a file cannot be read or written or a line is not one it cuts.
void cutBare(const BareLayout &layout, const std::string &source, const std::string &output);
