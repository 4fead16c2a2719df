#pragma once
// A running count on standard error while a long conversion goes on, when standard error is
// a terminal. Short runs and redirected output see nothing.

#include <chrono>
#include <cstdint>

class ProgressLine {
public:
    ProgressLine();
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    void show(int32_t count);
    // Removes the line, so that what follows starts on a clean line.
    void clear();

private:
    bool terminal_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point showFrom_;
};
