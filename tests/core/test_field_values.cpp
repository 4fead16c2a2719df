// Typed fields: numbers (signs, zones, decimals), dates (formats, eras), kana with their marks,
// and the types an imported layout's attribute text gives.

#include "layout/AttributeType.h"
#include "compose/FieldValues.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const std::optional<std::string> No; // not a value of the type: written as cut

TEST(FieldValues, NumbersAreWrittenPlainly)
{
    const struct {
        std::string field;
        int decimals;
        std::optional<std::string> written;
    } rows[] = {
        {"0005", 0, "5"},
        {"0000", 0, "0"},
        {"-0", 0, "0"},
        {" \x81\x40"
         "12 ",
         0, "12"},
        {"  \x81\x40", 2, ""},
        {"+0012", 0, "12"},
        {"- 4", 0, "-4"},
        {"123 -", 0, "-123"},
        {"\x81\x7C\x82\x50\x82\x4F", 0, "-10"}, // full-width sign and digits
        {"000012345", 2, "123.45"},
        {"5", 2, "0.05"},
        {"0", 2, "0.00"},
        {"0012.50", 2, "12.50"},
        {"012{", 0, "120"},
        {"012}", 0, "-120"},
        {"001R", 1, "-1.9"}, // zoned last digits
        {"-12A", 0, No},
        {"12A4", 0, No},
        {"1.2.3", 0, No},
        {" - ", 0, No},
        {"1 2", 0, No},
    };
    for (const auto &row : rows) {
        std::string out = "<";
        EXPECT_EQ(appendNumber(row.field, row.decimals, out), row.written.has_value()) << row.field;
        EXPECT_EQ(out, "<" + row.written.value_or("")) << row.field;
    }
}

TEST(FieldValues, DatesAreWrittenIsoOrRefused)
{
    using F = DateFormat;
    const struct {
        std::string field;
        DateFormat format;
        std::optional<std::string> written;
    } rows[] = {
        {"20240229", F::YYYYMMDD, "2024-02-29"},
        {"20230229", F::YYYYMMDD, No},
        {"19000229", F::YYYYMMDD, No},
        {"20241301", F::YYYYMMDD, No},
        {"00000000", F::YYYYMMDD, ""},
        {"        ", F::YYYYMMDD, ""},
        {"491231", F::YYMMDD, "2049-12-31"},
        {"500101", F::YYMMDD, "1950-01-01"},
        {"4010108", F::GYYMMDD, "1989-01-08"},
        {"4010107", F::GYYMMDD, No}, // Heisei began on 8 January
        {"R060401", F::EYYMMDD, "2024-04-01"},
        {"S640107", F::EYYMMDD, "1989-01-07"},
        {"H000101", F::EYYMMDD, No},
        {"6010101", F::GYYMMDD, No},
        {"202412", F::YYYYMM, "2024-12"},
        {"2024121", F::YYYYMMDD, No},
    };
    for (const auto &row : rows) {
        std::string out;
        EXPECT_EQ(appendDate(row.field, row.format, out), row.written.has_value()) << row.field;
        EXPECT_EQ(out, row.written.value_or("")) << row.field;
    }
}

TEST(FieldValues, KanaBecomesFullWidth)
{
    const std::pair<std::string, std::string> rows[] = {
        {"\xB6\xDE\xCA\xDF", "\x83\x4B\x83\x70"},                                         // ｶﾞﾊﾟ → ガパ
        {"\xB3\xDE", "\x83\x94"},                                                         // ｳﾞ → ヴ
        {"\xC5\xDE\xDF", "\x83\x69\x81\x4A\x81\x4B"},                                     // ﾅﾞﾟ → ナ゛゜
        {"\xB0\xA2\xA3\xA4\xA1\xA5", "\x81\x5B\x81\x75\x81\x76\x81\x41\x81\x42\x81\x45"}, // ｰ｢｣､｡･
        {"\x83\xB6 A\xB6", "\x83\xB6 A\x83\x4A"}, // a trail byte in the kana range stays
    };
    for (const auto &[field, written] : rows) {
        std::string out;
        appendFullWidthKana(field, out);
        EXPECT_EQ(out, written);
    }
}

TEST(FieldValues, AttributesGiveTypes)
{
    const std::pair<std::string, FieldType> rows[] = {
        {"S9(5)V9(2)", {FieldKind::Number, 2}},
        {"数値(7,2)", {FieldKind::Number, 2}},
        {"数値 小数 3 桁", {FieldKind::Number, 3}},
        {"日付(YYYYMMDD)", {FieldKind::Date, 0, DateFormat::YYYYMMDD}},
        {"日付 YYYYMM", {FieldKind::Date, 0, DateFormat::YYYYMM}},
        {"日付", {}},
        {"X(10)", {}},
        {"9X", {}},
    };
    for (const auto &[attribute, type] : rows) EXPECT_EQ(fieldTypeFromAttribute(attribute), type) << attribute;
}

} // namespace
