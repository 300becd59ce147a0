// AppTestSupport.h — helpers for the application tests: headless options, the world's
// objects, the frame-rate text's box, and a full redraw of a world's current state.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

#include "app/ProgramOptions.h"
#include "display/Screen.h"
#include "game/Game.h"
#include "game/GameObject.h"
#include "platform/video/DrawingContext.h"
#include "sprites/Sprite.h"
#include "tests/support/GameObjectInside.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ScratchFolderTest.h"
#include "tests/support/ScreenInside.h"
#include "tests/support/SdlEvents.h"
#include "tests/support/SurfacePixels.h"

// A scratch folder and an empty event queue for each test, so that no event of one test
// (a close request, a key) reaches the next.
class CAppScratchFolderTest : public CScratchFolderTest {
protected:
    void SetUp() override
    {
        CScratchFolderTest::SetUp();
        FlushEvents();
    }
    void TearDown() override
    {
        FlushEvents();
        CScratchFolderTest::TearDown();
    }
};

// A headless run at the mode, in a window of the mode's size, with the clock's fixed step.
inline ProgramOptions HeadlessOptions(const DisplayMode& mode, uint32_t stepMs)
{
    ProgramOptions options;
    options.mode = mode;
    options.headless = true;
    options.windowed = true;
    options.waitForRefresh = false;
    options.fixedStepMs = stepMs;
    return options;
}

// The world's object of that name, or null.
inline CGameObject* FindObject(const CGame& game, std::string_view name)
{
    for (int32_t i = 0; i < game.ObjectCount(); ++i)
        if (name == game.ObjectAt(i)->Name())
            return game.ObjectAt(i);
    return nullptr;
}

// A surface of the screen's mode, its palette and clipper attached, every raw pixel `raw`.
inline std::shared_ptr<CSurface> ScreenSurface(CScreen& screen, uint32_t raw)
{
    std::shared_ptr<CSurface> surface;
    EXPECT_EQ(CScreenInside::Device(screen).CreateOffscreenSurface(screen.Width(), screen.Height(), surface), DISPLAY_OK);
    if (CScreenInside::Palette(screen))
        surface->SetPalette(CScreenInside::Palette(screen));
    surface->SetClipper(CScreenInside::Clipper(screen));
    FillWith(*surface, raw);
    return surface;
}

// The box a text written at (0, 0) covers, found by writing it over two different fills:
// where the text's opaque box lies the two agree.
inline Rect TextBox(CScreen& screen, std::string_view text)
{
    std::unique_ptr<CBitmap24> pictures[2];
    for (uint32_t i = 0; i < 2; ++i) {
        const std::shared_ptr<CSurface> surface = ScreenSurface(screen, i);
        std::unique_ptr<CDrawingContext> context;
        EXPECT_EQ(surface->GetDrawingContext(context), DISPLAY_OK);
        EXPECT_TRUE(context->TextOut(0, 0, text));
        surface->ReleaseDrawingContext(context);
        pictures[i] = surface->ToBitmap();
    }
    Rect box{screen.Width(), screen.Height(), 0, 0};
    for (int32_t y = 0; y < screen.Height(); ++y)
        for (int32_t x = 0; x < screen.Width(); ++x)
            if (PixelAt(*pictures[0], x, y) == PixelAt(*pictures[1], x, y))
                box = Rect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                           std::max(box.bottom, y + 1)};
    return box;
}

// The world's current state drawn whole on a fresh surface: each object, in table order,
// draws its current frame at its rectangle, through the screen's clipper and with the
// sprites' colour keys (opaque where one has none), as a tick draws them.
inline std::unique_ptr<CBitmap24> FullRedraw(CGame& game)
{
    CScreen& screen = game.Screen();
    std::shared_ptr<CSurface> canvas = ScreenSurface(screen, 0);
    for (int32_t i = 0; i < game.ObjectCount(); ++i) {
        const CGameObject& object = *game.ObjectAt(i);
        const Rect pixels = screen.ScaleRect(CGameObjectInside::Rectangle(object));
        CSurface* frame = CGameObjectInside::Sprite(object)->FrameSurface(CGameObjectInside::Frame(object));
        const uint32_t flags = frame->HasColourKey() ? BLIT_SOURCE_KEY : 0;   // a keyless picture is opaque
        EXPECT_EQ(canvas->Blit(&pixels, frame, nullptr, flags), DISPLAY_OK) << canvas->LastError();
    }
    return canvas->ToBitmap();
}
