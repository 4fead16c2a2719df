// The file choosers: what each sets on the dialog component, what a cancel gives, and the
// real dialog's filters.

#include "WindowTest.h"
#include "mdlFile.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <functional>

class ChoosersTest : public QObject {
    Q_OBJECT
private slots:
    void openChooserSetsItsProperties();
    void saveChooserKeepsTheLastFilter();
    void cancelGivesTheEmptyText();
    void outputChoiceProposesTheDefaultNameAndEmptiesOnCancel();
    void realDialogOffersThePatternAndAllFiles();
    void realSaveDialogAddsTheChosenPatternsExtension();
};

void ChoosersTest::openChooserSetsItsProperties()
{
    frmKenaris window;
    QueuedAnswerer answerer;
    window.commonDialog1().setAnswerer(&answerer);
    window.commonDialog1().InitDir = "/somewhere";
    window.commonDialog1().FileName = "old.txt";
    answerer.answers = {"/data/source.dat"};

    QCOMPARE(ChooseOpenFile(window), std::string("/data/source.dat"));
    QCOMPARE(answerer.requests.size(), size_t(1));
    const FileDialogRequest &shown = answerer.requests[0];
    QCOMPARE(shown.kind, FileDialogKind::Open);
    QVERIFY(shown.CancelError);
    QVERIFY(shown.InitDir.empty());
    QCOMPARE(shown.Filter, std::string("*.csv"));
    QVERIFY(shown.FileName.empty());
    QCOMPARE(window.commonDialog1().FileName, std::string("/data/source.dat"));
}

void ChoosersTest::saveChooserKeepsTheLastFilter()
{
    frmKenaris window;
    QueuedAnswerer answerer; // cancels everything
    window.commonDialog1().setAnswerer(&answerer);

    ChooseSaveFile("NEW_FIX.CSV", window);
    QCOMPARE(answerer.requests.back().kind, FileDialogKind::Save);
    QVERIFY(answerer.requests.back().Filter.empty()); // no open dialog yet

    ChooseOpenFile(window);
    ChooseSaveFile("NEW_FIX.CSV", window);
    QCOMPARE(answerer.requests.back().Filter, std::string("*.csv;;*.xlsx"));

    // A definition file's open dialog sets its own pattern; the save dialog keeps it too.
    window.commonDialog1().Filter = "*.def";
    QVERIFY_THROWS_EXCEPTION(CommonDialogError, window.commonDialog1().ShowOpen());
    ChooseSaveFile("NEW_FIX.CSV", window);
    QCOMPARE(answerer.requests.back().Filter, std::string("*.def"));
    QCOMPARE(answerer.requests.back().FileName, std::string("NEW_FIX.CSV"));
    QVERIFY(answerer.requests.back().CancelError);
}

void ChoosersTest::cancelGivesTheEmptyText()
{
    frmKenaris window;
    QueuedAnswerer answerer;
    window.commonDialog1().setAnswerer(&answerer);
    QVERIFY(ChooseSaveFile("NEW_FIX.CSV", window).empty()); // never the proposed name
    QVERIFY(ChooseOpenFile(window).empty());

    window.commonDialog1().CancelError = true;
    try {
        window.commonDialog1().ShowSave();
        QFAIL("a cancel must end the dialog with the cancel error");
    } catch (const CommonDialogError &error) {
        QCOMPARE(error.Number, 32755);
    }
    window.commonDialog1().CancelError = false;
    window.commonDialog1().FileName = "kept.csv";
    window.commonDialog1().ShowSave(); // no error asked for: the name stays
    QCOMPARE(window.commonDialog1().FileName, std::string("kept.csv"));
}

void ChoosersTest::outputChoiceProposesTheDefaultNameAndEmptiesOnCancel()
{
    frmKenaris window;
    QueuedAnswerer answerer;
    window.commonDialog1().setAnswerer(&answerer);
    answerer.answers = {"/data/first.csv", "/data/second.csv"};
    button(window, "cmdSave")->click();
    button(window, "cmdSave")->click();
    QCOMPARE(mdlGlobal.OutputPath, std::string("/data/second.csv"));
    QCOMPARE(answerer.requests[1].FileName, std::string("NEW_FIX.CSV")); // not the path chosen before

    button(window, "cmdSave")->click(); // cancelled
    QVERIFY(mdlGlobal.OutputPath.empty());
    QVERIFY(box(window, "txtOutFile")->text().isEmpty());
}

// Runs `answer` on the real dialog once it is open.
static void whenDialogOpens(const std::function<void(QFileDialog *)> &answer)
{
    QTimer::singleShot(0, [answer] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog) answer(dialog);
        else whenDialogOpens(answer);
    });
}

void ChoosersTest::realDialogOffersThePatternAndAllFiles()
{
    ScratchFolder folder;
    const std::string chosen = folder.write("picked.dat", "x");
    frmKenaris window;

    QStringList offered;
    QString selected;
    whenDialogOpens([&](QFileDialog *dialog) {
        offered = dialog->nameFilters();
        selected = dialog->selectedNameFilter();
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        dialog->reject();
    });
    QVERIFY(ChooseOpenFile(window).empty());
    QCOMPARE(offered, (QStringList{"*.csv", "すべてのファイル (*)"}));
    QCOMPARE(selected, QStringLiteral("*.csv"));

    whenDialogOpens([&](QFileDialog *dialog) {
        dialog->selectFile(QString::fromStdString(chosen));
        static_cast<QDialog *>(dialog)->accept(); // QFileDialog::accept checks the chosen name
    });
    QCOMPARE(ChooseOpenFile(window), chosen);

    window.commonDialog1().Filter.clear();
    whenDialogOpens([&](QFileDialog *dialog) {
        offered = dialog->nameFilters();
        dialog->reject();
    });
    QVERIFY(ChooseSaveFile("NEW_FIX.CSV", window).empty());
    QCOMPARE(offered, QStringList{"すべてのファイル (*)"});

    // A wildcard name is the filter of the files shown, never a name in the name box.
    window.commonDialog1().FileName = "*.def";
    window.commonDialog1().CancelError = true;
    QString nameBox = QStringLiteral("unread");
    whenDialogOpens([&](QFileDialog *dialog) {
        selected = dialog->selectedNameFilter();
        nameBox = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
        dialog->reject();
    });
    QVERIFY_THROWS_EXCEPTION(CommonDialogError, window.commonDialog1().ShowOpen());
    QCOMPARE(selected, QStringLiteral("*.def"));
    QCOMPARE(nameBox, QString());
}

void ChoosersTest::realSaveDialogAddsTheChosenPatternsExtension()
{
    ScratchFolder folder;
    frmKenaris window;
    window.commonDialog1().Filter = "*.csv"; // as the source's open dialog leaves it
    QStringList offered;
    whenDialogOpens([&](QFileDialog *dialog) {
        offered = dialog->nameFilters();
        dialog->selectNameFilter(QStringLiteral("*.xlsx"));
        dialog->selectFile(QString::fromStdString(folder.path("out")));
        static_cast<QDialog *>(dialog)->accept();
    });
    QCOMPARE(ChooseSaveFile("NEW_FIX.CSV", window), folder.path("out.xlsx"));
    QCOMPARE(offered, (QStringList{"*.csv", "*.xlsx", "すべてのファイル (*)"}));
}

QTEST_MAIN(ChoosersTest)
#include "tst_choosers.moc"
