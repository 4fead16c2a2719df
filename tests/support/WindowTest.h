#pragma once
// What the main window's tests share: a dialog answerer, scratch files, and preparing the window.

#include "CommonDialog1.h"
#include "Cp932Text.h"
#include "frmKenaris.h"
#include "frmKenarisDragLabel.h"
#include "frmKenarisList.h"
#include "MsgBox.h"
#include "ScratchFolder.h"
#include "layout/mdlGlobal.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <deque>
#include <memory>
#include <string>
#include <vector>

// Answers the file dialogs from a queue (an empty answer is a cancel) and keeps what each was
// shown with. With the queue empty every dialog is cancelled.
class QueuedAnswerer : public FileDialogAnswerer {
public:
    std::string answer(const FileDialogRequest &request) override
    {
        requests.push_back(request);
        if (answers.empty()) return {};
        std::string next = answers.front();
        answers.pop_front();
        return next;
    }

    std::deque<std::string> answers;
    std::vector<FileDialogRequest> requests;
};

// A fresh, shown main window for every test function, with the dialog answerer in place and a
// recorder of the messages it shows, so that none waits for a person. Unless a test says it
// takes messages there, one left over at the end fails the test.
class WindowTestBase : public QObject {
protected:
    void openWindow()
    {
        messages_ = std::make_unique<MessageRecorder>();
        folder_ = std::make_unique<ScratchFolder>();
        window_ = std::make_unique<frmKenaris>();
        window_->commonDialog1().setAnswerer(&answerer_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }

    void closeWindow(bool leftoverMessagesFail = true)
    {
        window_.reset();
        answerer_ = {};
        if (leftoverMessagesFail)
            QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
        messages_.reset();
    }

    std::unique_ptr<MessageRecorder> messages_;
    std::unique_ptr<frmKenaris> window_;
    QueuedAnswerer answerer_;
    std::unique_ptr<ScratchFolder> folder_;
};

// The window's controls as a user finds them: by their names.
template <typename T> T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromUtf8(name));
    if (!found) qFatal("no control %s", name);
    return found;
}
inline KenarisList *sampleList(const QWidget &window) { return control<KenarisList>(window, "List_0"); }
inline KenarisList *outputList(const QWidget &window) { return control<KenarisList>(window, "List_2"); }
inline QPushButton *button(const QWidget &window, const char *name) { return control<QPushButton>(window, name); }
inline QLineEdit *box(const QWidget &window, const char *name) { return control<QLineEdit>(window, name); }
inline QAction *menuItem(const QWidget &window, const char *name) { return control<QAction>(window, name); }
inline QMenu *menu(const QWidget &window, const char *name) { return control<QMenu>(window, name); }
inline DragLabel *dragLabel(const QWidget &window) { return control<DragLabel>(window, "Label1"); }

// The positions 1 .. capacity of the output layout.
inline std::vector<int> layoutSlots()
{
    std::vector<int> positions;
    if (mdlGlobal.OutputLayout)
        for (size_t i = 1; i < mdlGlobal.OutputLayout->size(); ++i)
            positions.push_back((*mdlGlobal.OutputLayout)[i].SourceField);
    return positions;
}

inline QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
    return texts;
}

// The values List[0] carries, one a field: its items' bytes decoded.
inline QStringList sampleValues(const KenarisList *list)
{
    QStringList values;
    for (int row = 0; row < list->count(); ++row) values << decodeCp932(list->itemBytes(row));
    return values;
}

// Chooses `source` through the source file button, as a user does.
inline void chooseSource(frmKenaris &window, QueuedAnswerer &answerer, const std::string &source)
{
    answerer.answers.push_back(source);
    button(window, "cmdFile")->click();
}

// Presses a mouse button on row `row` of List[0]: the press selects the row and starts its drag.
inline void pressSampleItem(frmKenaris &window, int row, Qt::MouseButton button = Qt::LeftButton)
{
    KenarisList *list = sampleList(window);
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mousePress(list->viewport(), button, Qt::NoModifier, at);
    QTest::mouseRelease(list->viewport(), button, Qt::NoModifier, at);
}

// Drags row `row` of List[0] onto List[2].
inline void dragToOutput(frmKenaris &window, int row)
{
    pressSampleItem(window, row);
    window.List_DragDrop(2, dragLabel(window), 10, 10);
}
