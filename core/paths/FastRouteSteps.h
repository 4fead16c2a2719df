#pragma once
// The steps every kernel of the fast route takes alike once it has its masks: where characters
// start, what the record's shape draws, and the columns' copies. Inlined into each kernel, they
// are compiled for its instructions.

#include "cp932/Cp932.h"
#include "cp932/Cp932Codec.h"
#include "paths/FastRoute.h"

#include <bit>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>
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
    uint64_t high;        // 0x80..0xFF: no ASCII (made UTF-8)
};

// Bit i set where a character starts at byte i of a block of a record. A lead byte followed by a
// trail byte begins a pair; in a run of such bytes the first starts a character and every other
// one after it does: the runs that start at even bytes are found by the carry of adding their
// first bits. `trailAfter`: the byte after the block (in the record) may end a pair. `secondByte`:
// bit 0 set when the block's first byte ends the pair the block before began, then whether the
// next block's does.
[[gnu::always_inline]] inline uint64_t characterStarts(const ByteMasks &masks, bool trailAfter, uint64_t &secondByte)
{
    constexpr uint64_t evenBytes = 0x5555555555555555ULL;
    const uint64_t pairs = masks.lead & (masks.trail >> 1 | uint64_t(trailAfter) << 63) & ~secondByte;
    const uint64_t runFirsts = pairs & ~(pairs << 1);
    const uint64_t evenRuns = pairs & ~(pairs + (runFirsts & evenBytes));
    const uint64_t doubleStarts = (evenRuns & evenBytes) | (pairs & ~evenRuns & ~evenBytes);
    const uint64_t secondBytes = doubleStarts << 1 | secondByte;
    secondByte = doubleStarts >> 63;
    return ~secondBytes & masks.inRecord;
}

// The same for a record of at most 64 bytes.
[[gnu::always_inline]] inline uint64_t characterStarts(const ByteMasks &masks)
{
    uint64_t secondByte = 0;
    return characterStarts(masks, false, secondByte);
}

// What the checks of a record's shape look at, gathered from its blocks' masks and starts.
struct ShapeScan {
    bool lineEnd = false, splitBoundary = false, userDefined = false;
    long long characters = 0;

    void add(const ByteMasks &masks, uint64_t starts, uint64_t splitBoundaries)
    {
        lineEnd |= masks.lineEnds != 0;
        splitBoundary |= (splitBoundaries & masks.inRecord & ~starts) != 0;
        userDefined |= (masks.userDefined & starts) != 0;
        characters += std::popcount(starts);
    }
};

// The warnings of the record's shape (see RecordChecks::check) from what its scan found, without
// a branch: by characters its count of them is all the length check needs (fewer bytes than the
// total, or more than twice it, hold another count).
[[gnu::always_inline]] inline Warnings shapeWarnings(const FastShape &shape, const ShapeScan &scan, size_t recordBytes)
{
    const long long counted = shape.characters ? scan.characters : (long long)recordBytes;
    const bool lengthChecked = !shape.byLength && shape.total >= 0;
    return (lengthChecked && counted != shape.total ? warningBit(Warning::LengthMismatch) : 0) |
           (shape.byLength && scan.lineEnd ? warningBit(Warning::LineEndInside) : 0) |
           (scan.splitBoundary ? warningBit(Warning::SplitCharacter) : 0) |
           (scan.userDefined ? warningBit(Warning::UserDefined) : 0);
}

// The same for a record of at most 64 bytes, from its masks and starts.
[[gnu::always_inline]] inline Warnings shapeWarnings(const FastShape &shape, const ByteMasks &masks, uint64_t starts,
                                                     size_t recordBytes)
{
    ShapeScan scan;
    scan.add(masks, starts, shape.splitBoundariesIn(0));
    return shapeWarnings(shape, scan, recordBytes);
}

// Where a line's columns lie in its record, in output order, with the record's masks and
// character starts.
struct LocatedColumns {
    alignas(64) uint8_t begins[64];
    alignas(64) uint8_t lengths[64];
    ByteMasks masks;
    uint64_t starts;
    bool fixed; // at the shape's fixed places (begins and lengths left unset)
};

// The options a line's columns are written with, as the template arguments of the steps below:
// each set is compiled without the tests of the others.
struct ColumnOptions {
    bool typed, trim, quote, utf8;
    constexpr bool operator==(const ColumnOptions &) const = default;
};

// The UTF-8 of the record's `length` bytes from `from` on, a character at a time by its cell. By
// characters a piece is whole characters of the record, which start where the record's do; by
// bytes it may begin inside one and is read as a text of its own, as the line made UTF-8 whole
// reads it (the delimiter and quotes before it are no bytes of a character). The byte after the
// piece must be readable. Sets `undecodable` when a character could not be decoded.
inline char *writeUtf8Piece(const FastShape &shape, const LocatedColumns &located, const char *record, size_t from,
                            size_t length, char *to, bool &undecodable)
{
    if (length == 0) return to;
    const uint64_t inPiece = _bzhi_u64(~uint64_t(0), unsigned(length));
    const uint64_t lead = located.masks.lead >> from & inPiece, trail = located.masks.trail >> from & inPiece;
    uint64_t starts = located.starts >> from & inPiece;
    if (!shape.characters) {
        ByteMasks inThePiece{};
        inThePiece.inRecord = inPiece;
        inThePiece.lead = lead;
        inThePiece.trail = trail;
        starts = characterStarts(inThePiece);
    }
    // Only a pair is looked up with its second byte: the cells of the others are the first 256,
    // which stay in the nearest cache. A lead byte without its trail byte in the piece is one of
    // them (U+FFFD).
    const uint64_t pairs = starts & lead & trail >> 1;
    const char *const piece = record + from;
    const uint32_t *const cells = shape.utf8Cells;
    uint32_t allCells = 0;
    for (; starts; starts = _blsr_u64(starts)) {
        const unsigned at = unsigned(_tzcnt_u64(starts));
        uint16_t two;
        std::memcpy(&two, piece + at, 2);
        // Eight bits of a single byte, sixteen of a pair (x86-64: the first byte is the low one).
        const uint32_t cell = cells[_bzhi_u32(two, 8 + 8 * unsigned(pairs >> at & 1))];
        std::memcpy(to, &cell, 4); // the fourth byte lands in the room and is written over
        to += cp932::Utf8Cell::length(cell);
        allCells |= cell;
    }
    undecodable |= cp932::Utf8Cell::marked(allCells);
    return to;
}

// The shuffles that join the UTF-8 of four bytes, each held as a word of four bytes (its UTF-8 in
// the first one or three): entry m for the bytes whose bit is set in m being half-width kana.
struct KanaShuffles {
    alignas(16) uint8_t picks[16][16];
    constexpr KanaShuffles() : picks()
    {
        for (unsigned kana = 0; kana < 16; ++kana) {
            unsigned at = 0;
            for (unsigned byte = 0; byte < 4; ++byte)
                for (unsigned taken = 0; taken < ((kana >> byte & 1) ? 3u : 1u); ++taken)
                    picks[kana][at++] = uint8_t(4 * byte + taken);
            while (at < 16) picks[kana][at++] = 0x80;
        }
    }
};
inline constexpr KanaShuffles kanaShuffles;

// ASCII and half-width kana made UTF-8 16 bytes at a time: ASCII is its own UTF-8, and kana
// 0xA1..0xDF is U+FF61..U+FF9F, EF BD A1..BF for 0xA1..0xBF and EF BE 80..9F for 0xC0..0xDF, as
// the cells have them. Returns the end of what was written, or nullptr when a byte of the
// `length` bytes at `from` is neither. 16 bytes from each byte of them may be read, and up to 16
// written past the end.
inline char *writeKanaSpan(const char *from, size_t length, char *to)
{
    for (size_t done = 0; done < length; done += 16) {
        const size_t left = length - done;
        const unsigned inSpan = left >= 16 ? 0xFFFF : (1u << left) - 1;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + done));
        // 0xA1..0xDF moved to the least signed bytes, then one compare.
        const __m128i kana = _mm_cmpgt_epi8(_mm_set1_epi8(char(0xDF - 0xA1 - 0x7F)),
                                            _mm_add_epi8(bytes, _mm_set1_epi8(char(0x80 - 0xA1))));
        const unsigned kanaBits = unsigned(_mm_movemask_epi8(kana)) & inSpan;
        const unsigned asciiBits = ~unsigned(_mm_movemask_epi8(bytes)) & inSpan;
        if ((kanaBits | asciiBits) != inSpan) return nullptr;
        const __m128i upper = _mm_and_si128(kana, _mm_cmpgt_epi8(bytes, _mm_set1_epi8(char(0xBF)))); // 0xC0..0xDF
        const __m128i first = _mm_blendv_epi8(bytes, _mm_set1_epi8(char(0xEF)), kana);
        const __m128i second = _mm_sub_epi8(_mm_set1_epi8(char(0xBD)), upper);
        const __m128i third = _mm_sub_epi8(bytes, _mm_and_si128(upper, _mm_set1_epi8(0x40)));
        const __m128i firstSeconds[2] = {_mm_unpacklo_epi8(first, second), _mm_unpackhi_epi8(first, second)};
        const __m128i thirds[2] = {_mm_unpacklo_epi8(third, _mm_setzero_si128()),
                                   _mm_unpackhi_epi8(third, _mm_setzero_si128())};
        for (size_t four = 0; four < 4 && 4 * four < left; ++four) {
            const __m128i words = four % 2 ? _mm_unpackhi_epi16(firstSeconds[four / 2], thirds[four / 2])
                                           : _mm_unpacklo_epi16(firstSeconds[four / 2], thirds[four / 2]);
            const unsigned kanaOfFour = kanaBits >> (4 * four) & 15;
            _mm_storeu_si128(reinterpret_cast<__m128i *>(to),
                             _mm_shuffle_epi8(words, _mm_load_si128(reinterpret_cast<const __m128i *>(
                                                         kanaShuffles.picks[kanaOfFour]))));
            to += std::min<size_t>(4, left - 4 * four) + 2 * size_t(std::popcount(kanaOfFour));
        }
    }
    return to;
}

// The UTF-8 of the record's `length` bytes from `from` on, by the quickest way that holds: ASCII as
// it is, a record without a lead byte 16 bytes at a time, else a character at a time.
template <class CopyColumn>
[[gnu::always_inline]] inline char *writeUtf8Span(const FastShape &shape, const LocatedColumns &located,
                                                  const char *record, size_t from, size_t length, CopyColumn copyColumn,
                                                  char *to, bool &undecodable)
{
    if (length == 0 || !_bzhi_u64(located.masks.high >> from, unsigned(length))) {
        copyColumn(to, record + from, length); // ASCII is its own UTF-8
        return to + length;
    }
    if (!located.masks.lead)
        if (char *const end = writeKanaSpan(record + from, length, to)) return end;
    return writeUtf8Piece(shape, located, record, from, length, to, undecodable);
}

// Writes the columns of `record` from `to` on, typed, trimmed, quoted and made UTF-8 as `options`
// say (the shape's), joined by the delimiter; returns the end of the line, adds the values'
// warnings to `warnings` and sets `undecodable` when UTF-8 could not decode a character.
// `copyColumn(to, from, length)` may write up to 64 bytes at `to`: there must be room for lineRoom
// and WideMoveRoom bytes.
template <ColumnOptions options, class CopyColumn>
char *writeColumns(const FastShape &shape, const char *record, const LocatedColumns &located, Warnings &warnings,
                   bool &undecodable, CopyColumn copyColumn, char *to)
{
    const uint8_t *const begins = located.begins, *const lengths = located.lengths;
    const char delimiter = shape.delimiter;
    const size_t count = shape.columnCount;
    if constexpr (!options.typed && !options.trim && !options.quote && !options.utf8) { // pieces as cut
        for (size_t i = 0; i < count; ++i) {
            copyColumn(to, record + begins[i], lengths[i]);
            to += lengths[i];
            *to++ = delimiter;
        }
        return to - 1;
    }
    [[maybe_unused]] char typedRoom[FastShape::MaxTypedRoom];
    [[maybe_unused]] const auto typedValue = [&] {
        if constexpr (options.typed) return shape.typedPlan->typedValues();
        else return nullptr;
    }();
    for (size_t i = 0; i < count; ++i) {
        const size_t begin = begins[i], length = lengths[i];
        std::string_view column(record + begin, length);
        // What calls for quotes is no blank: it stays in the trimmed column.
        bool quoted =
            options.quote && length > 0 && _bzhi_u64(located.masks.quoteMarks >> begin, unsigned(length)) != 0;
        bool inRecord = true; // else a value written in typedRoom
        if constexpr (options.typed && !options.trim && !options.quote) {
            // Nothing reshapes a value: it is written straight into the line.
            const std::string_view value = typedValue(i, column, to, warnings);
            if (value.data() == to) {
                to += value.size();
                *to++ = delimiter;
                continue;
            }
        } else if constexpr (options.typed) {
            const std::string_view value = typedValue(i, column, typedRoom, warnings);
            if (value.data() != column.data()) {
                inRecord = false;
                quoted = options.quote && needsQuotes(value, std::string_view(&delimiter, 1));
                column = value;
            }
        }
        if constexpr (options.trim) column = trimBlanks(column);
        if constexpr (options.utf8) {
            // Quoted, it is written in spans that each end at a '"' (a character of its own, so
            // the next span begins a character), and each '"' is doubled.
            const size_t columnBegin = size_t(column.data() - record);
            uint64_t quotesLeft = quoted ? _bzhi_u64(located.masks.quotes >> columnBegin, unsigned(column.size())) : 0;
            if (quoted) *to++ = '"';
            for (size_t from = columnBegin, end = columnBegin + column.size();;) {
                const size_t through = quotesLeft ? columnBegin + size_t(std::countr_zero(quotesLeft)) + 1 : end;
                to = writeUtf8Span(shape, located, record, from, through - from, copyColumn, to, undecodable);
                if (!quotesLeft) break;
                *to++ = '"';
                quotesLeft &= quotesLeft - 1;
                from = through;
            }
            if (quoted) *to++ = '"';
            *to++ = delimiter;
            continue;
        }
        // The '"' of a piece of the record are known from its masks; a value's are looked for.
        uint64_t quotesInPiece = 0;
        if (quoted && inRecord)
            quotesInPiece = _bzhi_u64(located.masks.quotes >> (column.data() - record), unsigned(column.size()));
        if (quoted && !inRecord && std::memchr(column.data(), '"', column.size())) {
            size_t none = 0; // without UTF-8
            to = writeColumn(column, OutputOptions{.quote = true}, std::string_view(&delimiter, 1), to, none);
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
// a delimiter; made UTF-8, three bytes for each byte of the piece, or two for a '"'; and a line
// end.
inline size_t lineRoom(const FastShape &shape, size_t size)
{
    const size_t column = shape.typedPlan ? shape.columnRoom : std::min(shape.columnRoom, size);
    if (shape.utf8Cells) return shape.columnCount * (3 * column + 3) + 2;
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

// Calls `visit(block, masks, starts)` for blocks 0, 1, ... of 64 bytes of `text`, from their
// `masksOf(shape, bytes)`, while it returns true; a pair may span two blocks.
template <auto masksOf, class Visit> void forEachBlock(const FastShape &shape, std::string_view text, Visit visit)
{
    uint64_t secondByte = 0;
    for (size_t base = 0, block = 0; base < text.size(); base += FastShape::MaxBytes, ++block) {
        const ByteMasks masks = masksOf(shape, text.substr(base, FastShape::MaxBytes));
        const size_t after = base + FastShape::MaxBytes;
        const bool trailAfter = after < text.size() && cp932::isTrailByte(uint8_t(text[after]));
        if (!visit(block, masks, characterStarts(masks, trailAfter, secondByte))) return;
    }
}

// The warnings of a record's shape alone, from the `masksOf(shape, bytes)` of its blocks.
template <auto masksOf> Warnings checkShape(const FastShape &shape, std::string_view record, size_t recordBytes)
{
    if (record.size() <= FastShape::MaxBytes) {
        const ByteMasks masks = masksOf(shape, record);
        return shapeWarnings(shape, masks, characterStarts(masks), recordBytes);
    }
    ShapeScan scan;
    forEachBlock<masksOf>(shape, record, [&](size_t block, const ByteMasks &masks, uint64_t starts) {
        scan.add(masks, starts, shape.splitBoundariesIn(block));
        return true;
    });
    return shapeWarnings(shape, scan, recordBytes);
}

// As cp932::charOffsets, from the `masksOf(shape, bytes)` of the text's blocks: the n-th start of
// a block is found by a bit deposit.
template <auto masksOf>
void charOffsetsInBlocks(std::string_view text, const long long *indices, size_t count, size_t *offsets)
{
    static const FastShape shape; // lead and trail bytes only
    size_t next = 0;
    long long charactersBefore = 0;
    forEachBlock<masksOf>(shape, text, [&](size_t block, const ByteMasks &, uint64_t starts) {
        const long long inBlock = std::popcount(starts);
        for (; next < count && indices[next] - charactersBefore < inBlock; ++next)
            offsets[next] = block * FastShape::MaxBytes +
                            _tzcnt_u64(_pdep_u64(uint64_t(1) << (indices[next] - charactersBefore), starts));
        charactersBefore += inBlock;
        return next < count;
    });
    for (; next < count; ++next) offsets[next] = text.size();
}

// Calls `step.template operator()<options>()` with the shape's options as a template argument.
template <class Step> auto withColumnOptions(const FastShape &shape, Step step)
{
    const size_t chosen =
        (shape.typedPlan ? 8 : 0) + (shape.utf8Cells ? 4 : 0) + (shape.trim ? 2 : 0) + (shape.quote ? 1 : 0);
    constexpr auto optionsAt = [](size_t index) {
        return ColumnOptions{bool(index & 8), bool(index & 2), bool(index & 1), bool(index & 4)};
    };
    using Result = decltype(step.template operator()<ColumnOptions{}>());
    return [&]<size_t... index>(std::index_sequence<index...>)
    {
        if constexpr (std::is_void_v<Result>) {
            (void)((chosen == index && (step.template operator()<optionsAt(index)>(), true)) || ...);
        } else {
            Result result{};
            (void)((chosen == index && (result = step.template operator()<optionsAt(index)>(), true)) || ...);
            return result;
        }
    }
    (std::make_index_sequence<16>());
}

// `length` bytes from `from` to `to` in moves of 32 bytes where the `readable` bytes from `from`
// on hold them all; up to 31 bytes past the copy may be written.
[[gnu::always_inline]] inline void copyInMoves(char *to, const char *from, size_t length, size_t readable)
{
    if (length <= 32 && readable >= 32) // the usual piece: one move
        return _mm256_storeu_si256(reinterpret_cast<__m256i *>(to),
                                   _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from)));
    if (((length + 31) & ~size_t(31)) > readable) return (void)std::memcpy(to, from, length);
    for (size_t done = 0; done < length; done += 32)
        _mm256_storeu_si256(reinterpret_cast<__m256i *>(to + done),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(from + done)));
}

// A record of any length with columns as cut or trimmed (`Trim`): its blocks walked once for the
// character starts, the boundaries located on them and the checks of its shape; then each column
// copied. Sets `warnings` to what its shape draws.
template <auto masksOf, bool Trim> void appendLongColumns(const FastShape &shape, std::string_view record,
                                                          size_t recordBytes, FastScratch &scratch, std::string &out,
                                                          Warnings &warnings)
{
    const ComposePlan &plan = *shape.longPlan;
    const long long *const boundaries = plan.boundaries().data();
    const size_t count = plan.boundaries().size(), size = record.size();
    std::vector<size_t> &offsets = scratch.offsets;
    offsets.resize(count);
    size_t *const located = offsets.data();
    size_t next = 0;
    if (!shape.characters)
        for (; next < count; ++next) located[next] = std::min(size_t(boundaries[next]), size);
    ShapeScan scan;
    if (shape.characters || shape.checked) {
        const uint64_t *const marks = shape.longBoundaryMarks.data();
        const size_t markWords = shape.longBoundaryMarks.size();
        size_t charactersBefore = 0;
        forEachBlock<masksOf>(shape, record, [&](size_t block, const ByteMasks &masks, uint64_t starts) {
            if (shape.checked) scan.add(masks, starts, shape.splitBoundariesIn(block));
            // The marks of the block's characters, deposited onto their starts.
            const size_t word = charactersBefore / 64, shift = charactersBefore % 64;
            if (word + 1 < markWords) {
                const uint64_t window = marks[word] >> shift | (marks[word + 1] << 1) << (63 - shift);
                for (uint64_t marked = _pdep_u64(window, starts); marked; marked = _blsr_u64(marked))
                    located[next++] = block * FastShape::MaxBytes + _tzcnt_u64(marked);
            }
            charactersBefore += size_t(std::popcount(starts));
            return shape.checked || next < count;
        });
    }
    for (; next < count; ++next) located[next] = size; // past the last character
    warnings = shape.checked ? shapeWarnings(shape, scan, recordBytes) : 0;

    // One resize to the most the columns can take (two bytes a character), then to what they took.
    // The columns are read through local pointers, as the bytes written might otherwise alias them.
    const ComposePlan::Column *const columns = plan.columns().data(), *const columnsEnd =
                                                                          columns + plan.columns().size();
    const size_t columnCount = plan.columns().size(), at = out.size();
    const size_t mostBytes = plan.unitsSpanned() * (shape.characters ? 2 : 1);
    out.resize(at + std::min(mostBytes, columnCount * size) + columnCount + 32);
    char *to = out.data() + at;
    for (const ComposePlan::Column *column = columns; column != columnsEnd; ++column) {
        const size_t begin = located[column->firstBoundary];
        std::string_view piece(record.data() + begin, located[column->lastBoundary] - begin);
        if constexpr (Trim) piece = trimBlanks(piece);
        copyInMoves(to, piece.data(), piece.size(), size - size_t(piece.data() - record.data()));
        to += piece.size();
        *to++ = shape.delimiter;
    }
    out.resize(size_t(to - 1 - out.data()));
}

// The same, each set of options compiled on its own: a test in the loop over columns would cost
// the columns as cut a twelfth.
template <auto masksOf> void appendLongRecord(const FastShape &shape, std::string_view record, size_t recordBytes,
                                              FastScratch &scratch, std::string &out, Warnings &warnings)
{
    if (shape.trim) appendLongColumns<masksOf, true>(shape, record, recordBytes, scratch, out, warnings);
    else appendLongColumns<masksOf, false>(shape, record, recordBytes, scratch, out, warnings);
}

template <auto masksOf, auto locateColumns, auto copyColumn>
bool appendRecord(const FastShape &shape, std::string_view record, size_t recordBytes, FastScratch &scratch,
                  std::string &out, Warnings &warnings, size_t &undecodable)
{
    if (record.size() > FastShape::MaxBytes || !shape.shortRecords) {
        if (!shape.longPlan) return false;
        appendLongRecord<masksOf>(shape, record, recordBytes, scratch, out, warnings);
        return true;
    }
    // Made UTF-8, a character is read with the byte after it, and kana 16 bytes at a time.
    alignas(64) char readable[FastShape::MaxBytes + 16];
    if (shape.utf8Cells) {
        std::memcpy(readable, record.data(), record.size());
        std::memset(readable + record.size(), 0, sizeof readable - record.size());
        record = {readable, record.size()};
    }
    LocatedColumns located;
    locateColumns(shape, record, recordBytes, located, warnings);
    const size_t at = out.size();
    out.resize(at + lineRoom(shape, record.size()) + WideMoveRoom);
    bool undecodableSeen = false;
    const char *const end = withColumnOptions(shape, [&]<ColumnOptions options>() {
        return writeColumns<options>(shape, record.data(), located, warnings, undecodableSeen, copyBy<copyColumn>,
                                     out.data() + at);
    });
    out.resize(size_t(end - out.data()));
    if (undecodableSeen) undecodable += cp932::countReplacements(std::string_view(out).substr(at));
    return true;
}

// The lines are located a group at a time, then written: no line's locating waits for the line
// before it to be written. They are written in `scratch`, then appended, as a string is only made
// longer by filling.
// A kernel with `writeFixedLine(shape, record, to)` (returning the line's end) writes so the
// lines its locating finds `fixed`.
template <auto masksOf, auto locateColumns, auto copyColumn, auto writeFixedLine = nullptr>
void appendLines(const FastShape &shape, const LineSpans &lines, FastScratch &scratch, std::string &out, size_t *ends,
                 Warnings *warnings, size_t *undecodable)
{
    if (!shape.shortRecords) { // too many columns for the kernels of short records
        for (size_t i = 0; i < lines.count; ++i) {
            appendLongRecord<masksOf>(shape, lines.line(i), lines.bytes[i], scratch, out, warnings[i]);
            out.append("\r\n", 2);
            ends[i] = out.size();
            undecodable[i] = 0;
        }
        return;
    }
    // No line is longer than the kernel takes.
    const size_t room = WideMoveRoom + lines.count * lineRoom(shape, FastShape::MaxBytes);
    if (scratch.lines.size() < room) scratch.lines.resize(room);
    char *const start = scratch.lines.data();
    char *to = start;
    const size_t at = out.size();
    withColumnOptions(shape, [&]<ColumnOptions options>() {
        const auto writeLine = [&shape](const char *record, const LocatedColumns &where, Warnings &found,
                                        bool &undecodableSeen, char *into) {
            // Only columns as cut lie at fixed places.
            if constexpr (!std::is_null_pointer_v<decltype(writeFixedLine)> && options == ColumnOptions{})
                if (where.fixed) return writeFixedLine(shape, record, into);
            return writeColumns<options>(shape, record, where, found, undecodableSeen, copyBy<copyColumn>, into);
        };
        constexpr size_t Group = 32;
        LocatedColumns located[Group];
        for (size_t first = 0; first < lines.count; first += Group) {
            const size_t last = std::min(first + Group, lines.count);
            for (size_t i = first; i < last; ++i)
                locateColumns(shape, lines.line(i), lines.bytes[i], located[i - first], warnings[i]);
            for (size_t i = first; i < last; ++i) {
                bool undecodableSeen = false;
                char *const lineStart = to;
                to = writeLine(lines.base + lines.begins[i], located[i - first], warnings[i], undecodableSeen, to);
                undecodable[i] = undecodableSeen ? cp932::countReplacements({lineStart, size_t(to - lineStart)}) : 0;
                *to++ = '\r';
                *to++ = '\n';
                ends[i] = at + size_t(to - start);
            }
        }
    });
    out.append(start, size_t(to - start));
}

} // namespace
