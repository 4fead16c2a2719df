#pragma once
// Reads a file line by line as bytes. A line ends at CR, CR LF or LF; the terminator is not
// part of the line; a last line without a terminator is still a line; an empty file has none.
// The name "-" reads standard input.

#include <string>
#include <string_view>
#include <vector>

// Whether opening a named pipe waits for its writer. A window must never block, so without
// waiting a pipe whose writer has not started reads as nothing, which is reported (EmptyPipe)
// rather than taken for an empty source; a filter waits, as every Unix filter does.
enum class PipeOpen { NoWait, Wait };

class LineReader {
public:
    // Throws CoreError (FileOpen).
    explicit LineReader(const std::string &path, PipeOpen pipeOpen = PipeOpen::NoWait);
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // The next line, valid until a later call returns another one; false at the end of the file.
    // Throws CoreError (FileRead, FileShrank when the file became shorter than what was read,
    // EmptyPipe).
    bool next(std::string_view &line);

    // Bytes consumed so far, terminators included.
    unsigned long long consumed() const { return consumed_; }

private:
    bool fill(); // reads more bytes behind the unread ones; false at the end of the file
    void checkNotShrunk() const;
    void checkPipeHadWriter() const;

    std::string path_;
    int fd_ = -1;
    bool ownsFd_ = true;      // standard input stays open
    bool unwaitedPipe_ = false; // a named pipe opened without waiting for its writer
    std::vector<char> buffer_;
    size_t begin_ = 0; // first unread byte
    size_t end_ = 0;   // one past the last byte read
    bool atEnd_ = false;
    unsigned long long consumed_ = 0;
    unsigned long long bytesRead_ = 0; // from the file so far
    unsigned long long sizeAtOpen_ = 0; // of a regular file
};
