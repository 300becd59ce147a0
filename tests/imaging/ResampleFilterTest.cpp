// ResampleFilterTest.cpp — the seven kernels' values, exact to the last bit, and their
// contributor lists.
#include <gtest/gtest.h>

#include "imaging/KernelFilters.h"
#include "platform/bitmaps/FatalError.h"

namespace {

// --- kernel values -----------------------------------------------------------------------

TEST(ResampleFilter, EachIndexMakesItsKernelWithItsSupport)
{
    const double supports[FILTER_COUNT] = {1.0, 0.5, 1.0, 1.5, 2.0, 3.0, 2.0};
    for (int32_t index = 0; index < FILTER_COUNT; ++index)
        EXPECT_EQ(CreateFilter(index)->Support(), supports[index]) << "filter " << index;
    EXPECT_EQ(CResampleFilter().Support(), 1.0);
    EXPECT_EQ(typeid(*CreateFilter(0)), typeid(CResampleFilter));
    EXPECT_EQ(typeid(*CreateFilter(MITCHELL_FILTER)), typeid(CMitchellFilter));
    EXPECT_THROW(CreateFilter(7), CFatalError);
    EXPECT_THROW(CreateFilter(-1), CFatalError);
}

TEST(ResampleFilter, ValuesAreTheNearestDoublesInTheirEvaluationOrder)
{
    struct Value {
        int32_t filter;
        double x;
        double expected;
    };
    const Value values[] = {
        // Hermite
        {0, 0.0, 1.0}, {0, 0.5, 0.5}, {0, 1.0, 0.0},
        // box: open on the left, closed on the right
        {1, 0.0, 1.0}, {1, 0.5, 1.0}, {1, -0.5, 0.0}, {1, 0.5000000000000001, 0.0}, {1, -0.49999999999999994, 1.0},
        // triangle
        {2, 0.25, 0.75}, {2, -0.25, 0.75}, {2, 1.0, 0.0},
        // bell
        {3, 0.0, 0.75}, {3, 0.5, 0.5}, {3, 1.0, 0.125}, {3, 1.5, 0.0},
        // cubic B-spline
        {4, 0.0, 0.6666666666666666}, {4, 1.0, 0.16666666666666666}, {4, 2.0, 0.0},
        // Lanczos
        {5, 0.0, 1.0}, {5, 3.0, 0.0},
        // Mitchell: just below 1/18 at 1, the negative lobe at 1.5
        {6, 0.0, 0.8888888888888888}, {6, 1.0, 0.05555555555555536}, {6, -1.0, 0.05555555555555536},
        {6, 1.5, -0.03472222222222232}, {6, 2.0, 0.0},
    };
    for (const Value& value : values)
        EXPECT_EQ(CreateFilter(value.filter)->Filter(value.x), value.expected)
            << "filter " << value.filter << " at " << value.x;

    // The five Mitchell weights of scale 1 do not add up to 1.
    CMitchellFilter mitchell;
    double sum = 0.0;
    for (int32_t d = -2; d <= 2; ++d)
        sum += mitchell.Filter(d);
    EXPECT_EQ(sum, 0.9999999999999996);
}

TEST(ResampleFilter, LanczosUsesTheTenDecimalPi)
{
    CLanczos3Filter lanczos;
    // With π to full precision these would be 0.
    EXPECT_NEAR(lanczos.Filter(1.0), 2.36e-11, 0.01e-11);
    EXPECT_NEAR(lanczos.Filter(2.0), -1.18e-11, 0.01e-11);
    EXPECT_NEAR(lanczos.Filter(1.5), -0.1351, 0.0001);
    for (double x : {0.1, 0.7, 1.3, 2.2, 2.9})
        EXPECT_EQ(lanczos.Filter(-x), lanczos.Filter(x));
    // t/3 is a product with the double 1/3, not a division.
    EXPECT_EQ(lanczos.Filter(2.2), lanczos.Sinc(2.2) * lanczos.Sinc(2.2 * 0.3333333333333333));
}

// --- contributor lists -------------------------------------------------------------------

TEST(ContributorLists, ShrinkingTwoToOneStretchesTheKernel)
{
    CMitchellFilter mitchell;
    const ContributorTable table = mitchell.BuildContributors(0.5, 40, 20);
    EXPECT_EQ(table.capacity, 9);
    // Output 5: center 10, contributors 6 .. 14, weight Filter((10 − j) / 2) / 2.
    const ContributorList& list = table.lists[5];
    ASSERT_EQ(list.count, 9);
    const double expected[9] = {0.0, -0.01736111111111116, 0.02777777777777768, 0.26736111111111105,
                                0.4444444444444444, 0.26736111111111105, 0.02777777777777768,
                                -0.01736111111111116, 0.0};
    double sum = 0.0;
    for (int32_t k = 0; k < 9; ++k) {
        EXPECT_EQ(list.entries[k].pixel, 6 + k);
        EXPECT_EQ(list.entries[k].weight, expected[k]) << "entry " << k;
        sum += list.entries[k].weight;
    }
    EXPECT_EQ(sum, 0.9999999999999996);
}

// Folds the way the rule is written: one mirror at a time until the index is inside.
int32_t FoldStepByStep(int32_t j, int32_t n)
{
    while (j < 0 || j >= n)
        j = j < 0 ? -j : 2 * n - j - 1;
    return j;
}

TEST(ContributorLists, EdgesFoldDifferentlyAtTheTwoEndsUntilInside)
{
    // The low end mirrors about the first pixel; the high end repeats the last one.
    EXPECT_EQ(CResampleFilter::FoldIndex(-1, 40), 1);
    EXPECT_EQ(CResampleFilter::FoldIndex(-2, 40), 2);
    EXPECT_EQ(CResampleFilter::FoldIndex(40, 40), 39);
    EXPECT_EQ(CResampleFilter::FoldIndex(41, 40), 38);
    // Windows wider than the picture fold again and again.
    for (int32_t n : {1, 2, 3, 5, 40})
        for (int32_t j = -200; j <= 200; ++j)
            ASSERT_EQ(CResampleFilter::FoldIndex(j, n), FoldStepByStep(j, n)) << "j " << j << " n " << n;

    CMitchellFilter mitchell;
    const ContributorTable table = mitchell.BuildContributors(1.0, 40, 40);
    EXPECT_EQ(table.lists[0].entries[0].pixel, 2);    // j = −2
    EXPECT_EQ(table.lists[39].entries[4].pixel, 38);  // j = 41
}

TEST(ContributorLists, CapacityHoldsWindowsThatRoundingLengthens)
{
    // Lanczos shrinking 118 → 12: 2 × width + 1 truncates to 59, yet a window holds 60.
    CLanczos3Filter lanczos;
    const ContributorTable table = lanczos.BuildContributors(12.0 / 118.0, 118, 12);
    int32_t longest = 0;
    for (const ContributorList& list : table.lists) {
        longest = std::max(longest, list.count);
        EXPECT_LE(list.count, table.capacity);
    }
    EXPECT_EQ(longest, 60);
}

} // namespace
