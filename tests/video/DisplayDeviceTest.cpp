// DisplayDeviceTest.cpp — display modes, mode setting, presentation (read back from the
// renderer), uploads of changed regions only, and surface loss.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "tests/support/DisplayLayerFixture.h"
#include "platform/video/DrawingContext.h"
#include "platform/video/FrameConverter.h"
#include "platform/video/PixelFormat.h"

namespace {

std::vector<DisplayMode> ListModes(const CDisplayDevice& device)
{
    std::vector<DisplayMode> modes;
    device.EnumDisplayModes([&](const DisplayMode& mode) { modes.push_back(mode); });
    return modes;
}

// --- Modes -------------------------------------------------------------------------------

TEST(DisplayModes, StandardSizesAtEveryDepthSortedByDepthThenSize)
{
    const CDisplayDevice desktop;
    const std::vector<DisplayMode> modes = ListModes(desktop);
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(modes.front().width, 640);
    EXPECT_EQ(modes.front().height, 480);
    EXPECT_EQ(modes.front().bitsPerPixel, 8);

    for (const int32_t depth : {8, 16, 24, 32})
        for (const auto& [width, height] : {std::pair{640, 480}, {800, 600}, {1024, 768}})
            EXPECT_TRUE(std::any_of(modes.begin(), modes.end(), [&](const DisplayMode& m) {
                return m.width == width && m.height == height && m.bitsPerPixel == depth;
            })) << width << "x" << height << "x" << depth;

    const auto key = [](const DisplayMode& m) { return std::tie(m.bitsPerPixel, m.width, m.height, m.refreshRate); };
    for (size_t i = 1; i < modes.size(); ++i)
        EXPECT_LT(key(modes[i - 1]), key(modes[i])) << "entry " << i;   // sorted, no duplicates
    for (const DisplayMode& mode : modes)   // the offscreen driver's 0 x 0 mode is dropped
        EXPECT_TRUE(mode.width > 0 && mode.height > 0 && mode.bitsPerPixel % 8 == 0 && mode.bitsPerPixel != 0 &&
                    mode.bitsPerPixel <= 32) << mode.width << "x" << mode.height << "x" << mode.bitsPerPixel;
}

class DisplayDevice : public CDisplayLayerFixture {};

TEST_F(DisplayDevice, SetDisplayModeRefusesOnlyWhatCannotBeEmulated)
{
    SetMode(320, 200, 8);
    m_device.reset();
    m_device = std::make_unique<CDisplayDevice>(*m_window, CooperativeLevel::Exclusive, PresentOptions{true});
    for (const DisplayMode& refused : {DisplayMode{0, 480, 8, 0}, DisplayMode{640, 0, 8, 0}, DisplayMode{16385, 480, 8, 0},
                                       DisplayMode{640, 16385, 8, 0}, DisplayMode{640, 480, 15, 0},
                                       DisplayMode{640, 480, 0, 0}, DisplayMode{-640, 480, 8, 0}}) {
        EXPECT_EQ(m_device->SetDisplayMode(refused), DISPLAY_FAILED) << refused.width << "x" << refused.height;
        EXPECT_FALSE(m_device->LastError().empty());
    }
    EXPECT_EQ(m_device->Mode(), DisplayMode{});

    const DisplayMode chosen{800, 600, 24, 75};
    ASSERT_EQ(m_device->SetDisplayMode(chosen), DISPLAY_OK) << m_device->LastError();
    EXPECT_EQ(m_device->Mode(), chosen);
    int32_t width = 0, height = 0;
    m_window->OutputSize(width, height);   // windowed presentation: a window of the mode's size
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
}

// Only an exclusive device sets modes and makes surfaces, and not under live surfaces.
TEST_F(DisplayDevice, OnlyAnExclusiveDeviceWithoutLiveSurfacesSetsModes)
{
    SetMode(320, 200, 8);
    CDisplayDevice normal(*m_window, CooperativeLevel::Normal);
    EXPECT_EQ(normal.SetDisplayMode({640, 480, 8, 0}), DISPLAY_FAILED);
    std::shared_ptr<CSurface> surface;
    EXPECT_EQ(normal.CreateOffscreenSurface(8, 8, surface), DISPLAY_FAILED);
    EXPECT_EQ(normal.CreatePrimarySurface(surface), DISPLAY_FAILED);
    EXPECT_EQ(CDisplayDevice().SetDisplayMode({640, 480, 8, 0}), DISPLAY_FAILED);

    surface = Offscreen(4, 4);
    EXPECT_EQ(m_device->SetDisplayMode({640, 480, 16, 0}), DISPLAY_FAILED);
    surface.reset();
    EXPECT_EQ(m_device->SetDisplayMode({640, 480, 16, 0}), DISPLAY_OK);
}

// --- Presentation ------------------------------------------------------------------------

class Presentation : public CDisplayLayerFixture {
protected:
    void MakePrimary(int32_t width, int32_t height, int32_t bitsPerPixel)
    {
        SetMode(width, height, bitsPerPixel);
        ASSERT_EQ(m_device->CreatePrimarySurface(m_primary), DISPLAY_OK) << m_device->LastError();
        m_back = m_primary->GetBackBuffer();
    }

    // The presented pixel at (x, y), 0x00RRGGBB.
    uint32_t Shown(int32_t x, int32_t y)
    {
        std::vector<uint32_t> pixels;
        int32_t width = 0, height = 0;
        EXPECT_EQ(m_device->ReadPresentedPixels(pixels, width, height), DISPLAY_OK) << m_device->LastError();
        if (x >= width || y >= height)
            return 0xDEADBEEF;
        return pixels[static_cast<size_t>(y) * width + x];
    }

    uint64_t UploadOfNextFlip()
    {
        const uint64_t before = m_device->UploadedPixelCount();
        EXPECT_EQ(m_primary->Flip(), DISPLAY_OK) << m_primary->LastError();
        return m_device->UploadedPixelCount() - before;
    }

    void TearDown() override
    {
        m_back.reset();
        m_primary.reset();
        CDisplayLayerFixture::TearDown();
    }

    std::shared_ptr<CSurface> m_primary;
    std::shared_ptr<CSurface> m_back;
};

// A 640 x 480 frame in a 1000 x 500 output: 666 x 500 in the middle, black bars beside it.
TEST_F(Presentation, TheFrameIsScaledToTheOutputWithItsShapeKept)
{
    MakePrimary(640, 480, 32);
    Fill(*m_back, [](int32_t x, int32_t) { return x < 320 ? 0x00FF2010u : 0x000040F0u; });
    SDL_SetWindowSize(m_window->Window(), 1000, 500);
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK) << m_primary->LastError();

    std::vector<uint32_t> pixels;
    int32_t width = 0, height = 0;
    ASSERT_EQ(m_device->ReadPresentedPixels(pixels, width, height), DISPLAY_OK);
    ASSERT_EQ(width, 1000);
    ASSERT_EQ(height, 500);
    for (const int32_t y : {0, 250, 499})
        for (const auto& [x, shown] : {std::pair{0, 0u}, {166, 0u}, {167, 0xFF2010u}, {400, 0xFF2010u},
                                       {600, 0x0040F0u}, {832, 0x0040F0u}, {833, 0u}, {999, 0u}})
            EXPECT_EQ(pixels[static_cast<size_t>(y) * width + x], shown) << x << "," << y;

    // A square output gets bars above and below: 800 x 600 from y = 100.
    SDL_SetWindowSize(m_window->Window(), 800, 800);
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK);
    EXPECT_EQ(Shown(100, 99), 0u);
    EXPECT_EQ(Shown(100, 100), 0xFF2010u);
    EXPECT_EQ(Shown(700, 699), 0x0040F0u);
    EXPECT_EQ(Shown(700, 700), 0u);
}

// A palette frame needs a palette, and another palette uploads it whole; the unused byte
// of a 32-bit pixel shows nothing. (The other depths' colours are pinned by the frame
// conversion and drawing context tests.)
TEST_F(Presentation, PaletteFramesShowTheirPalettesColoursAndThirtyTwoBitsIgnoreTheTopByte)
{
    MakePrimary(16, 8, 8);
    std::shared_ptr<CDisplayPalette> palette;
    ASSERT_EQ(m_device->CreatePalette(PaletteOf({}, {{7, {10, 200, 30, 0}}, {200, {255, 255, 255, 0}}}), palette),
              DISPLAY_OK);
    Fill(*m_back, [](int32_t x, int32_t) { return x < 8 ? 7u : 200u; });
    EXPECT_EQ(m_primary->Flip(), DISPLAY_FAILED);
    EXPECT_NE(m_primary->LastError().find("palette"), std::string::npos);
    ASSERT_EQ(m_primary->SetPalette(palette), DISPLAY_OK);
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK) << m_primary->LastError();
    EXPECT_EQ(Shown(2, 2), 0x0AC81Eu);
    EXPECT_EQ(Shown(12, 2), 0xFFFFFFu);
    // Another palette on the primary uploads everything again.
    EXPECT_EQ(UploadOfNextFlip(), 0u);
    std::shared_ptr<CDisplayPalette> red;
    ASSERT_EQ(m_device->CreatePalette(PaletteOf({}, {{7, {250, 0, 0, 0}}}), red), DISPLAY_OK);
    ASSERT_EQ(m_primary->SetPalette(red), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 16u * 8u);
    EXPECT_EQ(Shown(2, 2), 0xFA0000u);
    TearDown();

    MakePrimary(16, 8, 32);
    FillWith(*m_back, 0xAB654321u);
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK);
    EXPECT_EQ(Shown(5, 5), 0x654321u);
}

// What each operation on the back buffer costs at the next flip, in uploaded pixels; and
// what is shown after a partial upload is the whole, current frame.
TEST_F(Presentation, OnlyWhatChangedSinceTheLastFlipIsUploaded)
{
    SetMode(200, 100, 32);
    std::vector<uint32_t> pixels;
    int32_t width = 0, height = 0;
    EXPECT_EQ(m_device->ReadPresentedPixels(pixels, width, height), DISPLAY_FAILED);   // nothing before a primary
    MakePrimary(200, 100, 32);
    EXPECT_EQ(UploadOfNextFlip(), 200u * 100u);   // the first frame whole
    EXPECT_EQ(UploadOfNextFlip(), 0u);

    auto sprite = Offscreen(10, 10);
    FillWith(*sprite, 0x00112233);
    const Rect a{5, 5, 15, 15};
    const Rect b{100, 50, 110, 60};
    ASSERT_EQ(m_back->Blit(&a, sprite.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 100u);
    ASSERT_EQ(m_back->Blit(&a, sprite.get(), nullptr, 0), DISPLAY_OK);
    ASSERT_EQ(m_back->Blit(&b, sprite.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 200u);
    const Rect overlapping{10, 5, 20, 15};   // with a: one 15 x 10 rectangle
    ASSERT_EQ(m_back->Blit(&a, sprite.get(), nullptr, 0), DISPLAY_OK);
    ASSERT_EQ(m_back->Blit(&overlapping, sprite.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 150u);
    const Rect clipped{195, 95, 205, 105};   // only the part inside counts
    ASSERT_EQ(m_back->Blit(&clipped, sprite.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 25u);
    EXPECT_EQ(Shown(197, 97), 0x112233u);
    EXPECT_EQ(Shown(150, 20), 0u);

    std::unique_ptr<CDrawingContext> context;
    ASSERT_EQ(m_back->GetDrawingContext(context), DISPLAY_OK);
    EXPECT_EQ(context->SetPixel(30, 40, MakeColour(1, 2, 3)), MakeColour(1, 2, 3));
    ASSERT_EQ(m_back->ReleaseDrawingContext(context), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 1u);
    EXPECT_EQ(Shown(30, 40), 0x010203u);

    LockedPixels locked;
    ASSERT_EQ(m_back->Lock(locked), DISPLAY_OK);
    ASSERT_EQ(m_back->Unlock(), DISPLAY_OK);
    EXPECT_EQ(UploadOfNextFlip(), 200u * 100u);
}

// The conversion to the texture against the colour each raw value stands for, in every
// depth, for textures of either byte order, over rows long enough for the 64-pixel palette
// lookup and starting at an odd column.
TEST(FrameConverter, EveryPixelArrivesAsTheColourItsRawValueStandsFor)
{
    std::mt19937 random(11);
    std::array<PaletteEntry, 256> entries;
    for (PaletteEntry& entry : entries)
        entry = {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), 0};
    const CDisplayPalette palette(entries);
    constexpr int32_t WIDTH = 300, HEIGHT = 3;
    std::vector<uint8_t> pixels(WIDTH * HEIGHT * 4);
    for (uint8_t& byte : pixels)
        byte = static_cast<uint8_t>(random());
    const Rect rect{5, 1, WIDTH, HEIGHT};   // 295 pixels a row: four runs of 64 and 39 more

    for (const TextureLayout layout : {TextureLayout{16, 8, 0, 0xFF000000}, TextureLayout{0, 8, 16, 0xFF000000},
                                       TextureLayout{16, 8, 0, 0}}) {
        const uint32_t rgb = 0xFFu << layout.redShift | 0xFFu << layout.greenShift | 0xFFu << layout.blueShift;
        for (const int32_t depth : {8, 16, 24, 32}) {
            const PixelView view{pixels.data(), WIDTH * depth / 8, WIDTH, HEIGHT, depth / 8};
            CFrameConverter converter(depth, layout);
            converter.SetPalette(palette);
            std::vector<uint32_t> out(static_cast<size_t>(rect.Width()) * rect.Height());
            converter.Convert(view, rect, reinterpret_cast<uint8_t*>(out.data()), rect.Width() * 4);

            const CPixelFormat format(depth, &palette);
            for (int32_t y = rect.top; y < rect.bottom; ++y)
                for (int32_t x = rect.left; x < rect.right; ++x) {
                    const ColourRef colour = format.ColourFromRaw(ReadRaw(view.At(x, y), view.bytesPerPixel));
                    const uint32_t expected = uint32_t{RedOf(colour)} << layout.redShift |
                                              uint32_t{GreenOf(colour)} << layout.greenShift |
                                              uint32_t{BlueOf(colour)} << layout.blueShift;
                    const uint32_t got = out[static_cast<size_t>(y - rect.top) * rect.Width() + (x - rect.left)];
                    ASSERT_EQ(got & rgb, expected) << depth << " bits, pixel " << x << "," << y;
                }
        }
    }
}

// --- Loss --------------------------------------------------------------------------------

TEST_F(Presentation, ARendererResetLosesThePrimaryUntilRestored)
{
    MakePrimary(32, 16, 32);
    FillWith(*m_back, 0x00336699);
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK);
    for (const Uint32 reset : {Uint32{SDL_RENDER_TARGETS_RESET}, Uint32{SDL_RENDER_DEVICE_RESET}}) {
        SDL_Event event{};
        event.type = reset;
        ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        SDL_FlushEvent(reset);
        EXPECT_EQ(m_primary->IsLost(), DISPLAY_SURFACE_LOST);
        EXPECT_EQ(m_primary->Flip(), DISPLAY_SURFACE_LOST);
        EXPECT_EQ(m_back->IsLost(), DISPLAY_OK);   // the back buffer's memory is ours

        ASSERT_EQ(m_primary->Restore(), DISPLAY_OK) << m_primary->LastError();
        EXPECT_EQ(UploadOfNextFlip(), 32u * 16u);   // a new texture is filled whole
        EXPECT_EQ(Shown(4, 4), 0x336699u);
    }
}

// Alt+Enter's switch: full-screen (pointer hidden) and back to a window of the mode's
// size (pointer shown), every surface kept and nothing uploaded again, the last
// frame shown again each time. Dialogs stand on that frame once there is one.
TEST_F(Presentation, SwitchingFullScreenAndWindowKeepsTheFrameAndShowsItAgain)
{
    MakePrimary(640, 480, 32);
    EXPECT_FALSE(m_window->DrawBackdrop()) << "nothing presented yet";
    Fill(*m_back, [](int32_t x, int32_t y) { return (x < 320 ? 0x00FF2010u : 0x000040F0u) + (y & 1); });
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK);
    EXPECT_TRUE(m_window->DrawBackdrop());
    const std::vector<uint32_t> before = Raws(*m_back);
    const uint64_t uploaded = m_device->UploadedPixelCount();

    for (const bool windowed : {false, true, false, true}) {
        SCOPED_TRACE(windowed ? "to a window" : "to full-screen");
        ASSERT_EQ(m_device->SetWindowed(windowed), DISPLAY_OK) << m_device->LastError();
        EXPECT_EQ(m_device->IsWindowed(), windowed);
        EXPECT_EQ(m_window->IsFullScreen(), !windowed);
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), windowed ? SDL_ENABLE : SDL_DISABLE);
        int32_t width = 0, height = 0;
        m_window->OutputSize(width, height);
        EXPECT_EQ(Shown(width / 2 - 10, height / 2), 0xFF2010u);
        EXPECT_EQ(Shown(width / 2 + 10, height / 2), 0x0040F0u);
        if (windowed) {   // (whether it can be resized is the window system's to say)
            EXPECT_EQ(std::pair(width, height), std::pair(640, 480));
        }
    }
    EXPECT_EQ(Raws(*m_back), before);
    EXPECT_EQ(m_device->UploadedPixelCount(), uploaded);
}

// (Off-screen surfaces' loss is in SurfaceTest.)
TEST_F(Presentation, LosingEverySurfaceDiscardsTheirContents)
{
    MakePrimary(32, 16, 24);
    FillWith(*m_back, 0x445566);
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK);

    m_device->LoseAllSurfaces();
    EXPECT_EQ(m_primary->IsLost(), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(m_back->IsLost(), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(m_primary->Flip(), DISPLAY_SURFACE_LOST);
    std::unique_ptr<CDrawingContext> context;
    EXPECT_EQ(m_back->GetDrawingContext(context), DISPLAY_SURFACE_LOST);

    ASSERT_EQ(m_primary->Restore(), DISPLAY_OK);   // restores its back buffer with it
    EXPECT_EQ(m_back->IsLost(), DISPLAY_OK);
    EXPECT_EQ(Raws(*m_back), std::vector<uint32_t>(32 * 16, 0));
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK);
    EXPECT_EQ(Shown(4, 4), 0u);
}

TEST_F(Presentation, SurfacesOutlivingTheirDeviceFailInsteadOfCrashing)
{
    MakePrimary(32, 16, 8);
    m_device.reset();
    EXPECT_EQ(m_primary->Flip(), DISPLAY_FAILED);
    EXPECT_EQ(m_back->Blit(nullptr, m_back.get(), nullptr, 0), DISPLAY_OK);   // still memory
    m_primary.reset();
    m_back.reset();
}


} // namespace
