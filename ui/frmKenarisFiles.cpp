// Choosing the source and output files, and the preview of the source's first (selected) record.

#include "frmKenaris.h"

#include "BackgroundRead.h"
#include "Cp932Text.h"
#include "MsgBox.h"
#include "SampleRecords.h"
#include "Slicing.h"
#include "frmKenarisDisplay.h"
#include "mdlFile.h"
#include "mdlGlobal.h"

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
    List[2]->clear();
    cmd読込_Click();
}

void frmKenaris::cmd読込_Click()
{
    SampleRead first;
    const std::string path = InputPath;
    const LayoutModel layout = mdlGlobal; // the worker's own copy: handlers may change the model meanwhile
    std::optional<QString> failure = failureOf([&] {
        List[0]->clear();
        BackgroundRead::run(this, path,
                            QStringLiteral("変換元ファイル「%1」の先頭のレコードを読み込んでいます。")
                                .arg(QString::fromStdString(path)),
                            [&](const std::atomic<bool> &stop) {
                                first = readSampleRecords(path, layout, {.records = 1, .stop = &stop});
                            });
        if (!first.records.empty()) FIX1Line(first.records.front().bytes);
    });
    // Whatever the first record gave, the emptied output list needs a fresh layout to agree with.
    recreateOutputLayout();
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

void frmKenaris::cmdSave_Click()
{
    runHandler([this] {
        mdlGlobal.OutputPath = ChooseSaveFile(ProposedOutputName, *this);
        txtOutFile->setText(QString::fromStdString(mdlGlobal.OutputPath));
    });
}

void frmKenaris::FIX1Line(std::string_view line)
{
    splitSample(line, mdlGlobal, [this](std::string_view piece) { List[0]->appendBytes(piece); });
}

void frmKenaris::recreateOutputLayout()
{
    std::vector<OutputItem> layout(size_t(std::max<int>(mdlGlobal.FieldCount, 0)) + 1, OutputItem{-1});
    layout[0].SourceField = 0; // never used
    mdlGlobal.OutputLayout = std::move(layout);
}
