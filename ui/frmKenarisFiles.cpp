// Choosing the source and output files, and the preview of the source's first (selected) record.

#include "frmKenaris.h"

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
    std::vector<SampleRecord> first;
    int32_t recordsRead = 0;
    std::optional<QString> failure = failureOf([this, &first, &recordsRead] {
        List[0]->clear();
        first = readSampleRecords(InputPath, mdlGlobal, 1, &recordsRead);
        if (!first.empty()) FIX1Line(first.front().bytes);
    });
    // Whatever the first record gave, the emptied output list needs a fresh layout to agree with.
    recreateOutputLayout();
    const QString file = QString::fromStdString(InputPath);
    if (!failure && recordsRead == 0)
        failure = QStringLiteral("ファイル「%1」には行がひとつもないため、項目を表示できません。").arg(file);
    else if (!failure && first.empty())
        failure = QStringLiteral("ファイル「%1」には対象レコード (フィールド %2 が「%3」のレコード) "
                                 "がひとつもないため、項目を表示できません。")
                      .arg(file)
                      .arg(mdlGlobal.Selection->field)
                      .arg(decodeCp932(mdlGlobal.Selection->text));
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
