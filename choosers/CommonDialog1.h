#pragma once
// The open/save dialog component of a window. Its properties keep their values between uses,
// so a save dialog offers the filter the last open dialog set. Paths are the file system's
// bytes (UTF-8).

#include <stdexcept>
#include <string>

class QWidget;

// The dialog's cancel error number.
inline constexpr int cdlCancel = 32755;

// The error a dialog ends with; `Number` is cdlCancel when the user cancelled.
class CommonDialogError : public std::runtime_error {
public:
    explicit CommonDialogError(int number);
    int Number;
};

enum class FileDialogKind {
    Open,
    Save
};

// What a dialog was shown with.
struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    bool CancelError = false;
    std::string InitDir;
    std::string Filter;
    std::string FileName;
};

// Answers a dialog instead of a person: a path, or an empty text for a cancel.
class FileDialogAnswerer {
public:
    virtual ~FileDialogAnswerer() = default;
    virtual std::string answer(const FileDialogRequest &request) = 0;
};

class CommonDialog {
public:
    explicit CommonDialog(QWidget *owner) : owner_(owner) {}

    bool CancelError = false;
    std::string InitDir;
    std::string Filter;   // a file name pattern such as "*.csv", several joined by ";;"; empty offers all files only
    std::string FileName; // the proposed name before showing; the chosen full path afterwards

    // Throw CommonDialogError(cdlCancel) on a cancel when CancelError is set.
    void ShowOpen();
    void ShowSave();

    // While set, `answerer` answers every dialog and nothing is shown.
    void setAnswerer(FileDialogAnswerer *answerer) { answerer_ = answerer; }

private:
    void show(FileDialogKind kind);
    std::string askPerson(FileDialogKind kind) const; // empty when cancelled

    QWidget *owner_;
    FileDialogAnswerer *answerer_ = nullptr;
};

// A window that holds a CommonDialog1 for the choosers.
class CommonDialogHost {
public:
    virtual CommonDialog &commonDialog1() = 0;

protected:
    ~CommonDialogHost() = default;
};
