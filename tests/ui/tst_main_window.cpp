// The main window as it opens, its delimiter buttons, its menus and how it ends.

#include "MsgBox.h"
#include "Twips.h"
#include "WindowTest.h"
#include "frmFIX.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithDefaults();
    void followsTheDesignGeometry();
    void tabVisitsTheControlsInOrder();
    void offersTheMenus();
    void accessKeysReachEveryButton();
    void delimiterFollowsTheOptionButtons();
    void menuItemsRunTheButtonsHandlers();
    void widthDialogIsMadeOnceAndKept();
    void closingEndsWithTheWidthDialog_data();
    void closingEndsWithTheWidthDialog();
};

void MainWindowTest::startsWithDefaults()
{
    mdlGlobal.OutputLayout = std::vector<OutputItem>(3);
    mdlGlobal.OutputPath = "left over";
    frmKenaris window;
    QCOMPARE(window.windowTitle(), QStringLiteral("ケナリス"));
    for (QLineEdit *box : {box(window, "txtCSV_0"), box(window, "txtCSV_1"), box(window, "txtDELI"),
                           box(window, "txtInFile"), box(window, "txtOutFile"), box(window, "txt件数")})
        QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QCOMPARE(sampleList(window)->count(), 0);
    QCOMPARE(outputList(window)->count(), 0);
    QVERIFY(control<QRadioButton>(window, "Option1_0")->isChecked());
    QVERIFY(!control<QRadioButton>(window, "Option1_1")->isChecked());
    QCOMPARE(window.delimiter(), std::string(","));
    QVERIFY(window.inputPath().empty());

    QCOMPARE(mdlGlobal.FieldCount, int16_t(7));
    QCOMPARE(mdlGlobal.FieldTable.size(), size_t(8));
    const char *widths[] = {"3", "3", "3", "4", "4", "8", "5", ""};
    for (size_t i = 0; i < 8; ++i) QCOMPARE(mdlGlobal.FieldTable[i].Width, std::string(widths[i]));
    QCOMPARE(mdlGlobal.FieldTable[0].Name, std::string("\x83\x66\x81\x5B\x83\x5E"
                                                       "1"));
    QVERIFY(mdlGlobal.FieldTable[7].Name.empty());
    QVERIFY(!mdlGlobal.OutputLayout);
    QVERIFY(mdlGlobal.OutputPath.empty());
}

void MainWindowTest::followsTheDesignGeometry()
{
    frmKenaris window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(window.centralWidget()->size(), twipsSize(window, 6945, 7080));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(sampleList(window)->geometry(), twipsRect(window, 1320, 3840, 1575, 2220));
    QCOMPARE(outputList(window)->geometry(), twipsRect(window, 3240, 3840, 1575, 2220));
    QCOMPARE(button(window, "cmd開始")->geometry(), twipsRect(window, 4200, 6360, 1095, 495));
    QCOMPARE(control<QRadioButton>(window, "Option1_1")->geometry(), twipsRect(window, 1800, 240, 1215, 255));
    QCOMPARE(control<QRadioButton>(window, "Option1_1")->parentWidget(), control<QGroupBox>(window, "fra区切文字"));
    QCOMPARE(button(window, "cmdClose")->text(), QStringLiteral("閉じる(&C)"));

    for (QLineEdit *box : {box(window, "txtCSV_0"), box(window, "txtCSV_1"), box(window, "txtDELI"),
                           box(window, "txtInFile"), box(window, "txtOutFile"), box(window, "txt件数")}) {
        QVERIFY(box->isReadOnly());
        QCOMPARE(box->palette().color(QPalette::Base), QColor(0xC0, 0xC0, 0xC0));
    }
    QVERIFY(!dragLabel(window)->isVisible());
    QVERIFY(!button(window, "cmd読込")->isVisible());
    QVERIFY(button(window, "cmdFile")->isVisible());
    QCOMPARE(control<QLabel>(window, "Label_8")->text(), QStringLiteral("出力区切文字"));
    QCOMPARE(window.findChild<QWidget *>(QStringLiteral("txtCSV_1")), box(window, "txtCSV_1"));
}

void MainWindowTest::tabVisitsTheControlsInOrder()
{
    // What the user works with, in reading order; the display boxes are left out.
    frmKenaris window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    control<QRadioButton>(window, "Option1_0")->setFocus();
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    const QStringList expected{"Option1_0", "List_0",  "List_2",   "cmdFile",
                               "cmdSave",   "cmd開始", "cmdClose", "Option1_0"};
    QCOMPARE(visited, expected);
}

void MainWindowTest::accessKeysReachEveryButton()
{
    frmKenaris window;
    QueuedAnswerer answerer; // every dialog cancelled
    window.commonDialog1().setAnswerer(&answerer);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    sampleList(window)->setFocus();
    // A button's access key clicks it after a short animation.
    QTest::keyClick(sampleList(window), Qt::Key_I, Qt::AltModifier);
    QTRY_COMPARE(int(answerer.requests.size()), 1); // 元ファイル asked for the source
    QTest::keyClick(sampleList(window), Qt::Key_O, Qt::AltModifier);
    QTRY_COMPARE(int(answerer.requests.size()), 2); // 保存 for the output
    QTest::keyClick(sampleList(window), Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!window.isVisible()); // 閉じる
}

void MainWindowTest::offersTheMenus()
{
    frmKenaris window;
    QStringList file;
    for (QAction *item : menu(window, "mnuFile")->actions())
        file << (item->isSeparator() ? QStringLiteral("-") : item->text());
    QCOMPARE(menu(window, "mnuFile")->title(), QStringLiteral("ﾌｧｲﾙ(&F)"));
    // The layout table items join the files' items, before the separator and 終了.
    QCOMPARE(file,
             (QStringList{"定義ﾌｧｲﾙを開く(&O)", "定義ﾌｧｲﾙを保存(&S)", "固定長ﾌｧｲﾙを開く(&F)", "保存CSVﾌｧｲﾙを指定(&W)",
                          "レイアウト表を読み込む(&I)...", "レイアウト表として保存(&T)...", "-", "終了(&X)"}));
    QCOMPARE(menu(window, "mnuEdit")->title(), QStringLiteral("編集(&E)"));
    // The items of the design first; the later items follow them.
    QCOMPARE(menu(window, "mnuEdit")->actions().mid(0, 2),
             (QList<QAction *>{menuItem(window, "mnuDELI"), menuItem(window, "mnuByteUnit")}));
    QVERIFY(menu(window, "mnuEdit")->actions().contains(menuItem(window, "mnuPreview")));
    QVERIFY(menu(window, "mnuEdit")->actions().contains(menuItem(window, "mnuPasteTable")));
    QCOMPARE(menuItem(window, "mnuPasteTable")->text(), QStringLiteral("レイアウト表を貼り付け(&V)"));
    QCOMPARE(menuItem(window, "mnuPreview")->text(), QStringLiteral("プレビュー(&P)..."));
    QCOMPARE(menuItem(window, "mnuRecordLength")->text(), QStringLiteral("レコード長を指定(&R)..."));
    QCOMPARE(menuItem(window, "mnuSelection")->text(), QStringLiteral("対象レコードの指定(&W)..."));
    QCOMPARE(menuItem(window, "mnuDELI")->text(), QStringLiteral("文字長の指定(&D)"));
    QCOMPARE(menuItem(window, "mnuByteUnit")->text(), QStringLiteral("文字長をバイト数で数える(&B)"));
    QVERIFY(menuItem(window, "mnuByteUnit")->isCheckable());
    QVERIFY(!menuItem(window, "mnuByteUnit")->isChecked());
}

void MainWindowTest::delimiterFollowsTheOptionButtons()
{
    frmKenaris window;
    control<QRadioButton>(window, "Option1_1")->click();
    QCOMPARE(window.delimiter(), std::string("\t"));
    control<QRadioButton>(window, "Option1_0")->click();
    QCOMPARE(window.delimiter(), std::string(","));
    window.Option1_Click(5);
    QCOMPARE(window.delimiter(), std::string(","));
    QVERIFY(box(window, "txtDELI")->text().isEmpty());
}

void MainWindowTest::menuItemsRunTheButtonsHandlers()
{
    ScratchFolder folder;
    const std::string source = folder.write("source.txt", "ABCDEFGHIJ\r\n");
    frmKenaris window;
    QueuedAnswerer answerer;
    window.commonDialog1().setAnswerer(&answerer);

    answerer.answers = {source};
    menuItem(window, "mnuOpenCSV")->trigger();
    QCOMPARE(window.inputPath(), source);
    QCOMPARE(box(window, "txtInFile")->text(), QString::fromStdString(source));
    QCOMPARE(sampleValues(sampleList(window)), (QStringList{"ABC", "DEF", "GHI", "J", "", "", ""}));

    answerer.answers = {folder.path("out.csv")};
    menuItem(window, "mnuSaveCSV")->trigger();
    QCOMPARE(mdlGlobal.OutputPath, folder.path("out.csv"));
    QCOMPARE(box(window, "txtOutFile")->text(), QString::fromStdString(folder.path("out.csv")));
    QCOMPARE(answerer.requests.back().kind, FileDialogKind::Save);
    QCOMPARE(answerer.requests.back().FileName, std::string("NEW_FIX.CSV"));
}

void MainWindowTest::widthDialogIsMadeOnceAndKept()
{
    frmKenaris window;
    window.show();
    QVERIFY(!window.fixDialog());
    menuItem(window, "mnuDELI")->trigger();
    frmFIX *first = window.fixDialog();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    first->hide();
    menuItem(window, "mnuDELI")->trigger();
    QCOMPARE(window.fixDialog(), first);
    QVERIFY(first->isVisible());
    first->showMinimized();
    menuItem(window, "mnuDELI")->trigger(); // brings it back
    QVERIFY(!first->isMinimized());
    int dialogs = 0;
    for (QWidget *top : QApplication::topLevelWidgets()) dialogs += qobject_cast<frmFIX *>(top) ? 1 : 0;
    QCOMPARE(dialogs, 1);
}

void MainWindowTest::closingEndsWithTheWidthDialog_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("閉じる") << "cmdClose";
    QTest::newRow("終了(&X)") << "mnuExit";
    QTest::newRow("title bar") << "title bar";
}

void MainWindowTest::closingEndsWithTheWidthDialog()
{
    QFETCH(QString, way);
    MessageRecorder recorder;
    frmKenaris window;
    window.show();
    menuItem(window, "mnuDELI")->trigger();
    QVERIFY(window.fixDialog()->isVisible());

    if (way == "cmdClose") button(window, "cmdClose")->click();
    else if (way == "mnuExit") menuItem(window, "mnuExit")->trigger();
    else window.close();

    QVERIFY(!window.isVisible());
    QVERIFY(!window.fixDialog()->isVisible());
    for (QWidget *top : QApplication::topLevelWidgets()) // nothing left to keep the program running
        QVERIFY2(!top->isVisible(), qPrintable(top->objectName()));
    QVERIFY(recorder.messages.isEmpty());
}

QTEST_MAIN(MainWindowTest)
#include "tst_main_window.moc"
