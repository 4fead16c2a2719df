#include "write/OutputWriter.h"

#include "errors/CoreError.h"
#include "write/FileChecks.h"
#include "run/RunInterrupt.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

OutputWriter::OutputWriter(std::string path, PipeOpen pipeOpen) : path_(std::move(path)), pipeOpen_(pipeOpen)
{
    buffer_.reserve(1 << 16);
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
    if (!buffer_.empty()) writeBuffer();
}

void OutputWriter::writeBuffer()
{
    if (!lineEnds_.empty()) flushedLastLine_.assign(lastLine()); // the buffer holds lines, the last of them kept
    const bool opening = fd_ < 0;
    if (opening) open();
    struct stat before {};
    // Standard output may be shared with other writers: what they wrote is not cut off.
    const bool sized = !toStandardOutput_ && ::fstat(fd_, &before) == 0 && S_ISREG(before.st_mode);
    size_t linesFrom = 0; // where the first line starts in the buffer
    if (opening && !fileStart_.empty() && (!sized || before.st_size == 0)) {
        buffer_.insert(0, fileStart_);
        linesFrom = fileStart_.size();
    }
    size_t written = 0;
    while (written < buffer_.size()) {
        const ssize_t put = ::write(fd_, buffer_.data() + written, buffer_.size() - written);
        if (put > 0) {
            written += size_t(put);
            continue;
        }
        if (put < 0 && errno == EINTR && runInterruptSignal == 0) continue;
        const int failure = put < 0 ? errno : ENOSPC;
        // Cut a half-written line off again, so that the file holds whole lines only.
        const size_t wholeLines =
            size_t(std::upper_bound(lineEnds_.begin(), lineEnds_.end(), written - std::min(written, linesFrom)) -
                   lineEnds_.begin());
        const size_t keep = wholeLines ? linesFrom + lineEnds_[wholeLines - 1] : 0;
        if (sized && keep < written) (void)!::ftruncate(fd_, before.st_size + off_t(keep));
        linesWritten_ += wholeLines;
        CoreError error = CoreError::fileError(CoreError::Kind::FileWrite, path_, failure);
        if (wholeLines < lineEnds_.size()) { // else only the file's start was lost
            error.withRecord(recordOfLine(wholeLines));
            noteFailedLine(wholeLines, linesFrom);
        }
        clearBuffer();
        throw error;
    }
    linesWritten_ += lineEnds_.size();
    clearBuffer();
}

void OutputWriter::noteFailedLine(size_t line, size_t linesFrom)
{
    const size_t begin = line ? lineEnds_[line - 1] : 0;
    failedLine_.assign(buffer_, linesFrom + begin, lineEnds_[line] - 2 - begin);
}

void OutputWriter::clearBuffer()
{
    buffer_.clear();
    runs_.clear();
    lineEnds_.clear();
}

int32_t OutputWriter::recordOfLine(size_t line) const
{
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), line,
                                        [](size_t wanted, const Run &run) { return wanted < run.firstLine; });
    const Run &run = *(after - 1);
    return run.firstRecord + int32_t(line - run.firstLine);
}

void OutputWriter::open()
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
        if (!runs_.empty()) error.withRecord(recordOfLine(0));
        if (!lineEnds_.empty()) noteFailedLine(0, 0);
        clearBuffer();
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
}
