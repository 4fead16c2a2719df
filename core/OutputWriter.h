#pragma once
// Appends lines, each ending in CR LF, to a file through a buffer. The file is created when the
// first line is flushed; only whole lines reach the file.

#include <cstdint>
#include <string>
#include <string_view>

class OutputWriter {
public:
    explicit OutputWriter(std::string path);
    ~OutputWriter(); // flushes what it can; never throws
    OutputWriter(const OutputWriter &) = delete;
    OutputWriter &operator=(const OutputWriter &) = delete;

    // Adds the line composed from source record `record`.
    void appendLine(std::string_view line, int32_t record);
    // Writes every buffered line to the file. Throws CoreError (FileOpen, FileWrite) naming the
    // first record whose line did not reach the file; lines that could not be written whole are
    // removed from the file again where the system allows it.
    void flush();
    // Flushes, then sends later lines to `path`.
    void redirect(std::string path);
    const std::string &path() const { return path_; }

private:
    void close();

    std::string path_;
    int fd_ = -1;
    std::string buffer_;
    int32_t firstRecord_ = 0; // record of the first buffered line; the others follow it in turn
    int32_t lastRecord_ = 0;
};
