#pragma once
// Reads a file line by line as bytes. A line ends at CR, CR LF or LF; the terminator is not
// part of the line; a last line without a terminator is still a line; an empty file has none.

#include <string>
#include <string_view>
#include <vector>

class LineReader {
public:
    explicit LineReader(const std::string &path); // throws CoreError (FileOpen)
    ~LineReader();
    LineReader(const LineReader &) = delete;
    LineReader &operator=(const LineReader &) = delete;

    // The next line, valid until a later call returns another one; false at the end of the file.
    // Throws CoreError (FileRead, or FileShrank when the file became shorter than what was read).
    bool next(std::string_view &line);

    // Bytes consumed so far, terminators included.
    unsigned long long consumed() const { return consumed_; }

private:
    bool fill(); // reads more bytes behind the unread ones; false at the end of the file
    void checkNotShrunk() const;

    std::string path_;
    int fd_ = -1;
    std::vector<char> buffer_;
    size_t begin_ = 0; // first unread byte
    size_t end_ = 0;   // one past the last byte read
    bool atEnd_ = false;
    unsigned long long consumed_ = 0;
    unsigned long long bytesRead_ = 0; // from the file so far
    unsigned long long sizeAtOpen_ = 0; // of a regular file
};
