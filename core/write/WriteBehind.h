#pragma once
// Runs one job at a time on a thread of its own, so that a file is written while the next lines
// are made. The thread takes no signals: they reach the thread that reads and composes, as
// before.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class WriteBehind {
public:
    WriteBehind() = default;
    ~WriteBehind(); // waits for the job in hand
    WriteBehind(const WriteBehind &) = delete;
    WriteBehind &operator=(const WriteBehind &) = delete;

    // Starts `job`; the one before must have been waited for.
    void start(std::function<void()> job);
    // Returns when the job in hand, if any, is done; rethrows what it threw.
    void wait();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::thread thread_; // started with the first job
};
