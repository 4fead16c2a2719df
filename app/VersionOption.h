#pragma once
// `kenaris --version` is answered before the QApplication is made, so that it needs no display.

// True when an argument before any "--" is "--version"; the name and version are then printed.
bool printVersionIfAsked(int argc, char *argv[]);
