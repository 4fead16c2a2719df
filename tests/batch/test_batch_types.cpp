// kenaris-batch on a bank-shaped file with typed fields: the header line, numbers with implied
// decimals, dates, kana made full-width, and the records that drew warnings set apart (--reject)
// or ending the run (--strict).

#include "BankFile.h"
#include "BatchProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Type, bank code, bank name (half-width kana), date, amount; 120 bytes, no line ends.
std::string dataRecord(const std::string &code, const std::string &date, const std::string &amount,
                       const std::string &rest = "")
{
    return bank::padded("2" + code + bank::padded(bank::BankName, 15) + date + amount + rest, bank::RecordLength);
}

struct TypedBankFiles {
    TempDir dir;
    std::string badDate = dataRecord("0002", "20240230", "0000000005");
    std::string lineEndInside = dataRecord("0003", "00000000", "000000123}", "\r\n");
    std::string source, layout;
    TypedBankFiles()
    {
        source = dir.write("bank.dat", bank::headerRecord() + dataRecord("0001", "20240401", "0000012345") + badDate +
                                           lineEndInside + bank::trailerRecord(3));
        layout = dir.write("types.def", "FIX\r\nBYTE\r\nRECORD 120\r\nSELECT 1 2\r\nTRIM\r\nHEADER\r\nNUMBER 5 2\r\n"
                                        "DATE 4 YYYYMMDD\r\nKANA 3\r\nOUT\r\n2\r\n3\r\n4\r\n5\r\nLEN\r\n1 type\r\n"
                                        "4 bank\r\n15 \x8B\xE2\x8D\x73\x96\xBC\r\n8 date\r\n10 amount\r\n82 rest\r\n");
    }
};

// ｶﾅﾘｽｷﾞﾝｺｳ made full-width: カナリスギンコウ.
const std::string FullWidthBankName = "\x83\x4A\x83\x69\x83\x8A\x83\x58\x83\x4D\x83\x93\x83\x52\x83\x45";
const std::string Header = "bank,\x8B\xE2\x8D\x73\x96\xBC,date,amount\r\n"; // 銀行名 as it stands

TEST(TypedBankFile, ConvertsTypesAndRejectsTheRecordsThatDrewWarnings)
{
    TypedBankFiles files;
    const std::string out = files.dir.file("out.csv"), rejects = files.dir.file("rejects.dat");
    const BatchOutcome outcome = runBatch(files.dir, {"--reject", rejects, files.layout, files.source, out});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.out, " 3件\n対象外 2 件\n改行を含むレコード 1 件（最初は 4 件目）\n"
                           "日付として読めない値 1 件（最初は 3 件目）\n");
    EXPECT_EQ(TempDir::read(out), Header + "0001," + FullWidthBankName + ",2024-04-01,123.45\r\n" + "0002," +
                                      FullWidthBankName + ",20240230,0.05\r\n" + "0003," + FullWidthBankName +
                                      ",,-12.30\r\n");
    EXPECT_EQ(TempDir::read(rejects), files.badDate + files.lineEndInside);
}

TEST(TypedBankFile, StrictEndsTheRunAtTheFirstWarning)
{
    TypedBankFiles files;
    const std::string out = files.dir.file("out.csv");
    const BatchOutcome outcome = runBatch(files.dir, {"--strict", files.layout, files.source, out});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find("3 件目のレコードで変換を中止しました。"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("日付として読めない値"), std::string::npos) << outcome.err;
    EXPECT_EQ(TempDir::read(out), Header + "0001," + FullWidthBankName + ",2024-04-01,123.45\r\n");
}

// One pass may write lines and a workbook; the report gives each its lines.
TEST(TypedBankFile, LinesAndAWorkbookInOnePass)
{
    TypedBankFiles files;
    const std::string lines = files.dir.file("out.csv"), workbook = files.dir.file("out.xlsx");
    const BatchOutcome outcome = runBatch(files.dir, {files.layout, files.source, lines, files.layout, workbook});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.out.find(" 3件 " + workbook + "\nシート 1 枚\n"), std::string::npos) << outcome.out;
    EXPECT_EQ(TempDir::read(lines).substr(0, Header.size()), Header);
    EXPECT_EQ(TempDir::read(workbook).substr(0, 4), "PK\x03\x04"); // a workbook's zip container
}

} // namespace
