#pragma once
// Tells a top-level window when the user comes back to it from another window of this program.
// A trip to another program and back, or to a message box or menu the window itself opened,
// is not such a return.

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

class ReturnWatcher : public QObject {
    Q_OBJECT
public:
    explicit ReturnWatcher(QWidget *watched);

    // The watched window has just been brought up to date: the next activation counts as a
    // return only if another window of the program is active in between.
    void settle();

signals:
    void returned();

private:
    void focusWindowChanged(QWindow *now);
    bool ownsWindow(const QWindow *window) const;

    QPointer<QWidget> watched_;
    bool elsewhere_ = true; // another window of the program was active since the watched one
};
