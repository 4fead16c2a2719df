// The preview window: the first records cut into every field, as a user opens it from 編集.

#include "WindowTest.h"
#include "frmPreview.h"

#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QTableView>

class PreviewWindowTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }

    void cellsShowEachFieldAsTheConversionCutsIt_data();
    void cellsShowEachFieldAsTheConversionCutsIt();
    void followsTheLayoutAndMarksOutputFields();
    void withoutASourceItSaysSo();
    void opensWholeOnTheScreenAndKeepsLaterColumnsReadable();

private:
    frmPreview *openPreview()
    {
        menuItem(*window_, "mnuPreview")->trigger();
        frmPreview *preview = window_->previewWindow();
        return preview && preview->isVisible() ? preview : nullptr;
    }
    // Row `row` of the table, its cells joined by "|".
    static QString rowText(frmPreview *preview, int row)
    {
        QStringList cells;
        const QAbstractItemModel *model = preview->table()->model();
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        return cells.join(QLatin1Char('|'));
    }
};

void PreviewWindowTest::cellsShowEachFieldAsTheConversionCutsIt_data()
{
    QTest::addColumn<bool>("bytes");
    QTest::addColumn<QStringList>("widths");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("recordLength");
    QTest::addColumn<QByteArray>("selectedType"); // field 1's text, when a selection is in force
    QTest::addColumn<int>("firstNumber");
    // 漢字 then half-width カナ, a short record, then one of other length.
    QTest::newRow("characters")
        << false << QStringList{"2", "3", "1"}
        << QByteArray("\x8A\xBF\x8E\x9A\xB6\xC5"
                      "AB\r\nX\r\n"
                      "123456\r\n")
        << QStringList{"漢字|ｶﾅA|B", "X||", "12|345|6"}
        << "表示 3 件　レイアウトの合計 6 文字／先頭レコード 6 文字　先頭レコードと文字数が違うレコード 1 件" << 0
        << QByteArray() << 1;
    QTest::newRow("bytes cut a character in half")
        << true << QStringList{"1", "2"}
        << QByteArray("\x8A\xBF"
                      "A\r\n")
        << QStringList{"\uFFFD|ｿA"} << "表示 1 件　レイアウトの合計 3 バイト／先頭レコード 3 バイト" << 0
        << QByteArray() << 1;
    QTest::newRow("a width that cannot be used") << false << QStringList{"1", "x", "1"} << QByteArray("ABC")
                                                 << QStringList{"A|フィールド 2 の文字長「x」は数値ではありません。|"}
                                                 << "使えない文字長があるため" << 0 << QByteArray() << 1;
    QTest::newRow("records of 4 bytes, type D only")
        << true << QStringList{"1", "3"} << QByteArray("HAAADBBBHCCCDEEE") << QStringList{"D|BBB", "D|EEE"}
        << "表示 2 件" << 4 << QByteArray("D") << 2;
}

void PreviewWindowTest::cellsShowEachFieldAsTheConversionCutsIt()
{
    QFETCH(bool, bytes);
    QFETCH(QStringList, widths);
    QFETCH(QByteArray, source);
    QFETCH(QStringList, rows);
    QFETCH(QString, status);
    QFETCH(int, recordLength);
    QFETCH(QByteArray, selectedType);
    QFETCH(int, firstNumber);
    mdlGlobal.RecordLength = recordLength;
    if (!selectedType.isEmpty()) mdlGlobal.Selection = RecordSelection{1, selectedType.toStdString()};
    mdlGlobal.Unit = bytes ? WidthUnit::Bytes : WidthUnit::Characters;
    mdlGlobal.FieldTable.clear();
    for (const QString &width : widths) mdlGlobal.FieldTable.push_back({width.toStdString(), "f"});
    mdlGlobal.FieldTable.push_back({});
    mdlGlobal.FieldCount = int16_t(widths.size());
    chooseSource(*window_, answerer_, folder_->write("in.txt", source));
    messages_->messages.clear(); // the main window's own preview may complain about the width

    frmPreview *preview = openPreview();
    QVERIFY(preview);
    QStringList shown;
    for (int row = 0; row < preview->table()->model()->rowCount(); ++row) shown << rowText(preview, row);
    QCOMPARE(shown, rows);
    QCOMPARE(preview->table()->model()->headerData(0, Qt::Vertical).toInt(), firstNumber);
    QVERIFY2(preview->status()->text().contains(status), qPrintable(preview->status()->text()));
}

void PreviewWindowTest::followsTheLayoutAndMarksOutputFields()
{
    chooseSource(*window_, answerer_, folder_->write("in.txt", "ABCDEFGHIJ\r\n"));
    dragToOutput(*window_, 1);
    frmPreview *preview = openPreview();
    QVERIFY(preview);
    const QAbstractItemModel *model = preview->table()->model();
    QCOMPARE(rowText(preview, 0), QStringLiteral("ABC|DEF|GHI|J|||"));
    QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("02 データ2 (3)\n出力 1"));
    QVERIFY(model->headerData(1, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());
    QVERIFY(!model->headerData(0, Qt::Horizontal, Qt::FontRole).value<QFont>().bold());

    mdlGlobal.FieldTable[0].Width =
        std::string(1, '1'); // as the width dialog changes it (a literal trips GCC 12's -Wrestrict)
    QTRY_COMPARE(rowText(preview, 0), QStringLiteral("A|BCD|EFG|HIJ|||"));
}

void PreviewWindowTest::withoutASourceItSaysSo()
{
    frmPreview *preview = openPreview();
    QVERIFY(preview);
    QCOMPARE(preview->table()->model()->rowCount(), 0);
    QVERIFY(preview->status()->text().contains(QStringLiteral("変換元ファイルが指定されていません")));
}

void PreviewWindowTest::opensWholeOnTheScreenAndKeepsLaterColumnsReadable()
{
    chooseSource(*window_, answerer_, folder_->write("in.txt", "ABCDEFGHIJ\r\n"));
    frmPreview *preview = openPreview();
    QVERIFY(preview);
    QVERIFY(window_->screen()->availableGeometry().contains(preview->frameGeometry()));

    dragToOutput(*window_, 1); // an output column while the preview is open
    const QAbstractItemModel *model = preview->table()->model();
    QTRY_VERIFY(model->headerData(1, Qt::Horizontal).toString().contains(QStringLiteral("出力 1")));
    QTRY_VERIFY(preview->table()->horizontalHeader()->height() >= 2 * preview->fontMetrics().lineSpacing());
    const QColor output = model->index(0, 1).data(Qt::BackgroundRole).value<QBrush>().color();
    const QColor other = model->index(0, 3).data(Qt::BackgroundRole).value<QBrush>().color();
    QVERIFY(output != other); // marked in its cells too

    QTest::keyClick(preview->table(), Qt::Key_Escape);
    QVERIFY(!preview->isVisible());
}

QTEST_MAIN(PreviewWindowTest)
#include "tst_preview_window.moc"
