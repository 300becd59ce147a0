// RescalerTest.cpp — the two-pass rescaler against a plain, step-by-step rendering of
// the rescaling rules, and the rules' own worked cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/BitmapRescaler.h"
#include "imaging/KernelFilters.h"
#include "platform/FatalError.h"

namespace {

// ---------------------------------------------------------------------------------------
// A plain rescaler, written straight from the rules: one pixel at a time, a row buffer
// for the horizontal pass and a column buffer for the vertical one, stopping at the
// first key hit. The library's vector passes must match it byte for byte.
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

Pixel24 PlainFilterPixel(const Pixel24* pixels, const std::vector<PlainContributor>& list, Pixel24 key)
{
    double red = 0.0, green = 0.0, blue = 0.0;
    for (const PlainContributor& c : list) {
        const Pixel24 p = pixels[c.pixel];
        if (p.red == key.red && p.green == key.green && p.blue == key.blue && c.weight > 0.0)
            return key;
        red = red + p.red * c.weight;
        green = green + p.green * c.weight;
        blue = blue + p.blue * c.weight;
    }
    auto clamp = [](double v) {
        if (v < 0.0)
            v = 0.0;
        else if (v > 255.0)
            v = 255.0;
        return static_cast<uint8_t>(static_cast<int32_t>(v));
    };
    return Pixel24{clamp(blue), clamp(green), clamp(red)};
}

// Returns the destination in the shared row layout (pad bytes 0).
std::vector<uint8_t> PlainZoom(const CResampleFilter& filter, const std::vector<uint8_t>& src, int32_t sw, int32_t sh,
                               int32_t dw, int32_t dh, Pixel24 key)
{
    const int32_t srcStride = RowStride(sw), destStride = RowStride(dw);
    std::vector<uint8_t> temp(static_cast<size_t>(destStride) * sh), dest(static_cast<size_t>(destStride) * dh);

    const auto across = PlainLists(filter, double(dw) / double(sw), sw, dw);
    std::vector<Pixel24> row(sw);
    for (int32_t k = 0; k < sh; ++k) {
        std::memcpy(row.data(), src.data() + static_cast<size_t>(k) * srcStride, 3 * static_cast<size_t>(sw));
        for (int32_t i = 0; i < dw; ++i)
            StorePixel(&temp[static_cast<size_t>(k) * destStride + 3 * i], PlainFilterPixel(row.data(), across[i], key));
    }
    const auto down = PlainLists(filter, double(dh) / double(sh), sh, dh);
    std::vector<Pixel24> column(sh);
    for (int32_t x = 0; x < dw; ++x) {
        for (int32_t k = 0; k < sh; ++k)
            column[k] = LoadPixel(&temp[static_cast<size_t>(k) * destStride + 3 * x]);
        for (int32_t i = 0; i < dh; ++i)
            StorePixel(&dest[static_cast<size_t>(i) * destStride + 3 * x], PlainFilterPixel(column.data(), down[i], key));
    }
    return dest;
}

// ---------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------

// A picture of random colours, with about one pixel in `keyEvery` set to key.
CBitmap24 RandomPicture(int32_t width, int32_t height, uint32_t seed, Pixel24 key, int32_t keyEvery)
{
    CBitmap24 picture(width, height);
    std::mt19937 random(seed);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* p = picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x;
            const uint32_t r = random();
            if (keyEvery > 0 && r % keyEvery == 0)
                StorePixel(p, key);
            else
                StorePixel(p, Pixel24{uint8_t(r >> 8), uint8_t(r >> 16), uint8_t(r >> 24)});
        }
    return picture;
}

CBitmap24 UniformPicture(int32_t width, int32_t height, Pixel24 colour)
{
    CBitmap24 picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            StorePixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x, colour);
    return picture;
}

std::unique_ptr<CBitmap24> Rescale(const CBitmap24& source, int32_t width, int32_t height, int32_t filter, ColourRef key)
{
    CBitmapRescaler rescaler(&source);
    rescaler.Rescale({width, height}, filter, key);
    return rescaler.GetBitmap();
}

Pixel24 PixelAt(const CBitmap24& picture, int32_t x, int32_t y)
{
    return LoadPixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x);
}

std::vector<uint8_t> BitsOf(const CBitmap24& picture)
{
    return std::vector<uint8_t>(picture.Bits(), picture.Bits() + picture.ByteCount());
}

// Compares the library with the plain rescaler for one case.
void ExpectSameAsPlain(const CBitmap24& source, int32_t width, int32_t height, int32_t filterIndex, ColourRef key)
{
    const auto result = Rescale(source, width, height, filterIndex, key);
    const Pixel24 keyPixel = key == KEY_FROM_FIRST_PIXEL ? PixelAt(source, 0, 0) : PixelOf(key);
    const auto expected = PlainZoom(*CreateFilter(filterIndex), BitsOf(source), source.Width(), source.Height(),
                                    width, height, keyPixel);
    ASSERT_EQ(BitsOf(*result), expected) << source.Width() << "x" << source.Height() << " → " << width << "x"
                                         << height << " with filter " << filterIndex;
}

// ---------------------------------------------------------------------------------------
// Whole pictures against the plain rescaler
// ---------------------------------------------------------------------------------------

TEST(Rescaler, MatchesThePlainRulesForEveryFilterAndDirection)
{
    const Pixel24 magenta{255, 0, 255};
    const CBitmap24 source = RandomPicture(37, 23, 7, magenta, 11);
    const int32_t sizes[][2] = {{37, 23}, {80, 50}, {19, 11}, {5, 3}, {111, 7}, {1, 1}, {2, 64}};
    for (int32_t filter = 0; filter < FILTER_COUNT; ++filter)
        for (const auto& size : sizes) {
            ExpectSameAsPlain(source, size[0], size[1], filter, ColourOf(magenta));
            ExpectSameAsPlain(source, size[0], size[1], filter, KEY_FROM_FIRST_PIXEL);
        }
}

TEST(Rescaler, MatchesThePlainRulesOnRowsLongEnoughForTheVectorLoops)
{
    // Widths around the 32-byte vector block, and key pixels scattered through it.
    const Pixel24 key{0, 0, 0};
    for (int32_t width : {10, 11, 21, 22, 64, 129}) {
        const CBitmap24 source = RandomPicture(width, 30, 100 + width, key, 5);
        ExpectSameAsPlain(source, width * 3 - 1, 67, MITCHELL_FILTER, ColourOf(key));
        ExpectSameAsPlain(source, width / 2 + 1, 13, 5, ColourOf(key));
    }
}

TEST(Rescaler, MatchesThePlainRulesWhenTheWorkIsSharedBetweenThreads)
{
    // Large enough that each pass is split between the cores.
    const CBitmap24 source = RandomPicture(160, 120, 3, Pixel24{255, 0, 255}, 40);
    ExpectSameAsPlain(source, 640, 480, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
}

TEST(Rescaler, WindowsWiderThanThePictureStayInside)
{
    const CBitmap24 source = RandomPicture(3, 2, 9, Pixel24{}, 0);
    for (int32_t filter = 0; filter < FILTER_COUNT; ++filter) {
        ExpectSameAsPlain(source, 1, 1, filter, KEY_FROM_FIRST_PIXEL);
        ExpectSameAsPlain(source, 40, 1, filter, KEY_FROM_FIRST_PIXEL);
    }
    const CBitmap24 one = RandomPicture(1, 1, 10, Pixel24{}, 0);
    ExpectSameAsPlain(one, 7, 5, 5, 0x00123456);
}

// ---------------------------------------------------------------------------------------
// The worked cases of the rules
// ---------------------------------------------------------------------------------------

TEST(Rescaler, SameSizeStillFiltersAndLosesOnePerPass)
{
    // Mitchell at scale 1: 0.0555… + 0.888… + 0.0555… is just below 1.
    const auto white = Rescale(UniformPicture(12, 9, Pixel24{255, 255, 255}), 12, 9, MITCHELL_FILTER, 0x00FF0000);
    EXPECT_EQ(PixelAt(*white, 5, 4), (Pixel24{253, 253, 253}));
    EXPECT_EQ(PixelAt(*white, 0, 0), (Pixel24{253, 253, 253}));

    const auto mixed = Rescale(UniformPicture(12, 9, Pixel24{1, 0, 100}), 12, 9, MITCHELL_FILTER, 0x00FF0000);
    EXPECT_EQ(PixelAt(*mixed, 6, 6), (Pixel24{0, 0, 98}));   // blue 1 → 0, green 0 stays, red 100 → 98

    // A one-row picture folds every vertical contributor onto its one row: still − 1.
    const auto row = Rescale(UniformPicture(12, 1, Pixel24{200, 200, 200}), 12, 1, MITCHELL_FILTER, 0x00FF0000);
    EXPECT_EQ(PixelAt(*row, 3, 0), (Pixel24{198, 198, 198}));
}

TEST(Rescaler, KeyAreaGrowsByOnePixelAtScaleOne)
{
    const Pixel24 grey{90, 90, 90}, blue{255, 0, 0};
    CBitmap24 source = UniformPicture(9, 9, grey);
    StorePixel(source.Bits() + 4 * source.Stride() + 3 * 4, blue);
    const auto result = Rescale(source, 9, 9, MITCHELL_FILTER, ColourOf(blue));
    for (int32_t y = 0; y < 9; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            const bool nearKey = std::abs(x - 4) <= 1 && std::abs(y - 4) <= 1;
            EXPECT_EQ(PixelAt(*result, x, y) == blue, nearKey) << x << "," << y;
        }
}

TEST(Rescaler, KeyPixelWithANegativeWeightIsSummed)
{
    // Enlarging 2:1, output 7 samples source 3.5: source 5 is 1.5 away (negative weight),
    // source 2 is 1.5 away on the other side, both not hits.
    const Pixel24 grey{100, 100, 100}, key{0, 255, 0};
    CBitmap24 source = UniformPicture(10, 1, grey);
    StorePixel(source.Bits() + 3 * 5, key);
    const auto result = Rescale(source, 20, 1, MITCHELL_FILTER, ColourOf(key));
    EXPECT_NE(PixelAt(*result, 7, 0), key);
    // The key's 255 green with a negative weight pulls green below the grey's.
    EXPECT_LT(PixelAt(*result, 7, 0).green, PixelAt(*result, 3, 0).green);
    EXPECT_EQ(PixelAt(*result, 8, 0), key);   // 1.0 away: positive weight, a hit
}

TEST(Rescaler, KeyArgumentIsSplitAsBlueGreenRed)
{
    // 0x00BBGGRR: 0x00010203 means red 3, green 2, blue 1.
    const Pixel24 key{1, 2, 3};
    CBitmap24 source = UniformPicture(8, 8, Pixel24{50, 60, 70});
    StorePixel(source.Bits() + 3 * source.Stride() + 9, key);
    const auto result = Rescale(source, 8, 8, MITCHELL_FILTER, 0x00010203);
    EXPECT_EQ(PixelAt(*result, 3, 3), key);

    // The first pixel stands in for the key with 0xFFFFFFFF: a first pixel equal to the
    // rest makes the whole picture key.
    const auto all = Rescale(source, 8, 8, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
    EXPECT_EQ(PixelAt(*all, 7, 7), (Pixel24{50, 60, 70}));
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

TEST(Rescaler, OddWidthsKeepZeroPadBytes)
{
    const CBitmap24 source = RandomPicture(7, 4, 5, Pixel24{}, 0);
    const auto result = Rescale(source, 5, 3, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
    ASSERT_EQ(result->Stride(), 16);
    ASSERT_EQ(result->ByteCount(), 48u);
    for (int32_t y = 0; y < 3; ++y)
        EXPECT_EQ(result->Bits()[y * 16 + 15], 0);
}

TEST(Rescaler, StackedFramesAreFilteredAsOnePicture)
{
    // Two 4-row frames, red above blue: the vertical kernel reaches across the border.
    CBitmap24 source = UniformPicture(4, 8, Pixel24{0, 0, 200});
    for (int32_t y = 4; y < 8; ++y)
        for (int32_t x = 0; x < 4; ++x)
            StorePixel(source.Bits() + y * source.Stride() + 3 * x, Pixel24{200, 0, 0});
    const auto result = Rescale(source, 4, 8, MITCHELL_FILTER, 0x0000FF00);
    EXPECT_GT(PixelAt(*result, 1, 3).blue, 0);   // last row of frame 0 sees frame 1
    EXPECT_GT(PixelAt(*result, 1, 4).red, 0);
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

TEST(Rescaler, LeavesTheSourceUntouched)
{
    const CBitmap24 source = RandomPicture(9, 5, 77, Pixel24{}, 0);
    const std::vector<uint8_t> before = BitsOf(source);
    Rescale(source, 20, 20, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
    EXPECT_EQ(BitsOf(source), before);
}

} // namespace
