#include "errors/CoreError.h"
#include "paths/LineListing.h"
#include "read/LineReader.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <fcntl.h>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::string> readAll(const std::string &bytes, int recordLength = 0)
{
    TempDir dir;
    LineReader reader(dir.write("in.txt", bytes));
    reader.setRecordLength(recordLength);
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEnds)
{
    EXPECT_EQ(readAll(""), Lines{});
    EXPECT_EQ(readAll("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(readAll("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(readAll("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(readAll("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"})); // mixed, last without terminator
    EXPECT_EQ(readAll("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(readAll("\n\r"), (Lines{"", ""}));         // LF, then a lone CR at the very end
    EXPECT_EQ(readAll("a\n\rb"), (Lines{"a", "", "b"})); // LF CR is two line ends
    EXPECT_EQ(readAll("x"), (Lines{"x"}));
    EXPECT_EQ(readAll(std::string("a\0b\r\n", 5)), (Lines{std::string("a\0b", 3)}));
}

struct RecordRow {
    std::string bytes;
    int recordLength;
    std::vector<std::string> records;
};

class ReadRecords : public testing::TestWithParam<RecordRow> {};

TEST_P(ReadRecords, CutsRecordsAndDropsTheEndOfFileMark)
{
    EXPECT_EQ(readAll(GetParam().bytes, GetParam().recordLength), GetParam().records);
}

INSTANTIATE_TEST_SUITE_P(Rows, ReadRecords,
                         testing::Values(
                             // Records of n bytes, with or without a line end after each; a short last record.
                             RecordRow{"abcdefgh", 3, {"abc", "def", "gh"}},
                             RecordRow{"abc\r\ndef\nghi\rjk\r\n", 3, {"abc", "def", "ghi", "jk\r"}},
                             RecordRow{"abc\r\ndef\nghi\rj\r\n", 3, {"abc", "def", "ghi", "j\r\n"}},
                             RecordRow{"ab\ncd\r\n", 3, {"ab\n", "cd\r"}},   // a line end inside a record is data
                             RecordRow{"ABC\nDEF\n", 4, {"ABC\n", "DEF\n"}}, // the last record is cut like the others
                             RecordRow{"abc\r\n\r\n", 3, {"abc", ""}}, RecordRow{"", 3, {}},
                             // The end-of-file mark alone at the very end is no record; anywhere else it is data.
                             RecordRow{"abc\x1A", 3, {"abc"}}, RecordRow{"abc\r\n\x1A", 3, {"abc"}},
                             RecordRow{"\x1A", 3, {}}, RecordRow{"ab\r\n\x1A", 3, {"ab\r"}},
                             RecordRow{"a\n\x1A", 3, {"a"}}, RecordRow{"a\x1A", 1, {"a"}},
                             RecordRow{"ab\x1A", 3, {"ab\x1A"}}, RecordRow{"\x1A\x1A", 3, {"\x1A\x1A"}},
                             RecordRow{"\x1A\r\n", 3, {"\x1A\r\n"}}, RecordRow{"a\r\n\x1A", 0, {"a"}},
                             RecordRow{"a\x1A", 0, {"a"}}, RecordRow{"\x1A", 0, {}}, RecordRow{"\x1Az", 0, {"\x1Az"}},
                             RecordRow{"\x1A\r\n", 0, {"\x1A"}}, RecordRow{"a\r\x1A\n", 0, {"a", "\x1A"}}));

TEST(LineReader, TheLastRecordStaysWhenOnlyTheMarkFollows)
{
    // The mark arrives in a read of its own, after the buffer has been filled exactly.
    for (int recordLength : {0, 998}) {
        std::string bytes;
        for (int line = 0; line < 65; ++line) bytes += std::string(998, char('a' + line % 26)) + "\r\n";
        bytes += std::string(534, 'z') + "\r\n"; // 65536 bytes
        TempDir dir;
        LineReader reader(dir.write("in.txt", bytes + "\x1A"));
        reader.setRecordLength(recordLength);
        std::string_view record, last;
        while (reader.next(record)) last = record;
        EXPECT_EQ(std::string(last), std::string(534, 'z')) << recordLength;
    }
}

TEST(LineReader, CrLfSplitAcrossReadsIsOneLineEnd)
{
    // The reader fills its buffer a chunk at a time: put the CR at and around a chunk's end.
    for (size_t chunk : {size_t(1) << 16, size_t(1) << 20}) {
        for (size_t length = chunk - 2; length <= chunk + 1; ++length) {
            const Lines lines = readAll(std::string(length, 'a') + "\r\nz\r\n");
            ASSERT_EQ(lines.size(), 2u) << length;
            EXPECT_EQ(lines[0].size(), length);
            EXPECT_EQ(lines[1], "z");
        }
    }
}

TEST(LineReader, ALineOf100MB)
{
    std::string bytes(100u << 20, 'x');
    bytes[12345] = '\x8A';
    bytes += "\r\nshort";
    const Lines lines = readAll(bytes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].size(), 100u << 20);
    EXPECT_EQ(lines[0][12345], '\x8A');
    EXPECT_EQ(lines[1], "short");
}

TEST(LineReader, KeepsTheStartOfLongLinesAndReadsPastTheRest)
{
    // Compared with whole lines: line ends around the reads' chunks, a CR LF split by them.
    for (const size_t length : {size_t(10), size_t(65533), size_t(65535), size_t(65536), size_t(200001)}) {
        const std::string bytes = std::string(length, 'a') + "\r\n" + std::string(length, 'b') + "\rz\r";
        TempDir dir;
        LineReader reader(dir.write("in.txt", bytes));
        reader.keepAtMost(7);
        std::string_view line;
        const Lines whole = readAll(bytes);
        for (const std::string &expected : whole) {
            ASSERT_TRUE(reader.next(line)) << length;
            EXPECT_EQ(line, expected.substr(0, 7)) << length;
            EXPECT_EQ(reader.lastLineCut(), expected.size() > 7) << length;
        }
        EXPECT_FALSE(reader.next(line)) << length;
        EXPECT_EQ(reader.consumed(), bytes.size()) << length;
    }
}

// Lines taken many at a time are the lines next() hands out, on every vector path's listing:
// random short lines of CR, LF and CR LF, some past 64 bytes, a CR LF split by the reads' chunks.
TEST(LineReader, LinesManyAtATimeAreTheLinesOneByOne)
{
    uint64_t seed = 7;
    const auto next = [&seed](uint64_t bound) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return (seed >> 33) % bound;
    };
    for (int round = 0; round < 6; ++round) {
        std::string bytes;
        while (bytes.size() < 150000) {
            bytes.append(next(8) ? next(40) : next(100), char('a' + next(3)));
            bytes += std::vector<std::string>{"\r\n", "\n", "\r", "\r\n"}[next(4)];
        }
        bytes.resize(bytes.size() - next(2));
        bytes.replace((1 << 16) - 1, 2, "\r\n"); // split by the first read
        const size_t keep = std::vector<size_t>{0, 7, 40}[round % 3], mostKept = round < 3 ? 64 : 20;
        TempDir dir;
        const std::string source = dir.write("in.txt", bytes);
        LineReader oneByOne(source), manyAtATime(source);
        oneByOne.keepAtMost(keep);
        manyAtATime.keepAtMost(keep);
        std::string_view line;
        LineSpans lines;
        size_t taken = 0;
        for (;;) {
            if (manyAtATime.nextLines(lines, 1 + next(LineSpans::Most), mostKept) == 0) {
                const bool more = manyAtATime.next(line);
                ASSERT_EQ(oneByOne.next(line), more);
                if (!more) break;
                continue;
            }
            for (size_t i = 0; i < lines.count; ++i, ++taken) {
                ASSERT_TRUE(oneByOne.next(line));
                ASSERT_EQ(lines.line(i), line) << round << " line " << i;
                ASSERT_LE(lines.kept[i], mostKept);
                ASSERT_EQ(lines.bytes[i], oneByOne.lastLineBytes());
            }
            ASSERT_EQ(manyAtATime.lastLineCut(), oneByOne.lastLineCut());
            ASSERT_EQ(manyAtATime.consumed(), oneByOne.consumed());
        }
        EXPECT_GT(taken, 1000u);
        // Each path's listing and line-end finder against the plain ones, on the bytes as read and
        // at every end.
        LineSpans plain, vector;
        bytes.append(LineSpans::ReadablePast, '\r');
        for (const SimdPath path : {SimdPath::Sse2, SimdPath::Avx2, SimdPath::Avx512}) {
            if (path > simdPath()) continue;
            for (size_t from = 0, end = 1000 + next(1000); from < end; from += 1 + next(5)) {
                const bool atEnd = next(2);
                const size_t most = 1 + next(LineSpans::Most);
                const size_t plainEnd =
                    lineListerFor(SimdPath::Plain)(bytes.data(), from, end, atEnd, keep, most, mostKept, plain);
                ASSERT_EQ(lineListerFor(path)(bytes.data(), from, end, atEnd, keep, most, mostKept, vector), plainEnd);
                ASSERT_EQ(lineEndFinderFor(path)(bytes.data() + from, bytes.data() + end),
                          lineEndFinderFor(SimdPath::Plain)(bytes.data() + from, bytes.data() + end));
                ASSERT_EQ(vector.count, plain.count);
                for (size_t i = 0; i < plain.count; ++i) ASSERT_EQ(vector.line(i), plain.line(i)) << simdPathName(path);
            }
        }
    }
}

// Each path's line-end finder looks at the bytes it is given and no further, at every length
// around its blocks: an LF as their last byte is found, CRs past them are not.
TEST(LineReader, FindersStopAtTheBytesGiven)
{
    for (const SimdPath path : {SimdPath::Plain, SimdPath::Sse2, SimdPath::Avx2, SimdPath::Avx512}) {
        if (path > simdPath()) continue;
        for (size_t length = 1; length < 130; ++length) {
            std::string bytes = std::string(length, 'x') + 'x' + std::string(LineSpans::ReadablePast, '\r');
            const char *const end = bytes.data() + length;
            EXPECT_EQ(lineEndFinderFor(path)(bytes.data(), end), end) << simdPathName(path) << length;
            bytes[length - 1] = '\n';
            EXPECT_EQ(lineEndFinderFor(path)(bytes.data(), end), end - 1) << simdPathName(path) << length;
        }
    }
}

// Where a listing of lines stops: each row lists "|"-separated lines from the bytes read.
TEST(LineReader, ListingStopsBeforeALineItDoesNotTake)
{
    struct Row {
        std::string bytes;
        bool atEnd;
        size_t keep, most, mostKept;
        std::string listed; // the lines taken, each followed by "|"
        size_t end;         // where the lines taken end
    };
    const std::string line64(64, 'a'), line65(65, 'b');
    const std::vector<Row> rows{
        {"ab\r\ncd\ne\rf", false, 0, 256, 64, "ab|cd|e|", 9},
        {"ab\r", false, 0, 256, 64, "", 0},           // LF may follow in the next read
        {"ab\r", true, 0, 256, 64, "ab|", 3},         // the file ends there
        {"a\n\rb\r\n", true, 0, 256, 64, "a||b|", 6}, // LF CR: two line ends
        {line64 + "\nz\n", true, 0, 256, 64, line64 + "|z|", 67},
        {line65 + "\nz\n", true, 0, 256, 64, "", 0},       // longer than 64 bytes
        {"abcdefgh\nz\n", true, 3, 256, 64, "abc|z|", 11}, // kept bytes only
        {"abcdefgh\nz\n", true, 0, 256, 5, "", 0},         // more kept than asked for
        {"a\nb\nc\n", true, 0, 2, 64, "a|b|", 4},
        {std::string(63, 'c') + "\r\nd\r\n", true, 0, 256, 64, std::string(63, 'c') + "|d|", 68}, // CR LF across blocks
    };
    for (const Row &row : rows) {
        std::string bytes = row.bytes + std::string(LineSpans::ReadablePast, '\n');
        LineSpans lines;
        const size_t end = lineListerFor(SimdPath::Plain)(bytes.data(), 0, row.bytes.size(), row.atEnd, row.keep,
                                                          row.most, row.mostKept, lines);
        std::string listed;
        for (size_t i = 0; i < lines.count; ++i) listed += std::string(lines.line(i)) + "|";
        EXPECT_EQ(listed, row.listed) << testing::PrintToString(row.bytes);
        EXPECT_EQ(end, row.end) << testing::PrintToString(row.bytes);
    }
}

// A last line without a line end that starts with 0x1A is data when more of it was read past.
TEST(LineReader, AKeptEndOfFileMarkWithBytesReadPastIsData)
{
    TempDir dir;
    LineReader reader(dir.write("in.txt", "ab\r\n\x1Azz"));
    reader.keepAtMost(1);
    std::string_view line;
    ASSERT_TRUE(reader.next(line) && reader.next(line));
    EXPECT_EQ(line, "\x1A");
    EXPECT_FALSE(reader.next(line));
}

TEST(LineReader, ReadsARegularFileUpToItsSizeWhenOpened)
{
    TempDir dir;
    const std::string path = dir.write("in.txt", "abc\r\ndef\r\n");
    std::string_view line;
    {
        LineReader reader(path);
        std::ofstream(path, std::ios::binary | std::ios::app) << "half-writ";
        ASSERT_TRUE(reader.next(line) && reader.next(line));
        EXPECT_EQ(line, "def");
        EXPECT_FALSE(reader.next(line)); // what was appended meanwhile is not read
    }
    LineReader reader(path);
    ASSERT_EQ(::truncate(path.c_str(), 9), 0); // cut short before the reader got there
    try {
        while (reader.next(line)) {
        }
        FAIL() << "read a cut file to its end";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::FileShrank);
    }
}

TEST(LineReader, AnEmptyShellPipeIsAnEmptySource)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[1]);
    LineReader reader("/proc/self/fd/" + std::to_string(ends[0]));
    std::string_view line;
    EXPECT_FALSE(reader.next(line)); // its writer was there and wrote nothing: no EmptyPipe
    ::close(ends[0]);
}

TEST(LineReader, AWaitForDataStopsWhenAsked)
{
    TempDir dir;
    const std::string fifo = dir.file("in.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int silentWriter = ::open(fifo.c_str(), O_RDWR);
    ASSERT_GE(silentWriter, 0);
    std::atomic<bool> stop = false;
    LineReader reader(fifo);
    reader.keepReadingWhile([&] { return !stop.load(); });
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    std::string_view line;
    try {
        reader.next(line);
        ADD_FAILURE() << "read a silent pipe";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::ReadStopped);
    }
    stopper.join();
    ::close(silentWriter);
}

TEST(LineReader, AMissingFileCannotBeOpened)
{
    TempDir dir;
    try {
        LineReader reader(dir.file("missing.txt"));
        FAIL() << "opened";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::FileOpen);
        EXPECT_EQ(error.path(), dir.file("missing.txt"));
        EXPECT_FALSE(error.reason().empty());
    }
}

TEST(LineReader, AFolderCannotBeRead)
{
    TempDir dir;
    std::string_view line;
    try {
        LineReader reader(dir.file(""));
        reader.next(line);
        FAIL() << "read a folder";
    } catch (const CoreError &error) {
        EXPECT_TRUE(error.kind() == CoreError::Kind::FileRead || error.kind() == CoreError::Kind::FileOpen);
    }
}

} // namespace
