// Bitmap24Test.cpp — the in-memory bitmap keeps the shared row layout byte for byte.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/Bitmap24.h"
#include "platform/FatalError.h"
#include "platform/ImageSize.h"
#include "platform/PixelTypes.h"

namespace {

TEST(Bitmap24, RowsArePaddedToAnEvenByteCount)
{
    EXPECT_EQ(RowStride(4), 12);
    EXPECT_EQ(RowStride(5), 16);
    EXPECT_EQ(RowStride(40), 120);
    EXPECT_EQ(RowStride(1), 4);

    const CBitmap24 picture(5, 3);
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Height(), 3);
    EXPECT_EQ(picture.Stride(), 16);
    EXPECT_EQ(picture.ByteCount(), 48u);
}

TEST(Bitmap24, ANewPictureIsAllZero)
{
    const CBitmap24 picture(7, 4);
    std::vector<uint8_t> bits(picture.ByteCount(), 0xAA);
    EXPECT_EQ(picture.ReadBits(bits.data(), bits.size()), bits.size());
    EXPECT_EQ(bits, std::vector<uint8_t>(bits.size(), 0));
}

TEST(Bitmap24, WhatIsWrittenIsReadBackPadBytesIncluded)
{
    CBitmap24 picture(3, 2);   // stride 10: one pad byte a row
    std::vector<uint8_t> in(picture.ByteCount());
    std::iota(in.begin(), in.end(), uint8_t{1});
    EXPECT_EQ(picture.WriteBits(in.data(), in.size()), in.size());

    std::vector<uint8_t> out(in.size());
    picture.ReadBits(out.data(), out.size());
    EXPECT_EQ(out, in);
    EXPECT_EQ(picture.Bits()[9], 10);   // row 0's pad byte
    EXPECT_EQ(LoadPixel(picture.Bits() + 10), (Pixel24{11, 12, 13}));   // row 1 starts at the stride
}

TEST(Bitmap24, CopiesStopAtTheSmallerSize)
{
    CBitmap24 picture(2, 2);   // 12 bytes
    std::vector<uint8_t> big(100, 7);
    EXPECT_EQ(picture.WriteBits(big.data(), big.size()), 12u);
    std::vector<uint8_t> small(5, 0);
    EXPECT_EQ(picture.ReadBits(small.data(), small.size()), 5u);
    EXPECT_EQ(small, std::vector<uint8_t>(5, 7));
    EXPECT_EQ(picture.WriteBits(big.data(), 0), 0u);   // nothing stored reports 0
}

TEST(Bitmap24, RefusesNegativeAndOversizedPictures)
{
    EXPECT_THROW(CBitmap24(-1, 5), CFatalError);
    EXPECT_THROW(CBitmap24(5, -1), CFatalError);
    EXPECT_THROW(CBitmap24(32768, 32768), CFatalError);        // 3 GiB
    EXPECT_THROW(CBitmap24(2147483647, 2147483647), CFatalError);   // must not overflow on the way
    EXPECT_NO_THROW(CBitmap24(0, 0));
    EXPECT_EQ(CheckedImageBytes(18918, 18918, "x"), size_t{56754} * 18918);
    EXPECT_THROW(CheckedArrayBytes(int64_t{1} << 40, 16, "x"), CFatalError);
}

TEST(PixelTypes, ColourValuesAreBlueGreenRedFromTheTop)
{
    const ColourRef pureBlue = 0x00FF0000;
    EXPECT_EQ(RedOf(pureBlue), 0);
    EXPECT_EQ(BlueOf(pureBlue), 255);
    EXPECT_EQ(PixelOf(pureBlue), (Pixel24{255, 0, 0}));
    EXPECT_EQ(MakeColour(1, 2, 3), 0x00030201u);
    EXPECT_EQ(ColourOf(Pixel24{3, 2, 1}), 0x00030201u);
}

} // namespace
