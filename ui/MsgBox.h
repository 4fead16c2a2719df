#pragma once
// Every message box of the program goes through MsgBox, so that a test can read what would
// have been shown instead of a person pressing OK.

#include <QList>
#include <QString>

// Message styles: OK button only, with or without the exclamation icon.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbExclamation = 48;

struct ShownMessage {
    QString text;
    int style = vbOKOnly;
    QString title;
};

// Shows a modal message box with an OK button. An empty title shows the program's name.
void MsgBox(const QString &text, int style = vbOKOnly, const QString &title = QString());

// While one exists, MsgBox records its messages here and shows nothing.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QList<ShownMessage> messages;

private:
    MessageRecorder *previous_;
};
