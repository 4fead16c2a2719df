#include "write/FailedWrites.h"

#include <csignal>

void keepRunningOnFailedWrites()
{
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
}
