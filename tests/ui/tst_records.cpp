// The record settings in the 編集 menu: the record length and record selection dialogs, the
// preview of the first selected record, the run's report, and the settings in definition files.

#include "BankFile.h"
#include "Cp932Text.h"
#include "MsgBox.h"
#include "WindowTest.h"
#include "frmRecordLength.h"
#include "frmSelection.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>

class RecordsTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void recordLengthDialog_data();
    void recordLengthDialog();
    void selectionDialogListsTheFieldsAndApplies();
    void previewShowsTheFirstDataRecord_data();
    void previewShowsTheFirstDataRecord();
    void previewWithoutASelectedRecordSaysSo();
    void reportCountsTheRecordsNotSelected();

private:
    // Chooses a bank file, then loads the data record layout with `keywordLines`.
    void useBankLayout(const std::string &keywordLines = "");
    void setRecordLength(const QString &typed);
    void select(int comboIndex, const QString &text);
};

void RecordsTest::setRecordLength(const QString &typed)
{
    menuItem(*window_, "mnuRecordLength")->trigger();
    frmRecordLength *dialog = window_->recordLengthDialog();
    QVERIFY(dialog && dialog->isVisible());
    QTest::keyClick(dialog->txtLength, Qt::Key_Delete); // the current length, which is selected
    QTest::keyClicks(dialog->txtLength, typed);
    QTest::keyClick(dialog->txtLength, Qt::Key_Return);
}

void RecordsTest::select(int comboIndex, const QString &text)
{
    menuItem(*window_, "mnuSelection")->trigger();
    frmSelection *dialog = window_->selectionDialog();
    QVERIFY(dialog && dialog->isVisible());
    dialog->cboField->setCurrentIndex(comboIndex);
    dialog->txtText->setText(text);
    dialog->cmdOK->click();
}

void RecordsTest::useBankLayout(const std::string &keywordLines)
{
    chooseSource(*window_, answerer_,
                 folder_->write("bank.txt", QByteArray::fromStdString(bank::file(1, 3, false, true))));
    answerer_.answers.push_back(
        folder_->write("bank.def", QByteArray::fromStdString(bank::definition(keywordLines, "9\r\n10\r\n"))));
    menuItem(*window_, "mnuOpenDef")->trigger();
}

void RecordsTest::recordLengthDialog_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("length");
    QTest::newRow("120") << "120" << true << 120;
    QTest::newRow("blanks around") << " 80 " << true << 80;
    QTest::newRow("empty: one record a line") << "" << true << 0;
    QTest::newRow("zero") << "0" << false << 50;
    QTest::newRow("past 16 bits") << "34286" << true << 34286;
    QTest::newRow("too long") << "262145" << false << 50;
    QTest::newRow("not a number") << "12x" << false << 50;
}

void RecordsTest::recordLengthDialog()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(int, length);
    mdlGlobal.RecordLength = 50;
    menuItem(*window_, "mnuRecordLength")->trigger();
    QCOMPARE(window_->recordLengthDialog()->txtLength->text(), QStringLiteral("50")); // the current length
    window_->recordLengthDialog()->cmdCancel->click();

    MessageRecorder recorder;
    setRecordLength(typed);
    QCOMPARE(int(mdlGlobal.RecordLength), length);
    QCOMPARE(window_->recordLengthDialog()->isVisible(), !accepted);
    QCOMPARE(recorder.messages.size(), accepted ? 0 : 1);
    if (!accepted) {
        QVERIFY(recorder.messages[0].text.contains(QStringLiteral("1～262144")));
        window_->recordLengthDialog()->cmdCancel->click();
    }
}

void RecordsTest::selectionDialogListsTheFieldsAndApplies()
{
    useBankLayout();
    menuItem(*window_, "mnuSelection")->trigger();
    QComboBox *fields = window_->selectionDialog()->cboField;
    QCOMPARE(fields->count(), 12);
    QCOMPARE(fields->itemText(0), QStringLiteral("すべてのレコード"));
    QCOMPARE(fields->itemText(1), QStringLiteral("01 type"));
    QCOMPARE(fields->currentIndex(), 0);
    window_->selectionDialog()->cmdCancel->click();

    select(9, QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
    QVERIFY(mdlGlobal.Selection);
    // 元データ follows the selection at once: the name is padded, so no record matches.
    QCOMPARE(messages_->messages.size(), 1);
    QVERIFY(messages_->messages.takeFirst().text.contains(QStringLiteral("対象レコード (フィールド 9")));
    QCOMPARE(int(mdlGlobal.Selection->field), 9);
    QCOMPARE(mdlGlobal.Selection->text, bank::Recipient); // half-width kana, one byte each
    menuItem(*window_, "mnuSelection")->trigger();        // shows the selection in force
    QCOMPARE(window_->selectionDialog()->cboField->currentIndex(), 9);
    QCOMPARE(window_->selectionDialog()->txtText->text(), QStringLiteral("ﾔﾏﾀﾞ ﾀﾛｳ"));
    window_->selectionDialog()->cmdCancel->click();

    select(0, QString());
    QVERIFY(!mdlGlobal.Selection);
}

void RecordsTest::previewShowsTheFirstDataRecord_data()
{
    QTest::addColumn<bool>("lineEnds");
    QTest::newRow("records back to back") << false;
    QTest::newRow("records with CR LF") << true;
}

void RecordsTest::previewShowsTheFirstDataRecord()
{
    QFETCH(bool, lineEnds);
    mdlGlobal.FieldTable = {{"1", "type"}, {"4", "bank"}, {"15", "name"}, {}};
    mdlGlobal.FieldCount = 3;
    mdlGlobal.Unit = WidthUnit::Bytes;
    setRecordLength(QStringLiteral("120"));
    select(1, QStringLiteral("2"));
    chooseSource(*window_, answerer_,
                 folder_->write("bank.txt", QByteArray::fromStdString(bank::file(2, 2, lineEnds, true))));
    QCOMPARE(sampleValues(sampleList(*window_)), (QStringList{"2", "0001", decodeCp932(bank::BankName) + "      "}));
    QVERIFY(box(*window_, "txtCSV_0")->text().isEmpty()); // the preview shows no line
    QCOMPARE(layoutSlots(), std::vector<int>(3, -1));
}

void RecordsTest::previewWithoutASelectedRecordSaysSo()
{
    MessageRecorder recorder;
    setRecordLength(QStringLiteral("120"));
    select(1, QStringLiteral("7"));
    chooseSource(*window_, answerer_,
                 folder_->write("bank.txt", QByteArray::fromStdString(bank::file(1, 2, false, false))));
    QCOMPARE(sampleList(*window_)->count(), 0);
    QCOMPARE(layoutSlots(), std::vector<int>(7, -1)); // the lists and the layout agree
    QCOMPARE(recorder.messages.size(), 1);
    QVERIFY(recorder.messages[0].text.contains(
        QStringLiteral("対象レコード (フィールド 1 が「7」のレコード) がひとつもない")));
}

void RecordsTest::reportCountsTheRecordsNotSelected()
{
    useBankLayout("RECORD 120 \r\nSELECT 1 2\r\n"); // the settings come from the file
    QCOMPARE(int(mdlGlobal.RecordLength), 120);
    answerer_.answers.push_back(folder_->path("out.csv"));
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral(" 3件\n対象外 3 件"));
    const QByteArray line = QByteArray::fromStdString(bank::padded(bank::Recipient, 30) + ",0000001000\r\n");
    QCOMPARE(ScratchFolder::read(folder_->path("out.csv")).left(line.size()), line);
    QCOMPARE(box(*window_, "txt件数")->text(), QStringLiteral("3"));

    select(0, QString()); // every record: the report has one line
    button(*window_, "cmd開始")->click();
    QCOMPARE(recorder.messages.last().text, QStringLiteral(" 6件"));
}

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
