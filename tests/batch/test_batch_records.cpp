// kenaris-batch on a bank-shaped file: records without line ends, record selection, several
// layouts in one pass, the end-of-file mark, and the refusals that come before anything is
// deleted.

#include "BankFile.h"
#include "BatchProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

struct BankFiles {
    TempDir dir;
    std::string source, data, trailer, all;
    explicit BankFiles(bool lineEnds)
    {
        source = dir.write("bank.dat", bank::file(2, 3, lineEnds, true));
        data = dir.write("data.def", bank::definition("RECORD 120\r\nSELECT 1 2\r\n", "9\r\n10\r\n"));
        trailer = dir.write("trailer.def", bank::definition("RECORD 120 \r\nSELECT 1 8\r\n", "1\r\n"));
        all = dir.write("all.def", bank::definition("RECORD 120\r\n", "1\r\n"));
    }
};

class BankFile : public testing::TestWithParam<bool> {};

TEST_P(BankFile, SeveralLayoutsInOnePass)
{
    BankFiles files(GetParam());
    const std::string dataOut = files.dir.write("data.csv", "old\r\n");
    const BatchOutcome outcome =
        runBatch(files.dir, {files.data, files.source, dataOut, files.trailer, files.dir.file("trailer.csv"), files.all,
                             files.dir.file("all.csv")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 6件 " + dataOut + "\n 2件 " + files.dir.file("trailer.csv") + "\n 12件 " +
                               files.dir.file("all.csv") + "\n");
    std::string expected;
    for (int group = 0; group < 2; ++group)
        for (int index = 0; index < 3; ++index)
            expected += bank::padded(bank::Recipient, 30) + "," + bank::number(1000LL * (index + 1), 10) + "\r\n";
    EXPECT_EQ(TempDir::read(dataOut), expected);
    EXPECT_EQ(TempDir::read(files.dir.file("trailer.csv")), "8\r\n8\r\n");
    EXPECT_EQ(TempDir::read(files.dir.file("all.csv")), "1\r\n2\r\n2\r\n2\r\n8\r\n9\r\n1\r\n2\r\n2\r\n2\r\n8\r\n9\r\n");
}

TEST_P(BankFile, OneLayoutReportsTheRecordsNotSelected)
{
    BankFiles files(GetParam());
    const BatchOutcome outcome = runBatch(files.dir, {files.data, files.source, files.dir.file("data.csv")});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 6件\n対象外 6 件\n");
}

INSTANTIATE_TEST_SUITE_P(LineEnds, BankFile, testing::Values(false, true));

// Each row names the outputs of a run that must be refused before any old output is deleted.
struct RefusalRow {
    const char *name;
    std::vector<std::string> arguments; // placeholders: SRC, DATA, ALL, LINES (a layout of lines), OLD, OTHER
    std::string message;
};

class Refused : public testing::TestWithParam<RefusalRow> {};

TEST_P(Refused, BeforeAnythingIsDeleted)
{
    BankFiles files(false);
    const std::string lines = files.dir.write("lines.def", bank::definition("", "1\r\n"));
    const std::string old = files.dir.write("old.csv", "old\r\n"), other = files.dir.write("other.csv", "other\r\n");
    std::filesystem::create_symlink(old, files.dir.file("link.csv"));
    std::vector<std::string> arguments;
    for (const std::string &argument : GetParam().arguments) {
        if (argument == "SRC") arguments.push_back(files.source);
        else if (argument == "DATA") arguments.push_back(files.data);
        else if (argument == "ALL") arguments.push_back(files.all);
        else if (argument == "LINES") arguments.push_back(lines);
        else if (argument == "OLD") arguments.push_back(old);
        else if (argument == "OTHER") arguments.push_back(other);
        else arguments.push_back(files.dir.file(argument));
    }
    const BatchOutcome outcome = runBatch(files.dir, arguments);
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find(GetParam().message), std::string::npos) << GetParam().name << ": " << outcome.err;
    EXPECT_EQ(TempDir::read(old), "old\r\n");
    EXPECT_EQ(TempDir::read(other), "other\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Refused,
    testing::Values(
        RefusalRow{
            "record lengths differ", {"DATA", "SRC", "OLD", "LINES", "OTHER"}, "1 行 1 レコード) はレコード長が違う"},
        RefusalRow{
            "one output twice through a link", {"DATA", "SRC", "OLD", "ALL", "link.csv"}, "ほかの出力ファイルと同じ"},
        RefusalRow{"a new output twice",
                   {"DATA", "SRC", "OLD", "ALL", "new.csv", "DATA", "./new.csv"},
                   "ほかの出力ファイルと同じ"},
        RefusalRow{
            "an output is another layout's definition", {"DATA", "SRC", "OLD", "ALL", "all.def"}, "定義ファイルと同じ"},
        RefusalRow{"an output is the source", {"DATA", "SRC", "OTHER", "ALL", "bank.dat"}, "変換元ファイルと同じ"}));

} // namespace
