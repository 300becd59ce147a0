// ScreenTest.cpp — the screen: scaling, set-up per depth, clipping, colour keys, loss.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "display/VideoModes.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Clipper.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/Surface.h"
#include "sprites/Sprite.h"
#include "tests/support/DisplayFixture.h"
#include "tests/support/ScreenInside.h"

namespace {

class ScreenTest : public CDisplayFixture {};

// --- scaling -----------------------------------------------------------------------------

TEST_F(ScreenTest, WorldRectanglesScaleToPixelsTruncatingTowardZero)
{
    MakeWorld();
    CScreen& screen = Screen();
    EXPECT_EQ(screen.ScaleRect({0, 0, 1600, 1200}), (Rect{0, 0, 640, 480}));
    EXPECT_EQ(screen.ScaleRect({650, 1050, 1050, 1200}), (Rect{260, 420, 420, 480}));
    EXPECT_EQ(screen.ScaleRect({-1, 0, -3, 0}), (Rect{0, 0, -1, 0}));
    screen.ApplyVideoMode({800, 600, 16, 0});
    EXPECT_EQ(screen.ScaleRect({650, 1050, 1050, 1200}), (Rect{325, 525, 525, 600}));
    EXPECT_EQ(screen.ScaleSize(100, 3000).width, 50);
    EXPECT_EQ(screen.ScaleSize(100, 3000).height, 1500);
}

// (The default mode, 640 × 480 × 8, is what a headless run without a mode takes.)
TEST_F(ScreenTest, ConstructionListsTheModes)
{
    g_videoModes.RemoveAll();
    MakeWorld();
    EXPECT_GT(g_videoModes.GetSize(), 0);
}

// --- set-up per depth --------------------------------------------------------------------

// An 8-bit mode gets a 256-entry palette with the key in entry 1; deeper modes none.
TEST_F(ScreenTest, OnlyTheEightBitModeBuildsAPaletteHoldingTheKeyColour)
{
    for (int32_t depth : {8, 16, 24, 32}) {
        MakeWorld();
        Initialise(640, 480, depth);
        EXPECT_EQ(Screen().BackBuffer()->BitsPerPixel(), depth);
        if (depth > 8) {
            EXPECT_EQ(CScreenInside::Palette(Screen()), nullptr) << depth;
            EXPECT_EQ(Screen().Quantizer(), nullptr) << depth;
        } else {
            ASSERT_NE(CScreenInside::Palette(Screen()), nullptr);
            EXPECT_EQ(Screen().Quantizer()->ColourCount(), 256);
            EXPECT_EQ(CScreenInside::Palette(Screen())->Entries()[1], (PaletteEntry{0, 0, 255, 0}));   // the key, pure blue
            EXPECT_EQ(Screen().BackBuffer()->Palette(), CScreenInside::Palette(Screen()));
            EXPECT_EQ(CScreenInside::Primary(Screen())->Palette(), CScreenInside::Palette(Screen()));
        }
        TearDown();
    }
}

TEST_F(ScreenTest, AModeThatCannotBeSetIsFatal)
{
    MakeWorld();
    Screen().ApplyVideoMode({640, 480, 12, 0});
    EXPECT_THROW(Screen().Initialise(*m_window), CFatalError);
}

// --- clipping ----------------------------------------------------------------------------

TEST_F(ScreenTest, TheClipListCoversTheWholeScreenAndNothingBeyond)
{
    for (const auto& [width, height] : {std::pair{640, 480}, std::pair{800, 600}}) {
        MakeWorld();
        Initialise(width, height, 32);
        std::shared_ptr<CSurface> white;
        ASSERT_EQ(CScreenInside::Device(Screen()).CreateOffscreenSurface(width, height, white), DISPLAY_OK);
        FillWith(*white, 0xFFFFFF);
        // A blit reaching past the bottom-right corner is cut at the screen's edge.
        const Rect beyond{0, 0, width + 20, height + 20};
        ASSERT_EQ(Screen().BackBuffer()->Blit(&beyond, white.get(), nullptr, 0), DISPLAY_OK);
        CSurface& back = *Screen().BackBuffer();
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{width - 1, 0}, std::pair{0, height - 1},
                                   std::pair{width - 1, height - 1}, std::pair{width - 1, height / 2}})
            EXPECT_EQ(RawAt(back, x, y), 0xFFFFFFu) << width << "x" << height << " at " << x << ", " << y;
        TearDown();
    }
}

// --- colour keys -------------------------------------------------------------------------

TEST_F(ScreenTest, MatchColourConvertsWithoutChangingThePixel)
{
    MakeWorld();
    Initialise(640, 480, 16);
    std::shared_ptr<CSurface> surface;
    ASSERT_EQ(CScreenInside::Device(Screen()).CreateOffscreenSurface(4, 4, surface), DISPLAY_OK);
    FillWith(*surface, 0x1234);
    // 5-6-5 by truncation: pure blue is 0x001F, magenta 0xF81F.
    EXPECT_EQ(Screen().MatchColour(surface.get(), 0x00FF0000), 0x001Fu);
    EXPECT_EQ(Screen().MatchColour(surface.get(), 0x00FF00FF), 0xF81Fu);
    EXPECT_EQ(RawAt(*surface, 0, 0), 0x1234u);   // put back as it was
    EXPECT_EQ(Screen().MatchColour(surface.get(), KEY_FROM_FIRST_PIXEL), 0x1234u);
}

TEST_F(ScreenTest, MatchColourInAPaletteModeGivesTheNearestEntry)
{
    MakeWorld();
    Initialise(640, 480, 8);
    std::shared_ptr<CSurface> surface;
    ASSERT_EQ(CScreenInside::Device(Screen()).CreateOffscreenSurface(4, 4, surface), DISPLAY_OK);
    surface->SetPalette(CScreenInside::Palette(Screen()));
    EXPECT_EQ(Screen().MatchColour(surface.get(), 0x00FF0000), 1u);   // entry 1 is the key
    EXPECT_EQ(Screen().MatchColour(surface.get(), 0x00000000), 0u);
}

// A sprite's frame surface comes with the palette in a palette mode, and without one deeper.
TEST_F(ScreenTest, FrameSurfacesCarryThePaletteOnlyInAPaletteMode)
{
    for (int32_t depth : {8, 32}) {
        MakeWorld();
        Initialise(640, 480, depth);
        std::shared_ptr<CSurface> surface;
        ASSERT_EQ(Screen().CreateFrameSurface(4, 4, surface), DISPLAY_OK) << depth;
        EXPECT_EQ(Screen().HasPalette(), depth == 8);
        EXPECT_EQ(surface->Palette(), CScreenInside::Palette(Screen())) << depth;
        EXPECT_EQ(surface->Palette() != nullptr, depth == 8);
        TearDown();
    }
}

// --- loss --------------------------------------------------------------------------------

// At the start of a frame: nothing lost keeps the rectangles waiting for repair; a lost
// back buffer is restored, the repairs are dropped and a whole drawing is asked for once.
TEST_F(ScreenTest, RecoveryRestoresTheBackBufferAndDropsTheRepairsOnlyAfterALoss)
{
    MakeWorld();
    Initialise(640, 480, 32);
    const Rect drawn{0, 0, 10, 10};
    Screen().MarkDirty(drawn);
    EXPECT_FALSE(Screen().RecoverFromLoss());
    Rect rect;
    ASSERT_TRUE(Screen().TakeDirty(rect));
    EXPECT_EQ(rect, drawn);
    EXPECT_FALSE(Screen().TakeDirty(rect));

    Screen().MarkDirty(drawn);
    Screen().LoseAllSurfaces();
    EXPECT_TRUE(Screen().RecoverFromLoss());
    EXPECT_EQ(Screen().BackBuffer()->IsLost(), DISPLAY_OK);
    EXPECT_FALSE(Screen().TakeDirty(rect));
    EXPECT_FALSE(Screen().RecoverFromLoss());
}

TEST_F(ScreenTest, PresentRestoresALostDisplayAndRecordsIt)
{
    MakeWorld();
    Initialise(640, 480, 32);
    Screen().Present();
    EXPECT_FALSE(Screen().RecoverFromLoss());

    Screen().LoseAllSurfaces();
    EXPECT_EQ(Screen().BackBuffer()->IsLost(), DISPLAY_SURFACE_LOST);
    Screen().Present();
    EXPECT_EQ(CScreenInside::Primary(Screen())->IsLost(), DISPLAY_OK);
    EXPECT_EQ(Screen().BackBuffer()->IsLost(), DISPLAY_OK);
    EXPECT_TRUE(Screen().RecoverFromLoss());
    EXPECT_FALSE(Screen().RecoverFromLoss());   // reading clears it
}

// A display lost again at each restore is restored three times in one Present, and a
// fourth loss ends the run with a message.
TEST_F(ScreenTest, PresentRestoresADisplayLostAgainUpToThreeTimesAndFailsOnTheFourth)
{
    MakeWorld();
    Initialise(640, 480, 32);
    Screen().LoseAllSurfaces();
    CScreenInside::Device(Screen()).LosePrimaryAgainOnRestore(2);   // restores 1 and 2 lost again, 3 holds
    EXPECT_NO_THROW(Screen().Present());
    EXPECT_EQ(CScreenInside::Primary(Screen())->IsLost(), DISPLAY_OK);

    Screen().LoseAllSurfaces();
    CScreenInside::Device(Screen()).LosePrimaryAgainOnRestore(3);   // a fourth restore would be needed
    try {
        Screen().Present();
        ADD_FAILURE() << "a display lost at every restore was presented";
    } catch (const CFatalError& error) {
        EXPECT_NE(std::string(error.what()).find("cannot restore the lost display"), std::string::npos) << error.what();
    }
}

} // namespace
