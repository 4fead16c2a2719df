#include "WindowRun.h"

#include "frmKenarisDragLabel.h"
#include "mdlGlobal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

// What a drag of sample field `field` onto the output list leaves behind: the row selected, the
// hidden label's caption, and the drop.
void dragToOutput(frmKenaris &window, int field)
{
    const int row = field - 1;
    window.List[0]->setCurrentRow(row);
    window.Label1->setCaption(dragText(field, window.List[0]->itemBytes(row)));
    window.List_DragDrop(2, window.Label1, 10, 10);
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
    window_->CommonDialog1.setAnswerer(&answerer_);
    checkStartupLayout(benchCase);
    waitUntilExposed(*window_);

    answerer_.path = sourcePath;
    window_->cmdFile->click();
    if (window_->List[0]->count() != int(benchCase.source.widths.size()))
        fail("the preview lists " + std::to_string(window_->List[0]->count()) + " fields instead of " +
             std::to_string(benchCase.source.widths.size()));
    for (const int field : benchCase.outputOrder) dragToOutput(*window_, field);
    if (window_->List[2]->count() != int(benchCase.outputOrder.size()))
        fail("the output list holds " + std::to_string(window_->List[2]->count()) + " columns instead of " +
             std::to_string(benchCase.outputOrder.size()));
    answerer_.path = outputPath;
    window_->cmdSave->click();
    if (mdlGlobal.OutputPath != outputPath) fail("the output file was not taken from the save dialog");
}

void WindowRun::start()
{
    messages_.messages.clear();
    window_->cmd開始->click();
    checkFinalReport(messages_.messages, records_);
}
