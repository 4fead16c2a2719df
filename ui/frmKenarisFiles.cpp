// Choosing the source and output files, and the preview of the source's first line.

#include "frmKenaris.h"

#include "LineReader.h"
#include "MsgBox.h"
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
    bool noLine = false;
    std::optional<QString> failure = failureOf([this, &noLine] {
        std::string firstLine;
        {
            LineReader reader(InputPath);
            std::string_view line;
            noLine = !reader.next(line);
            firstLine = line;
        }
        List[0]->clear();
        if (!noLine) FIX1Line(firstLine);
    });
    // Whatever the first line gave, the emptied output list needs a fresh layout to agree with.
    recreateOutputLayout();
    if (noLine)
        failure = QStringLiteral("ファイル「%1」には行がひとつもないため、項目を表示できません。")
                      .arg(QString::fromStdString(InputPath));
    if (failure) MsgBox(*failure, vbExclamation, QStringLiteral("ケナリス"));
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
