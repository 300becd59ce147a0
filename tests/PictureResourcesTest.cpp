// PictureResourcesTest.cpp — built-in pictures by name in any letter case, BMP files by
// path, and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "ScratchFolderTest.h"
#include "platform/PictureResources.h"
#include "platform/PixelTypes.h"

namespace {

using PictureResources = CScratchFolderTest;

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A 24-bit BMP file: 54-byte header, rows bottom-up, each padded to 4 bytes.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height, const std::vector<Pixel24>& topDownPixels)
{
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> bytes(54 + stride * static_cast<size_t>(height), 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    Put32(bytes, 10, 54);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<uint32_t>(width));
    Put32(bytes, 22, static_cast<uint32_t>(height));
    bytes[26] = 1;    // planes
    bytes[28] = 24;   // bits per pixel
    for (int32_t y = 0; y < height && !topDownPixels.empty(); ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Pixel24 pixel = topDownPixels[static_cast<size_t>(y) * width + x];
            StorePixel(&bytes[54 + stride * static_cast<size_t>(height - 1 - y) + 3 * x], pixel);
        }
    return bytes;
}

// Each built-in picture, found by its name in any letter case, holds its file's pixels.
TEST_F(PictureResources, BuiltInPicturesAreFoundByNameInAnyLetterCase)
{
    for (const auto& [name, file] : {std::pair{"Background1", "BACKGROUND1"}, {"BALL1", "BALL1"}, {"paddle1", "PADDLE1"}}) {
        const auto builtIn = LoadPicture(name);
        const auto read = LoadPicture(std::string(TOLMIX_SOURCE_DIR) + "/res/" + file + ".bmp");
        ASSERT_NE(builtIn, nullptr) << name;
        ASSERT_NE(read, nullptr) << file;
        EXPECT_EQ(builtIn->Width(), read->Width()) << name;
        ASSERT_EQ(builtIn->ByteCount(), read->ByteCount()) << name;
        EXPECT_TRUE(std::equal(builtIn->Bits(), builtIn->Bits() + builtIn->ByteCount(), read->Bits())) << name;
    }
}

// A bottom-up BMP file comes out with row 0 at the top and channels in place.
TEST_F(PictureResources, AFileIsReadTopRowFirst)
{
    const std::vector<Pixel24> pixels = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}, {13, 14, 15}, {16, 17, 18}};
    WriteFile("three-by-two.bmp", MakeBmp(3, 2, pixels));
    const auto picture = LoadPicture(Path("three-by-two.bmp").string());
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->Width(), 3);
    ASSERT_EQ(picture->Height(), 2);
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_EQ(LoadPixel(picture->Bits() + y * picture->Stride() + 3 * x), pixels[static_cast<size_t>(y) * 3 + x]);
}

TEST_F(PictureResources, WhatIsNeitherABuiltInNameNorABmpFileGivesNothing)
{
    EXPECT_EQ(LoadPicture("Ball2"), nullptr);
    EXPECT_EQ(LoadPicture(""), nullptr);
    EXPECT_EQ(LoadPicture(Path("missing.bmp").string()), nullptr);
    EXPECT_EQ(LoadPicture(m_folder.string()), nullptr);   // a folder

    WriteFile("text.bmp", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(LoadPicture(Path("text.bmp").string()), nullptr);
    std::vector<uint8_t> truncated = MakeBmp(8, 8, {});
    truncated.resize(70);
    WriteFile("truncated.bmp", truncated);
    EXPECT_EQ(LoadPicture(Path("truncated.bmp").string()), nullptr);
    // A header claiming 100000 x 100000 pixels is refused before anything is decoded.
    std::vector<uint8_t> huge = MakeBmp(1, 1, {});
    Put32(huge, 18, 100000);
    Put32(huge, 22, 100000);
    WriteFile("huge.bmp", huge);
    EXPECT_EQ(LoadPicture(Path("huge.bmp").string()), nullptr);
}

} // namespace
