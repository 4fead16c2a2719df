#include "errors/CoreError.h"
#include "layout/WidthText.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char *text;
    WidthParse result;
    int16_t value;
};

class WidthTexts : public testing::TestWithParam<Row> {};

TEST_P(WidthTexts, ConvertLikeANumber)
{
    const Row row = GetParam();
    int16_t value = -999;
    EXPECT_EQ(parseWidthText(row.text, value), row.result) << '"' << row.text << '"';
    if (row.result == WidthParse::Ok) {
        EXPECT_EQ(value, row.value) << '"' << row.text << '"';
    }
}

INSTANTIATE_TEST_SUITE_P(
    Core, WidthTexts,
    testing::Values(Row{"4", WidthParse::Ok, 4}, Row{"  4  ", WidthParse::Ok, 4}, Row{"+7", WidthParse::Ok, 7},
                    Row{"-3", WidthParse::Ok, -3}, Row{"0", WidthParse::Ok, 0}, Row{"007", WidthParse::Ok, 7},
                    // rounding: ties go to the even neighbour
                    Row{"2.5", WidthParse::Ok, 2}, Row{"3.5", WidthParse::Ok, 4}, Row{"-2.5", WidthParse::Ok, -2},
                    Row{"2.51", WidthParse::Ok, 3}, Row{"0.4", WidthParse::Ok, 0}, Row{".5", WidthParse::Ok, 0},
                    Row{"1.5", WidthParse::Ok, 2}, Row{"5.", WidthParse::Ok, 5},
                    // exponents
                    Row{"1e2", WidthParse::Ok, 100}, Row{"25E-1", WidthParse::Ok, 2}, Row{"1e-400", WidthParse::Ok, 0},
                    Row{"0e999999999999", WidthParse::Ok, 0},
                    // the 16-bit bounds
                    Row{"32767", WidthParse::Ok, 32767}, Row{"-32768", WidthParse::Ok, -32768},
                    Row{"32767.4", WidthParse::Ok, 32767}, Row{"-32768.5", WidthParse::Ok, -32768},
                    Row{"32767.5", WidthParse::Overflow, 0}, Row{"32768", WidthParse::Overflow, 0},
                    Row{"-32769", WidthParse::Overflow, 0}, Row{"1e5", WidthParse::Overflow, 0},
                    Row{"1e400", WidthParse::Overflow, 0}, Row{"99999999999999999999", WidthParse::Overflow, 0},
                    // not numbers
                    Row{"", WidthParse::NotANumber, 0}, Row{"   ", WidthParse::NotANumber, 0},
                    Row{"abc", WidthParse::NotANumber, 0}, Row{"3a", WidthParse::NotANumber, 0},
                    Row{"3 4", WidthParse::NotANumber, 0}, Row{"--3", WidthParse::NotANumber, 0},
                    Row{"+", WidthParse::NotANumber, 0}, Row{".", WidthParse::NotANumber, 0},
                    Row{"1e", WidthParse::NotANumber, 0}, Row{"0x10", WidthParse::NotANumber, 0},
                    Row{"\t3", WidthParse::NotANumber, 0}, Row{"inf", WidthParse::NotANumber, 0},
                    Row{"nan", WidthParse::NotANumber, 0}, Row{"\x82\x52", WidthParse::NotANumber, 0}));

TEST(FieldWidth, FailuresNameTheFieldAndItsText)
{
    LayoutModel model = LayoutModel::startup();
    model.FieldTable[2].Width = "x3";
    model.FieldTable[4].Width = "40000";
    EXPECT_EQ(fieldWidth(model, 1), 3);
    try {
        fieldWidth(model, 3);
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::WidthNotANumber);
        EXPECT_EQ(error.field(), 3);
        EXPECT_EQ(error.widthText(), "x3");
    }
    try {
        fieldWidth(model, 5);
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::WidthOverflow);
        EXPECT_EQ(error.field(), 5);
    }
}

TEST(StartupModel, SevenFieldsAndASpareSlot)
{
    const LayoutModel model = LayoutModel::startup();
    ASSERT_EQ(model.FieldTable.size(), 8u);
    EXPECT_EQ(model.fieldsInTable(), 7);
    EXPECT_EQ(model.FieldCount, 7);
    EXPECT_FALSE(model.OutputLayout.has_value());
    const char *widths[] = {"3", "3", "3", "4", "4", "8", "5"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(model.FieldTable[size_t(i)].Width, widths[i]);
        EXPECT_EQ(model.FieldTable[size_t(i)].Name, "\x83\x66\x81\x5B\x83\x5E" + std::to_string(i + 1));
    }
    EXPECT_TRUE(model.FieldTable[7].Width.empty() && model.FieldTable[7].Name.empty());
}

} // namespace
