#include "BackgroundRead.h"

#include "errors/CoreError.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <exception>
#include <thread>
#include <vector>

namespace {
std::vector<std::atomic<bool> *> running; // the stop flags of the reads under way, innermost last
} // namespace

void BackgroundRead::run(QWidget *owner, const std::string &path, const QString &what,
                         const std::function<void(const std::atomic<bool> &stop)> &read)
{
    std::atomic<bool> stop = false;
    std::exception_ptr failure;
    QEventLoop loop;
    running.push_back(&stop);
    std::thread worker([&] {
        try {
            read(stop);
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });

    QProgressDialog status(what, QStringLiteral("中止"), 0, 0, owner);
    status.setObjectName(QStringLiteral("frmReading"));
    status.setWindowTitle(QStringLiteral("読み込み中"));
    status.setWindowModality(Qt::NonModal); // 閉じる and the other windows stay usable
    status.setAutoClose(false);
    status.setAutoReset(false);
    status.setMinimumDuration(24 * 60 * 60 * 1000); // shown by the timer below, not by the dialog itself
    status.reset();
    status.hide();
    QObject::connect(&status, &QProgressDialog::canceled, [&stop] { stop = true; });
    QTimer showLater;
    showLater.setSingleShot(true);
    QObject::connect(&showLater, &QTimer::timeout, &status, &QWidget::show);
    showLater.start(ShowAfterMs);
    bool timedOut = false;
    QTimer::singleShot(TimeLimitSeconds * 1000, &loop, [&] {
        timedOut = true;
        stop = true;
    });

    loop.exec();
    worker.join();
    running.pop_back();
    if (timedOut && failure) throw CoreError::readTimedOut(path, TimeLimitSeconds);
    if (failure) std::rethrow_exception(failure);
}

bool BackgroundRead::busy() { return !running.empty(); }

void BackgroundRead::stopAll()
{
    for (std::atomic<bool> *stop : running) *stop = true;
}
