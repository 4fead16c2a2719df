// The block scans of charOffsets (portable, and each vector path's) against the plain character
// walk of advanceChars, on random texts around the 16- and 64-byte steps of the scans.

#include "cp932/Cp932.h"
#include "paths/CharOffsets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

size_t walk(std::string_view text, long long chars)
{
    long long stepped = 0;
    return cp932::advanceChars(text, 0, chars, stepped);
}

long long charCount(std::string_view text)
{
    long long stepped = 0;
    cp932::advanceChars(text, 0, (long long)text.size() + 1, stepped);
    return stepped;
}

struct BytePool {
    const char *name;
    std::vector<unsigned char> bytes; // empty: any byte
};

void PrintTo(const BytePool &pool, std::ostream *out) { *out << pool.name; }

class CharOffsets : public testing::TestWithParam<BytePool> {};

TEST_P(CharOffsets, AgreeWithTheCharacterWalk)
{
    const BytePool &pool = GetParam();
    std::mt19937_64 random(7);
    for (int iteration = 0; iteration < 4000; ++iteration) {
        // Lengths cluster around the block edges; some texts span several blocks.
        const size_t length = iteration % 3 == 0 ? random() % 200 : 64 * (1 + random() % 3) + random() % 5 - 2;
        std::string text(length, '\0');
        for (char &c : text) c = char(pool.bytes.empty() ? random() : pool.bytes[random() % pool.bytes.size()]);

        std::vector<long long> indices;
        for (long long at = random() % 3; at <= charCount(text) + 2; at += 1 + random() % 4) indices.push_back(at);
        for (const SimdPath path : {SimdPath::Plain, SimdPath::Avx2, SimdPath::Avx512}) {
            std::vector<size_t> offsets(indices.size());
            charOffsetsFor(path)(text, indices.data(), indices.size(), offsets.data());
            for (size_t i = 0; i < indices.size(); ++i)
                ASSERT_EQ(offsets[i], walk(text, indices[i])) << pool.name << ", text of " << length << " bytes, "
                                                              << simdPathName(path) << ", character " << indices[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pools, CharOffsets,
    testing::Values(BytePool{"any byte", {}},
                    // Each range edge of the rule, CR and NUL.
                    BytePool{"edges",
                             {0x00, 0x0D, 0x3F, 0x40, 0x41, 0x7E, 0x7F, 0x80, 0x81, 0x9F, 0xA0, 0xA1, 0xDF, 0xE0, 0xFC,
                              0xFD, 0xFF}},
                    // Long runs where every byte could begin a pair: the pairing depends on where the run began.
                    BytePool{"lead bytes that are also trail bytes", {0x81, 0x82, 0x9F, 0xE0, 0xFC, 0x41}},
                    BytePool{"text", {0x41, 0x20, 0xB1, 0xDF, 0x88, 0x9F, 0x89, 0x5C, 0x97, 0xFC}}),
    [](const testing::TestParamInfo<BytePool> &row) { return "pool" + std::to_string(row.index); });

TEST(CharOffsets, EmptyTextAndIndicesPastTheEnd)
{
    const long long indices[] = {0, 1, 5};
    size_t offsets[3] = {9, 9, 9};
    cp932::charOffsets("", indices, 3, offsets);
    EXPECT_EQ(std::vector<size_t>(offsets, offsets + 3), std::vector<size_t>({0, 0, 0}));

    // "ｱ", a kanji, "A", and a lead byte with nothing after it.
    const std::string text = "\xB1\x88\x9F"
                             "A\x81";
    const long long all[] = {0, 1, 2, 3, 4, 40000};
    size_t at[6] = {};
    cp932::charOffsets(text, all, 6, at);
    EXPECT_EQ(std::vector<size_t>(at, at + 6), std::vector<size_t>({0, 1, 3, 4, 5, 5}));
}

} // namespace
