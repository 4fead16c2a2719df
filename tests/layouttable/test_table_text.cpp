// The text under the tables: the encoding told by content, cells split by each format's rules,
// header words taken by the closest match, and a section turned into a layout.

#include "LayoutImport.h"
#include "TableHeader.h"
#include "TableText.h"

#include <gtest/gtest.h>

namespace {

using Cells = std::vector<std::string>;

TEST(TableText, EncodingIsToldByContent)
{
    const struct {
        std::string bytes, utf8;
    } cases[] = {
        {"\xEF\xBB\xBF\xE9\xA0\x85\xE7\x9B\xAE", "項目"}, // UTF-8 with a byte order mark
        {"\xE9\xA0\x85\xE7\x9B\xAE", "項目"},             // UTF-8 without one
        {"\x8D\x80\x96\xDA", "項目"},                     // CP932
        {"\xB1\xB2", "ｱｲ"},                               // CP932 half-width katakana, not UTF-8
    };
    for (const auto &row : cases) EXPECT_EQ(tableTextAsUtf8(row.bytes), row.utf8);
    EXPECT_EQ(utf8ToCp932("項目A😀"), "\x8D\x80\x96\xDA"
                                     "A?");
}

TEST(TableText, CellsAndLinesOfEachFormat)
{
    const struct {
        const char *name;
        std::string text;
        std::vector<int> lines;
        std::vector<Cells> rows;
    } cases[] = {
        {"CSV: quoted commas, quotes and line ends; the next row keeps its line",
         "a,\"b,\"\"c\"\"\",\"x\r\ny\"\r\nd, e \n",
         {1, 3},
         {{"a", "b,\"c\"", "x\r\ny"}, {"d", "e"}}},
        {"TAB: empty cells kept", "a\t\tc\n\tb\n", {1, 2}, {{"a", "", "c"}, {"", "b"}}},
        {"Markdown: the rule line dropped, an escaped pipe kept, text between tables a row",
         "| a | b\\|c |\n|:--|--:|\nnote\n| d | e |\n",
         {1, 3, 4},
         {{"a", "b|c"}, {"note"}, {"d", "e"}}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        const std::vector<TableRow> rows = splitTableText(row.text);
        ASSERT_EQ(rows.size(), row.rows.size());
        for (size_t index = 0; index < rows.size(); ++index) {
            EXPECT_EQ(rows[index].line, row.lines[index]);
            EXPECT_EQ(rows[index].cells, row.rows[index]);
        }
    }
}

TEST(TableHeader, TheClosestWordTakesEachRole)
{
    using R = ColumnRole;
    const struct {
        Cells header;
        std::vector<ColumnRole> roles;
    } cases[] = {
        {{"No.", "項目名", "開始位置", "終了位置", "バイト数", "属性"},
         {R::Ignored, R::Name, R::Start, R::End, R::Length, R::Attribute}},
        {{"Field", "Field Name", "From", "To", "Size (bytes)"}, {R::Ignored, R::Name, R::Start, R::End, R::Length}},
        {{"項目番号", "項目名称", "桁数", "繰返し回数"}, {R::Ignored, R::Name, R::Length, R::Repetition}},
        {{"ＮＯ", "名称", "位置", "長さ", "出力位置"}, {R::Ignored, R::Name, R::Start, R::Length, R::Output}},
        {{"項目\n名", "バイト\r\n数"}, {R::Name, R::Length}}, // cells wrapped in a sheet
    };
    for (const auto &row : cases) {
        const std::optional<TableHeader> header = recogniseHeader(row.header);
        ASSERT_TRUE(header) << row.header[1];
        EXPECT_EQ(header->roles, row.roles) << row.header[1];
    }
    EXPECT_FALSE(recogniseHeader({"項目名", "備考"})); // no position or length: a title, not a header
}

TEST(LayoutImport, OutputsFromTheTableOrEveryFieldButFillers)
{
    LayoutTable table;
    table.sections.push_back(
        {"",
         {{"A", 1, 2, "9(2)", false, {}, 2}, {"(空き 3-3)", 3, 1, "", true, {}, 3}, {"B", 4, 5, "X", false, {}, 3}},
         {},
         {},
         8});
    Definition definition = definitionOfSection(table, table.sections[0]);
    ASSERT_EQ(definition.outputs.size(), 2u);
    EXPECT_EQ(definition.outputs[1].SourceField, 3);
    EXPECT_EQ(definition.settings.Unit, WidthUnit::Bytes);
    EXPECT_EQ(definition.settings.Types, (FieldTypes{{1, {FieldKind::Number, 0}}})); // the picture 9(2)

    table.sections[0].fields[2].outputs = {1, 3}; // B first and third, nothing second
    definition = definitionOfSection(table, table.sections[0]);
    ASSERT_EQ(definition.outputs.size(), 3u);
    EXPECT_EQ(definition.outputs[0].SourceField, 3);
    EXPECT_EQ(definition.outputs[1].SourceField, -1);

    table.sections[0].fields[0].width = 32768; // more than a width holds
    EXPECT_THROW(definitionOfSection(table, table.sections[0]), LayoutTableError);
}

} // namespace
