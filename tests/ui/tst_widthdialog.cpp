// The field width dialog as a user meets it: real widgets, clicks and keys, under the
// offscreen platform. Message boxes are recorded instead of shown.

#include "Cp932Text.h"
#include "MsgBox.h"
#include "frmFIX.h"
#include "layout/mdlGlobal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <memory>

namespace {
const QString Caption = QStringLiteral("固定長データの指定");
const QString LastFieldMessage =
    QStringLiteral("すべての文字長を削除することはできません。\r\nひとつは指定してください。");

QStringList startupItems()
{
    QStringList items;
    const char *widths[] = {"3", "3", "3", "4", "4", "8", "5"};
    for (int k = 1; k <= 7; ++k) items << QStringLiteral("%1   データ%2").arg(widths[k - 1]).arg(k);
    return items;
}

// The table as the list shows it, spare slot included.
QStringList tableTexts()
{
    QStringList texts;
    for (const FieldEntry &entry : mdlGlobal.FieldTable) texts << decodeCp932(entry.Width + "   " + entry.Name);
    return texts;
}

std::vector<FieldEntry> fields(int count)
{
    std::vector<FieldEntry> table(size_t(count), FieldEntry{"1", "F"});
    table.push_back({});
    return table;
}
} // namespace

class WidthDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<frmFIX> dialog;
    std::unique_ptr<MessageRecorder> recorder;

    template <typename T> T *control(const char *name) const
    {
        T *found = dialog->findChild<T *>(QLatin1String(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QListWidget *list() const { return control<QListWidget>("lstDELI"); }
    QStringList items() const
    {
        QStringList texts;
        for (int row = 0; row < list()->count(); ++row) texts << list()->item(row)->text();
        return texts;
    }
    void open()
    {
        dialog->show();
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    }
    void click(const char *button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
    void select(int row)
    {
        const QRect rect = list()->visualItemRect(list()->item(row));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(list()->selectedItems().value(0), list()->item(row));
    }
    void add(const QString &width, const QString &name)
    {
        control<QLineEdit>("txtFIXED")->setText(width);
        control<QLineEdit>("txtNAME")->setText(name);
        click("cmdAdd");
    }
    void activate(QWidget &window)
    {
        window.show();
        window.activateWindow();
        QTRY_COMPARE(QGuiApplication::focusWindow(), window.windowHandle());
    }

private slots:
    void init()
    {
        mdlGlobal = LayoutModel::startup();
        recorder = std::make_unique<MessageRecorder>();
        dialog = std::make_unique<frmFIX>();
    }
    void cleanup()
    {
        dialog.reset();
        recorder.reset();
    }

    void windowIsBuiltToTheDesign()
    {
        QCOMPARE(dialog->windowTitle(), Caption);
        const int dpiX = dialog->logicalDpiX(), dpiY = dialog->logicalDpiY();
        QVERIFY(dialog->width() >= qRound(4125 * dpiX / 1440.0) && dialog->height() >= qRound(4080 * dpiY / 1440.0));
        QVERIFY(dialog->maximumSize() != dialog->minimumSize()); // a larger window shows more fields
        QVERIFY(!(dialog->windowFlags() & (Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint)));
        QCOMPARE(control<QLabel>("Label1(2)")->buddy(), control<QLineEdit>("txtNAME"));

        // Tab goes in reading order: the list and its buttons, then the boxes and theirs.
        open();
        list()->setFocus();
        QStringList visited;
        for (int step = 0; step < 10; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(visited, QStringList({"cmdDel", "cmdUp", "cmdDown", "txtFIXED", "txtNAME", "cmdAdd", "cmdChange",
                                       "cmdInsert", "cmdClose", "lstDELI"}));
    }

    void opensWithTheFieldsOfTheTable()
    {
        open();
        QCOMPARE(items(), startupItems());
        QVERIFY(control<QLineEdit>("txtFIXED")->text().isEmpty());
        QVERIFY(control<QLineEdit>("txtNAME")->text().isEmpty());
        QVERIFY(list()->selectedItems().isEmpty());
    }

    void addAppendsAFieldAndCountsItOnClose_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("nameBytes");
        QTest::newRow("6 X") << "6"
                             << "X" << QByteArray("X");
        QTest::newRow("both empty") << ""
                                    << "" << QByteArray();
        QTest::newRow("no length limit") << "1" << QString(40000, u'N') << QByteArray(40000, 'N');
        QTest::newRow("kept as typed") << " 2.5 "
                                       << "氏名" << QByteArray("\x8E\x81\x96\xBC"); // CP932
    }
    void addAppendsAFieldAndCountsItOnClose()
    {
        QFETCH(QString, width);
        QFETCH(QString, name);
        QFETCH(QByteArray, nameBytes);
        open();
        add(width, name);

        QCOMPARE(items(), startupItems() << width + "   " + name);
        const QRect added = list()->visualItemRect(list()->item(7));
        QVERIFY(added.top() >= 0 && added.bottom() < list()->viewport()->height()); // in sight
        QCOMPARE(mdlGlobal.FieldTable.size(), size_t(9));                           // highest index 8
        QCOMPARE(mdlGlobal.FieldTable[7].Width, width.toStdString());
        QCOMPARE(mdlGlobal.FieldTable[7].Name, nameBytes.toStdString());
        QVERIFY(mdlGlobal.FieldTable[8].Width.empty() && mdlGlobal.FieldTable[8].Name.empty());
        QCOMPARE(mdlGlobal.FieldCount, int16_t(8));
        // Ready for the next field: the boxes empty, the width box has the focus.
        QVERIFY(control<QLineEdit>("txtFIXED")->text().isEmpty() && control<QLineEdit>("txtNAME")->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), control<QLineEdit>("txtFIXED"));
        QVERIFY(recorder->messages.isEmpty());
    }

    void enterInTheWidthBoxAdds()
    {
        open();
        QTest::keyClicks(control<QLineEdit>("txtFIXED"), "6");
        QTest::keyClick(control<QLineEdit>("txtFIXED"), Qt::Key_Return);
        QCOMPARE(items(), startupItems() << "6   ");
    }

    void addToATableWithoutSpareSlot()
    {
        mdlGlobal = LayoutModel{};
        open();
        QCOMPARE(list()->count(), 0);
        add("4", "A");
        QCOMPARE(tableTexts(), QStringList({"4   A", "   "}));
        QCOMPARE(items(), QStringList({"4   A"}));
    }

    void removeKeepsTheOrder_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("how");
        QTest::newRow("third by button") << 2 << "button";
        QTest::newRow("third by Delete") << 2 << "Delete";
        QTest::newRow("third by Shift+Delete") << 2 << "Shift+Delete";
        QTest::newRow("last by button") << 6 << "button";
    }
    void removeKeepsTheOrder()
    {
        QFETCH(int, row);
        QFETCH(QString, how);
        open();
        select(row);
        if (how == "button") click("cmdDel");
        else QTest::keyClick(list(), Qt::Key_Delete, how == "Delete" ? Qt::NoModifier : Qt::ShiftModifier);

        QStringList expected = startupItems();
        expected.removeAt(row);
        QCOMPARE(items(), expected);
        QCOMPARE(tableTexts(), expected << "   ");
        // The neighbour is chosen next, so that Delete goes on removing.
        QCOMPARE(list()->selectedItems().value(0), list()->item(std::min(row, 5)));
        QCOMPARE(mdlGlobal.FieldCount, int16_t(6));
        QVERIFY(recorder->messages.isEmpty());
    }

    void otherKeysMoveTheSelection()
    {
        open();
        select(2);
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(list()->selectedItems().value(0), list()->item(3));
        QCOMPARE(tableTexts().size(), 8);
    }

    void theLastFieldStays_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::newRow("button") << false;
        QTest::newRow("Delete key") << true;
    }
    void theLastFieldStays()
    {
        QFETCH(bool, byKey);
        mdlGlobal.FieldTable = {{"3", "A"}, {}};
        open();
        select(0);
        byKey ? QTest::keyClick(list(), Qt::Key_Delete) : click("cmdDel");

        QCOMPARE(recorder->messages.size(), 1);
        QCOMPARE(recorder->messages[0].text, LastFieldMessage);
        QCOMPARE(recorder->messages[0].title, Caption);
        QCOMPARE(recorder->messages[0].style, vbExclamation);
        QCOMPARE(items(), QStringList({"3   A"}));
        QCOMPARE(tableTexts(), QStringList({"3   A", "   "}));
    }

    void withoutSelectionNothingHappens_data()
    {
        QTest::addColumn<int>("fieldCount");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("seven, button") << 7 << false;
        QTest::newRow("seven, Delete key") << 7 << true;
        QTest::newRow("one, button") << 1 << false;
        QTest::newRow("one, Delete key") << 1 << true;
    }
    void withoutSelectionNothingHappens()
    {
        QFETCH(int, fieldCount);
        QFETCH(bool, byKey);
        mdlGlobal.FieldTable = fields(fieldCount);
        open();
        list()->setFocus(); // the list shows a current item without selecting it
        byKey ? QTest::keyClick(list(), Qt::Key_Delete) : click("cmdDel");
        QCOMPARE(list()->count(), fieldCount);
        QCOMPARE(mdlGlobal.FieldTable.size(), size_t(fieldCount + 1));
        QVERIFY(recorder->messages.isEmpty());
    }

    void titleBarCloseHidesAndPublishes()
    {
        open();
        add("6", "X");
        QPointer<frmFIX> kept(dialog.get());
        QVERIFY(dialog->close());
        QVERIFY(kept && !dialog->isVisible());
        QCOMPARE(mdlGlobal.FieldCount, int16_t(8));

        // Shown again it starts afresh from the table.
        open();
        QCOMPARE(items(), startupItems() << "6   X");
        QVERIFY(control<QLineEdit>("txtFIXED")->text().isEmpty());
    }

    void comingBackFromTheMainWindowStartsAfresh()
    {
        QWidget mainWindow;
        open();
        select(1);
        control<QLineEdit>("txtFIXED")->setText("9");
        control<QLineEdit>("txtNAME")->setText("Y");

        activate(mainWindow);
        mdlGlobal.FieldTable = {{"10", "A"}, {"20", "B"}, {}}; // e.g. a definition file loaded there
        QCOMPARE(list()->count(), 7);                          // nothing changes until the user comes back

        dialog->activateWindow();
        QTRY_COMPARE(items(), QStringList({"10   A", "20   B"}));
        QVERIFY(control<QLineEdit>("txtFIXED")->text().isEmpty());
        QVERIFY(control<QLineEdit>("txtNAME")->text().isEmpty());
        QVERIFY(list()->selectedItems().isEmpty());
    }

    void workSurvivesTripsThatDoNotLeaveForAnotherWindow()
    {
        open();
        select(1);
        control<QLineEdit>("txtFIXED")->setText("9");

        // A window opened on top of the dialog, like a message box.
        QWidget box(dialog.get(), Qt::Dialog);
        activate(box);
        box.hide();
        activate(*dialog);

        // Another program and back: the platform reports no window of ours, then the dialog.
        emit qGuiApp->focusWindowChanged(nullptr);
        emit qGuiApp->focusWindowChanged(dialog->windowHandle());

        QCOMPARE(control<QLineEdit>("txtFIXED")->text(), QStringLiteral("9"));
        QCOMPARE(list()->selectedItems().value(0), list()->item(1));
    }

    void textsThatWouldNotSurviveADefinitionFileAreRefused_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("mentioned");
        QTest::newRow("accent in the width") << "6é"
                                             << "X"
                                             << "文字長の欄にある文字「é」（U+00E9）";
        QTest::newRow("emoji in the name") << "6"
                                           << "A😀"
                                           << "名前の欄にある文字「😀」（U+1F600）";
        QTest::newRow("pasted line break") << "6"
                                           << "A\r\nB"
                                           << "名前の欄に改行";
    }
    void textsThatWouldNotSurviveADefinitionFileAreRefused()
    {
        QFETCH(QString, width);
        QFETCH(QString, name);
        QFETCH(QString, mentioned);
        open();
        add(width, name);
        QCOMPARE(recorder->messages.size(), 1);
        QVERIFY2(recorder->messages[0].text.contains(mentioned), qPrintable(recorder->messages[0].text));
        QCOMPARE(recorder->messages[0].title, Caption);
        QCOMPARE(recorder->messages[0].style, vbExclamation);
        QCOMPARE(items(), startupItems());
        QCOMPARE(tableTexts().size(), 8);
        QCOMPARE(control<QLineEdit>("txtNAME")->text(), name); // the user can mend the text
    }

    void theTableHoldsAtMost32767Fields()
    {
        mdlGlobal.FieldTable = fields(MaxFields - 1);
        open();
        add("2", "Z");
        QCOMPARE(mdlGlobal.FieldTable.size(), size_t(MaxFields + 1));
        QVERIFY(recorder->messages.isEmpty());

        add("2", "Z");
        QCOMPARE(recorder->messages.size(), 1);
        QVERIFY(recorder->messages[0].text.contains("32767"));
        QCOMPARE(recorder->messages[0].title, Caption);
        QCOMPARE(recorder->messages[0].style, vbExclamation);
        QCOMPARE(mdlGlobal.FieldTable.size(), size_t(MaxFields + 1));
        QCOMPARE(list()->count(), MaxFields);
        QCOMPARE(mdlGlobal.FieldCount, int16_t(MaxFields));
    }
};

QTEST_MAIN(WidthDialogTest)
#include "tst_widthdialog.moc"
