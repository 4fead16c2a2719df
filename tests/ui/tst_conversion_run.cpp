// The conversion run: its checks in order, the output, the final report, failures, and what
// other handlers may do while it runs.

#include "MsgBox.h"
#include "WindowTest.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>

class ConversionRunTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void emptyOutputListComesFirst();
    void cancelledChoosersEndSilently_data();
    void cancelledChoosersEndSilently();
    void sameFileIsRefused();
    void convertsEveryLineAndReports();
    void secondRunReplacesTheOutput();
    void asksForMissingPaths();
    void workbookChosenInTheSaveDialog();
    void failureNamesTheRecordAndKeepsEarlierLines();
    void unopenableOutputIsReported();
    void composesOneLine_data();
    void composesOneLine();

    void secondPressIsRefusedWhileRunning();
    void delimiterChangeTakesEffectFromTheNextRecord();
    void closingStopsTheRunAndKeepsTheLines_data();
    void closingStopsTheRunAndKeepsTheLines();
    void newOutputFileDuringTheRun_data();
    void newOutputFileDuringTheRun();

private:
    // Prepares the window with `source` previewed and the fields 2 then 1 as output columns.
    void prepare(const QByteArray &source);
    // Runs `action` once the running conversion first lets events run.
    static void duringTheRun(const std::function<void()> &action) { QTimer::singleShot(0, action); }
    static QByteArray manyLines(int count);

    std::string source_;
    std::string output_;
};

void ConversionRunTest::init()
{
    openWindow();
    output_ = folder_->path("out.csv");
}

void ConversionRunTest::cleanup() { closeWindow(); }

void ConversionRunTest::prepare(const QByteArray &source)
{
    source_ = folder_->write("source.txt", source);
    chooseSource(*window_, answerer_, source_);
    dragToOutput(*window_, 1);
    dragToOutput(*window_, 0);
    answerer_.requests.clear();
}

QByteArray ConversionRunTest::manyLines(int count)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i) lines += QByteArray::number(i).rightJustified(10, '0') + "\r\n";
    return lines;
}

void ConversionRunTest::emptyOutputListComesFirst()
{
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("出力データを指定してください。"));
    QCOMPARE(recorder.messages[0].style, vbExclamation);
    QCOMPARE(recorder.messages[0].title, QStringLiteral("ケナリス"));
    QVERIFY(answerer_.requests.empty()); // no dialog before the list check
}

void ConversionRunTest::cancelledChoosersEndSilently_data()
{
    QTest::addColumn<bool>("sourceKnown");
    QTest::newRow("source chooser cancelled") << false;
    QTest::newRow("output chooser cancelled") << true;
}

void ConversionRunTest::cancelledChoosersEndSilently()
{
    QFETCH(bool, sourceKnown);
    prepare("ABCDEFGHIJ\r\n");
    if (!sourceKnown) {
        button(*window_, "cmdFile")->click(); // cancelled: the path is forgotten, the columns stay
        answerer_.requests.clear();
    }
    const std::string oldOutput = folder_->write("NEW_FIX.CSV", "old");
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QVERIFY(recorder.messages.isEmpty());
    QCOMPARE(answerer_.requests.size(), size_t(1));
    QCOMPARE(answerer_.requests[0].kind, sourceKnown ? FileDialogKind::Save : FileDialogKind::Open);
    QVERIFY(mdlGlobal.OutputPath.empty());
    QCOMPARE(ScratchFolder::read(oldOutput), QByteArray("old"));
    QVERIFY(box(*window_, "txt件数")->text().isEmpty());
}

void ConversionRunTest::sameFileIsRefused()
{
    prepare("ABCDEFGHIJ\r\n");
    const std::string link = folder_->path("link.txt");
    QVERIFY(QFile::link(QString::fromStdString(source_), QString::fromStdString(link)));
    mdlGlobal.OutputPath = link;
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages[0].text.contains(QStringLiteral("変換元ファイルと同じ")),
             qPrintable(recorder.messages[0].text));
    QCOMPARE(recorder.messages[0].style, vbExclamation);
    QCOMPARE(ScratchFolder::read(source_), QByteArray("ABCDEFGHIJ\r\n"));
}

void ConversionRunTest::convertsEveryLineAndReports()
{
    prepare("ABCDEFGHIJ\r\nAB\r\nXYZUVW"); // the last line has no terminator
    mdlGlobal.OutputPath = output_;
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(ScratchFolder::read(output_), QByteArray("DEF,ABC\r\n,AB\r\nUVW,XYZ\r\n"));
    QCOMPARE(box(*window_, "txt件数")->text(), QStringLiteral("3"));
    QCOMPARE(box(*window_, "txtCSV_0")->text(), QStringLiteral("XYZUVW"));
    QCOMPARE(box(*window_, "txtCSV_1")->text(), QStringLiteral("UVW,XYZ"));
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral(" 3件\n長さがレイアウトと違うレコード 3 件（最初は 1 件目）"));
    QCOMPARE(recorder.messages[0].title, QStringLiteral("変換終了"));
    QCOMPARE(recorder.messages[0].style, vbOKOnly);
    QVERIFY(!window_->converting());
}

void ConversionRunTest::secondRunReplacesTheOutput()
{
    prepare("ABCDEFGHIJ\r\n");
    control<QRadioButton>(*window_, "Option1_1")->click();
    mdlGlobal.OutputPath = output_;
    folder_->write("out.csv", "earlier output\r\n");
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();
    button(*window_, "cmd開始")->click();
    QCOMPARE(ScratchFolder::read(output_), QByteArray("DEF\tABC\r\n"));
    QCOMPARE(recorder.messages.size(), 2);

    // An empty source replaces the old output by an empty one and counts 0 on screen and in the report.
    folder_->write("source.txt", "");
    button(*window_, "cmd開始")->click();
    QVERIFY(ScratchFolder::exists(output_));
    QCOMPARE(ScratchFolder::read(output_), QByteArray());
    QCOMPARE(box(*window_, "txt件数")->text(), QStringLiteral("0"));
    QCOMPARE(recorder.messages.value(2).text, QStringLiteral(" 0件"));
}

void ConversionRunTest::asksForMissingPaths()
{
    prepare("ABCDEFGHIJ\r\n");
    button(*window_, "cmdFile")->click(); // cancelled
    answerer_.requests.clear();
    answerer_.answers = {source_, output_};
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(answerer_.requests.size(), size_t(2));
    QCOMPARE(answerer_.requests[1].FileName, std::string("NEW_FIX.CSV"));
    QCOMPARE(box(*window_, "txtInFile")->text(), QString::fromStdString(source_));
    QCOMPARE(box(*window_, "txtOutFile")->text(), QString::fromStdString(output_));
    QCOMPARE(ScratchFolder::read(output_), QByteArray("DEF,ABC\r\n"));

    button(*window_, "cmd開始")->click(); // both paths kept: nothing asked
    QCOMPARE(answerer_.requests.size(), size_t(2));
}

void ConversionRunTest::workbookChosenInTheSaveDialog()
{
    prepare("ABCDEFGHIJ\r\n");
    control<QRadioButton>(*window_, "Option1_1")->click();
    menuItem(*window_, "mnuQuote")->trigger();
    const std::string workbook = folder_->path("out.xlsx");
    answerer_.answers = {workbook};
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(answerer_.requests.size(), size_t(1));
    QCOMPARE(answerer_.requests[0].Filter, std::string("*.csv;;*.xlsx"));
    QCOMPARE(recorder.messages.size(), 1);
    const QString &report = recorder.messages[0].text;
    QVERIFY2(
        report.startsWith(QStringLiteral(" 1件\nシート 1 枚\n")) &&
            report.endsWith(QStringLiteral("\n\nExcel ブック (.xlsx) には引用符・TAB 区切りの指定は使われません。")),
        qPrintable(report));
    QVERIFY(ScratchFolder::read(workbook).startsWith("PK\x03\x04")); // a zip container, as workbooks are
}

void ConversionRunTest::failureNamesTheRecordAndKeepsEarlierLines()
{
    prepare(manyLines(1000));
    mdlGlobal.OutputPath = output_;
    window_->setProgressInterval(std::chrono::milliseconds(0));
    duringTheRun([] { mdlGlobal.FieldTable[0].Width = "abc"; });
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(recorder.messages.size(), 1); // no final report
    const ShownMessage &shown = recorder.messages[0];
    const int done = box(*window_, "txt件数")->text().toInt();
    QVERIFY(done > 0 && done < 1000);
    QVERIFY2(shown.text.startsWith(QStringLiteral("%1 件目").arg(done + 1)) &&
                 shown.text.contains(QStringLiteral("「abc」")),
             qPrintable(shown.text));
    QCOMPARE(shown.style, vbExclamation);
    QCOMPARE(shown.title, QStringLiteral("ケナリス"));
    const QByteArray written = ScratchFolder::read(output_);
    QCOMPARE(written.count("\r\n"), done);
    QVERIFY(written.startsWith("000,000\r\n000,000\r\n"));
    QVERIFY(!window_->converting());
}

void ConversionRunTest::unopenableOutputIsReported()
{
    prepare("ABCDEFGHIJ\r\n");
    mdlGlobal.OutputPath = folder_->path("no-such-folder/out.csv");
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages[0].text.contains(QString::fromStdString(mdlGlobal.OutputPath)),
             qPrintable(recorder.messages[0].text));
    QCOMPARE(recorder.messages[0].style, vbExclamation);
}

void ConversionRunTest::composesOneLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("firstSlotEmpty");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("fields 2 and 1") << QByteArray("ABCDEFGHIJ") << "," << false << QByteArray("DEF,ABC\r\n");
    QTest::newRow("short line") << QByteArray("AB") << "," << false << QByteArray(",AB\r\n");
    QTest::newRow("TAB") << QByteArray("ABCDEFGHIJ") << "\t" << false << QByteArray("DEF\tABC\r\n");
    QTest::newRow("no column") << QByteArray("ABCDEFGHIJ") << "," << true << QByteArray();
}

void ConversionRunTest::composesOneLine()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, delimiter);
    QFETCH(bool, firstSlotEmpty);
    QFETCH(QByteArray, written);
    prepare("ABCDEFGHIJ");
    mdlGlobal.OutputPath = output_;
    if (delimiter == "\t") control<QRadioButton>(*window_, "Option1_1")->click();
    if (firstSlotEmpty) (*mdlGlobal.OutputLayout)[1].SourceField = -1;
    box(*window_, "txtCSV_1")->setText(QStringLiteral("before"));

    window_->Out1LineFIX(line.toStdString());
    QCOMPARE(box(*window_, "txtCSV_0")->text(), QString::fromLatin1(line));
    QCOMPARE(ScratchFolder::read(output_), written);
    QCOMPARE(box(*window_, "txtCSV_1")->text(),
             firstSlotEmpty ? QStringLiteral("before") : QString::fromLatin1(written.chopped(2)));
}

void ConversionRunTest::secondPressIsRefusedWhileRunning()
{
    prepare(manyLines(1000));
    mdlGlobal.OutputPath = output_;
    window_->setProgressInterval(std::chrono::milliseconds(0));
    duringTheRun([this] { button(*window_, "cmd開始")->click(); });
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(recorder.messages.size(), 2);
    QVERIFY2(recorder.messages[0].text.contains(QStringLiteral("変換中です")), qPrintable(recorder.messages[0].text));
    QCOMPARE(recorder.messages[0].style, vbExclamation);
    QCOMPARE(recorder.messages[1].text,
             QStringLiteral(" 1000件\n長さがレイアウトと違うレコード 1000 件（最初は 1 件目）"));
    QCOMPARE(ScratchFolder::read(output_).count("\r\n"), 1000); // the file was not deleted under the run
}

void ConversionRunTest::delimiterChangeTakesEffectFromTheNextRecord()
{
    prepare(manyLines(1000));
    mdlGlobal.OutputPath = output_;
    window_->setProgressInterval(std::chrono::milliseconds(0));
    duringTheRun([this] { control<QRadioButton>(*window_, "Option1_1")->click(); });
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    const QList<QByteArray> lines = ScratchFolder::read(output_).split('\n');
    QVERIFY(lines.first().contains(','));
    QVERIFY(lines[998].contains('\t'));
}

void ConversionRunTest::closingStopsTheRunAndKeepsTheLines_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("in the middle") << 1000;
    QTest::newRow("at the last record") << 3; // the only pause comes after the last record
}

void ConversionRunTest::closingStopsTheRunAndKeepsTheLines()
{
    QFETCH(int, records);
    prepare(manyLines(records));
    mdlGlobal.OutputPath = output_;
    window_->setProgressInterval(std::chrono::milliseconds(0));
    duringTheRun([this] { button(*window_, "cmdClose")->click(); });
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QVERIFY(recorder.messages.isEmpty());
    QVERIFY(!window_->isVisible());
    const int done = box(*window_, "txt件数")->text().toInt();
    QVERIFY(done > 0 && done <= records);
    if (records == 1000) QVERIFY(done < records);
    const QByteArray written = ScratchFolder::read(output_);
    QCOMPARE(written.count("\r\n"), done);
    QVERIFY(written.endsWith("\r\n"));
}

void ConversionRunTest::newOutputFileDuringTheRun_data()
{
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QString>("stopMessage");
    QTest::newRow("another file") << "second.csv"
                                  << "";
    QTest::newRow("the source") << "source.txt"
                                << "変換元ファイルと同じ";
    QTest::newRow("cancelled") << ""
                               << "取り消されました";
    QTest::newRow("a workbook") << "second.xlsx"
                                << "変換中に変えられません"; // it is written whole at the end
}

void ConversionRunTest::newOutputFileDuringTheRun()
{
    QFETCH(QString, choice);
    QFETCH(QString, stopMessage);
    const QByteArray source = manyLines(1000);
    prepare(source);
    mdlGlobal.OutputPath = output_;
    const std::string second = choice.isEmpty() ? std::string() : folder_->path(choice.toUtf8().constData());
    if (choice == "second.csv") folder_->write("second.csv", "stale\r\n");
    window_->setProgressInterval(std::chrono::milliseconds(0));
    duringTheRun([this, second] {
        answerer_.answers = {second};
        button(*window_, "cmdSave")->click();
    });
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();

    QCOMPARE(ScratchFolder::read(source_), source); // never written to
    const int first = int(ScratchFolder::read(output_).count("\r\n"));
    QVERIFY(first > 0 && first < 1000);
    QCOMPARE(recorder.messages.size(), 1);
    if (stopMessage.isEmpty()) {
        QCOMPARE(recorder.messages[0].text,
                 QStringLiteral(" 1000件\n長さがレイアウトと違うレコード 1000 件（最初は 1 件目）"));
        const QByteArray rest = ScratchFolder::read(second);
        QCOMPARE(first + rest.count("\r\n"), 1000);
        QVERIFY(!rest.contains("stale")); // the chosen file was replaced, not added to
    } else {
        QVERIFY2(recorder.messages[0].text.contains(stopMessage) &&
                     recorder.messages[0].text.startsWith(QStringLiteral("%1 件目").arg(first)),
                 qPrintable(recorder.messages[0].text));
        QCOMPARE(recorder.messages[0].style, vbExclamation);
    }
}

QTEST_MAIN(ConversionRunTest)
#include "tst_conversion_run.moc"
