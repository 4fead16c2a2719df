// The field types and the header line as the window sets them: chosen in the 項目の型の指定
// dialog and the 編集 menu, saved in the definition file, shown again after a load, and the
// values that draw warnings marked in the preview.

#include "BankFile.h"
#include "PreviewTableModel.h"
#include "WindowTest.h"
#include "frmFieldTypes.h"
#include "frmPreview.h"

#include <QAction>
#include <QComboBox>
#include <QSpinBox>
#include <QTableView>

class FieldTypesTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void chosenTypesAreSavedAndLoaded();
    void previewMarksWhatDrawsWarnings();

private:
    void useBankLayout(const std::string &keywordLines);
};

void FieldTypesTest::useBankLayout(const std::string &keywordLines)
{
    chooseSource(*window_, answerer_,
                 folder_->write("bank.txt", QByteArray::fromStdString(bank::file(1, 2, true, false))));
    answerer_.answers.push_back(
        folder_->write("bank.def", QByteArray::fromStdString(bank::definition(keywordLines, "9\r\n10\r\n"))));
    menuItem(*window_, "mnuOpenDef")->trigger();
}

void FieldTypesTest::chosenTypesAreSavedAndLoaded()
{
    useBankLayout("RECORD 120\r\n");
    QVERIFY(!menuItem(*window_, "mnuHeader")->isChecked());
    menuItem(*window_, "mnuFieldTypes")->trigger();
    frmFieldTypes *dialog = window_->fieldTypesDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->cboField->count(), 11);
    // Field 10 (amount): a number with two decimals, typed as a user does.
    dialog->cboField->setCurrentIndex(9);
    dialog->cboKind->setCurrentIndex(1);
    QVERIFY(dialog->spnDecimals->isEnabled() && !dialog->cboDate->isEnabled());
    dialog->spnDecimals->selectAll();
    QTest::keyClicks(dialog->spnDecimals, "2");
    // Field 9 (recipient): kana made full-width.
    dialog->cboField->setCurrentIndex(8);
    QCOMPARE(dialog->cboKind->currentIndex(), 0); // each field shows its own type
    dialog->cboKind->setCurrentIndex(3);
    dialog->cmdOK->click();
    menuItem(*window_, "mnuHeader")->trigger();

    const std::string saved = folder_->path("typed.def");
    answerer_.answers.push_back(saved);
    menuItem(*window_, "mnuSaveDef")->trigger();
    const QByteArray bytes = ScratchFolder::read(saved);
    QVERIFY2(bytes.startsWith("FIX\r\nBYTE\r\nRECORD 120\r\nHEADER\r\nNUMBER 10 2\r\nKANA 9\r\nOUT\r\n"),
             bytes.constData());

    // Another layout drops them; loading the saved one shows them again.
    useBankLayout("");
    QVERIFY(!menuItem(*window_, "mnuHeader")->isChecked());
    answerer_.answers.push_back(saved);
    menuItem(*window_, "mnuOpenDef")->trigger();
    QVERIFY(menuItem(*window_, "mnuHeader")->isChecked());
    menuItem(*window_, "mnuFieldTypes")->trigger();
    dialog->cboField->setCurrentIndex(9);
    QCOMPARE(dialog->cboKind->currentIndex(), 1);
    QCOMPARE(dialog->spnDecimals->value(), 2);
    dialog->cmdCancel->click();
}

void FieldTypesTest::previewMarksWhatDrawsWarnings()
{
    // The amount is no date: every data record's cell and row are marked, the header's not.
    useBankLayout("RECORD 120\r\nSELECT 1 2\r\nDATE 10 YYYYMMDD\r\n");
    menuItem(*window_, "mnuPreview")->trigger();
    QTableView *table = window_->previewWindow()->findChild<QTableView *>();
    QVERIFY(table);
    QAbstractItemModel *model = table->model();
    QCOMPARE(model->rowCount(), 2);
    const QModelIndex amount = model->index(0, 9), recipient = model->index(0, 8);
    QCOMPARE(model->data(amount, Qt::ToolTipRole).toString(), QStringLiteral("日付として読めない値"));
    QVERIFY(model->data(amount, Qt::BackgroundRole).isValid());
    QVERIFY(!model->data(recipient, Qt::ToolTipRole).isValid());
    QCOMPARE(model->headerData(1, Qt::Vertical, Qt::ToolTipRole).toString(), QStringLiteral("日付として読めない値"));
}

QTEST_MAIN(FieldTypesTest)
#include "tst_field_types.moc"
