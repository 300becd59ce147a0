// Bitmap24Test.cpp — the in-memory bitmap keeps the shared row layout byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <utility>
#include <vector>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/KeyColour.h"
#include "platform/bitmaps/OutOfMemory.h"
#include "platform/bitmaps/PixelBuffer.h"
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

// Sizes on both sides of the heap / mapped / huge-page borders, odd widths among them.
constexpr std::pair<int32_t, int32_t> SIZES_ACROSS_THE_BORDERS[] = {{1, 1}, {5, 3}, {301, 290}, {302, 290},
                                                                    {641, 480}, {1920, 1080}, {1, 1000000}};

TEST(Bitmap24, NewPicturesAreZeroOrHaveZeroPadsWhateverTheMemoryHeldBefore)
{
    for (const auto& [width, height] : SIZES_ACROSS_THE_BORDERS) {
        {
            // Leave the memory a picture of this size would get full of ones.
            CBitmap24 dirty(width, height, CBitmap24::PIXELS_UNDEFINED);
            std::fill(dirty.Bits(), dirty.Bits() + dirty.ByteCount(), uint8_t{0xFF});
        }
        const CBitmap24 zeroed(width, height);
        EXPECT_TRUE(std::all_of(zeroed.Bits(), zeroed.Bits() + zeroed.ByteCount(), [](uint8_t b) { return b == 0; }))
            << width << "x" << height;
        const CBitmap24 unset(width, height, CBitmap24::PIXELS_UNDEFINED);
        const CBitmap24 adopted(width, height, CPixelBuffer(unset.ByteCount()));
        for (const CBitmap24* picture : {&unset, &adopted})
            for (int32_t y = 0; y < height && width % 2 == 1; ++y)
                ASSERT_EQ(picture->Bits()[static_cast<size_t>(y) * picture->Stride() + 3 * width], 0)
                    << width << "x" << height << " row " << y;
    }
}

TEST(Bitmap24, TakesOverRowsAsTheyAreAndCopiesWhole)
{
    CPixelBuffer rows(10 * 2);   // 3 × 2, stride 10
    std::iota(rows.Data(), rows.Data() + rows.Size(), uint8_t{1});
    const uint8_t* where = rows.Data();
    const CBitmap24 picture(3, 2, std::move(rows));
    EXPECT_EQ(picture.Bits(), where);   // no copy
    EXPECT_EQ(rows.Data(), nullptr);
    EXPECT_EQ(BitsOf(picture), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0}));
    const CBitmap24 copy = picture;
    EXPECT_NE(copy.Bits(), picture.Bits());
    EXPECT_EQ(BitsOf(copy), BitsOf(picture));
    EXPECT_THROW(CBitmap24(3, 2, CPixelBuffer(19)), CFatalError);   // a byte short
    EXPECT_THROW(CBitmap24(3, 2, CPixelBuffer()), CFatalError);
}

TEST(PixelBuffer, ReserveKeepsABufferLargeEnoughAndReplacesASmallerOne)
{
    for (const size_t bytes : {size_t{100}, CPixelBuffer::MAPPED_BYTES, CPixelBuffer::HUGE_PAGE_BYTES * 3 + 5}) {
        CPixelBuffer buffer;
        uint8_t* first = buffer.Reserve(bytes);
        ASSERT_NE(first, nullptr);
        std::fill(first, first + bytes, uint8_t{7});   // all of it is writable
        EXPECT_EQ(buffer.Reserve(bytes / 2), first);
        EXPECT_EQ(buffer.Reserve(bytes), first);
        uint8_t* larger = buffer.Reserve(bytes * 2);
        std::fill(larger, larger + bytes * 2, uint8_t{8});
        EXPECT_GE(buffer.Size(), bytes * 2);
        CPixelBuffer moved = std::move(buffer);
        EXPECT_EQ(moved.Data(), larger);
        EXPECT_EQ(buffer.Size(), 0u);
    }
}

TEST(PixelBuffer, MemoryThatCannotBeHadIsRefusedNamingWhatAndHowMuch)
{
    // More than the address space holds: the system refuses the mapping.
    const size_t tooMuch = size_t{1} << 50;
    try {
        CPixelBuffer buffer(tooMuch, CPixelBuffer::UNDEFINED, "a test block");
        FAIL() << "a petabyte was mapped";
    } catch (const COutOfMemory& failure) {
        EXPECT_STREQ(failure.what(),
                     "out of memory: cannot allocate 1125899906842624 bytes (1073741824.0 MiB) for a test block");
    }
    // Reserve gives the old block back before asking for the new one, and is left empty
    // when the new one cannot be had.
    CPixelBuffer scratch;
    scratch.Reserve(CPixelBuffer::HUGE_PAGE_BYTES, "scratch");
    EXPECT_THROW(scratch.Reserve(tooMuch, "scratch"), std::bad_alloc);
    EXPECT_EQ(scratch.Data(), nullptr);
    EXPECT_EQ(scratch.Size(), 0u);
    EXPECT_EQ(COutOfMemory::SizeText(3 << 20), "3145728 bytes (3.0 MiB)");
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

// "auto" is the first pixel of each picture; a colour is itself, whatever the picture; none
// stays none; a picture without pixels leaves "auto" as it is instead of reading past it.
TEST(KeyColour, AutoIsEachPicturesFirstPixelAndNoneStaysNone)
{
    CBitmap24 picture = UniformPicture(3, 2, Rgb(1, 2, 3));
    SetPixel(picture, 0, 0, Rgb(200, 100, 50));
    const CBitmap24 other = UniformPicture(1, 1, Rgb(9, 8, 7));
    EXPECT_EQ(ResolveKey(KEY_FROM_FIRST_PIXEL, picture), MakeColour(200, 100, 50));
    EXPECT_EQ(ResolveKey(KEY_FROM_FIRST_PIXEL, other), MakeColour(9, 8, 7));
    EXPECT_EQ(ResolveKey(MakeColour(1, 2, 3), picture), MakeColour(1, 2, 3));
    EXPECT_EQ(ResolveKey(std::optional<ColourRef>(KEY_FROM_FIRST_PIXEL), picture), MakeColour(200, 100, 50));
    EXPECT_EQ(ResolveKey(std::optional<ColourRef>(MakeColour(0, 0, 255)), other), MakeColour(0, 0, 255));
    EXPECT_EQ(ResolveKey(std::optional<ColourRef>(), picture), std::nullopt);

    for (const auto& [width, height] : {std::pair{0, 0}, {0, 4}, {4, 0}})
        EXPECT_EQ(ResolveKey(KEY_FROM_FIRST_PIXEL, CBitmap24(width, height)), KEY_FROM_FIRST_PIXEL) << width << "x" << height;
}

} // namespace
