#include "MsgBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageRecorder *activeRecorder = nullptr;
}

MessageRecorder::MessageRecorder() : previous_(activeRecorder) { activeRecorder = this; }

MessageRecorder::~MessageRecorder() { activeRecorder = previous_; }

void MsgBox(const QString &text, int style, const QString &title)
{
    const QString shownTitle = title.isEmpty() ? QStringLiteral("ケナリス") : title;
    if (activeRecorder) {
        activeRecorder->messages.append({text, style, shownTitle});
        return;
    }
    QMessageBox box(style == vbExclamation ? QMessageBox::Warning : QMessageBox::NoIcon, shownTitle, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}
