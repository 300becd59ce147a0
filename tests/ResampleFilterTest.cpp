// ResampleFilterTest.cpp — the seven kernels' values, exact to the last bit, and their
// contributor lists.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/KernelFilters.h"
#include "platform/FatalError.h"

namespace {

// --- kernel values -------------------------------------------------------------------------

TEST(ResampleFilter, EachFilterReportsItsSupport)
{
    const double supports[FILTER_COUNT] = {1.0, 0.5, 1.0, 1.5, 2.0, 3.0, 2.0};
    for (int32_t index = 0; index < FILTER_COUNT; ++index)
        EXPECT_EQ(CreateFilter(index)->Support(), supports[index]) << "filter " << index;
    EXPECT_EQ(CResampleFilter().Support(), 1.0);
}

TEST(ResampleFilter, BoxIsOpenOnTheLeftAndClosedOnTheRight)
{
    CBoxFilter box;
    EXPECT_EQ(box.Filter(0.5), 1.0);
    EXPECT_EQ(box.Filter(-0.5), 0.0);
    EXPECT_EQ(box.Filter(0.0), 1.0);
    EXPECT_EQ(box.Filter(0.5000000000000001), 0.0);
    EXPECT_EQ(box.Filter(-0.49999999999999994), 1.0);
}

TEST(ResampleFilter, TriangleHermiteAndBellValues)
{
    CTriangleFilter triangle;
    EXPECT_EQ(triangle.Filter(1.0), 0.0);
    EXPECT_EQ(triangle.Filter(0.25), 0.75);
    EXPECT_EQ(triangle.Filter(-0.25), 0.75);

    CResampleFilter hermite;
    EXPECT_EQ(hermite.Filter(0.5), 0.5);
    EXPECT_EQ(hermite.Filter(1.0), 0.0);
    EXPECT_EQ(hermite.Filter(0.0), 1.0);

    CBellFilter bell;
    EXPECT_EQ(bell.Filter(0.0), 0.75);
    EXPECT_EQ(bell.Filter(0.5), 0.5);
    EXPECT_EQ(bell.Filter(1.0), 0.125);
    EXPECT_EQ(bell.Filter(1.5), 0.0);
}

TEST(ResampleFilter, BSplineValuesAreTheNearestDoubles)
{
    CBSplineFilter bspline;
    EXPECT_EQ(bspline.Filter(0.0), 0.6666666666666666);
    EXPECT_EQ(bspline.Filter(1.0), 0.16666666666666666);
    EXPECT_EQ(bspline.Filter(2.0), 0.0);
}

TEST(ResampleFilter, LanczosUsesTheTenDecimalPi)
{
    CLanczos3Filter lanczos;
    EXPECT_EQ(lanczos.Filter(0.0), 1.0);
    EXPECT_EQ(lanczos.Sinc(0.0), 1.0);
    // With π to full precision these would be 0.
    EXPECT_NEAR(lanczos.Filter(1.0), 2.36e-11, 0.01e-11);
    EXPECT_NEAR(lanczos.Filter(2.0), -1.18e-11, 0.01e-11);
    EXPECT_NEAR(lanczos.Filter(1.5), -0.1351, 0.0001);
    EXPECT_EQ(lanczos.Filter(3.0), 0.0);
    for (double x : {0.1, 0.7, 1.3, 2.2, 2.9})
        EXPECT_EQ(lanczos.Filter(-x), lanczos.Filter(x));
    // t/3 is a product with the double 1/3, not a division.
    const double t = 2.2;
    EXPECT_EQ(lanczos.Filter(t), lanczos.Sinc(t) * lanczos.Sinc(t * 0.3333333333333333));
}

TEST(ResampleFilter, MitchellValuesInTheirEvaluationOrder)
{
    CMitchellFilter mitchell;
    EXPECT_EQ(mitchell.Filter(0.0), 0.8888888888888888);
    EXPECT_EQ(mitchell.Filter(1.0), 0.05555555555555536);
    EXPECT_EQ(mitchell.Filter(-1.0), 0.05555555555555536);
    EXPECT_EQ(mitchell.Filter(1.5), -0.03472222222222232);
    EXPECT_EQ(mitchell.Filter(2.0), 0.0);
    // The five weights of scale 1 do not add up to 1.
    double sum = 0.0;
    for (int32_t d = -2; d <= 2; ++d)
        sum += mitchell.Filter(d);
    EXPECT_EQ(sum, 0.9999999999999996);
}

TEST(ResampleFilter, OnlyIndicesZeroToSixMakeAFilter)
{
    EXPECT_THROW(CreateFilter(7), CFatalError);
    EXPECT_THROW(CreateFilter(-1), CFatalError);
    EXPECT_NE(dynamic_cast<CMitchellFilter*>(CreateFilter(MITCHELL_FILTER).get()), nullptr);
    EXPECT_EQ(typeid(*CreateFilter(0)), typeid(CResampleFilter));
}

// --- contributor lists ---------------------------------------------------------------------

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

TEST(ContributorLists, EdgesFoldDifferentlyAtTheTwoEnds)
{
    // Low end mirrors about the first pixel; the high end repeats the last one.
    EXPECT_EQ(CResampleFilter::FoldIndex(-1, 40), 1);
    EXPECT_EQ(CResampleFilter::FoldIndex(-2, 40), 2);
    EXPECT_EQ(CResampleFilter::FoldIndex(40, 40), 39);
    EXPECT_EQ(CResampleFilter::FoldIndex(41, 40), 38);
    EXPECT_EQ(CResampleFilter::FoldIndex(17, 40), 17);

    CMitchellFilter mitchell;
    const ContributorTable table = mitchell.BuildContributors(1.0, 40, 40);
    EXPECT_EQ(table.lists[0].entries[0].pixel, 2);    // j = −2
    EXPECT_EQ(table.lists[39].entries[4].pixel, 38);  // j = 41
}

// Folds the way the rule is written: one mirror at a time until the index is inside.
int32_t FoldStepByStep(int32_t j, int32_t n)
{
    while (j < 0 || j >= n)
        j = j < 0 ? -j : 2 * n - j - 1;
    return j;
}

TEST(ContributorLists, WindowsWiderThanThePictureFoldUntilInside)
{
    for (int32_t n : {1, 2, 3, 5, 40})
        for (int32_t j = -200; j <= 200; ++j)
            ASSERT_EQ(CResampleFilter::FoldIndex(j, n), FoldStepByStep(j, n)) << "j " << j << " n " << n;

    // Shrinking 3 pixels to 1 with Lanczos: a window of ±9 over a 3-pixel image.
    CLanczos3Filter lanczos;
    const ContributorTable table = lanczos.BuildContributors(1.0 / 3.0, 3, 1);
    for (int32_t k = 0; k < table.lists[0].count; ++k) {
        EXPECT_GE(table.lists[0].entries[k].pixel, 0);
        EXPECT_LT(table.lists[0].entries[k].pixel, 3);
    }
}

TEST(ContributorLists, CapacityHoldsWindowsThatRoundingLengthens)
{
    // Lanczos shrinking 118 → 12: 2 × width + 1 truncates to 59, yet a window holds 60.
    CLanczos3Filter lanczos;
    const double scale = 12.0 / 118.0;
    EXPECT_EQ(static_cast<int32_t>(2 * (3.0 / scale) + 1), 59);
    const ContributorTable table = lanczos.BuildContributors(scale, 118, 12);
    int32_t longest = 0;
    for (const ContributorList& list : table.lists) {
        longest = std::max(longest, list.count);
        // Each list starts at ceil(center − width) and runs to floor(center + width).
        EXPECT_LE(list.count, table.capacity);
    }
    EXPECT_EQ(longest, 60);
    EXPECT_GE(table.capacity, 60);
}

} // namespace
