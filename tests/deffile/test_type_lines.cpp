// The keyword lines of field types and the header line: read, refused, written back byte for byte.

#include "errors/CoreError.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"
#include "KeywordLines.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

using Fault = CoreError::LineFault;

struct TypeLinesRow {
    const char *what;
    FieldTypes types;
    bool header;
    std::string lines; // between FIX and OUT, as written
};

class TypeLines : public testing::TestWithParam<TypeLinesRow> {};

TEST_P(TypeLines, WrittenByKindInFieldOrderAndReadBack)
{
    LayoutModel model;
    model.FieldTable = {{"8", "date"}, {"10", "amount"}, {"20", "name"}, {}};
    model.OutputLayout.emplace(std::vector<OutputItem>{{0}, {2}});
    model.Types = GetParam().types;
    model.Header = GetParam().header;
    const std::string bytes = composeDefinition(model, 1);
    EXPECT_EQ(bytes, "FIX\r\n" + GetParam().lines + "OUT\r\n2\r\nLEN\r\n8 date\r\n10 amount\r\n20 name\r\n");

    TempDir dir;
    const std::optional<Definition> definition = readDefinitionFile(dir.write("layout.def", bytes));
    ASSERT_TRUE(definition);
    EXPECT_EQ(definition->settings.Types, model.Types);
    EXPECT_EQ(definition->settings.Header, model.Header);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TypeLines,
    testing::Values(TypeLinesRow{"none", {}, false, ""}, TypeLinesRow{"header", {}, true, "HEADER\r\n"},
                    TypeLinesRow{"all_kinds",
                                 {{3, {FieldKind::Kana}},
                                  {2, {FieldKind::Number, 2}},
                                  {1, {FieldKind::Date, 0, DateFormat::EYYMMDD}},
                                  {4, {FieldKind::Number}}},
                                 true,
                                 "HEADER\r\nNUMBER 2 2\r\nNUMBER 4\r\nDATE 1 EYYMMDD\r\nKANA 3\r\n"}),
    [](const testing::TestParamInfo<TypeLinesRow> &row) { return std::string(row.param.what); });

struct RefusedRow {
    const char *line;
    Fault fault;
};

class RefusedTypeLine : public testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedTypeLine, ChangesNothing)
{
    LayoutSettings settings;
    try {
        readKeywordLine(GetParam().line, settings);
        FAIL() << "read: " << GetParam().line;
    } catch (const CoreError &error) {
        EXPECT_EQ(error.lineFault(), GetParam().fault);
        EXPECT_TRUE(settings.Types.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, RefusedTypeLine,
                         testing::Values(RefusedRow{"NUMBER", Fault::MissingNumber},
                                         RefusedRow{"NUMBER 0", Fault::FieldNumberRange},
                                         RefusedRow{"NUMBER 2 19", Fault::DecimalsRange},
                                         RefusedRow{"DATE 1", Fault::UnknownDateFormat},
                                         RefusedRow{"DATE 1 YYYY-MM-DD", Fault::UnknownDateFormat},
                                         RefusedRow{"HEADER x", Fault::ExtraText}));

} // namespace
