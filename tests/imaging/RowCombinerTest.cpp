// RowCombinerTest.cpp — the vector sums give the plain sum's bytes on every instruction set.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "imaging/RowCombiner.h"

namespace {

// Builds `count` random rows of `pixels` pixels and weights spread around the kernel's
// range, negative ones included, so that sums fall below 0 and above 255 too.
struct RandomRows {
    RandomRows(int32_t count, int32_t pixels, uint32_t seed) : bits(count), masks(count)
    {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> weight(-0.3, 1.2);
        for (int32_t m = 0; m < count; ++m) {
            bits[m].resize(3 * static_cast<size_t>(pixels));
            masks[m].resize(static_cast<size_t>(pixels));
            for (uint8_t& b : bits[m])
                b = static_cast<uint8_t>(random());
            for (uint8_t& k : masks[m])
                k = random() % 9 == 0;
            rows.push_back(WeightedRow{bits[m].data(), masks[m].data(), weight(random)});
        }
    }
    std::vector<std::vector<uint8_t>> bits, masks;
    std::vector<WeightedRow> rows;
};

TEST(RowCombiner, EveryInstructionSetGivesThePlainBytes)
{
    const Pixel24 key{1, 2, 3};
    for (int32_t pixels : {1, 5, 10, 11, 16, 33, 100}) {
        for (int32_t count : {1, 4, 5, 9, 61}) {
            RandomRows input(count, pixels, 1000u * pixels + count);
            std::vector<uint8_t> plain(3 * static_cast<size_t>(pixels));
            CRowCombiner(pixels, key, InstructionSet::Plain).Combine(input.rows, plain.data());
            for (InstructionSet set : {InstructionSet::Avx2, InstructionSet::Avx512}) {
                if (set > CRowCombiner::BestInstructionSet())
                    continue;
                std::vector<uint8_t> vector(plain.size());
                CRowCombiner(pixels, key, set).Combine(input.rows, vector.data());
                ASSERT_EQ(vector, plain) << pixels << " pixels, " << count << " rows, set " << int(set);
            }
        }
    }
}

// The plain sum itself, which the rescaler's tests reach only through the best set.
TEST(RowCombiner, PlainSumsAreClampedTruncatedAndGiveWayToKeysOfPositiveWeight)
{
    const Pixel24 key{9, 8, 7};
    const uint8_t a[6] = {200, 100, 10, 50, 50, 50};
    const uint8_t mask[2] = {0, 1};
    uint8_t out[6];
    CRowCombiner combiner(2, key, InstructionSet::Plain);
    const WeightedRow sums[] = {{a, nullptr, 1.5}, {a, nullptr, -0.7}};   // 160, 80, 8
    combiner.Combine(sums, out);
    EXPECT_EQ(LoadPixel(out), (Pixel24{160, 80, 8}));
    const WeightedRow over[] = {{a, nullptr, 2.0}};
    combiner.Combine(over, out);
    EXPECT_EQ(LoadPixel(out), (Pixel24{255, 200, 20}));
    const WeightedRow under[] = {{a, nullptr, -1.0}};
    combiner.Combine(under, out);
    EXPECT_EQ(LoadPixel(out), (Pixel24{0, 0, 0}));

    const WeightedRow positive[] = {{a, mask, 0.5}, {a, nullptr, 0.5}};
    combiner.Combine(positive, out);
    EXPECT_EQ(LoadPixel(out), (Pixel24{200, 100, 10}));
    EXPECT_EQ(LoadPixel(out + 3), key);
    const WeightedRow negative[] = {{a, mask, -0.5}, {a, nullptr, 1.5}};
    combiner.Combine(negative, out);
    EXPECT_EQ(LoadPixel(out + 3), (Pixel24{50, 50, 50}));

    combiner.Combine({}, out);   // no inputs: black
    EXPECT_EQ(LoadPixel(out + 3), (Pixel24{0, 0, 0}));
}

} // namespace
