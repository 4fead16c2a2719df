#include "run/RecordLoop.h"

#include "compose/ComposePlan.h"
#include "errors/CoreError.h"
#include "compose/HeaderLine.h"
#include "read/LineReader.h"
#include "compose/OutputFormat.h"
#include "write/OutputWriter.h"
#include "compose/RecordSelection.h"
#include "paths/FastRoute.h"
#include "read/LineSpans.h"
#include "write/WorkbookWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <unistd.h>
#include <memory>
#include <optional>

namespace {
constexpr int32_t RecordsBetweenClockChecks = 256;
constexpr unsigned long long BytesBetweenClockChecks = 1 << 20;

// One layout's share of the pass, prepared again after each pause.
struct Target {
    // A part of a source runs beside the other parts: it keeps to one thread.
    Target(const std::string &outputPath, PipeOpen pipeOpen, const std::string &inputPath, const SourcePart &part)
        : writer(outputPath, pipeOpen, part.whole()), startsSource(part.first())
    {
        if (isWorkbookPath(outputPath)) workbook.emplace(outputPath, sheetNameOf(inputPath));
    }

    void prepare(const LayoutModel &layout, std::string_view delimiterText, bool checkRecords)
    {
        plan.emplace(layout, delimiterText);
        selection.emplace(layout);
        if (checkRecords) checks.emplace(layout, plan->boundaries());
        else checks.reset();
        delimiter = delimiterText;
        fast.reset();
        fastChecks.reset();
        if (!workbook) fast = FastRoute::prepare(*plan, checks ? &*checks : nullptr, layout.Output, delimiter);
        if (checks) fastChecks = FastChecks::prepare(*plan, *checks);
        // A workbook stays where it was begun: the window ends a run before its output changes.
        if (workbook) return workbook->setHeader(headerNames(layout));
        writer.startFilesWith(startsSource ? outputFileStart(layout, delimiter) : std::string());
        if (layout.OutputPath != writer.path()) writer.redirect(layout.OutputPath);
    }

    // Whether lines may come many at a time: every record selected, lines rather than rows, and a
    // plan that composes them.
    bool takesLines() const { return !workbook && selection->selectsEvery() && plan->hasColumns() && !plan->failure(); }

    // Adds the lines of `lines` (none longer than the fast route takes) from record `firstRecord`
    // on, noting what each draws in `warnings`.
    void appendLines(const LineSpans &lines, int32_t firstRecord, Warnings *warnings)
    {
        size_t undecodable[LineSpans::Most];
        writer.appendLines(firstRecord, lines.count, [&](std::string &out, size_t *ends) {
            if (fast) return fast->appendLines(lines, out, ends, warnings, undecodable);
            for (size_t i = 0; i < lines.count; ++i) {
                const std::string_view record = lines.line(i);
                undecodable[i] = 0;
                plan->compose(record, out, undecodable[i]);
                out.append("\r\n", 2);
                ends[i] = out.size();
                warnings[i] = warningsOf(record, lines.bytes[i]);
            }
        });
        counts.converted += int32_t(lines.count);
        anyOutput = true;
        for (size_t i = 0; i < lines.count; ++i) {
            if (warnings[i]) countWarnings(warnings[i], firstRecord + int32_t(i));
            if (undecodable[i]) countUndecodable(undecodable[i], firstRecord + int32_t(i));
        }
    }

    // Adds the record's line or row and sets `warnings` to what the record draws (`recordBytes`
    // long as read); returns whether the layout gave a line or row.
    bool append(std::string_view record, size_t recordBytes, int32_t recordNumber, size_t &undecodable,
                Warnings &warnings)
    {
        if (fast && writer.appendComposed(recordNumber, [&](std::string &out) {
                return fast->append(record, recordBytes, out, warnings, undecodable);
            }))
            return true;
        bool appended = true;
        if (!workbook) {
            appended = writer.appendComposed(recordNumber,
                                             [&](std::string &out) { return plan->compose(record, out, undecodable); });
        } else {
            plan->composeValues(record, values);
            if (values.empty()) appended = false;
            else undecodable += workbook->appendRow(values);
            if (appended) lastRowRecord = recordNumber;
        }
        warnings = warningsOf(record, recordBytes);
        return appended;
    }

    // The last line added; for a workbook, its last row as a line would write it, made again
    // only to be shown, while `record` (number `recordNumber`) is the one it came from.
    std::string_view lastLine(std::string_view record, int32_t recordNumber)
    {
        if (!workbook) return writer.lastLine();
        if (lastRowRecord == recordNumber && shownRecord != recordNumber) {
            shownLine.clear();
            plan->compose(record, delimiter, shownLine);
            shownRecord = recordNumber;
        }
        return shownLine;
    }

    OutputWriter writer; // unused for a workbook
    bool startsSource;   // the byte-order mark and header go only before the source's first part
    std::optional<WorkbookWriter> workbook;
    std::vector<ColumnValue> values; // of the workbook's row in hand
    int32_t lastRowRecord = 0;
    int32_t shownRecord = 0;
    std::string shownLine;
    std::optional<ComposePlan> plan;
    std::optional<SelectionPlan> selection;
    std::optional<RecordChecks> checks;
    std::optional<FastRoute> fast;        // for the records it serves
    std::optional<FastChecks> fastChecks; // for the checks of the records it does not serve
    std::string delimiter;
    TargetCounts counts;
    bool anyOutput = false;

    size_t bytesReached() const
    {
        return std::max({plan->bytesReached(), selection->bytesReached(), checks ? checks->bytesReached() : 0});
    }

    // What the record just composed draws: its shape's warnings and its values'.
    Warnings warningsOf(std::string_view record, size_t recordBytes) const
    {
        Warnings shape = 0;
        if (checks) shape = fastChecks ? fastChecks->check(record, recordBytes) : checks->check(record, recordBytes);
        return shape | plan->valueWarnings();
    }

    void countUndecodable(size_t characters, int32_t record)
    {
        if (counts.undecodable == 0) counts.firstUndecodableRecord = record;
        counts.undecodable += (long long)characters;
    }

    void countWarnings(Warnings warnings, int32_t record)
    {
        for (; warnings; warnings &= warnings - 1) {
            WarningCount &count = counts.warnings[size_t(std::countr_zero(warnings))];
            if (count.records++ == 0) count.firstRecord = record;
        }
    }
};

// The records that drew a warning, each as it was read, in a file emptied when the run starts.
class RejectFile {
public:
    explicit RejectFile(std::string path) : path_(std::move(path))
    {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path_, errno);
    }
    ~RejectFile()
    {
        try {
            flush();
        } catch (const CoreError &) {
            // Destroyed while a failure is already being reported.
        }
        ::close(fd_);
    }
    RejectFile(const RejectFile &) = delete;
    RejectFile &operator=(const RejectFile &) = delete;

    void append(std::string_view bytes)
    {
        buffer_.append(bytes);
        if (buffer_.size() >= 1 << 20) flush();
    }
    void flush()
    {
        for (size_t written = 0; written < buffer_.size();) {
            const ssize_t put = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
            if (put > 0) written += size_t(put);
            else if (put < 0 && errno == EINTR) continue;
            else {
                buffer_.clear();
                throw CoreError::fileError(CoreError::Kind::FileWrite, path_, put < 0 ? errno : ENOSPC);
            }
        }
        buffer_.clear();
    }

private:
    std::string path_;
    int fd_ = -1;
    std::string buffer_;
};

// The record with the line end the reader took after it (the bytes it consumed beyond the
// record, which follow it where it was read).
std::string_view recordAsRead(std::string_view record, unsigned long long consumed)
{
    size_t size = record.size();
    while (size < consumed && size < record.size() + 2 && (record.data()[size] == '\r' || record.data()[size] == '\n'))
        ++size;
    return {record.data(), size};
}

Warning firstWarning(Warnings warnings) { return Warning(std::countr_zero(warnings)); }

// Bytes of a line beyond every layout's reach are read past, not kept: memory stays bounded
// whatever the line's length. A file of rejected records takes them whole, as they were read, so
// then whole lines are kept.
void keepWhatTheLayoutsReach(LineReader &reader, const std::vector<std::unique_ptr<Target>> &targets,
                             bool keepWholeLines)
{
    if (keepWholeLines) {
        reader.keepAtMost(0);
        return;
    }
    size_t reach = 1;
    for (const std::unique_ptr<Target> &target : targets) reach = std::max(reach, target->bytesReached());
    reader.keepAtMost(reach);
}

} // namespace

RunResult runConversion(const std::string &inputPath, RunEnvironment &environment)
{
    using Clock = std::chrono::steady_clock;
    RunResult result;
    LineReader reader(inputPath, environment.pipeOpen);
    reader.setRecordLength(environment.layout(0).RecordLength);
    if (!environment.part.whole()) {
        const ByteRange bytes = sourcePartBytes(inputPath, environment.layout(0).RecordLength, environment.part);
        reader.readPart(bytes.from, bytes.to);
    }
    if (environment.whileWaiting) reader.keepReadingWhile(environment.whileWaiting);
    std::vector<std::unique_ptr<Target>> targets;
    for (size_t index = 0; index < environment.targets(); ++index) {
        targets.push_back(std::make_unique<Target>(environment.layout(index).OutputPath, environment.pipeOpen,
                                                   inputPath, environment.part));
        targets.back()->prepare(environment.layout(index), environment.delimiter(index), environment.checkRecords);
    }
    keepWhatTheLayoutsReach(reader, targets, !environment.rejectPath.empty());
    Target &first = *targets.front();
    std::optional<RejectFile> rejects;
    if (!environment.rejectPath.empty()) rejects.emplace(environment.rejectPath);
    std::string strictLine; // with strict: a target's line, kept until the record proves clean
    int32_t recordsRead = 0;
    std::string_view record;
    bool recordValid = true; // a read that fails may have moved the bytes `record` points to
    const auto progress = [&] {
        return RunProgress{first.counts.converted,
                           recordValid ? record : std::string_view(),
                           first.lastLine(recordValid ? record : std::string_view(), recordValid ? recordsRead : 0),
                           first.anyOutput,
                           {}};
    };
    int32_t recordsSinceCheck = 0;
    unsigned long long bytesAtCheck = 0;
    Clock::time_point nextPause = Clock::now() + environment.pauseInterval;
    bool pausedAfterLast = true;

    // A record that cannot be read is the one after those read. The end of the file leaves the
    // last record where it was.
    unsigned long long consumedBefore = 0;
    const auto readRecord = [&] {
        recordValid = false;
        consumedBefore = reader.consumed();
        try {
            const bool more = reader.next(record);
            recordValid = true;
            return more;
        } catch (CoreError &error) {
            error.withRecord(recordsRead == std::numeric_limits<int32_t>::max() ? recordsRead : recordsRead + 1);
            throw;
        }
    };

    // One layout writing lines of every record, none kept aside: the lines the reader has whole
    // are composed many at a time, by the fast route where it serves the layout.
    const bool manyAtATime = targets.size() == 1 && !environment.strict && !rejects;
    LineSpans lines;
    Warnings lineWarnings[LineSpans::Most];
    const auto nextLines = [&]() -> size_t {
        if (!manyAtATime || !first.takesLines() ||
            recordsRead > std::numeric_limits<int32_t>::max() - int32_t(LineSpans::Most))
            return 0;
        // Up to the next look at the clock, as one by one.
        return reader.nextLines(lines, size_t(RecordsBetweenClockChecks - recordsSinceCheck), FastShape::MaxBytes);
    };

    // The record just read, one by one: each layout's line or row, its counts, a rejected copy.
    const auto convertRecordInHand = [&] {
        // Each layout converts at most the records read, so this count bounds theirs too.
        if (recordsRead == std::numeric_limits<int32_t>::max()) throw CoreError::countOverflow();
        ++recordsRead;
        Warnings recordWarnings = 0;
        if (environment.strict) {
            // Every layout's line is composed before any is written: a warning leaves none.
            for (const std::unique_ptr<Target> &target : targets) {
                if (!target->selection->selects(record)) continue;
                strictLine.clear();
                size_t undecodable = 0;
                target->plan->compose(record, target->delimiter, strictLine, undecodable);
                const Warnings warnings = target->warningsOf(record, reader.lastLineBytes());
                if (!warnings) continue;
                if (rejects) rejects->append(recordAsRead(record, reader.consumed() - consumedBefore));
                throw CoreError::recordWarning(firstWarning(warnings));
            }
        }
        for (const std::unique_ptr<Target> &target : targets) {
            if (!target->selection->selects(record)) {
                ++target->counts.notSelected;
                continue;
            }
            size_t undecodable = 0;
            Warnings warnings = 0;
            if (target->append(record, reader.lastLineBytes(), recordsRead, undecodable, warnings))
                target->anyOutput = true;
            ++target->counts.converted;
            if (undecodable > 0) target->countUndecodable(undecodable, recordsRead);
            if (warnings) {
                target->countWarnings(warnings, recordsRead);
                recordWarnings |= warnings;
            }
        }
        if (recordWarnings && rejects) rejects->append(recordAsRead(record, reader.consumed() - consumedBefore));
    };

    try {
        for (;;) {
            int32_t recordsTaken = 1;
            if (const size_t count = nextLines()) {
                recordsTaken = int32_t(count);
                record = lines.line(count - 1);
                recordValid = true;
                const int32_t firstRecord = recordsRead + 1;
                recordsRead += recordsTaken;
                first.appendLines(lines, firstRecord, lineWarnings);
            } else if (readRecord()) {
                convertRecordInHand();
            } else {
                break;
            }
            pausedAfterLast = false;

            recordsSinceCheck += recordsTaken;
            if (recordsSinceCheck < RecordsBetweenClockChecks &&
                reader.consumed() - bytesAtCheck < BytesBetweenClockChecks)
                continue;
            recordsSinceCheck = 0;
            bytesAtCheck = reader.consumed();
            if (Clock::now() < nextPause) continue;

            for (const std::unique_ptr<Target> &target : targets) target->writer.flush();
            if (rejects) rejects->flush();
            const bool goOn = environment.betweenRecords(progress());
            pausedAfterLast = true;
            nextPause = Clock::now() + environment.pauseInterval;
            if (!goOn) {
                result.stopped = true;
                break;
            }
            // Other handlers may have changed the model while the caller had control.
            for (size_t index = 0; index < targets.size(); ++index)
                targets[index]->prepare(environment.layout(index), environment.delimiter(index),
                                        environment.checkRecords);
            keepWhatTheLayoutsReach(reader, targets, !environment.rejectPath.empty());
        }
        for (const std::unique_ptr<Target> &target : targets) {
            target->writer.flush();
            if (result.stopped) continue; // a workbook is written only whole: a stopped one is dropped
            if (target->workbook) {
                target->workbook->finish();
                target->counts.sheets = target->workbook->sheets();
            } else {
                // An output without lines is an empty file, but for the first of several parts: its
                // start (a header line, say) may head the lines of the parts after it.
                target->writer.create(target->startsSource && !environment.part.whole() && recordsRead > 0);
            }
        }
        if (rejects) rejects->flush();
    } catch (CoreError &error) {
        if (error.record() == 0) error.withRecord(recordsRead);
        for (const std::unique_ptr<Target> &target : targets) {
            try {
                target->writer.flush(); // the lines before the failing record
            } catch (const CoreError &) {
                // The first failure is the one to report.
            }
        }
        RunProgress atFailure = progress();
        atFailure.count = int32_t(first.writer.linesWritten()); // the first layout's lines on disk
        for (const std::unique_ptr<Target> &target : targets)
            atFailure.linesKept.push_back(target->writer.linesWritten());
        if (error.path() == first.writer.path() && error.record() != recordsRead &&
            !first.writer.failedLine().empty()) {
            atFailure.failedRecord = error.record();
            atFailure.sourceLine = {};
            atFailure.outputLine = first.writer.failedLine();
        }
        environment.failed(atFailure);
        throw;
    }
    for (const std::unique_ptr<Target> &target : targets) result.targets.push_back(target->counts);
    if (!pausedAfterLast && !result.stopped) environment.betweenRecords(progress());
    return result;
}
