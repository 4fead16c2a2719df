#pragma once
// The steps every kernel of the fast route takes alike once it has its masks: where characters
// start, what the record's shape draws, and the columns' copies. Inlined into each kernel, they
// are compiled for its instructions.

#include "paths/FastRoute.h"

#include <bit>
#include <cstdint>
#include <algorithm>
#include <cstring>

namespace {

// Bit i set where byte i of the record is of that kind; nothing past the record's end.
struct ByteMasks {
    uint64_t inRecord;
    uint64_t lead;        // may begin a double-byte character
    uint64_t trail;       // may end one
    uint64_t lineEnds;    // CR or LF (with checks or quotes)
    uint64_t userDefined; // 0xF0..0xF9 (with checks)
    uint64_t quotes;      // '"', doubled inside quotes (with quotes)
    uint64_t quoteMarks;  // what calls for quotes: the delimiter, '"', CR or LF (with quotes)
};

// Bit i set where a character starts at byte i. A lead byte followed by a trail byte begins a
// pair; in a run of such bytes the first starts a character and every other one after it does:
// the runs that start at even bytes are found by the carry of adding their first bits.
uint64_t characterStarts(const ByteMasks &masks)
{
    constexpr uint64_t evenBytes = 0x5555555555555555ULL;
    const uint64_t pairs = masks.lead & (masks.trail >> 1);
    const uint64_t runFirsts = pairs & ~(pairs << 1);
    const uint64_t evenRuns = pairs & ~(pairs + (runFirsts & evenBytes));
    const uint64_t doubleStarts = (evenRuns & evenBytes) | (pairs & ~evenRuns & ~evenBytes);
    return ~(doubleStarts << 1) & masks.inRecord;
}

// The warnings of the record's shape (see RecordChecks::check) from its masks and starts.
Warnings shapeWarnings(const FastShape &shape, const ByteMasks &masks, uint64_t starts, size_t size, size_t recordBytes)
{
    Warnings found = 0;
    bool countCharacters = false;
    const auto total = shape.total;
    if (shape.byLength) {
        if (masks.lineEnds) found |= warningBit(Warning::LineEndInside);
    } else if (total >= 0) {
        const bool possible = shape.characters ? (long long)size >= total && (long long)size <= 2 * total
                                               : (long long)recordBytes == total;
        if (!possible) found |= warningBit(Warning::LengthMismatch);
        countCharacters = possible && shape.characters;
    }
    if (countCharacters && std::popcount(starts) != total) found |= warningBit(Warning::LengthMismatch);
    if (shape.splitBoundaries & masks.inRecord & ~starts) found |= warningBit(Warning::SplitCharacter);
    if (masks.userDefined & starts) found |= warningBit(Warning::UserDefined);
    return found;
}

// The bytes of the record that call for quotes.
// Appends the columns of `record`, column i `lengths[i]` bytes from byte `begins[i]` on, typed,
// trimmed and quoted as the shape says, joined by the delimiter; adds the values' warnings to
// `warnings`. `copyColumn(to, begin, length)` may write up to 64 bytes at `to`: the line is given
// room for the longest it can be, then cut to what it took.
template <class CopyColumn> void appendColumns(const FastShape &shape, const char *record, const uint8_t *begins,
                                               const uint8_t *lengths, const ByteMasks &marks, Warnings &warnings,
                                               CopyColumn copyColumn, std::string &out)
{
    const size_t count = shape.columnCount, at = out.size();
    // A quoted column gains its two quotes and a second '"' for each of its own (columns may
    // repeat or overlap: each may hold every '"' of the record).
    out.resize(at + count * (shape.columnRoom + 3 + size_t(std::popcount(marks.quotes))));
    char *const start = out.data() + at;
    char *to = start;
    const char delimiter = shape.delimiter;
    char typedRoom[FastShape::MaxTypedRoom];
    for (size_t i = 0; i < count; ++i) {
        const size_t begin = begins[i], length = lengths[i];
        std::string_view column(record + begin, length);
        // What calls for quotes is no blank: it stays in the trimmed column.
        bool quoted = length > 0 && _bzhi_u64(marks.quoteMarks >> begin, unsigned(length)) != 0;
        bool inRecord = true; // else a value written in typedRoom
        if (shape.typedPlan) {
            const std::string_view value = shape.typedPlan->typedValue(i, column, typedRoom, warnings);
            if (value.data() != column.data()) {
                inRecord = false;
                quoted = shape.quote && needsQuotes(value, std::string_view(&delimiter, 1));
                column = value;
            }
        }
        if (shape.trim) column = trimBlanks(column);
        if (quoted && std::memchr(column.data(), '"', column.size())) {
            size_t undecodable = 0; // none without UTF-8
            to = writeColumn(column, OutputOptions{.quote = true}, std::string_view(&delimiter, 1), to, undecodable);
        } else {
            if (quoted) *to++ = '"';
            if (inRecord) copyColumn(to, size_t(column.data() - record), column.size());
            else std::memcpy(to, column.data(), column.size());
            to += column.size();
            if (quoted) *to++ = '"';
        }
        *to++ = delimiter; // the last one is cut off below
    }
    out.resize(at + size_t(to - start) - 1);
}

} // namespace
