#pragma once
// The composition of one output line, prepared once from the layout model so that each record
// only cuts and joins. Prepare it again whenever the model may have changed: the result is the
// same as converting every width from its text at every record.

#include "errors/CoreError.h"
#include "compose/FieldValues.h"
#include "compose/OutputFormat.h"
#include "compose/RecordChecks.h"
#include "layout/mdlGlobal.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A column's value by what it holds, for outputs that keep types (a workbook's cells).
struct ColumnValue {
    enum class Kind : uint8_t {
        Empty,  // nothing (after trimming)
        Text,   // CP932 bytes: text fields, kana, and values that are not what their type says
        Number, // ASCII, as appendNumber writes it
        Date,   // ASCII, as appendDate writes it (YYYY-MM-DD, YYYY-MM)
    };
    Kind kind = Kind::Empty;
    std::string_view bytes;
};

class ComposePlan {
    struct TypedStep;

public:
    // A column: where it starts and ends, as indices into boundaries().
    struct Column {
        size_t firstBoundary;
        size_t lastBoundary;
    };

    // The output columns of `model`, for lines whose columns are joined by `delimiter`.
    explicit ComposePlan(const LayoutModel &model, std::string_view delimiter = ",");

    // The plan of field `field` alone, as one output column would cut it. Failures carry no
    // output position.
    static ComposePlan ofField(const LayoutModel &model, int field);

    // Appends the fields of `line` in output order, each followed by the delimiter, less the last
    // delimiter; each written as the layout's output options say. Returns false, appending
    // nothing, when the layout yields no column at all. Adds to `undecodable` the characters
    // that UTF-8 output could not decode. Throws the CoreError the layout holds (a width or
    // field that cannot be used). Not const: the plan keeps the buffers each record reuses and
    // the warnings of the last record composed.
    bool compose(std::string_view line, std::string &out, size_t &undecodable);
    // The same with another delimiter than the plan's: its route is looked up at each call.
    bool compose(std::string_view line, std::string_view delimiter, std::string &out, size_t &undecodable);
    bool compose(std::string_view line, std::string_view delimiter, std::string &out)
    {
        size_t undecodable = 0;
        return compose(line, delimiter, out, undecodable);
    }

    // The columns of `line` in output order as values of their types, trimmed where the options
    // say (quotes, the delimiter and UTF-8 do not apply), replacing what `values` held; valid
    // until the next call. Sets valueWarnings as compose does. Throws as compose does.
    void composeValues(std::string_view line, std::vector<ColumnValue> &values);

    // The piece of `line` the first column cuts (empty without columns). Throws as compose does.
    std::string_view firstColumn(std::string_view line) const;

    // The pieces of `line` in output order, without delimiters, replacing what `pieces` held.
    // Throws the CoreError the layout holds.
    void cutColumns(std::string_view line, std::vector<std::string_view> &pieces) const;

    // The failure every record meets with this layout, if any.
    const std::optional<CoreError> &failure() const { return failure_; }
    // Whether the layout yields a column at all.
    bool hasColumns() const { return !columns_.empty(); }
    // How many bytes of a record the columns can reach: a character is at most two bytes.
    size_t bytesReached() const
    {
        if (boundaries_.empty()) return 0;
        return size_t(boundaries_.back()) * (unit_ == WidthUnit::Bytes ? 1 : 2);
    }

    // The values of the last line composed that are not what their field's type says
    // (Warning::BadNumber, Warning::BadDate).
    Warnings valueWarnings() const { return valueWarnings_; }
    // Whether a column has a type other than text.
    bool typed() const { return !steps_.empty(); }
    // Where the columns start and end, in units from the record's start, ascending.
    const std::vector<long long> &boundaries() const { return boundaries_; }
    // The units the columns span together.
    size_t unitsSpanned() const { return unitsSpanned_; }
    // The columns in output order.
    const std::vector<Column> &columns() const { return columns_; }
    // The values of a typed plan's columns, its steps read once for many lines.
    class TypedValues {
    public:
        // Column `column`'s value: its piece `piece` as its type writes it into `room`, or the
        // piece itself where the type leaves it as cut (always for text); adds the warning it
        // draws.
        std::string_view operator()(size_t column, std::string_view piece, char *room, Warnings &warnings) const;

    private:
        friend class ComposePlan;
        explicit TypedValues(const TypedStep *steps) : steps_(steps) {}
        const TypedStep *steps_;
    };
    TypedValues typedValues() const { return TypedValues(steps_.data()); }
    // The room typedValue may take for a piece of `size` bytes.
    size_t typedRoom(size_t size) const { return typedRoom_.timesPiece * size + typedRoom_.extra; }
    WidthUnit unit() const { return unit_; }

private:
    // Columns of `fields` in turn; failures name position `firstPosition` + i, or none for 0.
    ComposePlan(const LayoutModel &model, const std::vector<int> &fields, int firstPosition,
                std::string_view delimiter);

    // The steps a line takes, one route for each way the options, the unit, the types and the
    // delimiter combine, chosen once from a table.
    using Route = void (ComposePlan::*)(std::string_view line, std::string_view delimiter, std::string &out,
                                        size_t &undecodable);
    Route routeFor(std::string_view delimiter) const;
    // The untyped routes: with `Trim`, each column trimmed; `Quoting` and `Encoding` as named.
    enum class Quoting : uint8_t {
        None,
        Marked,   // a one-byte delimiter: the line's quote marks, found once, tell each column
        ByColumn, // a longer delimiter: each column looked at, if the line holds a mark at all
    };
    enum class Encoding : uint8_t {
        None,
        ByRecord, // by characters: the record made UTF-8 once, then cut
        ByLine,   // by bytes: the line composed in CP932, then made UTF-8 at once
        ByColumn, // a delimiter whose bytes may join a character: each column on its own
    };
    template <bool Trim, Quoting quoting, Encoding encoding>
    void composeBy(std::string_view line, std::string_view delimiter, std::string &out, size_t &undecodable);
    template <bool Trim, Quoting quoting, Encoding encoding>
    void appendColumns(std::string_view line, std::string_view delimiter, bool quoteLine, std::string &target,
                       size_t &undecodable);
    // Each column as its type and then the options write it.
    void composeTyped(std::string_view line, std::string_view delimiter, std::string &out, size_t &undecodable);
    // The columns cut and joined, each as it is: the fast path. `unitBytes`: the most bytes a
    // unit of the line takes (a character two, or three made UTF-8).
    void appendPlain(std::string_view line, std::string_view delimiter, std::string &out, size_t unitBytes) const;
    // The record's characters as far as the columns take them, made UTF-8, with offsets_ located
    // in it. Adds to `undecodable` the characters that could not be decoded.
    std::string_view encodeRecordUtf8(std::string_view line, size_t &undecodable);
    // Where the ascending unit positions `units[0..count)` lie in `line`, in bytes.
    void locate(std::string_view line, const long long *units, size_t count, size_t *offsets) const;
    // The column's piece of `line`, once its boundaries are located in offsets_.
    std::string_view pieceOf(std::string_view line, const Column &column) const
    {
        const size_t begin = offsets_[column.firstBoundary];
        return line.substr(begin, offsets_[column.lastBoundary] - begin);
    }

    // A typed column's value: its piece written by its type into `room` (as large as its step
    // says), or the piece itself where the type leaves it as cut. Adds the warning it draws.
    using ValueStep = std::string_view (*)(std::string_view column, const FieldType &type, char *room,
                                           Warnings &warnings);
    struct TypedStep {
        ValueStep value;
        FieldType type;
        size_t timesPiece, extra; // the room its value takes: timesPiece * the piece's size + extra
        // Whether a piece beginning with a byte may be written by `value`; else it is written as
        // cut, drawing `whenCut`: text is never looked at, and most text in a typed field is told
        // at its first byte.
        const std::array<FirstByte, 256> *firstBytes;
        Warnings whenCut;
    };
    static TypedStep typedStep(const FieldType &type);
    // Whether `piece` (not empty) may be a value by what its first byte tells.
    static bool mayBeValue(std::string_view piece, const std::array<FirstByte, 256> &tells)
    {
        const FirstByte first = tells[static_cast<unsigned char>(piece.front())];
        const bool alone = piece.size() == 1 || piece[1] == ' ' || piece[1] == '\x81';
        return first == FirstByte::Maybe || (first == FirstByte::WhenAlone && alone);
    }

    WidthUnit unit_;
    OutputOptions options_;
    std::string delimiter_;
    Route route_ = nullptr;
    std::vector<long long> boundaries_; // 0-based unit positions, ascending, each once
    std::vector<Column> columns_;
    size_t unitsSpanned_ = 0; // by the columns together
    std::optional<CoreError> failure_;
    std::vector<TypedStep> steps_; // of each column, when any is typed; else empty
    struct {
        size_t timesPiece = 1, extra = 0;
    } typedRoom_; // the most any step takes

    // Reused from record to record.
    Warnings valueWarnings_ = 0;
    std::string typedValue_;                             // the column in hand as its type writes it
    std::string typedValues_;                            // composeValues' typed columns, one after another
    std::vector<std::pair<size_t, size_t>> typedRanges_; // each column's in typedValues_
    std::vector<size_t> offsets_;                        // byte offset of each boundary in the line in hand
    std::string scratch_;                                // the CP932 line before it is made UTF-8
    std::string utf8Record_;                             // the record made UTF-8, by characters
    std::vector<uint32_t> characterOffsets_;             // where each character begins in utf8Record_
    QuoteMarks quoteMarks_;                              // of the line in hand
};

inline std::string_view ComposePlan::TypedValues::operator()(size_t column, std::string_view piece, char *room,
                                                             Warnings &warnings) const
{
    if (piece.empty()) return piece;
    const TypedStep &step = steps_[column];
    if (!mayBeValue(piece, *step.firstBytes)) {
        warnings |= step.whenCut;
        return piece;
    }
    return step.value(piece, step.type, room, warnings);
}
