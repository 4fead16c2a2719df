// Typed fields: numbers (signs, zones, decimals), dates (formats, eras), kana with their marks,
// and the types an imported layout's attribute text gives.

#include "AttributeType.h"
#include "FieldValues.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

template <class Row> std::string rowName(const testing::TestParamInfo<Row> &row) { return row.param.what; }

struct NumberRow {
    const char *what;
    std::string field;
    int decimals;
    std::optional<std::string> written; // none: no number
};

class Numbers : public testing::TestWithParam<NumberRow> {};

TEST_P(Numbers, AreWrittenPlainly)
{
    std::string out = "<";
    const bool read = appendNumber(GetParam().field, GetParam().decimals, out);
    EXPECT_EQ(read, GetParam().written.has_value());
    EXPECT_EQ(out, "<" + GetParam().written.value_or(""));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Numbers,
    testing::Values(
        NumberRow{"leading_zeros", "0005", 0, "5"}, NumberRow{"all_zeros", "0000", 0, "0"},
        NumberRow{"minus_zero", "-0", 0, "0"},
        NumberRow{"blanks_both_widths",
                  " \x81\x40"
                  "12 ",
                  0, "12"},
        NumberRow{"all_blank", "  \x81\x40", 2, ""}, NumberRow{"plus_dropped", "+0012", 0, "12"},
        NumberRow{"sign_blank_digits", "- 4", 0, "-4"}, NumberRow{"zero_padded_minus", "-00002005", 0, "-2005"},
        NumberRow{"trailing_sign", "123 -", 0, "-123"},
        NumberRow{"full_width_digits_and_sign", "\x81\x7C\x82\x50\x82\x4F", 0, "-10"},
        NumberRow{"implied_decimals", "000012345", 2, "123.45"}, NumberRow{"short_decimals", "5", 2, "0.05"},
        NumberRow{"zero_decimals", "0", 2, "0.00"}, NumberRow{"explicit_point_keeps_digits", "0012.50", 2, "12.50"},
        NumberRow{"zoned_plus", "012{", 0, "120"}, NumberRow{"zoned_minus", "012}", 0, "-120"},
        NumberRow{"zoned_minus_digit", "001R", 1, "-1.9"}, NumberRow{"zoned_after_sign", "-12A", 0, std::nullopt},
        NumberRow{"letters", "12A4", 0, std::nullopt}, NumberRow{"two_points", "1.2.3", 0, std::nullopt},
        NumberRow{"sign_alone", " - ", 0, std::nullopt}, NumberRow{"inner_blank", "1 2", 0, std::nullopt}),
    rowName<NumberRow>);

struct DateRow {
    const char *what;
    std::string field;
    DateFormat format;
    std::optional<std::string> written;
};

class Dates : public testing::TestWithParam<DateRow> {};

TEST_P(Dates, AreWrittenIsoOrRefused)
{
    std::string out;
    EXPECT_EQ(appendDate(GetParam().field, GetParam().format, out), GetParam().written.has_value());
    EXPECT_EQ(out, GetParam().written.value_or(""));
}

INSTANTIATE_TEST_SUITE_P(Rows, Dates,
                         testing::Values(DateRow{"full_year", "20240229", DateFormat::YYYYMMDD, "2024-02-29"},
                                         DateRow{"not_leap", "20230229", DateFormat::YYYYMMDD, std::nullopt},
                                         DateRow{"century_not_leap", "19000229", DateFormat::YYYYMMDD, std::nullopt},
                                         DateRow{"month_13", "20241301", DateFormat::YYYYMMDD, std::nullopt},
                                         DateRow{"february_30", "20240230", DateFormat::YYYYMMDD, std::nullopt},
                                         DateRow{"zeros", "00000000", DateFormat::YYYYMMDD, ""},
                                         DateRow{"blanks", "        ", DateFormat::YYYYMMDD, ""},
                                         DateRow{"short_year_20", "491231", DateFormat::YYMMDD, "2049-12-31"},
                                         DateRow{"short_year_19", "500101", DateFormat::YYMMDD, "1950-01-01"},
                                         DateRow{"heisei_digit", "4010108", DateFormat::GYYMMDD, "1989-01-08"},
                                         DateRow{"before_heisei", "4010107", DateFormat::GYYMMDD, std::nullopt},
                                         DateRow{"reiwa_letter", "R060401", DateFormat::EYYMMDD, "2024-04-01"},
                                         DateRow{"before_reiwa", "R010430", DateFormat::EYYMMDD, std::nullopt},
                                         DateRow{"showa_64", "S640107", DateFormat::EYYMMDD, "1989-01-07"},
                                         DateRow{"era_zero_year", "H000101", DateFormat::EYYMMDD, std::nullopt},
                                         DateRow{"unknown_era", "6010101", DateFormat::GYYMMDD, std::nullopt},
                                         DateRow{"year_month", "202412", DateFormat::YYYYMM, "2024-12"},
                                         DateRow{"wrong_length", "2024121", DateFormat::YYYYMMDD, std::nullopt}),
                         rowName<DateRow>);

struct KanaRow {
    const char *what;
    std::string field;
    std::string written;
};

class Kana : public testing::TestWithParam<KanaRow> {};

TEST_P(Kana, BecomesFullWidth)
{
    std::string out;
    appendFullWidthKana(GetParam().field, out);
    EXPECT_EQ(out, GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(Rows, Kana,
                         testing::Values(KanaRow{"plain", "\xB6\xC5", "\x83\x4A\x83\x69"},          // ｶﾅ → カナ
                                         KanaRow{"voiced", "\xB6\xDE\xCA\xDF", "\x83\x4B\x83\x70"}, // ｶﾞﾊﾟ → ガパ
                                         KanaRow{"vu", "\xB3\xDE", "\x83\x94"},                     // ｳﾞ → ヴ
                                         KanaRow{"lone_marks", "\xC5\xDE\xDF",
                                                 "\x83\x69\x81\x4A\x81\x4B"}, // ﾅﾞﾟ → ナ゛゜
                                         KanaRow{"long_vowel_and_punctuation", "\xB0\xA2\xA3\xA4\xA1\xA5",
                                                 "\x81\x5B\x81\x75\x81\x76\x81\x41\x81\x42\x81\x45"}, // ｰ｢｣､｡･
                                         KanaRow{"small_and_wo", "\xA6\xAF\xDD", "\x83\x92\x83\x62\x83\x93"}, // ｦｯﾝ
                                         KanaRow{"trail_bytes_untouched", "\x83\xB6 A\xB6", "\x83\xB6 A\x83\x4A"}),
                         rowName<KanaRow>);

struct AttributeRow {
    const char *what;
    std::string attribute;
    FieldType type;
};

class Attributes : public testing::TestWithParam<AttributeRow> {};

TEST_P(Attributes, GiveFieldTypes) { EXPECT_EQ(fieldTypeFromAttribute(GetParam().attribute), GetParam().type); }

INSTANTIATE_TEST_SUITE_P(
    Rows, Attributes,
    testing::Values(AttributeRow{"repeated_nines", "9(7)", {FieldKind::Number}},
                    AttributeRow{"signed_with_decimals", "S9(5)V9(2)", {FieldKind::Number, 2}},
                    AttributeRow{"suuchi_with_decimals", "数値(7,2)", {FieldKind::Number, 2}},
                    AttributeRow{"suuchi_words", "数値 小数 3 桁", {FieldKind::Number, 3}},
                    AttributeRow{"date_full", "日付(YYYYMMDD)", {FieldKind::Date, 0, DateFormat::YYYYMMDD}},
                    AttributeRow{"date_era", "日付（GYYMMDD）", {FieldKind::Date, 0, DateFormat::GYYMMDD}},
                    AttributeRow{"date_month", "日付 YYYYMM", {FieldKind::Date, 0, DateFormat::YYYYMM}},
                    AttributeRow{"date_without_format", "日付", {}}, AttributeRow{"alphanumeric", "X(10)", {}},
                    AttributeRow{"national", "N", {}}, AttributeRow{"nine_then_x", "9X", {}}),
    rowName<AttributeRow>);

} // namespace
