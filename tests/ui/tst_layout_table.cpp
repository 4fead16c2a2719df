// The layout table window as a user meets it: a table pasted or chosen, the fields shown, OK
// replacing the layout, Cancel keeping it, columns chosen for a table without a header, and the
// layout saved as a table.

#include "WindowTest.h"
#include "frmLayoutTable.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>

class LayoutTableTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void pastedTableReplacesTheLayoutOnOk();
    void columnsChosenForATableWithoutAHeader();
    void anotherSectionAndUnitChosen();
    void aContradictionCannotBeTakenAndCancelKeepsTheLayout();
    void savedTableReadsBackThroughTheFileMenu();

private:
    frmLayoutTable *paste(const QString &text);
};

frmLayoutTable *LayoutTableTest::paste(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
    menuItem(*window_, "mnuPasteTable")->trigger();
    frmLayoutTable *dialog = window_->layoutTableWindow();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

void LayoutTableTest::pastedTableReplacesTheLayoutOnOk()
{
    frmLayoutTable *dialog = paste(QStringLiteral("口座レイアウト\n項目名\t開始位置\tバイト数\t属性\n口座\t1\t7\tX\n"
                                                  "金額\t10\t10\t9\n"));
    QVERIFY(dialog);
    QCOMPARE(dialog->grdFields->rowCount(), 3); // with the gap before 金額
    QCOMPARE(dialog->grdFields->item(2, 4)->text(), QStringLiteral("9"));
    dialog->cmdOK->click();
    QCOMPARE(mdlGlobal.fieldsInTable(), 3);
    QCOMPARE(mdlGlobal.FieldTable[2], (FieldEntry{"10", "\x8B\xE0\x8A\x7A"}));
    QCOMPARE(mdlGlobal.Unit, WidthUnit::Bytes);
    QVERIFY(menuItem(*window_, "mnuByteUnit")->isChecked());
    QCOMPARE(layoutSlots(), (std::vector<int>{1, 3}));
    QCOMPARE(outputList(*window_)->count(), 2);
}

void LayoutTableTest::columnsChosenForATableWithoutAHeader()
{
    frmLayoutTable *dialog = paste(QStringLiteral("A\t5\nB\t3\n"));
    QVERIFY(dialog);
    QVERIFY(!dialog->cmdOK->isEnabled());
    QCOMPARE(dialog->cboColumn.size(), size_t(2));
    dialog->cboColumn[0]->setCurrentText(QStringLiteral("項目名"));
    dialog->cboColumn[1]->setCurrentText(QStringLiteral("長さ"));
    QCOMPARE(dialog->grdFields->rowCount(), 2);
    dialog->cmdOK->click();
    QCOMPARE(mdlGlobal.FieldTable[1], (FieldEntry{"3", "B"}));
}

void LayoutTableTest::anotherSectionAndUnitChosen()
{
    frmLayoutTable *dialog = paste(QStringLiteral("ヘッダー\n項目名\tバイト数\n区分\t1\n\n明細\n項目名\tバイト数\n"
                                                  "区分\t1\n口座\t7\n合計\t8\n"));
    QVERIFY(dialog);
    QCOMPARE(dialog->cboSection->count(), 2);
    dialog->cboSection->setCurrentIndex(1);
    QCOMPARE(dialog->grdFields->rowCount(), 2);
    QCOMPARE(dialog->lstSkipped->count(), 1); // the totals
    dialog->cboUnit->setCurrentText(QStringLiteral("文字"));
    dialog->cmdOK->click();
    QCOMPARE(mdlGlobal.FieldTable[1], (FieldEntry{"7", "\x8C\xFB\x8D\xC0"}));
    QCOMPARE(mdlGlobal.Unit, WidthUnit::Characters);
}

void LayoutTableTest::aContradictionCannotBeTakenAndCancelKeepsTheLayout()
{
    const LayoutModel before = mdlGlobal;
    frmLayoutTable *dialog = paste(QStringLiteral("項目名\t開始位置\t長さ\nA\t1\t5\nB\t4\t2\n"));
    QVERIFY(dialog);
    QVERIFY(dialog->lblStatus->text().contains(QStringLiteral("3 行目「B」: 開始位置が 4 ですが、6 のはず")));
    QVERIFY(!dialog->cmdOK->isEnabled());
    QTest::keyClick(dialog, Qt::Key_Escape);
    QVERIFY(!dialog->isVisible());

    dialog = paste(QStringLiteral("name,length\nA,3\n")); // one that could be taken, then Cancel
    QVERIFY(dialog);
    dialog->cmdCancel->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(mdlGlobal.FieldTable, before.FieldTable);
    QCOMPARE(mdlGlobal.Unit, before.Unit);
}

void LayoutTableTest::savedTableReadsBackThroughTheFileMenu()
{
    const std::string table = folder_->path("layout.csv");
    answerer_.answers.push_back(table);
    menuItem(*window_, "mnuExportTable")->trigger();
    const std::vector<FieldEntry> saved = mdlGlobal.FieldTable;
    frmLayoutTable *other = paste(QStringLiteral("name,length\nX,1\n"));
    QVERIFY(other);
    other->cmdOK->click();
    QCOMPARE(mdlGlobal.fieldsInTable(), 1);
    answerer_.answers.push_back(table);
    menuItem(*window_, "mnuImportTable")->trigger();
    frmLayoutTable *dialog = window_->layoutTableWindow();
    QVERIFY(dialog);
    QCOMPARE(dialog->cboUnit->currentText(), QStringLiteral("文字"));
    dialog->cmdOK->click();
    QCOMPARE(mdlGlobal.FieldTable, saved);
}

QTEST_MAIN(LayoutTableTest)
#include "tst_layout_table.moc"
