#include "mdlFile.h"

namespace {

// Shows the dialog; a cancel gives the empty text, any other failure keeps FileName as it is.
template <typename Show>
std::string chosenPath(CommonDialog &dialog, Show show)
{
    try {
        show();
    } catch (const CommonDialogError &error) {
        if (error.Number == cdlCancel) return {};
    }
    return dialog.FileName;
}

} // namespace

std::string ChooseOpenFile(CommonDialogHost &window)
{
    CommonDialog &dialog = window.commonDialog1();
    dialog.CancelError = true;
    dialog.InitDir.clear();
    dialog.Filter = "*.csv";
    dialog.FileName.clear();
    return chosenPath(dialog, [&] { dialog.ShowOpen(); });
}

std::string ChooseSaveFile(const std::string &proposedName, CommonDialogHost &window)
{
    CommonDialog &dialog = window.commonDialog1();
    dialog.CancelError = true;
    dialog.InitDir.clear();
    dialog.FileName = proposedName;
    return chosenPath(dialog, [&] { dialog.ShowSave(); });
}
