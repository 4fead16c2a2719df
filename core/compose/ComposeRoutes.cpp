// The routes of ComposePlan: the steps an output line takes, one specialised function for each
// way the options, the unit, the types and the delimiter combine, chosen when the plan is made.

#include "compose/ComposePlan.h"

#include "compose/CopyBytes.h"
#include "compose/FieldValues.h"
#include "compose/OutputFormat.h"
#include "cp932/Cp932.h"
#include "cp932/Cp932Codec.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace {

// Copies `piece`, a part of `line`, to `to`, with room up to `end`. A short piece is copied as
// sixteen bytes where the line and the room have them, whatever its size: no branch on the size;
// the caller writes over the rest or cuts it off.
[[gnu::always_inline]] inline char *copyPiece(char *to, const char *end, std::string_view line, std::string_view piece)
{
    if (piece.size() <= 16 && piece.data() + 16 <= line.data() + line.size() && end - to >= 16) {
        std::memcpy(to, piece.data(), 16);
        return to + piece.size();
    }
    return copyBytes(to, piece);
}

[[gnu::always_inline]] inline char *copyDelimiter(char *to, std::string_view delimiter)
{
    if (delimiter.size() != 1) return copyBytes(to, delimiter);
    *to = delimiter.front();
    return to + 1;
}

std::string_view asCut(std::string_view column, const FieldType &, char *, Warnings &) { return column; }

std::string_view asNumber(std::string_view column, const FieldType &type, char *room, Warnings &warnings)
{
    const size_t length = writeNumber(column, type.decimals, room);
    if (length != NotItsType) return {room, length};
    warnings |= warningBit(Warning::BadNumber);
    return column;
}

std::string_view asDate(std::string_view column, const FieldType &type, char *room, Warnings &warnings)
{
    const size_t length = writeDate(column, type.date, room);
    if (length != NotItsType) return {room, length};
    warnings |= warningBit(Warning::BadDate);
    return column;
}

std::string_view asKana(std::string_view column, const FieldType &, char *room, Warnings &)
{
    return {room, size_t(writeFullWidthKana(column, room) - room)};
}

// What each first byte tells, as a table.
template <typename Tell> constexpr std::array<FirstByte, 256> firstBytes(Tell tell)
{
    std::array<FirstByte, 256> table{};
    for (size_t byte = 0; byte < table.size(); ++byte) table[byte] = tell((unsigned char)byte);
    return table;
}

} // namespace

ComposePlan::TypedStep ComposePlan::typedStep(const FieldType &type)
{
    static constexpr std::array<FirstByte, 256> number = firstBytes(numberFirstByte), date = firstBytes(dateFirstByte),
                                                any = firstBytes([](unsigned char) { return FirstByte::Maybe; }),
                                                none = firstBytes([](unsigned char) { return FirstByte::Never; });
    switch (type.kind) {
    case FieldKind::Number:
        return {asNumber, type, 1, numberRoom(0, type.decimals), &number, warningBit(Warning::BadNumber)};
    case FieldKind::Date:
        return {asDate, type, 1, DateRoom, &date, warningBit(Warning::BadDate)};
    case FieldKind::Kana:
        return {asKana, type, 2, 0, &any, 0};
    case FieldKind::Text:
        break;
    }
    return {asCut, type, 1, 0, &none, 0};
}

ComposePlan::Route ComposePlan::routeFor(std::string_view delimiter) const
{
    if (!steps_.empty()) return &ComposePlan::composeTyped;
    // Indexed by trim + 2 * (quoting + 3 * encoding).
    static constexpr auto routes = []<size_t... index>(std::index_sequence<index...>)
    {
        return std::array<Route, sizeof...(index)>{
            &ComposePlan::composeBy<bool(index % 2), Quoting(index / 2 % 3), Encoding(index / 6)>...};
    }
    (std::make_index_sequence<2 * 3 * 4>());
    const Quoting quoting = !options_.quote         ? Quoting::None
                            : delimiter.size() == 1 ? Quoting::Marked
                                                    : Quoting::ByColumn;
    // By characters, every column is whole characters of the record: the record made UTF-8 once
    // is cut, trimmed and quoted as the record would be. By bytes, where a column may start
    // inside a character, the line is made UTF-8 once it is composed. Both only with a delimiter
    // whose bytes can neither begin nor end a double-byte character (like the quotes), so that
    // the columns keep their own characters.
    const Encoding encoding = !options_.utf8                   ? Encoding::None
                              : !outsideCharacters(delimiter)  ? Encoding::ByColumn
                              : unit_ == WidthUnit::Characters ? Encoding::ByRecord
                                                               : Encoding::ByLine;
    return routes[size_t(options_.trim) + 2 * (size_t(quoting) + 3 * size_t(encoding))];
}

template <bool Trim, ComposePlan::Quoting quoting, ComposePlan::Encoding encoding>
void ComposePlan::composeBy(std::string_view line, std::string_view delimiter, std::string &out, size_t &undecodable)
{
    size_t undecodableInRecord = 0;
    const size_t at = out.size();
    if constexpr (encoding == Encoding::ByRecord) line = encodeRecordUtf8(line, undecodableInRecord);
    else locate(line, boundaries_.data(), boundaries_.size(), offsets_.data());
    // Most lines hold nothing to quote: one look at the whole line spares a look at each column,
    // and where it finds something, tells which columns hold it.
    bool quoteLine = false;
    if constexpr (quoting == Quoting::Marked) {
        quoteMarks_.mark(line, delimiter.front());
        quoteLine = quoteMarks_.any();
    } else if constexpr (quoting == Quoting::ByColumn) {
        quoteLine = needsQuotes(line, delimiter);
    }
    if constexpr (encoding == Encoding::ByLine) scratch_.clear();
    std::string &target = encoding == Encoding::ByLine ? scratch_ : out;
    if (Trim || encoding == Encoding::ByColumn || quoteLine)
        appendColumns<Trim, quoting, encoding>(line, delimiter, quoteLine, target, undecodable);
    else // nothing on this line to reshape
        appendPlain(line, delimiter, target,
                    encoding == Encoding::ByRecord   ? 3
                    : unit_ == WidthUnit::Characters ? 2
                                                     : 1);
    if constexpr (encoding == Encoding::ByLine) undecodable += cp932::appendUtf8(scratch_, out);
    // Only what the columns took of the record counts.
    if constexpr (encoding == Encoding::ByRecord)
        if (undecodableInRecord) undecodable += cp932::countReplacements(std::string_view(out).substr(at));
}

template <bool Trim, ComposePlan::Quoting quoting, ComposePlan::Encoding encoding>
void ComposePlan::appendColumns(std::string_view line, std::string_view delimiter, bool quoteLine, std::string &target,
                                size_t &undecodable)
{
    // As in the plain copy, one resize: to the most the columns can take, then to what they took.
    constexpr bool encodes = encoding == Encoding::ByColumn;
    const size_t *const offsets = offsets_.data();
    const Column *const columns = columns_.data();
    const size_t count = columns_.size();
    const bool reshapes = quoteLine || encodes; // else trimming, which never adds a byte
    size_t room = delimiter.size() * (count - 1);
    for (size_t i = 0; i < count; ++i) {
        const size_t size = offsets[columns[i].lastBoundary] - offsets[columns[i].firstBoundary];
        room += reshapes ? columnRoom(size) : size;
    }
    const size_t at = target.size();
    target.resize(at + room);
    char *to = target.data() + at;
    char *const end = to + room;
    const OutputOptions written{.quote = quoteLine, .utf8 = encodes};
    for (size_t i = 0; i < count; ++i) {
        if (i) to = copyDelimiter(to, delimiter);
        const size_t begin = offsets[columns[i].firstBoundary];
        const size_t columnEnd = offsets[columns[i].lastBoundary];
        std::string_view column = line.substr(begin, columnEnd - begin);
        if constexpr (Trim) column = encoding == Encoding::ByRecord ? trimUtf8Blanks(column) : trimBlanks(column);
        // Trimming takes blanks only: what calls for quotes stays in the column.
        const bool quoted = quoting == Quoting::Marked ? quoteLine && quoteMarks_.within(begin, columnEnd) : quoteLine;
        if (quoted || encodes) {
            OutputOptions options = written;
            options.quote = quoted;
            to = writeColumn(column, options, delimiter, to, undecodable);
        } else { // the usual column: trimmed at most
            to = copyPiece(to, end, line, column);
        }
    }
    target.resize(size_t(to - target.data()));
}

std::string_view ComposePlan::encodeRecordUtf8(std::string_view line, size_t &undecodable)
{
    // The columns take no character past the last boundary.
    const size_t wanted = size_t(boundaries_.back());
    const size_t most = std::min(wanted + 63, line.size());
    if (characterOffsets_.size() < most + 1) {
        utf8Record_.resize(3 * most + 1);
        characterOffsets_.resize(most + 1);
    }
    const uint32_t *const characterOffsets = characterOffsets_.data();
    const size_t characters =
        cp932::writeUtf8Indexed(line, wanted, utf8Record_.data(), characterOffsets_.data(), undecodable);
    const long long *const boundaries = boundaries_.data();
    size_t *const offsets = offsets_.data();
    for (size_t i = 0, count = boundaries_.size(); i < count; ++i)
        offsets[i] = characterOffsets[std::min(size_t(boundaries[i]), characters)];
    return std::string_view(utf8Record_.data(), characterOffsets[characters]);
}

void ComposePlan::appendPlain(std::string_view line, std::string_view delimiter, std::string &out,
                              size_t unitBytes) const
{
    // One resize to the most the columns can take, with room for a short piece's wide copy, then
    // to what they took; plain copies between: appending piece by piece costs more than the
    // cutting. The tables are read through local pointers, as the bytes written might otherwise
    // alias them.
    const size_t *const offsets = offsets_.data();
    const Column *const columns = columns_.data();
    const size_t count = columns_.size();
    const size_t room = std::min(unitsSpanned_ * unitBytes, count * line.size()) + delimiter.size() * (count - 1) + 16;
    const size_t at = out.size();
    out.resize(at + room);
    char *to = out.data() + at;
    char *const end = to + room;
    for (size_t i = 0; i < count; ++i) {
        if (i) to = copyDelimiter(to, delimiter);
        // The offsets lie in the line: no bounds to check.
        const size_t begin = offsets[columns[i].firstBoundary];
        to = copyPiece(to, end, line, {line.data() + begin, offsets[columns[i].lastBoundary] - begin});
    }
    out.resize(size_t(to - out.data()));
}

void ComposePlan::composeTyped(std::string_view line, std::string_view delimiter, std::string &out, size_t &undecodable)
{
    locate(line, boundaries_.data(), boundaries_.size(), offsets_.data());
    // One resize to the most the columns can take, then to what they took. A value is written
    // straight into the line, unless the options reshape it: then into typedValue_ first. The
    // tables are read through local pointers, as the bytes written might otherwise alias them.
    const size_t *const offsets = offsets_.data();
    const Column *const columns = columns_.data();
    const TypedStep *const steps = steps_.data();
    const size_t count = columns_.size();
    const bool reshapes = options_.reshapesColumns();
    size_t pieces = 0;
    for (size_t i = 0; i < count; ++i) pieces += offsets[columns[i].lastBoundary] - offsets[columns[i].firstBoundary];
    // No value takes more than typedRoom_ says of its piece; a piece is at most the line.
    size_t room = delimiter.size() * (count - 1) + typedRoom_.timesPiece * pieces + count * typedRoom_.extra;
    if (reshapes) {
        room = 3 * room + 3 * count; // at least the columnRoom of each value
        const size_t mostValue = typedRoom_.timesPiece * line.size() + typedRoom_.extra;
        if (typedValue_.size() < mostValue) typedValue_.resize(mostValue);
    }
    const size_t at = out.size();
    out.resize(at + room);
    char *to = out.data() + at;
    char *const end = to + room;
    Warnings warnings = 0;
    for (size_t i = 0; i < count; ++i) {
        if (i) to = copyDelimiter(to, delimiter);
        const size_t begin = offsets[columns[i].firstBoundary];
        const std::string_view column = line.substr(begin, offsets[columns[i].lastBoundary] - begin);
        if (column.empty()) continue; // empty whatever its type
        const TypedStep &step = steps[i];
        if (!mayBeValue(column, *step.firstBytes)) {
            warnings |= step.whenCut;
            to =
                reshapes ? writeColumn(column, options_, delimiter, to, undecodable) : copyPiece(to, end, line, column);
        } else if (reshapes) {
            const std::string_view value = step.value(column, step.type, typedValue_.data(), warnings);
            to = writeColumn(value, options_, delimiter, to, undecodable);
        } else {
            const std::string_view value = step.value(column, step.type, to, warnings);
            to = value.data() == to ? to + value.size() : copyPiece(to, end, line, value);
        }
    }
    valueWarnings_ = warnings;
    out.resize(size_t(to - out.data()));
}
