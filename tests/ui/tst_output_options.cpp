// The output options in the 編集 menu: kept in step with the layout and a definition load, and
// the line shown in 変換後 as it is written.

#include "MsgBox.h"
#include "WindowTest.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

class OutputOptionsTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void menuItemsFollowTheLayout();
    void aDefinitionLoadSetsThem();
    void shownAsWritten_data();
    void shownAsWritten();
    void runShowsUtf8AndReportsWhatCannotBeDecoded();

private:
    // Chooses a source and drags fields 2 and 1 to the output list.
    void prepare(const QByteArray &source);
    void check(const QList<QAction *> &items);
};

void OutputOptionsTest::prepare(const QByteArray &source)
{
    chooseSource(*window_, answerer_, folder_->write("source.txt", source));
    dragToOutput(*window_, 1);
    dragToOutput(*window_, 0);
    mdlGlobal.OutputPath = folder_->path("out.csv");
}

void OutputOptionsTest::check(const QList<QAction *> &items)
{
    for (QAction *item : items) item->trigger();
}

void OutputOptionsTest::menuItemsFollowTheLayout()
{
    const QList<QAction *> items{menuItem(*window_, "mnuTrim"), menuItem(*window_, "mnuQuote"),
                                 menuItem(*window_, "mnuUtf8"), menuItem(*window_, "mnuBom")};
    QStringList texts;
    for (QAction *item : items) {
        QVERIFY(menu(*window_, "mnuEdit")->actions().contains(item));
        QVERIFY(item->isCheckable());
        QVERIFY(!item->isChecked());
        texts << item->text();
    }
    QCOMPARE(texts, (QStringList{"前後の空白を除く(&T)", "区切文字を含む項目を引用符で囲む(&Q)",
                                 "出力を UTF-8 にする(&U)", "UTF-8 に BOM を付ける(&M)"}));
    QVERIFY(!menuItem(*window_, "mnuBom")->isEnabled());

    check({menuItem(*window_, "mnuTrim"), menuItem(*window_, "mnuUtf8")});
    QVERIFY(mdlGlobal.Output == (OutputOptions{.trim = true, .utf8 = true}));
    QVERIFY(menuItem(*window_, "mnuBom")->isEnabled());
    check({menuItem(*window_, "mnuBom"), menuItem(*window_, "mnuQuote"), menuItem(*window_, "mnuTrim")});
    QVERIFY(mdlGlobal.Output == (OutputOptions{.quote = true, .utf8 = true, .bom = true}));
    check({menuItem(*window_, "mnuUtf8")});
    QVERIFY(!menuItem(*window_, "mnuBom")->isEnabled());
    QVERIFY(!mdlGlobal.Output.utf8);
}

void OutputOptionsTest::aDefinitionLoadSetsThem()
{
    prepare("ABCDEFGHIJ\r\n");
    check({menuItem(*window_, "mnuQuote")});
    answerer_.answers.push_back(folder_->write("layout.def", "FIX\r\nTRIM\r\nUTF8 BOM\r\nOUT\r\n1\r\nLEN\r\n3 a\r\n"));
    menuItem(*window_, "mnuOpenDef")->trigger();

    QVERIFY(mdlGlobal.Output == (OutputOptions{.trim = true, .utf8 = true, .bom = true}));
    QVERIFY(menuItem(*window_, "mnuTrim")->isChecked());
    QVERIFY(!menuItem(*window_, "mnuQuote")->isChecked());
    QVERIFY(menuItem(*window_, "mnuUtf8")->isChecked());
    QVERIFY(menuItem(*window_, "mnuBom")->isChecked() && menuItem(*window_, "mnuBom")->isEnabled());
}

void OutputOptionsTest::shownAsWritten_data()
{
    QTest::addColumn<QStringList>("items"); // object names: the window opens after this
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("written");
    // Fields of 3 characters: "1,2" and a horse's name between full-width blanks.
    QTest::newRow("plain") << QStringList{} << QStringLiteral("　馬　,1,2")
                           << QByteArray("\x81\x40\x94\x6E\x81\x40,1,2\r\n");
    QTest::newRow("trimmed and quoted") << QStringList{"mnuTrim", "mnuQuote"} << QStringLiteral("馬,\"1,2\"")
                                        << QByteArray("\x94\x6E,\"1,2\"\r\n");
    QTest::newRow("utf8 with a mark") << QStringList{"mnuUtf8", "mnuBom"} << QStringLiteral("　馬　,1,2")
                                      << QByteArray("\xEF\xBB\xBF　馬　,1,2\r\n");
}

void OutputOptionsTest::shownAsWritten()
{
    QFETCH(QStringList, items);
    QFETCH(QString, shown);
    QFETCH(QByteArray, written);
    prepare("1,2\x81\x40\x94\x6E\x81\x40\r\n");
    for (const QString &name : items) window_->findChild<QAction *>(name)->trigger();
    window_->Out1LineFIX("1,2\x81\x40\x94\x6E\x81\x40");
    QCOMPARE(box(*window_, "txtCSV_1")->text(), shown);
    QCOMPARE(ScratchFolder::read(mdlGlobal.OutputPath), written);
}

void OutputOptionsTest::runShowsUtf8AndReportsWhatCannotBeDecoded()
{
    prepare("ABC\x8A\xBF\r\n\x80\x80\x80xyz\r\n\x85\x40\x82\xA0\r\n");
    check({menuItem(*window_, "mnuUtf8")});
    button(*window_, "cmd開始")->click();

    QCOMPARE(box(*window_, "txtCSV_1")->text(), QStringLiteral(",\uFFFDあ"));
    QCOMPARE(ScratchFolder::read(mdlGlobal.OutputPath),
             QByteArray("漢,ABC\r\nxyz,\uFFFD\uFFFD\uFFFD\r\n,\uFFFDあ\r\n"));
    QCOMPARE(messages_->messages.size(), 1);
    QCOMPARE(messages_->messages[0].text,
             QStringLiteral(
                 " 3件\n変換できない文字 4 個（最初は 2 件目）\n長さがレイアウトと違うレコード 3 件（最初は 1 件目）"));
    messages_->messages.clear();
}

QTEST_MAIN(OutputOptionsTest)
#include "tst_output_options.moc"
