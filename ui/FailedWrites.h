#pragma once
// How the program meets a write the system refuses.

// A write past the file-size limit fails like any other write (and is reported with a message)
// instead of ending the program in the middle of a line.
void keepRunningOnFailedWrites();
