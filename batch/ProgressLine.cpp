#include "ProgressLine.h"

#include "TerminalText.h"

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
// A run shorter than this shows no progress at all.
constexpr std::chrono::milliseconds QuietStart{500};
} // namespace

ProgressLine::ProgressLine()
    : terminal_(::isatty(STDERR_FILENO) == 1), showFrom_(std::chrono::steady_clock::now() + QuietStart)
{
}

void ProgressLine::show(int32_t count)
{
    if (!terminal_ || std::chrono::steady_clock::now() < showFrom_) return;
    std::fputs(forTerminal("\r変換中… " + std::to_string(count) + "件").c_str(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::clear()
{
    if (!shown_) return;
    // Blanks over the widest count line, so that no terminal control is needed.
    std::fputs("\r                        \r", stderr);
    std::fflush(stderr);
    shown_ = false;
}
