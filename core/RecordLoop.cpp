#include "RecordLoop.h"

#include "ComposePlan.h"
#include "CoreError.h"
#include "LineReader.h"
#include "OutputWriter.h"
#include "RecordSelection.h"

#include <limits>
#include <memory>
#include <optional>

namespace {
constexpr int32_t RecordsBetweenClockChecks = 256;
constexpr unsigned long long BytesBetweenClockChecks = 1 << 20;

// One layout's share of the pass, prepared again after each pause.
struct Target {
    explicit Target(const std::string &outputPath) : writer(outputPath) {}

    void prepare(const LayoutModel &layout, std::string_view delimiterText)
    {
        plan.emplace(layout);
        selection.emplace(layout);
        delimiter = delimiterText;
        if (layout.OutputPath != writer.path()) writer.redirect(layout.OutputPath);
    }

    OutputWriter writer;
    std::optional<ComposePlan> plan;
    std::optional<SelectionPlan> selection;
    std::string delimiter;
    TargetCounts counts;
    bool anyOutput = false;
};

void checkRoomForOneMore(int32_t count)
{
    if (count == std::numeric_limits<int32_t>::max()) throw CoreError(CoreError::Kind::CountOverflow);
}

} // namespace

RunResult runConversion(const std::string &inputPath, RunEnvironment &environment)
{
    using Clock = std::chrono::steady_clock;
    RunResult result;
    LineReader reader(inputPath);
    reader.setRecordLength(environment.layout(0).RecordLength);
    std::vector<std::unique_ptr<Target>> targets;
    for (size_t index = 0; index < environment.targets(); ++index) {
        targets.push_back(std::make_unique<Target>(environment.layout(index).OutputPath));
        targets.back()->prepare(environment.layout(index), environment.delimiter(index));
    }
    Target &first = *targets.front();
    const auto progress = [&](std::string_view record) {
        return RunProgress{first.counts.converted, record, first.writer.lastLine(), first.anyOutput};
    };
    int32_t recordsRead = 0;
    std::string_view record;
    int32_t recordsSinceCheck = 0;
    unsigned long long bytesAtCheck = 0;
    Clock::time_point nextPause = Clock::now() + environment.pauseInterval;
    bool pausedAfterLast = true;

    // A record that cannot be read is the one after those read.
    const auto readRecord = [&] {
        try {
            return reader.next(record);
        } catch (CoreError &error) {
            error.record = recordsRead == std::numeric_limits<int32_t>::max() ? recordsRead : recordsRead + 1;
            throw;
        }
    };

    try {
        while (readRecord()) {
            checkRoomForOneMore(recordsRead);
            ++recordsRead;
            for (const std::unique_ptr<Target> &target : targets) {
                if (!target->selection->selects(record)) {
                    ++target->counts.notSelected;
                    continue;
                }
                checkRoomForOneMore(target->counts.converted);
                if (target->writer.appendComposed(recordsRead, [&](std::string &out) {
                        return target->plan->compose(record, target->delimiter, out);
                    }))
                    target->anyOutput = true;
                ++target->counts.converted;
            }
            pausedAfterLast = false;

            if (++recordsSinceCheck < RecordsBetweenClockChecks &&
                reader.consumed() - bytesAtCheck < BytesBetweenClockChecks)
                continue;
            recordsSinceCheck = 0;
            bytesAtCheck = reader.consumed();
            if (Clock::now() < nextPause) continue;

            for (const std::unique_ptr<Target> &target : targets) target->writer.flush();
            const bool goOn = environment.betweenRecords(progress(record));
            pausedAfterLast = true;
            nextPause = Clock::now() + environment.pauseInterval;
            if (!goOn) {
                result.stopped = true;
                break;
            }
            // Other handlers may have changed the model while the caller had control.
            for (size_t index = 0; index < targets.size(); ++index)
                targets[index]->prepare(environment.layout(index), environment.delimiter(index));
        }
        for (const std::unique_ptr<Target> &target : targets) target->writer.flush();
    } catch (CoreError &error) {
        if (error.record == 0) error.record = recordsRead;
        for (const std::unique_ptr<Target> &target : targets) {
            try {
                target->writer.flush(); // the lines before the failing record
            } catch (const CoreError &) {
                // The first failure is the one to report.
            }
        }
        throw;
    }
    for (const std::unique_ptr<Target> &target : targets) result.targets.push_back(target->counts);
    if (!pausedAfterLast && !result.stopped) environment.betweenRecords(progress(record));
    return result;
}
