// The sheet name a source gives a workbook.

#include "write/WorkbookWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

TEST(WorkbookNames, SheetNameOfTheSource)
{
    const std::vector<std::pair<std::string, std::string>> rows{
        {"/data/月次.dat", "月次"},
        {"/data/\x8C\x8E\x8E\x9F.dat", "月次"}, // a name in CP932
        {"/data/a.b.c", "a.b"},                 // only the last extension goes
        {"/data/.profile", ".profile"},         // a leading dot starts no extension
        {"noext", "noext"},
        {"/data/'q'.txt", "_q_"}, // a sheet name may neither begin nor end with an apostrophe
        {"-", "Sheet1"},          // standard input
    };
    for (const auto &[source, sheet] : rows) EXPECT_EQ(sheetNameOf(source), sheet) << source;
}
