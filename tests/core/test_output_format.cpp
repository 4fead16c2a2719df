// Output options: blanks trimmed by CP932 characters, the common CSV quoting, UTF-8 in that order.

#include "compose/ComposePlan.h"
#include "cp932/Cp932Codec.h"
#include "compose/OutputFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TrimRow {
    const char *what;
    std::string column;
    std::string trimmed;
};

class TrimBlanks : public testing::TestWithParam<TrimRow> {};

TEST_P(TrimBlanks, AtBothEndsByCharacters) { EXPECT_EQ(trimBlanks(GetParam().column), GetParam().trimmed); }

INSTANTIATE_TEST_SUITE_P(Rows, TrimBlanks,
                         testing::Values(TrimRow{"half_width", "  12 3  ", "12 3"},
                                         TrimRow{"full_width", "\x81\x40\x81\x40\x94\x6E\x81\x40 ", "\x94\x6E"},
                                         TrimRow{"trail_0x81_then_at_sign", "\x81\x81\x40", "\x81\x81\x40"},
                                         TrimRow{"character_then_full_width_blank", "\x81\x81\x81\x40", "\x81\x81"},
                                         TrimRow{"two_pairs_then_at_sign", "\x88\x81\x81\x81\x40",
                                                 "\x88\x81\x81\x81\x40"},
                                         TrimRow{"pair_then_full_width_blank", "\x88\x81\x81\x40", "\x88\x81"},
                                         TrimRow{"kana_then_full_width_blank", "\xB1\x81\x40", "\xB1"},
                                         TrimRow{"lone_lead_before_blank", "\x81 ", "\x81"},
                                         TrimRow{"blanks_only", " \x81\x40 \x81\x40", ""}, TrimRow{"empty", "", ""},
                                         TrimRow{"cut_trail_byte_first", "\x40\x81\x40", "@"},
                                         TrimRow{"cut_lead_byte_last", " a \x81", "a \x81"}),
                         [](const testing::TestParamInfo<TrimRow> &row) { return std::string(row.param.what); });

struct ColumnRow {
    const char *what;
    OutputOptions options;
    std::string delimiter;
    std::string column;
    std::string written;
    size_t undecodable;
};

class WrittenColumn : public testing::TestWithParam<ColumnRow> {};

// Appends the column to `out` in the room writeColumn asks for; returns what it could not decode.
size_t appendColumn(std::string_view column, const OutputOptions &options, std::string_view delimiter, std::string &out)
{
    const size_t at = out.size();
    out.resize(at + columnRoom(column.size()));
    size_t undecodable = 0;
    out.resize(size_t(writeColumn(column, options, delimiter, out.data() + at, undecodable) - out.data()));
    return undecodable;
}

TEST_P(WrittenColumn, TrimThenQuoteThenEncode)
{
    const ColumnRow &row = GetParam();
    std::string out = "x,";
    EXPECT_EQ(appendColumn(row.column, row.options, row.delimiter, out), row.undecodable);
    EXPECT_EQ(out, "x," + row.written);
}

constexpr OutputOptions Quote{.quote = true};
constexpr OutputOptions Utf8{.utf8 = true};
constexpr OutputOptions All{.trim = true, .quote = true, .utf8 = true, .bom = true};

INSTANTIATE_TEST_SUITE_P(
    Rows, WrittenColumn,
    testing::Values(ColumnRow{"comma", Quote, ",", "(*1,5)11", "\"(*1,5)11\"", 0},
                    ColumnRow{"tab", Quote, "\t", "a\tb", "\"a\tb\"", 0},
                    ColumnRow{"comma_with_tab_delimiter", Quote, "\t", "a,b", "a,b", 0},
                    ColumnRow{"double_quote", Quote, ",", "say \"hi\"", "\"say \"\"hi\"\"\"", 0},
                    ColumnRow{"only_double_quotes", Quote, ",", "\"\"", "\"\"\"\"\"\"", 0},
                    ColumnRow{"carriage_return", Quote, ",", "a\rb", "\"a\rb\"", 0},
                    ColumnRow{"line_feed", Quote, ",", "a\nb", "\"a\nb\"", 0},
                    ColumnRow{"nothing_to_quote", Quote, ",", " a b ", " a b ", 0},
                    ColumnRow{"long_comma_near_the_end", Quote, ",", "abcdefghijklmnopq,s", "\"abcdefghijklmnopq,s\"",
                              0},
                    ColumnRow{"long_nothing_to_quote", Quote, ",", std::string(40, 'x'), std::string(40, 'x'), 0},
                    ColumnRow{"utf8", Utf8, ",", "\x87\x40\xFA\x40\xB6\xC5 ", "①ⅰｶﾅ ", 0},
                    ColumnRow{"utf8_invalid", Utf8, ",", "A\x80\x85\x40\x82", "A\uFFFD\uFFFD\uFFFD", 3},
                    ColumnRow{"all_in_order", All, ",", "\x81\x40\"\x8A\xBF\",\x85\x40 ", "\"\"\"漢\"\",\uFFFD\"", 1}),
    [](const testing::TestParamInfo<ColumnRow> &row) { return std::string(row.param.what); });

TEST(OutputFormat, ByteOrderMarkOnlyForUtf8ThatAsksForIt)
{
    EXPECT_EQ(fileStart(All), "\xEF\xBB\xBF");
    EXPECT_EQ(fileStart(Utf8), "");
    EXPECT_EQ(fileStart(OutputOptions{.bom = true}), "");
}

TEST(OutputFormat, ByteModeColumnsAreTrimmedAsTextsOfTheirOwn)
{
    LayoutModel model = LayoutModel::startup();
    model.Unit = WidthUnit::Bytes;
    model.FieldTable = {{"1", "a"}, {"3", "b"}, {}};
    model.FieldCount = 2;
    model.OutputLayout = {{0}, {1}, {2}};
    model.Output = {.trim = true, .utf8 = true};
    std::string out;
    size_t undecodable = 0;
    // The cut parts the pair 0x88 0x81: the first column is a lone lead byte, the second starts
    // with 0x81 0x40, a blank of its own.
    ASSERT_TRUE(ComposePlan(model).compose("\x88\x81\x40"
                                           "A",
                                           ",", out, undecodable));
    EXPECT_EQ(out, "\uFFFD,A");
    EXPECT_EQ(undecodable, 1u);
    // A delimiter that could end a character joined to the lead byte is kept apart from it.
    out.clear();
    ASSERT_TRUE(ComposePlan(model).compose("\x88\x81\x40"
                                           "A",
                                           "@", out, undecodable));
    EXPECT_EQ(out, "\uFFFD@A");
    EXPECT_EQ(undecodable, 2u);
}

TEST(OutputFormat, QuotesOnlyTheColumnsThatNeedThemOnLinesOfAnyLength)
{
    LayoutModel model = LayoutModel::startup();
    model.FieldTable = {{"2", "a"}, {"70", "b"}, {}};
    model.FieldCount = 2;
    model.OutputLayout = {{0}, {2}, {1}};
    model.Output = {.quote = true};
    const std::string longer(68, 'y');
    // A quote in the 65th byte: the first past a 64-byte stretch of the line.
    const std::string quoteAt64 = std::string(62, 'y') + "\"" + std::string(7, 'y');
    for (const auto &[line, written] :
         {std::pair<std::string, std::string>{"a\"bcd", "bcd,\"a\"\"\""},
          {"x," + longer + ",z", "\"" + longer + ",z\",\"x,\""},
          {"ab" + quoteAt64, "\"" + std::string(62, 'y') + "\"\"" + std::string(7, 'y') + "\",ab"}}) {
        std::string out;
        ASSERT_TRUE(ComposePlan(model).compose(line, ",", out));
        EXPECT_EQ(out, written) << line;
    }
}

// By characters the record is made UTF-8 before it is cut: the line must be the CP932 line,
// trimmed and quoted, then encoded, with only the characters written counted as undecodable.
TEST(OutputFormat, Utf8ByCharactersIsTheCp932LineEncoded)
{
    LayoutModel model = LayoutModel::startup();
    model.FieldTable = {{"2", "a"}, {"3", "b"}, {"1", "c"}, {"70", "d"}, {}};
    model.FieldCount = 4;
    model.OutputLayout = {{0}, {2}, {1}, {2}, {4}, {-1}};         // field 3 left out, field 2 twice
    const std::string kanji64 = std::string(30, '\x8A') + "\xBF"; // 漢 then 15 x 0x8A8A, across 64 bytes
    for (const std::string &line :
         {std::string("\x81\x40"
                      "A\x81\x40\x8A\xBF \x81\x40\x81\x40 x \x81\x40"),
          std::string("ab\x85\x40xy\x80") + "\x82 \"q\",\x81\x81\x40 " + kanji64 + kanji64 + "\xB1", // undecodable
          std::string("\x88\x9F\x81\x40") + "\x82",             // ends in a lone lead byte
          "a \"," + std::string(64, 'x') + "\x8A\xBF \x81\x40", // 64 ASCII bytes in a row
          std::string()}) {
        for (const OutputOptions options : {OutputOptions{.utf8 = true}, OutputOptions{.trim = true, .utf8 = true},
                                            OutputOptions{.quote = true, .utf8 = true}, All}) {
            model.Output = options;
            std::string out, cp932Line;
            size_t undecodable = 0;
            ASSERT_TRUE(ComposePlan(model).compose(line, ",", out, undecodable));
            OutputOptions unencoded = options;
            unencoded.utf8 = false;
            model.Output = unencoded;
            ASSERT_TRUE(ComposePlan(model).compose(line, ",", cp932Line));
            std::string expected;
            EXPECT_EQ(undecodable, cp932::appendUtf8(cp932Line, expected));
            EXPECT_EQ(out, expected) << testing::PrintToString(line) << " trim " << options.trim << " quote "
                                     << options.quote;
        }
    }
}

} // namespace
