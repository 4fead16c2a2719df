#pragma once
// Plain file helpers of the benchmark. Failures throw std::runtime_error naming the file.

#include <string>
#include <string_view>

// Buffered writing of a new file (created or truncated).
class FileSink {
public:
    explicit FileSink(const std::string &path);
    ~FileSink();
    FileSink(const FileSink &) = delete;
    FileSink &operator=(const FileSink &) = delete;

    void write(std::string_view bytes);
    unsigned long long close(); // flushes, closes and returns the bytes written

private:
    void flush();

    std::string path_;
    int fd_ = -1;
    std::string buffer_;
    unsigned long long written_ = 0;
};

// Byte offset of the first difference (where one file ends before the other counts), or -1.
long long firstDifference(const std::string &a, const std::string &b);

// Writes `copies` copies of `from` one after another into `to`.
void writeRepeated(const std::string &from, const std::string &to, int copies);

// Copies `from` to `to` (created or truncated) by a loop of 1 MiB read() and write(): what merely
// moving the bytes through a program costs.
void copyThroughUserSpace(const std::string &from, const std::string &to);

unsigned long long fileSize(const std::string &path);

// Removes the file if it exists.
void removeFile(const std::string &path);
