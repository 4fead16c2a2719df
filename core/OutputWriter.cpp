#include "OutputWriter.h"

#include "CoreError.h"
#include "StandardStream.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <system_error>
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
    settle();
    if (buffer_.empty()) return;
    Batch batch = takeBatch();
    Written written = write(batch);
    throwIfFailed(written);
}

OutputWriter::Batch OutputWriter::takeBatch()
{
    if (!lastLineFlushed_) {
        flushedLastLine_.assign(lastLine());
        lastLineFlushed_ = true;
    }
    const bool opening = fd_ < 0;
    if (opening) open();
    struct stat before {};
    // Standard output may be shared with other writers: what they wrote is not cut off.
    const bool sized = !isStandardStream(path_) && ::fstat(fd_, &before) == 0 && S_ISREG(before.st_mode);
    if (opening && !fileStart_.empty() && (!sized || before.st_size == 0)) buffer_.insert(0, fileStart_);
    Batch batch{fd_, std::move(buffer_), std::move(runs_), sized, sized ? (long long)before.st_size : 0};
    clearBuffer();
    return batch;
}

OutputWriter::Written OutputWriter::write(Batch &batch)
{
    const std::string &bytes = batch.bytes;
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t put = ::write(batch.fd, bytes.data() + written, bytes.size() - written);
        if (put > 0) {
            written += size_t(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        const int failure = put < 0 ? errno : ENOSPC;
        // Cut a half-written line off again, so that the file holds whole lines only.
        const size_t whole = bytes.rfind("\r\n", written >= 2 ? written - 2 : 0);
        const size_t keep = (written >= 2 && whole != std::string::npos) ? whole + 2 : 0;
        if (batch.sized && keep < written) (void)!::ftruncate(batch.fd, off_t(batch.sizeBefore) + off_t(keep));
        // Lines hold no CR or LF of their own, so each CR LF kept is one whole line.
        const auto linesKept = size_t(std::count(bytes.begin(), bytes.begin() + long(keep), '\n'));
        return {failure, recordOfLine(batch.runs, linesKept), std::move(batch.bytes)};
    }
    return {0, 0, std::move(batch.bytes)};
}

void OutputWriter::throwIfFailed(Written &written)
{
    // The batch's buffer takes the next lines.
    std::string &reused = buffer_.empty() && buffer_.capacity() < written.bytes.capacity() ? buffer_ : spare_;
    reused.swap(written.bytes);
    reused.clear();
    if (!written.failure) return;
    CoreError error = CoreError::fileError(CoreError::Kind::FileWrite, path_, written.failure);
    error.record = written.record;
    throw error;
}

void OutputWriter::handOff()
{
    settle();
    const auto batch = std::make_shared<Batch>(takeBatch());
    lastLineHandedOff_ = flushedLastLine_;
    buffer_.swap(spare_);
    ++handOffs_;
    try {
        behind_ = std::async(std::launch::async, [batch] { return write(*batch); });
    } catch (const std::system_error &) { // no thread to be had: written here
        Written written = write(*batch);
        throwIfFailed(written);
    }
}

void OutputWriter::settle()
{
    if (!behind_.valid()) return;
    Written written = behind_.get();
    if (written.failure) {
        // The lines added since were never to be written; the last line is the one the run
        // had when it handed the failing buffer off.
        failedBehind_ = true;
        clearBuffer();
        flushedLastLine_ = lastLineHandedOff_;
        lastLineFlushed_ = true;
    }
    throwIfFailed(written);
}

void OutputWriter::clearBuffer()
{
    buffer_.clear();
    runs_.clear();
    linesBuffered_ = 0;
}

int32_t OutputWriter::recordOfLine(const std::vector<Run> &runs, size_t line)
{
    const auto after = std::upper_bound(runs.begin(), runs.end(), line,
                                        [](size_t wanted, const Run &run) { return wanted < run.firstLine; });
    const Run &run = *(after - 1);
    return run.firstRecord + int32_t(line - run.firstLine);
}

void OutputWriter::open()
{
    if (isStandardStream(path_)) {
        fd_ = STDOUT_FILENO;
        return;
    }
    const int noWait = pipeOpen_ == PipeOpen::Wait ? 0 : O_NONBLOCK;
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | noWait, 0666);
    if (fd_ < 0) {
        CoreError error = CoreError::fileError(CoreError::Kind::FileOpen, path_, errno);
        error.record = recordOfLine(runs_, 0);
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
    if (fd_ >= 0 && !isStandardStream(path_)) ::close(fd_);
    fd_ = -1;
}
