#include "TempFolder.h"

#include <csignal>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace {

char folderToRemove[4096]; // read by the signal handler: no allocation there

extern "C" void removeFolderAndEnd(int signalNumber)
{
    if (folderToRemove[0] != '\0') {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/rm", "rm", "-rf", "--", folderToRemove, static_cast<char *>(nullptr));
            ::_exit(127);
        }
        if (pid > 0) ::waitpid(pid, nullptr, 0);
    }
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

} // namespace

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kenaris-bench-XXXXXX").string();
    if (pattern.size() >= sizeof folderToRemove || !::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a scratch folder " + pattern);
    path_ = pattern;
    std::strcpy(folderToRemove, path_.c_str());
    struct sigaction action {};
    action.sa_handler = removeFolderAndEnd;
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::sigaction(signalNumber, &action, nullptr);
}

TempFolder::~TempFolder()
{
    std::error_code ignored; // nothing to do about a folder that cannot be removed
    if (!kept_) std::filesystem::remove_all(path_, ignored);
    folderToRemove[0] = '\0';
}

void TempFolder::keep()
{
    kept_ = true;
    folderToRemove[0] = '\0';
}

int runInScratchFolder(const char *program, const std::function<int(TempFolder &)> &benchmark)
{
    std::unique_ptr<TempFolder> folder;
    try {
        folder = std::make_unique<TempFolder>();
        return benchmark(*folder);
    } catch (const std::exception &error) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s: FAILED: %s\n", program, error.what());
        if (folder) {
            folder->keep();
            std::fprintf(stderr, "%s: the files are kept in %s\n", program, folder->path().c_str());
        }
        return 1;
    }
}
