#pragma once
// The preview window: the first records of the source cut into every field of the layout, so
// that a layout can be checked on many records before a conversion. Not modal; it follows the
// layout while it is shown.

#include "layout/mdlGlobal.h"

#include <QWidget>

#include <optional>
#include <string>

class PreviewTableModel;
class QLabel;
class QTableView;
class QTimer;

class frmPreview : public QWidget {
    Q_OBJECT
public:
    // How many records the table shows at most.
    static constexpr size_t ShownRecords = 100;

    // `inputPath` is the main window's source path, read whenever the table is brought up to date.
    explicit frmPreview(const std::string &inputPath);

    // Brings the table up to date with the source and the layout, rereading the source only when
    // how records are read has changed.
    void refresh();

    QTableView *table() const { return table_; }
    QLabel *status() const { return status_; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void reread();
    void showStatus();

    const std::string &inputPath_;
    std::string shownPath_;
    std::optional<QString> readFailure_;     // why the source could not be read
    bool reading_ = false;                   // the source is being read
    bool bytesReached_ = false;              // the read ended at its bound in bytes
    std::optional<LayoutModel> shownLayout_; // the layout the table was last cut by, once filled
    PreviewTableModel *model_;
    QTableView *table_;
    QLabel *status_;
    QTimer *follower_;
};
