// The program's CP932 table at a handful of known characters, and how undecodable bytes count.

#include "cp932/Cp932Codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DecodeRow {
    const char *what;
    std::string bytes;
    std::string utf8;
    size_t undecodable;
};

class Cp932Decode : public testing::TestWithParam<DecodeRow> {};

TEST_P(Cp932Decode, GroupsBytesByTheCharacterRule)
{
    std::string out = "x"; // appended to, never replaced
    EXPECT_EQ(cp932::appendUtf8(GetParam().bytes, out), GetParam().undecodable);
    EXPECT_EQ(out, "x" + GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Cp932Decode,
    testing::Values(
        DecodeRow{"ascii_longer_than_eight", "Horse, name 12\\~", "Horse, name 12\\~", 0},
        DecodeRow{"jis_kanji", "\x8A\xBF\x8E\x9A", "漢字", 0}, DecodeRow{"full_width_blank", "\x81\x40", "\u3000", 0},
        DecodeRow{"nec_special", "\x87\x40\x87\x90", "①≒", 0}, DecodeRow{"nec_selected_ibm", "\xED\x40", "纊", 0},
        DecodeRow{"ibm_extension", "\xFA\x40\xFA\x5C", "ⅰ纊", 0},
        DecodeRow{"half_width_kana", "\xB1\xDF\xA1", "ｱﾟ｡", 0},
        DecodeRow{"unassigned_pair_is_one_character",
                  "\x85\x40"
                  "A",
                  "\uFFFD"
                  "A",
                  1},
        DecodeRow{"bytes_that_are_no_character", "\x80\xA0\xFD\xFE\xFF", "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD", 5},
        DecodeRow{"lead_byte_before_no_trail", "\x82 \x82", "\uFFFD \uFFFD", 2},
        DecodeRow{"trail_value_taken_as_trail", "\x81\x81\x40", "\uFF1D@", 0},
        DecodeRow{"pair_across_blocks_of_64", std::string(63, 'a') + "\x8A\xBF" + std::string(70, 'b') + "\x80",
                  std::string(63, 'a') + "漢" + std::string(70, 'b') + "\uFFFD", 1},
        DecodeRow{"lone_lead_ending_a_block", std::string(63, 'a') + "\x81" + std::string(64, '0') + "\xB1",
                  std::string(63, 'a') + "\uFFFD" + std::string(64, '0') + "ｱ", 1}),
    [](const testing::TestParamInfo<DecodeRow> &row) { return std::string(row.param.what); });

struct EncodeRow {
    const char *what;
    char32_t code;
    std::string bytes; // empty: no CP932 form
};

class Cp932Encode : public testing::TestWithParam<EncodeRow> {};

TEST_P(Cp932Encode, FirstFormInByteOrder)
{
    char form[2];
    const size_t length = cp932::encode(GetParam().code, form);
    EXPECT_EQ(std::string(form, length), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Rows, Cp932Encode,
                         testing::Values(EncodeRow{"ascii", U'A', "A"}, EncodeRow{"half_width_kana", U'ｱ', "\xB1"},
                                         EncodeRow{"kanji", U'漢', "\x8A\xBF"},
                                         EncodeRow{"jis_form_before_nec_and_ibm", U'∵', "\x81\xE6"},
                                         EncodeRow{"ibm_before_nec_selected", U'纊', "\xFA\x5C"},
                                         EncodeRow{"nec_row_13_before_ibm", U'Ⅰ', "\x87\x54"},
                                         EncodeRow{"jis_form_before_ibm_twins", U'￢', "\x81\xCA"},
                                         EncodeRow{"yen_sign_has_none", U'¥', ""},
                                         EncodeRow{"outside_the_basic_plane", U'\U0001F600', ""}),
                         [](const testing::TestParamInfo<EncodeRow> &row) { return std::string(row.param.what); });

} // namespace
