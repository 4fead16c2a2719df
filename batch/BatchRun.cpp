#include "BatchRun.h"

#include "CoreError.h"
#include "DefinitionReader.h"
#include "ErrorText.h"
#include "FileChecks.h"
#include "ProgressLine.h"
#include "RecordLoop.h"
#include "StandardStream.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

volatile std::sig_atomic_t stopSignal = 0;

void requestStop(int signal) { stopSignal = signal; }

// The first interrupt ends the run after the record in hand; a second one ends the program.
void stopOnSignals()
{
    struct sigaction action {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void say(const std::string &message) { std::fprintf(stderr, "%s\n", message.c_str()); }

std::string describe(const CoreError &error) { return describeError(error); }

class BatchEnvironment : public RunEnvironment {
public:
    BatchEnvironment(const LayoutModel &model, bool tab) : model_(model), delimiter_(tab ? "\t" : ",")
    {
        pipeOpen = PipeOpen::Wait; // a filter waits for the other end of a named pipe
    }
    const LayoutModel &layout() const override { return model_; }
    std::string_view delimiter() const override { return delimiter_; }
    bool betweenRecords(const RunProgress &progress) override
    {
        progress_.show(progress.count);
        return stopSignal == 0;
    }
    ProgressLine &progress() { return progress_; }

private:
    const LayoutModel &model_;
    std::string delimiter_;
    ProgressLine progress_;
};

bool hasOutputColumn(const Definition &definition)
{
    for (const DefinitionOutput &output : definition.outputs)
        if (output.listed) return true;
    return false;
}

int convert(const BatchJob &job, const LayoutModel &model)
{
    try {
        checkSourceReadable(job.sourcePath);
    } catch (const CoreError &error) {
        say("変換元ファイルを読み込めません。\n" + describe(error));
        return ExitFailed;
    }
    try {
        prepareOutput(job.sourcePath, job.outputPath, {job.definitionPath});
    } catch (const CoreError &error) {
        say(describe(error));
        const bool refused =
            error.kind() == CoreError::Kind::SameFile || error.kind() == CoreError::Kind::OutputIsDefinition;
        return refused ? ExitRefused : ExitFailed;
    }

    stopOnSignals();
    BatchEnvironment environment(model, job.tab);
    RunResult result;
    try {
        result = runConversion(job.sourcePath, environment);
    } catch (const CoreError &error) {
        environment.progress().clear();
        say(describeRunFailure(error));
        return ExitFailed;
    }
    environment.progress().clear();
    if (result.stopped) {
        say("中断しました。" + std::to_string(result.count) + " 件目までのレコードを変換済みです。");
        return 128 + int(stopSignal);
    }
    // The window's closing report: the count after a blank (the sign position), then 件. When the
    // data goes to standard output, the report goes to standard error, so the data stays data.
    const bool dataOnStdout = isStandardStream(job.outputPath);
    FILE *report = dataOnStdout ? stderr : stdout;
    std::string lines = " " + std::to_string(result.count) + "件\n";
    if (result.undecodable > 0)
        lines += describeUndecodable(result.undecodable, result.firstUndecodableRecord) + "\n";
    if (std::fputs(lines.c_str(), report) < 0 || std::fflush(report) != 0) {
        say(std::string("変換は終わりましたが、結果を") + (dataOnStdout ? "標準エラー出力" : "標準出力") +
            "に書き込めません。(" + std::strerror(errno) + ")");
        return ExitFailed;
    }
    return ExitSuccess;
}

} // namespace

int runBatch(const BatchJob &job)
{
    LayoutModel model = LayoutModel::startup();
    std::optional<Definition> definition;
    try {
        definition = readDefinitionFile(job.definitionPath);
    } catch (const CoreError &error) {
        if (error.kind() == CoreError::Kind::TooManyEntries) // a layout the model cannot hold
            say(describe(error));
        else // missing or unreadable: nothing was done
            say(std::string(NotADefinitionMessage) + "\n" + describe(error));
        return ExitRefused;
    }
    if (!definition) {
        say(std::string(NotADefinitionMessage) + "（定義ファイル「" + job.definitionPath + "」）");
        return ExitRefused;
    }
    if (!hasOutputColumn(*definition)) {
        say("定義ファイル「" + job.definitionPath + "」には出力データが指定されていません。");
        return ExitRefused;
    }
    applyDefinition(*definition, model);
    model.OutputPath = job.outputPath;
    return convert(job, model);
}
