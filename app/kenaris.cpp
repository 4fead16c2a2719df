// Starts the program: the main window prepares itself when it is made and runs until closed.

#include "frmKenaris.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    frmKenaris window;
    window.show();
    return application.exec();
}
