#pragma once
// The benchmark's scratch folder, removed with its files at the end unless kept for a look.
// The source files are large: an interrupted run (Ctrl-C, a closed pipe) removes them too.

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
