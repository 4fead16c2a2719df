// Choosing the source file and the preview of its first line in List[0].

#include "MsgBox.h"
#include "WindowTest.h"
#include "frmFIX.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

class PreviewTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void listsTheFieldsOfTheFirstLine_data();
    void listsTheFieldsOfTheFirstLine();
    void keepsTheBytesOfEachItem();
    void newFileDiscardsTheOutputColumns();
    void cancelledChoiceChangesOnlyThePath();
    void unreadableSourceIsReported_data();
    void unreadableSourceIsReported();
    void unusableWidthKeepsTheFieldsBeforeIt();
    void commandLineOpensTheNamedFiles_data();
    void commandLineOpensTheNamedFiles();
    void aLoadedLayoutIsListedWholeAndKeptForANewSource();
    void sampleFollowsTheLayout_data();
    void sampleFollowsTheLayout();

private:
    ScratchFolder folder_;
};

void PreviewTest::listsTheFieldsOfTheFirstLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("short line") << QByteArray("ABCDEFGHIJ\r\nsecond line that is much longer than the first\r\n")
                                << QStringList{"ABC", "DEF", "GHI", "J", "", "", ""};
    QTest::newRow("30 characters and more") << QByteArray("AAABBBCCCDDDDEEEEFFFFFFFFGGGGGextra")
                                            << QStringList{"AAA", "BBB", "CCC", "DDDD", "EEEE", "FFFFFFFF", "GGGGG"};
    QTest::newRow("empty first line") << QByteArray("\r\nABCDEF\r\n") << QStringList(7);
    QTest::newRow("CR alone ends the line") << QByteArray("ABCD\rEFGH") << QStringList{"ABC", "D", "", "", "", "", ""};
    QTest::newRow("double-byte characters count once")
        << QByteArray("\x83\x66\x81\x5B\x83\x5E\x82\xA0") << QStringList{"データ", "あ", "", "", "", "", ""};
}

void PreviewTest::listsTheFieldsOfTheFirstLine()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, items);
    MessageRecorder recorder;
    chooseSource(*window_, answerer_, folder_.write("source.txt", file));

    QCOMPARE(sampleValues(sampleList(*window_)), items);
    QCOMPARE(outputList(*window_)->count(), 0);
    QCOMPARE(layoutSlots(), std::vector<int>(7, -1));
    QCOMPARE((*mdlGlobal.OutputLayout)[0].SourceField, int16_t(0));
    QVERIFY(box(*window_, "txtCSV_0")->text().isEmpty()); // the preview shows no line
    QVERIFY(recorder.messages.isEmpty());
}

void PreviewTest::keepsTheBytesOfEachItem()
{
    // 0x80 is no CP932 character: it shows as a replacement mark, the bytes stay as they were.
    chooseSource(*window_, answerer_,
                 folder_.write("source.txt", QByteArray("\x80"
                                                        "AB\x83\x66XY")));
    // Each item names its field: number, name and value.
    QCOMPARE(itemTexts(sampleList(*window_)).mid(0, 3),
             (QStringList{QStringLiteral("01「\uFFFDAB」データ1"), QStringLiteral("02「デXY」データ2"),
                          QStringLiteral("03「」データ3")}));
    QCOMPARE(sampleList(*window_)->itemBytes(0), std::string("\x80"
                                                             "AB"));
    QCOMPARE(sampleList(*window_)->itemBytes(1), std::string("\x83\x66XY"));
}

void PreviewTest::newFileDiscardsTheOutputColumns()
{
    chooseSource(*window_, answerer_, folder_.write("first.txt", "ABCDEFGHIJ"));
    dragToOutput(*window_, 1);
    QCOMPARE(outputList(*window_)->count(), 1);

    mdlGlobal.FieldCount = 3;
    chooseSource(*window_, answerer_, folder_.write("second.txt", "123456789012"));
    QCOMPARE(sampleValues(sampleList(*window_)), (QStringList{"123", "456", "789"}));
    QCOMPARE(outputList(*window_)->count(), 0);
    QCOMPARE(layoutSlots(), (std::vector<int>{-1, -1, -1}));
}

void PreviewTest::cancelledChoiceChangesOnlyThePath()
{
    const std::string source = folder_.write("source.txt", "ABCDEFGHIJ");
    chooseSource(*window_, answerer_, source);
    dragToOutput(*window_, 0);

    button(*window_, "cmdFile")->click(); // cancelled
    QVERIFY(window_->inputPath().empty());
    QCOMPARE(box(*window_, "txtInFile")->text(), QString::fromStdString(source));
    QCOMPARE(sampleList(*window_)->count(), 7);
    QCOMPARE(outputList(*window_)->count(), 1);
    QCOMPARE(layoutSlots()[0], 1);
}

void PreviewTest::unreadableSourceIsReported_data()
{
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << false << "を開けません";
    QTest::newRow("no line at all") << true << "行がひとつもない";
}

void PreviewTest::unreadableSourceIsReported()
{
    QFETCH(bool, create);
    QFETCH(QString, reason);
    chooseSource(*window_, answerer_, folder_.write("earlier.txt", "ABCDEFGHIJ"));
    dragToOutput(*window_, 0);
    const std::string source = create ? folder_.write("empty.txt", "") : folder_.path("missing.txt");

    MessageRecorder recorder;
    chooseSource(*window_, answerer_, source);
    QCOMPARE(recorder.messages.size(), 1);
    const ShownMessage &shown = recorder.messages[0];
    QVERIFY2(shown.text.contains(reason) && shown.text.contains(QString::fromStdString(source)),
             qPrintable(shown.text));
    QCOMPARE(shown.style, vbExclamation);
    QCOMPARE(shown.title, QStringLiteral("ケナリス"));
    QCOMPARE(sampleList(*window_)->count(), 0);
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"01;"}); // the same layout keeps its columns
    QCOMPARE(layoutSlots(), (std::vector<int>{1, -1, -1, -1, -1, -1, -1}));
}

void PreviewTest::unusableWidthKeepsTheFieldsBeforeIt()
{
    mdlGlobal.FieldTable[2].Width = std::string(1, 'x');
    MessageRecorder recorder;
    chooseSource(*window_, answerer_, folder_.write("source.txt", "ABCDEFGHIJ"));
    QCOMPARE(sampleValues(sampleList(*window_)), (QStringList{"ABC", "DEF"}));
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY2(recorder.messages[0].text.contains(QStringLiteral("フィールド 3")) &&
                 recorder.messages[0].text.contains(QStringLiteral("「x」")),
             qPrintable(recorder.messages[0].text));
    QCOMPARE(recorder.messages[0].style, vbExclamation);
    QCOMPARE(layoutSlots(), std::vector<int>(7, -1));
}

void PreviewTest::commandLineOpensTheNamedFiles_data()
{
    // "SRC" and "DEF" stand for a source and a layout in the scratch folder.
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("dialogsShown");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("source") << QStringList{"SRC"} << 0 << false << "";
    QTest::newRow("layout, then source") << QStringList{"DEF", "SRC"} << 0 << true << "";
    QTest::newRow("source, then layout in capitals") << QStringList{"SRC", "LAYOUT.DEF"} << 0 << true << "";
    QTest::newRow("layout alone asks for the source") << QStringList{"DEF"} << 1 << true << "";
    QTest::newRow("two layouts") << QStringList{"DEF", "LAYOUT.DEF"} << 0 << false << "定義ファイルが 2 つ";
    QTest::newRow("two sources") << QStringList{"SRC", "SRC"} << 0 << false << "変換元ファイルが 2 つ";
    QTest::newRow("an option") << QStringList{"-x"} << 0 << false << "不明なオプション「-x」";
}

void PreviewTest::commandLineOpensTheNamedFiles()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, dialogsShown);
    QFETCH(bool, loaded);
    QFETCH(QString, refusal);
    const std::string source = folder_.write("source.txt", "ABCDEFGHIJ");
    const QByteArray layout = "FIX\r\nOUT\r\n2\r\nLEN\r\n3 a\r\n4 b\r\n";
    folder_.write("layout.def", layout);
    folder_.write("LAYOUT.DEF", layout);
    std::vector<std::string> files;
    for (const QString &argument : arguments)
        files.push_back(argument == "SRC"          ? source
                        : argument == "DEF"        ? folder_.path("layout.def")
                        : argument.startsWith('-') ? argument.toStdString()
                                                   : folder_.path(argument.toUtf8().constData()));
    answerer_.answers.push_back(source);

    MessageRecorder recorder;
    window_->openCommandLineFiles(files);
    QCOMPARE(int(answerer_.requests.size()), dialogsShown);
    QCOMPARE(window_->inputPath(), refusal.isEmpty() ? source : std::string());
    QCOMPARE(itemTexts(outputList(*window_)), loaded ? QStringList{"02;DEFG"} : QStringList{}); // cut by the layout
    QCOMPARE(mdlGlobal.FieldCount, int16_t(loaded ? 2 : 7));
    QCOMPARE(recorder.messages.size(), refusal.isEmpty() ? 0 : 1);
    if (!refusal.isEmpty())
        QVERIFY2(recorder.messages[0].text.contains(refusal), qPrintable(recorder.messages[0].text));
}

void PreviewTest::aLoadedLayoutIsListedWholeAndKeptForANewSource()
{
    // 134 fields of one character each, output in reverse.
    QByteArray layout = "FIX\r\nOUT\r\n", record;
    for (int field = 134; field >= 1; --field) layout += QByteArray::number(field) + "\r\n";
    layout += "LEN\r\n";
    for (int field = 1; field <= 134; ++field) {
        layout += "1 f" + QByteArray::number(field) + "\r\n";
        record += char('A' + field % 26);
    }
    const std::string source = folder_.write("source.txt", record + "\r\n");
    window_->openCommandLineFiles({folder_.write("layout.def", layout), source});

    QCOMPARE(sampleList(*window_)->count(), 134);
    QCOMPARE(sampleList(*window_)->item(133)->text(), QStringLiteral("134「%1」f134").arg(QChar('A' + 134 % 26)));
    QCOMPARE(outputList(*window_)->count(), 134);
    QCOMPARE(outputList(*window_)->item(0)->text(), QStringLiteral("134;%1").arg(QChar('A' + 134 % 26)));

    chooseSource(*window_, answerer_, source); // the same layout: the columns stay
    QCOMPARE(sampleList(*window_)->count(), 134);
    QCOMPARE(outputList(*window_)->count(), 134);
    QCOMPARE(layoutSlots().front(), 134);
}

void PreviewTest::sampleFollowsTheLayout_data()
{
    QTest::addColumn<QString>("button"); // in the width dialog, with field 2 chosen and width 4 typed
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("chosen"); // the row chosen in the dialog afterwards
    QTest::newRow("change") << "cmdChange" << QStringList{"ABC", "DEFG", "HIJ"} << "02;DEFG" << 1;
    QTest::newRow("insert") << "cmdInsert" << QStringList{"ABC", "DEFG", "HIJ"} << "03;HIJ" << 2;
    QTest::newRow("down") << "cmdDown" << QStringList{"ABC", "DEF", "GHI"} << "03;GHI" << 2;
    QTest::newRow("up") << "cmdUp" << QStringList{"ABC", "DEF", "GHI"} << "01;ABC" << 0;
    QTest::newRow("delete") << "cmdDel" << QStringList{"ABC", "DEF", "GHIJ"} << "" << 1; // its column goes too
}

void PreviewTest::sampleFollowsTheLayout()
{
    QFETCH(QString, button);
    QFETCH(QStringList, values);
    QFETCH(QString, column);
    QFETCH(int, chosen);
    chooseSource(*window_, answerer_, folder_.write("source.txt", "ABCDEFGHIJ\r\n"));
    dragToOutput(*window_, 1);
    menuItem(*window_, "mnuDELI")->trigger();
    QWidget *dialog = window_->fixDialog();
    auto *fields = dialog->findChild<QListWidget *>(QStringLiteral("lstDELI"));
    QTest::mouseClick(fields->viewport(), Qt::LeftButton, {}, fields->visualItemRect(fields->item(1)).center());
    QCOMPARE(dialog->findChild<QLineEdit *>(QStringLiteral("txtNAME"))->text(), QStringLiteral("データ2")); // filled
    QTest::keyClick(dialog->findChild<QLineEdit *>(QStringLiteral("txtFIXED")), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtFIXED")), "4");
    QTest::mouseClick(dialog->findChild<QPushButton *>(button), Qt::LeftButton);

    QCOMPARE(sampleValues(sampleList(*window_)).mid(0, 3), values);
    QCOMPARE(itemTexts(outputList(*window_)), column.isEmpty() ? QStringList{} : QStringList{column});
    QCOMPARE(layoutSlots().front(), column.isEmpty() ? -1 : column.left(2).toInt()); // on its field
    QCOMPARE(fields->currentRow(), chosen);
}

QTEST_MAIN(PreviewTest)
#include "tst_preview.moc"
