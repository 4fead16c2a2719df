#include "WindowRun.h"

#include "KeyCodes.h"
#include "layout/mdlGlobal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QListWidget>
#include <QPushButton>
#include <QWindow>

#include <stdexcept>
#include <utility>

namespace {

void fail(const std::string &what) { throw std::runtime_error("the window run: " + what); }

void checkStartupLayout(const BenchCase &benchCase)
{
    const std::vector<int> &widths = benchCase.source.widths;
    bool same = mdlGlobal.Unit == benchCase.source.unit && mdlGlobal.FieldCount == int(widths.size());
    for (size_t i = 0; same && i < widths.size(); ++i)
        same = mdlGlobal.FieldTable[i].Width == std::to_string(widths[i]);
    if (!same) fail("the window's start-up layout is not the layout the source was made for");
}

void waitUntilExposed(frmKenaris &window)
{
    window.show();
    const QDeadlineTimer deadline(5000);
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!window.windowHandle() || !window.windowHandle()->isExposed()) fail("the window was not shown");
}

template <typename T> T *control(const frmKenaris &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromUtf8(name));
    if (!found) fail(std::string("the window has no control ") + name);
    return found;
}

int listed(const frmKenaris &window, const char *list) { return control<QListWidget>(window, list)->count(); }

// Sample field `field` added to the output as the Insert key adds it: the row selected, then the key.
void addToOutput(frmKenaris &window, int field)
{
    control<QListWidget>(window, "List_0")->setCurrentRow(field - 1);
    window.List_KeyDown(0, vbKeyInsert, Qt::NoModifier);
}

void checkFinalReport(const QList<ShownMessage> &messages, long long records)
{
    const QString expected = QStringLiteral(" %1件").arg(records);
    if (messages.size() == 1 && messages[0].text == expected && messages[0].style == vbOKOnly &&
        messages[0].title == QStringLiteral("変換終了"))
        return;
    std::string shown;
    for (const ShownMessage &message : messages)
        shown += " [" + message.title.toStdString() + ": " + message.text.toStdString() + "]";
    fail("expected the one message \"" + expected.toStdString() + "\" titled 変換終了, but " +
         (messages.isEmpty() ? std::string("none was shown") : "these were shown:" + shown));
}

} // namespace

WindowRun::WindowRun(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath)
    : records_(benchCase.source.records)
{
    window_->commonDialog1().setAnswerer(&answerer_);
    checkStartupLayout(benchCase);
    waitUntilExposed(*window_);

    answerer_.path = sourcePath;
    control<QPushButton>(*window_, "cmdFile")->click();
    if (listed(*window_, "List_0") != int(benchCase.source.widths.size()))
        fail("the preview lists " + std::to_string(listed(*window_, "List_0")) + " fields instead of " +
             std::to_string(benchCase.source.widths.size()));
    for (const int field : benchCase.outputOrder) addToOutput(*window_, field);
    if (listed(*window_, "List_2") != int(benchCase.outputOrder.size()))
        fail("the output list holds " + std::to_string(listed(*window_, "List_2")) + " columns instead of " +
             std::to_string(benchCase.outputOrder.size()));
    answerer_.path = outputPath;
    control<QPushButton>(*window_, "cmdSave")->click();
    if (mdlGlobal.OutputPath != outputPath) fail("the output file was not taken from the save dialog");
}

void WindowRun::start()
{
    messages_.messages.clear();
    control<QPushButton>(*window_, "cmd開始")->click();
    checkFinalReport(messages_.messages, records_);
}
