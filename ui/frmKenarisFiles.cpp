// Choosing the source and output files, and the preview of the source's first (selected) record,
// which follows every change of the layout.

#include "frmKenaris.h"

#include "BackgroundRead.h"
#include "Cp932Text.h"
#include "MsgBox.h"
#include "read/SampleRecords.h"
#include "layout/Slicing.h"
#include "frmKenarisDisplay.h"
#include "mdlFile.h"
#include "layout/mdlGlobal.h"

#include <QLineEdit>

#include <algorithm>

void frmKenaris::cmdFile_Click()
{
    runHandler([this] {
        InputPath = ChooseOpenFile(*this);
        if (InputPath.empty()) return;
        showChosenSource();
    });
}

void frmKenaris::showChosenSource()
{
    txtInFile->setText(QString::fromStdString(InputPath));
    List[0]->clear();
    cmd読込_Click();
    List[0]->setFocus(); // the fields are picked next, with the mouse or the keyboard
}

void frmKenaris::cmd読込_Click()
{
    // Output columns chosen for this layout (loaded with it, or picked since) fit the new source
    // as well; a changed layout starts afresh.
    const bool keepColumns =
        mdlGlobal.OutputLayout && columnsLayout_ && columnsLayout_->FieldTable == mdlGlobal.FieldTable &&
        columnsLayout_->FieldCount == mdlGlobal.FieldCount && columnsLayout_->Unit == mdlGlobal.Unit;
    if (!keepColumns) {
        List[2]->clear();
        recreateOutputLayout();
        columnsLayout_ = mdlGlobal;
    }
    readSample();
    showSample();
}

void frmKenaris::readSample()
{
    sample_.reset();
    sampleLayout_ = mdlGlobal;
    if (InputPath.empty()) return;
    SampleRead first;
    const std::string path = InputPath;
    const LayoutModel layout = mdlGlobal; // the worker's own copy: handlers may change the model meanwhile
    std::optional<QString> failure = failureOf([&] {
        BackgroundRead::run(this, path,
                            QStringLiteral("変換元ファイル「%1」の先頭のレコードを読み込んでいます。")
                                .arg(QString::fromStdString(path)),
                            [&](const std::atomic<bool> &stop) {
                                first = readSampleRecords(path, layout, {.records = 1, .stop = &stop});
                            });
    });
    if (!first.records.empty()) sample_ = std::move(first.records.front().bytes);
    if (closing_) return; // the program is ending: nothing more to tell
    const QString file = QString::fromStdString(path);
    const QString selected = layout.Selection ? QStringLiteral("対象レコード (フィールド %1 が「%2」のレコード) ")
                                                    .arg(layout.Selection->field)
                                                    .arg(decodeCp932(layout.Selection->text))
                                              : QString();
    if (!failure && first.bytesReached && first.records.empty())
        failure = QStringLiteral("ファイル「%1」の先頭 %2 MB までに%3")
                      .arg(file)
                      .arg(SampleLimits().bytes >> 20)
                      .arg(layout.Selection ? selected + QStringLiteral("が見つからないため、項目を表示できません。")
                                            : QStringLiteral("行の終わりがないため、項目を表示できません。"));
    else if (!failure && first.recordsRead == 0)
        failure = QStringLiteral("ファイル「%1」には行がひとつもないため、項目を表示できません。").arg(file);
    else if (!failure && first.records.empty())
        failure = QStringLiteral("ファイル「%1」には%2がひとつもないため、項目を表示できません。").arg(file, selected);
    if (failure) MsgBox(*failure, vbExclamation);
}

void frmKenaris::showSample()
{
    List[0]->clear();
    const std::optional<QString> failure = failureOf([this] {
        if (sample_) FIX1Line(*sample_);
    });
    // Each output column shows its field's piece of the record now listed.
    for (int row = 0; row < List[2]->count(); ++row) {
        const int field = fieldNumberOf(List[2]->itemBytes(row));
        if (field == 0) continue; // an entry of a definition file that names no field
        List[2]->setItemBytes(row, dragText(field, field <= List[0]->count() ? List[0]->itemBytes(field - 1) : ""));
    }
    if (failure) MsgBox(*failure, vbExclamation);
}

void frmKenaris::followLayout(const std::vector<int16_t> *renumbered)
{
    // Output columns follow their fields; those of a field deleted go with it.
    if (renumbered)
        for (int row = List[2]->count() - 1; row >= 0; --row) {
            const int field = fieldNumberOf(List[2]->itemBytes(row));
            if (field <= 0 || size_t(field) >= renumbered->size()) continue;
            if (const int16_t now = (*renumbered)[size_t(field)]; now == 0) delete List[2]->takeItem(row);
            else List[2]->setItemBytes(row, dragText(now, ""));
        }
    // A new record length or selection, or new widths for the selection's field, may take another
    // first record.
    if (!sampleLayout_ || !readsSameRecords(*sampleLayout_, mdlGlobal)) readSample();
    showSample();
}

void frmKenaris::cmdSave_Click()
{
    runHandler([this] {
        mdlGlobal.OutputPath = ChooseSaveFile(ProposedOutputName, *this);
        txtOutFile->setText(QString::fromStdString(mdlGlobal.OutputPath));
    });
}

void frmKenaris::FIX1Line(std::string_view line)
{
    // Each item names its field, so that equal values of different fields can be told apart; the
    // item keeps the piece alone, which a drag carries.
    int field = 0;
    splitSample(line, mdlGlobal, [this, &field](std::string_view piece) {
        ++field;
        // The value before the name, where the narrow list shows it; brackets show its blanks.
        const QString text = QStringLiteral("%1「%2」%3")
                                 .arg(field, 2, 10, QLatin1Char('0'))
                                 .arg(decodeCp932(piece), decodeCp932(mdlGlobal.FieldTable[size_t(field - 1)].Name));
        List[0]->appendBytes(piece, text);
        List[0]->item(List[0]->count() - 1)->setToolTip(text);
    });
}

void frmKenaris::recreateOutputLayout()
{
    std::vector<OutputItem> layout(size_t(std::max<int>(mdlGlobal.FieldCount, 0)) + 1, OutputItem{-1});
    layout[0].SourceField = 0; // never used
    mdlGlobal.OutputLayout = std::move(layout);
}
