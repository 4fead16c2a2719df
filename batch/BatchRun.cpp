#include "BatchRun.h"

#include "run/ConvertSource.h"
#include "errors/CoreError.h"
#include "DefinitionReader.h"
#include "errors/ErrorText.h"
#include "write/FileChecks.h"
#include "ProgressLine.h"
#include "run/RecordLoop.h"
#include "run/RunInterrupt.h"
#include "run/RunReport.h"
#include "TerminalText.h"
#include "write/WorkbookWriter.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

// A signal that came just before a read or write began does not interrupt it: the alarm
// interrupts it again every second until the run has ended.
void interruptAgain(int) { ::alarm(1); }

void requestStop(int signal)
{
    stopSignal = signal;
    runInterruptSignal = signal;
    ::alarm(1);
}

// The first interrupt ends the run after the record in hand, or at once while the run waits on
// a pipe or a terminal (no restart of the interrupted call); a second one ends the program.
void stopOnSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    action.sa_handler = interruptAgain;
    action.sa_flags = 0;
    sigaction(SIGALRM, &action, nullptr);
}

// Once the run is over, the closing messages are written without interruption.
void endInterrupting()
{
    std::signal(SIGALRM, SIG_IGN);
    ::alarm(0);
}

void say(const std::string &message) { std::fputs(forTerminal(message + "\n").c_str(), stderr); }

// A part's counts and record numbers are its own: its reports and messages begin by saying so.
std::string partNote(const BatchJob &job)
{
    if (job.part.whole()) return {};
    return "パート " + std::to_string(job.part.index) + "/" + std::to_string(job.part.count) +
           " (件数と何件目かは、このパートの中で数えています)\n";
}

// After a run that did not convert every record: workbook outputs were dropped.
void sayWorkbooksDropped(const BatchJob &job)
{
    if (std::any_of(job.layouts.begin(), job.layouts.end(),
                    [](const BatchLayout &layout) { return isWorkbookPath(layout.outputPath); }))
        say("Excel ブック (.xlsx) は最後まで変換したときだけ書き出すため、出力していません。");
}

int interrupted(const BatchJob &job, int32_t recordsConverted)
{
    say(partNote(job) + "中断しました。" + std::to_string(recordsConverted) + " 件目までのレコードを変換済みです。");
    sayWorkbooksDropped(job);
    return 128 + int(stopSignal);
}

// A reader of standard output that went away ends the run as it ends other filters: quietly,
// with the status of SIGPIPE.
constexpr int ReaderGone = 128 + SIGPIPE;

bool readerGone(const CoreError &error)
{
    return error.kind() == CoreError::Kind::FileWrite && error.systemError() == EPIPE && isStandardOutput(error.path());
}

class BatchEnvironment : public FixedRunEnvironment {
public:
    BatchEnvironment(const std::vector<LayoutModel> &models, bool tab) : FixedRunEnvironment(models, tab ? "\t" : ",")
    {
        pipeOpen = PipeOpen::Wait; // a filter waits for the other end of a named pipe
    }
    void failed(const RunProgress &progress) override { linesKept_ = progress.linesKept; }
    bool betweenRecords(const RunProgress &progress) override
    {
        progress_.show(progress.count);
        return stopSignal == 0;
    }
    ProgressLine &progress() { return progress_; }
    // After a failure, the lines on disk in each output.
    const std::vector<size_t> &linesKept() const { return linesKept_; }

private:
    ProgressLine progress_;
    std::vector<size_t> linesKept_;
};

bool hasOutputColumn(const Definition &definition)
{
    for (const DefinitionOutput &output : definition.outputs)
        if (output.listed) return true;
    return false;
}

// The layout of the definition file writing to its output, or nothing after saying why it
// cannot run.
std::optional<LayoutModel> loadLayout(const BatchLayout &layout)
{
    std::optional<Definition> definition;
    try {
        definition = readDefinitionFile(layout.definitionPath);
    } catch (const CoreError &error) {
        if (error.kind() == CoreError::Kind::TooManyEntries) // a layout the model cannot hold
            say(describeError(error));
        else // missing, unreadable or malformed: nothing was done
            say(std::string(NotADefinitionMessage) + "\n" + describeError(error));
        return std::nullopt;
    }
    if (!definition) {
        say(std::string(NotADefinitionMessage) + "（定義ファイル「" + layout.definitionPath + "」）");
        return std::nullopt;
    }
    if (definition->unreadEntry) { // the window loads it; a run would name "field 0"
        say(describeError(*definition->unreadEntry));
        return std::nullopt;
    }
    if (!hasOutputColumn(*definition)) {
        say("定義ファイル「" + layout.definitionPath + "」には出力データが指定されていません。");
        return std::nullopt;
    }
    LayoutModel model = LayoutModel::startup();
    applyDefinition(*definition, model);
    model.OutputPath = layout.outputPath;
    return model;
}

std::string recordLengthText(int32_t length)
{
    return length > 0 ? "レコード長 " + std::to_string(length) + " バイト" : std::string("1 行 1 レコード");
}

// The source is cut once, so every layout must cut it alike.
bool sameRecordLength(const BatchJob &job, const std::vector<LayoutModel> &models)
{
    for (size_t index = 1; index < models.size(); ++index) {
        if (models[index].RecordLength == models[0].RecordLength) continue;
        say("定義ファイル「" + job.layouts[0].definitionPath + "」(" + recordLengthText(models[0].RecordLength) +
            ") と「" + job.layouts[index].definitionPath + "」(" + recordLengthText(models[index].RecordLength) +
            ") はレコード長が違うため、1 回の読み込みで変換できません。");
        return false;
    }
    return true;
}

// What a user reads of a failure, and the exit code it gives. With several outputs, the lines
// each holds tell where to go on.
int failed(const BatchJob &job, const CoreError &error, const std::vector<size_t> &linesKept)
{
    if (stopSignal != 0) return interrupted(job, error.record() > 0 ? error.record() - 1 : 0);
    if (readerGone(error)) return ReaderGone;
    if (isRefusal(error)) { // nothing was done
        if (error.target() > 0)
            say("定義ファイル「" + job.layouts[size_t(error.target() - 1)].definitionPath +
                "」のレイアウトでは変換できません。");
        say(describeError(error));
        return ExitRefused;
    }
    const bool sourceUnreadable =
        error.kind() == CoreError::Kind::FileOpen && error.record() == 0 && error.path() == job.sourcePath;
    std::string message =
        sourceUnreadable ? "変換元ファイルを読み込めません。\n" + describeError(error) : describeRunFailure(error);
    if (job.layouts.size() > 1 && linesKept.size() == job.layouts.size()) {
        message += "\n出力ファイルごとの書き込み済みの行数:";
        for (size_t index = 0; index < linesKept.size(); ++index)
            message.append("\n ")
                .append(std::to_string(linesKept[index]))
                .append("行 ")
                .append(job.layouts[index].outputPath);
    }
    say(partNote(job) + message);
    sayWorkbooksDropped(job);
    return ExitFailed;
}

// The window's closing report for one layout; one line " N件 OUTPUT" per output for several.
std::string report(const BatchJob &job, const std::vector<LayoutModel> &models, const RunResult &result)
{
    if (models.size() == 1)
        return partNote(job) + runReport(result.targets.front(), models.front().Selection.has_value()) + "\n";
    std::string lines = partNote(job);
    for (size_t index = 0; index < models.size(); ++index) {
        // Appended piece by piece: GCC 12 takes " " + a temporary for an overlapping copy (-Wrestrict).
        lines.append(" ").append(std::to_string(result.targets[index].converted)).append("件 ");
        lines.append(job.layouts[index].outputPath).append("\n");
        if (const std::string sheets = sheetsReport(result.targets[index]); !sheets.empty()) lines += sheets + "\n";
        if (const std::string undecodable = undecodableReport(result.targets[index]); !undecodable.empty())
            lines += undecodable + "\n";
        if (const std::string warnings = warningsReport(result.targets[index]); !warnings.empty())
            lines += warnings + "\n";
    }
    return lines;
}

int convert(const BatchJob &job, const std::vector<LayoutModel> &models)
{
    stopOnSignals();
    BatchEnvironment environment(models, job.tab);
    environment.rejectPath = job.rejectPath;
    environment.strict = job.strict;
    environment.part = job.part;
    std::vector<std::string> definitionPaths;
    for (const BatchLayout &layout : job.layouts) definitionPaths.push_back(layout.definitionPath);
    RunResult result;
    try {
        result = convertSource(job.sourcePath, environment, definitionPaths);
    } catch (const CoreError &error) {
        endInterrupting();
        environment.progress().clear();
        return failed(job, error, environment.linesKept());
    }
    endInterrupting();
    environment.progress().clear();
    if (result.stopped) return interrupted(job, result.recordsRead());
    // When data goes to standard output, the report goes to standard error, so the data stays data.
    bool dataOnStdout = false;
    for (const BatchLayout &layout : job.layouts) dataOnStdout = dataOnStdout || isStandardOutput(layout.outputPath);
    FILE *stream = dataOnStdout ? stderr : stdout;
    if (std::fputs(forTerminal(report(job, models, result)).c_str(), stream) < 0 || std::fflush(stream) != 0) {
        if (errno == EPIPE && !dataOnStdout) return ReaderGone;
        say(std::string("変換は終わりましたが、結果を") + (dataOnStdout ? "標準エラー出力" : "標準出力") +
            "に書き込めません。(" + systemReason(errno) + ")");
        return ExitFailed;
    }
    return ExitSuccess;
}

} // namespace

int runBatch(const BatchJob &job)
{
    std::vector<LayoutModel> models;
    for (const BatchLayout &layout : job.layouts) {
        std::optional<LayoutModel> model = loadLayout(layout);
        if (!model) return ExitRefused;
        models.push_back(std::move(*model));
    }
    if (!sameRecordLength(job, models)) return ExitRefused;
    return convert(job, models);
}
