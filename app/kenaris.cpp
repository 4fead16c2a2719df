// Starts the program: the main window prepares itself when it is made and runs until closed.

#include "write/FailedWrites.h"
#include "VersionOption.h"
#include "frmKenaris.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include <string>
#include <vector>

int main(int argc, char *argv[])
{
    if (answerInformationOption(argc, argv)) return 0;
    keepRunningOnFailedWrites();
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(QStringLiteral(":/icons/kenaris.png")));
    // Qt's own dialogs and buttons speak Japanese like the rest of the program, where the
    // translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&qtTexts);
    frmKenaris window;
    window.show();
    // The files named on the command line (Qt has taken its own options out of argv), opened
    // once the window is on the screen, so that any dialog shows above it.
    const std::vector<std::string> files(argv + 1, argv + argc);
    QTimer::singleShot(0, &window, [&window, files] { window.openCommandLineFiles(files); });
    return application.exec();
}
