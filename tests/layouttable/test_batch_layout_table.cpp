// kenaris-batch --import-layout and --export-layout as a script meets them.

#include "BatchProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// Two sections, the second with a gap; read from standard input.
const std::string TwoSections = "ヘッダー\n項目名\tバイト数\n区分\t1\n日付\t8\n\n"
                                "明細\n項目名\t開始位置\tバイト数\n区分\t1\t1\n口座\t4\t7\n";

TEST(BatchLayoutTable, ImportsTheChosenSectionAndReportsIt)
{
    TempDir dir;
    const std::string definition = dir.file("detail.def");
    const BatchOutcome outcome = runBatch(dir, {"--section", "2", "--import-layout", "-", definition},
                                          BatchOptions{0, false, {}, dir.write("table.txt", TwoSections)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    // The gap (bytes 2-3) is a field of its own, left out of the output.
    EXPECT_EQ(TempDir::read(definition), "FIX\r\nBYTE\r\nOUT\r\n1\r\n3\r\nLEN\r\n1 \x8B\xE6\x95\xAA\r\n"
                                         "2 (\x8B\xF3\x82\xAB 2-3)\r\n7 \x8C\xFB\x8D\xC0\r\n");
    for (const char *said : {"3 項目", "レコード長 10 バイト", "空き 1", "* 2: 「明細」", "  1: 「ヘッダー」"})
        EXPECT_TRUE(contains(outcome.out, said)) << said << "\n" << outcome.out;
}

// A copybook of 4898 fields ends at byte 34286, past 16 bits: its layout reads such records by
// length from a file without line ends.
TEST(BatchLayoutTable, ACopybookPast16BitsConvertsItsRecords)
{
    TempDir dir;
    std::string copybook = "       01  LONG-REC.\n", first, second, secondLine;
    for (int field = 1; field <= 4898; ++field) { // 7 bytes each: the record ends at byte 34286
        const std::string digits = std::to_string(1000000 + field).substr(1);
        copybook += "           05  F" + digits + " PIC X(7).\n";
        first += "A" + digits;
        second += "B" + digits;
        secondLine += (field > 1 ? ",B" : "B") + digits;
    }
    const std::string definition = dir.file("long.def");
    BatchOutcome outcome = runBatch(dir, {"--import-layout", dir.write("long.cpy", copybook), definition});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_TRUE(contains(TempDir::read(definition), "\r\nRECORD 34286\r\n"));
    outcome = runBatch(dir, {definition, dir.write("long.dat", first + second), dir.file("out.csv")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    const std::string output = TempDir::read(dir.file("out.csv"));
    EXPECT_TRUE(output.substr(output.find('\n') + 1) == secondLine + "\r\n") << output.substr(0, 80); // record 2
}

TEST(BatchLayoutTable, ExportReadsBackToTheSameLayout)
{
    TempDir dir;
    // Output order 3, 1; field 2 not output; widths in characters.
    const std::string layout = "FIX\r\nOUT\r\n3\r\n1\r\nLEN\r\n3 a,b\r\n4 \x8B\xE0\x8A\x7A\r\n8 c\r\n";
    const std::string table = dir.file("table.csv");
    BatchOutcome outcome = runBatch(dir, {"--export-layout", dir.write("in.def", layout), table});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(table), "\xEF\xBB\xBF番号,項目名,開始位置,文字数,出力位置\r\n1,\"a,b\",1,3,2\r\n"
                                    "2,金額,4,4,\r\n3,c,8,8,1\r\n");
    outcome = runBatch(dir, {"--import-layout", table, dir.file("back.def")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(dir.file("back.def")), layout);
}

TEST(BatchLayoutTable, HeaderlessRowsInCharactersThenTheTableOnStandardOutput)
{
    TempDir dir;
    const std::string definition = dir.file("rows.def");
    // CP932 rows without a header: 口座, 4 and 金額, 10 (widths only).
    const std::string rows = "\x8C\xFB\x8D\xC0\t4\n\x8B\xE0\x8A\x7A\t10\n";
    BatchOutcome outcome = runBatch(dir, {"--chars", "--columns", "name,length", "--import-layout", "-", definition},
                                    BatchOptions{0, false, {}, dir.write("rows.txt", rows)});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(TempDir::read(definition),
              "FIX\r\nOUT\r\n1\r\n2\r\nLEN\r\n4 \x8C\xFB\x8D\xC0\r\n10 \x8B\xE0\x8A\x7A\r\n");
    EXPECT_TRUE(contains(outcome.out, "単位: 文字")) << outcome.out;
    outcome = runBatch(dir, {"--export-layout", definition, "-"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "\xEF\xBB\xBF番号,項目名,開始位置,文字数,出力位置\r\n1,口座,1,4,1\r\n2,金額,5,10,2\r\n");
}

TEST(BatchLayoutTable, AnUnreadableTableLeavesTheOldLayout)
{
    TempDir dir;
    const std::string definition = dir.write("old.def", "FIX\r\nLEN\r\n3 a\r\n");
    const struct {
        std::vector<std::string> arguments;
        std::string said;
    } cases[] = {
        {{"--import-layout", dir.write("bad.csv", "name,start,length\nA,1,5\nB,5,3\n"), definition}, "3 行目「B」"},
        {{"--import-layout", dir.write("plain.txt", "A\t5\n"), definition}, "--columns"},
        {{"--columns", "name,colour", "--import-layout", dir.file("plain.txt"), definition}, "「colour」"},
        {{"--section", "3", "--import-layout", dir.write("two.txt", TwoSections), definition},
         "セクション 3 はありません"},
        {{"--export-layout", dir.write("bad.def", "FIX\r\nLEN\r\nabc a\r\n"), dir.file("bad.csv")},
         "数値ではありません"},
    };
    for (const auto &row : cases) {
        const BatchOutcome outcome = runBatch(dir, row.arguments);
        EXPECT_EQ(outcome.exitCode, 2);
        EXPECT_TRUE(contains(outcome.err, row.said)) << outcome.err;
        EXPECT_EQ(TempDir::read(definition), "FIX\r\nLEN\r\n3 a\r\n");
    }
}

} // namespace
