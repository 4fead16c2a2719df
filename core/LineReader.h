#pragma once
// Reads a file record by record as bytes. By default a record is a line: it ends at CR, CR LF
// or LF; the terminator is not part of the line; a last line without a terminator is still a
// line; an empty file has none. With a record length, records are that many bytes each; a line
// end directly after a record is skipped, and a shorter last record is still a record (less a
// line end it ends in). In both modes a single end-of-file mark (0x1A) as the whole last record
// is not a record; anywhere else it is data.
// The name "-" reads standard input.

#include <string>
#include <string_view>
#include <vector>

// Whether opening a named pipe waits for its writer. A window must never block, so without
// waiting a pipe whose writer has not started reads as nothing, which is reported (EmptyPipe)
// rather than taken for an empty source; a filter waits, as every Unix filter does.
enum class PipeOpen {
    NoWait,
    Wait
};

class LineReader {
public:
    // Throws CoreError (FileOpen).
    explicit LineReader(const std::string &path, PipeOpen pipeOpen = PipeOpen::NoWait);
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // Cuts records of `bytes` bytes (1..32767) from here on; 0 goes back to lines.
    void setRecordLength(int bytes) { recordLength_ = size_t(bytes); }

    // The next record, valid until a later call returns another one; false at the end of the
    // file. Throws CoreError (FileRead, FileShrank when the file became shorter than what was
    // read, EmptyPipe).
    bool next(std::string_view &line) { return recordLength_ ? nextRecord(line) : nextLine(line); }

    // Bytes consumed so far, line ends included.
    unsigned long long consumed() const { return consumed_; }

private:
    bool nextLine(std::string_view &line);
    bool nextRecord(std::string_view &record);
    bool fill();                        // reads more bytes behind the unread ones; false at the end of the file
    bool onlyEndOfFileMarkLeft() const; // once the end of the file has been read
    void checkNotShrunk() const;
    void checkPipeHadWriter() const;

    std::string path_;
    int fd_ = -1;
    bool ownsFd_ = true;        // standard input stays open
    bool unwaitedPipe_ = false; // a named pipe opened without waiting for its writer
    std::vector<char> buffer_;
    std::vector<char> spare_; // the buffer before the last move of the unread bytes
    size_t begin_ = 0;        // first unread byte
    size_t end_ = 0;          // one past the last byte read
    bool atEnd_ = false;
    size_t recordLength_ = 0; // 0: records are lines
    unsigned long long consumed_ = 0;
    unsigned long long bytesRead_ = 0;  // from the file so far
    unsigned long long sizeAtOpen_ = 0; // of a regular file
};
