// Opening and saving definition files from the main window, and the menu item that makes widths
// count bytes.

#include "Cp932Text.h"
#include "FileSizeLimit.h"
#include "MsgBox.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QDir>

namespace {

const QString Title = QStringLiteral("ケナリス");
const QString NotADefinition = QStringLiteral("ケナリスの定義ファイルではありません。");

QByteArray cp932(const QString &text) { return QByteArray::fromStdString(*encodeCp932(text)); }
std::string cp932Text(const QString &text) { return *encodeCp932(text); }

// "FIX", "OUT", 3, 1, "LEN" and three fields of widths 3, 4 and 8 named データ1 to データ3.
QByteArray exampleFile(const QByteArray &firstLine = "FIX")
{
    return firstLine + "\r\nOUT\r\n3\r\n1\r\nLEN\r\n" +
           cp932(QStringLiteral("3 データ1\r\n4 データ2\r\n8 データ3\r\n"));
}

std::vector<std::string> widthsOf(const LayoutModel &model)
{
    std::vector<std::string> widths;
    for (const FieldEntry &entry : model.FieldTable) widths.push_back(entry.Width);
    return widths;
}

} // namespace

class DefinitionFilesTest : public WindowTestBase {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void dialogPropertiesAndProposedNames();
    void loadWaitsForASourceFile();
    void loadsALayout_data();
    void loadsALayout();
    void refusedFileChangesNothing_data();
    void refusedFileChangesNothing();
    void outputEntriesWithoutItems();
    void fileHoldingOnlyFix();
    void cancelEmptiesTheDefinitionPath();
    void saveWantsOutputColumns();
    void saveAndLoadAgain_data();
    void saveAndLoadAgain();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();

    void byteUnitMenuFollowsTheModel();
    void unitChangesSplitAndOutput_data();
    void unitChangesSplitAndOutput();
    void loadSetsTheUnit_data();
    void loadSetsTheUnit();

private:
    // Widths 3, 4 and 8 and the sample ABC / 1234 / XYZ56789 in List[0].
    void previewExample();
    void load(const std::string &path);
    void save(const std::string &path);
};

void DefinitionFilesTest::init() { openWindow(); }

void DefinitionFilesTest::cleanup() { closeWindow(); }

void DefinitionFilesTest::previewExample()
{
    mdlGlobal.FieldTable = {{"3", "a"}, {"4", "b"}, {"8", "c"}, {}};
    mdlGlobal.FieldCount = 3;
    chooseSource(*window_, answerer_, folder_->write("source.txt", "ABC1234XYZ56789\r\n"));
    QCOMPARE(sampleValues(sampleList(*window_)), (QStringList{"ABC", "1234", "XYZ56789"}));
}

void DefinitionFilesTest::load(const std::string &path)
{
    answerer_.answers.push_back(path);
    menuItem(*window_, "mnuOpenDef")->trigger();
}

void DefinitionFilesTest::save(const std::string &path)
{
    answerer_.answers.push_back(path);
    menuItem(*window_, "mnuSaveDef")->trigger();
}

void DefinitionFilesTest::dialogPropertiesAndProposedNames()
{
    previewExample();
    dragToOutput(*window_, 0);
    answerer_.requests.clear();
    const std::string first = folder_->path("first.def");
    const std::string second = folder_->path("second.def");

    save(first);  // proposes the new name; keeps the source chooser's filter
    load(first);  // its own filter and pattern
    save(second); // proposes the loaded file, with the filter the load set
    save(first);  // proposes the file saved last
    answerer_.answers.push_back({});
    menuItem(*window_, "mnuOpenDef")->trigger(); // cancelled: the next save proposes the new name again
    save(second);

    struct Expected {
        FileDialogKind kind;
        std::string filter;
        std::string fileName;
    };
    const std::vector<Expected> expected{
        {FileDialogKind::Save, "*.csv", "NEW_FIX.DEF"}, {FileDialogKind::Open, "*.def", "*.def"},
        {FileDialogKind::Save, "*.def", first},         {FileDialogKind::Save, "*.def", second},
        {FileDialogKind::Open, "*.def", "*.def"},       {FileDialogKind::Save, "*.def", "NEW_FIX.DEF"},
    };
    QCOMPARE(answerer_.requests.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const FileDialogRequest &request = answerer_.requests[i];
        QVERIFY2(request.kind == expected[i].kind, qPrintable(QString::number(i)));
        QVERIFY(request.CancelError);
        QCOMPARE(request.InitDir, std::string());
        QCOMPARE(request.Filter, expected[i].filter);
        QCOMPARE(request.FileName, expected[i].fileName);
    }
    QCOMPARE(mdlGlobal.DefinitionPath, second);
}

void DefinitionFilesTest::loadWaitsForASourceFile()
{
    const std::string path = folder_->write("layout.def", exampleFile());
    mdlGlobal.DefinitionPath = "earlier.def";
    const LayoutModel before = mdlGlobal;
    MessageRecorder recorder;
    load(path);

    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("変換元ファイルを先に指定してください"));
    QCOMPARE(recorder.messages[0].style, vbOKOnly);
    QCOMPARE(recorder.messages[0].title, Title);
    QVERIFY(answerer_.requests.empty());
    QCOMPARE(mdlGlobal.DefinitionPath, std::string("earlier.def"));
    QCOMPARE(widthsOf(mdlGlobal), widthsOf(before));
    QCOMPARE(mdlGlobal.FieldCount, before.FieldCount);
    QVERIFY(!mdlGlobal.OutputLayout);
}

void DefinitionFilesTest::loadsALayout_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("as saved") << exampleFile();
    QTest::newRow("first line FIXED LAYOUT") << exampleFile("FIXED LAYOUT");
    QTest::newRow("LF endings, other lines between")
        << cp932(QStringLiteral("FIX\nnote\nOUT\n3\n1\nLEN\n3 データ1\n4 データ2\n8 データ3"));
}

void DefinitionFilesTest::loadsALayout()
{
    QFETCH(QByteArray, file);
    previewExample();
    dragToOutput(*window_, 1); // replaced by the load
    const std::string path = folder_->write("layout.def", file);
    load(path);

    QCOMPARE(itemTexts(outputList(*window_)), (QStringList{"03;XYZ56789", "01;ABC"}));
    QCOMPARE(mdlGlobal.OutputLayout->size(), size_t(3));
    QCOMPARE(layoutSlots(), (std::vector<int>{3, 1}));
    QCOMPARE(widthsOf(mdlGlobal), (std::vector<std::string>{"3", "4", "8", ""}));
    QCOMPARE(mdlGlobal.FieldTable[1].Name, cp932Text(QStringLiteral("データ2")));
    QCOMPARE(mdlGlobal.FieldTable[3].Name, std::string());
    QCOMPARE(mdlGlobal.FieldCount, int16_t(3));
    QCOMPARE(mdlGlobal.DefinitionPath, path);
    QCOMPARE(sampleValues(sampleList(*window_)), (QStringList{"ABC", "1234", "XYZ56789"}));
}

void DefinitionFilesTest::refusedFileChangesNothing_data()
{
    QTest::addColumn<QByteArray>("file"); // written unless empty
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("explained"); // the message also says why the file could not be read
    QTest::newRow("fix in lower case") << QByteArray("fix\r\nOUT\r\n1\r\n") << "lower.def" << false;
    QTest::newRow("empty file") << QByteArray() << "folder/empty.def" << false;
    QTest::newRow("missing file") << QByteArray() << "missing.def" << true;
    QTest::newRow("a folder") << QByteArray() << "folder" << true;
    QByteArray tooMany = "FIX\r\nOUT\r\n";
    for (int i = 0; i <= 32767; ++i) tooMany += "1\r\n";
    QTest::newRow("32768 output entries") << tooMany << "many.def" << true; // says the limit
}

void DefinitionFilesTest::refusedFileChangesNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(bool, explained);
    QVERIFY(QDir(QString::fromStdString(folder_->path(""))).mkdir(QStringLiteral("folder")));
    if (name == QStringLiteral("folder/empty.def")) folder_->write("folder/empty.def", {});
    const std::string path =
        file.isEmpty() ? folder_->path(name.toUtf8().constData()) : folder_->write(name.toUtf8().constData(), file);
    previewExample();
    dragToOutput(*window_, 2);
    const LayoutModel before = mdlGlobal;

    MessageRecorder recorder;
    load(path);

    QCOMPARE(recorder.messages.size(), 1);
    const ShownMessage &shown = recorder.messages[0];
    QCOMPARE(shown.style, vbExclamation);
    QCOMPARE(shown.title, Title);
    if (explained) {
        QVERIFY2(shown.text.startsWith(NotADefinition + QLatin1Char('\n')), qPrintable(shown.text));
        QVERIFY2(shown.text.contains(QString::fromStdString(path)), qPrintable(shown.text));
    } else {
        QCOMPARE(shown.text, NotADefinition);
    }
    QCOMPARE(mdlGlobal.DefinitionPath, path);
    QCOMPARE(widthsOf(mdlGlobal), widthsOf(before));
    QCOMPARE(mdlGlobal.FieldCount, before.FieldCount);
    QCOMPARE(layoutSlots(), (std::vector<int>{3, -1, -1}));
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"03;XYZ56789"});
    QCOMPARE(sampleList(*window_)->count(), 3);
}

void DefinitionFilesTest::outputEntriesWithoutItems()
{
    previewExample();
    load(folder_->write("layout.def", "FIX\r\nOUT\r\n-1\r\n2\r\n100\r\nten\r\n0\r\n4\r\nLEN\r\n3 A\r\n4 B\r\n8 C\r\n"));

    // Every entry keeps its position; only numbers 0 or more are listed, and a number that
    // names no sample item shows nothing after its ";".
    QCOMPARE(layoutSlots(), (std::vector<int>{-1, 2, 100, 0, 0, 4}));
    QCOMPARE(itemTexts(outputList(*window_)), (QStringList{"02;1234", "100;", "00;", "04;"}));
}

void DefinitionFilesTest::fileHoldingOnlyFix()
{
    previewExample();
    dragToOutput(*window_, 2);
    dragToOutput(*window_, 0);
    const std::vector<std::string> widths = widthsOf(mdlGlobal);
    load(folder_->write("only.def", "FIX\r\n"));

    QCOMPARE(outputList(*window_)->count(), 0);
    QCOMPARE(widthsOf(mdlGlobal), widths);
    QCOMPARE(mdlGlobal.FieldCount, int16_t(0));
    // The layout keeps its slots, emptied like the output list, so a later drop is the only column.
    QCOMPARE(layoutSlots(), (std::vector<int>{-1, -1, -1}));
    QCOMPARE(mdlGlobal.DefinitionPath, folder_->path("only.def"));
}

void DefinitionFilesTest::cancelEmptiesTheDefinitionPath()
{
    previewExample();
    dragToOutput(*window_, 0);
    const std::string path = folder_->path("layout.def");
    save(path);
    QVERIFY(ScratchFolder::exists(path));

    menuItem(*window_, "mnuOpenDef")->trigger(); // the answerer cancels
    QCOMPARE(mdlGlobal.DefinitionPath, std::string());
    QCOMPARE(itemTexts(outputList(*window_)), QStringList{"01;ABC"});
    QCOMPARE(layoutSlots(), (std::vector<int>{1, -1, -1}));

    mdlGlobal.DefinitionPath = path;
    menuItem(*window_, "mnuSaveDef")->trigger();
    QCOMPARE(mdlGlobal.DefinitionPath, std::string());
    QCOMPARE(QDir(QString::fromStdString(folder_->path(""))).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"layout.def", "source.txt"}));
}

void DefinitionFilesTest::saveWantsOutputColumns()
{
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    button(*window_, "cmdClose")->setFocus();
    MessageRecorder recorder;
    menuItem(*window_, "mnuSaveDef")->trigger();

    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].text, QStringLiteral("変換先項目を指定してください"));
    QCOMPARE(recorder.messages[0].style, vbOKOnly);
    QCOMPARE(recorder.messages[0].title, Title);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(sampleList(*window_)));
    QVERIFY(answerer_.requests.empty());
}

void DefinitionFilesTest::saveAndLoadAgain_data()
{
    QTest::addColumn<bool>("inBytes");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray fields = cp932(QStringLiteral("LEN\r\n3 顧客 名\r\n4 b\r\n8 \r\n"));
    QTest::newRow("characters") << false << "FIX\r\nOUT\r\n3\r\n1\r\n" + fields;
    QTest::newRow("bytes") << true << "FIX\r\nBYTE\r\nOUT\r\n3\r\n1\r\n" + fields;
}

void DefinitionFilesTest::saveAndLoadAgain()
{
    QFETCH(bool, inBytes);
    QFETCH(QByteArray, expected);
    previewExample();
    mdlGlobal.FieldTable[0].Name = cp932Text(QStringLiteral("顧客 名"));
    mdlGlobal.FieldTable[2].Name.clear();
    if (inBytes) menuItem(*window_, "mnuByteUnit")->trigger();
    dragToOutput(*window_, 2);
    dragToOutput(*window_, 0);
    const std::string path = folder_->path("layout.def");
    save(path);
    QCOMPARE(ScratchFolder::read(path), expected);
    QCOMPARE(mdlGlobal.DefinitionPath, path);

    // Something else in the window, then the file again.
    menuItem(*window_, "mnuByteUnit")->trigger();
    mdlGlobal.FieldTable = LayoutModel::startup().FieldTable;
    chooseSource(*window_, answerer_, folder_->path("source.txt"));
    load(path);
    QCOMPARE(menuItem(*window_, "mnuByteUnit")->isChecked(), inBytes);
    QCOMPARE(mdlGlobal.Unit, inBytes ? WidthUnit::Bytes : WidthUnit::Characters);
    QCOMPARE(layoutSlots(), (std::vector<int>{3, 1}));
    QCOMPARE(widthsOf(mdlGlobal), (std::vector<std::string>{"3", "4", "8", ""}));
    QCOMPARE(mdlGlobal.FieldTable[0].Name, cp932Text(QStringLiteral("顧客 名")));
    QCOMPARE(mdlGlobal.FieldCount, int16_t(3));
    QCOMPARE(outputList(*window_)->count(), 2);

    const std::string again = folder_->path("again.def");
    save(again);
    QCOMPARE(ScratchFolder::read(again), expected);
}

void DefinitionFilesTest::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("underSizeLimit"); // else the folder of the path is a regular file
    QTest::newRow("file size limit") << true;
    QTest::newRow("folder is a file") << false;
}

void DefinitionFilesTest::failedSaveKeepsTheOldFile()
{
    QFETCH(bool, underSizeLimit);
    previewExample();
    dragToOutput(*window_, 0);
    const QByteArray old = "FIX\r\nOUT\r\n2\r\n";
    const std::string existing = folder_->write("layout.def", old);
    const std::string path = underSizeLimit ? existing : existing + "/inside.def";

    MessageRecorder recorder;
    {
        std::optional<FileSizeLimit> limit;
        if (underSizeLimit) limit.emplace(8);
        save(path);
    }

    QCOMPARE(recorder.messages.size(), 1);
    const ShownMessage &shown = recorder.messages[0];
    QVERIFY2(
        shown.text.startsWith(QStringLiteral("ファイル「%1」に書き込めません。(").arg(QString::fromStdString(path))),
        qPrintable(shown.text));
    QVERIFY2(!shown.text.endsWith(QStringLiteral("()")), qPrintable(shown.text)); // the system's reason
    QCOMPARE(shown.style, vbOKOnly);
    QCOMPARE(shown.title, Title);
    QCOMPARE(ScratchFolder::read(existing), old);
    QCOMPARE(QDir(QString::fromStdString(folder_->path(""))).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"layout.def", "source.txt"}));
    QCOMPARE(mdlGlobal.DefinitionPath, path);
}

void DefinitionFilesTest::byteUnitMenuFollowsTheModel()
{
    QVERIFY(!menuItem(*window_, "mnuByteUnit")->isChecked());
    QCOMPARE(mdlGlobal.Unit, WidthUnit::Characters);
    menuItem(*window_, "mnuByteUnit")->trigger();
    QVERIFY(menuItem(*window_, "mnuByteUnit")->isChecked());
    QCOMPARE(mdlGlobal.Unit, WidthUnit::Bytes);
    menuItem(*window_, "mnuByteUnit")->trigger();
    QVERIFY(!menuItem(*window_, "mnuByteUnit")->isChecked());
    QCOMPARE(mdlGlobal.Unit, WidthUnit::Characters);

    menuItem(*window_, "mnuByteUnit")->trigger();
    window_->Form_Load();
    QVERIFY(!menuItem(*window_, "mnuByteUnit")->isChecked());
    QCOMPARE(mdlGlobal.Unit, WidthUnit::Characters);
}

void DefinitionFilesTest::unitChangesSplitAndOutput_data()
{
    QTest::addColumn<bool>("inBytes");
    QTest::addColumn<QStringList>("sample");
    QTest::addColumn<QByteArray>("output");
    // "AB漢字C" in CP932 is 41 42 8A BF 8E 9A 43; widths 3, 3, 3.
    QTest::newRow("characters") << false << QStringList{"AB漢", "字C", ""}
                                << QByteArray("\x8e\x9a"
                                              "C,AB\x8a\xbf\r\n");
    // The first piece ends inside 漢: its lead byte shows as U+FFFD, its trail byte reads as ｿ.
    QTest::newRow("bytes") << true << QStringList{QStringLiteral("AB\uFFFD"), QStringLiteral("ｿ字"), "C"}
                           << QByteArray("\xbf\x8e\x9a,AB\x8a\r\n");
}

void DefinitionFilesTest::unitChangesSplitAndOutput()
{
    QFETCH(bool, inBytes);
    QFETCH(QStringList, sample);
    QFETCH(QByteArray, output);
    mdlGlobal.FieldTable = {{"3", "a"}, {"3", "b"}, {"3", "c"}, {}};
    mdlGlobal.FieldCount = 3;
    if (inBytes) menuItem(*window_, "mnuByteUnit")->trigger();
    chooseSource(*window_, answerer_,
                 folder_->write("source.txt", "AB\x8a\xbf\x8e\x9a"
                                              "C\r\n"));
    QCOMPARE(sampleValues(sampleList(*window_)), sample);

    dragToOutput(*window_, 1);
    dragToOutput(*window_, 0);
    mdlGlobal.OutputPath = folder_->path("out.csv");
    MessageRecorder recorder;
    button(*window_, "cmd開始")->click();
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].title, QStringLiteral("変換終了"));
    QCOMPARE(ScratchFolder::read(mdlGlobal.OutputPath), output);
}

void DefinitionFilesTest::loadSetsTheUnit_data()
{
    QTest::addColumn<bool>("checkedBefore");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("inBytes");
    QTest::newRow("BYTE after FIX") << false << QByteArray("FIX\r\nBYTE\r\nOUT\r\n1\r\nLEN\r\n3 A\r\n") << true;
    QTest::newRow("BYTE without OUT") << false << QByteArray("FIX\r\nBYTE\r\nLEN\r\n3 A\r\n") << true;
    QTest::newRow("older file") << true << QByteArray("FIX\r\nOUT\r\n1\r\nLEN\r\n3 A\r\n") << false;
}

void DefinitionFilesTest::loadSetsTheUnit()
{
    QFETCH(bool, checkedBefore);
    QFETCH(QByteArray, file);
    QFETCH(bool, inBytes);
    previewExample();
    if (checkedBefore) menuItem(*window_, "mnuByteUnit")->trigger();
    load(folder_->write("layout.def", file));
    QCOMPARE(menuItem(*window_, "mnuByteUnit")->isChecked(), inBytes);
    QCOMPARE(mdlGlobal.Unit, inBytes ? WidthUnit::Bytes : WidthUnit::Characters);
}

QTEST_MAIN(DefinitionFilesTest)
#include "tst_definition_files.moc"
