#pragma once
// One unattended conversion: load a definition into the start-up layout, then convert the
// source into the output as the window's start button does. Messages go to standard error
// in Japanese (UTF-8); the report goes to standard output, or to standard error when the
// output is standard output ("-").

#include <string>

enum ExitCode {
    ExitSuccess = 0,
    ExitFailed = 1,  // a file could not be read or written, or the conversion stopped
    ExitRefused = 2, // nothing was done: wrong arguments, or a definition that cannot run
};

struct BatchJob {
    std::string definitionPath;
    std::string sourcePath;
    std::string outputPath;
    bool tab = false;
};

// Returns an ExitCode, or 128 plus the signal's number when SIGINT or SIGTERM stopped the run
// (the lines written until then are whole).
int runBatch(const BatchJob &job);
