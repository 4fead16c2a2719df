#include "read/LineReader.h"

#include "errors/CoreError.h"
#include "run/RunInterrupt.h"
#include "paths/LineListing.h"
#include "paths/SimdPath.h"
#include "read/StandardStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {
constexpr size_t ChunkSize = 1 << 16;
constexpr char EndOfFileMark = 0x1A;
constexpr int StopCheckMs = 100; // how often a wait for data looks whether to stop

// A pipe made by a shell (`a | b`, `< <(a)`), not one named in the file system: its writer was
// there when it was made.
bool isAnonymousPipe(int fd)
{
    struct statfs info {};
    return ::fstatfs(fd, &info) == 0 && info.f_type == PIPEFS_MAGIC;
}

} // namespace

LineReader::LineReader(const std::string &path, PipeOpen pipeOpen)
    : path_(path), buffer_(ChunkSize + LineSpans::ReadablePast)
{
    if (isStandardStream(path)) {
        fd_ = STDIN_FILENO;
        ownsFd_ = false;
    } else {
        // Without waiting, a named pipe without a writer cannot block the open forever: open,
        // then read normally.
        const int noWait = pipeOpen == PipeOpen::Wait ? 0 : O_NONBLOCK;
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | noWait);
        if (fd_ < 0) throw CoreError::fileError(CoreError::Kind::FileOpen, path, errno);
        if (noWait) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
    struct stat info {};
    if (::fstat(fd_, &info) == 0) {
        if (S_ISREG(info.st_mode)) sizeAtOpen_ = (unsigned long long)info.st_size;
        mayBlock_ = !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
        unwaitedPipe_ = S_ISFIFO(info.st_mode) && pipeOpen == PipeOpen::NoWait && !isAnonymousPipe(fd_);
    }
}

LineReader::~LineReader()
{
    if (fd_ >= 0 && ownsFd_) ::close(fd_);
}

void LineReader::readPart(unsigned long long from, unsigned long long to)
{
    if (::lseek(fd_, off_t(from), SEEK_SET) < 0) throw CoreError::fileError(CoreError::Kind::FileRead, path_, errno);
    bytesRead_ = from;
    readCap_ = to;
    partEnd_ = true;
}

bool LineReader::fill()
{
    if (atEnd_) return false;
    if (begin_ > 0) {
        // The unread bytes move to the front of the other buffer: the record handed out last
        // stays where it is until the call after it has returned, even when that call finds
        // only the end of the file.
        const size_t unread = end_ - begin_;
        if (spare_.size() < unread + ChunkSize + LineSpans::ReadablePast)
            spare_.resize(unread + ChunkSize + LineSpans::ReadablePast);
        std::memcpy(spare_.data(), buffer_.data() + begin_, unread);
        buffer_.swap(spare_);
        end_ = unread;
        begin_ = 0;
    }
    // Bytes past the room for reading are there only to be read past a line's end.
    const size_t capacity = buffer_.size() - LineSpans::ReadablePast;
    if (capacity - end_ < ChunkSize / 2) buffer_.resize(capacity * 2 + LineSpans::ReadablePast); // a long line
    size_t room = buffer_.size() - LineSpans::ReadablePast - end_;
    if (sizeAtOpen_ > 0) room = size_t(std::min<unsigned long long>(room, sizeAtOpen_ - bytesRead_));
    if (bytesRead_ >= readCap_ && (sizeAtOpen_ == 0 || bytesRead_ < sizeAtOpen_)) {
        capped_ = atEnd_ = true;
        return false;
    }
    room = size_t(std::min<unsigned long long>(room, readCap_ - bytesRead_));
    for (;;) {
        if (mayBlock_ && goOn_) waitForData(); // a regular file never keeps a reader waiting long
        const ssize_t got = room == 0 ? 0 : ::read(fd_, buffer_.data() + end_, room);
        if (got > 0) {
            end_ += size_t(got);
            bytesRead_ += (unsigned long long)got;
            return true;
        }
        if (got == 0) {
            if (bytesRead_ < sizeAtOpen_) throw CoreError::fileShrank(path_);
            checkPipeHadWriter();
            atEnd_ = true;
            return false;
        }
        if (errno != EINTR || runInterruptSignal != 0)
            throw CoreError::fileError(CoreError::Kind::FileRead, path_, errno);
    }
}

void LineReader::waitForData() const
{
    if (!goOn_()) throw CoreError::readStopped(path_);
    pollfd watched{fd_, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&watched, 1, StopCheckMs);
        if (ready > 0 || (ready < 0 && errno != EINTR)) return; // the read tells what there is
        if (!goOn_()) throw CoreError::readStopped(path_);
    }
}

void LineReader::skipUnkeptBytes(size_t &scannedBytes)
{
    if (keep_ == 0 || scannedBytes <= keep_) return;
    const size_t from = begin_ + keep_, past = begin_ + scannedBytes;
    std::memmove(buffer_.data() + from, buffer_.data() + past, end_ - past);
    skippedInLine_ += past - from;
    end_ -= past - from;
    scannedBytes = keep_;
}

bool LineReader::onlyEndOfFileMarkLeft() const
{
    // A line whose bytes past the kept start were read past is data, whatever its first byte.
    return atFileEnd() && skippedInLine_ == 0 && end_ - begin_ == 1 && buffer_[begin_] == EndOfFileMark;
}

void LineReader::checkPipeHadWriter() const
{
    // Nothing at all from a pipe opened without waiting: most likely its writer had not started.
    if (!unwaitedPipe_ || bytesRead_ > 0) return;
    throw CoreError::emptyPipe(path_);
}

bool LineReader::nextLine(std::string_view &line)
{
    static const LineEndFinder findLineEnd = lineEndFinderFor(simdPath());
    size_t scanned = begin_; // bytes before this offset hold no terminator
    for (;;) {
        const char *base = buffer_.data();
        const char *stop = findLineEnd(base + scanned, base + end_);
        // A CR at the end of the bytes read may be followed by LF in the next read.
        const bool complete = stop != base + end_ && !(*stop == '\r' && stop + 1 == base + end_ && !atEnd_);
        if (complete) {
            const size_t lineEnd = size_t(stop - base);
            size_t next = lineEnd + 1;
            if (*stop == '\r' && next < end_ && base[next] == '\n') ++next;
            return handOut(line, begin_, lineEnd, next);
        }
        size_t scannedBytes = size_t(stop - base) - begin_;
        skipUnkeptBytes(scannedBytes);
        if (stopAtLongLines_ && skippedInLine_ > 0) return handOut(line, begin_, begin_ + keep_, begin_ + keep_);
        if (!fill()) {
            if (begin_ == end_ || onlyEndOfFileMarkLeft()) return false;
            // The last line has no terminator (or ends in a lone CR at the end of the file); an
            // end-of-file mark as its last byte is no data.
            const char *base2 = buffer_.data();
            size_t lineEnd = end_;
            if (base2[end_ - 1] == '\r') --lineEnd;
            else if (base2[end_ - 1] == EndOfFileMark && skippedInLine_ == 0 && atFileEnd()) --lineEnd;
            return handOut(line, begin_, lineEnd, end_);
        }
        scanned = begin_ + scannedBytes; // fill() moved the unread bytes to the front
    }
}

size_t LineReader::nextLines(LineSpans &lines, size_t most, size_t mostKept)
{
    lines.base = buffer_.data();
    lines.count = 0;
    if (recordLength_) return 0;
    static const LineLister listLines = lineListerFor(simdPath());
    const size_t next = listLines(buffer_.data(), begin_, end_, atEnd_, keep_, most, mostKept, lines);
    if (lines.count > 0) {
        lastLineBytes_ = lines.bytes[lines.count - 1];
        lastLineCut_ = lines.kept[lines.count - 1] < lastLineBytes_;
        consumed_ += next - begin_;
        begin_ = next;
    }
    return lines.count;
}

bool LineReader::handOut(std::string_view &line, size_t from, size_t to, size_t next)
{
    lastLineCut_ = skippedInLine_ > 0 || (keep_ > 0 && to - from > keep_);
    line = std::string_view(buffer_.data() + from, lastLineCut_ ? keep_ : to - from);
    lastLineBytes_ = to - from + skippedInLine_;
    consumed_ += next - begin_ + skippedInLine_;
    skippedInLine_ = 0;
    begin_ = next;
    return true;
}

bool LineReader::nextRecord(std::string_view &record)
{
    // The record, the longest line end after it (CR LF) and an end-of-file mark after that, or
    // what is left of the file.
    while (end_ - begin_ < recordLength_ + 3 && fill()) {
    }
    if (begin_ == end_ || onlyEndOfFileMarkLeft()) return false;
    const char *base = buffer_.data();
    size_t length = std::min(recordLength_, end_ - begin_);
    size_t next = begin_ + length;
    // What is left at the end of the file, less an end-of-file mark after a line end.
    size_t body = end_ - begin_;
    const auto endsIn = [&](char byte) { return body > 0 && base[begin_ + body - 1] == byte; };
    if (atFileEnd() && endsIn(EndOfFileMark) && body >= 2 &&
        (base[begin_ + body - 2] == '\n' || base[begin_ + body - 2] == '\r'))
        --body;
    if (atFileEnd() && body < recordLength_) {
        // The last record, shorter than the others: it ends before its line end.
        if (endsIn('\n')) --body;
        if (endsIn('\r')) --body;
        length = body;
        next = end_;
    }
    if (next < end_ && base[next] == '\r') ++next;
    if (next < end_ && base[next] == '\n') ++next;
    record = std::string_view(base + begin_, length);
    lastLineBytes_ = length;
    consumed_ += next - begin_;
    begin_ = next;
    return true;
}
