#pragma once
// The conversion of a whole source file in one pass: every record is composed by each layout
// (target) that selects it and appended to that layout's output. Between records the caller
// gets control now and then (the windows let pending events run there); the layouts,
// delimiters and output paths are read again after each such pause. The record length is the
// first layout's when the run starts.

#include "read/LineReader.h"
#include "read/SourceParts.h"
#include "compose/RecordChecks.h"
#include "layout/mdlGlobal.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct RunProgress {
    int32_t count = 0;             // records the first layout converted
    std::string_view sourceLine;   // the last record read
    std::string_view outputLine;   // the first layout's last line composed (may be older than sourceLine)
    bool anyOutput = false;        // whether the first layout has composed a line at all
    std::vector<size_t> linesKept; // at a failure: the lines on disk in each layout's output
    // After a failure to write a record before the one in hand: that record, with outputLine its
    // line; sourceLine is then empty (its bytes are no longer held).
    int32_t failedRecord = 0;
};

class RunEnvironment {
public:
    virtual ~RunEnvironment() = default;
    // The layouts converted in the pass, 0 .. targets() - 1; each writes its own OutputPath.
    virtual size_t targets() const { return 1; }
    virtual const LayoutModel &layout(size_t target) const = 0;
    virtual std::string_view delimiter(size_t target) const = 0;
    // Called about every `pauseInterval` and after the last record, when every line so far is
    // on disk. Returning false ends the run after the record in hand.
    virtual bool betweenRecords(const RunProgress &) { return true; }
    // Called when the run fails, before the error leaves it: `count` records are on disk and
    // `sourceLine` is the record in hand.
    virtual void failed(const RunProgress &) {}
    std::chrono::milliseconds pauseInterval{30};
    // When set, called every tenth of a second while the source has nothing to read (a pipe, a
    // device); false ends the run (CoreError ReadStopped). A window lets its events run there.
    std::function<bool()> whileWaiting;
    PipeOpen pipeOpen = PipeOpen::NoWait; // for the source and the output
    // Every record that draws a warning is also written here as it was read, with its own line
    // end; empty: nowhere. The file is emptied when the run starts.
    std::string rejectPath;
    // The first warning ends the run as a failure (CoreError RecordWarning); its record is not
    // written.
    bool strict = false;
    // Whether records are checked against their layouts' shape (the value checks of typed fields
    // stay on). Only the benchmark turns this off, to weigh what the checks cost.
    bool checkRecords = true;
    // Only this part of a regular file is converted (see SourceParts), its records counted from 1;
    // the byte-order mark and the header line go only into the first part's outputs, even without
    // a line when it holds a record, so that the parts' outputs joined in order are the whole
    // file's (but where the layout converts no record at all). For lines, not workbooks.
    SourcePart part;
};

struct TargetCounts {
    int32_t converted = 0;
    int32_t notSelected = 0;            // records read that the layout's selection skipped
    long long undecodable = 0;          // characters UTF-8 output wrote as U+FFFD
    int32_t firstUndecodableRecord = 0; // the source record holding the first of them
    WarningCounts warnings;             // of the records the layout selected
    uint32_t sheets = 0;                // of a workbook output; 0 for lines
};

struct RunResult {
    std::vector<TargetCounts> targets; // in the order of the environment's targets
    bool stopped = false;              // ended early by betweenRecords

    // The first (or only) layout's counts.
    int32_t count() const { return targets.front().converted; }
    int32_t notSelected() const { return targets.front().notSelected; }
    // Every record read: each layout converts or skips each one.
    int32_t recordsRead() const { return count() + notSelected(); }
};

// Converts the file at `inputPath` into the output path of each layout: lines, or a workbook
// whose first sheet is named after the source when the path ends in .xlsx (see WorkbookWriter),
// written only when the run converts every record: a failed or stopped run leaves none. Old outputs are not
// deleted here (see FileChecks). Throws CoreError with `record` set to the source record in
// hand; every line composed before it is on disk.
RunResult runConversion(const std::string &inputPath, RunEnvironment &environment);
