#pragma once
// The two general file choosers. Each returns the chosen full path, or an empty text when the
// user cancelled.

#include "CommonDialog1.h"

#include <string>

// Shows the dialog with the properties set; false when the user cancelled (the dialog must have
// CancelError set). Other failures pass on.
bool showFileDialog(CommonDialog &dialog, FileDialogKind kind);

// A file to read; offers "*.csv" (also for the fixed-length source).
std::string ChooseOpenFile(CommonDialogHost &window);

// A file to write, proposing `proposedName`; keeps the filter the last open dialog set, adding
// "*.xlsx" beside "*.csv".
std::string ChooseSaveFile(const std::string &proposedName, CommonDialogHost &window);
