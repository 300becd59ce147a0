// BlitBatchTest.cpp — blits onto the back buffer, recorded and drawn in bands: the same
// pixels as the blits drawn one after another for any number of bands, any band order and
// two threads, in every depth; every reader of pixels sees them drawn; the band limits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/video/BlitBatch.h"
#include "platform/video/Clipper.h"
#include "platform/video/DrawingContext.h"
#include "tests/support/DisplayLayerFixture.h"
#include "tests/support/PicturePixels.h"

namespace {

constexpr uint32_t BACKGROUND = 0x5A5A5A5A;
constexpr uint32_t KEY = 0x00C0FFEE;   // masked to each depth

// Distinct values that use every byte of the depth; every third pixel is the key.
uint32_t SpritePixel(int32_t x, int32_t y, uint32_t seed)
{
    return (x + 2 * y) % 3 == 0 ? KEY : 0x9E3779B1u * static_cast<uint32_t>(x + 97 * y + 1) + seed;
}

int32_t Below(std::mt19937& random, int32_t limit)
{
    return static_cast<int32_t>(random() % static_cast<uint32_t>(limit));
}

std::string DepthName(const ::testing::TestParamInfo<int32_t>& param)
{
    return std::to_string(param.param) + "Bits";
}

// One blit of a test: where to, from which sprite, which part (empty: all), keyed or not.
struct BlitCase {
    Rect destination;
    size_t sprite = 0;
    Rect part;
    bool keyed = true;
};

class BlitBatchTest : public CDisplayLayerFixture, public ::testing::WithParamInterface<int32_t> {
protected:
    static constexpr int32_t WIDTH = 160;
    static constexpr int32_t HEIGHT = 120;
    // Where RecordOne draws: pixel (x, y) of sprite 0 is (AT_X + x, AT_Y + y) of the back buffer.
    static constexpr int32_t AT_X = 5, AT_Y = 6;

    void SetUp() override { Start(WIDTH, HEIGHT); }

    // The mode, the primary with its back buffer, a clipper on both, and three keyed sprites.
    void Start(int32_t width, int32_t height)
    {
        SetMode(width, height, GetParam());
        ASSERT_EQ(m_device->CreatePrimarySurface(m_primary), DISPLAY_OK) << m_device->LastError();
        m_back = m_primary->GetBackBuffer();
        if (GetParam() == 8) {
            ASSERT_EQ(m_device->CreatePalette(PaletteOf({10, 20, 30, 0}, {{1, {200, 100, 50, 0}}}), m_palette),
                      DISPLAY_OK);
            ASSERT_EQ(m_primary->SetPalette(m_palette), DISPLAY_OK);
            ASSERT_EQ(m_back->SetPalette(m_palette), DISPLAY_OK);
        }
        ASSERT_EQ(m_device->CreateClipper(m_clipper), DISPLAY_OK);
        ASSERT_EQ(m_clipper->SetClipList(Rect{0, 0, width, height}), DISPLAY_OK);
        ASSERT_EQ(m_back->SetClipper(m_clipper), DISPLAY_OK);
        const int32_t sizes[3][2] = {{23, 17}, {40, 31}, {7, 70}};
        for (uint32_t i = 0; i < 3; ++i)
            m_sprites.push_back(Sprite(sizes[i][0], sizes[i][1], 1000 * i));
    }

    std::shared_ptr<CSurface> Sprite(int32_t width, int32_t height, uint32_t seed)
    {
        std::shared_ptr<CSurface> sprite = Offscreen(width, height);
        Fill(*sprite, [seed](int32_t x, int32_t y) { return SpritePixel(x, y, seed); });
        EXPECT_EQ(sprite->SetColourKey(KEY & Mask(), KEY & Mask()), DISPLAY_OK);
        if (m_palette) {
            EXPECT_EQ(sprite->SetPalette(m_palette), DISPLAY_OK);
        }
        return sprite;
    }

    uint32_t Mask() const { return RawMask(GetParam()); }
    // The raw value sprite 0 has at (x, y).
    uint32_t SpriteRaw(int32_t x, int32_t y) const { return SpritePixel(x, y, 0) & Mask(); }

    // Many overlapping blits, some partly off the screen, some stretched, some of a part,
    // some unkeyed, and rows starting and ending at and beside the edges of `bandRows`.
    std::vector<BlitCase> ManyBlits(int32_t bandRows) const
    {
        std::mt19937 random(7);
        std::vector<BlitCase> blits;
        for (int32_t i = 0; i < 400; ++i) {
            const auto sprite = static_cast<size_t>(Below(random, 3));
            const CSurface& source = *m_sprites[sprite];
            const int32_t x = Below(random, m_back->Width() + 40) - 20;
            int32_t y = Below(random, m_back->Height() + 40) - 20;
            if (i % 4 == 1 || i % 4 == 2)   // the top (1) or the bottom (2) at, above or below a band's first row
                y = bandRows * Below(random, 4) + Below(random, 3) - 1 - (i % 4 == 2 ? source.Height() : 0);
            const bool stretched = i % 7 == 3;
            const Rect part = i % 9 == 4 ? Rect{2, 3, source.Width() - 1, source.Height()} : Rect{};
            const int32_t w = part.Width() > 0 ? part.Width() : stretched ? source.Width() * 3 / 2 + 1 : source.Width();
            const int32_t h = part.Width() > 0 ? part.Height() : stretched ? source.Height() * 2 / 3 + 1 : source.Height();
            blits.push_back({Rect{x, y, x + w, y + h}, sprite, part, i % 11 != 5});
        }
        return blits;
    }

    // Fills `target` with the background and draws the blits onto it.
    void DrawAll(CSurface& target, const std::vector<BlitCase>& blits)
    {
        FillWith(target, BACKGROUND);
        for (const BlitCase& blit : blits)
            EXPECT_EQ(target.Blit(&blit.destination, m_sprites[blit.sprite].get(),
                                  blit.part.Width() > 0 ? &blit.part : nullptr, blit.keyed ? BLIT_SOURCE_KEY : 0),
                      DISPLAY_OK)
                << target.LastError();
    }

    // The blits on the back buffer with `bands` bands (recorded, then drawn when read) give the
    // pixels of the same blits drawn one after another on an off-screen surface, which are
    // never recorded, cut by the same clipper.
    void ExpectSamePixels(const std::vector<BlitCase>& blits, int32_t bands)
    {
        std::shared_ptr<CSurface> plain = Offscreen(m_back->Width(), m_back->Height());
        EXPECT_EQ(plain->SetClipper(m_clipper), DISPLAY_OK);
        DrawAll(*plain, blits);
        EXPECT_EQ(m_device->RecordedBlitCount(), 0);
        const std::vector<uint32_t> expected = Raws(*plain);
        EXPECT_EQ(m_device->SetBlitBands(bands), DISPLAY_OK);
        DrawAll(*m_back, blits);
        // (Those clipped away wholly draw nothing and are not recorded.)
        EXPECT_GT(m_device->RecordedBlitCount(), static_cast<int32_t>(blits.size()) / 4) << "the blits were not recorded";
        const std::vector<uint32_t> actual = Raws(*m_back);
        ASSERT_EQ(actual.size(), expected.size());
        const auto at = std::mismatch(actual.begin(), actual.end(), expected.begin()).first;
        EXPECT_TRUE(at == actual.end()) << bands << " bands: first difference at pixel " << at - actual.begin();
    }

    // A blit of sprite 0 at (AT_X, AT_Y) onto the back buffer, recorded and not yet drawn.
    void RecordOne()
    {
        FillWith(*m_back, BACKGROUND);
        const Rect at{AT_X, AT_Y, AT_X + m_sprites[0]->Width(), AT_Y + m_sprites[0]->Height()};
        ASSERT_EQ(m_back->Blit(&at, m_sprites[0].get(), nullptr, 0), DISPLAY_OK);
        ASSERT_EQ(m_device->RecordedBlitCount(), 1);
    }

    std::shared_ptr<CSurface> m_primary;
    std::shared_ptr<CSurface> m_back;
    std::shared_ptr<CClipper> m_clipper;
    std::shared_ptr<CDisplayPalette> m_palette;
    std::vector<std::shared_ptr<CSurface>> m_sprites;
};

// --- The same pixels whatever the bands ------------------------------------------------------

// One band, two, three, a count that does not divide the rows, one row a band and more
// bands than rows; and a clip rectangle inside the surface, which the blits also meet.
TEST_P(BlitBatchTest, AnyBandCountGivesThePixelsOfTheBlitsDrawnOneAfterAnother)
{
    for (const Rect clip : {Rect{0, 0, WIDTH, HEIGHT}, Rect{9, 13, WIDTH - 21, HEIGHT - 8}}) {
        ASSERT_EQ(m_clipper->SetClipList(clip), DISPLAY_OK);
        SCOPED_TRACE("clip " + std::to_string(clip.left) + "," + std::to_string(clip.top));
        for (const int32_t bands : {1, 2, 3, 7, HEIGHT, HEIGHT + 9})
            ExpectSamePixels(ManyBlits((HEIGHT + bands - 1) / bands), bands);
    }
}

// The runner may draw the bands in any order and on any threads: backwards, one at a time,
// and split between two threads.
TEST_P(BlitBatchTest, BandsDrawnBackwardsOrOnTwoThreadsGiveTheSamePixels)
{
    const int32_t bands = 5;
    const std::vector<BlitCase> blits = ManyBlits((HEIGHT + bands - 1) / bands);
    int32_t calls = 0;
    m_device->SetBandRunner([&calls](int32_t count, int64_t bandBytes, const CBlitBatch::BandDraw& draw) {
        ++calls;
        EXPECT_GT(bandBytes, 0);
        for (int32_t band = count - 1; band >= 0; --band)
            draw(band, band + 1);
    });
    ExpectSamePixels(blits, bands);
    EXPECT_EQ(calls, 1);

    m_device->SetBandRunner([](int32_t count, int64_t, const CBlitBatch::BandDraw& draw) {
        std::thread other([&] { draw(count / 2, count); });
        draw(0, count / 2);
        other.join();
    });
    ExpectSamePixels(blits, bands);
}

// Repairs: overlapping rectangles of a screen-sized picture copied onto the same places,
// in runs (drawn as their union) broken by sprites drawn between them, which the repairs
// after them must cover again where they overlap.
TEST_P(BlitBatchTest, OverlappingRepairsOfOnePictureGiveThePixelsOfTheBlitsDrawnOneAfterAnother)
{
    m_sprites.push_back(Sprite(WIDTH, HEIGHT, 777));
    std::mt19937 random(3);
    std::vector<BlitCase> blits;
    for (int32_t i = 0; i < 240; ++i) {
        const int32_t x = Below(random, WIDTH - 10) - 5, y = Below(random, HEIGHT - 10) - 5;
        if (i % 11 == 10) {   // a sprite between two runs of repairs
            blits.push_back({Rect{x, y, x + 23, y + 17}, static_cast<size_t>(Below(random, 3)), Rect{0, 0, 23, 17}});
            continue;
        }
        const int32_t left = std::max(x, 0), top = std::max(y, 0);
        const int32_t right = std::min(left + 1 + Below(random, 80), WIDTH);
        const Rect part{left, top, right, std::min(top + 1 + Below(random, 40), HEIGHT)};
        blits.push_back({part, m_sprites.size() - 1, part, i % 13 != 0});   // unkeyed: ends a run of keyed ones
    }
    for (const int32_t bands : {1, 3})
        ExpectSamePixels(blits, bands);
}

// The band count takes 0 (cache-sized bands) to MAX_BANDS.
TEST_P(BlitBatchTest, TheBandCountIsChecked)
{
    for (const int32_t refused : {-1, CBlitBatch::MAX_BANDS + 1})
        EXPECT_EQ(m_device->SetBlitBands(refused), DISPLAY_FAILED) << refused;
    for (const int32_t taken : {0, 1, CBlitBatch::MAX_BANDS})
        EXPECT_EQ(m_device->SetBlitBands(taken), DISPLAY_OK) << taken;
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, BlitBatchTest, ::testing::Values(8, 16, 24, 32), DepthName);

// Bands sized for the cache: BAND_BYTES of 2048-pixel rows, at 32 and at 8 bits.
class CacheSizedBands : public BlitBatchTest {
protected:
    void SetUp() override { Start(2048, 1536); }
};

TEST_P(CacheSizedBands, TheDefaultBandsGiveThePixelsOfTheBlitsDrawnOneAfterAnother)
{
    const int32_t bandRows = CBlitBatch().BandRows(1536, 2048 * GetParam() / 8);
    EXPECT_EQ(bandRows, static_cast<int32_t>(CBlitBatch::BAND_BYTES / (2048 * GetParam() / 8)));
    ExpectSamePixels(ManyBlits(bandRows), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, CacheSizedBands, ::testing::Values(8, 32), DepthName);

// --- Every reader sees the blits drawn -------------------------------------------------------

class RecordedBlitReaders : public BlitBatchTest {};

// A lock, ToBitmap, a blit from the back buffer onto another surface and a flip each draw
// the recorded blit first; so does the device going, and the back buffer keeps it.
TEST_P(RecordedBlitReaders, EveryReaderSeesTheBlitsDrawn)
{
    const std::unique_ptr<CBitmap24> sprite = m_sprites[0]->ToBitmap();
    RecordOne();
    EXPECT_EQ(RawAt(*m_back, AT_X + 1, AT_Y), SpriteRaw(1, 0)) << "lock";
    EXPECT_EQ(m_device->RecordedBlitCount(), 0);

    RecordOne();
    const std::unique_ptr<CBitmap24> shown = m_back->ToBitmap();
    ASSERT_TRUE(shown && sprite);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(*shown, AT_X + x, AT_Y + 1), PixelAt(*sprite, x, 1)) << x;

    RecordOne();
    std::shared_ptr<CSurface> copy = Offscreen(WIDTH, HEIGHT);
    ASSERT_EQ(copy->Blit(nullptr, m_back.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(RawAt(*copy, AT_X + 1, AT_Y), SpriteRaw(1, 0)) << "blit from";

    RecordOne();
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK) << m_primary->LastError();
    EXPECT_EQ(m_device->RecordedBlitCount(), 0);
    std::vector<uint32_t> presented;
    int32_t width = 0, height = 0;
    ASSERT_EQ(m_device->ReadPresentedPixels(presented, width, height), DISPLAY_OK) << m_device->LastError();
    ASSERT_EQ(width, WIDTH);
    const Pixel24 expected = PixelAt(*sprite, 1, 0);
    EXPECT_EQ(presented[static_cast<size_t>(AT_Y) * WIDTH + AT_X + 1],
              uint32_t{expected.red} << 16 | uint32_t{expected.green} << 8 | expected.blue);

    RecordOne();
    m_device.reset();
    EXPECT_EQ(RawAt(*m_back, AT_X + 1, AT_Y), SpriteRaw(1, 0)) << "device gone";
}

TEST_P(RecordedBlitReaders, ADrawingContextSeesTheBlitsDrawnAndDrawsOverThem)
{
    RecordOne();
    std::unique_ptr<CDrawingContext> sprite, back, again;
    ASSERT_EQ(m_sprites[0]->GetDrawingContext(sprite), DISPLAY_OK);
    const ColourRef expected = sprite->GetPixel(1, 0);
    ASSERT_EQ(m_sprites[0]->ReleaseDrawingContext(sprite), DISPLAY_OK);
    ASSERT_EQ(m_back->GetDrawingContext(back), DISPLAY_OK);
    EXPECT_EQ(back->GetPixel(AT_X + 1, AT_Y), expected);
    // Drawn after the blit, the context's pixel stays: the blit is not drawn again later.
    const ColourRef set = back->SetPixel(AT_X + 2, AT_Y, 0x00000000);
    ASSERT_EQ(m_back->ReleaseDrawingContext(back), DISPLAY_OK);
    ASSERT_NE(set, COLOUR_INVALID);
    ASSERT_EQ(m_back->GetDrawingContext(again), DISPLAY_OK);
    EXPECT_EQ(again->GetPixel(AT_X + 2, AT_Y), set);
    ASSERT_EQ(m_back->ReleaseDrawingContext(again), DISPLAY_OK);
}

// A loss clears every surface: a blit recorded before it must not appear after it.
TEST_P(RecordedBlitReaders, ALossDrawsTheBlitsBeforeClearingSoNoneAppearsAfterTheRestore)
{
    RecordOne();
    m_device->LoseAllSurfaces();
    EXPECT_EQ(m_device->RecordedBlitCount(), 0);
    ASSERT_EQ(m_primary->Restore(), DISPLAY_OK);
    ASSERT_EQ(m_back->IsLost(), DISPLAY_OK);
    const std::vector<uint32_t> raws = Raws(*m_back);
    EXPECT_EQ(std::count(raws.begin(), raws.end(), 0u), static_cast<ptrdiff_t>(raws.size()));
}

// The source changed after the blit was recorded — drawn on, blitted onto — or gone: the
// back buffer shows the source as it was.
TEST_P(RecordedBlitReaders, ASourceChangedOrGoneAfterTheBlitLeavesWhatItWasOnTheBackBuffer)
{
    const uint32_t before = SpriteRaw(0, 1);
    ASSERT_NE(before, KEY & Mask());
    RecordOne();
    std::unique_ptr<CDrawingContext> context;
    ASSERT_EQ(m_sprites[0]->GetDrawingContext(context), DISPLAY_OK);
    context->SetPixel(0, 1, 0x00FFFFFF);
    ASSERT_EQ(m_sprites[0]->ReleaseDrawingContext(context), DISPLAY_OK);
    EXPECT_EQ(RawAt(*m_back, AT_X, AT_Y + 1), before) << "drawn on";

    m_sprites[0] = Sprite(23, 17, 0);
    RecordOne();
    ASSERT_EQ(m_sprites[0]->Blit(nullptr, Sprite(23, 17, 55).get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(RawAt(*m_back, AT_X, AT_Y + 1), before) << "blitted onto";

    m_sprites[0] = Sprite(23, 17, 0);
    RecordOne();
    m_sprites[0].reset();
    EXPECT_EQ(RawAt(*m_back, AT_X, AT_Y + 1), before) << "gone";
}

// A locked back buffer is being written through its pointer: a blit onto it is drawn at
// once, where the writer sees it, and a later write through the pointer stays.
TEST_P(RecordedBlitReaders, ABlitOntoALockedBackBufferIsDrawnAtOnce)
{
    FillWith(*m_back, BACKGROUND);
    LockedPixels locked;
    ASSERT_EQ(m_back->Lock(locked), DISPLAY_OK);
    const Rect at{AT_X, AT_Y, AT_X + 23, AT_Y + 17};
    ASSERT_EQ(m_back->Blit(&at, m_sprites[0].get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(m_device->RecordedBlitCount(), 0);
    const int32_t bytes = GetParam() / 8;
    uint8_t* pixel = locked.bits + AT_Y * locked.pitch + (AT_X + 1) * bytes;
    EXPECT_EQ(ReadRaw(pixel, bytes), SpriteRaw(1, 0));
    WriteRaw(pixel, bytes, 0);
    ASSERT_EQ(m_back->Unlock(), DISPLAY_OK);
    EXPECT_EQ(RawAt(*m_back, AT_X + 1, AT_Y), 0u);
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, RecordedBlitReaders, ::testing::Values(8, 16, 24, 32), DepthName);

// --- Limits ---------------------------------------------------------------------------------

// The cache-sized band: BAND_BYTES of rows, or fewer to make MIN_BANDS bands, never below
// MIN_BAND_ROWS nor above the height; a count divides the rows, rounding up.
TEST(BlitBatchLimits, BandRowsFollowTheCacheOrTheCount)
{
    CBlitBatch batch;
    const auto bytes = static_cast<int32_t>(CBlitBatch::BAND_BYTES);
    EXPECT_EQ(batch.BandRows(100000, bytes / 100), 100);
    EXPECT_EQ(batch.BandRows(100000, bytes / 100 + 1), 99);
    EXPECT_EQ(batch.BandRows(100000, bytes / CBlitBatch::MIN_BAND_ROWS), CBlitBatch::MIN_BAND_ROWS);
    EXPECT_EQ(batch.BandRows(100000, bytes / CBlitBatch::MIN_BAND_ROWS + 1), CBlitBatch::MIN_BAND_ROWS);
    EXPECT_EQ(batch.BandRows(CBlitBatch::MIN_BANDS * 40, 64), 40);
    EXPECT_EQ(batch.BandRows(CBlitBatch::MIN_BANDS * 40 + 1, 64), 41);
    EXPECT_EQ(batch.BandRows(50, 64), CBlitBatch::MIN_BAND_ROWS);
    EXPECT_EQ(batch.BandRows(CBlitBatch::MIN_BAND_ROWS - 1, 64), CBlitBatch::MIN_BAND_ROWS - 1);
    ASSERT_TRUE(batch.SetBandCount(3));
    EXPECT_EQ(batch.BandRows(90, 64), 30);
    EXPECT_EQ(batch.BandRows(91, 64), 31);
    ASSERT_TRUE(batch.SetBandCount(1));
    EXPECT_EQ(batch.BandRows(91, 64), 91);
    EXPECT_FALSE(batch.SetBandCount(-1));
    EXPECT_EQ(batch.BandCount(), 1);
}

} // namespace
