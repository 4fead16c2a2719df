#pragma once
// The steps every kernel of the fast route takes alike once it has its masks: where characters
// start, what the record's shape draws, and the columns' copies. Inlined into each kernel, they
// are compiled for its instructions.

#include "paths/FastRoute.h"

#include <bit>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

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

// Where a line's columns lie in its record, in output order, and what in it calls for quotes.
struct LocatedColumns {
    alignas(64) uint8_t begins[64];
    alignas(64) uint8_t lengths[64];
    uint64_t quotes; // as ByteMasks has them
    uint64_t quoteMarks;
    bool fixed; // at the shape's fixed places (begins and lengths left unset)
};

// The options a line's columns are written with, as the template arguments of the steps below:
// each set is compiled without the tests of the others.
struct ColumnOptions {
    bool typed, trim, quote;
};

// Writes the columns of `record` from `to` on, typed, trimmed and quoted as `options` say (the
// shape's), joined by the delimiter; returns the end of the line and adds the values' warnings to
// `warnings`. `copyColumn(to, from, length)` may write up to 64 bytes at `to`: there must be room
// for lineRoom and WideMoveRoom bytes.
template <ColumnOptions options, class CopyColumn> char *writeColumns(const FastShape &shape, const char *record,
                                                                      const LocatedColumns &located, Warnings &warnings,
                                                                      CopyColumn copyColumn, char *to)
{
    const uint8_t *const begins = located.begins, *const lengths = located.lengths;
    const char delimiter = shape.delimiter;
    const size_t count = shape.columnCount;
    if constexpr (!options.typed && !options.trim && !options.quote) { // the usual line: pieces as cut
        for (size_t i = 0; i < count; ++i) {
            copyColumn(to, record + begins[i], lengths[i]);
            to += lengths[i];
            *to++ = delimiter;
        }
        return to - 1;
    }
    [[maybe_unused]] char typedRoom[FastShape::MaxTypedRoom];
    for (size_t i = 0; i < count; ++i) {
        const size_t begin = begins[i], length = lengths[i];
        std::string_view column(record + begin, length);
        // What calls for quotes is no blank: it stays in the trimmed column.
        bool quoted = options.quote && length > 0 && _bzhi_u64(located.quoteMarks >> begin, unsigned(length)) != 0;
        bool inRecord = true; // else a value written in typedRoom
        if constexpr (options.typed) {
            const std::string_view value = shape.typedPlan->typedValue(i, column, typedRoom, warnings);
            if (value.data() != column.data()) {
                inRecord = false;
                quoted = options.quote && needsQuotes(value, std::string_view(&delimiter, 1));
                column = value;
            }
        }
        if constexpr (options.trim) column = trimBlanks(column);
        // The '"' of a piece of the record are known from its masks; a value's are looked for.
        uint64_t quotesInPiece = 0;
        if (quoted && inRecord)
            quotesInPiece = _bzhi_u64(located.quotes >> (column.data() - record), unsigned(column.size()));
        if (quoted && !inRecord && std::memchr(column.data(), '"', column.size())) {
            size_t undecodable = 0; // none without UTF-8
            to = writeColumn(column, OutputOptions{.quote = true}, std::string_view(&delimiter, 1), to, undecodable);
        } else {
            if (quoted) *to++ = '"';
            size_t done = 0; // each '"' written twice
            for (; quotesInPiece; quotesInPiece &= quotesInPiece - 1) {
                const size_t through = size_t(std::countr_zero(quotesInPiece)) + 1;
                std::memcpy(to, column.data() + done, through - done);
                to += through - done;
                *to++ = '"';
                done = through;
            }
            if (inRecord) copyColumn(to, column.data() + done, column.size() - done);
            else std::memcpy(to, column.data(), column.size());
            to += column.size() - done;
            if (quoted) *to++ = '"';
        }
        *to++ = delimiter;
    }
    return to - 1; // without the last delimiter
}

// The most the line of a record of `size` bytes can take: each column its piece (or value), two
// quotes, a second '"' for each of the record's (columns may repeat: each may hold every one) and
// a delimiter; and a line end.
inline size_t lineRoom(const FastShape &shape, size_t size)
{
    const size_t column = shape.typedPlan ? shape.columnRoom : std::min(shape.columnRoom, size);
    return shape.columnCount * (column + 3 + (shape.quote ? size : 0)) + 2;
}
// Room past the last line for the last column's wide move.
constexpr size_t WideMoveRoom = 64;

// A kernel's two entries around its `locateColumns<Padded>(shape, record, recordBytes, located,
// warnings)`, which finds the columns of a record of at most 64 bytes and sets `warnings` to what
// its shape draws, and its `copyColumn<Padded>`. Padded: the 64 bytes from any byte of the record
// on may be read (see LineReader), though only the record's count.
template <auto copyColumn>
constexpr auto copyBy = [](char *to, const char *from, size_t length) { copyColumn(to, from, length); };

// The warnings of a record's shape alone, from its `masksOf(shape, record)`.
template <auto masksOf> Warnings checkShape(const FastShape &shape, std::string_view record, size_t recordBytes)
{
    const ByteMasks masks = masksOf(shape, record);
    return shapeWarnings(shape, masks, characterStarts(masks), record.size(), recordBytes);
}

// Calls `step.template operator()<options>()` with the shape's options as a template argument.
template <class Step> auto withColumnOptions(const FastShape &shape, Step step)
{
    switch ((shape.typedPlan ? 4 : 0) + (shape.trim ? 2 : 0) + (shape.quote ? 1 : 0)) {
    case 0:
        return step.template operator()<ColumnOptions{false, false, false}>();
    case 1:
        return step.template operator()<ColumnOptions{false, false, true}>();
    case 2:
        return step.template operator()<ColumnOptions{false, true, false}>();
    case 3:
        return step.template operator()<ColumnOptions{false, true, true}>();
    case 4:
        return step.template operator()<ColumnOptions{true, false, false}>();
    case 5:
        return step.template operator()<ColumnOptions{true, false, true}>();
    case 6:
        return step.template operator()<ColumnOptions{true, true, false}>();
    default:
        return step.template operator()<ColumnOptions{true, true, true}>();
    }
}

template <auto locateColumns, auto copyColumn> bool appendRecord(const FastShape &shape, std::string_view record,
                                                                 size_t recordBytes, std::string &out,
                                                                 Warnings &warnings)
{
    if (record.size() > FastShape::MaxBytes) return false;
    LocatedColumns located;
    locateColumns(shape, record, recordBytes, located, warnings);
    const size_t at = out.size();
    out.resize(at + lineRoom(shape, record.size()) + WideMoveRoom);
    const char *const end = withColumnOptions(shape, [&]<ColumnOptions options>() {
        return writeColumns<options>(shape, record.data(), located, warnings, copyBy<copyColumn>, out.data() + at);
    });
    out.resize(size_t(end - out.data()));
    return true;
}

// The lines are located a group at a time, then written: no line's locating waits for the line
// before it to be written. They are written in `scratch`, then appended, as a string is only made
// longer by filling.
// A kernel with `writeFixedLine(shape, record, to)` (returning the line's end) writes so the
// lines its locating finds `fixed`.
template <auto locateColumns, auto copyColumn, auto writeFixedLine = nullptr>
void appendLines(const FastShape &shape, const LineSpans &lines, std::vector<char> &scratch, std::string &out,
                 size_t *ends, Warnings *warnings)
{
    size_t room = WideMoveRoom;
    for (size_t i = 0; i < lines.count; ++i) room += lineRoom(shape, lines.kept[i]);
    if (scratch.size() < room) scratch.resize(room);
    char *const start = scratch.data();
    char *to = start;
    const size_t at = out.size();
    withColumnOptions(shape, [&]<ColumnOptions options>() {
        const auto writeLine = [&shape](const char *record, const LocatedColumns &where, Warnings &found, char *into) {
            if constexpr (!std::is_null_pointer_v<decltype(writeFixedLine)>)
                if (where.fixed) return writeFixedLine(shape, record, into);
            return writeColumns<options>(shape, record, where, found, copyBy<copyColumn>, into);
        };
        constexpr size_t Group = 32;
        LocatedColumns located[Group];
        for (size_t first = 0; first < lines.count; first += Group) {
            const size_t last = std::min(first + Group, lines.count);
            for (size_t i = first; i < last; ++i)
                locateColumns(shape, lines.line(i), lines.bytes[i], located[i - first], warnings[i]);
            for (size_t i = first; i < last; ++i) {
                to = writeLine(lines.base + lines.begins[i], located[i - first], warnings[i], to);
                *to++ = '\r';
                *to++ = '\n';
                ends[i] = at + size_t(to - start);
            }
        }
    });
    out.append(start, size_t(to - start));
}

} // namespace
