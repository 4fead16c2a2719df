#include "PreviewTableModel.h"

#include "Cp932Text.h"
#include "errors/ErrorText.h"
#include "layout/FieldGrid.h"
#include "compose/FieldValues.h"
#include "frmKenarisDisplay.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <algorithm>
#include <map>

namespace {

const QColor WarningColor(0xFF, 0xD8, 0xA0);

// The warnings a field's value draws: a value its type does not read, a user-defined character.
Warnings valueWarnings(std::string_view piece, const FieldType &type, std::string &scratch)
{
    Warnings found = holdsUserDefined(piece) ? warningBit(Warning::UserDefined) : 0;
    scratch.clear();
    if (type.kind == FieldKind::Number && !appendNumber(piece, type.decimals, scratch))
        found |= warningBit(Warning::BadNumber);
    if (type.kind == FieldKind::Date && !appendDate(piece, type.date, scratch)) found |= warningBit(Warning::BadDate);
    return found;
}

QString warningNames(Warnings warnings)
{
    QStringList names;
    for (size_t kind = 0; kind < WarningKinds; ++kind)
        if (warnings & warningBit(Warning(kind)))
            names << QString::fromStdString(std::string(warningName(Warning(kind))));
    return names.join(QLatin1Char('\n'));
}

// Output positions of each field, as the output list shows them.
std::map<int, QStringList> outputPositions(const LayoutModel &model)
{
    std::map<int, QStringList> positions;
    if (!model.OutputLayout) return positions;
    for (size_t position = 1; position < model.OutputLayout->size(); ++position) {
        const int field = (*model.OutputLayout)[position].SourceField;
        if (field == -1) break;
        positions[field] << QString::number(position);
    }
    return positions;
}

} // namespace

void PreviewTableModel::show(std::vector<SampleRecord> records, const LayoutModel &model)
{
    beginResetModel();
    records_ = std::move(records);
    const FieldGrid grid(model);
    const std::map<int, QStringList> positions = outputPositions(model);
    const ComposePlan output(model);
    const RecordChecks checks(model, output.failure() ? std::vector<long long>() : output.boundaries());
    pieces_.clear();
    recordWarnings_.clear();
    cellWarnings_.clear();
    std::vector<std::string_view> cut;
    std::string scratch;
    for (const SampleRecord &record : records_) {
        grid.cut(record.bytes, cut);
        std::vector<std::pair<size_t, size_t>> &row = pieces_.emplace_back();
        std::vector<Warnings> &cells = cellWarnings_.emplace_back();
        Warnings &recordWarnings =
            recordWarnings_.emplace_back(checks.check(record.bytes, std::max(record.length, record.bytes.size())));
        for (size_t field = 0; field < cut.size(); ++field) {
            const std::string_view piece = cut[field];
            row.emplace_back(size_t(piece.data() - record.bytes.data()), piece.size());
            const auto type = model.Types.find(int16_t(field + 1));
            cells.push_back(valueWarnings(piece, type == model.Types.end() ? FieldType{} : type->second, scratch));
            // Only a value the output writes counts for the record, as in a run.
            if (positions.contains(int(field + 1))) recordWarnings |= cells.back();
        }
    }
    failingField_.reset();
    if (grid.failure()) {
        failingField_ = grid.failure()->field() >= 1 ? grid.failure()->field() - 1 : 0;
        failureText_ = QString::fromStdString(describeError(*grid.failure()));
    }
    totalWidth_ = grid.totalWidth();

    headers_.clear();
    for (int field = 1; field <= grid.fields(); ++field) {
        const FieldEntry &entry = model.FieldTable[size_t(field - 1)];
        Header header{QStringLiteral("%1 %2 (%3)")
                          .arg(field, 2, 10, QLatin1Char('0'))
                          .arg(decodeCp932(entry.Name), decodeCp932(entry.Width))};
        if (const auto found = positions.find(field); found != positions.end()) {
            header.text += QStringLiteral("\n出力 %1").arg(found->second.join(QStringLiteral("・")));
            header.output = true;
        }
        headers_.push_back(header);
    }
    endResetModel();
}

Warnings PreviewTableModel::cellWarning(const QModelIndex &index) const
{
    const std::vector<Warnings> &cells = cellWarnings_[size_t(index.row())];
    return size_t(index.column()) < cells.size() ? cells[size_t(index.column())] : 0;
}

int PreviewTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(records_.size()); }

int PreviewTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(headers_.size());
}

QVariant PreviewTableModel::data(const QModelIndex &index, int role) const
{
    const int column = index.column();
    const bool failing = failingField_ && column == *failingField_;
    switch (role) {
    case Qt::DisplayRole: {
        if (failing) return failureText_;
        const auto &row = pieces_[size_t(index.row())];
        if (size_t(column) >= row.size()) return QString(); // after the failing field
        const auto [offset, size] = row[size_t(column)];
        return decodeCp932(std::string_view(records_[size_t(index.row())].bytes).substr(offset, size));
    }
    case Qt::BackgroundRole: {
        // A value that draws a warning stands out; every other column shaded, so that field edges
        // are easy to see; output columns tinted.
        if (cellWarning(index)) return QBrush(WarningColor);
        const bool output = size_t(column) < headers_.size() && headers_[size_t(column)].output;
        if (output) return QBrush(column % 2 ? QColor(0xD8, 0xE8, 0xFF) : QColor(0xE8, 0xF2, 0xFF));
        return column % 2 ? QVariant(QBrush(QColor(0xEE, 0xEE, 0xEE))) : QVariant();
    }
    case Qt::ToolTipRole:
        return cellWarning(index) ? QVariant(warningNames(cellWarning(index))) : QVariant();
    case Qt::ForegroundRole:
        return failing ? QVariant(QBrush(Qt::red)) : QVariant();
    default:
        return {};
    }
}

QVariant PreviewTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const size_t sections = orientation == Qt::Vertical ? records_.size() : headers_.size();
    if (section < 0 || size_t(section) >= sections) return {};
    if (orientation == Qt::Vertical) {
        const Warnings warnings = recordWarnings_[size_t(section)];
        if (role == Qt::DisplayRole) return records_[size_t(section)].number;
        if (role == Qt::BackgroundRole && warnings) return QBrush(WarningColor);
        if (role == Qt::ToolTipRole && warnings) return warningNames(warnings);
        return {};
    }
    const Header &header = headers_[size_t(section)];
    if (role == Qt::DisplayRole) return header.text;
    if (role == Qt::FontRole && header.output) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}
