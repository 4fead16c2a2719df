#pragma once
// Holds an output file for the length of a run, so that a second run on it (kenaris-batch or the
// window, in this process or another) is refused instead of merging its lines into the first
// run's. The lock is advisory (flock): programs that do not ask for it are not kept out.

#include <string>

class OutputLock {
public:
    OutputLock() = default; // holds nothing: standard output, a device, a pipe
    ~OutputLock();
    OutputLock(OutputLock &&other) noexcept;
    OutputLock &operator=(OutputLock &&other) noexcept;
    OutputLock(const OutputLock &) = delete;
    OutputLock &operator=(const OutputLock &) = delete;

    // Locks the regular file at `path` (links followed) when there is one. Throws CoreError
    // (OutputInUse) when another run holds it.
    static OutputLock onExisting(const std::string &path);
    // After the old output was removed: makes the new, empty output file at `path` and locks it,
    // unless the lock still holds the file (emptied through a link). A file that cannot be made
    // is left to the run, which reports it at its first line. Throws CoreError (OutputInUse).
    void holdNew(const std::string &path);

private:
    explicit OutputLock(int fd) : fd_(fd) {}
    bool holdsLinkedFile() const; // whether the locked file still has a name
    int fd_ = -1;
};
