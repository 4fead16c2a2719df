#include "compose/ComposePlan.h"

#include "cp932/Cp932.h"
#include "cp932/Cp932Codec.h"
#include "compose/FieldValues.h"
#include "compose/OutputFormat.h"
#include "layout/WidthText.h"
#include "paths/CharOffsets.h"

#include <algorithm>

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

} // namespace

ComposePlan::ComposePlan(const LayoutModel &model, std::string_view delimiter)
    : ComposePlan(model, outputFields(model), 1, delimiter)
{
}

ComposePlan ComposePlan::ofField(const LayoutModel &model, int field) { return ComposePlan(model, {field}, 0, ","); }

ComposePlan::ComposePlan(const LayoutModel &model, const std::vector<int> &fields, int firstPosition,
                         std::string_view delimiter)
    : unit_(model.Unit), options_(model.Output), delimiter_(delimiter)
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
    for (const Piece &piece : pieces) {
        columns_.push_back({indexOf(piece.start0), indexOf(piece.end0)});
        unitsSpanned_ += size_t(piece.end0 - piece.start0);
    }
    offsets_.resize(boundaries_.size());
    // Types matter for output columns only (a plan of one field serves comparisons).
    if (firstPosition > 0 && !model.Types.empty() && columns_.size() == fields.size()) {
        bool anyTyped = false;
        for (const int field : fields) {
            const auto type = model.Types.find(int16_t(field));
            steps_.push_back(typedStep(type == model.Types.end() ? FieldType{} : type->second));
            anyTyped = anyTyped || steps_.back().type.kind != FieldKind::Text;
            typedRoom_.timesPiece = std::max(typedRoom_.timesPiece, steps_.back().timesPiece);
            typedRoom_.extra = std::max(typedRoom_.extra, steps_.back().extra);
        }
        if (!anyTyped) steps_.clear();
    }
    route_ = routeFor(delimiter_);
}

void ComposePlan::locate(std::string_view line, const long long *units, size_t count, size_t *offsets) const
{
    if (unit_ == WidthUnit::Bytes) {
        for (size_t i = 0; i < count; ++i) offsets[i] = size_t(std::min<long long>(units[i], (long long)line.size()));
    } else {
        static const CharOffsetsFinder findCharOffsets = charOffsetsFor(simdPath());
        findCharOffsets(line, units, count, offsets);
    }
}

std::string_view ComposePlan::firstColumn(std::string_view line) const
{
    if (failure_) throw *failure_;
    if (columns_.empty()) return {};
    const Column &column = columns_.front();
    const long long ends[2] = {boundaries_[column.firstBoundary], boundaries_[column.lastBoundary]};
    size_t offsets[2];
    locate(line, ends, 2, offsets);
    return line.substr(offsets[0], offsets[1] - offsets[0]);
}

void ComposePlan::cutColumns(std::string_view line, std::vector<std::string_view> &pieces) const
{
    if (failure_) throw *failure_;
    std::vector<size_t> offsets(boundaries_.size());
    locate(line, boundaries_.data(), offsets.size(), offsets.data());
    pieces.clear();
    for (const Column &column : columns_) {
        const size_t begin = offsets[column.firstBoundary];
        pieces.push_back(line.substr(begin, offsets[column.lastBoundary] - begin));
    }
}

bool ComposePlan::compose(std::string_view line, std::string &out, size_t &undecodable)
{
    if (failure_) throw *failure_;
    if (columns_.empty()) return false;
    (this->*route_)(line, delimiter_, out, undecodable);
    return true;
}

bool ComposePlan::compose(std::string_view line, std::string_view delimiter, std::string &out, size_t &undecodable)
{
    if (failure_) throw *failure_;
    if (columns_.empty()) return false;
    (this->*(delimiter == delimiter_ ? route_ : routeFor(delimiter)))(line, delimiter, out, undecodable);
    return true;
}

void ComposePlan::composeValues(std::string_view line, std::vector<ColumnValue> &values)
{
    if (failure_) throw *failure_;
    locate(line, boundaries_.data(), boundaries_.size(), offsets_.data());
    valueWarnings_ = 0;
    values.clear();
    typedValues_.clear();
    typedRanges_.clear();
    using Kind = ColumnValue::Kind;
    // Typed values are gathered first and pointed to once their buffer no longer moves.
    for (size_t i = 0; i < columns_.size(); ++i) {
        const std::string_view column = pieceOf(line, columns_[i]);
        const FieldType type = steps_.empty() ? FieldType{} : steps_[i].type;
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
