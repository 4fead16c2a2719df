// Picking output columns by dragging sample fields into List[2], and removing them with Delete.

#include "MsgBox.h"
#include "WindowTest.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QRadioButton>

class OutputColumnsTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void pressStartsADragOfTheSelectedItem_data();
    void pressStartsADragOfTheSelectedItem();
    void pressWithoutSelectionStartsNothing();
    void dragTextsPadTheFieldNumber_data();
    void dragTextsPadTheFieldNumber();
    void dropAppendsAColumn();
    void enterOrInsertAddsTheChosenField_data();
    void enterOrInsertAddsTheChosenField();
    void dropReachesTheHandlerThroughTheList();
    void dropOnTheSampleListChangesNothing();
    void dropBeforeAnyFileAsksForOne();
    void dropOnAFullLayoutEnlargesIt();
    void deleteClosesTheGap_data();
    void deleteClosesTheGap();

private:
    void previewSample(const QByteArray &line, int capacity = 7);
    void dropFields(const std::vector<int> &fields);
    QDrag *lastDrag() const;
};

void OutputColumnsTest::init() { openWindow(); }

void OutputColumnsTest::cleanup() { closeWindow(); }

void OutputColumnsTest::previewSample(const QByteArray &line, int capacity)
{
    mdlGlobal.FieldCount = int16_t(capacity);
    chooseSource(*window_, answerer_, folder_->write("source.txt", line));
}

// Drops the sample fields with these numbers, in this order.
void OutputColumnsTest::dropFields(const std::vector<int> &fields)
{
    for (int field : fields) dragToOutput(*window_, field - 1);
}

// The drag the last press made; Qt deletes it once the event loop runs.
QDrag *OutputColumnsTest::lastDrag() const
{
    const QList<QDrag *> drags = sampleList(*window_)->findChildren<QDrag *>();
    return drags.isEmpty() ? nullptr : drags.last();
}

void OutputColumnsTest::pressStartsADragOfTheSelectedItem_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left") << Qt::LeftButton;
    QTest::newRow("right") << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton;
}

void OutputColumnsTest::pressStartsADragOfTheSelectedItem()
{
    QFETCH(Qt::MouseButton, button);
    previewSample("ABCDEFGHIJ");
    KenarisList *list = sampleList(*window_);
    const QPoint at = list->visualItemRect(list->item(2)).center() + QPoint(3, 2);
    QTest::mousePress(list->viewport(), button, Qt::NoModifier, at);

    QCOMPARE(list->selectedRow(), 2);
    QCOMPARE(dragLabel(*window_)->caption(), std::string("03;GHI"));
    QCOMPARE(dragLabel(*window_)->text(), QStringLiteral("03;GHI"));
    QVERIFY(!dragLabel(*window_)->isVisible());
    const int lineHeight = window_->fontMetrics().height();
    const QPoint inList = list->viewport()->mapTo(list, at);
    const QRect expected(list->x(), list->y() + qRound(inList.y() - lineHeight / 2.0), list->width(), lineHeight);
    QCOMPARE(dragLabel(*window_)->geometry(), expected);

    QDrag *drag = lastDrag();
    QVERIFY(drag);
    QCOMPARE(drag->mimeData()->data(DragTextMimeType), QByteArray("03;GHI"));
    QCOMPARE(drag->pixmap().deviceIndependentSize().toSize(), expected.size());
    // The pointer keeps its place in the outline: as far from its left edge as from the list's.
    QCOMPARE(drag->hotSpot(), inList - (expected.topLeft() - list->pos()));
    QTest::mouseRelease(list->viewport(), button, Qt::NoModifier, at);
}

void OutputColumnsTest::pressWithoutSelectionStartsNothing()
{
    KenarisList *list = sampleList(*window_);
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); // empty list
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QCOMPARE(dragLabel(*window_)->caption(), std::string("Label1"));
    QVERIFY(!lastDrag());

    previewSample("ABCDEFGHIJ");
    const QPoint below(5, list->visualItemRect(list->item(list->count() - 1)).bottom() + 20); // under the last item
    QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QCOMPARE(list->selectedRow(), -1);
    QCOMPARE(dragLabel(*window_)->caption(), std::string("Label1"));
    QVERIFY(!lastDrag());

    window_->List_DragDrop(2, dragLabel(*window_), 0, 0); // a stray drop adds no field 0
    QCOMPARE(outputList(*window_)->count(), 0);
    QCOMPARE(layoutSlots(), std::vector<int>(7, -1));
}

void OutputColumnsTest::dragTextsPadTheFieldNumber_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::newRow("3") << 3 << "03;c";
    QTest::newRow("12") << 12 << "12;l";
    QTest::newRow("100") << 100 << "100;v";
}

void OutputColumnsTest::dragTextsPadTheFieldNumber()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    mdlGlobal.FieldTable.assign(121, FieldEntry{"1", "f"});
    mdlGlobal.FieldTable.back() = {};
    QByteArray line;
    for (int i = 0; i < 120; ++i) line += char('a' + i % 26);
    previewSample(line, 120);
    QCOMPARE(sampleList(*window_)->count(), 120);

    dragToOutput(*window_, field - 1);
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{text});
    QCOMPARE(layoutSlots()[0], field);
}

void OutputColumnsTest::dropAppendsAColumn()
{
    previewSample("ABCDEFGHIJ");
    dropFields({3});
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"03;GHI"});
    QCOMPARE(layoutSlots(), (std::vector<int>{3, -1, -1, -1, -1, -1, -1}));

    dropFields({3, 1});
    QCOMPARE(itemTexts(outputList(*window_)), (QStringList{"03;GHI", "03;GHI", "01;ABC"}));
    QCOMPARE(layoutSlots(), (std::vector<int>{3, 3, 1, -1, -1, -1, -1}));
}

void OutputColumnsTest::enterOrInsertAddsTheChosenField_data()
{
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Enter") << Qt::Key_Return;
    QTest::newRow("keypad Enter") << Qt::Key_Enter;
    QTest::newRow("Insert") << Qt::Key_Insert;
}

void OutputColumnsTest::enterOrInsertAddsTheChosenField()
{
    QFETCH(Qt::Key, key);
    previewSample("ABCDEFGHIJ");
    // From the keyboard alone: Tab into the sample list, down to the third field, and the key.
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    control<QRadioButton>(*window_, "Option1_0")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(sampleList(*window_)));
    QTest::keyClick(sampleList(*window_), Qt::Key_Home);
    for (int step = 0; step < 2; ++step) QTest::keyClick(sampleList(*window_), Qt::Key_Down);
    QTest::keyClick(sampleList(*window_), key);
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"03;GHI"});
    QCOMPARE(layoutSlots(), (std::vector<int>{3, -1, -1, -1, -1, -1, -1}));
}

// Drags `data` over List[2] and drops it at `at`, as the platform does.
static bool dropOnOutputList(frmKenaris &window, const QMimeData &data, QPoint at)
{
    QWidget *viewport = outputList(window)->viewport();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

static std::unique_ptr<QMimeData> dragTextOf(const frmKenaris &window)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(DragTextMimeType, QByteArray::fromStdString(dragLabel(window)->caption()));
    return data;
}

void OutputColumnsTest::dropReachesTheHandlerThroughTheList()
{
    previewSample(QByteArray("\x83\x66\x81\x5B\x83\x5E"
                             "XYZ")); // "データ" then XYZ
    const int bottom = outputList(*window_)->viewport()->height() - 5;
    pressSampleItem(*window_, 1);
    // Anywhere over the list: the column always goes to the end.
    QVERIFY(dropOnOutputList(*window_, *dragTextOf(*window_), QPoint(5, bottom)));
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"02;XYZ"});

    pressSampleItem(*window_, 0);
    QVERIFY(dropOnOutputList(*window_, *dragTextOf(*window_), QPoint(5, 5)));
    QCOMPARE(itemTexts(outputList(*window_)), (QStringList{"02;XYZ", "01;データ"}));
    QCOMPARE(outputList(*window_)->itemBytes(1), std::string("01;\x83\x66\x81\x5B\x83\x5E"));
    QCOMPARE(layoutSlots(), (std::vector<int>{2, 1, -1, -1, -1, -1, -1}));

    QMimeData plainText;
    plainText.setText(QStringLiteral("01;ABC"));
    QVERIFY(!dropOnOutputList(*window_, plainText, QPoint(5, 5)));
    QMimeData otherProgram; // a drag another running copy of the program started
    otherProgram.setData(DragTextMimeType, QByteArray("05;XYZ"));
    QVERIFY(!dropOnOutputList(*window_, otherProgram, QPoint(5, 5)));
    QCOMPARE(outputList(*window_)->count(), 2);
}

void OutputColumnsTest::dropOnTheSampleListChangesNothing()
{
    previewSample("ABCDEFGHIJ");
    dropFields({2});
    pressSampleItem(*window_, 0);
    window_->List_DragDrop(0, dragLabel(*window_), 5, 5);
    QCOMPARE(sampleValues(sampleList(*window_)), (QStringList{"ABC", "DEF", "GHI", "J", "", "", ""}));
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"02;DEF"});
    QCOMPARE(layoutSlots(), (std::vector<int>{2, -1, -1, -1, -1, -1, -1}));
}

void OutputColumnsTest::dropBeforeAnyFileAsksForOne()
{
    MessageRecorder recorder;
    dragLabel(*window_)->setCaption("03;ABC");
    window_->List_DragDrop(2, dragLabel(*window_), 5, 5);
    mdlGlobal.OutputLayout = std::vector<OutputItem>(1); // a layout without slots
    window_->List_DragDrop(2, dragLabel(*window_), 5, 5);

    QCOMPARE(recorder.messages.size(), 2);
    for (const ShownMessage &shown : recorder.messages) {
        QCOMPARE(shown.text, QStringLiteral("ファイルを指定してください"));
        QCOMPARE(shown.style, vbOKOnly);
        QCOMPARE(shown.title, QStringLiteral("ケナリス"));
    }
    QCOMPARE(outputList(*window_)->count(), 0);
    QCOMPARE(mdlGlobal.OutputLayout->size(), size_t(1));
}

void OutputColumnsTest::dropOnAFullLayoutEnlargesIt()
{
    previewSample("ABCDEFGHIJ", 3);
    dropFields({2, 3, 1, 2});
    QCOMPARE(outputList(*window_)->count(), 4);
    QCOMPARE(layoutSlots(), (std::vector<int>{2, 3, 1, 2}));
}

void OutputColumnsTest::deleteClosesTheGap_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<std::vector<int>>("fields");
    QTest::addColumn<int>("selected"); // -1: none
    QTest::addColumn<QString>("list");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<std::vector<int>>("positions");
    QTest::newRow("first of three") << 7 << std::vector<int>{3, 1, 5} << 0 << "List_2" << Qt::KeyboardModifiers()
                                    << std::vector<int>{1, 5, -1, -1, -1, -1, -1};
    QTest::newRow("last of a full layout")
        << 3 << std::vector<int>{2, 3, 1} << 2 << "List_2" << Qt::KeyboardModifiers() << std::vector<int>{2, 3, -1};
    QTest::newRow("with Shift") << 7 << std::vector<int>{3, 1, 5} << 1 << "List_2"
                                << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                << std::vector<int>{3, 5, -1, -1, -1, -1, -1};
    QTest::newRow("after an enlarged layout") << 3 << std::vector<int>{1, 2, 3, 3} << 0 << "List_2"
                                              << Qt::KeyboardModifiers() << std::vector<int>{2, 3, 3, -1};
    QTest::newRow("nothing selected") << 7 << std::vector<int>{3, 1, 5} << -1 << "List_2" << Qt::KeyboardModifiers()
                                      << std::vector<int>{3, 1, 5, -1, -1, -1, -1};
    QTest::newRow("in the sample list") << 7 << std::vector<int>{3, 1, 5} << 0 << "List_0" << Qt::KeyboardModifiers()
                                        << std::vector<int>{3, 1, 5, -1, -1, -1, -1};
}

void OutputColumnsTest::deleteClosesTheGap()
{
    QFETCH(int, capacity);
    QFETCH(std::vector<int>, fields);
    QFETCH(int, selected);
    QFETCH(QString, list);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(std::vector<int>, positions);
    previewSample("AAABBBCCCDDDDEEEEFFFFFFFFGGGGG", capacity);
    const int samples = sampleList(*window_)->count();
    dropFields(fields);
    KenarisList *output = outputList(*window_);
    output->clearSelection();
    if (selected >= 0) output->setCurrentRow(selected); // as a click makes it
    KenarisList *target = window_->findChild<KenarisList *>(list);
    if (target == sampleList(*window_)) sampleList(*window_)->setCurrentRow(0);

    QTest::keyClick(target, Qt::Key_Delete, modifiers);
    QTest::keyClick(target, Qt::Key_Delete, modifiers); // nothing is selected after a removal

    QCOMPARE(layoutSlots(), positions);
    QStringList expected;
    for (int field : positions)
        if (field != -1)
            expected << QStringLiteral("%1;%2")
                            .arg(field, 2, 10, QLatin1Char('0'))
                            .arg(sampleValues(sampleList(*window_))[field - 1]);
    QCOMPARE(itemTexts(output), expected);
    QCOMPARE(sampleList(*window_)->count(), samples);
}

QTEST_MAIN(OutputColumnsTest)
#include "tst_output_columns.moc"
