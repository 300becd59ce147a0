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

// The first pixel where two surfaces' raw values differ, as "x,y: a vs b"; empty when none.
std::string FirstDifference(const std::vector<uint32_t>& actual, const std::vector<uint32_t>& expected, int32_t width)
{
    if (actual.size() != expected.size())
        return "sizes " + std::to_string(actual.size()) + " vs " + std::to_string(expected.size());
    const auto [a, b] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (a == actual.end())
        return "";
    const auto at = static_cast<int32_t>(a - actual.begin());
    return std::to_string(at % width) + "," + std::to_string(at / width) + ": " + std::to_string(*a) + " vs " +
           std::to_string(*b);
}

// One blit of a test: where to, from which sprite, which part, keyed or not.
struct BlitCase {
    Rect destination;
    int32_t sprite = 0;
    bool whole = true;
    Rect part;
    bool keyed = true;
};

class BlitBatchTest : public CDisplayLayerFixture, public ::testing::WithParamInterface<int32_t> {
protected:
    static constexpr int32_t WIDTH = 160;
    static constexpr int32_t HEIGHT = 120;

    void SetUp() override { Start(WIDTH, HEIGHT); }

    // The mode, the primary with its back buffer, a clipper on both, and three keyed sprites.
    void Start(int32_t width, int32_t height)
    {
        SetMode(width, height, GetParam());
        ASSERT_EQ(m_device->CreatePrimarySurface(m_primary), DISPLAY_OK) << m_device->LastError();
        if (GetParam() == 8) {
            std::shared_ptr<CDisplayPalette> palette;
            ASSERT_EQ(m_device->CreatePalette(PaletteOf({10, 20, 30, 0}, {{1, {200, 100, 50, 0}}}), palette),
                      DISPLAY_OK);
            ASSERT_EQ(m_primary->SetPalette(palette), DISPLAY_OK);
            m_palette = palette;
        }
        m_back = m_primary->GetBackBuffer();
        if (m_palette) {
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

    // Many overlapping blits, some partly off the screen, some stretched, some of a part,
    // some unkeyed, and rows starting and ending at and beside the edges of `bandRows`.
    std::vector<BlitCase> ManyBlits(int32_t bandRows, int32_t width, int32_t height) const
    {
        std::mt19937 random(7);
        std::vector<BlitCase> blits;
        for (int32_t i = 0; i < 400; ++i) {
            BlitCase blit;
            blit.sprite = static_cast<int32_t>(random() % 3);
            const CSurface& sprite = *m_sprites[static_cast<size_t>(blit.sprite)];
            const int32_t x = static_cast<int32_t>(random() % (width + 40)) - 20;
            int32_t y = static_cast<int32_t>(random() % (height + 40)) - 20;
            if (i % 4 == 1)   // the top at, above or below a band's first row
                y = bandRows * static_cast<int32_t>(random() % 4) + static_cast<int32_t>(random() % 3) - 1;
            if (i % 4 == 2)   // the bottom likewise
                y = bandRows * static_cast<int32_t>(random() % 4) + static_cast<int32_t>(random() % 3) - 1 -
                    sprite.Height();
            int32_t w = sprite.Width(), h = sprite.Height();
            if (i % 7 == 3) {   // stretched
                w = w * 3 / 2 + 1;
                h = h * 2 / 3 + 1;
            }
            blit.destination = Rect{x, y, x + w, y + h};
            if (i % 9 == 4) {   // a part of the sprite
                blit.whole = false;
                blit.part = Rect{2, 3, sprite.Width() - 1, sprite.Height()};
                blit.destination.right = x + blit.part.Width();
                blit.destination.bottom = y + blit.part.Height();
            }
            blit.keyed = i % 11 != 5;
            blits.push_back(blit);
        }
        return blits;
    }

    // Draws the blits onto `target`; the number drawn (not clipped away wholly).
    void DrawAll(CSurface& target, const std::vector<BlitCase>& blits)
    {
        for (const BlitCase& blit : blits)
            ASSERT_EQ(target.Blit(&blit.destination, m_sprites[static_cast<size_t>(blit.sprite)].get(),
                                  blit.whole ? nullptr : &blit.part, blit.keyed ? BLIT_SOURCE_KEY : 0),
                      DISPLAY_OK)
                << target.LastError();
    }

    // The blits drawn one after another on an off-screen surface (never recorded), cut by
    // the same clipper.
    std::vector<uint32_t> OneAfterAnother(const std::vector<BlitCase>& blits, int32_t width, int32_t height)
    {
        std::shared_ptr<CSurface> plain = Offscreen(width, height);
        FillWith(*plain, BACKGROUND);
        EXPECT_EQ(plain->SetClipper(m_clipper), DISPLAY_OK);
        DrawAll(*plain, blits);
        EXPECT_EQ(m_device->RecordedBlitCount(), 0);
        return Raws(*plain);
    }

    // The same blits on the back buffer with `bands` bands: recorded, then drawn when read.
    std::vector<uint32_t> Banded(const std::vector<BlitCase>& blits, int32_t bands)
    {
        EXPECT_EQ(m_device->SetBlitBands(bands), DISPLAY_OK);
        FillWith(*m_back, BACKGROUND);
        DrawAll(*m_back, blits);
        // (Those clipped away wholly draw nothing and are not recorded.)
        EXPECT_GT(m_device->RecordedBlitCount(), static_cast<int32_t>(blits.size()) / 4) << "the blits were not recorded";
        return Raws(*m_back);
    }

    // A blit of sprite 0 at (5, 6) onto the back buffer, recorded and not yet drawn.
    void RecordOne()
    {
        FillWith(*m_back, BACKGROUND);
        const Rect at{5, 6, 5 + m_sprites[0]->Width(), 6 + m_sprites[0]->Height()};
        ASSERT_EQ(m_back->Blit(&at, m_sprites[0].get(), nullptr, 0), DISPLAY_OK);
        ASSERT_EQ(m_device->RecordedBlitCount(), 1);
    }
    // Where RecordOne drew: pixel (x, y) of sprite 0 is (5 + x, 6 + y) of the back buffer.
    static constexpr int32_t AT_X = 5, AT_Y = 6;

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
        for (const int32_t bands : {1, 2, 3, 7, HEIGHT, HEIGHT + 9}) {
            const int32_t bandRows = (HEIGHT + bands - 1) / bands;
            const std::vector<BlitCase> blits = ManyBlits(bandRows, WIDTH, HEIGHT);
            EXPECT_EQ(FirstDifference(Banded(blits, bands), OneAfterAnother(blits, WIDTH, HEIGHT), WIDTH), "")
                << bands << " bands, clip " << clip.left << "," << clip.top;
        }
    }
}

// The runner may draw the bands in any order and on any threads: backwards, one at a time,
// and split between two threads.
TEST_P(BlitBatchTest, BandsDrawnBackwardsOrOnTwoThreadsGiveTheSamePixels)
{
    const int32_t bands = 5;
    const std::vector<BlitCase> blits = ManyBlits((HEIGHT + bands - 1) / bands, WIDTH, HEIGHT);
    const std::vector<uint32_t> expected = OneAfterAnother(blits, WIDTH, HEIGHT);

    int32_t calls = 0;
    m_device->SetBandRunner([&calls](int32_t count, int64_t bandBytes, const CBlitBatch::BandDraw& draw) {
        ++calls;
        EXPECT_GT(bandBytes, 0);
        for (int32_t band = count - 1; band >= 0; --band)
            draw(band, band + 1);
    });
    EXPECT_EQ(FirstDifference(Banded(blits, bands), expected, WIDTH), "") << "backwards";
    EXPECT_EQ(calls, 1);

    m_device->SetBandRunner([](int32_t count, int64_t, const CBlitBatch::BandDraw& draw) {
        std::thread other([&] { draw(count / 2, count); });
        draw(0, count / 2);
        other.join();
    });
    EXPECT_EQ(FirstDifference(Banded(blits, bands), expected, WIDTH), "") << "two threads";
}

// Repairs: overlapping rectangles of a screen-sized picture copied onto the same places,
// in runs (drawn as their union) broken by sprites drawn between them, which the repairs
// after them must cover again where they overlap.
TEST_P(BlitBatchTest, OverlappingRepairsOfOnePictureGiveThePixelsOfTheBlitsDrawnOneAfterAnother)
{
    m_sprites.push_back(Sprite(WIDTH, HEIGHT, 777));
    const int32_t picture = static_cast<int32_t>(m_sprites.size()) - 1;
    std::mt19937 random(3);
    std::vector<BlitCase> blits;
    for (int32_t i = 0; i < 240; ++i) {
        BlitCase blit;
        const int32_t x = static_cast<int32_t>(random() % (WIDTH - 10)) - 5;
        const int32_t y = static_cast<int32_t>(random() % (HEIGHT - 10)) - 5;
        if (i % 11 == 10) {   // a sprite between two runs of repairs
            blit.sprite = static_cast<int32_t>(random() % 3);
            blit.destination = Rect{x, y, x + 23, y + 17};
            blit.whole = false;
            blit.part = Rect{0, 0, 23, 17};
        } else {
            blit.sprite = picture;
            blit.whole = false;
            const int32_t left = std::max(x, 0), top = std::max(y, 0);
            blit.part = Rect{left, top, std::min(left + 1 + static_cast<int32_t>(random() % 80), WIDTH),
                             std::min(top + 1 + static_cast<int32_t>(random() % 40), HEIGHT)};
            blit.destination = blit.part;
            blit.keyed = i % 13 != 0;   // an unkeyed repair ends a run of keyed ones
        }
        blits.push_back(blit);
    }
    for (const int32_t bands : {1, 3})
        EXPECT_EQ(FirstDifference(Banded(blits, bands), OneAfterAnother(blits, WIDTH, HEIGHT), WIDTH), "") << bands;
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, BlitBatchTest, ::testing::Values(8, 16, 24, 32),
                         [](const ::testing::TestParamInfo<int32_t>& param) {
                             return std::to_string(param.param) + "Bits";
                         });

// Bands sized for the cache: BAND_BYTES of 2048-pixel rows, at 32 and at 8 bits.
class CacheSizedBands : public BlitBatchTest {
protected:
    void SetUp() override { Start(2048, 1536); }
};

TEST_P(CacheSizedBands, TheDefaultBandsGiveThePixelsOfTheBlitsDrawnOneAfterAnother)
{
    const CBlitBatch sizer;
    const int32_t bandRows = sizer.BandRows(1536, 2048 * GetParam() / 8);
    EXPECT_EQ(bandRows, static_cast<int32_t>(CBlitBatch::BAND_BYTES / (2048 * GetParam() / 8)));
    const std::vector<BlitCase> blits = ManyBlits(bandRows, 2048, 1536);
    EXPECT_EQ(FirstDifference(Banded(blits, 0), OneAfterAnother(blits, 2048, 1536), 2048), "");
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, CacheSizedBands, ::testing::Values(8, 32),
                         [](const ::testing::TestParamInfo<int32_t>& param) {
                             return std::to_string(param.param) + "Bits";
                         });

// --- Every reader sees the blits drawn -------------------------------------------------------

class RecordedBlitReaders : public BlitBatchTest {};

// The raw value sprite 0 has at (x, y).
uint32_t SpriteRaw(int32_t x, int32_t y, uint32_t mask)
{
    return SpritePixel(x, y, 0) & mask;
}

TEST_P(RecordedBlitReaders, ALockSeesTheBlitsDrawn)
{
    RecordOne();
    EXPECT_EQ(RawAt(*m_back, AT_X + 1, AT_Y), SpriteRaw(1, 0, Mask()));
    EXPECT_EQ(m_device->RecordedBlitCount(), 0);
}

TEST_P(RecordedBlitReaders, ADrawingContextSeesTheBlitsDrawnAndDrawsOverThem)
{
    RecordOne();
    std::unique_ptr<CDrawingContext> sprite, back;
    ASSERT_EQ(m_sprites[0]->GetDrawingContext(sprite), DISPLAY_OK);
    const ColourRef expected = sprite->GetPixel(1, 0);
    ASSERT_EQ(m_sprites[0]->ReleaseDrawingContext(sprite), DISPLAY_OK);
    ASSERT_EQ(m_back->GetDrawingContext(back), DISPLAY_OK);
    EXPECT_EQ(back->GetPixel(AT_X + 1, AT_Y), expected);
    // Drawn after the blit, the context's pixel stays: the blit is not drawn again later.
    const ColourRef set = back->SetPixel(AT_X + 2, AT_Y, 0x00000000);
    ASSERT_EQ(m_back->ReleaseDrawingContext(back), DISPLAY_OK);
    ASSERT_NE(set, COLOUR_INVALID);
    std::unique_ptr<CDrawingContext> again;
    ASSERT_EQ(m_back->GetDrawingContext(again), DISPLAY_OK);
    EXPECT_EQ(again->GetPixel(AT_X + 2, AT_Y), set);
    ASSERT_EQ(m_back->ReleaseDrawingContext(again), DISPLAY_OK);
}

TEST_P(RecordedBlitReaders, ToBitmapSeesTheBlitsDrawn)
{
    RecordOne();
    const std::unique_ptr<CBitmap24> shown = m_back->ToBitmap();
    const std::unique_ptr<CBitmap24> sprite = m_sprites[0]->ToBitmap();
    ASSERT_TRUE(shown && sprite);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(PixelAt(*shown, AT_X + x, AT_Y + 1), PixelAt(*sprite, x, 1)) << x;
}

TEST_P(RecordedBlitReaders, AFlipPresentsTheBlitsDrawn)
{
    RecordOne();
    ASSERT_EQ(m_primary->Flip(), DISPLAY_OK) << m_primary->LastError();
    EXPECT_EQ(m_device->RecordedBlitCount(), 0);
    std::vector<uint32_t> shown;
    int32_t width = 0, height = 0;
    ASSERT_EQ(m_device->ReadPresentedPixels(shown, width, height), DISPLAY_OK) << m_device->LastError();
    ASSERT_EQ(width, WIDTH);
    const std::unique_ptr<CBitmap24> sprite = m_sprites[0]->ToBitmap();
    const Pixel24 expected = PixelAt(*sprite, 1, 0);
    EXPECT_EQ(shown[static_cast<size_t>(AT_Y) * width + AT_X + 1],
              uint32_t{expected.red} << 16 | uint32_t{expected.green} << 8 | expected.blue);
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

// The source changed after the blit was recorded — drawn on, blitted onto, restored
// after a loss of its own — or gone: the back buffer shows the source as it was.
TEST_P(RecordedBlitReaders, ASourceChangedOrGoneAfterTheBlitLeavesWhatItWasOnTheBackBuffer)
{
    const uint32_t before = SpriteRaw(0, 1, Mask());
    ASSERT_NE(before, KEY & Mask());

    RecordOne();
    std::unique_ptr<CDrawingContext> context;
    ASSERT_EQ(m_sprites[0]->GetDrawingContext(context), DISPLAY_OK);
    context->SetPixel(0, 1, 0x00FFFFFF);
    ASSERT_EQ(m_sprites[0]->ReleaseDrawingContext(context), DISPLAY_OK);
    EXPECT_EQ(RawAt(*m_back, AT_X, AT_Y + 1), before) << "drawn on";

    m_sprites[0] = Sprite(23, 17, 0);
    RecordOne();
    std::shared_ptr<CSurface> other = Sprite(23, 17, 55);
    ASSERT_EQ(m_sprites[0]->Blit(nullptr, other.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(RawAt(*m_back, AT_X, AT_Y + 1), before) << "blitted onto";

    m_sprites[0] = Sprite(23, 17, 0);
    RecordOne();
    m_sprites[0].reset();
    EXPECT_EQ(RawAt(*m_back, AT_X, AT_Y + 1), before) << "gone";
}

// The back buffer as a blit's source, onto another surface, is read with the blits drawn.
TEST_P(RecordedBlitReaders, ABlitFromTheBackBufferSeesTheBlitsDrawn)
{
    RecordOne();
    std::shared_ptr<CSurface> copy = Offscreen(WIDTH, HEIGHT);
    ASSERT_EQ(copy->Blit(nullptr, m_back.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(RawAt(*copy, AT_X + 1, AT_Y), SpriteRaw(1, 0, Mask()));
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
    EXPECT_EQ(ReadRaw(pixel, bytes), SpriteRaw(1, 0, Mask()));
    WriteRaw(pixel, bytes, 0);
    ASSERT_EQ(m_back->Unlock(), DISPLAY_OK);
    EXPECT_EQ(RawAt(*m_back, AT_X + 1, AT_Y), 0u);
}

// The device going draws what was recorded; the back buffer keeps it.
TEST_P(RecordedBlitReaders, TheDeviceGoingDrawsTheBlitsRecorded)
{
    RecordOne();
    m_device.reset();
    EXPECT_EQ(RawAt(*m_back, AT_X + 1, AT_Y), SpriteRaw(1, 0, Mask()));
}

INSTANTIATE_TEST_SUITE_P(EveryDepth, RecordedBlitReaders, ::testing::Values(8, 16, 24, 32),
                         [](const ::testing::TestParamInfo<int32_t>& param) {
                             return std::to_string(param.param) + "Bits";
                         });

// --- Limits ---------------------------------------------------------------------------------

// Blits onto other surfaces are drawn at once; the band count takes 0 to MAX_BANDS.
TEST(BlitBatchLimits, OnlyBackBufferBlitsAreRecordedAndTheBandCountIsChecked)
{
    CDisplayWindow window(HeadlessWindowOptions(64, 48));
    CDisplayDevice device(window, CooperativeLevel::Exclusive, PresentOptions{true});
    ASSERT_EQ(device.SetDisplayMode({64, 48, 32, 0}), DISPLAY_OK);
    std::shared_ptr<CSurface> a, b;
    ASSERT_EQ(device.CreateOffscreenSurface(8, 8, a), DISPLAY_OK);
    ASSERT_EQ(device.CreateOffscreenSurface(8, 8, b), DISPLAY_OK);
    ASSERT_EQ(a->Blit(nullptr, b.get(), nullptr, 0), DISPLAY_OK);
    EXPECT_EQ(device.RecordedBlitCount(), 0);

    for (const int32_t refused : {-1, CBlitBatch::MAX_BANDS + 1})
        EXPECT_EQ(device.SetBlitBands(refused), DISPLAY_FAILED) << refused;
    for (const int32_t taken : {0, 1, CBlitBatch::MAX_BANDS})
        EXPECT_EQ(device.SetBlitBands(taken), DISPLAY_OK) << taken;
}

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
