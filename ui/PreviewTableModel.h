#pragma once
// The cells of the preview window: one row per sample record, one column per field of the
// table, each field cut as the conversion cuts it and decoded only when shown.

#include "errors/CoreError.h"
#include "compose/RecordChecks.h"
#include "read/SampleRecords.h"
#include "layout/mdlGlobal.h"

#include <QAbstractTableModel>

#include <optional>
#include <utility>
#include <vector>

class PreviewTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Cuts `records` by the layout of `model` (widths, unit, output positions).
    void show(std::vector<SampleRecord> records, const LayoutModel &model);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The facts the status line reports.
    const std::vector<SampleRecord> &records() const { return records_; }
    std::optional<long long> totalWidth() const { return totalWidth_; }
    // The warnings record `row` draws (as a run would count them), marked in its row header.
    Warnings recordWarnings(int row) const { return recordWarnings_[size_t(row)]; }

private:
    struct Header {
        QString text;
        bool output = false; // the field is an output column
    };

    Warnings cellWarning(const QModelIndex &index) const;

    std::vector<SampleRecord> records_;
    std::vector<std::vector<std::pair<size_t, size_t>>> pieces_; // per record: offset and size per field
    std::vector<Header> headers_;
    std::vector<Warnings> recordWarnings_;
    std::vector<std::vector<Warnings>> cellWarnings_; // per record: per field, what its value draws
    std::optional<int> failingField_;                 // 0-based column that shows the error
    QString failureText_;
    std::optional<long long> totalWidth_;
};
