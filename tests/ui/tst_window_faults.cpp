// The main window under faults: no room for the output, an output that cannot be created, a
// source that cannot be read or that shrinks during the run, binary data, a 100 MB line and the
// largest field table. Each gives a clear Japanese message (or converts exactly), keeps the
// whole lines already written, and leaves a window in which the next conversion works.

#include "FaultData.h"
#include "write/FailedWrites.h"
#include "MsgBox.h"
#include "PermissionsBind.h"
#include "WindowTest.h"
#include "frmPreview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <functional>

using namespace faultdata;

class WindowFaultsTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void noRoomForTheOutput_data();
    void noRoomForTheOutput();
    void outputThatCannotBeCreated_data();
    void outputThatCannotBeCreated();
    void sourceThatCannotBeRead_data();
    void sourceThatCannotBeRead();
    void sourceThatShrinksDuringTheRun();
    void definitionSavedIntoALockedFolder();
    void binarySource();
    void hundredMegabyteLine();
    void largestFieldTable();
    void theProgramOutlivesAFileSizeLimit();
    void aSilentPipeOrAnEndlessSourceNeverFreezesTheWindow();

private:
    // Chooses `source` and drags fields 2 then 1 into the output list.
    void prepare(const std::string &source);
    // Presses the start button with the output file chosen through the save button.
    void convertInto(const std::string &output);
    // Converts a fresh, good source into a fresh output: the window is still usable.
    void expectNextConversionWorks();
    // The one message shown by the last action, checked to be a warning of this program.
    QString warning();
};

void WindowFaultsTest::initTestCase() { keepRunningOnFailedWrites(); } // as the program does at start

void WindowFaultsTest::init() { openWindow(); }

void WindowFaultsTest::cleanup() { closeWindow(false); } // each test checks the messages it expects

void WindowFaultsTest::prepare(const std::string &source)
{
    chooseSource(*window_, answerer_, source);
    if (outputList(*window_)->count() > 0) return; // chosen for an earlier source of the same layout
    dragToOutput(*window_, 1);
    dragToOutput(*window_, 0);
}

void WindowFaultsTest::convertInto(const std::string &output)
{
    answerer_.answers.push_back(output);
    button(*window_, "cmdSave")->click();
    messages_->messages.clear();
    button(*window_, "cmd開始")->click();
}

QString WindowFaultsTest::warning()
{
    if (messages_->messages.size() != 1) return QStringLiteral("(%1 messages)").arg(messages_->messages.size());
    const ShownMessage shown = messages_->messages.takeFirst();
    if (shown.style != vbExclamation || shown.title != QStringLiteral("ケナリス"))
        return QStringLiteral("(not a warning)");
    return shown.text;
}

void WindowFaultsTest::expectNextConversionWorks()
{
    QVERIFY(!window_->converting());
    messages_->messages.clear();
    prepare(folder_->write("good.txt", "ABCDEFGHIJ\r\nKLMNOPQRST\r\n"));
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    convertInto(folder_->path("good.csv"));
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, QStringLiteral(" 2件\n長さがレイアウトと違うレコード 2 件（最初は 1 件目）"));
    QCOMPARE(ScratchFolder::read(folder_->path("good.csv")), QByteArray("DEF,ABC\r\nNOP,KLM\r\n"));
}

// The record a run failure names ("N 件目のレコードで…"), or 0.
static int namedRecord(const QString &message) { return message.section(QLatin1Char(' '), 0, 0).toInt(); }

void WindowFaultsTest::noRoomForTheOutput_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("sizeLimit");
    QTest::newRow("full disk") << "/dev/full" << 0;
    QTest::newRow("file-size limit") << "" << 4000;
}

void WindowFaultsTest::noRoomForTheOutput()
{
    QFETCH(QString, output);
    QFETCH(int, sizeLimit);
    const std::string sourceBytes = numberedLines(2000);
    prepare(folder_->write("in.txt", QByteArray::fromStdString(sourceBytes)));
    const std::string outputPath = output.isEmpty() ? folder_->path("out.csv") : output.toStdString();

    struct rlimit before {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
    if (sizeLimit) {
        const struct rlimit limited = {rlim_t(sizeLimit), before.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    convertInto(outputPath);
    ::setrlimit(RLIMIT_FSIZE, &before);

    const QString text = warning();
    QVERIFY2(text.contains(QStringLiteral("件目のレコードで変換を中止しました。")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("ファイル「%1」に書き込めません。").arg(QString::fromStdString(outputPath))),
             qPrintable(text));
    const QByteArray written = sizeLimit ? ScratchFolder::read(outputPath) : QByteArray();
    const QByteArray expected = QByteArray::fromStdString(secondAndFirstField(sourceBytes));
    QCOMPARE(written, expected.left(written.size()));
    QVERIFY(written.isEmpty() || written.endsWith("\r\n"));
    QCOMPARE(namedRecord(text), int(written.count('\n')) + 1);
    // The window shows how far the run got: the records written and the record the failure names.
    QCOMPARE(box(*window_, "txt件数")->text().toInt(), namedRecord(text) - 1);
    const std::string named = splitLines(sourceBytes).at(size_t(namedRecord(text) - 1));
    QCOMPARE(box(*window_, "txtCSV_0")->text(), QString::fromStdString(named));
    QCOMPARE(box(*window_, "txtCSV_1")->text() + "\r\n", QString::fromStdString(secondAndFirstField(named)));
    expectNextConversionWorks();
}

void WindowFaultsTest::outputThatCannotBeCreated_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder without write permission") << "locked";
    QTest::newRow("below a regular file") << "plain";
    QTest::newRow("a folder as the output") << "folder";
}

void WindowFaultsTest::outputThatCannotBeCreated()
{
    QFETCH(QString, fault);
    prepare(folder_->write("in.txt", "ABCDEFGHIJ\r\nKLMNOPQRST\r\n"));
    std::string output;
    if (fault == "locked") {
        QCOMPARE(::mkdir(folder_->path("locked").c_str(), 0555), 0);
        output = folder_->path("locked") + "/out.csv";
    } else if (fault == "plain") {
        output = folder_->write("plain.txt", "not a folder") + "/out.csv";
    } else {
        QCOMPARE(::mkdir(folder_->path("folder").c_str(), 0755), 0);
        output = folder_->path("folder");
    }
    {
        const PermissionsBind permissions;
        if (fault == "locked" && !permissions.problem().empty()) QSKIP(permissions.problem().c_str());
        convertInto(output);
    }
    const QString text = warning();
    QVERIFY2(text.startsWith(QStringLiteral("1 件目のレコードで変換を中止しました。")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("ファイル「%1」を開けません。").arg(QString::fromStdString(output))),
             qPrintable(text));
    QCOMPARE(box(*window_, "txtOutFile")->text(), QString::fromStdString(output));
    expectNextConversionWorks();
}

void WindowFaultsTest::sourceThatCannotBeRead_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("outputKept"); // a source that cannot be opened leaves the old output alone
    QTest::newRow("no read permission") << "locked"
                                        << "を開けません。" << true;
    QTest::newRow("a folder as the source") << "folder"
                                            << "を" << true;
    QTest::newRow("reading fails") << "/proc/self/mem"
                                   << "を読み込めません。" << false;
}

void WindowFaultsTest::sourceThatCannotBeRead()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QFETCH(bool, outputKept);
    std::string source;
    if (fault == "locked") {
        source = folder_->write("locked.txt", "ABCDEFGHIJ\r\n");
        QCOMPARE(::chmod(source.c_str(), 0), 0);
    } else if (fault == "folder") {
        QCOMPARE(::mkdir(folder_->path("folder").c_str(), 0755), 0);
        source = folder_->path("folder");
    } else {
        source = fault.toStdString();
    }
    const QString named = QStringLiteral("ファイル「%1」%2").arg(QString::fromStdString(source), message);
    const PermissionsBind permissions;
    if (fault == "locked" && !permissions.problem().empty()) QSKIP(permissions.problem().c_str());

    // The preview.
    chooseSource(*window_, answerer_, source);
    QString text = warning();
    QVERIFY2(text.contains(named), qPrintable(text));
    QCOMPARE(sampleList(*window_)->count(), 0);

    // The conversion of a source that was readable when it was chosen.
    prepare(folder_->write("in.txt", "ABCDEFGHIJ\r\n"));
    button(*window_, "cmdFile")->click(); // cancelled: the run asks for its source
    const std::string output = folder_->write("out.csv", "earlier output\r\n");
    answerer_.answers.push_back(output);
    button(*window_, "cmdSave")->click();
    answerer_.answers.push_back(source);
    messages_->messages.clear();
    button(*window_, "cmd開始")->click();
    text = warning();
    QVERIFY2(text.contains(named), qPrintable(text));
    if (outputKept) QCOMPARE(ScratchFolder::read(output), QByteArray("earlier output\r\n"));
    expectNextConversionWorks();
}

void WindowFaultsTest::sourceThatShrinksDuringTheRun()
{
    const std::string original = numberedLines(20000); // 240 kB: more than one read
    const std::string source = folder_->write("in.txt", QByteArray::fromStdString(original));
    prepare(source);
    window_->setProgressInterval(std::chrono::milliseconds(0));
    // At the first pause, cut the file short in the middle of a line the run has read already.
    QTimer::singleShot(0, [&] { QCOMPARE(::truncate(source.c_str(), 1000), 0); });
    const std::string output = folder_->path("out.csv");
    convertInto(output);

    const QString text = warning();
    QVERIFY2(text.contains(QStringLiteral("件目のレコードで変換を中止しました。")), qPrintable(text));
    QVERIFY2(
        text.contains(
            QStringLiteral("ファイル「%1」が読み込みの途中で短くなりました。").arg(QString::fromStdString(source))),
        qPrintable(text));
    const QByteArray written = ScratchFolder::read(output);
    const QByteArray expected = QByteArray::fromStdString(secondAndFirstField(original));
    QVERIFY(written.count('\n') > 0);
    QCOMPARE(written, expected.left(written.size()));
    QVERIFY(written.endsWith("\r\n"));
    QCOMPARE(namedRecord(text), int(written.count('\n')) + 1);
    expectNextConversionWorks();
}

void WindowFaultsTest::definitionSavedIntoALockedFolder()
{
    prepare(folder_->write("in.txt", "ABCDEFGHIJ\r\n"));
    QVERIFY(QDir(QString::fromStdString(folder_->path(""))).mkdir(QStringLiteral("locked")));
    const std::string path = folder_->path("locked") + "/layout.def";
    answerer_.answers.push_back(path);
    menuItem(*window_, "mnuSaveDef")->trigger();
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    const QByteArray old = ScratchFolder::read(path);
    QVERIFY(old.startsWith("FIX\r\nOUT\r\n2\r\n1\r\n"));

    dragToOutput(*window_, 2); // a changed layout that cannot be saved over the old one
    QCOMPARE(::chmod(folder_->path("locked").c_str(), 0555), 0);
    {
        const PermissionsBind permissions;
        if (!permissions.problem().empty()) QSKIP(permissions.problem().c_str());
        answerer_.answers.push_back(path);
        menuItem(*window_, "mnuSaveDef")->trigger();
    }
    ::chmod(folder_->path("locked").c_str(), 0755);

    QCOMPARE(messages_->messages.size(), 1);
    const ShownMessage shown = messages_->messages.takeFirst();
    QCOMPARE(shown.style, vbOKOnly);
    QCOMPARE(shown.title, QStringLiteral("ケナリス"));
    QVERIFY2(
        shown.text.startsWith(QStringLiteral("ファイル「%1」に書き込めません。(").arg(QString::fromStdString(path))),
        qPrintable(shown.text));
    QCOMPARE(ScratchFolder::read(path), old);
    QCOMPARE(QDir(QString::fromStdString(folder_->path("locked")))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("layout.def")});
    QCOMPARE(mdlGlobal.DefinitionPath, path);

    // Saved elsewhere, the changed layout is all there.
    answerer_.answers.push_back(folder_->path("saved.def"));
    menuItem(*window_, "mnuSaveDef")->trigger();
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    QVERIFY(ScratchFolder::read(folder_->path("saved.def")).startsWith("FIX\r\nOUT\r\n2\r\n1\r\n3\r\nLEN\r\n"));
    outputList(*window_)->setCurrentRow(2);
    QTest::keyClick(outputList(*window_), Qt::Key_Delete); // back to the columns the next run expects
    expectNextConversionWorks();
}

void WindowFaultsTest::binarySource()
{
    const std::string bytes = faultdata::binarySource();
    prepare(folder_->write("in.bin", QByteArray::fromStdString(bytes)));
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    // The preview keeps each field's bytes, NULs and all.
    const std::vector<std::string> chars = characters(splitLines(bytes).front());
    const int widths[] = {3, 3, 3, 4, 4, 8, 5};
    QCOMPARE(sampleList(*window_)->count(), 7);
    for (int field = 0, start = 1; field < 7; start += widths[field++])
        QCOMPARE(sampleList(*window_)->itemBytes(field), cut(chars, size_t(start), size_t(widths[field])));

    const std::string output = folder_->path("out.csv");
    convertInto(output);
    QCOMPARE(messages_->messages.size(), 1);
    // The count, then the warnings such bytes draw.
    QCOMPARE(messages_->messages[0].text.section(QLatin1Char('\n'), 0, 0),
             QStringLiteral(" %1件").arg(splitLines(bytes).size()));
    QCOMPARE(ScratchFolder::read(output), QByteArray::fromStdString(secondAndFirstField(bytes)));
    expectNextConversionWorks();
}

void WindowFaultsTest::hundredMegabyteLine()
{
    std::string bytes = hugeLineSource();
    const std::vector<std::string> chars = characters(bytes.substr(0, 100));
    const std::string source = folder_->write("huge.txt", QByteArray::fromStdString(bytes));
    bytes = std::string(); // the window is what may hold the line now
    prepare(source);
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    QCOMPARE(sampleList(*window_)->count(), 7);
    QCOMPARE(sampleList(*window_)->itemBytes(6), cut(chars, 26, 5));

    const std::string output = folder_->path("out.csv");
    convertInto(output);
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, QStringLiteral(" 2件\n長さがレイアウトと違うレコード 2 件（最初は 1 件目）"));
    QCOMPARE(ScratchFolder::read(output), QByteArray::fromStdString(HugeLineOutput));
    QVERIFY(box(*window_, "txtCSV_0")->text().size() <= 4096); // the box shows the start of the line only
    expectNextConversionWorks();
}

void WindowFaultsTest::largestFieldTable()
{
    const std::string bytes = wideSource(MaxFields + 5);
    const std::string source = folder_->write("wide.txt", QByteArray::fromStdString(bytes));
    const std::string widest =
        folder_->write("widest.def", QByteArray::fromStdString(widestDefinition(MaxFields, MaxFields)));
    const auto load = [this](const std::string &path) {
        answerer_.answers.push_back(path);
        menuItem(*window_, "mnuOpenDef")->trigger();
    };
    chooseSource(*window_, answerer_, source);
    load(widest);
    QCOMPARE(mdlGlobal.FieldCount, int16_t(MaxFields));
    chooseSource(*window_, answerer_, source); // the preview by the loaded widths
    QVERIFY2(messages_->messages.isEmpty(), qPrintable(messages_->messages.value(0).text));
    const std::vector<std::string> chars = characters(splitLines(bytes).front());
    QCOMPARE(sampleList(*window_)->count(), MaxFields);
    QCOMPARE(sampleList(*window_)->itemBytes(MaxFields - 1), chars[size_t(MaxFields - 1)]);

    // One field more is refused, and the table stays as it was.
    load(folder_->write("too-wide.def", QByteArray::fromStdString(widestDefinition(MaxFields + 1, 2))));
    const QString text = warning();
    QVERIFY2(text.startsWith(QStringLiteral("ケナリスの定義ファイルではありません。\n")) &&
                 text.contains(QStringLiteral("32767")),
             qPrintable(text));
    QCOMPARE(mdlGlobal.FieldCount, int16_t(MaxFields));

    load(widest); // every field an output column
    QCOMPARE(outputList(*window_)->count(), MaxFields);
    QCOMPARE(outputList(*window_)->itemBytes(MaxFields - 1), "32767;" + chars[size_t(MaxFields - 1)]);
    const std::string output = folder_->path("out.csv");
    convertInto(output);
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text, QStringLiteral(" 2件\n長さがレイアウトと違うレコード 2 件（最初は 1 件目）"));
    QCOMPARE(ScratchFolder::read(output), QByteArray::fromStdString(wideOutput(MaxFields, bytes)));

    load(folder_->write("start-up.def", QByteArray::fromStdString(SecondAndFirstDefinition)));
    expectNextConversionWorks();
}

// The program itself, started as a user starts it, has the file-size signal ignored: a write
// past the limit then fails with the message above instead of ending the program.
void WindowFaultsTest::theProgramOutlivesAFileSizeLimit()
{
    QProcess program;
    program.setProcessEnvironment([] {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }());
    program.setChildProcessModifier([] { std::signal(SIGXFSZ, SIG_DFL); }); // not inherited from this test
    program.start(QStringLiteral(KENARIS_PROGRAM), {});
    QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));
    const auto ignoresFileSizeSignal = [&] {
        QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
        if (!status.open(QIODevice::ReadOnly)) return false;
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("SigIgn:"))
                return bool((line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGXFSZ - 1)) & 1);
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(ignoresFileSizeSignal(), 10000);
    QCOMPARE(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

// Once the small window that says what is read appears, notes its text and presses `press`
// (its own "中止" when null) from the event loop the read keeps running.
static void whenReadingShows(QString &said, QPushButton *press)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &said, press] {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() != QStringLiteral("frmReading") || !widget->isVisible()) continue;
            said = widget->findChild<QLabel *>()->text();
            QPushButton *stop = widget->findChild<QPushButton *>();
            QTest::mouseClick(press ? press : stop, Qt::LeftButton);
            poll->deleteLater();
            return;
        }
    });
    poll->start(50);
}

void WindowFaultsTest::aSilentPipeOrAnEndlessSourceNeverFreezesTheWindow()
{
    const std::string fifo = folder_->path("in.fifo");
    QCOMPARE(::mkfifo(fifo.c_str(), 0600), 0);
    const int silentWriter = ::open(fifo.c_str(), O_RDWR);
    QVERIFY(silentWriter >= 0);
    QString said;
    whenReadingShows(said, nullptr); // 中止
    chooseSource(*window_, answerer_, fifo);
    QVERIFY2(said.contains(QString::fromStdString(fifo)), qPrintable(said));
    QCOMPARE(warning(), QStringLiteral("ファイル「%1」の読み込みを中止しました。").arg(QString::fromStdString(fifo)));
    QCOMPARE(sampleList(*window_)->count(), 0);

    // An endless source whose selection takes nothing: the search stops at its bound.
    mdlGlobal.RecordLength = 6;
    mdlGlobal.Selection = RecordSelection{1, "zzz"};
    chooseSource(*window_, answerer_, "/dev/zero");
    const QString endless = warning();
    QVERIFY2(endless.contains(
                 QStringLiteral("の先頭 64 MB までに対象レコード (フィールド 1 が「zzz」のレコード) が見つからない")),
             qPrintable(endless));
    menuItem(*window_, "mnuPreview")->trigger();
    QVERIFY(window_->previewWindow());
    QTRY_VERIFY2_WITH_TIMEOUT(
        window_->previewWindow()->status()->text().contains(QStringLiteral("先頭 64 MB までを読みましたが")),
        qPrintable(window_->previewWindow()->status()->text()), 60000);
    window_->previewWindow()->close();

    // 閉じる ends the program while the pipe is read.
    mdlGlobal.Selection.reset();
    whenReadingShows(said, button(*window_, "cmdClose"));
    chooseSource(*window_, answerer_, fifo);
    QVERIFY(!window_->isVisible());
    QCOMPARE(messages_->messages.size(), 0);
    ::close(silentWriter);
}

QTEST_MAIN(WindowFaultsTest)
#include "tst_window_faults.moc"
