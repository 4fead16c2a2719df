#pragma once
// What a record may draw a warning for: it does not fit its layout, or a value is not what its
// field's type says. Warnings never stop a run by themselves; each kind is counted.

#include "layout/mdlGlobal.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class Warning : uint8_t {
    LengthMismatch, // a line's length (in the layout's unit) differs from the layout's total
    LineEndInside,  // a record read by length holds a CR or LF
    SplitCharacter, // a byte-counted column boundary falls inside a two-byte character
    UserDefined,    // a user-defined character (lead byte 0xF0..0xF9)
    BadNumber,      // a NUMBER field that is no number
    BadDate,        // a DATE field that is no possible date
};
inline constexpr size_t WarningKinds = 6;

// A set of warnings, one bit each.
using Warnings = unsigned;
constexpr Warnings warningBit(Warning warning) { return 1u << unsigned(warning); }

// The warnings' report lines' words, in the order above.
std::string_view warningName(Warning warning);

// How often a kind was drawn, and by which source record first.
struct WarningCount {
    int32_t records = 0;
    int32_t firstRecord = 0;
};
using WarningCounts = std::array<WarningCount, WarningKinds>;

// The checks of a record's shape against one layout, prepared once like a ComposePlan.
class RecordChecks {
public:
    // `boundaries`: the byte offsets (0-based) where the layout's output columns start and end.
    RecordChecks(const LayoutModel &layout, const std::vector<long long> &boundaries);
    // `record` may be cut to the bytes the layouts reach; `recordBytes` is its whole length.
    Warnings check(std::string_view record, size_t recordBytes) const;
    // The bytes of a record the checks look at (0: none beyond what the fields reach).
    size_t bytesReached() const;
    // Whether records are read by length (else a record is a line).
    bool byLength() const { return byLength_; }
    // The layout's total width in its unit, or -1 when a width cannot be used.
    long long total() const { return total_; }

private:
    WidthUnit unit_;
    bool byLength_;
    long long total_ = -1;                 // of all fields, or -1 when a width cannot be used
    std::vector<uint64_t> boundaryBlocks_; // bytes counted: bit b of block k for a boundary at 64 k + b
};

// Whether `record` holds a user-defined character (lead byte 0xF0..0xF9).
bool holdsUserDefined(std::string_view record);
