#pragma once
// The conversion of a whole source file: every line is composed by the layout and appended to
// the output. Between records the caller gets control now and then (the windows let pending
// events run there); the layout, delimiter and output path are read again after each such pause.

#include "LineReader.h"
#include "mdlGlobal.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

struct RunProgress {
    int32_t count = 0;            // records done
    std::string_view sourceLine;  // the last record read
    std::string_view outputLine;  // the last line composed (may be older than sourceLine)
    bool anyOutput = false;       // whether a line has been composed at all
};

class RunEnvironment {
public:
    virtual ~RunEnvironment() = default;
    virtual const LayoutModel &layout() const = 0;
    virtual std::string_view delimiter() const = 0;
    // Called about every `pauseInterval` and after the last record, when every line so far is
    // on disk. Returning false ends the run after the record in hand.
    virtual bool betweenRecords(const RunProgress &) { return true; }
    // Called when the run fails, before the error leaves it: `count` records are on disk and
    // `sourceLine` is the record in hand.
    virtual void failed(const RunProgress &) {}
    std::chrono::milliseconds pauseInterval{30};
    PipeOpen pipeOpen = PipeOpen::NoWait; // for the source and the output
};

struct RunResult {
    int32_t count = 0;
    bool stopped = false;                // ended early by betweenRecords
    long long undecodable = 0;           // characters UTF-8 output wrote as U+FFFD
    int32_t firstUndecodableRecord = 0;  // the record holding the first of them
};

// Converts the file at `inputPath` into the output path of the layout. The old output is not
// deleted here (see FileChecks). Throws CoreError with `record` set to the record in hand;
// every line composed before it is on disk.
RunResult runConversion(const std::string &inputPath, RunEnvironment &environment);
