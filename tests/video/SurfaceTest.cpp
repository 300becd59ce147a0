// SurfaceTest.cpp — blits between surfaces in every depth: straight, keyed, stretched,
// clipped, refused, and on lost surfaces.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <utility>

#include "tests/support/DisplayLayerFixture.h"
#include "platform/video/Clipper.h"

namespace {

constexpr uint32_t BACKGROUND = 0x5A5A5A5A;   // masked to each depth

// Distinct values that use every byte of the depth, so a wrong byte order shows.
uint32_t Pattern(int32_t x, int32_t y)
{
    return 0x9E3779B1u * static_cast<uint32_t>(x + 64 * y + 1);
}

// Part of what a destination must show: inside `at`, the source pixel `source`(x, y).
struct Drawn {
    Rect at;
    std::function<std::pair<int32_t, int32_t>(int32_t, int32_t)> source;
};

class SurfaceBlit : public CDisplayLayerFixture, public ::testing::WithParamInterface<int32_t> {
protected:
    void SetUp() override { SetMode(64, 48, GetParam()); }

    uint32_t Mask() const { return RawMask(GetParam()); }

    // A source surface holding Pattern, and a destination holding BACKGROUND.
    void MakePair(int32_t sourceWidth, int32_t sourceHeight, int32_t width, int32_t height)
    {
        m_source = Offscreen(sourceWidth, sourceHeight);
        m_target = Offscreen(width, height);
        Fill(*m_source, Pattern);
        FillWith(*m_target, BACKGROUND);
    }

    // Blits the source (or the part of it given) onto the destination at `at`.
    void BlitAt(const Rect& at, std::optional<Rect> part = std::nullopt)
    {
        ASSERT_EQ(m_target->Blit(&at, m_source.get(), part ? &*part : nullptr, 0), DISPLAY_OK) << m_target->LastError();
    }

    // A clipper with the one rectangle, attached to the destination.
    void Clip(const Rect& rect)
    {
        std::shared_ptr<CClipper> clipper;
        ASSERT_EQ(m_device->CreateClipper(clipper), DISPLAY_OK);
        ASSERT_EQ(clipper->SetClipList(rect), DISPLAY_OK);
        ASSERT_EQ(m_target->SetClipper(clipper), DISPLAY_OK);
    }

    // The destination shows the drawn parts and the background everywhere else.
    void ExpectTarget(std::initializer_list<Drawn> drawn)
    {
        const std::vector<uint32_t> raws = Raws(*m_target);
        for (int32_t y = 0; y < m_target->Height(); ++y)
            for (int32_t x = 0; x < m_target->Width(); ++x) {
                uint32_t expected = BACKGROUND & Mask();
                for (const Drawn& part : drawn)
                    if (x >= part.at.left && x < part.at.right && y >= part.at.top && y < part.at.bottom) {
                        const auto [sx, sy] = part.source(x, y);
                        expected = Pattern(sx, sy) & Mask();
                    }
                ASSERT_EQ(raws[static_cast<size_t>(y) * m_target->Width() + x], expected) << "at " << x << "," << y;
            }
    }

    std::shared_ptr<CSurface> m_source;
    std::shared_ptr<CSurface> m_target;
};

// --- Straight and keyed copies -----------------------------------------------------------

// A key is ignored without the key flag, here one that makes every value transparent.
TEST_P(SurfaceBlit, StraightBlitCopiesTheSourceExactlyAndNothingElse)
{
    MakePair(7, 5, 20, 12);
    ASSERT_EQ(m_source->SetColourKey(0, Mask()), DISPLAY_OK);
    BlitAt({3, 4, 10, 9});
    ExpectTarget({{{3, 4, 10, 9}, [](int32_t x, int32_t y) { return std::pair{x - 3, y - 4}; }}});
}

// The key is a range of raw values; its ends are inclusive, and values differing only in
// bytes above the depth's bits do not exist in the surface.
TEST_P(SurfaceBlit, KeyedBlitSkipsExactlyTheRawValuesInTheKeyRange)
{
    const uint32_t low = 0x12345670u & Mask();
    const uint32_t high = low + 2;
    const std::vector<uint32_t> row = {low - 1, low, low + 1, high, high + 1, 0, Mask()};
    auto source = Offscreen(static_cast<int32_t>(row.size()), 2);
    Fill(*source, [&](int32_t x, int32_t) { return row[x]; });
    ASSERT_EQ(source->SetColourKey(low, high), DISPLAY_OK);

    for (const int32_t scale : {1, 2}) {   // straight and stretched
        auto target = Offscreen(16, 4);
        FillWith(*target, BACKGROUND);
        const Rect destination{0, 0, static_cast<int32_t>(row.size()) * scale, 2 * scale};
        ASSERT_EQ(target->Blit(&destination, source.get(), nullptr, BLIT_SOURCE_KEY), DISPLAY_OK);
        for (size_t i = 0; i < row.size(); ++i) {
            const bool transparent = row[i] >= low && row[i] <= high;
            EXPECT_EQ(RawAt(*target, static_cast<int32_t>(i) * scale, scale), transparent ? BACKGROUND & Mask() : row[i])
                << "value " << row[i] << ", scale " << scale;
        }
    }
}

// --- Stretching and clipping -------------------------------------------------------------

// Each destination pixel takes the source pixel under its centre.
TEST_P(SurfaceBlit, StretchingSamplesTheNearestSourcePixel)
{
    MakePair(4, 3, 24, 12);
    const Rect doubled{0, 0, 8, 6}, halved{10, 0, 12, 1}, fiveFromThree{14, 8, 19, 9};
    BlitAt(doubled);
    BlitAt(halved);                           // 4 x 3 into 2 x 1: columns 1 and 3 of row 1
    BlitAt(fiveFromThree, Rect{0, 2, 3, 3});  // row 2, three columns over five: 0 0 1 2 2
    ExpectTarget({{doubled, [](int32_t x, int32_t y) { return std::pair{x / 2, y / 2}; }},
                  {halved, [](int32_t x, int32_t) { return std::pair{x == 10 ? 1 : 3, 1}; }},
                  {fiveFromThree, [](int32_t x, int32_t) { return std::pair{std::array{0, 0, 1, 2, 2}[x - 14], 2}; }}});
}

// The clipper and the destination's bounds cut the destination; the source follows, also
// where the source rectangle lies partly outside its own surface.
TEST_P(SurfaceBlit, TheClipperAndTheBoundsCutTheDestinationAndTheSourceFollows)
{
    MakePair(6, 6, 30, 20);
    Clip({0, 0, 29, 19});   // last row and column left out
    BlitAt({25, 15, 31, 21});   // past the clip and the bounds
    BlitAt({-3, -2, 3, 4});     // off the top-left corner
    BlitAt({10, 10, 16, 16}, Rect{-2, -1, 4, 5});
    BlitAt({4, 0, 16, 6}, Rect{-2, 0, 4, 6});   // stretched to 12: columns 4-7 would sample x < 0

    ExpectTarget({{{25, 15, 29, 19}, [](int32_t x, int32_t y) { return std::pair{x - 25, y - 15}; }},
                  {{0, 0, 3, 4}, [](int32_t x, int32_t y) { return std::pair{x + 3, y + 2}; }},
                  {{12, 11, 16, 16}, [](int32_t x, int32_t y) { return std::pair{x - 12, y - 11}; }},
                  {{8, 0, 16, 6}, [](int32_t x, int32_t y) { return std::pair{(x - 8) / 2, y}; }}});
}

// Clipping removes pixels from a stretched blit but never moves its sampling.
TEST_P(SurfaceBlit, ClippingAStretchedBlitKeepsTheUnclippedSampling)
{
    auto source = Offscreen(5, 5);
    Fill(*source, Pattern);
    auto reference = Offscreen(40, 40);
    const Rect whole{10, 10, 23, 23};   // 5 -> 13: an uneven stretch
    ASSERT_EQ(reference->Blit(&whole, source.get(), nullptr, 0), DISPLAY_OK);
    const std::vector<uint32_t> expected = Raws(*reference);

    m_target = Offscreen(20, 20);
    Clip({0, 2, 5, 20});
    const Rect shifted{-6, -5, 7, 8};   // the same 13 x 13, partly above and left of the surface
    ASSERT_EQ(m_target->Blit(&shifted, source.get(), nullptr, 0), DISPLAY_OK);
    const std::vector<uint32_t> raws = Raws(*m_target);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const bool inside = x < 5 && y >= 2 && y < 8;
            const uint32_t want = inside ? expected[static_cast<size_t>(y + 15) * 40 + (x + 16)] : 0;
            ASSERT_EQ(raws[static_cast<size_t>(y) * 20 + x], want) << "at " << x << "," << y;
        }
}

// Refused rectangles fail; a blit clipped away entirely succeeds. Neither draws anything.
TEST_P(SurfaceBlit, RefusedAndWhollyClippedBlitsDrawNothing)
{
    MakePair(6, 6, 12, 12);
    const std::vector<std::pair<Rect, Rect>> refused = {
        {{5, 5, 2, 8}, {0, 0, 6, 6}},     // inverted destination
        {{5, 5, 5, 8}, {0, 0, 6, 6}},     // empty destination
        {{0, 0, 4, 4}, {4, 0, 0, 4}},     // inverted source
        {{0, 0, 4, 4}, {0, 3, 4, 3}},     // empty source
        {{0, 0, 4, 4}, {6, 0, 10, 4}},    // source wholly outside (touching the edge)
        {{0, 0, 4, 4}, {-9, -9, -1, -1}}, // source wholly outside
    };
    for (const auto& [destination, source] : refused) {
        EXPECT_EQ(m_target->Blit(&destination, m_source.get(), &source, 0), DISPLAY_INVALID_RECT);
        EXPECT_FALSE(m_target->LastError().empty());
    }
    const Rect offSurface{20, 20, 26, 26};
    EXPECT_EQ(m_target->Blit(&offSurface, m_source.get(), nullptr, 0), DISPLAY_OK);
    Clip({8, 8, 8, 8});   // an empty clip list
    EXPECT_EQ(m_target->Blit(nullptr, m_source.get(), nullptr, 0), DISPLAY_OK);
    ExpectTarget({});
}

// Overlapping source and destination on one surface: the blit reads the pixels as they
// were before it began.
TEST_P(SurfaceBlit, ABlitWithinOneSurfaceReadsTheOriginalPixels)
{
    MakePair(8, 8, 8, 8);
    m_target = m_source;
    const Rect source{0, 0, 6, 6};
    const Rect destination{1, 2, 7, 8};
    ASSERT_EQ(m_target->Blit(&destination, m_target.get(), &source, 0), DISPLAY_OK);
    ExpectTarget({{{0, 0, 8, 8}, [](int32_t x, int32_t y) { return std::pair{x, y}; }},
                  {destination, [](int32_t x, int32_t y) { return std::pair{x - 1, y - 2}; }}});
}

// --- Loss and failures -------------------------------------------------------------------

TEST_P(SurfaceBlit, LostSurfacesRefuseBlitsUntilRestoredCleared)
{
    MakePair(6, 6, 6, 6);
    m_device->LoseAllSurfaces();
    EXPECT_EQ(m_source->IsLost(), DISPLAY_SURFACE_LOST);
    EXPECT_EQ(m_target->Blit(nullptr, m_source.get(), nullptr, 0), DISPLAY_SURFACE_LOST);
    LockedPixels locked;
    EXPECT_EQ(m_source->Lock(locked), DISPLAY_SURFACE_LOST);

    ASSERT_EQ(m_target->Restore(), DISPLAY_OK);
    EXPECT_EQ(m_target->IsLost(), DISPLAY_OK);
    EXPECT_EQ(m_target->Blit(nullptr, m_source.get(), nullptr, 0), DISPLAY_SURFACE_LOST);   // the source still is
    ASSERT_EQ(m_source->Restore(), DISPLAY_OK);
    EXPECT_EQ(Raws(*m_source), std::vector<uint32_t>(36, 0));   // contents discarded
    EXPECT_EQ(m_target->Blit(nullptr, m_source.get(), nullptr, 0), DISPLAY_OK);
}

TEST_P(SurfaceBlit, MisuseIsAFailureWithAReason)
{
    MakePair(4, 4, 4, 4);
    EXPECT_EQ(m_target->Blit(nullptr, m_source.get(), nullptr, BLIT_SOURCE_KEY), DISPLAY_FAILED);   // no key set
    EXPECT_NE(m_target->LastError().find("colour key"), std::string::npos);
    EXPECT_EQ(m_target->Blit(nullptr, nullptr, nullptr, 0), DISPLAY_FAILED);
    EXPECT_EQ(m_source->SetColourKey(5, 4), DISPLAY_FAILED);
    LockedPixels locked;
    ASSERT_EQ(m_source->Lock(locked), DISPLAY_OK);
    EXPECT_EQ(m_source->Lock(locked), DISPLAY_FAILED);
    EXPECT_EQ(m_source->Unlock(), DISPLAY_OK);
    EXPECT_EQ(m_source->Unlock(), DISPLAY_FAILED);
    ExpectTarget({});
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, SurfaceBlit, ::testing::Values(8, 16, 24, 32),
                         [](const ::testing::TestParamInfo<int32_t>& depth) {
                             return std::to_string(depth.param) + "Bits";
                         });

// --- Surfaces themselves -----------------------------------------------------------------

class SurfaceBasics : public CDisplayLayerFixture {};

// (Lock's format is what every pixel helper here reads surfaces by.)
TEST_F(SurfaceBasics, NewSurfacesAreZeroAndSizesAreChecked)
{
    SetMode(32, 24, 24);
    EXPECT_EQ(Raws(*Offscreen(5, 3)), std::vector<uint32_t>(15, 0));

    std::shared_ptr<CSurface> refused;
    EXPECT_EQ(m_device->CreateOffscreenSurface(0, 3, refused), DISPLAY_FAILED);
    EXPECT_EQ(m_device->CreateOffscreenSurface(3, 16385, refused), DISPLAY_FAILED);
    EXPECT_EQ(m_device->CreateOffscreenSurface(16385, 3, refused), DISPLAY_FAILED);
    EXPECT_EQ(refused, nullptr);
    for (const auto& [width, height] : {std::pair{1, 16384}, {16384, 1}}) {
        std::shared_ptr<CSurface> largest;
        EXPECT_EQ(m_device->CreateOffscreenSurface(width, height, largest), DISPLAY_OK) << width << "x" << height;
        ASSERT_NE(largest, nullptr);
        EXPECT_EQ(largest->Width(), width);
    }
}

TEST_F(SurfaceBasics, ThePrimaryHasABackBufferButNoPixelsOfItsOwnAndPalettesNeedEightBits)
{
    SetMode(32, 24, 16);
    std::shared_ptr<CSurface> primary;
    ASSERT_EQ(m_device->CreatePrimarySurface(primary), DISPLAY_OK);
    auto back = primary->GetBackBuffer();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 32);
    EXPECT_EQ(back->Height(), 24);
    EXPECT_EQ(back->BitsPerPixel(), 16);
    EXPECT_EQ(back->GetBackBuffer(), nullptr);

    LockedPixels locked;
    EXPECT_EQ(primary->Lock(locked), DISPLAY_FAILED);
    EXPECT_EQ(primary->Blit(nullptr, back.get(), nullptr, 0), DISPLAY_FAILED);
    EXPECT_EQ(back->Flip(), DISPLAY_FAILED);
    std::shared_ptr<CSurface> second;
    EXPECT_EQ(m_device->CreatePrimarySurface(second), DISPLAY_FAILED);   // one at a time

    std::shared_ptr<CDisplayPalette> palette;
    ASSERT_EQ(m_device->CreatePalette({}, palette), DISPLAY_OK);
    auto surface = Offscreen(4, 4);
    EXPECT_EQ(surface->SetPalette(palette), DISPLAY_FAILED);
    EXPECT_EQ(surface->Palette(), nullptr);
    EXPECT_EQ(surface->SetPalette(nullptr), DISPLAY_OK);
}

} // namespace
