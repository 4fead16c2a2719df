#include "write/OutputWriter.h"

#include "errors/CoreError.h"
#include "write/FileChecks.h"
#include "run/RunInterrupt.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

OutputWriter::OutputWriter(std::string path, PipeOpen pipeOpen, bool writeBehind)
    : path_(std::move(path)), pipeOpen_(pipeOpen), mayWriteBehind_(writeBehind)
{
    filling_.bytes.reserve(FlushThreshold + (1 << 16));
}

OutputWriter::~OutputWriter()
{
    try {
        flush();
    } catch (const CoreError &) {
        // Destroyed while a failure is already being reported: nothing more to say.
    }
    close();
}

void OutputWriter::flush()
{
    handOff();
    finishWrites();
}

void OutputWriter::handOff()
{
    if (filling_.bytes.empty()) return;
    finishWrites();
    if (!filling_.ends.empty()) flushedLastLine_.assign(lastLine()); // the buffer holds lines, the last of them kept
    std::swap(filling_, writing_);
    if (writesBehind_) writeBehind_.start([this] { write(writing_); });
    else write(writing_);
}

void OutputWriter::finishWrites()
{
    try {
        writeBehind_.wait();
    } catch (const CoreError &) {
        filling_.clear(); // lines after one that did not reach the file
        throw;
    }
}

void OutputWriter::write(Lines &lines)
{
    const bool opening = fd_ < 0;
    if (opening) open(lines);
    struct stat before {};
    // Standard output may be shared with other writers: what they wrote is not cut off.
    const bool sized = !toStandardOutput_ && ::fstat(fd_, &before) == 0 && S_ISREG(before.st_mode);
    size_t linesFrom = 0; // where the first line starts in the buffer
    if (opening && !fileStart_.empty() && (!sized || before.st_size == 0)) {
        lines.bytes.insert(0, fileStart_);
        linesFrom = fileStart_.size();
    }
    size_t written = 0;
    while (written < lines.bytes.size()) {
        const ssize_t put = ::write(fd_, lines.bytes.data() + written, lines.bytes.size() - written);
        if (put > 0) {
            written += size_t(put);
            continue;
        }
        if (put < 0 && errno == EINTR && runInterruptSignal == 0) continue;
        const int failure = put < 0 ? errno : ENOSPC;
        // Cut a half-written line off again, so that the file holds whole lines only.
        const size_t wholeLines =
            size_t(std::upper_bound(lines.ends.begin(), lines.ends.end(), written - std::min(written, linesFrom)) -
                   lines.ends.begin());
        const size_t keep = wholeLines ? linesFrom + lines.ends[wholeLines - 1] : 0;
        if (sized && keep < written) (void)!::ftruncate(fd_, before.st_size + off_t(keep));
        linesWritten_ += wholeLines;
        CoreError error = CoreError::fileError(CoreError::Kind::FileWrite, path_, failure);
        if (wholeLines < lines.ends.size()) { // else only the file's start was lost
            error.withRecord(lines.recordOf(wholeLines));
            noteFailedLine(lines, wholeLines, linesFrom);
        }
        lines.clear();
        throw error;
    }
    linesWritten_ += lines.ends.size();
    lines.clear();
    // A regular file never keeps a write waiting long: the next ones may go on behind.
    writesBehind_ = sized && mayWriteBehind_;
}

void OutputWriter::noteFailedLine(const Lines &lines, size_t line, size_t linesFrom)
{
    const size_t begin = line ? lines.ends[line - 1] : 0;
    failedLine_.assign(lines.bytes, linesFrom + begin, lines.ends[line] - 2 - begin);
}

void OutputWriter::Lines::clear()
{
    bytes.clear();
    runs.clear();
    ends.clear();
}

int32_t OutputWriter::Lines::recordOf(size_t line) const
{
    const auto after = std::upper_bound(runs.begin(), runs.end(), line,
                                        [](size_t wanted, const Run &run) { return wanted < run.firstLine; });
    const Run &run = *(after - 1);
    return run.firstRecord + int32_t(line - run.firstLine);
}

void OutputWriter::open(Lines &lines)
{
    toStandardOutput_ = isStandardOutput(path_);
    if (toStandardOutput_) {
        fd_ = STDOUT_FILENO;
        return;
    }
    const int noWait = pipeOpen_ == PipeOpen::Wait ? 0 : O_NONBLOCK;
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | noWait, 0666);
    if (fd_ < 0) {
        CoreError error = CoreError::fileError(CoreError::Kind::FileOpen, path_, errno);
        if (!lines.runs.empty()) error.withRecord(lines.recordOf(0));
        if (!lines.ends.empty()) noteFailedLine(lines, 0, 0);
        lines.clear();
        throw error;
    }
    if (noWait) ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

void OutputWriter::redirect(std::string path)
{
    flush();
    close();
    path_ = std::move(path);
}

void OutputWriter::close()
{
    if (fd_ >= 0 && !toStandardOutput_) ::close(fd_);
    fd_ = -1;
    writesBehind_ = false;
}
