// The output options as definition lines: TRIM, QUOTE, UTF8 and UTF8 BOM.

#include "CoreError.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"
#include "KeywordLines.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputOptionLines, OtherTextAfterTheKeywordRefusesTheLine)
{
    for (const char *line : {"TRIM x", "QUOTE 1", "UTF8 BO", "UTF8 BOM x", "UTF8  BOM"}) {
        LayoutSettings settings;
        try {
            readKeywordLine(line, settings);
            ADD_FAILURE() << "read: " << line;
        } catch (const CoreError &error) {
            EXPECT_EQ(error.lineFault(), CoreError::LineFault::ExtraText) << line;
            EXPECT_EQ(settings.Output, OutputOptions{}) << line;
        }
    }
}

struct RoundTripRow {
    OutputOptions options;
    std::string lines; // between SELECT and OUT
};

class OutputOptionFile : public testing::TestWithParam<RoundTripRow> {};

TEST_P(OutputOptionFile, WrittenAfterSelectOnlyWhenOnAndReadBackByteForByte)
{
    LayoutModel model;
    model.FieldTable = {{"2", "a"}, {}};
    model.FieldCount = 1;
    model.OutputLayout.emplace(std::vector<OutputItem>{{0}, {1}});
    model.Selection = RecordSelection{1, "x"};
    model.Output = GetParam().options;
    const std::string bytes = composeDefinition(model, 1);
    EXPECT_EQ(bytes, "FIX\r\nSELECT 1 x\r\n" + GetParam().lines + "OUT\r\n1\r\nLEN\r\n2 a\r\n");

    TempDir dir;
    const std::optional<Definition> definition = readDefinitionFile(dir.write("layout.def", bytes));
    ASSERT_TRUE(definition);
    LayoutModel loaded = LayoutModel::startup();
    applyDefinition(*definition, loaded);
    EXPECT_EQ(composeDefinition(loaded, 1), bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, OutputOptionFile,
                         testing::Values(RoundTripRow{{}, ""}, RoundTripRow{{.bom = true}, ""},
                                         RoundTripRow{{.trim = true, .utf8 = true}, "TRIM\r\nUTF8\r\n"},
                                         RoundTripRow{{.trim = true, .quote = true, .utf8 = true, .bom = true},
                                                      "TRIM\r\nQUOTE\r\nUTF8 BOM\r\n"}));

} // namespace
