// PictureFileTest.cpp — picture files in and out: formats, depths (against stb_image),
// damage, and whole writes of one file or several. (The table of sound and broken BMP
// files, read by the tool and by the program alike, is in PictureResourcesTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <vector>

#include <spng.h>
#include <stb_image.h>
#include <stb_image_write.h>

#include "picturefiles/BmpEncoder.h"
#include "picturefiles/FileBatch.h"
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

// What stb_image_write makes of the picture as a BMP: the file the BMP writer has always made.
std::vector<uint8_t> StbBmp(const CBitmap24& picture)
{
    const std::vector<uint8_t> rgb = PackedRgbOf(picture);
    std::vector<uint8_t> file;
    stbi_write_bmp_to_func([](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
    }, &file, picture.Width(), picture.Height(), 3, rgb.data());
    return file;
}

TEST_F(PictureFileTest, BmpFilesAreByteForByteWhatStbImageWriteMakes)
{
    // Every row padding (widths 1 to 4 pad by 1, 2, 3 and 0 bytes), single rows, and
    // pictures taller than one block of rows.
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {2, 3}, {3, 2}, {4, 4}, {5, 1}, {7, 5}, {1, 70000}, {333, 701}};
    for (const auto& [width, height] : sizes) {
        const CBitmap24 picture = RandomPicture(width, height);
        std::vector<uint8_t> written;
        EncodeBmp(picture, [&](const uint8_t* bytes, size_t count) { written.insert(written.end(), bytes, bytes + count); });
        ASSERT_EQ(written, StbBmp(picture)) << width << "x" << height;
        EXPECT_EQ(BmpFileBytes(picture), written.size());
        EXPECT_EQ(EncodePicture(Path("e.bmp"), picture), written);
        WritePicture(Path("w.bmp"), picture);
        EXPECT_EQ(fs::file_size(Path("w.bmp")), written.size());
    }
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

// A BMP is read only as far as its header describes: whatever follows its last row, even
// more than any picture file may hold, is neither read nor refused. Every other file is
// still bounded: a PNG that long is refused by its length, before it is read.
TEST_F(PictureFileTest, ABmpIsReadOnlyAsFarAsItsHeaderDescribes)
{
    const CBitmap24 picture = RandomPicture(10, 10);
    WritePicture(Path("small.bmp"), picture);
    const auto sparse = [&](const char* name, const std::string& start, uintmax_t length) {
        WriteFile(name, std::vector<uint8_t>(start.begin(), start.end()));
        fs::resize_file(Path(name), length);   // a sparse file: its zeros take no space
    };
    const uintmax_t beyondAnyPicture = (uintmax_t{2} << 30) + 1;
    sparse("trailing.bmp", ReadFile(Path("small.bmp")), beyondAnyPicture);
    EXPECT_EQ(BitsOf(*ReadPicture(Path("trailing.bmp"))), BitsOf(picture));

    WritePicture(Path("small.png"), picture);
    sparse("trailing.png", ReadFile(Path("small.png")), beyondAnyPicture);
    try {
        ReadPicture(Path("trailing.png"));
        FAIL() << "a PNG file of 2 GiB was read";
    } catch (const CPictureFileError& error) {
        EXPECT_NE(std::string(error.what()).find("a file of 2147483649 bytes is larger than any picture"),
                  std::string::npos) << error.what();
    }
    // A file of neither kind is refused by its start alone.
    sparse("zeros.bmp", "", beyondAnyPicture);
    EXPECT_THROW(ReadPicture(Path("zeros.bmp")), CPictureFileError);

    // A BMP whose rows run past the file's end is refused before its rows are read.
    const std::string whole = ReadFile(Path("small.bmp"));
    WriteFile("short.bmp", std::vector<uint8_t>(whole.begin(), whole.end() - 1));
    try {
        ReadPicture(Path("short.bmp"));
        FAIL() << "a BMP one byte short was read";
    } catch (const CPictureFileError& error) {
        EXPECT_NE(std::string(error.what()).find("damaged BMP file: the file holds 9 of its 10 rows"), std::string::npos)
            << error.what();
    }
}

// Every seed of the picture reader's fuzz corpus is sound: BMPs of 1, 4, 8, 16, 24 and
// 32 bits, top-down and bottom-up, with masks, with OS/2 headers, and PNGs. Each is read,
// and each that stb_image reads too (it knows no OS/2 2.x header) gives its pixels.
TEST_F(PictureFileTest, EverySeedIsReadWithStbImagesPixels)
{
    int32_t compared = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TOLMIX_SOURCE_DIR) / "fuzz/corpus/picture-reader")) {
        const std::unique_ptr<CBitmap24> ours = ReadPicture(entry.path());
        int width = 0, height = 0, channels = 0;
        unsigned char* rgb = stbi_load(entry.path().c_str(), &width, &height, &channels, 3);
        if (rgb == nullptr)
            continue;
        const CBitmap24 theirs = PictureOf(width, height, [&](int32_t x, int32_t y) {
            const unsigned char* p = rgb + 3 * (static_cast<size_t>(y) * width + x);
            return Rgb(p[0], p[1], p[2]);
        });
        stbi_image_free(rgb);
        EXPECT_EQ(BitsOf(*ours), BitsOf(theirs)) << entry.path().filename();
        ++compared;
    }
    EXPECT_GE(compared, 14);
}

// Refusals name the file and say why, in words of the reader's own.
TEST_F(PictureFileTest, RefusalsSayWhy)
{
    WriteFile("text.png", {'h', 'e', 'l', 'l', 'o'});
    // A PNG header declaring no columns: refused by libspng before anything is decoded.
    WriteFile("empty.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                            0, 0, 0, 0, 0, 0, 0, 5, 8, 2, 0, 0, 0, 0, 0, 0, 0});
    const std::pair<fs::path, const char*> cases[] = {
        {Path("missing.bmp"), "no such file"},
        {m_folder, "not a file"},
        {Path("text.png"), "not a PNG or BMP file"},
        {Path("empty.png"), spng_strerror(SPNG_EWIDTH)},
    };
    for (const auto& [path, why] : cases) {
        try {
            ReadPicture(path);
            ADD_FAILURE() << path << " was read";
        } catch (const CPictureFileError& error) {
            EXPECT_NE(std::string(error.what()).find(why), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find(path.filename().string()), std::string::npos) << error.what();
        }
    }
    EXPECT_THROW(EncodePicture(Path("empty.png"), CBitmap24(0, 3)), CPictureFileError);
}

// A batch replaces its targets together; when one cannot be replaced (a folder in the
// way), none is, and no temporary file is left.
TEST_F(PictureFileTest, ABatchOfFilesIsWrittenWholeOrNotAtAll)
{
    const auto bytes = [](const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); };
    const auto names = [&] {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    };
    WriteFile("a.txt", bytes("old a"));
    fs::create_directory(Path("c.txt"));
    {
        CFileBatch batch;
        batch.Add(Path("a.txt"), bytes("new a"));
        batch.Add(Path("b.txt"), bytes("new b"));
        batch.Add(Path("c.txt"), bytes("new c"));
        EXPECT_THROW(batch.Commit(), CPictureFileError);
    }
    EXPECT_EQ(ReadFile(Path("a.txt")), "old a");
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "c.txt"}));

    fs::remove(Path("c.txt"));
    CFileBatch batch;
    batch.Add(Path("a.txt"), bytes("new a"));
    batch.Add(Path("b.txt"), bytes("new b"));
    batch.Add(Path("c.txt"), bytes("new c"));
    batch.Commit();
    EXPECT_EQ(ReadFile(Path("a.txt")) + ReadFile(Path("b.txt")) + ReadFile(Path("c.txt")), "new anew bnew c");
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
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
