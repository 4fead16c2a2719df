#include "errors/CoreError.h"
#include "DefinitionReader.h"
#include "errors/ErrorText.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::optional<Definition> readBytes(const std::string &bytes)
{
    TempDir dir;
    return readDefinitionFile(dir.write("layout.def", bytes));
}

Definition readValid(const std::string &bytes)
{
    std::optional<Definition> definition = readBytes(bytes);
    EXPECT_TRUE(definition.has_value());
    return definition.value_or(Definition{});
}

std::vector<int16_t> sourceFields(const Definition &definition)
{
    std::vector<int16_t> fields;
    for (const DefinitionOutput &output : definition.outputs) fields.push_back(output.SourceField);
    return fields;
}

std::vector<bool> listed(const Definition &definition)
{
    std::vector<bool> flags;
    for (const DefinitionOutput &output : definition.outputs) flags.push_back(output.listed);
    return flags;
}

std::string lines(int count, const std::string &text)
{
    std::string bytes;
    for (int i = 0; i < count; ++i) bytes += text + "\r\n";
    return bytes;
}

TEST(DefinitionReader, FirstLineMustBeginWithFix)
{
    EXPECT_TRUE(readBytes("FIX\r\n"));
    EXPECT_TRUE(readBytes("FIXED LAYOUT\r\nLEN\r\n3 a\r\n"));
    EXPECT_TRUE(readBytes("FIX")); // no line end at all
    EXPECT_FALSE(readBytes("fix\r\nLEN\r\n3 a\r\n"));
    EXPECT_FALSE(readBytes(" FIX\r\n"));
    EXPECT_FALSE(readBytes("FI\r\nX\r\n"));
    EXPECT_FALSE(readBytes(""));
    EXPECT_FALSE(readBytes("\r\nFIX\r\n"));
}

struct UnusableLineRow {
    std::string bytes;
    bool refused; // else loaded, with the first unread output entry noted
    int line;
    CoreError::LineFault fault;
    std::string said;
};

class UnusableLine : public testing::TestWithParam<UnusableLineRow> {};

TEST_P(UnusableLine, IsNamedWithWhatIsWrong)
{
    const UnusableLineRow &row = GetParam();
    std::optional<CoreError> fault;
    try {
        const std::optional<Definition> definition = readBytes(row.bytes);
        ASSERT_TRUE(definition && !row.refused);
        fault = definition->unreadEntry;
    } catch (const CoreError &error) {
        EXPECT_TRUE(row.refused);
        fault = error;
    }
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->kind(), CoreError::Kind::MalformedLine);
    EXPECT_EQ(fault->line(), row.line);
    EXPECT_EQ(fault->lineFault(), row.fault);
    EXPECT_NE(describeError(*fault).find(row.said), std::string::npos) << describeError(*fault);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnusableLine,
    testing::Values(UnusableLineRow{"FIX\r\nOUT\r\n1\r\nabc\r\nTRIM\r\n", false, 4, CoreError::LineFault::NotAnEntry,
                                    "4 行目「abc」が正しくありません。OUT の後の行には"},
                    UnusableLineRow{"FIX\r\nOUT\r\n1\t\r\nLEN\r\n", false, 3, CoreError::LineFault::NotAnEntry,
                                    "3 行目「1\t」"},
                    UnusableLineRow{"FIX\r\n" + std::string(MaxDefinitionLineBytes + 1, 'x') + "\r\n", true, 2,
                                    CoreError::LineFault::TooLong, "2 行目が 131072 バイトを超えています"},
                    UnusableLineRow{std::string(MaxDefinitionLineBytes * 3, '\0'), true, 1,
                                    CoreError::LineFault::TooLong, "1 行目"},
                    UnusableLineRow{"\xEF\xBB\xBF"
                                    "FIX\r\nOUT\r\n1\r\n",
                                    true, 1, CoreError::LineFault::Utf8File,
                                    "UTF-8 (BOM 付き) で保存されています。定義ファイルは CP932"}));

TEST(DefinitionReader, MissingFileIsAnOpenFailure)
{
    TempDir dir;
    try {
        readDefinitionFile(dir.file("absent.def"));
        FAIL() << "no failure";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::FileOpen);
        EXPECT_FALSE(error.reason().empty());
    }
}

TEST(DefinitionReader, FieldEntriesSplitAtTheFirstBlank)
{
    const std::string customerName = "\x8C\xDA\x8B\x71 \x96\xBC"; // 顧客 名
    const Definition definition =
        readValid("FIX\r\nLEN\r\n12 " + customerName + "\r\n7\r\n abc\r\n\r\n3 \r\n 4  x \r\n");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"12", customerName}, {"7", "7"}, {"", "abc"}, {"", ""}, {"3", ""}, {"", "4  x "}};
    ASSERT_EQ(definition.fields.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(definition.fields[i].Width, expected[i].first) << "field " << i + 1;
        EXPECT_EQ(definition.fields[i].Name, expected[i].second) << "field " << i + 1;
    }
}

TEST(DefinitionReader, OutputEntriesAreReadLikeWidths)
{
    const Definition definition =
        readValid("FIX\r\nOUT\r\n3\r\n-1\r\n1\r\nabc\r\n99999\r\n\r\n 4 \r\n2.5\r\n100\r\n0\r\n-7\r\nLEN\r\n");
    EXPECT_EQ(sourceFields(definition), (std::vector<int16_t>{3, -1, 1, 0, 0, 0, 4, 2, 100, 0, -7}));
    EXPECT_EQ(listed(definition),
              (std::vector<bool>{true, false, true, false, false, false, true, true, true, true, false}));
}

TEST(DefinitionReader, EveryLineOfTheOutputSectionIsAnEntryUntilLen)
{
    // Only LEN ends the output entries; a second OUT is an entry that is not a number.
    const Definition definition = readValid("FIX\r\nOUT\r\n1\r\nOUT\r\n2\r\nLENGTH\r\nOUT\r\n");
    EXPECT_EQ(sourceFields(definition), (std::vector<int16_t>{1, 0, 2}));
    ASSERT_EQ(definition.fields.size(), 1u);
    EXPECT_EQ(definition.fields[0].Width, "OUT");
}

TEST(DefinitionReader, LinesBeforeTheSectionsAreSkipped)
{
    const Definition definition = readValid("FIX\r\nnote\r\nOU\r\nOUTPUT\r\n5\r\n");
    EXPECT_EQ(sourceFields(definition), (std::vector<int16_t>{5}));
    EXPECT_TRUE(definition.fields.empty());
}

TEST(DefinitionReader, SectionsMayBeMissingOrEmpty)
{
    const Definition onlyFix = readValid("FIX\r\n");
    EXPECT_TRUE(onlyFix.outputs.empty());
    EXPECT_TRUE(onlyFix.fields.empty());

    const Definition emptyOut = readValid("FIX\r\nOUT\r\nLEN\r\n3 a\r\n");
    EXPECT_TRUE(emptyOut.outputs.empty());
    EXPECT_EQ(emptyOut.fields.size(), 1u);

    const Definition emptyLen = readValid("FIX\r\nOUT\r\n2\r\nLEN\r\n");
    EXPECT_EQ(emptyLen.outputs.size(), 1u);
    EXPECT_TRUE(emptyLen.fields.empty());
}

TEST(DefinitionReader, LinesEndAtCrCrLfOrLf)
{
    for (const std::string end : {"\r\n", "\r", "\n"}) {
        const Definition definition =
            readValid("FIX" + end + "OUT" + end + "2" + end + "1" + end + "LEN" + end + "3 a" + end + "4 b" + end);
        EXPECT_EQ(sourceFields(definition), (std::vector<int16_t>{2, 1})) << int(end[0]);
        ASSERT_EQ(definition.fields.size(), 2u) << int(end[0]);
        EXPECT_EQ(definition.fields[1].Name, "b");
    }
    const Definition mixed = readValid("FIX\rOUT\n2\r\nLEN\n3 a\r4 b");
    EXPECT_EQ(sourceFields(mixed), (std::vector<int16_t>{2}));
    EXPECT_EQ(mixed.fields.size(), 2u);
}

TEST(DefinitionReader, RefusesMoreEntriesThanSixteenBitsCount)
{
    EXPECT_TRUE(readBytes("FIX\r\nOUT\r\n" + lines(MaxDefinitionEntries, "1")));
    EXPECT_THROW(readBytes("FIX\r\nOUT\r\n" + lines(MaxDefinitionEntries + 1, "1")), CoreError);
    const Definition most = readValid("FIX\r\nLEN\r\n" + lines(MaxDefinitionEntries, "1 a"));
    EXPECT_EQ(most.fields.size(), size_t(MaxDefinitionEntries));
    EXPECT_THROW(readBytes("FIX\r\nLEN\r\n" + lines(MaxDefinitionEntries + 1, "1 a")), CoreError);
}

TEST(DefinitionReader, ByteLineCountsOnlyBeforeTheSections)
{
    const struct {
        const char *bytes;
        WidthUnit unit;
    } rows[] = {
        {"FIX\r\nBYTE\r\nOUT\r\n1\r\nLEN\r\n2 a\r\n", WidthUnit::Bytes},
        {"FIX\r\nBYTE\r\nLEN\r\n2 a\r\n", WidthUnit::Bytes},
        {"FIX\r\nnote\r\nBYTE\r\n", WidthUnit::Bytes},
        {"FIX\r\nOUT\r\n1\r\nLEN\r\n2 a\r\n", WidthUnit::Characters},
        {"FIX\r\nOUT\r\nBYTE\r\nLEN\r\n", WidthUnit::Characters}, // an output entry
        {"FIX\r\nLEN\r\nBYTE\r\n", WidthUnit::Characters},        // a field entry
        {"FIX\r\nbyte\r\n", WidthUnit::Bytes},                    // any case
        {"FIX\r\nBYTES\r\n", WidthUnit::Characters},
        {"FIXBYTE\r\n", WidthUnit::Characters},
    };
    for (const auto &row : rows) EXPECT_EQ(readValid(row.bytes).settings.Unit, row.unit) << row.bytes;
}

LayoutModel modelWithLayout()
{
    LayoutModel model = LayoutModel::startup();
    model.OutputLayout.emplace(8, OutputItem{-1});
    (*model.OutputLayout)[0].SourceField = 5;
    (*model.OutputLayout)[1].SourceField = 2;
    model.OutputPath = "out.csv";
    model.DefinitionPath = "layout.def";
    model.Unit = WidthUnit::Bytes;
    return model;
}

TEST(ApplyDefinition, ReplacesTableCountLayoutAndUnit)
{
    LayoutModel model = modelWithLayout();
    applyDefinition(readValid("FIX\r\nOUT\r\n3\r\n-1\r\nx\r\n1\r\nLEN\r\n3 a\r\n4 b\r\n8 c\r\n"), model);
    ASSERT_EQ(model.FieldTable.size(), 4u);
    EXPECT_EQ(model.FieldTable[2].Width, "8");
    EXPECT_EQ(model.FieldTable[2].Name, "c");
    EXPECT_TRUE(model.FieldTable[3].Width.empty() && model.FieldTable[3].Name.empty()); // fresh spare slot
    EXPECT_EQ(model.FieldCount, 3);
    ASSERT_TRUE(model.OutputLayout);
    std::vector<int16_t> layout;
    for (const OutputItem &item : *model.OutputLayout) layout.push_back(item.SourceField);
    EXPECT_EQ(layout, (std::vector<int16_t>{5, 3, -1, 0, 1})); // index 0 unused, kept
    EXPECT_EQ(model.Unit, WidthUnit::Characters);
    EXPECT_EQ(model.OutputPath, "out.csv");
    EXPECT_EQ(model.DefinitionPath, "layout.def");
}

TEST(ApplyDefinition, NoEntriesKeepLayoutAndTableAndZeroTheCount)
{
    for (const char *bytes : {"FIX\r\n", "FIX\r\nOUT\r\n", "FIX\r\nOUT\r\nLEN\r\n"}) {
        LayoutModel model = modelWithLayout();
        applyDefinition(readValid(bytes), model);
        EXPECT_EQ(model.FieldTable.size(), 8u) << bytes;
        EXPECT_EQ(model.FieldTable[6].Width, "5") << bytes;
        EXPECT_EQ(model.FieldCount, 0) << bytes;
        ASSERT_TRUE(model.OutputLayout) << bytes;
        EXPECT_EQ(model.OutputLayout->size(), 8u) << bytes;
        EXPECT_EQ((*model.OutputLayout)[1].SourceField, 2) << bytes;
    }
}

TEST(ApplyDefinition, LayoutIsCreatedWhenThereWasNone)
{
    LayoutModel model = LayoutModel::startup();
    applyDefinition(readValid("FIX\r\nOUT\r\n2\r\n"), model);
    ASSERT_TRUE(model.OutputLayout);
    ASSERT_EQ(model.OutputLayout->size(), 2u);
    EXPECT_EQ((*model.OutputLayout)[1].SourceField, 2);
    EXPECT_EQ(model.FieldCount, 0);
}

} // namespace
