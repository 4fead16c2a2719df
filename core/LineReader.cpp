#include "LineReader.h"

#include "CoreError.h"
#include "RunInterrupt.h"
#include "StandardStream.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr size_t ChunkSize = 1 << 16;
constexpr char EndOfFileMark = 0x1A;

// First CR or LF in [from, to), or `to`. Lines are short: one pass for both bytes beats two
// calls of memchr.
const char *findLineEnd(const char *from, const char *to)
{
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; to - from >= 16; from += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
        const unsigned found = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf))));
        if (found) return from + std::countr_zero(found);
    }
#endif
    for (; from != to; ++from)
        if (*from == '\r' || *from == '\n') return from;
    return to;
}
} // namespace

LineReader::LineReader(const std::string &path, PipeOpen pipeOpen) : path_(path), buffer_(ChunkSize)
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
        unwaitedPipe_ = S_ISFIFO(info.st_mode) && ownsFd_ && pipeOpen == PipeOpen::NoWait;
    }
}

LineReader::~LineReader()
{
    if (fd_ >= 0 && ownsFd_) ::close(fd_);
}

bool LineReader::fill()
{
    if (atEnd_) return false;
    if (begin_ > 0) {
        // The unread bytes move to the front of the other buffer: the record handed out last
        // stays where it is until the call after it has returned, even when that call finds
        // only the end of the file.
        const size_t unread = end_ - begin_;
        if (spare_.size() < unread + ChunkSize) spare_.resize(unread + ChunkSize);
        std::memcpy(spare_.data(), buffer_.data() + begin_, unread);
        buffer_.swap(spare_);
        end_ = unread;
        begin_ = 0;
    }
    if (buffer_.size() - end_ < ChunkSize / 2) buffer_.resize(buffer_.size() * 2); // a long line
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got > 0) {
            end_ += size_t(got);
            bytesRead_ += (unsigned long long)got;
            return true;
        }
        if (got == 0) {
            checkNotShrunk();
            checkPipeHadWriter();
            atEnd_ = true;
            return false;
        }
        if (errno != EINTR || runInterruptSignal != 0)
            throw CoreError::fileError(CoreError::Kind::FileRead, path_, errno);
    }
}

bool LineReader::onlyEndOfFileMarkLeft() const
{
    return atEnd_ && end_ - begin_ == 1 && buffer_[begin_] == EndOfFileMark;
}

void LineReader::checkNotShrunk() const
{
    // Cut short under us, the file's end would come in the middle of a line read in part. Files
    // whose size the system does not tell (as in /proc) keep the size they had when opened.
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return;
    const auto size = (unsigned long long)info.st_size;
    if (size < bytesRead_ && size < sizeAtOpen_) throw CoreError::fileShrank(path_);
}

void LineReader::checkPipeHadWriter() const
{
    // Nothing at all from a pipe opened without waiting: most likely its writer had not started.
    if (!unwaitedPipe_ || bytesRead_ > 0) return;
    throw CoreError::emptyPipe(path_);
}

bool LineReader::nextLine(std::string_view &line)
{
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
            line = std::string_view(base + begin_, lineEnd - begin_);
            consumed_ += next - begin_;
            begin_ = next;
            return true;
        }
        const size_t scannedBytes = size_t(stop - base) - begin_;
        if (!fill()) {
            if (begin_ == end_ || onlyEndOfFileMarkLeft()) return false;
            // The last line has no terminator (or ends in a lone CR at the end of the file).
            const char *base2 = buffer_.data();
            size_t lineEnd = end_;
            if (base2[end_ - 1] == '\r') --lineEnd;
            line = std::string_view(base2 + begin_, lineEnd - begin_);
            consumed_ += end_ - begin_;
            begin_ = end_;
            return true;
        }
        scanned = begin_ + scannedBytes; // fill() moved the unread bytes to the front
    }
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
    if (end_ - begin_ < recordLength_ + 3) {
        // The last record. A shorter one ends before its line end; the mark after that is none.
        size_t body = end_ - begin_;
        const auto endsIn = [&](char byte) { return body > 0 && base[begin_ + body - 1] == byte; };
        if (endsIn(EndOfFileMark) && body >= 2 && (base[begin_ + body - 2] == '\n' || base[begin_ + body - 2] == '\r'))
            --body;
        if (endsIn('\n')) --body;
        if (endsIn('\r')) --body;
        if (body < recordLength_) {
            length = body;
            next = end_;
        }
    }
    if (next < end_ && base[next] == '\r') ++next;
    if (next < end_ && base[next] == '\n') ++next;
    record = std::string_view(base + begin_, length);
    consumed_ += next - begin_;
    begin_ = next;
    return true;
}
