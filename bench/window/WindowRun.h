#pragma once
// One whole conversion through a real main window, as a user makes it: the source chosen with
// the source file button, the output columns dragged over one by one, the output file chosen,
// then "変換開始". The file dialogs are answered and the messages recorded instead of shown.

#include "BenchCase.h"
#include "MsgBox.h"
#include "frmKenaris.h"

#include <memory>
#include <string>
#include <utility>

class WindowRun {
public:
    // Needs a QApplication. Shows the window and prepares the run up to the start button. Throws
    // std::runtime_error when the window's start-up layout is not the case's, or the preview or
    // the columns do not come out as a user would see them.
    WindowRun(const BenchCase &benchCase, const std::string &sourcePath, const std::string &outputPath);
    WindowRun(const WindowRun &) = delete;
    WindowRun &operator=(const WindowRun &) = delete;

    // Clicks "変換開始"; throws std::runtime_error unless the one message shown is the final
    // report " <records>件".
    void start();

private:
    // Answers the next dialog with the path it was given; a dialog nobody expected is cancelled.
    class PathAnswerer : public FileDialogAnswerer {
    public:
        std::string path;
        std::string answer(const FileDialogRequest &) override { return std::exchange(path, {}); }
    };

    long long records_;
    MessageRecorder messages_;
    PathAnswerer answerer_;
    std::unique_ptr<frmKenaris> window_ = std::make_unique<frmKenaris>();
};
