// Bitmap24Test.cpp — the in-memory bitmap keeps the shared row layout byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "tests/support/PicturePixels.h"

namespace {

TEST(Bitmap24, RowsArePaddedToAnEvenByteCountAndStartAllZero)
{
    for (const auto& [width, stride] : {std::pair{1, 4}, {4, 12}, {5, 16}, {40, 120}})
        EXPECT_EQ(RowStride(width), stride) << "width " << width;
    const CBitmap24 picture(5, 3);
    EXPECT_EQ(picture.Stride(), 16);
    EXPECT_EQ(BitsOf(picture), std::vector<uint8_t>(48, 0));
}

TEST(Bitmap24, CopiesInAndOutPadBytesIncludedUpToTheSmallerSize)
{
    CBitmap24 picture(3, 2);   // stride 10: one pad byte a row
    std::vector<uint8_t> in(25);
    std::iota(in.begin(), in.end(), uint8_t{1});
    EXPECT_EQ(picture.WriteBits(in.data(), in.size()), 20u);
    EXPECT_EQ(picture.Bits()[9], 10);                                  // row 0's pad byte
    EXPECT_EQ(LoadPixel(picture.Bits() + 10), (Pixel24{11, 12, 13}));  // row 1 starts at the stride

    std::vector<uint8_t> out(25, 0xAA);
    EXPECT_EQ(picture.ReadBits(out.data(), out.size()), 20u);
    EXPECT_TRUE(std::equal(in.begin(), in.begin() + 20, out.begin()));
    EXPECT_EQ(out[20], 0xAA);   // nothing past the picture
    std::vector<uint8_t> small(5);
    EXPECT_EQ(picture.ReadBits(small.data(), small.size()), 5u);
    EXPECT_EQ(picture.WriteBits(in.data(), 0), 0u);   // nothing stored reports 0
}

TEST(Bitmap24, RefusesNegativeAndOversizedPictures)
{
    EXPECT_THROW(CBitmap24(-1, 5), CFatalError);
    EXPECT_THROW(CBitmap24(5, -1), CFatalError);
    EXPECT_THROW(CBitmap24(32768, 32768), CFatalError);            // 3 GiB
    EXPECT_THROW(CBitmap24(2147483647, 2147483647), CFatalError);  // must not overflow on the way
    EXPECT_NO_THROW(CBitmap24(0, 0));
    EXPECT_EQ(CheckedImageBytes(18918, 18918, "x"), size_t{56754} * 18918);
    EXPECT_THROW(CheckedArrayBytes(int64_t{1} << 40, 16, "x"), CFatalError);
}

TEST(PixelTypes, ColourValuesAreBlueGreenRedFromTheTop)
{
    EXPECT_EQ(MakeColour(1, 2, 3), 0x00030201u);
    EXPECT_EQ(PixelOf(0x00030201u), (Pixel24{3, 2, 1}));
    EXPECT_EQ(ColourOf(Pixel24{3, 2, 1}), 0x00030201u);
    EXPECT_EQ(RedOf(0x00030201u), 1);
    EXPECT_EQ(BlueOf(0x00030201u), 3);
}

} // namespace
