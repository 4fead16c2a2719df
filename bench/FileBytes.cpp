#include "FileBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t Chunk = 1 << 20;

[[noreturn]] void fail(const char *what, const std::string &path, int errnoValue)
{
    throw std::runtime_error(std::string(what) + " " + path + ": " + std::strerror(errnoValue));
}

class FileSource {
public:
    explicit FileSource(const std::string &path) : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (fd_ < 0) fail("cannot open", path, errno);
    }
    ~FileSource() { ::close(fd_); }
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    // Fills `buffer` as far as the file allows; returns the bytes read (0 at the end).
    size_t read(std::vector<char> &buffer)
    {
        size_t got = 0;
        while (got < buffer.size()) {
            const ssize_t n = ::read(fd_, buffer.data() + got, buffer.size() - got);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                fail("cannot read", path_, errno);
            }
            got += size_t(n);
        }
        return got;
    }

private:
    std::string path_;
    int fd_;
};

} // namespace

FileSink::FileSink(const std::string &path)
    : path_(path), fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666))
{
    if (fd_ < 0) fail("cannot create", path, errno);
    buffer_.reserve(Chunk + 4096);
}

FileSink::~FileSink()
{
    if (fd_ >= 0) ::close(fd_);
}

void FileSink::write(std::string_view bytes)
{
    buffer_.append(bytes);
    if (buffer_.size() >= Chunk) flush();
}

void FileSink::flush()
{
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("cannot write", path_, n < 0 ? errno : ENOSPC);
        done += size_t(n);
    }
    written_ += buffer_.size();
    buffer_.clear();
}

unsigned long long FileSink::close()
{
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("cannot write", path_, errno);
    return written_;
}

long long firstDifference(const std::string &a, const std::string &b)
{
    FileSource first(a), second(b);
    std::vector<char> one(Chunk), two(Chunk);
    long long offset = 0;
    for (;;) {
        const size_t n1 = first.read(one), n2 = second.read(two);
        const size_t common = std::min(n1, n2);
        const auto mismatch = std::mismatch(one.begin(), one.begin() + long(common), two.begin());
        if (mismatch.first != one.begin() + long(common)) return offset + (mismatch.first - one.begin());
        if (n1 != n2) return offset + long(common);
        if (n1 == 0) return -1;
        offset += long(n1);
    }
}

void writeRepeated(const std::string &from, const std::string &to, int copies)
{
    FileSink sink(to);
    std::vector<char> buffer(Chunk);
    for (int copy = 0; copy < copies; ++copy) {
        FileSource source(from);
        while (const size_t n = source.read(buffer)) sink.write(std::string_view(buffer.data(), n));
    }
    sink.close();
}

void copyThroughUserSpace(const std::string &from, const std::string &to)
{
    FileSource source(from);
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) fail("cannot create", to, errno);
    std::vector<char> buffer(Chunk);
    while (const size_t n = source.read(buffer)) {
        for (size_t written = 0; written < n;) {
            const ssize_t put = ::write(fd, buffer.data() + written, n - written);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                const int failure = put < 0 ? errno : ENOSPC;
                ::close(fd);
                fail("cannot write", to, failure);
            }
            written += size_t(put);
        }
    }
    if (::close(fd) != 0) fail("cannot close", to, errno);
}

unsigned long long fileSize(const std::string &path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) fail("cannot examine", path, errno);
    return (unsigned long long)info.st_size;
}

void removeFile(const std::string &path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail("cannot remove", path, errno);
}
