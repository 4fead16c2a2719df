#include "frmPreview.h"

#include "BackgroundRead.h"
#include "layout/FieldGrid.h"
#include "PreviewTableModel.h"
#include "read/SampleRecords.h"
#include "frmKenarisDisplay.h"

#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Sizing a column to its content measures every shown cell: beyond this many columns the rest
// keep the default width.
constexpr int ColumnsSizedToContent = 200;

// The model is plain global state that many handlers change (the width dialog, the menus, a
// definition load, drops in the output list); comparing with what the table was cut by, on a
// short timer, follows every change without each handler having to announce it.
constexpr int FollowIntervalMs = 250;

// What the table shows follows from these parts of the layout.
bool sameCut(const LayoutModel &a, const LayoutModel &b)
{
    return static_cast<const LayoutSettings &>(a) == b && a.FieldTable == b.FieldTable &&
           a.OutputLayout == b.OutputLayout;
}

} // namespace

frmPreview::frmPreview(const std::string &inputPath)
    : QWidget(nullptr, Qt::Window), inputPath_(inputPath), model_(new PreviewTableModel(this)),
      table_(new QTableView(this)), status_(new QLabel(this)), follower_(new QTimer(this))
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("プレビュー"));
    setAttribute(Qt::WA_QuitOnClose, false); // the main window alone decides when the program ends
    table_->setObjectName(QStringLiteral("tblPreview"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    status_->setObjectName(QStringLiteral("lblStatus"));
    status_->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addWidget(status_);
    resize(720, 420);
    auto *close = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(close, &QShortcut::activated, this, &QWidget::close);

    follower_->setInterval(FollowIntervalMs);
    connect(follower_, &QTimer::timeout, this, &frmPreview::refresh);
}

void frmPreview::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (readFailure_) shownLayout_.reset(); // shown again: try the source again
    refresh();
    follower_->start();
}

void frmPreview::hideEvent(QHideEvent *event)
{
    follower_->stop();
    if (reading_) BackgroundRead::stopAll(); // closed while its source is read
    QWidget::hideEvent(event);
}

void frmPreview::refresh()
{
    if (BackgroundRead::busy()) return; // the follower tries again
    if (shownLayout_ && inputPath_ == shownPath_ && sameCut(mdlGlobal, *shownLayout_)) return;
    const bool readAgain = !shownLayout_ || inputPath_ != shownPath_ || !readsSameRecords(mdlGlobal, *shownLayout_);
    shownLayout_ = mdlGlobal;
    shownPath_ = inputPath_;
    if (readAgain) reread();
    else model_->show(model_->records(), mdlGlobal);
    // The header keeps the height it had: a column that becomes an output gets a second line.
    QHeaderView *header = table_->horizontalHeader();
    header->headerDataChanged(Qt::Horizontal, 0, std::max(0, model_->columnCount() - 1));
    emit header->geometriesChanged();
    const int columns = model_->columnCount();
    for (int column = 0; column < std::min(columns, ColumnsSizedToContent); ++column)
        table_->resizeColumnToContents(column);
    showStatus();
}

void frmPreview::reread()
{
    SampleRead read;
    const std::string path = shownPath_;
    const LayoutModel layout = mdlGlobal; // the worker's own copy: handlers may change the model meanwhile
    reading_ = true;
    readFailure_ = path.empty() ? std::nullopt : failureOf([&] {
        BackgroundRead::run(this, path,
                            QStringLiteral("プレビューのため、変換元ファイル「%1」を読み込んでいます。")
                                .arg(QString::fromStdString(path)),
                            [&](const std::atomic<bool> &stop) {
                                read = readSampleRecords(path, layout, {.records = ShownRecords, .stop = &stop});
                            });
    });
    reading_ = false;
    bytesReached_ = read.bytesReached;
    model_->show(std::move(read.records), mdlGlobal);
}

void frmPreview::showStatus()
{
    if (shownPath_.empty()) {
        status_->setText(
            QStringLiteral(
                "変換元ファイルが指定されていません。「元ファイル」で指定すると、先頭の %1 件をここに表示します。")
                .arg(ShownRecords));
        return;
    }
    if (readFailure_) {
        status_->setText(*readFailure_);
        return;
    }
    const std::vector<SampleRecord> &records = model_->records();
    const QString searched = QStringLiteral("先頭 %1 MB まで").arg(SampleLimits().bytes >> 20);
    if (records.empty()) {
        if (bytesReached_)
            status_->setText(QStringLiteral("変換元ファイルの%1を読みましたが、%2。")
                                 .arg(searched, mdlGlobal.Selection
                                                    ? QStringLiteral("対象レコードの指定に合うレコードはありません")
                                                    : QStringLiteral("行の終わりがありません")));
        else
            status_->setText(mdlGlobal.Selection
                                 ? QStringLiteral("変換元ファイルには、対象レコードの指定に合うレコードがありません。")
                                 : QStringLiteral("変換元ファイルにはレコードがありません。"));
        return;
    }
    const WidthUnit unit = mdlGlobal.Unit;
    const QString unitName = unit == WidthUnit::Bytes ? QStringLiteral("バイト") : QStringLiteral("文字");
    const long long firstLength = unitsIn(records.front().bytes, unit);
    QString text = QStringLiteral("表示 %1 件%2　")
                       .arg(records.size())
                       .arg(bytesReached_ ? QStringLiteral("（%1）").arg(searched) : QString());
    if (const std::optional<long long> total = model_->totalWidth()) {
        text += QStringLiteral("レイアウトの合計 %1 %3／先頭レコード %2 %3").arg(*total).arg(firstLength).arg(unitName);
        if (*total != firstLength) text += QStringLiteral("（一致しません）");
    } else {
        text += QStringLiteral("先頭レコード %1 %2（使えない文字長があるため、レイアウトの合計は出せません）")
                    .arg(firstLength)
                    .arg(unitName);
    }
    if (unit == WidthUnit::Characters) {
        const auto differing = std::count_if(records.begin(), records.end(), [&](const SampleRecord &record) {
            return unitsIn(record.bytes, unit) != firstLength;
        });
        text += QStringLiteral("　先頭レコードと文字数が違うレコード %1 件").arg(differing);
    }
    status_->setText(text);
}
