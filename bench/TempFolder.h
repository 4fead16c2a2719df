#pragma once
// The benchmark's scratch folder, removed with its files at the end unless kept for a look.
// The source files are large: an interrupted run (Ctrl-C, a closed pipe) removes them too.

#include <functional>
#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &path() const { return path_; }
    void keep();

private:
    std::string path_;
    bool kept_ = false;
};

// Runs `benchmark` in a fresh scratch folder and returns its exit code. A failure is printed
// under the program's name, the folder is kept for a look, and the exit code is 1.
int runInScratchFolder(const char *program, const std::function<int(TempFolder &)> &benchmark);
