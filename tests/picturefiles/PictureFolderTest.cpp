// PictureFolderTest.cpp — the user's own pictures: which files of a folder are taken, the
// frame counts their names give, the names and pictures refused, and the keys of pictures
// with transparent pixels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <utility>
#include <string>

#include "picturefiles/PictureFileError.h"
#include "picturefiles/PictureFolder.h"
#include "tests/support/BmpBytes.h"
#include "tests/support/OwnPictureFiles.h"
#include "tests/support/PngChunks.h"
#include "tests/support/ScratchFolderTest.h"

namespace {

constexpr Pixel24 RED = Rgb(255, 0, 0);
constexpr Pixel24 GREEN = Rgb(0, 255, 0);
constexpr Pixel24 BLUE = Rgb(0, 0, 255);

class PictureFolderTest : public CScratchFolderTest {
protected:
    // A picture of `frames` frames of 4 × 2, red, green, red, …
    void WriteStrip(const std::string& name, int32_t frames = 1) const
    {
        WriteFrames(Path(name), 4, 2, frames, [](int32_t i) { return i % 2 == 0 ? RED : GREEN; });
    }

    // Empties the test's folder.
    void Empty() const
    {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }

    // The one line `make` is refused with; empty when it passes.
    static std::string Refusal(const std::function<void()>& make)
    {
        try {
            make();
        } catch (const CPictureFileError& error) {
            return error.what();
        }
        return "";
    }
    std::string Refusal() const { return Refusal([&] { CPictureFolder folder(m_folder); }); }
};

// --- names ---------------------------------------------------------------------------------

TEST_F(PictureFolderTest, AnEmptyFolderOrOneOfOtherFilesHasNoPictures)
{
    EXPECT_EQ(CPictureFolder(m_folder).Count(), 0);

    std::ofstream(Path("README.txt")) << "my pictures";
    WriteStrip("ball-old.png");       // a count that is no number: not a name of ours
    WriteStrip("ballistic.png");
    std::ofstream(Path("ball.png.bak")) << "a copy";
    WriteStrip("paddle-.bmp");
    std::ofstream(Path("ball.jpg")) << "not read";
    std::filesystem::create_directory(Path("paddle.png"));   // a folder, not a file
    CPictureFolder folder(m_folder);
    EXPECT_EQ(folder.Count(), 0);
    for (const char* name : {"Ball1", "Paddle1", "Background1"})
        EXPECT_FALSE(folder.Take(name)) << name;
}

// PNG and BMP, any letter case, the count from the name or none; each picture is handed
// over once, by its built-in's name in any letter case.
TEST_F(PictureFolderTest, EachPictureIsFoundByItsNameWithItsFrameCount)
{
    WriteStrip("Background.BMP");
    WriteStrip("ball-12.png", 12);
    WriteStrip("PADDLE.png", 3);
    CPictureFolder folder(m_folder);
    EXPECT_EQ(folder.Count(), 3);

    std::optional<OwnPicture> ball = folder.Take("ball1");
    ASSERT_TRUE(ball && ball->picture);
    EXPECT_EQ(ball->path, Path("ball-12.png"));
    EXPECT_EQ(ball->frames, 12);
    EXPECT_FALSE(ball->opaque);
    EXPECT_FALSE(ball->alphaKey);   // no transparent pixels: the built-in's key
    EXPECT_EQ(ball->picture->Width(), 4);
    EXPECT_EQ(ball->picture->Height(), 24);
    EXPECT_EQ(PixelAt(*ball->picture, 0, 2), GREEN);
    EXPECT_FALSE(folder.Take("Ball1"));   // once
    EXPECT_EQ(folder.Count(), 2);

    std::optional<OwnPicture> paddle = folder.Take("Paddle1");
    ASSERT_TRUE(paddle);
    EXPECT_EQ(paddle->frames, 0);   // none given: the object's own count
    EXPECT_EQ(paddle->picture->Height(), 6);

    std::optional<OwnPicture> background = folder.Take("Background1");
    ASSERT_TRUE(background);
    EXPECT_TRUE(background->opaque);
    EXPECT_FALSE(background->alphaKey);
    EXPECT_EQ(PixelAt(*background->picture, 3, 1), RED);
    EXPECT_EQ(folder.Count(), 0);
}

// 1 and 50 frames are taken, 0 and 51 refused; leading zeros do not count; the background's
// name takes none.
TEST_F(PictureFolderTest, FrameCountsFromOneToFiftyAreTakenAndOthersRefused)
{
    const std::string count = ": a frame count of ", allowed = " (1 to 50 allowed)";
    const std::pair<const char*, std::string> cases[] = {
        {"ball-1.png", ""}, {"ball-50.png", ""}, {"ball-0050.png", ""}, {"paddle-001.bmp", ""},
        {"ball-0.png", count + "0" + allowed}, {"ball-51.png", count + "51" + allowed},
        {"paddle-00.bmp", count + "00" + allowed},
        {"paddle-99999999999999999999.png", count + "99999999999999999999" + allowed},
        {"background-1.png", ": the background has one frame; its name takes no count"},
    };
    for (const auto& [file, says] : cases) {
        Empty();
        WriteStrip(file);
        EXPECT_EQ(Refusal(), says.empty() ? "" : QuotedPath(Path(file)) + says) << file;
    }
}

// Two files for one picture, by any mix of names, formats and counts: both named, neither
// chosen.
TEST_F(PictureFolderTest, TwoFilesForOnePictureAreRefusedNamingBoth)
{
    WriteStrip("ball.png");
    WriteStrip("ball-12.bmp", 12);
    EXPECT_EQ(Refusal(), QuotedPath(Path("ball-12.bmp")) + " and " + QuotedPath(Path("ball.png")) +
                             " are both the ball; keep one of them");
    Empty();
    WriteStrip("background.bmp");
    WriteStrip("BACKGROUND.png");
    EXPECT_NE(Refusal().find("are both the background"), std::string::npos);
}

// The count the name gives decides, else the one asked for; a picture not there passes.
TEST_F(PictureFolderTest, WholeFramesAreCheckedByTheNamesCountOrTheOneGiven)
{
    WriteStrip("ball-3.png", 3);                                  // 6 rows: 3 frames of 2
    WritePicture(Path("paddle.bmp"), UniformPicture(4, 60, RED));  // 60 rows
    const CPictureFolder folder(m_folder);
    EXPECT_NO_THROW(folder.CheckWholeFrames("Ball1", 4));           // the name's 3, not 4
    EXPECT_NO_THROW(folder.CheckWholeFrames("Paddle1", 30));
    EXPECT_NO_THROW(folder.CheckWholeFrames("Background1", 7));     // not in the folder
    EXPECT_EQ(Refusal([&] { folder.CheckWholeFrames("Paddle1", 7); }),
              QuotedPath(Path("paddle.bmp")) + ": its height of 60 pixels is not a whole number of 7 frames");

    WritePicture(Path("ball-3.png"), UniformPicture(4, 7, RED));
    EXPECT_THROW(CPictureFolder(m_folder).CheckWholeFrames("Ball1", 7), CPictureFileError);   // the name's 3
}

// --- pictures and folders refused by the reader ------------------------------------------------

// A damaged picture, and a BMP whose header declares a picture past the readers' size limit
// (refused before anything is allocated for it), are refused in one line naming the file; a
// small sound BMP, the limit's other side, is taken.
TEST_F(PictureFolderTest, DamagedAndOversizedPicturesAndUnlistableFoldersAreRefused)
{
    std::ofstream(Path("paddle.png")) << "not a picture at all";
    std::string refusal = Refusal();
    EXPECT_EQ(refusal.find("cannot read " + QuotedPath(Path("paddle.png")) + ": "), 0u) << refusal;
    EXPECT_EQ(refusal.find('\n'), std::string::npos);

    Empty();
    BmpHeader huge;
    huge.width = huge.height = 40000;
    huge.dataBytes = 0;
    WriteFile("background.bmp", BmpBytes(huge));
    refusal = Refusal();
    EXPECT_EQ(refusal.find("cannot read " + QuotedPath(Path("background.bmp")) + ": "), 0u) << refusal;

    WriteStrip("background.bmp");
    EXPECT_EQ(Refusal(), "");

    EXPECT_EQ(Refusal([&] { CPictureFolder folder(Path("background.bmp")); })
                  .find("cannot list the folder " + QuotedPath(Path("background.bmp"))),
              0u);
}

// --- keys ------------------------------------------------------------------------------------

// A 4 × 2 RGBA ball: the left column fully transparent (holding different colours), the
// rest opaque, among them magenta (the first choice of key), the colour the transparent
// top-left pixel holds, and a half-transparent pixel, which counts as opaque.
TEST_F(PictureFolderTest, TransparentPixelsTakeAKeyColourNoOpaquePixelHas)
{
    WriteRgbaPng(Path("ball.png"), 4, 2, [](int32_t x, int32_t y) -> Rgba {
        if (x == 0)
            return y == 0 ? Rgba{10, 20, 30, 0} : Rgba{255, 0, 255, 0};
        if (x == 1)
            return Rgba{255, 0, 255, 255};     // magenta, opaque
        if (x == 2)
            return Rgba{10, 20, 30, 255};      // what the transparent top-left pixel holds
        return Rgba{0, 0, 255, 128};           // half transparent: kept, as opaque
    });
    std::optional<OwnPicture> ball = CPictureFolder(m_folder).Take("Ball1");
    ASSERT_TRUE(ball && ball->alphaKey);
    const Pixel24 key = PixelOf(*ball->alphaKey);
    // Magenta is taken, so the next colour down is the key.
    EXPECT_EQ(*ball->alphaKey, MakeColour(255, 0, 255) - 1);
    for (int32_t y = 0; y < 2; ++y) {
        EXPECT_EQ(PixelAt(*ball->picture, 0, y), key) << y;
        EXPECT_EQ(PixelAt(*ball->picture, 1, y), Rgb(255, 0, 255)) << y;
        EXPECT_EQ(PixelAt(*ball->picture, 2, y), Rgb(10, 20, 30)) << y;
        EXPECT_EQ(PixelAt(*ball->picture, 3, y), BLUE) << y;
    }
}

// Magenta is the key where no opaque pixel has it. An alpha channel with every pixel opaque
// has nothing transparent: the top-left key, as a BMP's. A background's transparent pixels
// are ignored: it is drawn opaque.
TEST_F(PictureFolderTest, OnlyTransparentPixelsOfTheBallAndPaddleMakeAKeyMagentaFirst)
{
    WriteRgbaPng(Path("paddle-2.png"), 2, 2,
                 [](int32_t x, int32_t) -> Rgba { return x == 0 ? Rgba{1, 2, 3, 0} : Rgba{0, 255, 0, 255}; });
    WriteRgbaPng(Path("ball.png"), 2, 2, [](int32_t x, int32_t) -> Rgba { return {uint8_t(x * 200), 0, 0, 255}; });
    WriteRgbaPng(Path("background.png"), 2, 2,
                 [](int32_t x, int32_t) -> Rgba { return x == 0 ? Rgba{0, 0, 255, 0} : Rgba{0, 0, 255, 255}; });
    CPictureFolder folder(m_folder);
    std::optional<OwnPicture> paddle = folder.Take("Paddle1");
    ASSERT_TRUE(paddle && paddle->alphaKey);
    EXPECT_EQ(*paddle->alphaKey, MakeColour(255, 0, 255));
    EXPECT_EQ(PixelAt(*paddle->picture, 0, 1), Rgb(255, 0, 255));
    EXPECT_EQ(PixelAt(*paddle->picture, 1, 1), GREEN);
    std::optional<OwnPicture> ball = folder.Take("Ball1");
    ASSERT_TRUE(ball);
    EXPECT_FALSE(ball->alphaKey);
    EXPECT_EQ(PixelAt(*ball->picture, 0, 0), Rgb(0, 0, 0));
    std::optional<OwnPicture> background = folder.Take("Background1");
    ASSERT_TRUE(background);
    EXPECT_TRUE(background->opaque);
    EXPECT_FALSE(background->alphaKey);
    EXPECT_EQ(PixelAt(*background->picture, 0, 0), BLUE);   // its stored colour, alpha dropped
    EXPECT_EQ(PixelAt(*background->picture, 1, 0), BLUE);
}

// The key is a colour no opaque pixel has: a 4096 × 4097 ball holding every colour once
// but `missing` (given colour 0 again) opaquely, and one transparent pixel, takes the
// missing colour as its key; with every colour used there is none left, and the picture
// is refused.
TEST_F(PictureFolderTest, TheKeyIsTheOneColourLeftAndAPictureUsingEveryColourIsRefused)
{
    constexpr uint32_t SIDE = 4096;
    const auto writeBall = [&](std::optional<uint32_t> missing) {
        std::vector<uint8_t> rgba(size_t{SIDE} * (SIDE + 1) * 4);
        for (uint32_t i = 0; i < SIDE * (SIDE + 1); ++i) {
            // The last row black and opaque but its first pixel; red first, a ColourRef's low byte.
            const uint32_t colour = i >= SIDE * SIDE || (missing && i == *missing) ? 0 : i;
            for (uint32_t byte = 0; byte < 3; ++byte)
                rgba[size_t{i} * 4 + byte] = static_cast<uint8_t>(colour >> (8 * byte));
            rgba[size_t{i} * 4 + 3] = i == SIDE * SIDE ? 0 : 255;
        }
        const std::string png = EncodedRaw({SIDE, SIDE + 1, 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0}, rgba);
        WriteFile("ball-17.png", std::vector<uint8_t>(png.begin(), png.end()));
    };

    const ColourRef missing = MakeColour(0x12, 0x34, 0x56);
    writeBall(missing);
    std::optional<OwnPicture> ball = CPictureFolder(m_folder).Take("Ball1");
    ASSERT_TRUE(ball && ball->alphaKey);
    EXPECT_EQ(*ball->alphaKey, missing);
    EXPECT_EQ(PixelAt(*ball->picture, 0, SIDE), PixelOf(missing));

    writeBall(std::nullopt);
    EXPECT_EQ(Refusal(), QuotedPath(Path("ball-17.png")) +
                             ": its opaque pixels use every colour, so none is left to key its transparent ones");
}

} // namespace
