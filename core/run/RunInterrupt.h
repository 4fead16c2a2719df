#pragma once
// A signal's request to end a run, set by the program's signal handler. A read or write that
// waits on a pipe or a terminal gives up when a signal interrupts it (EINTR) once this is set,
// instead of waiting on: the run then ends at once, as between records on regular files.

#include <csignal>

inline volatile std::sig_atomic_t runInterruptSignal = 0; // the signal's number; 0 for none
