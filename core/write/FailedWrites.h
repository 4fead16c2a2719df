#pragma once
// How a program of this project meets a write the system refuses.

// A write past the file-size limit, or to a pipe whose reader has gone, fails like any other
// write (and is reported with a message) instead of ending the program in the middle of a line.
void keepRunningOnFailedWrites();
