#include "WindowRun.h"

#include "FileBytes.h"
#include "MsgBox.h"
#include "ProcessRun.h"
#include "Stopwatch.h"
#include "frmKenaris.h"
#include "frmKenarisDragLabel.h"
#include "mdlGlobal.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPushButton>
#include <QWindow>

#include <memory>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace {

// Answers the next dialog with the path it was given; a dialog nobody expected is cancelled.
class PathAnswerer : public FileDialogAnswerer {
public:
    std::string path;
    std::string answer(const FileDialogRequest &) override { return std::exchange(path, {}); }
};

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

WindowRunFigures convertThroughWindow(const BenchCase &benchCase, const std::string &sourcePath,
                                      const std::string &outputPath)
{
    MessageRecorder messages;
    PathAnswerer answerer;
    const auto window = std::make_unique<frmKenaris>();
    window->CommonDialog1.setAnswerer(&answerer);
    checkStartupLayout(benchCase);
    waitUntilExposed(*window);

    answerer.path = sourcePath;
    window->cmdFile->click();
    if (window->List[0]->count() != int(benchCase.source.widths.size()))
        fail("the preview lists " + std::to_string(window->List[0]->count()) + " fields instead of " +
             std::to_string(benchCase.source.widths.size()));
    for (const int field : benchCase.outputOrder) dragToOutput(*window, field);
    if (window->List[2]->count() != int(benchCase.outputOrder.size()))
        fail("the output list holds " + std::to_string(window->List[2]->count()) + " columns instead of " +
             std::to_string(benchCase.outputOrder.size()));
    answerer.path = outputPath;
    window->cmdSave->click();
    if (mdlGlobal.OutputPath != outputPath) fail("the output file was not taken from the save dialog");

    // Every timed run starts without its old output and with no dirty pages left to write back.
    removeFile(outputPath);
    ::sync();
    const double cpuBefore = ownCpuSeconds();
    const Stopwatch watch;
    window->cmd開始->click();
    WindowRunFigures figures{watch.seconds(), ownCpuSeconds() - cpuBefore};
    checkFinalReport(messages.messages, benchCase.source.records);
    return figures;
}
