// OwnPictureTest.cpp — sprites from the user's own pictures: frames too small for the mode
// refused at load, the background drawn opaque, and a ball keyed by its transparent pixels
// alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "picturefiles/PictureFileError.h"
#include "picturefiles/PictureFolder.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Surface.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteStore.h"
#include "tests/support/DisplayFixture.h"
#include "tests/support/OwnPictureFiles.h"
#include "tests/support/ScratchFolderTest.h"

namespace {

constexpr Pixel24 RED = Rgb(255, 0, 0);
constexpr Pixel24 BLUE = Rgb(0, 0, 255);
constexpr uint32_t GROUND = 0x00123456;   // what the back buffer holds before a sprite is drawn

class OwnPictureTest : public CDisplayFixture {
protected:
    void SetUp() override
    {
        m_folder = MakeScratchFolder();
        MakeWorld();
    }
    void TearDown() override { CDisplayFixture::TearDown(); std::filesystem::remove_all(m_folder); }

    std::filesystem::path Path(const std::string& name) const { return m_folder / name; }

    // The folder's pictures given to the world's store, as --pictures does.
    void UseFolder() { m_game->Sprites().UseOwnPictures(std::make_unique<CPictureFolder>(m_folder)); }

    // The message Load refuses the ball with (30 frames of 100 × 100 units); empty if taken.
    std::string BallRefusal()
    {
        CSprite sprite(m_game.get(), "Ball1");
        sprite.SetFrameCount(30);
        try {
            sprite.Load("Ball1", 100, 100);
        } catch (const CFatalError& error) {
            return error.what();
        }
        return "";
    }

    // The ball from the folder (30 frames of 100 × 100 units, keyed by its first pixel) in a
    // new world at 640 × 480 × 32, drawn at (0, 0) over a back buffer of GROUND.
    CSprite* DrawBall()
    {
        MakeWorld();
        UseFolder();
        Screen().ApplyVideoMode({640, 480, 32, 0});
        CSprite* ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
        Screen().Initialise(*m_window);
        FillWith(*Screen().BackBuffer(), GROUND);
        ball->Blit({0, 0, 100, 100}, 0);
        return ball;
    }

    std::filesystem::path m_folder;
};

// At 16 × 12 the ball's 30 frames are 1 × 1 pixel each; one pixel less either way leaves a
// frame with none.
TEST_F(OwnPictureTest, AFrameSmallerThanOnePixelAtTheModeIsRefused)
{
    WriteFrames(Path("ball.png"), 4, 4, 30, [](int32_t) { return RED; });
    const std::pair<DisplayMode, std::string> cases[] = {
        {{16, 12, 32, 0}, ""}, {{16, 11, 32, 0}, "16x11 (1x0)"}, {{15, 12, 32, 0}, "15x12 (0x1)"}};
    for (const auto& [mode, at] : cases) {
        UseFolder();
        Screen().ApplyVideoMode(mode);
        EXPECT_EQ(BallRefusal(), at.empty() ? "" : "picture " + QuotedPath(Path("ball.png")) +
                                                       ": a frame would be smaller than 1x1 pixel at " + at);
    }
}

// The user's background has no key: its pure-blue pixels, the screen's key colour, are
// drawn, in a palette mode and in a true-colour one.
TEST_F(OwnPictureTest, TheUsersBackgroundIsDrawnOpaqueBluePixelsIncluded)
{
    for (const int32_t depth : {32, 8}) {
        MakeWorld();
        WriteFrames(Path("background.png"), 64, 48, 1, [](int32_t) { return BLUE; });
        UseFolder();
        Screen().ApplyVideoMode({640, 480, depth, 0});
        CSprite* background =
            AddSprite("Background1", 1, SPRITE_NODIRTY | SPRITE_DITHER, Screen().KeyColour(), 1600, 1200);
        Screen().Initialise(*m_window);
        background->Blit({0, 0, 1600, 1200}, 0);
        CSurface& picture = *background->FrameSurface(0);
        EXPECT_FALSE(picture.HasColourKey()) << depth;
        EXPECT_GE(PixelAt(background->Picture(), 320, 240).blue, 250) << depth;

        // The filter leaves the blue a little off pure: make one pixel exactly the key
        // colour's raw value, which a keyed blit would skip, and draw again.
        const uint32_t blue = Screen().MatchColour(&picture, Screen().KeyColour());
        Fill(picture, [&](int32_t x, int32_t y) { return x == 320 && y == 240 ? blue : 0; });
        FillWith(*Screen().BackBuffer(), GROUND);
        const uint32_t ground = RawAt(*Screen().BackBuffer(), 0, 0);
        ASSERT_NE(blue, ground) << depth;
        ASSERT_NE(uint32_t{0}, ground) << depth;
        background->Blit({0, 0, 1600, 1200}, 0);
        const std::vector<uint32_t> back = Raws(*Screen().BackBuffer());
        EXPECT_EQ(back[240 * 640 + 320], blue) << depth;
        EXPECT_EQ(std::count(back.begin(), back.end(), uint32_t{0}), 640 * 480 - 1) << depth;
    }
}

// A 40 × 40 RGBA ball: the left half fully transparent, the right half opaque in the very
// colour the transparent top-left pixel holds. Keyed by alpha, the right half is drawn and
// the left half is not; the same picture without alpha is keyed by its top-left colour, and
// nothing of it is drawn.
TEST_F(OwnPictureTest, ABallWithAlphaDrawsItsOpaquePixelsOnly)
{
    const Rgba colour{10, 200, 30, 255};
    WriteRgbaPng(Path("ball-1.png"), 40, 40, [&](int32_t x, int32_t) -> Rgba {
        return x < 20 ? Rgba{colour[0], colour[1], colour[2], 0} : colour;
    });
    CSprite* ball = DrawBall();
    const std::vector<uint32_t> frame = Raws(*ball->FrameSurface(0));
    const std::vector<uint32_t> back = Raws(*Screen().BackBuffer());
    const auto at = [&](int32_t x, int32_t y) { return back[static_cast<size_t>(y) * 640 + static_cast<size_t>(x)]; };
    for (int32_t y = 0; y < 40; ++y) {
        for (int32_t x = 0; x < 17; ++x)
            EXPECT_EQ(at(x, y), GROUND) << x << "," << y;
        // Away from the edge: the frame's pixels, near the picture's colour (the filter
        // moves a uniform area by a step or two).
        for (int32_t x = 23; x < 40; ++x) {
            EXPECT_EQ(at(x, y), frame[static_cast<size_t>(y) * 40 + static_cast<size_t>(x)]) << x << "," << y;
            EXPECT_NEAR(static_cast<int32_t>((at(x, y) >> 8) & 0xFF), colour[1], 3) << x << "," << y;
        }
    }
    EXPECT_EQ(at(45, 20), GROUND);   // beside the ball

    // The same pixels without alpha: the top-left colour is the key, so nothing shows.
    std::filesystem::remove(Path("ball-1.png"));
    WriteFrames(Path("ball-1.png"), 40, 40, 1, [&](int32_t) { return Rgb(colour[0], colour[1], colour[2]); });
    DrawBall();
    EXPECT_EQ(RawAt(*Screen().BackBuffer(), 30, 20), GROUND);
}

} // namespace
