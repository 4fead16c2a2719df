// What a record draws warnings for against its layout, and typed columns as the output options
// write them.

#include "compose/ComposePlan.h"
#include "compose/HeaderLine.h"
#include "compose/RecordChecks.h"

#include <gtest/gtest.h>

namespace {

// Fields of the given widths, all of them output in field order.
LayoutModel layoutOf(std::vector<std::string> widths, WidthUnit unit, int16_t recordLength = 0)
{
    LayoutModel model;
    model.OutputLayout.emplace(1);
    for (const std::string &width : widths) {
        model.FieldTable.push_back({width, "f" + width});
        model.OutputLayout->push_back({int16_t(model.FieldTable.size())});
    }
    model.FieldTable.push_back({});
    model.FieldCount = int16_t(widths.size());
    model.Unit = unit;
    model.RecordLength = recordLength;
    return model;
}

struct CheckRow {
    const char *what;
    LayoutModel layout;
    std::string record;
    Warnings warnings;
};

class Checks : public testing::TestWithParam<CheckRow> {};

TEST_P(Checks, FindWhatTheRecordDraws)
{
    const CheckRow &row = GetParam();
    const ComposePlan plan(row.layout);
    EXPECT_EQ(RecordChecks(row.layout, plan.boundaries()).check(row.record, row.record.size()), row.warnings);
}

constexpr WidthUnit Chars = WidthUnit::Characters, Bytes = WidthUnit::Bytes;
const Warnings LineEnd = warningBit(Warning::LineEndInside), UserDefined = warningBit(Warning::UserDefined);

// What the characters draw, the plain twin below proves on random records.
INSTANTIATE_TEST_SUITE_P(Rows, Checks,
                         testing::Values(CheckRow{"line_end_inside_by_length", layoutOf({"3"}, Bytes, 3), "A\r\n",
                                                  LineEnd},
                                         CheckRow{"by_length_no_total", layoutOf({"3"}, Bytes, 3), "AB", 0},
                                         // A negative width outside the output leaves no total,
                                         // but the columns' boundaries are still checked.
                                         CheckRow{"split_beside_a_negative_width",
                                                  [] {
                                                      LayoutModel layout = layoutOf({"2", "-1"}, Bytes);
                                                      layout.OutputLayout->pop_back();
                                                      return layout;
                                                  }(),
                                                  "y\xEC\xEC", warningBit(Warning::SplitCharacter)}),
                         [](const testing::TestParamInfo<CheckRow> &row) { return std::string(row.param.what); });

// The plain twin of the checks of a record's characters: character by character from the first
// byte, for fields of widths 3 and 4.
Warnings characterWarningsPlainly(std::string_view record, WidthUnit unit)
{
    const auto lead = [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    const auto trail = [](unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; };
    Warnings found = 0;
    size_t characters = 0;
    for (size_t i = 0; i < record.size(); ++i, ++characters) {
        const auto byte = static_cast<unsigned char>(record[i]);
        if (byte >= 0xF0 && byte <= 0xF9) found |= warningBit(Warning::UserDefined);
        if (!lead(byte) || i + 1 >= record.size() || !trail(static_cast<unsigned char>(record[i + 1]))) continue;
        if (unit == WidthUnit::Bytes && (i + 1 == 3 || i + 1 == 7)) found |= warningBit(Warning::SplitCharacter);
        ++i;
    }
    const size_t length = unit == WidthUnit::Bytes ? record.size() : characters;
    if (length != 7) found |= warningBit(Warning::LengthMismatch);
    return found;
}

TEST(CharacterChecks, FindWhatThePlainTwinFinds)
{
    // Leads, trails and others; the bytes F0..F9 rare, so that many long records hold none.
    const unsigned char alphabet[] = {'A', 0x81, 0x88, 0x9F, 0xE0, 0xFA, 0x40, 0x7F, 0xFC, 0xF0, 0xF5, 0xF9};
    const LayoutModel inCharacters = layoutOf({"3", "4"}, Chars), inBytes = layoutOf({"3", "4"}, Bytes);
    const RecordChecks characterChecks(inCharacters, ComposePlan(inCharacters).boundaries());
    const RecordChecks byteChecks(inBytes, ComposePlan(inBytes).boundaries());
    uint32_t state = 12345;
    for (int round = 0; round < 20000; ++round) {
        std::string record(size_t(round % 150), 'A');
        for (char &byte : record) {
            state = state * 1664525u + 1013904223u;
            const bool rare = (state >> 8) % 512 == 0;
            byte = char(alphabet[rare ? 9 + (state >> 20) % 3 : (state >> 20) % 9]);
        }
        if (round % 3 == 0) record.resize(size_t(round % 11)); // lengths near the layouts' own
        ASSERT_EQ(characterChecks.check(record, record.size()), characterWarningsPlainly(record, Chars))
            << testing::PrintToString(record);
        ASSERT_EQ(byteChecks.check(record, record.size()), characterWarningsPlainly(record, Bytes))
            << testing::PrintToString(record);
        ASSERT_EQ(holdsUserDefined(record), (characterWarningsPlainly(record, Chars) & UserDefined) != 0);
    }
}

TEST(TypedColumns, AreWrittenByTheirTypeThenTheOutputOptions)
{
    LayoutModel layout = layoutOf({"6", "4", "8"}, Chars);
    layout.Types = {{1, {FieldKind::Number, 2}}, {2, {FieldKind::Kana}}, {3, {FieldKind::Date}}};
    layout.Output = {.trim = true, .quote = true, .utf8 = true};
    layout.Header = true;
    layout.FieldTable[0].Name = " a,b";
    ComposePlan plan(layout);
    std::string out;
    ASSERT_TRUE(plan.compose("012345\xB6\xDE,\xB2"
                             "20240401",
                             ",", out));
    EXPECT_EQ(out, "123.45,\"ガ,イ\",2024-04-01");
    EXPECT_EQ(plan.valueWarnings(), 0u);
    out.clear();
    plan.compose("  12X \xB1   2024133 ", ",", out);
    EXPECT_EQ(out, "12X,ア,2024133"); // written as cut, trimmed
    EXPECT_EQ(plan.valueWarnings(), warningBit(Warning::BadNumber) | warningBit(Warning::BadDate));
    EXPECT_EQ(outputFileStart(layout, ","), "\" a,b\",f4,f8\r\n");
}

} // namespace
