#include "errors/CoreError.h"
#include "layout/Slicing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// CP932 bytes used below.
const std::string Kan = "\x8A\xBF";  // 漢
const std::string Hyo = "\x95\x5C";  // 表: its trail byte is a backslash
const std::string HalfA = "\xB1";    // ｱ (half-width katakana, one byte)
const std::string LoneLead = "\x82"; // a lead byte with nothing valid after it

std::vector<std::string> split(const std::string &line, const LayoutModel &model)
{
    std::vector<std::string> pieces;
    splitSample(line, model, [&](std::string_view piece) { pieces.emplace_back(piece); });
    return pieces;
}

LayoutModel withWidths(std::vector<std::string> widths, WidthUnit unit = WidthUnit::Characters)
{
    LayoutModel model;
    for (auto &width : widths) model.FieldTable.push_back({width, "n"});
    model.FieldTable.push_back({});
    model.FieldCount = int16_t(widths.size());
    model.Unit = unit;
    return model;
}

TEST(CutPiece, CountsCharactersOfCodePage932)
{
    const std::string line = "A" + Kan + HalfA + Hyo + "Z";
    EXPECT_EQ(cutPiece(line, 1, 1, WidthUnit::Characters), "A");
    EXPECT_EQ(cutPiece(line, 2, 1, WidthUnit::Characters), Kan);
    EXPECT_EQ(cutPiece(line, 3, 2, WidthUnit::Characters), HalfA + Hyo);
    EXPECT_EQ(cutPiece(line, 5, 9, WidthUnit::Characters), "Z");
    EXPECT_EQ(cutPiece(line, 6, 3, WidthUnit::Characters), "");
    EXPECT_EQ(cutPiece(line, 2, 0, WidthUnit::Characters), "");
}

TEST(CutPiece, InvalidBytesAreCharactersOfTheirOwnAndCopiedUnchanged)
{
    // 0x80, 0xA0 and 0xFD-0xFF stand alone; a lead byte before a non-trail byte stands alone;
    // a lead byte at the end of the line stands alone; NUL is ordinary.
    const std::string line =
        std::string("\x80\xA0\xFD\xFE\xFF", 5) + LoneLead + "\x7F" + std::string(1, '\0') + LoneLead;
    for (long long at = 1; at <= 9; ++at)
        EXPECT_EQ(cutPiece(line, at, 1, WidthUnit::Characters), line.substr(size_t(at - 1), 1)) << at;
    EXPECT_EQ(cutPiece(line, 1, 100, WidthUnit::Characters), line);
}

TEST(CutPiece, BytesCutAtExactBytePositions)
{
    const std::string line = Kan + HalfA + "AB";
    EXPECT_EQ(cutPiece(line, 1, 1, WidthUnit::Bytes), "\x8A");
    EXPECT_EQ(cutPiece(line, 2, 2, WidthUnit::Bytes), "\xBF" + HalfA);
    EXPECT_EQ(cutPiece(line, 4, 5, WidthUnit::Bytes), "AB");
    EXPECT_EQ(cutPiece(line, 6, 1, WidthUnit::Bytes), "");
}

TEST(CutPiece, RefusesANegativeWidthOrAStartBeforeTheLine)
{
    EXPECT_THROW(cutPiece("abc", 1, -1, WidthUnit::Characters), std::invalid_argument);
    EXPECT_THROW(cutPiece("abc", 0, 1, WidthUnit::Characters), std::invalid_argument);
}

TEST(SampleSplit, ListsEveryField)
{
    const LayoutModel model = LayoutModel::startup();
    EXPECT_EQ(split("ABCDEFGHIJ", model), (std::vector<std::string>{"ABC", "DEF", "GHI", "J", "", "", ""}));
    EXPECT_EQ(split("", model), std::vector<std::string>(7));
    EXPECT_EQ(split(std::string(40, 'x'), model).size(), 7u); // never past FieldCount
    EXPECT_EQ(split("  A   ", model), (std::vector<std::string>{"  A", "   ", "", "", "", "", ""})); // blanks kept
}

TEST(SampleSplit, GoesOnPastAZeroWidthAndStopsAtTheLastFieldOfTheTable)
{
    EXPECT_EQ(split("ABCDEF", withWidths({"2", "0", "2"})), (std::vector<std::string>{"AB", "", "CD"}));
    LayoutModel model = withWidths({"2", "2"});
    model.FieldCount = 5; // larger than the table: the spare slot is never reached
    EXPECT_EQ(split("ABCDEFGH", model), (std::vector<std::string>{"AB", "CD"}));
}

TEST(SampleSplit, CharactersAndBytesSideBySide)
{
    // Kanji and half-width kana in one line: by characters each is one; by bytes a kanji is two.
    const std::string line = Kan + Hyo + HalfA + HalfA + "AB";
    EXPECT_EQ(split(line, withWidths({"2", "1", "3"})), (std::vector<std::string>{Kan + Hyo, HalfA, HalfA + "AB"}));
    EXPECT_EQ(split(line, withWidths({"2", "1", "3"}, WidthUnit::Bytes)),
              (std::vector<std::string>{Kan, "\x95", "\x5C" + HalfA + HalfA}));
    // Joined, the byte pieces give back the line exactly.
    std::string joined;
    for (auto &piece : split(line, withWidths({"1", "3", "1", "9"}, WidthUnit::Bytes))) joined += piece;
    EXPECT_EQ(joined, line);
}

TEST(SampleSplit, AFailingWidthKeepsThePiecesBeforeIt)
{
    std::vector<std::string> pieces;
    const LayoutModel model = withWidths({"2", "-1", "2"});
    try {
        splitSample("ABCDEF", model, [&](std::string_view piece) { pieces.emplace_back(piece); });
        FAIL() << "no error";
    } catch (const CoreError &error) {
        EXPECT_EQ(error.kind(), CoreError::Kind::NegativeWidth);
        EXPECT_EQ(error.field(), 2);
    }
    EXPECT_EQ(pieces, (std::vector<std::string>{"AB"}));
    EXPECT_THROW(split("ABCDEF", withWidths({"2", "zz"})), CoreError);
}

} // namespace
