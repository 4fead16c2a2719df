#pragma once
// `kenaris --version` and `kenaris --help` are answered before the QApplication is made, so that
// they need no display.

// True when an argument before any "--" is "--version" or "--help" (or "-h"); the name and
// version, or the usage, are then printed on standard output.
bool answerInformationOption(int argc, char *argv[]);
