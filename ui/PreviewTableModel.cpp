#include "PreviewTableModel.h"

#include "Cp932Text.h"
#include "ErrorText.h"
#include "FieldGrid.h"
#include "frmKenarisDisplay.h"

#include <QBrush>
#include <QColor>
#include <QFont>

#include <map>

namespace {

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
    pieces_.clear();
    std::vector<std::string_view> cut;
    for (const SampleRecord &record : records_) {
        grid.cut(record.bytes, cut);
        std::vector<std::pair<size_t, size_t>> &row = pieces_.emplace_back();
        for (std::string_view piece : cut) row.emplace_back(size_t(piece.data() - record.bytes.data()), piece.size());
    }
    failingField_.reset();
    if (grid.failure()) {
        failingField_ = grid.failure()->field() >= 1 ? grid.failure()->field() - 1 : 0;
        failureText_ = QString::fromStdString(describeError(*grid.failure()));
    }
    totalWidth_ = grid.totalWidth();

    const std::map<int, QStringList> positions = outputPositions(model);
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
        // Every other column shaded, so that field edges are easy to see; output columns tinted.
        const bool output = size_t(column) < headers_.size() && headers_[size_t(column)].output;
        if (output) return QBrush(column % 2 ? QColor(0xD8, 0xE8, 0xFF) : QColor(0xE8, 0xF2, 0xFF));
        return column % 2 ? QVariant(QBrush(QColor(0xEE, 0xEE, 0xEE))) : QVariant();
    }
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
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(records_[size_t(section)].number) : QVariant();
    const Header &header = headers_[size_t(section)];
    if (role == Qt::DisplayRole) return header.text;
    if (role == Qt::FontRole && header.output) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}
