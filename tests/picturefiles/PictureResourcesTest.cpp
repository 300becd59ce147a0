// PictureResourcesTest.cpp — built-in pictures by name in any letter case, BMP files by
// path, and one table of sound and broken files that the program's loader and
// tolmix-image's reader must accept or refuse alike. (A file's row and channel order is
// checked where a sprite loads one, in SpriteTest; the depths against stb_image in
// PictureFileTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "picturefiles/PictureFile.h"
#include "picturefiles/PictureResources.h"
#include "tests/support/BmpBytes.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ScratchFolderTest.h"

namespace {

using PictureResources = CScratchFolderTest;

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

    // Asked, the loader says why: that nothing has the name, or the reader's reason for
    // the file that has it; a damaged file is never taken for a missing one.
    std::string why = "stale";
    EXPECT_EQ(LoadPicture(Path("text.bmp").string(), &why), nullptr);
    EXPECT_NE(why.find("cannot read '" + Path("text.bmp").string() + "': not a BMP file"), std::string::npos) << why;
    EXPECT_EQ(LoadPicture(Path("missing.bmp").string(), &why), nullptr);
    EXPECT_EQ(why, "no picture or BMP file named '" + Path("missing.bmp").string() + "'");
    EXPECT_EQ(LoadPicture("", &why), nullptr);
    EXPECT_EQ(why, "no picture or BMP file named ''");
    WriteFile("cut.bmp", BmpBytes({.dataBytes = 12}));   // one row of two
    EXPECT_EQ(LoadPicture(Path("cut.bmp").string(), &why), nullptr);
    EXPECT_NE(why.find("damaged BMP file: the file holds 1 of its 2 rows"), std::string::npos) << why;
    EXPECT_EQ(why.find("no picture"), std::string::npos) << why;
    EXPECT_NE(LoadPicture("Ball1", &why), nullptr);
    EXPECT_EQ(why, "");
    // A sound PNG is the tool's, not the program's: the program loads bitmaps only.
    WritePicture(Path("picture.png"), CBitmap24(2, 2));
    EXPECT_EQ(LoadPicture(Path("picture.png").string()), nullptr);
}

bool SamePixels(const CBitmap24& a, const CBitmap24& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() && a.ByteCount() == b.ByteCount() &&
           std::equal(a.Bits(), a.Bits() + a.ByteCount(), b.Bits());
}

// Every check a BMP reader makes, each before anything is allocated: the program's loader
// and tolmix-image's reader (from memory and from the file) accept the same files with
// the same pixels, and refuse the same files, the tool saying why.
TEST_F(PictureResources, TheProgramAndTheToolAcceptAndRefuseTheSameBmpFiles)
{
    const std::vector<Pixel24> two = {Rgb(10, 20, 30), Rgb(200, 100, 50)};
    struct Case {
        const char* what;
        BmpHeader header;
        const char* refusal;   // null: accepted
    };
    const Case cases[] = {
        {"24 bits, bottom-up", {.fill = 9}, nullptr},
        {"24 bits, top-down", {.height = -2, .fill = 9}, nullptr},
        {"OS/2 1.x header", {.headerBytes = 12, .fill = 9}, nullptr},
        {"OS/2 2.x header, 8 bits", {.headerBytes = 64, .bitsPerPixel = 8, .palette = two, .fill = 1}, nullptr},
        {"a palette shorter than the depth's", {.bitsPerPixel = 4, .palette = two, .fill = 0x10}, nullptr},
        {"no columns", {.width = 0}, "has none"},
        {"no rows", {.height = 0}, "has none"},
        {"a negative width", {.width = -3}, "has none"},
        {"60 of 102 bytes", {.width = 4, .height = 4, .dataBytes = 6}, "rows"},
        {"18000 x 18000 declared in 54 bytes", {.width = 18000, .height = 18000, .dataBytes = 0}, "rows"},
        {"beyond the size limit", {.width = 30000, .height = 30000, .dataBytes = 0}, "too large"},
        // 21845 x 16384 is exactly the limit (rows of 65536 bytes): refused only for its
        // missing rows; one row more is over it.
        {"at the size limit", {.width = 21845, .height = 16384, .dataBytes = 0}, "holds 0 of its 16384 rows"},
        {"one row past the size limit", {.width = 21845, .height = 16385, .dataBytes = 0},
         "(1073807360 bytes; the limit is 1073741824 bytes)"},
        {"huge products", {.width = INT32_MAX, .height = INT32_MIN, .bitsPerPixel = 32, .dataBytes = 0}, "too large"},
        {"rows of 2^32 bytes", {.width = 1 << 30, .height = 1, .bitsPerPixel = 32, .dataBytes = 0}, "too large"},
        {"a negative compression", {.compression = 0xFFFFFFFF}, "compression"},
        {"run-length compression", {.bitsPerPixel = 8, .compression = 1, .palette = two}, "compression"},
        {"masks on 24 bits", {.compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}}, "compression"},
        {"masks not one run each", {.bitsPerPixel = 32, .compression = 3, .masks = {0xF0F000, 0xFF00, 0xFF}}, "mask"},
        {"pixels inside the header", {.pixelOffset = 30}, "header"},
        {"pixels inside the masks", {.bitsPerPixel = 32, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF},
                                      .pixelOffset = 58}, "header"},
        {"pixels past the end", {.pixelOffset = 5000}, "end"},
        {"an unknown header size", {.headerBytes = 44}, "header"},
        {"two planes", {.planes = 2}, "planes"},
        {"7 bits per pixel", {.bitsPerPixel = 7}, "bits"},
        {"no palette", {.bitsPerPixel = 8}, "palette"},
        {"an index beyond the palette", {.bitsPerPixel = 8, .palette = two, .fill = 7}, "palette"},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> bytes = BmpBytes(c.header);
        WriteFile("case.bmp", bytes);
        const std::unique_ptr<CBitmap24> program = LoadPicture(Path("case.bmp").string());
        std::unique_ptr<CBitmap24> tool;
        try {
            tool = ReadPicture(Path("case.bmp"));
            ASSERT_EQ(c.refusal, nullptr) << c.what << ": accepted";
            const auto fromMemory = DecodePicture(bytes);
            EXPECT_TRUE(SamePixels(*tool, *fromMemory)) << c.what;
            ASSERT_NE(program, nullptr) << c.what << ": the program refuses what the tool reads";
            EXPECT_TRUE(SamePixels(*tool, *program)) << c.what;
        } catch (const CPictureFileError& error) {
            ASSERT_NE(c.refusal, nullptr) << c.what << ": refused with " << error.what();
            EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << c.what << ": " << error.what();
            EXPECT_NE(std::string(error.what()).find("case.bmp"), std::string::npos) << error.what();
            EXPECT_THROW(DecodePicture(bytes), CPictureFileError) << c.what;
            EXPECT_EQ(program, nullptr) << c.what << ": the program loads what the tool refuses";
        }
    }
}

} // namespace
