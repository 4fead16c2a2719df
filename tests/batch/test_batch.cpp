// kenaris-batch as a script meets it: real files, exit codes, standard output and error.

#include "BatchProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <vector>

namespace {

bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// Field 3 then field 1 of widths 3, 4, 8.
const std::string ThreeFields = "FIX\r\nOUT\r\n3\r\n1\r\nLEN\r\n3 a\r\n4 b\r\n8 c\r\n";
const std::string ThreeRecords = "ABC1234XYZ56789\r\nabcdefghijklmno\nxy";

TEST(Batch, ConvertsAndReportsTheCount)
{
    TempDir dir;
    const std::string output = dir.write("out.csv", "old content that must go\r\n");
    const BatchOutcome outcome =
        runBatch(dir, {dir.write("layout.def", ThreeFields), dir.write("in.txt", ThreeRecords), output});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 3件\n長さがレイアウトと違うレコード 1 件（最初は 3 件目）\n"); // a short last line
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(TempDir::read(output), "XYZ56789,ABC\r\nhijklmno,abc\r\n,xy\r\n");
}

TEST(Batch, TabOptionSeparatesWithTab)
{
    TempDir dir;
    const BatchOutcome outcome = runBatch(
        dir, {"--tab", dir.write("layout.def", ThreeFields), dir.write("in.txt", ThreeRecords), dir.file("out.tsv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(dir.file("out.tsv")), "XYZ56789\tABC\r\nhijklmno\tabc\r\n\txy\r\n");
}

TEST(Batch, ByteDefinitionCutsAtBytes)
{
    TempDir dir;
    // Two double-byte characters then AB: in bytes, widths 2 and 2 give one character each.
    const std::string line = "\x82\xA0\x82\xA2"
                             "AB\r\n";
    const std::string source = dir.write("in.txt", line);
    const std::string byteDefinition = "FIX\r\nBYTE\r\nOUT\r\n2\r\n1\r\nLEN\r\n2 a\r\n2 b\r\n";
    BatchOutcome outcome = runBatch(dir, {dir.write("bytes.def", byteDefinition), source, dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "\x82\xA2,\x82\xA0\r\n");

    const std::string charDefinition = "FIX\r\nOUT\r\n2\r\n1\r\nLEN\r\n2 a\r\n2 b\r\n";
    outcome = runBatch(dir, {dir.write("chars.def", charDefinition), source, dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "AB,\x82\xA0\x82\xA2\r\n");
}

TEST(Batch, OutputOptionsFollowTheDefinitionFile)
{
    TempDir dir;
    const std::string definition = "FIX\r\nTRIM\r\nQUOTE\r\nUTF8 BOM\r\nOUT\r\n2\r\n1\r\nLEN\r\n3 a\r\n5 b\r\n";
    const std::string source = "1,2\x81\x40\x94\x6E \x81\x40\r\n \x80 \x85\x40\x81\x40 \r\n";
    const BatchOutcome outcome =
        runBatch(dir, {dir.write("layout.def", definition), dir.write("in.txt", source), dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              " 2件\n変換できない文字 2 個（最初は 2 件目）\n長さがレイアウトと違うレコード 2 件（最初は 1 件目）\n");
    EXPECT_EQ(TempDir::read(dir.file("out.csv")), "\xEF\xBB\xBF馬,\"1,2\"\r\n\uFFFD,\uFFFD\r\n");
}

TEST(Batch, EmptySourceReportsZero)
{
    TempDir dir;
    const std::string output = dir.write("out.csv", "old\r\n");
    const BatchOutcome outcome = runBatch(dir, {dir.write("layout.def", ThreeFields), dir.write("in.txt", ""), output});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 0件\n");
    EXPECT_TRUE(exists(output)); // the old output is replaced by an empty one
    EXPECT_EQ(TempDir::read(output), "");
}

TEST(Batch, ALayoutFaultIsRefusedBeforeAnyRecord)
{
    TempDir dir;
    // Field 2's width is a full-width digit in CP932; the message shows it decoded.
    const std::string definition = "FIX\r\nOUT\r\n2\r\nLEN\r\n3 a\r\n\x82\x52 b\r\n";
    const BatchOutcome outcome =
        runBatch(dir, {dir.write("layout.def", definition), dir.write("in.txt", ThreeRecords), dir.file("out.csv")});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(contains(outcome.err, "定義ファイル「" + dir.file("layout.def") + "」のレイアウトでは変換できません。"))
        << outcome.err;
    EXPECT_TRUE(contains(outcome.err, "フィールド 2 の文字長「３」は数値ではありません。")) << outcome.err;
}

TEST(Batch, WriteFailureKeepsTheWholeLinesBeforeIt)
{
    TempDir dir;
    std::string source, expected;
    for (int i = 0; i < 2000; ++i) {
        const std::string number = std::to_string(10000000 + i);
        source += "abc1234" + number + "\r\n";
        expected += number + ",abc\r\n";
    }
    const std::string output = dir.file("out.csv");
    const BatchOutcome outcome = runBatch(
        dir, {dir.write("layout.def", ThreeFields), dir.write("in.txt", source), output}, {.fileSizeLimit = 4000});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_TRUE(contains(outcome.err, "件目のレコードで変換を中止しました。")) << outcome.err;
    EXPECT_TRUE(contains(outcome.err, "に書き込めません。")) << outcome.err;
    const std::string written = TempDir::read(output);
    EXPECT_FALSE(written.empty());
    // The record named is one whose line did not reach the file, and one the source has.
    const int record = std::atoi(outcome.err.c_str());
    EXPECT_GT(record, int(written.size() / 14));
    EXPECT_LE(record, 2000);
    EXPECT_LE(written.size(), 4000u);
    EXPECT_EQ(written, expected.substr(0, written.size()));
    EXPECT_EQ(written.substr(written.size() - 2), "\r\n");
}

TEST(Batch, RefusalsChangeNothing)
{
    TempDir dir;
    const std::string source = dir.write("in.txt", ThreeRecords);
    const std::string output = dir.write("out.csv", "old\r\n");
    const struct {
        std::string definition;
        std::string message;
    } rows[] = {
        {"fix\r\nOUT\r\n1\r\nLEN\r\n3 a\r\n", "ケナリスの定義ファイルではありません。"},
        {"", "ケナリスの定義ファイルではありません。"},
        {"FIX\r\nOUT\r\n-1\r\nLEN\r\n3 a\r\n", "出力データが指定されていません。"},
        {"FIX\r\nLEN\r\n3 a\r\n", "出力データが指定されていません。"},
    };
    for (const auto &row : rows) {
        const BatchOutcome outcome = runBatch(dir, {dir.write("layout.def", row.definition), source, output});
        EXPECT_EQ(outcome.exitCode, 2) << row.definition;
        EXPECT_TRUE(contains(outcome.err, row.message)) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(TempDir::read(output), "old\r\n");
    }

    const BatchOutcome same = runBatch(dir, {dir.write("layout.def", ThreeFields), source, source});
    EXPECT_EQ(same.exitCode, 2);
    EXPECT_TRUE(contains(same.err, "変換元ファイルと同じです")) << same.err;
    EXPECT_EQ(TempDir::read(source), ThreeRecords);

    const BatchOutcome overDefinition = runBatch(dir, {dir.file("layout.def"), source, dir.file("layout.def")});
    EXPECT_EQ(overDefinition.exitCode, 2);
    EXPECT_TRUE(contains(overDefinition.err, "定義ファイルと同じです")) << overDefinition.err;
    EXPECT_EQ(TempDir::read(dir.file("layout.def")), ThreeFields);
}

TEST(Batch, StandardStreamsAndLinks)
{
    TempDir dir;
    const std::string definition = dir.write("layout.def", ThreeFields);
    // "-" reads standard input and writes standard output; the report goes to standard error.
    const BatchOutcome filter = runBatch(dir, {definition, "-", "-"}, {.input = dir.write("in.txt", ThreeRecords)});
    EXPECT_EQ(filter.exitCode, 0) << filter.err;
    EXPECT_EQ(filter.out, "XYZ56789,ABC\r\nhijklmno,abc\r\n,xy\r\n");
    EXPECT_EQ(filter.err, " 3件\n長さがレイアウトと違うレコード 1 件（最初は 3 件目）\n");

    // An output named through a link is written where the link points; the link stays.
    const std::string target = dir.write("target.csv", "old\r\n");
    std::filesystem::create_symlink(target, dir.file("link.csv"));
    const BatchOutcome linked = runBatch(dir, {definition, dir.file("in.txt"), dir.file("link.csv")});
    EXPECT_EQ(linked.exitCode, 0) << linked.err;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.csv")));
    EXPECT_EQ(TempDir::read(target), filter.out);
}

TEST(Batch, APipeSourceWaitsForItsWriter)
{
    TempDir dir;
    const std::string pipe = dir.file("in.fifo");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    bool whole = false;
    const auto writer = [&](pid_t) { // opening blocks until the batch opens (or has opened) the pipe
        const int fd = open(pipe.c_str(), O_WRONLY);
        whole = fd >= 0 && write(fd, ThreeRecords.data(), ThreeRecords.size()) == ssize_t(ThreeRecords.size());
        if (fd >= 0) close(fd);
    };
    const BatchOutcome outcome =
        runBatch(dir, {dir.write("layout.def", ThreeFields), pipe, dir.file("out.csv")}, {.whileRunning = writer});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 3件\n長さがレイアウトと違うレコード 1 件（最初は 3 件目）\n");
    EXPECT_TRUE(whole);
}

// An interrupt ends the run between records and names the last record read, also the ones a
// selection skipped: every other record is selected here.
TEST(Batch, AnInterruptNamesTheRecordsRead)
{
    TempDir dir;
    const std::string pipe = dir.file("in.fifo");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const auto writer = [&](pid_t child) {
        const auto previous = std::signal(SIGPIPE, SIG_IGN);
        const int fd = open(pipe.c_str(), O_WRONLY);
        const std::string records = "1AB\r\n2CD\r\n";
        for (int pairs = 0; fd >= 0 && pairs < 5'000'000; ++pairs) { // until the run stops reading
            if (pairs == 20'000) kill(child, SIGINT);
            if (write(fd, records.data(), records.size()) != ssize_t(records.size())) break;
        }
        if (fd >= 0) close(fd);
        std::signal(SIGPIPE, previous);
    };
    // A workbook beside the lines is dropped: it is written only when every record was converted.
    const std::string layout = dir.write("layout.def", "FIX\r\nSELECT 1 2\r\nOUT\r\n1\r\n2\r\nLEN\r\n1 t\r\n2 v\r\n");
    const BatchOutcome outcome =
        runBatch(dir, {layout, pipe, dir.file("out.csv"), layout, dir.file("out.xlsx")}, {.whileRunning = writer});
    EXPECT_EQ(outcome.exitCode, 128 + SIGINT) << outcome.err;
    // No workbook and no temporary file: the fifo, the definition, out.csv and the two streams.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("")), {}), 5);
    EXPECT_NE(outcome.err.find("出力していません"), std::string::npos) << outcome.err;
    const std::string lines = TempDir::read(dir.file("out.csv"));
    const long converted = std::count(lines.begin(), lines.end(), '\n');
    const size_t at = outcome.err.find("中断しました。");
    ASSERT_NE(at, std::string::npos) << outcome.err;
    const long read = std::stol(outcome.err.substr(at + std::string("中断しました。").size()));
    EXPECT_GT(converted, 0); // what was still in the pipe is not read: the run ends at once
    EXPECT_TRUE(read == 2 * converted || read == 2 * converted + 1) << read << " read, " << converted << " converted";
}

TEST(Batch, UnreadableFilesFailBeforeTheOutputIsTouched)
{
    TempDir dir;
    const std::string output = dir.write("out.csv", "old\r\n");
    const std::string definition = dir.write("layout.def", ThreeFields);

    BatchOutcome outcome = runBatch(dir, {dir.file("absent.def"), dir.write("in.txt", ThreeRecords), output});
    EXPECT_EQ(outcome.exitCode, 2); // nothing was done
    EXPECT_TRUE(contains(outcome.err, "ケナリスの定義ファイルではありません。")) << outcome.err;
    EXPECT_TRUE(contains(outcome.err, dir.file("absent.def"))) << outcome.err;

    outcome = runBatch(dir, {definition, dir.file("absent.txt"), output});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(contains(outcome.err, "変換元ファイルを読み込めません。")) << outcome.err;
    EXPECT_TRUE(contains(outcome.err, dir.file("absent.txt"))) << outcome.err;

    outcome = runBatch(dir, {definition, dir.file(""), output}); // a folder as the source
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(contains(outcome.err, "変換元ファイルを読み込めません。")) << outcome.err;
    EXPECT_EQ(TempDir::read(output), "old\r\n");
}

TEST(Batch, WrongArgumentsShowUsage)
{
    TempDir dir;
    const std::vector<std::vector<std::string>> calls = {{},
                                                         {"a.def", "in.txt"},
                                                         {"a.def", "in.txt", "out.csv", "more"},
                                                         {"--comma", "a.def", "in.txt", "out.csv"},
                                                         {"a.def", "", "out.csv"},
                                                         {"--part", "0/2", "a.def", "in.txt", "out.csv"},
                                                         {"--part", "3/2", "a.def", "in.txt", "out.csv"},
                                                         {"--part", "1/1001", "a.def", "in.txt", "out.csv"},
                                                         {"a.def", "in.txt", "out.csv", "--part"},
                                                         {"--part", "1/2", "a.def", "-", "out.csv"},
                                                         {"--part", "1/2", "a.def", "in.txt", "out.xlsx"}};
    for (const auto &arguments : calls) {
        const BatchOutcome outcome = runBatch(dir, arguments);
        EXPECT_EQ(outcome.exitCode, 2) << arguments.size();
        EXPECT_TRUE(contains(outcome.err,
                             "使い方: kenaris-batch [--tab] [--reject 除外ファイル] [--strict] [--part 番号/パート数]"))
            << outcome.err;
        EXPECT_EQ(outcome.out, "");
        if (std::find(arguments.begin(), arguments.end(), "--part") != arguments.end()) {
            EXPECT_FALSE(contains(outcome.err, "不明なオプション")) << outcome.err;
        }
    }
    const BatchOutcome help = runBatch(dir, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(contains(help.out, "使い方:"));
}

} // namespace
