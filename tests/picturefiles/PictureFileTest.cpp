// PictureFileTest.cpp — picture files in and out: formats, depths, damage and atomic writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "picturefiles/PictureFile.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ScratchFolderTest.h"

namespace fs = std::filesystem;

namespace {

using PictureFileTest = CScratchFolderTest;

CBitmap24 RandomPicture(int32_t width, int32_t height)
{
    std::mt19937 random(width * 31 + height);
    return PictureOf(width, height, [&](int32_t, int32_t) {
        return Pixel24{uint8_t(random()), uint8_t(random()), uint8_t(random())};
    });
}

TEST_F(PictureFileTest, PngAndBmpRoundTripEveryPixelTopRowFirst)
{
    const CBitmap24 picture = RandomPicture(7, 5);   // odd width: padded rows
    for (const char* name : {"a.png", "b.bmp", "C.PNG"}) {
        WritePicture(Path(name), picture);
        const auto back = ReadPicture(Path(name));
        ASSERT_EQ(back->Width(), 7);
        ASSERT_EQ(back->Height(), 5);
        EXPECT_EQ(BitsOf(*back), BitsOf(picture)) << name;

        // Read by another decoder, the file's first row is row 0.
        int width, height, channels;
        unsigned char* rgb = stbi_load(Path(name).c_str(), &width, &height, &channels, 3);
        ASSERT_NE(rgb, nullptr);
        EXPECT_EQ(rgb[3], PixelAt(picture, 1, 0).red) << name;
        stbi_image_free(rgb);
    }
}

TEST_F(PictureFileTest, GreyAndAlphaPicturesAreReadAsRgb)
{
    const uint8_t grey[4] = {0, 85, 170, 255};
    ASSERT_TRUE(stbi_write_png(Path("grey.png").c_str(), 2, 2, 1, grey, 2));
    EXPECT_EQ(PixelAt(*ReadPicture(Path("grey.png")), 1, 0), (Pixel24{85, 85, 85}));

    const uint8_t rgba[8] = {10, 20, 30, 0, 40, 50, 60, 128};
    ASSERT_TRUE(stbi_write_png(Path("alpha.png").c_str(), 2, 1, 4, rgba, 8));
    const auto alpha = ReadPicture(Path("alpha.png"));
    EXPECT_EQ(PixelAt(*alpha, 0, 0), Rgb(10, 20, 30));   // alpha dropped, colour kept
    EXPECT_EQ(PixelAt(*alpha, 1, 0), Rgb(40, 50, 60));
}

TEST_F(PictureFileTest, RefusesMissingDamagedForeignAndHugeFiles)
{
    EXPECT_THROW(ReadPicture(Path("missing.png")), CPictureFileError);
    EXPECT_THROW(ReadPicture(m_folder), CPictureFileError);

    WritePicture(Path("good.png"), RandomPicture(16, 16));
    const std::string good = ReadFile(Path("good.png"));
    WriteFile("cut.png", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2));
    EXPECT_THROW(ReadPicture(Path("cut.png")), CPictureFileError);
    WriteFile("text.png", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_THROW(ReadPicture(Path("text.png")), CPictureFileError);
    WriteFile("empty.bmp", {});
    EXPECT_THROW(ReadPicture(Path("empty.bmp")), CPictureFileError);

    // A PNG header claiming 30000 × 30000 (2.5 GiB of pixels), with no data behind it:
    // refused by its size, before anything is decoded.
    WriteFile("huge.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                           0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30, 8, 2, 0, 0, 0, 0, 0, 0, 0});
    try {
        ReadPicture(Path("huge.png"));
        FAIL() << "a 30000 x 30000 picture was accepted";
    } catch (const CPictureFileError& error) {
        EXPECT_NE(std::string(error.what()).find("30000x30000"), std::string::npos) << error.what();
    }
}

TEST_F(PictureFileTest, AFailedWriteLeavesNothingBehind)
{
    EXPECT_THROW(WritePicture(Path("no-such-folder/out.png"), RandomPicture(2, 2)), CPictureFileError);
    EXPECT_THROW(WritePicture(Path("out.jpg"), RandomPicture(2, 2)), std::invalid_argument);

    // A write replaces an existing file whole and leaves no temporary file.
    WritePicture(Path("same.png"), RandomPicture(3, 3));
    WritePicture(Path("same.png"), RandomPicture(4, 4));
    EXPECT_EQ(ReadPicture(Path("same.png"))->Width(), 4);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1);
}

} // namespace
