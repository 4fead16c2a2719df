// Text tables: TAB, CSV and Markdown, UTF-8 or CP932, headers found by their words, positions
// checked against each other, gaps, repetition and sections.

#include "LayoutTable.h"
#include "TableFields.h"

#include <gtest/gtest.h>

namespace {

LayoutTable read(std::string_view text, TableOptions options = {}) { return readLayoutTable(text, "", options); }

struct TableRowCase {
    const char *name;
    std::string text;
    TableOptions options;
    std::string fields;
    size_t skipped;
    WidthUnit unit;
};

TEST(LayoutTable, ReadsTheFieldsOfEachKindOfTable)
{
    const TableRowCase cases[] = {
        {"CSV in UTF-8 with a byte order mark: a title above the header, quoting, a blank row, totals",
         "\xEF\xBB\xBF"
         "口座レイアウト\r\n\r\nNo,項目名,開始位置,バイト数,属性\r\n1,\"銀行,支店\",1,7,X\r\n"
         "2,\"名前 \"\"カナ\"\"\",8,30,X\r\n,,,\r\n3,金額,38,10,9\r\n合計,,,47,\r\n",
         {},
         "銀行,支店@1+7; 名前 \"カナ\"@8+30; 金額@38+10",
         2,
         WidthUnit::Bytes},
        {"CSV in CP932, columns in another order",
         "\x83\x6F\x83\x43\x83\x67\x90\x94,\x8D\x80\x96\xDA\x96\xBC\r\n4,\x8C\xFB\x8D\xC0\r\n10,\x8B\xE0\x8A\x7A\r\n",
         {},
         "口座@1+4; 金額@5+10",
         0,
         WidthUnit::Bytes},
        {"pasted TAB rows without a header, columns chosen",
         "ID\t1\t5\nNAME\t6\t20\n",
         {"", false, {ColumnRole::Name, ColumnRole::Start, ColumnRole::Length}},
         "ID@1+5; NAME@6+20",
         0,
         WidthUnit::Bytes},
        {"Markdown, the closer header wins, a range in the position column, a gap",
         "# Layout\n\n| Field | Field Name | Position | Type |\n|---|:---:|---|---|\n| 1 | CODE | 1-3 | N |\n"
         "| 2 | DATE | 6 - 13 | D |\n",
         {},
         "CODE@1+3; *(空き 4-5)@4+2; DATE@6+8",
         0,
         WidthUnit::Bytes},
        {"repetition, end positions, a length headed 文字数",
         "項目名\t開始\t終了\t文字数\t繰返し\n電話\t1\t22\t11\t2\n備考\t23\t25\t\t\n",
         {},
         "電話(1)@1+11; 電話(2)@12+11; 備考@23+3",
         0,
         WidthUnit::Characters},
        {"widths counted in characters when asked",
         "name,length\nA,2\n",
         {"", true, {}},
         "A@1+2",
         0,
         WidthUnit::Characters},
        {"a field whose name only begins like a total is a field",
         "名称\t長さ\n合計金額\t9\nTotal\t9\n",
         {},
         "合計金額@1+9",
         1,
         WidthUnit::Bytes},
    };
    for (const TableRowCase &row : cases) {
        SCOPED_TRACE(row.name);
        const LayoutTable table = read(row.text, row.options);
        ASSERT_EQ(table.sections.size(), 1u);
        EXPECT_EQ(fieldsOf(table.sections[0]), row.fields);
        EXPECT_EQ(table.sections[0].skipped.size(), row.skipped);
        EXPECT_EQ(table.unit, row.unit);
    }
}

TEST(LayoutTable, RefusesContradictionsNamingRowFieldAndNumbers)
{
    const struct {
        std::string text;
        std::vector<std::string> said;
    } cases[] = {
        {"name,start,length\nA,1,5\nB,5,3\n", {"3 行目", "「B」", "開始位置が 5", "6 のはず"}},
        {"name,start,end,length\nA,1,5,4\n", {"2 行目", "「A」", "長さが 4", "5 のはず"}},
        {"name,length\nA,x\n", {"2 行目", "「A」", "「x」が数値ではありません"}},
        {"name,start,end\nA,5,3\n", {"2 行目", "「A」", "終了位置が 3"}},
        {"name,length\nA,0\n", {"「A」", "長さが 0", "1 のはず"}},
        {"name,start,end,length,repetition\nA,1,10,4,2\n", {"「A」", "長さが 4", "5 のはず"}},
        {"name,start\nA,1\n", {"「A」", "長さも終了位置もありません"}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.text);
        try {
            read(row.text);
            ADD_FAILURE() << "not refused";
        } catch (const LayoutTableError &error) {
            for (const std::string &words : row.said)
                EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
        }
    }
}

TEST(LayoutTable, EachHeaderRowStartsASectionTitledByTheRowAbove)
{
    const LayoutTable table = read("ヘッダーレコード\n項目名\tバイト数\n区分\t1\n日付\t8\n\n"
                                   "データレコード\n項目名\tバイト数\n区分\t1\n口座\t12\n");
    ASSERT_EQ(table.sections.size(), 2u);
    EXPECT_EQ(table.sections[0].title, "ヘッダーレコード");
    EXPECT_EQ(table.sections[1].title, "データレコード");
    EXPECT_EQ(fieldsOf(table.sections[1]), "区分@1+1; 口座@2+12");
    EXPECT_EQ(table.sections[1].recordLength, 13);
}

TEST(LayoutTable, ColumnListsNeedANameAndALengthOrEnd)
{
    EXPECT_EQ(parseColumnRoles("skip,name,end"),
              (std::vector<ColumnRole>{ColumnRole::Ignored, ColumnRole::Name, ColumnRole::End}));
    for (const char *list : {"name,colour,length", "name,start", "name,length,name", ""})
        EXPECT_THROW(parseColumnRoles(list), LayoutTableError) << list;
}

TEST(LayoutTable, WithoutAHeaderKeepsTheRowsToChooseColumnsBy)
{
    const LayoutTable table = read("A\t1\t5\nB\t6\t2\n");
    EXPECT_TRUE(table.sections.empty());
    ASSERT_EQ(table.unrecognised.size(), 2u);
    EXPECT_EQ(table.unrecognised[1], (std::vector<std::string>{"B", "6", "2"}));
}

} // namespace
