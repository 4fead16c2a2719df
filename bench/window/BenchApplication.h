#pragma once
// The QApplication of a benchmark whose command line is its own, not Qt's.

#include <QApplication>

class BenchApplication {
public:
    BenchApplication() = default;
    BenchApplication(const BenchApplication &) = delete;
    BenchApplication &operator=(const BenchApplication &) = delete;

private:
    int argc_ = 1;
    char name_[sizeof "kenaris-bench-window"] = "kenaris-bench-window";
    char *argv_[2] = {name_, nullptr};
    QApplication application_{argc_, argv_}; // keeps a reference to argc_: declared after it
};
