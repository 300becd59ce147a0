// PictureFileTest.cpp — picture files in and out: formats, depths, damage and atomic writes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "platform/PixelTypes.h"
#include "tests/ScratchFolderTest.h"
#include "tools/image/PictureFile.h"

namespace fs = std::filesystem;

namespace {

class PictureFileTest : public CScratchFolderTest {
protected:
    void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) const
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }

};

CBitmap24 RandomPicture(int32_t width, int32_t height)
{
    CBitmap24 picture(width, height);
    std::mt19937 random(width * 31 + height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            StorePixel(picture.Bits() + y * picture.Stride() + 3 * x,
                       Pixel24{uint8_t(random()), uint8_t(random()), uint8_t(random())});
    return picture;
}

Pixel24 PixelAt(const CBitmap24& picture, int32_t x, int32_t y)
{
    return LoadPixel(picture.Bits() + y * picture.Stride() + 3 * x);
}

TEST_F(PictureFileTest, PngAndBmpRoundTripEveryPixel)
{
    const CBitmap24 picture = RandomPicture(7, 5);   // odd width: padded rows
    for (const char* name : {"a.png", "b.bmp", "C.PNG"}) {
        WritePicture(Path(name), picture);
        const auto back = ReadPicture(Path(name));
        ASSERT_EQ(back->Width(), 7);
        ASSERT_EQ(back->Height(), 5);
        EXPECT_EQ(std::vector<uint8_t>(back->Bits(), back->Bits() + back->ByteCount()),
                  std::vector<uint8_t>(picture.Bits(), picture.Bits() + picture.ByteCount()))
            << name;
    }
}

TEST_F(PictureFileTest, RowZeroIsTheTopRow)
{
    CBitmap24 picture(1, 2);
    StorePixel(picture.Bits(), Pixel24{0, 0, 255});   // red on top
    WritePicture(Path("top.png"), picture);
    int width, height, channels;
    unsigned char* rgb = stbi_load(Path("top.png").c_str(), &width, &height, &channels, 3);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb[0], 255);   // first row in the file is red
    EXPECT_EQ(rgb[3], 0);
    stbi_image_free(rgb);
}

TEST_F(PictureFileTest, GreyAndAlphaPicturesAreReadAsRgb)
{
    const uint8_t grey[4] = {0, 85, 170, 255};
    ASSERT_TRUE(stbi_write_png(Path("grey.png").c_str(), 2, 2, 1, grey, 2));
    const auto g = ReadPicture(Path("grey.png"));
    EXPECT_EQ(PixelAt(*g, 1, 0), (Pixel24{85, 85, 85}));

    const uint8_t rgba[8] = {10, 20, 30, 0, 40, 50, 60, 128};
    ASSERT_TRUE(stbi_write_png(Path("alpha.png").c_str(), 2, 1, 4, rgba, 8));
    const auto a = ReadPicture(Path("alpha.png"));
    EXPECT_EQ(PixelAt(*a, 0, 0), (Pixel24{30, 20, 10}));   // alpha dropped, colour kept
    EXPECT_EQ(PixelAt(*a, 1, 0), (Pixel24{60, 50, 40}));
}

TEST_F(PictureFileTest, PaletteBmpIsExpanded)
{
    // A 2 × 1, 8-bit BMP with two palette entries: index 1 then index 0.
    std::vector<uint8_t> bmp = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,   // file header
                                40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0,   // size, width, height, planes, bits
                                0, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                2, 0, 0, 0, 0, 0, 0, 0,                            // 2 colours used
                                10, 20, 30, 0, 200, 100, 50, 0,                    // entries: B, G, R, 0
                                1, 0, 0, 0};                                       // one row, padded to 4
    WriteBytes(Path("palette.bmp"), bmp);
    const auto picture = ReadPicture(Path("palette.bmp"));
    ASSERT_EQ(picture->Width(), 2);
    EXPECT_EQ(PixelAt(*picture, 0, 0), (Pixel24{200, 100, 50}));
    EXPECT_EQ(PixelAt(*picture, 1, 0), (Pixel24{10, 20, 30}));
}

TEST_F(PictureFileTest, RefusesMissingDamagedAndForeignFiles)
{
    EXPECT_THROW(ReadPicture(Path("missing.png")), CPictureFileError);
    EXPECT_THROW(ReadPicture(m_folder), CPictureFileError);

    WritePicture(Path("good.png"), RandomPicture(16, 16));
    std::ifstream in(Path("good.png"), std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    bytes.resize(bytes.size() / 2);   // cut short
    WriteBytes(Path("cut.png"), bytes);
    EXPECT_THROW(ReadPicture(Path("cut.png")), CPictureFileError);

    WriteBytes(Path("text.png"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_THROW(ReadPicture(Path("text.png")), CPictureFileError);
    WriteBytes(Path("empty.bmp"), {});
    EXPECT_THROW(ReadPicture(Path("empty.bmp")), CPictureFileError);
}

TEST_F(PictureFileTest, RefusesAPictureTooLargeBeforeDecodingIt)
{
    // A PNG header claiming 30000 × 30000 (2.5 GiB of pixels), with no data behind it.
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                0, 0, 0x75, 0x30, 0, 0, 0x75, 0x30, 8, 2, 0, 0, 0, 0, 0, 0, 0};
    WriteBytes(Path("huge.png"), png);
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
    int32_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_folder))
        ++files;
    EXPECT_EQ(files, 1);
}

} // namespace
