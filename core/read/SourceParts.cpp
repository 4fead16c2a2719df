#include "read/SourceParts.h"

#include "errors/CoreError.h"
#include "read/StandardStream.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr size_t BlockSize = 1 << 20;

// The bytes of a file read by blocks of 1 MiB, for a walk that goes forward.
class FileBytes {
public:
    explicit FileBytes(const std::string &path) : path_(path)
    {
        if (isStandardStream(path)) throw CoreError::partOfStream(path);
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path, errno);
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd_);
            throw CoreError::partOfStream(path);
        }
        size_ = (unsigned long long)info.st_size;
    }
    ~FileBytes() { ::close(fd_); }
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    unsigned long long size() const { return size_; }

    char at(unsigned long long offset)
    {
        if (offset < blockStart_ || offset >= blockStart_ + block_.size()) load(offset);
        return block_[size_t(offset - blockStart_)];
    }

private:
    void load(unsigned long long offset)
    {
        block_.resize(size_t(std::min<unsigned long long>(BlockSize, size_ - offset)));
        for (size_t got = 0; got < block_.size();) {
            const ssize_t read = ::pread(fd_, block_.data() + got, block_.size() - got, off_t(offset + got));
            if (read > 0) got += size_t(read);
            else if (read == 0) throw CoreError::fileShrank(path_);
            else if (errno != EINTR) throw CoreError::fileError(CoreError::Kind::FileRead, path_, errno);
        }
        blockStart_ = offset;
    }

    std::string path_;
    int fd_ = -1;
    unsigned long long size_ = 0;
    std::vector<char> block_;
    unsigned long long blockStart_ = 0;
};

// A line starts after LF, after CR LF, and after a CR that no LF follows.
unsigned long long lineStartAtOrPast(FileBytes &bytes, unsigned long long offset)
{
    if (offset == 0) return 0;
    for (unsigned long long at = offset - 1; at < bytes.size(); ++at) {
        const char byte = bytes.at(at);
        if (byte == '\n') return at + 1;
        if (byte != '\r') continue;
        if (at + 1 < bytes.size() && bytes.at(at + 1) == '\n') return at + 2;
        return at + 1;
    }
    return bytes.size();
}

// Each record is `recordLength` bytes and the CR, LF or CR LF directly after it; the walk goes on
// from `start`, a record start.
unsigned long long recordStartAtOrPast(FileBytes &bytes, unsigned long long recordLength, unsigned long long start,
                                       unsigned long long offset)
{
    unsigned long long at = start;
    while (at < offset && at < bytes.size()) {
        at += recordLength;
        if (at < bytes.size() && bytes.at(at) == '\r') ++at;
        if (at < bytes.size() && bytes.at(at) == '\n') ++at;
    }
    return std::min(at, bytes.size());
}

} // namespace

void checkSplittable(const std::string &path)
{
    struct stat info {};
    if (isStandardStream(path) || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        throw CoreError::partOfStream(path);
}

ByteRange sourcePartBytes(const std::string &path, int32_t recordLength, SourcePart part)
{
    FileBytes bytes(path);
    // The first record start at or past the share of part `index`, looked for from `known`, a
    // record start (the one itself when it is at or past the share).
    const auto startOf = [&](int index, unsigned long long known) {
        // size (I - 1) / N, in parts that cannot overflow; past the first byte after the first
        // part, so that the first record is the first part's, whose output begins with the header.
        const unsigned long long size = bytes.size(), before = unsigned(index - 1), parts = unsigned(part.count);
        const unsigned long long share =
            std::max<unsigned long long>(size / parts * before + size % parts * before / parts, before > 0);
        if (known >= share) return known;
        return recordLength > 0 ? recordStartAtOrPast(bytes, (unsigned long long)recordLength, known, share)
                                : lineStartAtOrPast(bytes, share);
    };
    const unsigned long long from = startOf(part.index, 0);
    return {from, part.index == part.count ? bytes.size() : startOf(part.index + 1, from)};
}
