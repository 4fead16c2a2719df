#pragma once
// Reads a file record by record as bytes. By default a record is a line: it ends at CR, CR LF
// or LF; the terminator is not part of the line; a last line without a terminator is still a
// line; an empty file has none. With a record length, records are that many bytes each; a line
// end directly after a record is skipped, the last record is cut like the others, and a shorter
// last record is still a record (less a line end it ends in). In both modes a single
// end-of-file mark (0x1A) as the whole last record is not a record; by lines, neither is a mark
// that ends a last line without a line end. Anywhere else it is data.
// A regular file is read up to the size it had when opened: what is appended meanwhile is not
// read, and a file that ends before that size was cut short under the reader.
// The name "-" reads standard input.

#include "read/LineSpans.h"

#include <functional>
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

    // Cuts records of `bytes` bytes (1..MaxRecordLength) from here on; 0 goes back to lines.
    void setRecordLength(int bytes) { recordLength_ = size_t(bytes); }

    // Keeps at most `bytes` bytes of each line from here on (0: all of it); the rest of a longer
    // line is read past, so memory stays bounded whatever the line's length.
    void keepAtMost(size_t bytes) { keep_ = bytes; }
    // With keepAtMost: a line longer than that is handed out, cut, as soon as that is known; the
    // rest of it is not read (for a caller that refuses such a line).
    void stopAtLongLines() { stopAtLongLines_ = true; }
    // Whether the last line handed out lost bytes to keepAtMost.
    bool lastLineCut() const { return lastLineCut_; }
    // The last record's length in bytes, kept or not (its line end not counted).
    size_t lastLineBytes() const { return lastLineBytes_; }

    // Reads no more than `bytes` bytes of the file: what lies beyond is taken for its end.
    void readAtMost(unsigned long long bytes) { readCap_ = bytes; }
    // Whether the end met was readAtMost's.
    bool capped() const { return capped_; }
    // Reads only bytes [from, to) of a regular file, both record starts as a read from the file's
    // start finds them (see SourceParts), before the first record. Unlike readAtMost's, an end
    // short of the file's is no end of the file: the end-of-file mark's rules do not apply there.
    void readPart(unsigned long long from, unsigned long long to);

    // Asks `goOn` before each read of a pipe or a device and, while it has nothing to read, every
    // tenth of a second: false stops the reads with CoreError (ReadStopped). A caller on a window's
    // thread lets its events run there; another thread looks at a flag.
    void keepReadingWhile(std::function<bool()> goOn) { goOn_ = std::move(goOn); }

    // The next record, valid until a later call returns another one; false at the end of the
    // file. Throws CoreError (FileRead, FileShrank when the file became shorter than what was
    // read, EmptyPipe, ReadStopped).
    bool next(std::string_view &line) { return recordLength_ ? nextRecord(line) : nextLine(line); }
    // By lines: the next lines as next() would hand them out one by one, as many as were read
    // whole (at most `most`, up to LineSpans::Most), up to the first longer than 64 bytes or whose kept bytes
    // pass `mostKept`; valid until a later call. Reads nothing: none when the next line is not
    // such a line whole in what was read (next() takes it), and always none for records of a
    // length. The bytes LineSpans::ReadablePast each line's start may be read.
    size_t nextLines(LineSpans &lines, size_t most, size_t mostKept);

    // Bytes consumed so far, line ends included.
    unsigned long long consumed() const { return consumed_; }

private:
    bool nextLine(std::string_view &line);
    bool nextRecord(std::string_view &record);
    // Hands out [from, to) as the line and goes on at `next`.
    bool handOut(std::string_view &line, size_t from, size_t to, size_t next);
    bool fill();                        // reads more bytes behind the unread ones; false at the end of the file
    bool onlyEndOfFileMarkLeft() const; // once the end of the file has been read
    void waitForData() const;           // until a read will not block, or the stop
    void checkPipeHadWriter() const;
    void skipUnkeptBytes(size_t &scannedBytes); // of the line in hand, scanned and without a line end
    bool atFileEnd() const { return atEnd_ && !(capped_ && partEnd_); }

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
    size_t keep_ = 0;         // 0: whole lines
    size_t skippedInLine_ = 0;
    bool lastLineCut_ = false;
    size_t lastLineBytes_ = 0;
    bool stopAtLongLines_ = false;
    bool mayBlock_ = false; // a pipe, a socket or a device
    std::function<bool()> goOn_;
    unsigned long long readCap_ = ~0ull;
    bool capped_ = false;
    bool partEnd_ = false; // the cap is readPart's end, not an end of the file
    unsigned long long consumed_ = 0;
    unsigned long long bytesRead_ = 0;  // from the file so far
    unsigned long long sizeAtOpen_ = 0; // of a regular file; 0 also when the system does not tell (as in /proc)
};
