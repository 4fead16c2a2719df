#include "ReturnWatcher.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

ReturnWatcher::ReturnWatcher(QWidget *watched) : QObject(watched), watched_(watched)
{
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &ReturnWatcher::focusWindowChanged);
}

void ReturnWatcher::settle() { elsewhere_ = false; }

// The watched window itself, or a dialog or message box opened on top of it.
bool ReturnWatcher::ownsWindow(const QWindow *window) const
{
    const QWindow *watchedWindow = watched_ ? watched_->windowHandle() : nullptr;
    for (; window && watchedWindow; window = window->transientParent())
        if (window == watchedWindow) return true;
    return false;
}

void ReturnWatcher::focusWindowChanged(QWindow *now)
{
    if (!now) return; // the user went to another program; where they were before still counts
    if (ownsWindow(now)) {
        if (watched_ && now == watched_->windowHandle() && elsewhere_) {
            elsewhere_ = false;
            emit returned();
        }
        return;
    }
    if (now->type() == Qt::Popup || now->type() == Qt::ToolTip) return;
    elsewhere_ = true;
}
