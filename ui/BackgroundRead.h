#pragma once
// Reads of a source run off the window's thread: a named pipe whose writer is silent, a device
// without end or a slow disk never freezes the windows. While a read runs, events go on; after a
// moment a small window (frmReading) says what is being read, with "中止" to stop it, and closing
// the main window stops it too.

#include <QString>

#include <atomic>
#include <functional>
#include <string>

class QWidget;

class BackgroundRead {
public:
    // Runs `read` on a worker thread with a flag it must hand to the reader (LineReader::stopWhen)
    // and returns when it has ended, letting events run meanwhile; rethrows what it threw.
    // `what` says what is read, for the small window. `read` must not touch the window's state.
    // A read stopped by TimeLimitSeconds throws CoreError ReadTimedOut for `path`.
    static void run(QWidget *owner, const std::string &path, const QString &what,
                    const std::function<void(const std::atomic<bool> &stop)> &read);

    // Whether a read is under way (another handler then waits its turn).
    static bool busy();
    // Stops every read under way: the program is ending.
    static void stopAll();

    // How long a read runs before the small window appears, and at most.
    static constexpr int ShowAfterMs = 300;
    static constexpr int TimeLimitSeconds = 30;
};
