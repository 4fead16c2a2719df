#pragma once
// The usual record's whole way in one pass: its characters' starts found once from masks of its
// bytes, the column boundaries located from them, the checks of its shape taken from the same
// masks, and the columns copied by wide moves. It serves layouts whose columns are written as they
// are cut, trimmed, quoted or typed (no UTF-8, a one-byte delimiter, at most 64 columns and 64
// boundaries) and
// records of at most 64 bytes as the reader keeps them; the plan and the checks serve the rest,
// with the same result. The processor's vector path picks the kernel (AVX-512 with VBMI2, or AVX2
// with BMI2); without one of them the route is not taken at all.

#include "compose/ComposePlan.h"
#include "compose/RecordChecks.h"
#include "paths/SimdPath.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the kernels need of a layout, prepared once. Boundaries past byte or character 64 are
// stored as 64: a record of at most 64 bytes ends before them either way.
struct FastShape {
    static constexpr size_t MaxBytes = 64;
    bool characters = true;
    uint8_t boundaryCount = 0;
    alignas(64) uint8_t boundaries[64] = {};  // ascending; unused entries 64
    uint8_t columnCount = 0;                  // at most 64
    alignas(64) uint8_t columnFirst[64] = {}; // boundary index of each column's start, in output order
    alignas(64) uint8_t columnLast[64] = {};  // and of its end
    char delimiter = ',';
    bool trim = false;  // blanks taken off both ends of each column, as OutputFormat's trimBlanks does
    bool quote = false; // a column holding the delimiter, '"', CR or LF goes in double quotes
    // With typed columns: the plan that writes their values (it outlives the route).
    const ComposePlan *typedPlan = nullptr;
    static constexpr size_t MaxTypedRoom = 256; // a value of a piece of 64 bytes fits in it
    size_t columnRoom = MaxBytes;               // the most a column's piece or value takes
    // The checks of the record's shape; none when `checked` is false.
    bool checked = false;
    bool byLength = false;
    long long total = -1;         // the layout's total in its unit, or -1 when unknown
    uint64_t splitBoundaries = 0; // bytes counted: bit b for a boundary at byte b (1..63)
};

// Composes `record` (its whole length `recordBytes`) onto `out` and sets `warnings` to what its
// shape draws; false, leaving both alone, when the record is longer than the kernel takes.
using FastKernel = bool (*)(const FastShape &shape, std::string_view record, size_t recordBytes, std::string &out,
                            Warnings &warnings);

// The kernel of vector path `path`, or none for paths without one (plain, SSE2) or a processor
// that lacks the path.
FastKernel fastKernelFor(SimdPath path);

class FastRoute {
public:
    // The route for `plan` with `delimiter`, its checks `checks` (none: unchecked), or nullopt
    // when the layout or the processor is not one it serves.
    static std::optional<FastRoute> prepare(const ComposePlan &plan, const RecordChecks *checks,
                                            const OutputOptions &options, std::string_view delimiter,
                                            FastKernel kernel = fastKernelFor(simdPath()));

    bool append(std::string_view record, size_t recordBytes, std::string &out, Warnings &warnings) const
    {
        return kernel_(shape_, record, recordBytes, out, warnings);
    }

private:
    FastRoute(FastShape shape, FastKernel kernel) : shape_(std::move(shape)), kernel_(kernel) {}
    FastShape shape_;
    FastKernel kernel_;
};
