#include "RecordLoop.h"

#include "ComposePlan.h"
#include "CoreError.h"
#include "LineReader.h"
#include "OutputFormat.h"
#include "OutputWriter.h"

#include <limits>
#include <memory>

namespace {
constexpr int32_t RecordsBetweenClockChecks = 256;
constexpr unsigned long long BytesBetweenClockChecks = 1 << 20;
} // namespace

RunResult runConversion(const std::string &inputPath, RunEnvironment &environment)
{
    using Clock = std::chrono::steady_clock;
    RunResult result;
    LineReader reader(inputPath, environment.pipeOpen);
    OutputWriter writer(environment.layout().OutputPath, environment.pipeOpen);
    writer.startFilesWith(fileStart(environment.layout().Output));
    auto plan = std::make_unique<ComposePlan>(environment.layout());
    std::string delimiter(environment.delimiter());
    bool anyOutput = false;
    std::string_view line;
    int32_t recordsSinceCheck = 0;
    unsigned long long bytesAtCheck = 0;
    Clock::time_point nextPause = Clock::now() + environment.pauseInterval;
    bool pausedAfterLast = true;
    bool lineValid = true; // a read that fails may have moved the bytes `line` points to

    try {
        for (;;) {
            lineValid = false;
            if (!reader.next(line)) break;
            lineValid = true;
            if (result.count == std::numeric_limits<int32_t>::max())
                throw CoreError(CoreError::Kind::CountOverflow);
            size_t undecodable = 0;
            if (writer.appendComposed(result.count + 1,
                                      [&](std::string &out) { return plan->compose(line, delimiter, out, undecodable); }))
                anyOutput = true;
            if (undecodable > 0) {
                if (result.undecodable == 0) result.firstUndecodableRecord = result.count + 1;
                result.undecodable += (long long)undecodable;
            }
            ++result.count;
            pausedAfterLast = false;

            if (++recordsSinceCheck < RecordsBetweenClockChecks &&
                reader.consumed() - bytesAtCheck < BytesBetweenClockChecks)
                continue;
            recordsSinceCheck = 0;
            bytesAtCheck = reader.consumed();
            if (Clock::now() < nextPause) continue;

            writer.flush();
            const bool goOn = environment.betweenRecords({result.count, line, writer.lastLine(), anyOutput});
            pausedAfterLast = true;
            nextPause = Clock::now() + environment.pauseInterval;
            if (!goOn) {
                result.stopped = true;
                break;
            }
            // Other handlers may have changed the model while the caller had control.
            plan = std::make_unique<ComposePlan>(environment.layout());
            delimiter = environment.delimiter();
            writer.startFilesWith(fileStart(environment.layout().Output));
            if (environment.layout().OutputPath != writer.path()) writer.redirect(environment.layout().OutputPath);
        }
        lineValid = true; // the end of the file leaves the last record where it was
        writer.flush();
    } catch (CoreError &error) {
        if (error.record == 0) error.record = result.count + 1;
        try {
            writer.flush(); // the lines before the failing record
        } catch (const CoreError &) {
            // The first failure is the one to report.
        }
        environment.failed({error.record - 1, lineValid ? line : std::string_view(), writer.lastLine(), anyOutput});
        throw;
    }
    if (!pausedAfterLast && !result.stopped)
        environment.betweenRecords({result.count, line, writer.lastLine(), anyOutput});
    return result;
}
