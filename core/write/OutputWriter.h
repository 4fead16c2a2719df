#pragma once
// Appends lines, each ending in CR LF, to a file through a buffer. The file is created when the
// first line is flushed; only whole lines reach the file. The name "-", or any name of the file
// standard output is, writes standard output. A full buffer of a regular file is written on a
// thread of its own while the next lines are added; a failure of that write is thrown by the
// call that next writes, flushes or redirects, and the lines added after it are dropped.

#include "read/LineReader.h"
#include "write/WriteBehind.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class OutputWriter {
public:
    // Opening a named pipe waits for its reader only with PipeOpen::Wait; without, a pipe nobody
    // reads fails at once. Without `writeBehind` every write is made by the caller's thread (for a
    // run that shares the processors with others like it).
    explicit OutputWriter(std::string path, PipeOpen pipeOpen = PipeOpen::NoWait, bool writeBehind = true);
    ~OutputWriter(); // flushes what it can; never throws
    OutputWriter(const OutputWriter &) = delete;
    OutputWriter &operator=(const OutputWriter &) = delete;

    // Adds the line composed from source record `record`.
    void appendLine(std::string_view line, int32_t record)
    {
        appendComposed(record, [line](std::string &out) {
            out.append(line);
            return true;
        });
    }

    // Lets `compose(std::string &out)` append the line of source record `record` straight to the
    // buffer, saving a copy on every record. When it returns false, or throws, nothing is added.
    template <class Compose> bool appendComposed(int32_t record, Compose &&compose)
    {
        const size_t start = filling_.bytes.size();
        bool composed = false;
        try {
            composed = compose(filling_.bytes);
        } catch (...) {
            filling_.bytes.resize(start);
            throw;
        }
        if (!composed) {
            filling_.bytes.resize(start);
            return false;
        }
        if (start == 0 || record != lastRecord_ + 1) filling_.runs.push_back({filling_.ends.size(), record});
        lastRecord_ = record;
        filling_.bytes.append("\r\n", 2);
        filling_.ends.push_back(filling_.bytes.size());
        if (filling_.bytes.size() >= FlushThreshold) handOff();
        return true;
    }

    // Lets `compose(std::string &out, size_t *ends)` append the lines of `count` source records
    // from `firstRecord` on straight to the buffer, each ending in CR LF, noting in ends[i] where
    // line i ends in `out`, past its CR LF. When it throws, nothing is added.
    template <class Compose> void appendLines(int32_t firstRecord, size_t count, Compose &&compose)
    {
        const size_t start = filling_.bytes.size(), linesBefore = filling_.ends.size();
        filling_.ends.resize(linesBefore + count);
        try {
            compose(filling_.bytes, filling_.ends.data() + linesBefore);
        } catch (...) {
            filling_.bytes.resize(start);
            filling_.ends.resize(linesBefore);
            throw;
        }
        if (start == 0 || firstRecord != lastRecord_ + 1) filling_.runs.push_back({linesBefore, firstRecord});
        lastRecord_ = firstRecord + int32_t(count) - 1;
        if (filling_.bytes.size() >= FlushThreshold) handOff();
    }

    // The last line added (without CR LF), also after it was flushed; valid until the next add.
    std::string_view lastLine() const
    {
        if (filling_.ends.empty()) return flushedLastLine_;
        const size_t begin = filling_.ends.size() > 1 ? filling_.ends[filling_.ends.size() - 2] : 0;
        return std::string_view(filling_.bytes).substr(begin, filling_.ends.back() - 2 - begin);
    }
    // After a failed flush or open: the line of the record the failure names.
    const std::string &failedLine() const { return failedLine_; }
    // The lines that reached the files so far.
    size_t linesWritten() const { return linesWritten_; } // after flush()
    // Writes every buffered line to the file. Throws CoreError (FileOpen, FileWrite) naming the
    // first record whose line did not reach the file; lines that could not be written whole are
    // removed from the file again where the system allows it.
    void flush();
    // Makes the file when no line has reached it: empty, or with `started` holding what files start
    // with (see startFilesWith). Throws CoreError (FileOpen, FileWrite).
    void create(bool started = false)
    {
        if (fd_ >= 0) return;
        if (started && !fileStart_.empty()) write(filling_);
        else open(filling_);
    }
    // Flushes, then sends later lines to `path`.
    void redirect(std::string path);
    // Bytes put before the first line of each file that is empty when the writer opens it.
    void startFilesWith(std::string_view bytes) { fileStart_ = bytes; }
    const std::string &path() const { return path_; }

private:
    static constexpr size_t FlushThreshold = 1 << 18;

    // Buffered lines from `firstLine` on come from consecutive records from `firstRecord` on
    // (records a selection skipped leave gaps between such runs).
    struct Run {
        size_t firstLine;
        int32_t firstRecord;
    };
    struct Lines {
        std::string bytes;
        std::vector<Run> runs;
        // Where each line ends, past its CR LF: a line may hold CR and LF of its own (a record
        // read by length, a quoted column), so its end is noted rather than looked for.
        std::vector<size_t> ends;
        void clear();
        int32_t recordOf(size_t line) const;
    };

    // Sends the lines added to the file: written behind when the file is an open regular one.
    void handOff();
    void finishWrites();      // of lines handed off
    void write(Lines &lines); // opening the file first if need be; empties `lines`
    void open(Lines &lines);  // whose first line names a failure
    void close();
    void noteFailedLine(const Lines &lines, size_t line, size_t linesFrom); // its bytes from `linesFrom`

    std::string path_;
    std::string fileStart_;
    PipeOpen pipeOpen_;
    int fd_ = -1;
    bool toStandardOutput_ = false;
    bool mayWriteBehind_;
    bool writesBehind_ = false; // to an open regular file
    Lines filling_;             // lines added
    Lines writing_;             // lines handed off, written behind
    size_t linesWritten_ = 0;
    int32_t lastRecord_ = 0;
    std::string flushedLastLine_; // the last line once the buffer has been flushed
    std::string failedLine_;
    WriteBehind writeBehind_; // last: stopped before the lines it writes go
};
