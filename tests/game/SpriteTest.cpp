// SpriteTest.cpp — sprites and the sprite store: loading, frames, keys, dirty rectangles,
// loss and recovery.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <stb_image_write.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/Surface.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteStore.h"
#include "tests/support/DisplayFixture.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ScreenInside.h"
#include "tests/support/SpriteInside.h"

namespace {

class SpriteTest : public CDisplayFixture {
protected:
    // Takes every rectangle out of the dirty list.
    std::vector<Rect> TakeDirty()
    {
        std::vector<Rect> rects;
        Rect rect;
        while (Screen().TakeDirty(rect))
            rects.push_back(rect);
        return rects;
    }
};

// --- loading and frames ------------------------------------------------------------------

// A strip is rescaled whole for the mode (kept at the authored size at 640 × 480) and
// cut into frames at its first blit.
TEST_F(SpriteTest, StripsAreRescaledForTheModeAndCutIntoFrames)
{
    MakeWorld();
    CSprite* paddle = AddSprite("Paddle1", 30, 0, KEY_FROM_FIRST_PIXEL, 400, 150);
    EXPECT_EQ(paddle->Picture().Width(), 160);
    EXPECT_EQ(paddle->Picture().Height(), 1800);
    Screen().ApplyVideoMode({800, 600, 32, 0});
    CSprite* ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
    EXPECT_EQ(ball->Picture().Width(), 50);
    EXPECT_EQ(ball->Picture().Height(), 1500);
    Screen().Initialise(*m_window);

    EXPECT_EQ(ball->FrameSurface(0), nullptr);
    ball->Blit({250, 250, 350, 350}, 7);   // the first blit makes every frame
    for (int32_t frame = 0; frame < 30; ++frame) {
        ASSERT_NE(ball->FrameSurface(frame), nullptr) << frame;
        EXPECT_EQ(ball->FrameSurface(frame)->Width(), 50);
        EXPECT_EQ(ball->FrameSurface(frame)->Height(), 50);
    }
    EXPECT_EQ(ball->FrameSurface(30), nullptr);
}

TEST_F(SpriteTest, LoadRefusesBadFrameCountsAndMissingPictures)
{
    MakeWorld();
    CSprite sprite(m_game.get(), "Ball1");
    sprite.SetFrameCount(0);
    EXPECT_THROW(sprite.Load("Ball1", 100, 100), CFatalError);
    sprite.SetFrameCount(51);
    EXPECT_THROW(sprite.Load("Ball1", 100, 100), CFatalError);
    sprite.SetFrameCount(50);
    EXPECT_NO_THROW(sprite.Load("Ball1", 100, 100));
    sprite.SetFrameCount(1);
    EXPECT_THROW(sprite.Load("NoSuchPicture", 100, 100), CFatalError);
    EXPECT_NO_THROW(sprite.Load("ball1", 100, 100));   // built-in names ignore case

    // A file that is there but is no BMP: the message is the reader's reason, not "no
    // picture named".
    const std::filesystem::path garbage = std::filesystem::temp_directory_path() /
                                          ("tolmix-garbage-" + std::to_string(::getpid()) + ".bmp");
    std::ofstream(garbage) << "not a picture";
    try {
        sprite.Load(garbage.string(), 100, 100);
        ADD_FAILURE() << "a file that is no BMP was loaded";
    } catch (const CFatalError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("sprite 'Ball1': cannot read '" + garbage.string() + "': not a BMP file"),
                  std::string::npos) << message;
    }
    std::filesystem::remove(garbage);
}

// --- colour keys -------------------------------------------------------------------------

// An 8 × 16 picture of two frames: frame 0 red with a grey last row, frame 1 green with a
// yellow square. The grey row keeps the red key (the strip's first pixel) from reaching
// into frame 1, so the two frames' top-left pixels differ.
std::filesystem::path WriteTwoFramePicture()
{
    std::string name = "tolmix-two-frames-";
    name += std::to_string(::getpid());
    name += ".bmp";
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::vector<uint8_t> rgb(8 * 16 * 3);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const bool yellow = y >= 12 && y < 14 && x >= 4 && x < 6;
            const uint8_t pixel[3] = {uint8_t(y < 7 || yellow ? 255 : y == 7 ? 128 : 0), uint8_t(y < 7 ? 0 : y == 7 ? 128 : 255),
                                      uint8_t(y == 7 ? 128 : 0)};
            std::copy_n(pixel, 3, &rgb[(y * 8 + x) * 3]);
        }
    stbi_write_bmp(path.c_str(), 8, 16, 3, rgb.data());
    return path;
}

// Blits a frame onto a back buffer filled with `ground` and checks that exactly the
// frame's pixels whose raw value is `key` were left out.
void ExpectKeyedOn(CScreen& screen, CSprite& sprite, const Rect& world, int32_t frame, uint32_t key, uint32_t ground)
{
    FillWith(*screen.BackBuffer(), ground);
    sprite.Blit(world, frame);
    const std::vector<uint32_t> source = Raws(*sprite.FrameSurface(frame));
    const std::vector<uint32_t> back = Raws(*screen.BackBuffer());
    const Rect at = screen.ScaleRect(world);
    const int32_t width = sprite.FrameSurface(frame)->Width();
    for (size_t i = 0; i < source.size(); ++i) {
        const int32_t x = at.left + static_cast<int32_t>(i) % width, y = at.top + static_cast<int32_t>(i) / width;
        ASSERT_EQ(back[y * screen.Width() + x], source[i] == key ? ground : source[i]) << "frame " << frame << " pixel " << i;
    }
}

TEST_F(SpriteTest, EachFrameKeysOnItsOwnTopLeftPixelUnlessAColourIsGiven)
{
    const std::filesystem::path file = WriteTwoFramePicture();
    MakeWorld();
    CSprite* own = AddSprite(file.string(), 2, 0, KEY_FROM_FIRST_PIXEL, 20, 20);   // 8 × 8 pixels a frame
    CSprite* ball = AddSprite("Ball1", 30, 0, 0x00FF00FF, 100, 100);
    Initialise(640, 480, 32);
    own->Blit({0, 0, 20, 20}, 0);   // makes the frames
    const uint32_t topLeft0 = Raws(*own->FrameSurface(0))[0];
    const uint32_t topLeft1 = Raws(*own->FrameSurface(1))[0];
    ASSERT_EQ(topLeft0, 0xFF0000u);   // the strip's key, exact
    ASSERT_NE(topLeft1, topLeft0);
    ExpectKeyedOn(Screen(), *own, {0, 0, 20, 20}, 0, topLeft0, 0x123456);
    ExpectKeyedOn(Screen(), *own, {0, 0, 20, 20}, 1, topLeft1, 0x123456);

    // A given colour is the key of every frame: magenta, the ball's surround.
    ExpectKeyedOn(Screen(), *ball, {0, 0, 100, 100}, 3, 0xFF00FF, 0x123456);
    ExpectKeyedOn(Screen(), *ball, {0, 0, 100, 100}, 17, 0xFF00FF, 0x123456);
    std::filesystem::remove(file);
}

// --- dirty rectangles --------------------------------------------------------------------

TEST_F(SpriteTest, ABlitRecordsItsWholePixelRectangleEvenWhenClipped)
{
    MakeWorld();
    CSprite* ball = AddSprite("Ball1", 30, 0, KEY_FROM_FIRST_PIXEL, 100, 100);
    Initialise(640, 480, 32);
    ball->Blit({1550, 1150, 1650, 1250}, 0);   // partly off the screen
    EXPECT_EQ(TakeDirty(), (std::vector<Rect>{{620, 460, 660, 500}}));

    ball->Blit({300, 300, 200, 400}, 0);       // inverted: refused quietly
    EXPECT_TRUE(TakeDirty().empty());

    ball->SetFlags(ball->Flags() | SPRITE_NODIRTY);
    ball->Blit({0, 0, 100, 100}, 0);
    EXPECT_TRUE(TakeDirty().empty());
}

// --- palette modes -----------------------------------------------------------------------

// The palette's colours as pixels.
std::vector<Pixel24> PaletteColours(const CScreen& screen)
{
    std::vector<Pixel24> colours;
    for (const PaletteEntry& e : CScreenInside::Palette(screen)->Entries())
        colours.push_back(Pixel24{e.blue, e.green, e.red});
    return colours;
}

// Only in a palette mode, and only pictures marked for it: every pixel of such a picture
// that is not its key is then exactly a palette colour.
TEST_F(SpriteTest, InAPaletteModeOnlyMarkedPicturesAreDithered)
{
    for (const int32_t depth : {8, 24}) {
        MakeWorld();
        CSprite* ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
        CSprite* paddle = AddSprite("Paddle1", 30, 0, KEY_FROM_FIRST_PIXEL, 400, 150);
        const std::vector<uint8_t> paddleBefore = BitsOf(paddle->Picture());
        const std::vector<uint8_t> ballBefore = BitsOf(ball->Picture());
        Initialise(640, 480, depth);
        ball->Blit({0, 0, 100, 100}, 0);
        paddle->Blit({650, 1050, 1050, 1200}, 0);
        EXPECT_EQ(BitsOf(paddle->Picture()), paddleBefore);
        EXPECT_EQ(BitsOf(ball->Picture()) != ballBefore, depth == 8);
        if (depth == 8) {
            const std::vector<Pixel24> colours = PaletteColours(Screen());
            const CBitmap24& picture = ball->Picture();
            for (int32_t y = 0; y < picture.Height(); ++y)
                for (int32_t x = 0; x < picture.Width(); ++x)
                    ASSERT_TRUE(PixelAt(picture, x, y) == PixelAt(picture, 0, 0) ||
                                std::find(colours.begin(), colours.end(), PixelAt(picture, x, y)) != colours.end())
                        << x << "," << y;
        }
        TearDown();
    }
}

// --- loss and recovery -------------------------------------------------------------------

// A blit onto lost surfaces restores the display and refills the frames from the pictures
// as they now stand: the undithered paddle's exactly as before; the dithered ball's (its
// picture reduced once more) each pixel the palette index of the picture's colour. (The
// key, magenta, is no palette colour: it maps to the nearest entry, which the frame's own
// key then makes transparent.)
TEST_F(SpriteTest, AfterALossFramesAreRestoredAndRefilled)
{
    MakeWorld();
    CSprite* paddle = AddSprite("Paddle1", 30, 0, KEY_FROM_FIRST_PIXEL, 400, 150);
    CSprite* ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
    Initialise(640, 480, 8);
    paddle->Blit({650, 1050, 1050, 1200}, 3);
    const std::vector<uint32_t> before = Raws(*paddle->FrameSurface(3));

    Screen().LoseAllSurfaces();
    paddle->Blit({650, 1050, 1050, 1200}, 3);
    EXPECT_EQ(paddle->FrameSurface(3)->IsLost(), DISPLAY_OK);
    EXPECT_EQ(Screen().BackBuffer()->IsLost(), DISPLAY_OK);
    EXPECT_TRUE(Screen().RecoverFromLoss());
    EXPECT_EQ(Raws(*paddle->FrameSurface(3)), before);

    ball->Blit({0, 0, 100, 100}, 0);
    const CBitmap24& picture = ball->Picture();
    const std::vector<uint32_t> frame = Raws(*ball->FrameSurface(0));
    const std::vector<Pixel24> colours = PaletteColours(Screen());
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 40; ++x)
            if (PixelAt(picture, x, y) != PixelAt(picture, 0, 0)) {
                ASSERT_EQ(colours[frame[y * 40 + x]], PixelAt(picture, x, y)) << x << "," << y;
            }
}

// A sprite whose refilled frames find the display lost again, `m_lossesLeft` times.
class CLosingSprite : public CSprite {
public:
    using CSprite::CSprite;
    void CreateSurfaces(int32_t frameWidth, int32_t frameHeight) override
    {
        CSprite::CreateSurfaces(frameWidth, frameHeight);
        if (m_lossesLeft > 0) {
            --m_lossesLeft;
            m_pGame->Screen().LoseAllSurfaces();
        }
    }
    int32_t m_lossesLeft = 0;
};

// A blit tries four times, restoring between tries: a display lost again after each of
// the first two restores is drawn on at the fourth try; lost after the third as well, the
// blit gives up with a message.
TEST_F(SpriteTest, ABlitTriesFourTimesOnADisplayLostAgainAndAgain)
{
    MakeWorld();
    auto owned = std::make_unique<CLosingSprite>(m_game.get(), "Paddle1");
    CLosingSprite& paddle = *owned;
    paddle.SetFrameCount(30);
    paddle.Load("Paddle1", 400, 150);
    m_game->Sprites().Add(std::move(owned));
    Initialise(640, 480, 32);
    const Rect place{650, 1050, 1050, 1200};
    paddle.Blit(place, 0);
    TakeDirty();

    Screen().LoseAllSurfaces();
    paddle.m_lossesLeft = 2;
    EXPECT_NO_THROW(paddle.Blit(place, 0));
    EXPECT_EQ(paddle.m_lossesLeft, 0);
    EXPECT_EQ(TakeDirty(), std::vector<Rect>{Screen().ScaleRect(place)});

    Screen().LoseAllSurfaces();
    paddle.m_lossesLeft = 3;
    try {
        paddle.Blit(place, 0);
        ADD_FAILURE() << "a blit on a display lost at every try drew";
    } catch (const CFatalError& error) {
        EXPECT_NE(std::string(error.what()).find("stays lost after 3 restores"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(TakeDirty().empty());
}

// --- reduction ahead ---------------------------------------------------------------------

// The ball and the paddle reduced to the palette at 800 × 600 × 8, drawn ball first: when
// first drawn, or on the screen's thread while the display is set up, given in the order
// of drawing. The pictures and every frame come out byte for byte the same.
TEST_F(SpriteTest, PicturesReducedAheadInDrawingOrderAreThoseReducedWhenFirstDrawn)
{
    struct Result {
        std::vector<uint8_t> ball, paddle;
        std::vector<std::vector<uint32_t>> frames;
    };
    const auto run = [&](bool ahead) {
        MakeWorld();
        Screen().ApplyVideoMode({800, 600, 8, 0});
        CSprite* paddle = AddSprite("Paddle1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 400, 150);
        CSprite* ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
        if (ahead)
            Screen().ReduceAheadInOrder({ball, paddle});
        Screen().Initialise(*m_window);
        EXPECT_EQ(CSpriteInside::ReducedAhead(*ball).valid(), ahead);
        ball->Blit({0, 0, 100, 100}, 0);
        paddle->Blit({650, 1050, 1050, 1200}, 0);
        EXPECT_TRUE(CSpriteInside::Reduced(*ball) && CSpriteInside::Reduced(*paddle));
        EXPECT_FALSE(CSpriteInside::ReducedAhead(*ball).valid());   // taken by the first drawing
        Result result{BitsOf(ball->Picture()), BitsOf(paddle->Picture()), {}};
        for (CSprite* sprite : {ball, paddle})
            for (int32_t frame = 0; frame < 30; ++frame)
                result.frames.push_back(Raws(*sprite->FrameSurface(frame)));
        TearDown();
        return result;
    };
    const Result whenDrawn = run(false);
    const Result ahead = run(true);
    EXPECT_EQ(ahead.ball, whenDrawn.ball);
    EXPECT_EQ(ahead.paddle, whenDrawn.paddle);
    EXPECT_EQ(ahead.frames, whenDrawn.frames);
}

// Out of a palette mode nothing is reduced; a failed reduction reaches the drawing that
// waits for it and every later one; a world can go before anything is drawn.
TEST_F(SpriteTest, ReductionAheadOnlyInPaletteModesFailuresReachTheDrawingAndAWorldCanGoFirst)
{
    MakeWorld();
    Screen().ApplyVideoMode({640, 480, 32, 0});
    CSprite* ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
    Screen().ReduceAheadInOrder({ball});
    Screen().Initialise(*m_window);
    EXPECT_FALSE(CSpriteInside::ReducedAhead(*ball).valid());
    ball->Blit({0, 0, 100, 100}, 0);
    EXPECT_FALSE(CSpriteInside::Reduced(*ball));
    TearDown();

    MakeWorld();
    ball = AddSprite("Ball1", 30, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 100, 100);
    CSprite broken(m_game.get(), "Broken");   // no picture to reduce, and not in the store
    broken.SetFlags(SPRITE_DITHER);
    Screen().ReduceAheadInOrder({&broken, ball});
    Initialise(640, 480, 8);
    try {
        ball->Blit({0, 0, 100, 100}, 0);
        ADD_FAILURE() << "the ball was drawn after the paddle's reduction failed";
    } catch (const CFatalError& error) {
        EXPECT_NE(std::string(error.what()).find("ditherer"), std::string::npos) << error.what();
    }
    EXPECT_FALSE(CSpriteInside::Reduced(*ball));
    TearDown();

    MakeWorld();
    AddSprite("Background1", 1, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, 1600, 1200);
    Screen().ReduceAheadInOrder({m_game->Sprites().GetAt(0)});
    Initialise(640, 480, 8);
    TearDown();   // the screen waits for the reduction before its sprites go
}

// --- the store ---------------------------------------------------------------------------

// A sprite that notes the order in which sprites are destroyed.
class CNotingSprite : public CSprite {
public:
    CNotingSprite(std::string name, std::vector<std::string>& log) : CSprite(nullptr, std::move(name)), m_log(log) {}
    ~CNotingSprite() override { m_log.push_back(Name()); }

private:
    std::vector<std::string>& m_log;
};

TEST(SpriteStore, FindsByExactNameDestroysInReverseOrderAndHoldsFifty)
{
    std::vector<std::string> destroyed;
    {
        CSpriteStore store;
        EXPECT_EQ(store.Find("Ball1"), nullptr);
        store.Add(std::make_unique<CNotingSprite>("Background1", destroyed));
        store.Add(std::make_unique<CNotingSprite>("Paddle1", destroyed));
        store.Add(std::make_unique<CNotingSprite>("Ball1", destroyed));
        EXPECT_EQ(store.GetCount(), 3);
        EXPECT_EQ(store.Find("Ball1"), store.GetAt(2));
        EXPECT_EQ(store.Find("ball1"), nullptr);   // letter case counts
        store.RemoveAll();
        EXPECT_EQ(store.GetCount(), 0);
        EXPECT_EQ(store.Find("Ball1"), nullptr);
        store.RemoveAll();   // a second time does nothing
        EXPECT_EQ(destroyed, (std::vector<std::string>{"Ball1", "Paddle1", "Background1"}));
        destroyed.clear();

        for (int32_t i = 0; i < CSpriteStore::MAX_SPRITES; ++i)
            store.Add(std::make_unique<CNotingSprite>(std::to_string(i), destroyed));
        EXPECT_THROW(store.Add(std::make_unique<CNotingSprite>("one too many", destroyed)), CFatalError);
        EXPECT_EQ(store.GetCount(), CSpriteStore::MAX_SPRITES);
    }
    EXPECT_EQ(destroyed.size(), 51u);   // the one refused and the fifty, each once
}

} // namespace
