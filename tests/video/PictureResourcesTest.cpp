// PictureResourcesTest.cpp — built-in pictures by name in any letter case, BMP files by
// path, and refusals. (A file's row and channel order is checked where a sprite loads
// one, in SpriteTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/ScratchFolderTest.h"
#include "platform/video/PictureResources.h"

namespace {

using PictureResources = CScratchFolderTest;

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A black 24-bit BMP file: 54-byte header, rows padded to 4 bytes.
std::vector<uint8_t> MakeBmp(int32_t width, int32_t height)
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

TEST_F(PictureResources, WhatIsNeitherABuiltInNameNorABmpFileGivesNothing)
{
    EXPECT_EQ(LoadPicture("Ball2"), nullptr);
    EXPECT_EQ(LoadPicture(""), nullptr);
    EXPECT_EQ(LoadPicture(Path("missing.bmp").string()), nullptr);
    EXPECT_EQ(LoadPicture(m_folder.string()), nullptr);   // a folder

    WriteFile("text.bmp", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(LoadPicture(Path("text.bmp").string()), nullptr);
    std::vector<uint8_t> truncated = MakeBmp(8, 8);
    truncated.resize(70);
    WriteFile("truncated.bmp", truncated);
    EXPECT_EQ(LoadPicture(Path("truncated.bmp").string()), nullptr);
    // A header claiming 100000 x 100000 pixels is refused before anything is decoded.
    std::vector<uint8_t> huge = MakeBmp(1, 1);
    Put32(huge, 18, 100000);
    Put32(huge, 22, 100000);
    WriteFile("huge.bmp", huge);
    EXPECT_EQ(LoadPicture(Path("huge.bmp").string()), nullptr);
}

} // namespace
