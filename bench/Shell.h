#pragma once
// Other programs the benchmark runs: the peers, cp and cmp, as lines of /bin/sh.

#include <string>

// `text` as one word of a shell line, whatever it holds.
std::string shellWord(const std::string &text);

// Runs `command` with /bin/sh -c; throws std::runtime_error unless it ends with status 0. A
// pipeline's status is its last program's: a failing earlier stage shows as a wrong output.
void runShell(const std::string &command);

// True when the shell finds `program`.
bool onPath(const std::string &program);

// Throws std::runtime_error saying that `what` differs unless the two files hold the same bytes;
// cmp prints where they part.
void requireSameBytes(const std::string &file, const std::string &expected, const std::string &what);
