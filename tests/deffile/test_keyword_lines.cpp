#include "errors/CoreError.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"
#include "errors/ErrorText.h"
#include "KeywordLines.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

using Fault = CoreError::LineFault;

struct ReadRow {
    const char *line;
    WidthUnit unit;
    int32_t recordLength;
    std::optional<RecordSelection> selection;
    OutputOptions output = {};
};

class KeywordLineReads : public testing::TestWithParam<ReadRow> {};

TEST_P(KeywordLineReads, IntoTheSettings)
{
    const ReadRow &row = GetParam();
    LayoutSettings settings;
    EXPECT_TRUE(readKeywordLine(row.line, settings));
    EXPECT_EQ(settings.Unit, row.unit);
    EXPECT_EQ(settings.RecordLength, row.recordLength);
    EXPECT_EQ(settings.Selection, row.selection);
    EXPECT_EQ(settings.Output, row.output);
}

const std::string TypeWithBlanks = "\xB6\xC5 2 "; // half-width ｶﾅ, blanks kept

INSTANTIATE_TEST_SUITE_P(
    Rows, KeywordLineReads,
    testing::Values(ReadRow{"BYTE", WidthUnit::Bytes, 0, {}}, ReadRow{"BYTE  ", WidthUnit::Bytes, 0, {}},
                    ReadRow{"RECORD 120", WidthUnit::Characters, 120, {}},
                    ReadRow{"RECORD 120 ", WidthUnit::Characters, 120, {}},
                    ReadRow{"RECORD 34286", WidthUnit::Characters, 34286, {}},
                    ReadRow{"SELECT 1 2", WidthUnit::Characters, 0, RecordSelection{1, "2"}},
                    ReadRow{"SELECT 3 ", WidthUnit::Characters, 0, RecordSelection{3, ""}},
                    ReadRow{"SELECT 12 \xB6\xC5 2 ", WidthUnit::Characters, 0, RecordSelection{12, TypeWithBlanks}},
                    // Any case, blanks and TABs between and before the words.
                    ReadRow{"record 6", WidthUnit::Characters, 6, {}},
                    ReadRow{"Record 6", WidthUnit::Characters, 6, {}},
                    ReadRow{" RECORD 6", WidthUnit::Characters, 6, {}},
                    ReadRow{"RECORD\t6\t", WidthUnit::Characters, 6, {}}, ReadRow{"\tbyte ", WidthUnit::Bytes, 0, {}},
                    ReadRow{"select 1 ghi", WidthUnit::Characters, 0, RecordSelection{1, "ghi"}},
                    ReadRow{"SELECT\t2\t x", WidthUnit::Characters, 0, RecordSelection{2, " x"}},
                    ReadRow{"UTF8\t", WidthUnit::Characters, 0, {}, {.utf8 = true}},
                    ReadRow{"utf8  bom", WidthUnit::Characters, 0, {}, {.utf8 = true, .bom = true}}));

TEST(KeywordLines, OtherLinesAreNoKeywordLines)
{
    for (const char *line : {"", "BYTES", "RECORDS 1", "SELECTED", "note", "\tnote BYTE"}) {
        LayoutSettings settings;
        EXPECT_FALSE(readKeywordLine(line, settings)) << line;
    }
}

struct MalformedRow {
    std::string file;
    int line;
    std::string lineText;
    Fault fault;
};

class MalformedKeywordLine : public testing::TestWithParam<MalformedRow> {};

// The whole file is refused, naming the line, its text and why.
TEST_P(MalformedKeywordLine, RefusesTheFile)
{
    const MalformedRow &row = GetParam();
    TempDir dir;
    const std::string path = dir.write("layout.def", row.file);
    try {
        readDefinitionFile(path);
        FAIL() << "read without a failure: " << row.file;
    } catch (const CoreError &error) {
        ASSERT_EQ(error.kind(), CoreError::Kind::MalformedLine);
        EXPECT_EQ(error.line(), row.line);
        EXPECT_EQ(error.lineText(), row.lineText);
        EXPECT_EQ(error.lineFault(), row.fault);
        const std::string text = describeError(error);
        EXPECT_NE(text.find(std::to_string(row.line) + " 行目「" + row.lineText + "」"), std::string::npos) << text;
        EXPECT_NE(text.find(path), std::string::npos) << text;
        if (row.fault == Fault::RecordLengthRange) {
            EXPECT_NE(text.find("1～262144"), std::string::npos) << text;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MalformedKeywordLine,
    testing::Values(MalformedRow{"FIX\r\nRECORD x\r\n", 2, "RECORD x", Fault::MissingNumber},
                    MalformedRow{"FIX\r\nnote\r\n select\t0 a\r\n", 3, " select\t0 a", Fault::FieldNumberRange},
                    MalformedRow{"FIX\r\nRECORD\r\n", 2, "RECORD", Fault::MissingNumber},
                    MalformedRow{"FIX\r\nBYTE\r\nRECORD 0\r\nOUT\r\n1\r\n", 3, "RECORD 0", Fault::RecordLengthRange},
                    MalformedRow{"FIX\r\nRECORD 262145\r\n", 2, "RECORD 262145", Fault::RecordLengthRange},
                    MalformedRow{"FIX\r\nRECORD -5\r\n", 2, "RECORD -5", Fault::RecordLengthRange},
                    MalformedRow{"FIX\r\nRECORD 12 x\r\n", 2, "RECORD 12 x", Fault::ExtraText},
                    MalformedRow{"FIX\r\nBYTE x\r\n", 2, "BYTE x", Fault::ExtraText},
                    MalformedRow{"FIX\r\nnote\r\nSELECT\r\n", 3, "SELECT", Fault::MissingNumber},
                    MalformedRow{"FIX\r\nSELECT x 2\r\n", 2, "SELECT x 2", Fault::MissingNumber},
                    MalformedRow{"FIX\r\nSELECT 1\r\n", 2, "SELECT 1", Fault::MissingText},
                    MalformedRow{"FIX\r\nSELECT 0 2\r\n", 2, "SELECT 0 2", Fault::FieldNumberRange}));

TEST(KeywordLines, OtherTextAfterAnOptionRefusesTheLine)
{
    for (const char *line : {"TRIM x", "QUOTE 1", "UTF8 BO", "UTF8 BOM x", "utf8 bom x"}) {
        LayoutSettings settings;
        try {
            readKeywordLine(line, settings);
            ADD_FAILURE() << "read: " << line;
        } catch (const CoreError &error) {
            EXPECT_EQ(error.lineFault(), Fault::ExtraText) << line;
            EXPECT_EQ(settings.Output, OutputOptions{}) << line;
        }
    }
}

struct RoundTripRow {
    WidthUnit unit;
    int16_t recordLength;
    int16_t selectedField; // 0: no selection
    std::string selectedText;
    OutputOptions output;
    std::string lines; // between FIX and OUT
};

class KeywordLinesInAFile : public testing::TestWithParam<RoundTripRow> {};

TEST_P(KeywordLinesInAFile, WrittenInOrderOnlyWhenInUseAndReadBackByteForByte)
{
    const RoundTripRow &row = GetParam();
    LayoutModel model;
    model.FieldTable = {{"1", "type"}, {"119", "rest"}, {}};
    model.FieldCount = 2;
    model.OutputLayout.emplace(std::vector<OutputItem>{{0}, {2}});
    model.Unit = row.unit;
    model.RecordLength = row.recordLength;
    if (row.selectedField > 0) model.Selection = RecordSelection{row.selectedField, row.selectedText};
    model.Output = row.output;
    const std::string bytes = composeDefinition(model, 1);
    EXPECT_EQ(bytes, "FIX\r\n" + row.lines + "OUT\r\n2\r\nLEN\r\n1 type\r\n119 rest\r\n");

    TempDir dir;
    const std::optional<Definition> definition = readDefinitionFile(dir.write("layout.def", bytes));
    ASSERT_TRUE(definition);
    LayoutModel loaded = LayoutModel::startup();
    applyDefinition(*definition, loaded);
    EXPECT_EQ(loaded.RecordLength, model.RecordLength);
    EXPECT_EQ(loaded.Selection, model.Selection);
    EXPECT_EQ(composeDefinition(loaded, 1), bytes);
}

constexpr WidthUnit Chars = WidthUnit::Characters;

INSTANTIATE_TEST_SUITE_P(
    Rows, KeywordLinesInAFile,
    testing::Values(
        RoundTripRow{
            WidthUnit::Bytes, 120, 1, TypeWithBlanks, {}, "BYTE\r\nRECORD 120\r\nSELECT 1 " + TypeWithBlanks + "\r\n"},
        RoundTripRow{Chars, 0, 0, "", {}, ""},
        RoundTripRow{Chars, 0, 0, "", {.bom = true}, ""}, // a mark without UTF-8 is not written
        RoundTripRow{Chars, 0, 0, "", {.trim = true, .utf8 = true}, "TRIM\r\nUTF8\r\n"},
        RoundTripRow{Chars,
                     0,
                     1,
                     "x",
                     {.trim = true, .quote = true, .utf8 = true, .bom = true},
                     "SELECT 1 x\r\nTRIM\r\nQUOTE\r\nUTF8 BOM\r\n"}));

} // namespace
