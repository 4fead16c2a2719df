#pragma once
// One whole conversion through a real main window, as a user makes it: the source chosen with
// the source file button, the output columns dragged over one by one, the output file chosen,
// then "変換開始". The file dialogs are answered and the messages recorded instead of shown.

#include "BenchCase.h"

#include <string>

struct WindowRunFigures {
    double seconds = 0;    // wall-clock of "変換開始" alone
    double cpuSeconds = 0; // user and system time of it
};

// Needs a QApplication. Removes an old output first. Throws std::runtime_error when the window's
// start-up layout is not the case's, the preview or the columns do not come out as a user would
// see them, or any message other than the final report " <records>件" is shown.
WindowRunFigures convertThroughWindow(const BenchCase &benchCase, const std::string &sourcePath,
                                      const std::string &outputPath);
