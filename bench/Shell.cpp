#include "Shell.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>

namespace {

bool succeeds(const std::string &command)
{
    std::fflush(nullptr); // the program's output follows what was printed so far
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

std::string shellWord(const std::string &text)
{
    std::string word = "'";
    for (const char c : text) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return word + "'";
}

void runShell(const std::string &command)
{
    if (!succeeds(command)) throw std::runtime_error("this failed: " + command);
}

bool onPath(const std::string &program) { return succeeds("command -v " + shellWord(program) + " >/dev/null"); }

void requireSameBytes(const std::string &file, const std::string &expected, const std::string &what)
{
    if (!succeeds("cmp -- " + shellWord(file) + " " + shellWord(expected)))
        throw std::runtime_error(what + ": " + file + " differs from " + expected);
}
