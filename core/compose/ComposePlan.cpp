#include "compose/ComposePlan.h"

#include "cp932/Cp932.h"
#include "cp932/Cp932Codec.h"
#include "compose/CopyBytes.h"
#include "compose/FieldValues.h"
#include "compose/OutputFormat.h"
#include "layout/WidthText.h"

#include <algorithm>
#include <cstring>

namespace {

// Starts of fields (1 plus the widths before them), summed once from field 1 on as far as a
// layout needs them. A start is not bound to 16 bits: 32767 widths of 32767 units add up to
// less than 2^30.
class FieldStarts {
public:
    explicit FieldStarts(const LayoutModel &model) : model_(model), starts_{0, 1} {}

    long long startOf(int field, int position)
    {
        while (int(starts_.size()) <= field && !stop_) {
            const int before = int(starts_.size()) - 1;
            try {
                starts_.push_back(starts_.back() + fieldWidth(model_, before));
            } catch (const CoreError &error) {
                stop_ = error;
            }
        }
        if (int(starts_.size()) > field) return starts_[size_t(field)];
        CoreError error = *stop_;
        throw error.withPosition(position);
    }

private:
    const LayoutModel &model_;
    std::vector<long long> starts_; // starts_[k] is the start of field k
    std::optional<CoreError> stop_; // why no further start can be summed
};

// The fields of the output positions 1, 2, ... up to the first empty position: every position
// the output list shows, whatever the field count (a column dragged in beyond the number of
// fields is written too).
std::vector<int> outputFields(const LayoutModel &model)
{
    std::vector<int> fields;
    const int positions = model.OutputLayout ? int(model.OutputLayout->size()) - 1 : 0;
    for (int position = 1; position <= positions; ++position) {
        const int field = (*model.OutputLayout)[size_t(position)].SourceField;
        if (field == -1) break;
        fields.push_back(field);
    }
    return fields;
}

// Copies `piece`, a part of `line`, to `to`, with room up to `end`. A short piece is copied as
// sixteen bytes where the line and the room have them, whatever its size: no branch on the size;
// the caller writes over the rest or cuts it off.
char *copyPiece(char *to, const char *end, std::string_view line, std::string_view piece)
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

} // namespace

ComposePlan::ComposePlan(const LayoutModel &model) : ComposePlan(model, outputFields(model), 1) {}

ComposePlan ComposePlan::ofField(const LayoutModel &model, int field) { return ComposePlan(model, {field}, 0); }

ComposePlan::ComposePlan(const LayoutModel &model, const std::vector<int> &fields, int firstPosition)
    : unit_(model.Unit), options_(model.Output)
{
    struct Piece {
        long long start0, end0;
    };
    std::vector<Piece> pieces;
    FieldStarts starts(model);
    try {
        for (size_t index = 0; index < fields.size(); ++index) {
            const int position = firstPosition > 0 ? firstPosition + int(index) : 0;
            const int field = fields[index];
            if (field < 1 || field > model.fieldsInTable()) throw CoreError::noSuchField(field).withPosition(position);
            int16_t width = 0;
            try {
                width = fieldWidth(model, field);
            } catch (CoreError &error) {
                error.withPosition(position);
                throw;
            }
            const long long start = starts.startOf(field, position);
            if (width < 0)
                throw CoreError::negativeWidth(field, model.FieldTable[size_t(field - 1)].Width).withPosition(position);
            if (start < 1) throw CoreError::startBelowOne(field, start).withPosition(position);
            pieces.push_back({start - 1, start - 1 + width});
        }
    } catch (const CoreError &error) {
        failure_ = error;
    }

    for (const Piece &piece : pieces) {
        boundaries_.push_back(piece.start0);
        boundaries_.push_back(piece.end0);
    }
    std::sort(boundaries_.begin(), boundaries_.end());
    boundaries_.erase(std::unique(boundaries_.begin(), boundaries_.end()), boundaries_.end());
    auto indexOf = [this](long long unitPosition) {
        return size_t(std::lower_bound(boundaries_.begin(), boundaries_.end(), unitPosition) - boundaries_.begin());
    };
    for (const Piece &piece : pieces) columns_.push_back({indexOf(piece.start0), indexOf(piece.end0)});
    offsets_.resize(boundaries_.size());
    // Types matter for output columns only (a plan of one field serves comparisons).
    if (firstPosition > 0 && !model.Types.empty() && columns_.size() == fields.size()) {
        for (const int field : fields) {
            const auto type = model.Types.find(int16_t(field));
            types_.push_back(type == model.Types.end() ? FieldType{} : type->second);
        }
        if (std::all_of(types_.begin(), types_.end(),
                        [](const FieldType &type) { return type.kind == FieldKind::Text; }))
            types_.clear();
    }
}

inline void ComposePlan::locateBoundaries(std::string_view line) const
{
    if (unit_ == WidthUnit::Bytes) {
        for (size_t i = 0; i < boundaries_.size(); ++i)
            offsets_[i] = size_t(std::min<long long>(boundaries_[i], (long long)line.size()));
    } else {
        cp932::charOffsets(line, boundaries_.data(), boundaries_.size(), offsets_.data());
    }
}

std::string_view ComposePlan::firstColumn(std::string_view line) const
{
    if (failure_) throw *failure_;
    if (columns_.empty()) return {};
    locateBoundaries(line);
    return pieceOf(line, columns_.front());
}

void ComposePlan::cutColumns(std::string_view line, std::vector<std::string_view> &pieces) const
{
    if (failure_) throw *failure_;
    locateBoundaries(line);
    pieces.clear();
    for (const Column &column : columns_) pieces.push_back(pieceOf(line, column));
}

bool ComposePlan::compose(std::string_view line, std::string_view delimiter, std::string &out,
                          size_t &undecodable) const
{
    if (failure_) throw *failure_;
    if (columns_.empty()) return false;
    if (!types_.empty()) {
        appendTyped(line, delimiter, out, undecodable);
        return true;
    }
    OutputOptions options = options_;
    // By characters, every column is whole characters of the record: the record made UTF-8 once
    // is cut, trimmed and quoted as the record would be. Not so by bytes, where a column may start
    // inside a character, nor with a delimiter whose bytes could be part of a CP932 character.
    const bool encodeRecord = options.utf8 && unit_ == WidthUnit::Characters && outsideCharacters(delimiter);
    size_t undecodableInRecord = 0;
    const size_t at = out.size();
    if (encodeRecord) {
        line = encodeRecordUtf8(line, undecodableInRecord);
        options.utf8 = false;
    } else {
        locateBoundaries(line);
    }
    if (options.reshapesColumns()) appendFormatted(line, delimiter, options, encodeRecord, out, undecodable);
    else appendPlain(line, delimiter, out);
    // Only what the columns took of the record counts.
    if (undecodableInRecord) undecodable += cp932::countReplacements(std::string_view(out).substr(at));
    return true;
}

std::string_view ComposePlan::encodeRecordUtf8(std::string_view line, size_t &undecodable) const
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

void ComposePlan::appendPlain(std::string_view line, std::string_view delimiter, std::string &out) const
{
    // One resize and plain copies: appending piece by piece costs more than the cutting. The
    // tables are read through local pointers, as the bytes written might otherwise alias them.
    const size_t *const offsets = offsets_.data();
    const Column *const columns = columns_.data();
    const size_t count = columns_.size();
    size_t length = delimiter.size() * (count - 1);
    for (size_t i = 0; i < count; ++i) length += offsets[columns[i].lastBoundary] - offsets[columns[i].firstBoundary];
    const size_t at = out.size();
    out.resize(at + length);
    char *to = out.data() + at;
    char *const end = to + length;
    for (size_t i = 0; i < count; ++i) {
        if (i) to = copyDelimiter(to, delimiter);
        const size_t begin = offsets[columns[i].firstBoundary];
        to = copyPiece(to, end, line, line.substr(begin, offsets[columns[i].lastBoundary] - begin));
    }
}

void ComposePlan::appendFormatted(std::string_view line, std::string_view delimiter, OutputOptions options,
                                  bool utf8Line, std::string &out, size_t &undecodable) const
{
    // Most lines hold nothing to quote: one look at the whole line spares a look at each column,
    // and where it finds something, tells which columns hold it.
    const bool marked = options.quote && delimiter.size() == 1;
    if (marked) quoteMarks_.mark(line, delimiter.front());
    options.quote = marked ? quoteMarks_.any() : options.quote && needsQuotes(line, delimiter);
    // By bytes, UTF-8 is faster made of the whole line at once; that gives the columns' own
    // characters when the delimiter's bytes (like the quotes) can neither begin nor end a
    // double-byte one.
    const bool encodeLine = options.utf8 && outsideCharacters(delimiter);
    if (encodeLine) {
        options.utf8 = false;
        scratch_.clear();
    }
    std::string &target = encodeLine ? scratch_ : out;
    if (options.reshapesColumns()) appendColumns(line, delimiter, options, marked, utf8Line, target, undecodable);
    else appendPlain(line, delimiter, target); // nothing on this line to reshape
    if (encodeLine) undecodable += cp932::appendUtf8(scratch_, out);
}

void ComposePlan::appendColumns(std::string_view line, std::string_view delimiter, const OutputOptions &options,
                                bool marked, bool utf8Line, std::string &target, size_t &undecodable) const
{
    // As in the plain copy, one resize: to the most the columns can take, then to what they took.
    const size_t *const offsets = offsets_.data();
    const Column *const columns = columns_.data();
    const size_t count = columns_.size();
    const bool reshapes = options.quote || options.utf8; // else trimming, which never adds a byte
    size_t room = delimiter.size() * (count - 1);
    for (size_t i = 0; i < count; ++i) {
        const size_t size = offsets[columns[i].lastBoundary] - offsets[columns[i].firstBoundary];
        room += reshapes ? columnRoom(size) : size;
    }
    const size_t at = target.size();
    target.resize(at + room);
    char *to = target.data() + at;
    char *const end = to + room;
    for (size_t i = 0; i < count; ++i) {
        if (i) to = copyDelimiter(to, delimiter);
        const size_t begin = offsets[columns[i].firstBoundary];
        const size_t columnEnd = offsets[columns[i].lastBoundary];
        std::string_view column = line.substr(begin, columnEnd - begin);
        if (options.trim) column = utf8Line ? trimUtf8Blanks(column) : trimBlanks(column);
        OutputOptions columnOptions = options;
        columnOptions.trim = false;
        // Trimming takes blanks only: what calls for quotes stays in the column.
        if (marked && options.quote) columnOptions.quote = quoteMarks_.within(begin, columnEnd);
        if (columnOptions.quote || columnOptions.utf8)
            to = writeColumn(column, columnOptions, delimiter, to, undecodable);
        else // the usual column: trimmed at most
            to = copyPiece(to, end, line, column);
    }
    target.resize(size_t(to - target.data()));
}

void ComposePlan::appendTyped(std::string_view line, std::string_view delimiter, std::string &out,
                              size_t &undecodable) const
{
    locateBoundaries(line);
    valueWarnings_ = 0;
    // One resize to the most any column can become (kana doubles, a number gains a sign, a point
    // and its implied zeros, a date its dashes), then to what the columns took.
    const size_t count = columns_.size();
    size_t room = delimiter.size() * (count - 1);
    for (const Column &column : columns_)
        room += columnRoom(2 * (offsets_[column.lastBoundary] - offsets_[column.firstBoundary]) + MaxDecimals + 12);
    const size_t at = out.size();
    out.resize(at + room);
    char *to = out.data() + at;
    const bool plain = !options_.reshapesColumns();
    for (size_t i = 0; i < count; ++i) {
        if (i) to = copyDelimiter(to, delimiter);
        std::string_view column = pieceOf(line, columns_[i]);
        const FieldType &type = types_[i];
        if (type.kind != FieldKind::Text) {
            typedValue_.clear();
            bool read = true;
            switch (type.kind) {
            case FieldKind::Number:
                read = appendNumber(column, type.decimals, typedValue_);
                if (!read) valueWarnings_ |= warningBit(Warning::BadNumber);
                break;
            case FieldKind::Date:
                read = appendDate(column, type.date, typedValue_);
                if (!read) valueWarnings_ |= warningBit(Warning::BadDate);
                break;
            case FieldKind::Kana:
                appendFullWidthKana(column, typedValue_);
                break;
            case FieldKind::Text:
                break;
            }
            if (read) column = typedValue_; // else written as it was cut
        }
        to = plain ? copyBytes(to, column) : writeColumn(column, options_, delimiter, to, undecodable);
    }
    out.resize(size_t(to - out.data()));
}

void ComposePlan::composeValues(std::string_view line, std::vector<ColumnValue> &values) const
{
    if (failure_) throw *failure_;
    locateBoundaries(line);
    valueWarnings_ = 0;
    values.clear();
    typedValues_.clear();
    typedRanges_.clear();
    using Kind = ColumnValue::Kind;
    // Typed values are gathered first and pointed to once their buffer no longer moves.
    for (size_t i = 0; i < columns_.size(); ++i) {
        const std::string_view column = pieceOf(line, columns_[i]);
        const FieldType type = types_.empty() ? FieldType{} : types_[i];
        const size_t start = typedValues_.size();
        Kind kind = Kind::Text;
        bool typed = false;
        switch (type.kind) {
        case FieldKind::Number:
            typed = appendNumber(column, type.decimals, typedValues_);
            if (typed) kind = Kind::Number;
            else valueWarnings_ |= warningBit(Warning::BadNumber);
            break;
        case FieldKind::Date:
            typed = appendDate(column, type.date, typedValues_);
            if (typed) kind = Kind::Date;
            else valueWarnings_ |= warningBit(Warning::BadDate);
            break;
        case FieldKind::Kana:
            appendFullWidthKana(column, typedValues_);
            typed = true;
            break;
        case FieldKind::Text:
            break;
        }
        typedRanges_.push_back(typed ? std::pair(start, typedValues_.size()) : std::pair(size_t(0), size_t(0)));
        values.push_back({kind, typed ? std::string_view() : column});
    }
    for (size_t i = 0; i < values.size(); ++i) {
        ColumnValue &value = values[i];
        const auto [start, end] = typedRanges_[i];
        if (end > start) value.bytes = std::string_view(typedValues_).substr(start, end - start);
        if (value.kind == Kind::Text && options_.trim) value.bytes = trimBlanks(value.bytes);
        if (value.bytes.empty()) value.kind = Kind::Empty;
    }
}
