#include "mdlFile.h"

bool showFileDialog(CommonDialog &dialog, FileDialogKind kind)
{
    try {
        kind == FileDialogKind::Open ? dialog.ShowOpen() : dialog.ShowSave();
        return true;
    } catch (const CommonDialogError &error) {
        if (error.Number == cdlCancel) return false;
        throw;
    }
}

std::string ChooseOpenFile(CommonDialogHost &window)
{
    CommonDialog &dialog = window.commonDialog1();
    dialog.CancelError = true;
    dialog.InitDir.clear();
    dialog.Filter = "*.csv";
    dialog.FileName.clear();
    return showFileDialog(dialog, FileDialogKind::Open) ? dialog.FileName : std::string();
}

std::string ChooseSaveFile(const std::string &proposedName, CommonDialogHost &window)
{
    CommonDialog &dialog = window.commonDialog1();
    dialog.CancelError = true;
    dialog.InitDir.clear();
    dialog.FileName = proposedName;
    // Outputs may also be Excel workbooks.
    if (dialog.Filter == "*.csv") dialog.Filter = "*.csv;;*.xlsx";
    return showFileDialog(dialog, FileDialogKind::Save) ? dialog.FileName : std::string();
}
