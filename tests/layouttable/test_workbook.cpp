// Excel workbooks made here with libzip: stored values and formulas' stored results, shared
// strings without their phonetic guides, a title above the header, a blank row, a totals row, a
// sheet chosen by name.

#include "LayoutTable.h"
#include "TableFields.h"

#include <zip.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

std::string workbook(const std::map<std::string, std::string> &parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *memory = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(memory);
    zip_t *archive = zip_open_from_source(memory, ZIP_TRUNCATE, &error);
    for (const auto &[name, text] : parts) {
        zip_source_t *part = zip_source_buffer(archive, text.data(), text.size(), 0);
        zip_file_add(archive, name.c_str(), part, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive);
    zip_source_open(memory);
    zip_source_seek(memory, 0, SEEK_END);
    std::string bytes(size_t(zip_source_tell(memory)), '\0');
    zip_source_seek(memory, 0, SEEK_SET);
    zip_source_read(memory, bytes.data(), bytes.size());
    zip_source_close(memory);
    zip_source_free(memory);
    return bytes;
}

const std::string Layout = workbook({
    {"xl/workbook.xml",
     R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
     R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>)"
     R"(<sheet name="レイアウト" sheetId="1" r:id="rId1"/><sheet name="Other" sheetId="2" r:id="rId2"/></sheets></workbook>)"},
    {"xl/_rels/workbook.xml.rels",
     R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
     R"(<Relationship Id="rId2" Target="worksheets/sheet2.xml"/><Relationship Id="rId1" Target="/xl/worksheets/sheet1.xml"/>)"
     R"(</Relationships>)"},
    {"xl/sharedStrings.xml",
     R"(<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
     R"(<si><t>口座ファイル レイアウト</t></si><si><r><t>項目</t></r><r><t>名</t></r><rPh sb="0" eb="2"><t>コウモク</t></rPh></si>)"
     R"(<si><t>開始位置</t></si><si><t>バイト数</t></si><si><t>合計</t></si></sst>)"},
    {"xl/worksheets/sheet1.xml",
     R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)"
     R"(<row r="1"><c r="A1" t="s"><v>0</v></c></row>)"
     R"(<row r="3"><c r="B3" t="s"><v>1</v></c><c r="C3" t="s"><v>2</v></c><c r="D3" t="s"><v>3</v></c></row>)"
     R"(<row r="4"><c r="B4" t="inlineStr"><is><t>口座</t></is></c><c r="C4"><v>1</v></c><c r="D4"><v>7</v></c></row>)"
     R"(<row r="6"><c r="B6" t="str"><f>"金"&amp;"額"</f><v>金額</v></c><c r="C6"><f>C4+D4</f><v>8</v></c>)"
     R"(<c r="D6"><v>10.0</v></c></row>)"
     R"(<row r="7"><c r="B7" t="s"><v>4</v></c><c r="D7"><f>SUM(D4:D6)</f><v>17</v></c></row>)"
     R"(</sheetData></worksheet>)"},
    {"xl/worksheets/sheet2.xml",
     R"(<?xml version="1.0"?><worksheet><sheetData><row r="1"><c t="inlineStr"><is><t>name</t></is></c>)"
     R"(<c t="inlineStr"><is><t>length</t></is></c></row><row r="2"><c t="inlineStr"><is><t>X</t></is></c>)"
     R"(<c><v>3</v></c></row></sheetData></worksheet>)"},
});

TEST(Workbook, ReadsTheFirstSheetAsStored)
{
    const LayoutTable table = readLayoutTable(Layout, "layout.xlsx", {});
    EXPECT_EQ(table.sheets, (std::vector<std::string>{"レイアウト", "Other"}));
    ASSERT_EQ(table.sections.size(), 1u);
    EXPECT_EQ(table.sections[0].title, "口座ファイル レイアウト");
    EXPECT_EQ(fieldsOf(table.sections[0]), "口座@1+7; 金額@8+10");
    ASSERT_EQ(table.sections[0].skipped.size(), 2u); // the blank row 5 and the totals of row 7
    EXPECT_EQ(table.sections[0].skipped[0].line, 5);
    EXPECT_EQ(table.sections[0].skipped[1].line, 7);
}

TEST(Workbook, ASheetByNameOrAMessageListingThem)
{
    EXPECT_EQ(fieldsOf(readLayoutTable(Layout, "", {"Other", false, {}}).sections.at(0)), "X@1+3");
    try {
        readLayoutTable(Layout, "", {"Missing", false, {}});
        ADD_FAILURE() << "not refused";
    } catch (const LayoutTableError &error) {
        EXPECT_NE(std::string(error.what()).find("「レイアウト」、「Other」"), std::string::npos) << error.what();
    }
}

TEST(Workbook, ABrokenWorkbookIsRefusedWithTheReason)
{
    for (const std::string &bytes : {std::string("PK\x03\x04 not really a zip"),
                                     workbook({{"xl/workbook.xml", "<workbook><sheets><sheet name='S' r:id='r1'"}}),
                                     workbook({{"docProps/app.xml", "<Properties/>"}})}) {
        try {
            readLayoutTable(bytes, "broken.xlsx", {});
            ADD_FAILURE() << "not refused";
        } catch (const LayoutTableError &error) {
            EXPECT_NE(std::string(error.what()).find("Excel ブックとして読めません"), std::string::npos)
                << error.what();
        }
    }
}

} // namespace
