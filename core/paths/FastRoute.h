#pragma once
// The usual record's whole way in one pass: its characters' starts found once from masks of its
// bytes, the column boundaries located from them, the checks of its shape taken from the same
// masks, and the columns copied by wide moves, or made UTF-8 a character at a time from the same
// starts. It serves layouts with a one-byte delimiter:
// - records of at most 64 bytes as the reader keeps them, their columns written as they are cut,
//   trimmed, quoted, typed (not with UTF-8) or made UTF-8 (with a delimiter that is no byte of a
//   double-byte character), for at most 64 columns and 64 boundaries;
// - records of any length, their columns written as they are cut or trimmed: 64 bytes at a time.
// The plan and the checks serve the rest, with the same result. The processor's vector path picks
// the kernel (AVX-512 with VBMI2, or AVX2 with BMI2); without one of them the route is not taken
// at all.

#include "compose/ComposePlan.h"
#include "compose/RecordChecks.h"
#include "paths/SimdPath.h"
#include "read/LineSpans.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the kernels need of a layout, prepared once. Boundaries past byte or character 64 are
// stored as 64: a record of at most 64 bytes ends before them either way.
struct FastShape {
    static constexpr size_t MaxBytes = 64;
    bool characters = true;
    // Whether records of at most 64 bytes take the way of the fields below, up to `columnRoom`;
    // else they take the way of longer records.
    bool shortRecords = false;
    uint8_t boundaryCount = 0;
    alignas(64) uint8_t boundaries[64] = {};  // ascending; unused entries 64
    uint64_t boundaryCharacters = 0;          // bit b set for each boundary b below 64
    uint8_t columnCount = 0;                  // at most 64
    alignas(64) uint8_t columnFirst[64] = {}; // boundary index of each column's start, in output order
    alignas(64) uint8_t columnLast[64] = {};  // and of its end
    char delimiter = ',';
    bool trim = false;  // blanks taken off both ends of each column, as OutputFormat's trimBlanks does
    bool quote = false; // a column holding the delimiter, '"', CR or LF goes in double quotes
    // Columns made UTF-8 by the cells of cp932::Utf8Cell.
    const uint32_t *utf8Cells = nullptr;
    // Bytes counted and columns as cut: in a record of at least `fixedFrom` bytes the columns lie at
    // fixed places, and its line (`fixedLength` bytes, at most 128; 0: none such) is the record's
    // bytes picked by `fixedLine` (64 and up: the delimiter).
    uint8_t fixedFrom = 0, fixedLength = 0;
    alignas(64) uint8_t fixedLine[128] = {};
    // The same picks for shuffles within lanes of 16 bytes: for each 32 bytes of the line and each
    // 16 bytes of the record, which of those 16 each byte takes (0x80: none of them); and the
    // delimiters where they go (else 0).
    alignas(32) uint8_t fixedLanePicks[4][4][32] = {};
    alignas(32) char fixedDelimiters[128] = {};
    // With typed columns: the plan that writes their values (it outlives the route).
    const ComposePlan *typedPlan = nullptr;
    static constexpr size_t MaxTypedRoom = 256; // a value of a piece of 64 bytes fits in it
    size_t columnRoom = MaxBytes;               // the most a column's piece or value takes
    // The checks of the record's shape; none when `checked` is false.
    bool checked = false;
    bool byLength = false;
    long long total = -1; // the layout's total in its unit, or -1 when unknown
    // Bytes counted: bit b of element k for a boundary at byte 64 k + b (not 0).
    std::vector<uint64_t> splitBoundaryBlocks;
    // The boundaries within block `block` of a record (64 bytes from byte 64 `block` on).
    uint64_t splitBoundariesIn(size_t block) const
    {
        return block < splitBoundaryBlocks.size() ? splitBoundaryBlocks[block] : 0;
    }
    // Longer records (every record, without shortRecords), with columns as cut or trimmed: the
    // plan whose boundaries and columns they are cut by (it outlives the route); none when not
    // served.
    const ComposePlan *longPlan = nullptr;
    // By characters: bit c % 64 of word c / 64 set for each boundary at character c, and a last
    // word of none. Kept small: a layout with a boundary past MaxLongCharacters is not served.
    static constexpr uint64_t MaxLongCharacters = 1 << 20;
    std::vector<uint64_t> longBoundaryMarks;
};

// What a route's kernels reuse from record to record.
struct FastScratch {
    std::vector<char> lines;     // the lines in making
    std::vector<size_t> offsets; // of a long record's boundaries, in bytes
};

// The kernels of a vector path. `record` composes `record` (its whole length `recordBytes`) onto
// `out`, sets `warnings` to what its shape draws and adds to `undecodable` the characters UTF-8
// output could not decode; false, leaving all alone, when the shape does not serve a record that
// long. `lines` composes every line of `lines` (none longer than 64 bytes) onto `out`, each
// followed by CR LF, and notes for each where it ends in `out` (past its CR LF) in `ends`, what
// its shape draws in `warnings` and its undecodable characters in `undecodable`. Both use
// `scratch` as they like.
struct FastKernels {
    bool (*record)(const FastShape &shape, std::string_view record, size_t recordBytes, FastScratch &scratch,
                   std::string &out, Warnings &warnings, size_t &undecodable) = nullptr;
    void (*lines)(const FastShape &shape, const LineSpans &lines, FastScratch &scratch, std::string &out, size_t *ends,
                  Warnings *warnings, size_t *undecodable) = nullptr;
    // What the shape of a record draws.
    Warnings (*check)(const FastShape &shape, std::string_view record, size_t recordBytes) = nullptr;
};

// The kernels of vector path `path`, or none for paths without them (plain, SSE2) or a processor
// that lacks the path.
FastKernels fastKernelsFor(SimdPath path);

class FastRoute {
public:
    // The route for `plan` (which must outlive it) with `delimiter`, its checks `checks` (none:
    // unchecked), or nullopt when the layout or the processor is not one it serves.
    static std::optional<FastRoute> prepare(const ComposePlan &plan, const RecordChecks *checks,
                                            const OutputOptions &options, std::string_view delimiter,
                                            FastKernels kernels = fastKernelsFor(simdPath()));

    bool append(std::string_view record, size_t recordBytes, std::string &out, Warnings &warnings, size_t &undecodable)
    {
        return kernels_.record(shape_, record, recordBytes, scratch_, out, warnings, undecodable);
    }
    // Every line of `lines`, none longer than FastShape::MaxBytes as kept (see FastKernels).
    void appendLines(const LineSpans &lines, std::string &out, size_t *ends, Warnings *warnings, size_t *undecodable)
    {
        kernels_.lines(shape_, lines, scratch_, out, ends, warnings, undecodable);
    }

private:
    FastRoute(FastShape shape, FastKernels kernels) : shape_(std::move(shape)), kernels_(kernels) {}
    FastShape shape_;
    FastKernels kernels_;
    FastScratch scratch_;
};

// The checks of a record's shape (see RecordChecks::check) from the same masks, 64 bytes at a
// time, for the records the route does not compose (longer ones, or all of a layout it does not
// serve).
class FastChecks {
public:
    // None when the processor has no kernel.
    static std::optional<FastChecks> prepare(const ComposePlan &plan, const RecordChecks &checks,
                                             FastKernels kernels = fastKernelsFor(simdPath()));

    // The warnings of `record` (its whole length `recordBytes`).
    Warnings check(std::string_view record, size_t recordBytes) const { return check_(shape_, record, recordBytes); }

private:
    FastChecks(FastShape shape, decltype(FastKernels::check) kernel) : shape_(std::move(shape)), check_(kernel) {}
    FastShape shape_;
    decltype(FastKernels::check) check_;
};
