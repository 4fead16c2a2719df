#include "write/OutputLock.h"

#include "errors/CoreError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Takes the lock on `fd` without waiting; closes `fd` and throws when another run holds it.
int lockOrRefuse(int fd, const std::string &path)
{
    int result;
    do result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0 || errno != EWOULDBLOCK) return fd; // a file system without locks runs as before
    ::close(fd);
    throw CoreError::outputInUse(path);
}

} // namespace

OutputLock::~OutputLock()
{
    if (fd_ >= 0) ::close(fd_);
}

OutputLock::OutputLock(OutputLock &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

OutputLock &OutputLock::operator=(OutputLock &&other) noexcept
{
    std::swap(fd_, other.fd_);
    return *this;
}

OutputLock OutputLock::onExisting(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {}; // not readable: the run's own checks and writes say what is wrong
    return OutputLock(lockOrRefuse(fd, path));
}

bool OutputLock::holdsLinkedFile() const
{
    struct stat info {};
    return fd_ >= 0 && ::fstat(fd_, &info) == 0 && info.st_nlink > 0;
}

void OutputLock::holdNew(const std::string &path)
{
    if (holdsLinkedFile()) return;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return; // a device or a pipe
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (fd < 0) return;
    *this = OutputLock(lockOrRefuse(fd, path));
}
