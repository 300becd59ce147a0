// RescalerTest.cpp — the two-pass rescaler against a plain, step-by-step rendering of
// the rescaling rules, and the rules' own worked cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <random>
#include <vector>

#include "imaging/BitmapRescaler.h"
#include "imaging/KernelFilters.h"
#include "imaging/RescaleScratch.h"
#include "imaging/WorkerPool.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/PicturePixels.h"

namespace {

// ---------------------------------------------------------------------------------------
// A plain rescaler, written straight from the rules: one pixel at a time, the horizontal
// pass into an intermediate picture, then the vertical one, stopping at the first key
// hit. The library's vector passes must match it byte for byte.
// ---------------------------------------------------------------------------------------

struct PlainContributor {
    int32_t pixel;
    double weight;
};

std::vector<std::vector<PlainContributor>> PlainLists(const CResampleFilter& filter, double s, int32_t n, int32_t outCount)
{
    double width = filter.Support(), fscale = 1.0;
    if (s < 1.0) {
        width = filter.Support() / s;
        fscale = 1.0 / s;
    }
    std::vector<std::vector<PlainContributor>> lists(outCount);
    for (int32_t i = 0; i < outCount; ++i) {
        const double center = i / s;
        const int32_t left = static_cast<int32_t>(std::ceil(center - width));
        const int32_t right = static_cast<int32_t>(std::floor(center + width));
        for (int32_t j = left; j <= right; ++j) {
            int32_t index = j;
            while (index < 0 || index >= n)
                index = index < 0 ? -index : 2 * n - index - 1;
            lists[i].push_back({index, filter.Filter((center - j) / fscale) / fscale});
        }
    }
    return lists;
}

// One output pixel from the pixels a list's indices name, stopping at the first key hit.
Pixel24 PlainFilterPixel(const std::function<Pixel24(int32_t)>& pixels, const std::vector<PlainContributor>& list,
                         std::optional<Pixel24> key)
{
    double red = 0.0, green = 0.0, blue = 0.0;
    for (const PlainContributor& c : list) {
        const Pixel24 p = pixels(c.pixel);
        if (p == key && c.weight > 0.0)
            return *key;
        red = red + p.red * c.weight;
        green = green + p.green * c.weight;
        blue = blue + p.blue * c.weight;
    }
    const auto clamp = [](double v) { return static_cast<uint8_t>(static_cast<int32_t>(std::clamp(v, 0.0, 255.0))); };
    return Pixel24{clamp(blue), clamp(green), clamp(red)};
}

// Rows across to the new width, then columns down to the new height.
CBitmap24 PlainZoom(const CResampleFilter& filter, const CBitmap24& source, int32_t width, int32_t height,
                    std::optional<Pixel24> key)
{
    const auto across = PlainLists(filter, double(width) / double(source.Width()), source.Width(), width);
    const CBitmap24 temp = PictureOf(width, source.Height(), [&](int32_t x, int32_t y) {
        return PlainFilterPixel([&](int32_t i) { return PixelAt(source, i, y); }, across[x], key);
    });
    const auto down = PlainLists(filter, double(height) / double(source.Height()), source.Height(), height);
    return PictureOf(width, height, [&](int32_t x, int32_t y) {
        return PlainFilterPixel([&](int32_t i) { return PixelAt(temp, x, i); }, down[y], key);
    });
}

// --- Helpers -----------------------------------------------------------------------------

// A picture of random colours, with about one pixel in `keyEvery` set to key.
CBitmap24 RandomPicture(int32_t width, int32_t height, uint32_t seed, Pixel24 key, int32_t keyEvery)
{
    std::mt19937 random(seed);
    return PictureOf(width, height, [&](int32_t, int32_t) {
        const uint32_t r = random();
        return keyEvery > 0 && r % keyEvery == 0 ? key : Pixel24{uint8_t(r >> 8), uint8_t(r >> 16), uint8_t(r >> 24)};
    });
}

std::unique_ptr<CBitmap24> Rescale(const CBitmap24& source, int32_t width, int32_t height, int32_t filter, ColourRef key)
{
    CBitmapRescaler rescaler(&source);
    rescaler.Rescale({width, height}, filter, key);
    return rescaler.GetBitmap();
}

// Compares the library with the plain rescaler for one case; the source must come
// through untouched.
void ExpectSameAsPlain(const CBitmap24& source, int32_t width, int32_t height, int32_t filterIndex, ColourRef key)
{
    const std::vector<uint8_t> before = BitsOf(source);
    const auto result = Rescale(source, width, height, filterIndex, key);
    ASSERT_EQ(BitsOf(source), before) << "the source was changed";
    const Pixel24 keyPixel = key == KEY_FROM_FIRST_PIXEL ? PixelAt(source, 0, 0) : PixelOf(key);
    const CBitmap24 expected = PlainZoom(*CreateFilter(filterIndex), source, width, height, keyPixel);
    ASSERT_EQ(BitsOf(*result), BitsOf(expected)) << source.Width() << "x" << source.Height() << " → " << width
                                                 << "x" << height << " with filter " << filterIndex;
}

// --- Whole pictures against the plain rescaler -------------------------------------------

TEST(Rescaler, MatchesThePlainRulesForEveryFilterSizeAndKey)
{
    // Enlarging, shrinking and keeping each axis, odd widths (pad bytes) among them; the
    // key given (not alike in red and blue, so that swapping them shows) or the first pixel.
    const Pixel24 key = Rgb(255, 0, 128);
    const CBitmap24 source = RandomPicture(37, 23, 7, key, 11);
    const int32_t sizes[][2] = {{37, 23}, {80, 50}, {19, 11}, {5, 3}, {111, 7}, {1, 1}, {2, 64}};
    for (int32_t filter = 0; filter < FILTER_COUNT; ++filter)
        for (const auto& size : sizes)
            for (const ColourRef given : {ColourOf(key), KEY_FROM_FIRST_PIXEL})
                ExpectSameAsPlain(source, size[0], size[1], filter, given);

    // Windows wider than the picture stay inside it.
    const CBitmap24 tiny = RandomPicture(3, 2, 9, key, 0);
    for (int32_t filter = 0; filter < FILTER_COUNT; ++filter) {
        ExpectSameAsPlain(tiny, 1, 1, filter, KEY_FROM_FIRST_PIXEL);
        ExpectSameAsPlain(tiny, 40, 1, filter, KEY_FROM_FIRST_PIXEL);
    }
    ExpectSameAsPlain(RandomPicture(1, 1, 10, key, 0), 7, 5, 5, 0x00123456);
}

TEST(Rescaler, MatchesThePlainRulesOnLongRowsAndWhenThreadsShareTheWork)
{
    // Widths around the 32-byte vector block, and key pixels scattered through it.
    const Pixel24 black{0, 0, 0};
    for (int32_t width : {10, 11, 21, 22, 64, 129}) {
        const CBitmap24 source = RandomPicture(width, 30, 100 + width, black, 5);
        ExpectSameAsPlain(source, width * 3 - 1, 67, MITCHELL_FILTER, ColourOf(black));
        ExpectSameAsPlain(source, width / 2 + 1, 13, 5, ColourOf(black));
    }
    // Large enough that each pass is split between the cores.
    ExpectSameAsPlain(RandomPicture(160, 120, 3, Rgb(255, 0, 255), 40), 640, 480, MITCHELL_FILTER,
                      KEY_FROM_FIRST_PIXEL);
}

TEST(Rescaler, SameBytesForOneTwoAndSevenThreadsAndWithScratchLeftDirtyByLargerRescales)
{
    // Each case's pixel bytes from a filter run on pools of 1, 2 and 7 threads, all with
    // one scratch that the cases before left full of other pictures' rows, against the
    // plain rules. Large enough that every pass is cut into many chunks.
    struct Case {
        int32_t srcWidth, srcHeight, width, height, filter;
    };
    const Case cases[] = {{160, 120, 640, 480, MITCHELL_FILTER}, {40, 600, 120, 1800, MITCHELL_FILTER},
                          {301, 211, 97, 403, 5}, {64, 48, 64, 48, 0}};
    const Pixel24 key = Rgb(255, 0, 255);
    CRescaleScratch scratch;
    for (const int32_t threads : {1, 2, 7}) {
        CWorkerPool pool(threads);
        for (const Case& c : cases) {
            const CBitmap24 source = RandomPicture(c.srcWidth, c.srcHeight, 31 + c.filter, key, 37);
            const CBitmap24 expected = PlainZoom(*CreateFilter(c.filter), source, c.width, c.height, key);
            std::unique_ptr<CResampleFilter> filter = CreateFilter(c.filter);
            filter->SetKeyColour(key);
            filter->SetSourceBits(source.Bits());
            filter->SetSourceSize(c.srcWidth, c.srcHeight);
            filter->SetScratch(&scratch);
            filter->SetWorkerPool(&pool);
            filter->CreateDestination(c.width, c.height);
            filter->Zoom();
            const CBitmap24 result(c.width, c.height, filter->ReleaseDestination());
            ASSERT_EQ(BitsOf(result), BitsOf(expected)) << threads << " threads, " << c.srcWidth << "x" << c.srcHeight
                                                        << " → " << c.width << "x" << c.height;
        }
    }
    EXPECT_GE(scratch.Bytes(), size_t{3} * 640 * 120 * 2);   // sized for the largest rescale, and kept
}

// --- Strips of the intermediate image -----------------------------------------------------

TEST(Rescaler, StripsAreTheWholeWidthUpToTheBudgetAndNarrowerPastIt)
{
    // 100 columns of 10 rows: 4 bytes a pixel, 4000 bytes in all.
    EXPECT_EQ(CResampleFilter::StripColumns(100, 10, 4000), 100);
    EXPECT_EQ(CResampleFilter::StripColumns(100, 10, 3999), 96);   // 99 fit: whole vector blocks
    EXPECT_EQ(CResampleFilter::StripColumns(100, 10, 40 * 32), 32);
    EXPECT_EQ(CResampleFilter::StripColumns(100, 10, 40 * 32 - 1), 31);   // under one block: what fits
    EXPECT_EQ(CResampleFilter::StripColumns(100, 10, 40), 1);
    EXPECT_EQ(CResampleFilter::StripColumns(100, 10, 39), 1);   // never none
    // The pictures that were refused or took gigabytes fit the default budget in strips.
    const int64_t budget = CResampleFilter::INTERMEDIATE_BUDGET_BYTES;
    EXPECT_EQ(CResampleFilter::StripColumns(18000, 32768, budget), 512);
    EXPECT_EQ(CResampleFilter::StripColumns(18000, 18000, budget), 928);
    // Screen-sized pictures stay whole: the budget is 4096 × 4096 pixels of intermediate.
    EXPECT_EQ(CResampleFilter::StripColumns(3840, 2160, budget), 3840);
    EXPECT_EQ(CResampleFilter::StripColumns(4096, 4096, budget), 4096);
    EXPECT_EQ(CResampleFilter::StripColumns(4097, 4096, budget), 4096);
}

TEST(Rescaler, StripsGiveTheBytesOfTheWholeIntermediate)
{
    // Budgets that cut the intermediate into strips of 1, 5, 31, 32 and 64 columns and
    // into just under the whole width, on one and two threads, against the plain rules.
    struct Case {
        int32_t srcWidth, srcHeight, width, height, filter;
    };
    const Case cases[] = {{37, 23, 80, 50, MITCHELL_FILTER}, {120, 40, 70, 90, 5}, {3, 64, 200, 7, 0},
                          {1, 300, 150, 1, MITCHELL_FILTER}, {90, 1, 2, 33, 1}, {64, 48, 129, 48, 6}};
    const Pixel24 key = Rgb(255, 0, 255);
    for (const int32_t threads : {1, 2}) {
        CWorkerPool pool(threads);
        for (const Case& c : cases) {
            const CBitmap24 source = RandomPicture(c.srcWidth, c.srcHeight, 57 + c.filter, key, 13);
            const CBitmap24 expected = PlainZoom(*CreateFilter(c.filter), source, c.width, c.height, key);
            for (const int32_t stripColumns : {1, 5, 31, 32, 64, c.width - 1}) {
                if (stripColumns < 1 || stripColumns >= c.width)
                    continue;
                const int64_t budget = int64_t{4} * c.srcHeight * stripColumns;
                ASSERT_LT(CResampleFilter::StripColumns(c.width, c.srcHeight, budget), c.width);
                std::unique_ptr<CResampleFilter> filter = CreateFilter(c.filter);
                filter->SetKeyColour(key);
                filter->SetSourceBits(source.Bits());
                filter->SetSourceSize(c.srcWidth, c.srcHeight);
                filter->SetWorkerPool(&pool);
                filter->SetIntermediateBudget(budget);
                filter->CreateDestination(c.width, c.height);
                filter->Zoom();
                const CBitmap24 result(c.width, c.height, filter->ReleaseDestination());
                ASSERT_EQ(BitsOf(result), BitsOf(expected))
                    << threads << " threads, " << c.srcWidth << "x" << c.srcHeight << " → " << c.width << "x"
                    << c.height << " in strips of " << stripColumns;
            }
        }
    }
}

// --- The worked cases of the rules -------------------------------------------------------

// Without a key every pixel is blended, whatever its colour: the plain rules with no key,
// and not what a key of the same colour gives.
TEST(Rescaler, WithoutAKeyBlendsEveryPixel)
{
    const Pixel24 magenta = Rgb(255, 0, 255);
    const CBitmap24 source = RandomPicture(23, 17, 11, magenta, 3);
    for (const auto& [width, height] : {std::pair{51, 40}, std::pair{9, 7}}) {
        CBitmapRescaler rescaler(&source);
        rescaler.Rescale({width, height}, MITCHELL_FILTER, std::nullopt);
        const std::unique_ptr<CBitmap24> plain = rescaler.GetBitmap();
        EXPECT_EQ(BitsOf(*plain), BitsOf(PlainZoom(*CreateFilter(MITCHELL_FILTER), source, width, height, std::nullopt)));
        EXPECT_NE(BitsOf(*plain), BitsOf(*Rescale(source, width, height, MITCHELL_FILTER, ColourOf(magenta))));
    }
}

TEST(Rescaler, AtScaleOneEachPassLosesOneAndTheKeyAreaGrowsByAPixel)
{
    // Mitchell at scale 1: 0.0555… + 0.888… + 0.0555… is just below 1.
    const auto uniform = Rescale(UniformPicture(12, 9, Rgb(255, 1, 100)), 12, 9, MITCHELL_FILTER, 0x00FF0000);
    EXPECT_EQ(PixelAt(*uniform, 5, 4), Rgb(253, 0, 98));
    EXPECT_EQ(PixelAt(*uniform, 0, 0), Rgb(253, 0, 98));

    // Every pixel that is the key or has it among its eight neighbours becomes the key.
    const Pixel24 blue = Rgb(0, 0, 255);
    CBitmap24 source = UniformPicture(9, 9, Rgb(90, 90, 90));
    SetPixel(source, 4, 4, blue);
    const auto result = Rescale(source, 9, 9, MITCHELL_FILTER, ColourOf(blue));
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x)
            EXPECT_EQ(PixelAt(*result, x, y) == blue, std::abs(x - 4) <= 1 && std::abs(y - 4) <= 1) << x << "," << y;
}

TEST(Rescaler, KeyPixelWithANegativeWeightIsSummed)
{
    // Enlarging 2:1, output 7 samples source 3.5: source 5 is 1.5 away (negative weight),
    // not a hit.
    const Pixel24 key = Rgb(0, 255, 0);
    CBitmap24 source = UniformPicture(10, 1, Rgb(100, 100, 100));
    SetPixel(source, 5, 0, key);
    const auto result = Rescale(source, 20, 1, MITCHELL_FILTER, ColourOf(key));
    EXPECT_NE(PixelAt(*result, 7, 0), key);
    // The key's 255 green with a negative weight pulls green below the grey's.
    EXPECT_LT(PixelAt(*result, 7, 0).green, PixelAt(*result, 3, 0).green);
    EXPECT_EQ(PixelAt(*result, 8, 0), key);   // 1.0 away: positive weight, a hit
}

TEST(Rescaler, BoxEnlargingTwoToOneRepeatsEachPixel)
{
    const CBitmap24 source = RandomPicture(6, 1, 21, Pixel24{}, 0);
    const auto result = Rescale(source, 12, 1, 1, 0x00FF00FF);
    for (int32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(PixelAt(*result, 2 * k, 0), PixelAt(source, k, 0));
        EXPECT_EQ(PixelAt(*result, 2 * k + 1, 0), PixelAt(source, k, 0));
    }
}

TEST(Rescaler, RefusesWhatItCannotMake)
{
    const CBitmap24 source = RandomPicture(4, 4, 1, Pixel24{}, 0);
    CBitmapRescaler rescaler(&source);
    EXPECT_THROW(rescaler.Rescale({8, 8}, 7, 0), CFatalError);
    EXPECT_THROW(rescaler.Rescale({8, 8}, -1, 0), CFatalError);
    EXPECT_THROW(rescaler.Rescale({0, 8}, 6, 0), CFatalError);
    EXPECT_THROW(rescaler.Rescale({100000, 100000}, 6, 0), CFatalError);   // 30 GB
    EXPECT_EQ(rescaler.GetBitmap(), nullptr);

    const CBitmap24 empty(0, 0);
    CBitmapRescaler fromEmpty(&empty);
    EXPECT_THROW(fromEmpty.Rescale({8, 8}, 6, 0), CFatalError);
}

} // namespace
