#pragma once
// One unattended conversion: load each definition into a start-up layout, then convert the
// source into each layout's output in one pass, as the window's start button does for one.
// Messages go to standard error in Japanese (UTF-8); the report goes to standard output, or to
// standard error when an output is standard output ("-").

#include "read/SourceParts.h"

#include <string>
#include <vector>

enum ExitCode {
    ExitSuccess = 0,
    ExitFailed = 1,  // a file could not be read or written, or the conversion stopped
    ExitRefused = 2, // nothing was done: wrong arguments, or a definition that cannot run
};

struct BatchLayout {
    std::string definitionPath;
    std::string outputPath;
};

struct BatchJob {
    std::string sourcePath;
    std::vector<BatchLayout> layouts; // at least one
    bool tab = false;
    std::string rejectPath; // --reject: where the records that drew a warning go
    bool strict = false;    // --strict: the first warning ends the run
    SourcePart part;        // --part: the part of the source converted
};

// Returns an ExitCode, or 128 plus the signal's number when SIGINT or SIGTERM stopped the run
// (the lines written until then are whole).
int runBatch(const BatchJob &job);
