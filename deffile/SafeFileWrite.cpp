#include "SafeFileWrite.h"

#include "errors/CoreError.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinkHops = 40;

// The temporary file until it has been renamed into place; removed if it never was.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &folder) : path_(folder + "/.kenaris-XXXXXX")
    {
        fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
        if (fd_ < 0) path_.clear();
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    int fd() const { return fd_; }
    const std::string &path() const { return path_; }
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }
    void renamed() { path_.clear(); }

private:
    std::string path_;
    int fd_ = -1;
};

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path that is finally written: links followed, also a link to a file not there yet.
// Empty, with errno set, when a link cannot be read.
std::string followLinks(std::string path)
{
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) return errno == ENOENT ? path : std::string();
        if (!S_ISLNK(info.st_mode)) return path;
        std::string target(size_t(info.st_size > 0 ? info.st_size : PATH_MAX), '\0');
        const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
        if (length <= 0) return {};
        target.resize(size_t(length));
        path = target.front() == '/' ? target : folderOf(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

mode_t modeForNewFile()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t put = ::write(fd, bytes.data(), bytes.size());
        if (put < 0 && errno != EINTR) return false;
        if (put > 0) bytes.remove_prefix(size_t(put));
    }
    return true;
}

void syncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return; // the file itself is complete; the rename is as durable as the system makes it
    ::fsync(fd);
    ::close(fd);
}

} // namespace

void replaceFileContents(const std::string &path, std::string_view bytes)
{
    const auto failed = [&path] { return CoreError::fileError(CoreError::Kind::FileWrite, path, errno); };

    const std::string target = followLinks(path);
    if (target.empty()) throw failed();
    const std::string folder = folderOf(target);
    TemporaryFile temporary(folder);
    if (temporary.fd() < 0) throw failed();

    struct stat old {};
    mode_t mode = modeForNewFile();
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
        // Keep the owner where the system lets us (root, or a group we belong to).
        (void)!::fchown(temporary.fd(), old.st_uid, old.st_gid);
    }
    if (::fchmod(temporary.fd(), mode) != 0) throw failed();
    if (!writeAll(temporary.fd(), bytes) || ::fsync(temporary.fd()) != 0 || !temporary.close()) throw failed();
    if (::rename(temporary.path().c_str(), target.c_str()) != 0) throw failed();
    temporary.renamed();
    syncFolder(folder);
}
