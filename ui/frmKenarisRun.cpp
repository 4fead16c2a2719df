// The conversion run and the composition of a single line.

#include "frmKenaris.h"

#include "compose/ComposePlan.h"
#include "run/ConvertSource.h"
#include "errors/ErrorText.h"
#include "write/FileChecks.h"
#include "compose/HeaderLine.h"
#include "MsgBox.h"
#include "compose/OutputFormat.h"
#include "write/OutputWriter.h"
#include "run/RecordLoop.h"
#include "run/RunReport.h"
#include "read/SampleRecords.h"
#include "write/WorkbookWriter.h"
#include "frmKenarisDisplay.h"
#include "mdlFile.h"
#include "layout/mdlGlobal.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QStringList>

namespace {

// The definition file last opened or saved must not be overwritten by the output.
std::vector<std::string> definitionFiles()
{
    if (mdlGlobal.DefinitionPath.empty()) return {};
    return {mdlGlobal.DefinitionPath};
}

// For a workbook output: which options of lines set now do not apply to it.
QString workbookNote(const OutputOptions &options, std::string_view delimiter)
{
    if (!isWorkbookPath(mdlGlobal.OutputPath)) return {};
    QStringList unused;
    if (options.quote) unused << QStringLiteral("引用符");
    if (delimiter == "\t") unused << QStringLiteral("TAB 区切り");
    if (options.utf8) unused << QStringLiteral("UTF-8");
    if (unused.isEmpty()) return {};
    return QStringLiteral("\n\nExcel ブック (.xlsx) には%1の指定は使われません。")
        .arg(unused.join(QStringLiteral("・")));
}

} // namespace

// Shows the progress, lets the window's events run between records, and stops the run when the
// program is ending or when the output file named during the run cannot take the lines.
class frmKenaris::ConversionProgress : public RunEnvironment {
public:
    ConversionProgress(frmKenaris &window, std::string inputPath)
        : window_(window), inputPath_(std::move(inputPath)), outputPath_(mdlGlobal.OutputPath)
    {
        pauseInterval = window.progressInterval_;
        // A pipe whose writer is silent must not freeze the window: 閉じる ends the run.
        whileWaiting = [this] {
            QCoreApplication::processEvents();
            return !window_.closing_;
        };
    }

    const LayoutModel &layout(size_t) const override { return mdlGlobal; }
    std::string_view delimiter(size_t) const override { return window_.Delimiter; }

    bool betweenRecords(const RunProgress &progress) override
    {
        show(progress);
        QCoreApplication::processEvents();
        if (window_.closing_) return false;
        return acceptOutputPath(progress.count);
    }

    // A failed run still shows how far it got: the records written and the record the failure
    // names, read again from the source when it is not the one in hand.
    void failed(const RunProgress &progress) override
    {
        show(progress);
        if (progress.failedRecord == 0) return;
        std::optional<std::string> record;
        failureOf([&] { record = readRecordAgain(inputPath_, mdlGlobal.RecordLength, progress.failedRecord); });
        showBytes(window_.txtCSV[0], record.value_or(std::string()));
    }

    // Why the run stopped early, for a stop the user should hear about.
    const std::optional<QString> &stopReason() const { return stopReason_; }

private:
    void show(const RunProgress &progress)
    {
        window_.txt件数->setText(QString::number(progress.count));
        showBytes(window_.txtCSV[0], progress.sourceLine);
        if (progress.anyOutput) showOutputLine(window_.txtCSV[1], progress.outputLine, mdlGlobal.Output.utf8);
    }

    // The output file may have been chosen anew while events ran: the lines that follow go
    // there, so it is prepared and held like the first one, and it must not be the source either.
    bool acceptOutputPath(int32_t count)
    {
        const std::string &chosen = mdlGlobal.OutputPath;
        if (chosen == outputPath_ || isSameFile(chosen, outputPath_)) return true;
        const QString stopped =
            QStringLiteral("%1 件目のレコードまで変換したところで変換を中止しました。\n").arg(count);
        if (chosen.empty()) {
            stopReason_ = stopped + QStringLiteral("変換中に出力ファイルの指定が取り消されました。");
            return false;
        }
        // A workbook is written whole at the end: its rows cannot go on in another file, and a
        // stopped run drops it.
        if (isWorkbookPath(chosen) || isWorkbookPath(outputPath_)) {
            stopReason_ = stopped + QStringLiteral("Excel ブック (.xlsx) の出力ファイルは変換中に変えられません"
                                                   "（ブックは最後まで変換したときだけ書き出します）。"
                                                   "変換が終わってから指定し直してください。");
            return false;
        }
        if (const std::optional<QString> failure =
                failureOf([&] { chosenLock_ = prepareOutput(inputPath_, chosen, definitionFiles()); })) {
            stopReason_ = stopped + *failure;
            return false;
        }
        outputPath_ = chosen;
        return true;
    }

    frmKenaris &window_;
    std::string inputPath_;
    std::string outputPath_;
    OutputLock chosenLock_; // the output chosen during the run, held like the first one
    std::optional<QString> stopReason_;
};

void frmKenaris::cmd開始_Click()
{
    if (refusedWhileReading()) return;
    // A second run would delete the file the first one is still writing.
    if (converting_) {
        MsgBox(QStringLiteral("変換中です。今の変換が終わってから、もう一度「変換開始」を押してください。"),
               vbExclamation);
        return;
    }
    converting_ = true;
    std::optional<RunResult> result;
    std::optional<QString> stopReason;
    const std::optional<QString> failure = failureOf(
        [&] {
            if (List[2]->count() == 0) {
                MsgBox(QStringLiteral("出力データを指定してください。"), vbExclamation);
                return;
            }
            if (InputPath.empty()) {
                InputPath = ChooseOpenFile(*this);
                if (InputPath.empty()) return;
                txtInFile->setText(QString::fromStdString(InputPath));
            }
            if (mdlGlobal.OutputPath.empty()) {
                mdlGlobal.OutputPath = ChooseSaveFile(ProposedOutputName, *this);
                if (mdlGlobal.OutputPath.empty()) return;
                txtOutFile->setText(QString::fromStdString(mdlGlobal.OutputPath));
            }
            ConversionProgress progress(*this, InputPath);
            result = convertSource(InputPath, progress, definitionFiles());
            stopReason = progress.stopReason();
        },
        [](const CoreError &error) { return describeRunFailure(error); });
    converting_ = false;

    if (closing_) return;                                           // the program is ending: nothing more to tell
    if (result) txt件数->setText(QString::number(result->count())); // the exact total, also 0 for an empty source
    if (failure) MsgBox(*failure, vbExclamation);
    else if (stopReason) MsgBox(*stopReason, vbExclamation);
    else if (result && !result->stopped)
        MsgBox(QString::fromStdString(runReport(result->targets.front(), mdlGlobal.Selection.has_value())) +
                   workbookNote(mdlGlobal.Output, Delimiter),
               vbOKOnly, QStringLiteral("変換終了"));
}

void frmKenaris::Out1LineFIX(std::string_view line)
{
    showBytes(txtCSV[0], line);
    LineBuffer.clear();
    if (!ComposePlan(mdlGlobal).compose(line, Delimiter, LineBuffer)) return;
    showOutputLine(txtCSV[1], LineBuffer, mdlGlobal.Output.utf8);
    OutputWriter writer(mdlGlobal.OutputPath);
    writer.startFilesWith(outputFileStart(mdlGlobal, Delimiter));
    writer.appendLine(LineBuffer, 0); // a line on its own, outside a run: no record number
    writer.flush();
}
