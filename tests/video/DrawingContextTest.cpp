// DrawingContextTest.cpp — colour conversion of single pixels and stretched bitmaps in
// every depth, the nearest-palette-entry rule, and text.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "tests/support/DisplayLayerFixture.h"
#include "platform/bitmaps/LogicalPalette.h"
#include "platform/video/DrawingContext.h"
#include "platform/video/FontFile.h"
#include "tests/support/PicturePixels.h"

namespace {

class DrawingContext : public CDisplayLayerFixture {
protected:
    // A surface of the mode's depth with a drawing context over it.
    void MakeSurface(int32_t bitsPerPixel, int32_t width = 16, int32_t height = 16)
    {
        SetMode(64, 48, bitsPerPixel);
        m_surface = Offscreen(width, height);
        ASSERT_EQ(m_surface->GetDrawingContext(m_context), DISPLAY_OK);
    }

    void TearDown() override
    {
        m_context.reset();
        m_surface.reset();
        CDisplayLayerFixture::TearDown();
    }

    std::shared_ptr<CSurface> m_surface;
    std::unique_ptr<CDrawingContext> m_context;
};

// A bitmap whose pixel (x, y) has the colour colour(x, y).
CBitmap24 MakeBitmap(int32_t width, int32_t height, const std::function<ColourRef(int32_t, int32_t)>& colour)
{
    return PictureOf(width, height, [&](int32_t x, int32_t y) { return PixelOf(colour(x, y)); });
}

ColourRef Gradient(int32_t x, int32_t y)
{
    return MakeColour(static_cast<uint8_t>(17 * x + 3), static_cast<uint8_t>(29 * y + 5),
                      static_cast<uint8_t>(7 * x * y + 11));
}

// --- Pixels ------------------------------------------------------------------------------

TEST_F(DrawingContext, SixteenBitsTruncateEachChannelToFiveSixFive)
{
    MakeSurface(16);
    const ColourRef shown = m_context->SetPixel(3, 2, MakeColour(0xFF, 0x87, 0x0F));
    EXPECT_EQ(shown, MakeColour(0xF8, 0x84, 0x08));
    EXPECT_EQ(m_context->GetPixel(3, 2), shown);
    EXPECT_EQ(RawAt(*m_surface, 3, 2), (0x1Fu << 11) | (0x21u << 5) | 0x01u);
    // Just below a step of each channel: truncation, never rounding up.
    EXPECT_EQ(m_context->SetPixel(4, 2, MakeColour(0x07, 0x03, 0x07)), MakeColour(0, 0, 0));
}

TEST_F(DrawingContext, TwentyFourAndThirtyTwoBitsHoldColoursExactlyAndNothingOutsideIsTouched)
{
    for (const int32_t depth : {24, 32}) {
        MakeSurface(depth, 4, 4);
        const ColourRef colour = MakeColour(0x12, 0x34, 0x56);
        EXPECT_EQ(m_context->SetPixel(1, 1, colour), colour);
        EXPECT_EQ(m_context->GetPixel(1, 1), colour);
        EXPECT_EQ(RawAt(*m_surface, 1, 1), 0x123456u) << depth;   // blue, green, red in memory
        for (const auto& [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 4}}) {
            EXPECT_EQ(m_context->GetPixel(x, y), COLOUR_INVALID);
            EXPECT_EQ(m_context->SetPixel(x, y, colour), COLOUR_INVALID);
        }
        EXPECT_EQ(m_context->SetPixel(0, 0, 0x01000000u), COLOUR_INVALID);   // not a colour
        std::vector<uint32_t> expected(16, 0);
        expected[5] = 0x123456u;
        EXPECT_EQ(Raws(*m_surface), expected);
        TearDown();
    }
}

TEST_F(DrawingContext, AContextIsReleasedOnlyByItsOwnSurface)
{
    MakeSurface(32);
    auto other = Offscreen(4, 4);
    EXPECT_EQ(other->ReleaseDrawingContext(m_context), DISPLAY_FAILED);
    EXPECT_NE(m_context, nullptr);
    EXPECT_EQ(m_surface->ReleaseDrawingContext(m_context), DISPLAY_OK);
    EXPECT_EQ(m_context, nullptr);
}

// --- StretchBlt --------------------------------------------------------------------------

// Nearest sampling, clipped to the surface; empty, inverted and outside rectangles refused.
TEST_F(DrawingContext, StretchBltCopiesOrStretchesByNearestSamplingClippedToTheSurface)
{
    const CBitmap24 bitmap = MakeBitmap(6, 5, Gradient);
    for (const int32_t depth : {24, 32}) {
        MakeSurface(depth, 12, 10);
        EXPECT_FALSE(m_context->StretchBlt({4, 4, 2, 6}, bitmap, {0, 0, 4, 4}));
        EXPECT_FALSE(m_context->StretchBlt({0, 0, 4, 4}, bitmap, {0, 0, 0, 4}));
        EXPECT_FALSE(m_context->StretchBlt({0, 0, 4, 4}, bitmap, {6, 0, 10, 4}));  // outside the bitmap
        ASSERT_TRUE(m_context->StretchBlt({2, 3, 6, 7}, bitmap, {1, 1, 5, 5}));    // the same size
        ASSERT_TRUE(m_context->StretchBlt({8, 6, 16, 14}, bitmap, {0, 0, 2, 2}));  // 2x2 -> 8x8, half outside
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x) {
                ColourRef expected = 0;
                if (x >= 2 && x < 6 && y >= 3 && y < 7)
                    expected = Gradient(x - 1, y - 2);
                else if (x >= 8 && y >= 6)
                    expected = Gradient((x - 8) / 4, (y - 6) / 4);
                EXPECT_EQ(m_context->GetPixel(x, y), expected) << depth << " bits at " << x << "," << y;
            }
        TearDown();
    }
}

// Single pixels and stretched pictures in 8 bits take the nearest palette entry (ties to
// the lowest index) exactly as the plain search says, whatever the palette remembers
// between pixels; without a palette there is no colour to take.
TEST_F(DrawingContext, EightBitsTakeTheNearestPaletteEntryAsTheExactSearchSays)
{
    MakeSurface(8, 96, 96);
    std::mt19937 random(7);
    std::array<PaletteEntry, 256> entries;   // coarse colours, many of them equal: ties
    for (PaletteEntry& entry : entries)
        entry = {uint8_t(random() % 8 * 36), uint8_t(random() % 8 * 36), uint8_t(random() % 8 * 36), 0};
    const CLogicalPalette exact(entries);
    std::shared_ptr<CDisplayPalette> palette;
    ASSERT_EQ(m_device->CreatePalette(entries, palette), DISPLAY_OK);
    EXPECT_EQ(m_context->SetPixel(0, 0, MakeColour(100, 0, 0)), COLOUR_INVALID);   // no palette yet
    ASSERT_EQ(m_surface->SetPalette(palette), DISPLAY_OK);
    for (const ColourRef colour : {MakeColour(105, 0, 0), MakeColour(0, 90, 200), MakeColour(255, 255, 255)}) {
        const PaletteEntry& nearest = entries[exact.NearestIndex(colour)];
        EXPECT_EQ(m_context->SetPixel(0, 0, colour), MakeColour(nearest.red, nearest.green, nearest.blue));
        EXPECT_EQ(m_context->GetPixel(0, 0), MakeColour(nearest.red, nearest.green, nearest.blue));
        EXPECT_EQ(RawAt(*m_surface, 0, 0), exact.NearestIndex(colour));
    }

    const CBitmap24 bitmap = MakeBitmap(96, 96, [&](int32_t, int32_t) { return random() & 0xFFFFFFu; });
    ASSERT_TRUE(m_context->StretchBlt({0, 0, 96, 96}, bitmap, {0, 0, 96, 96}));
    ASSERT_TRUE(m_context->StretchBlt({0, 0, 96, 96}, bitmap, {0, 0, 96, 96}));   // again, from memory
    const std::vector<uint32_t> raws = Raws(*m_surface);
    for (int32_t y = 0; y < 96; ++y)
        for (int32_t x = 0; x < 96; ++x)
            ASSERT_EQ(raws[static_cast<size_t>(y) * 96 + x], exact.NearestIndex(ColourOf(PixelAt(bitmap, x, y))))
                << x << "," << y;
}

// --- Text --------------------------------------------------------------------------------

// Black text on its own opaque white background, starting at the point given; the rest of
// the surface untouched.
TEST_F(DrawingContext, TextOutDrawsDarkTextOnWhiteAtThePoint)
{
    MakeSurface(32, 200, 60);
    const uint32_t grey = 0x808080;
    FillWith(*m_surface, grey);
    ASSERT_TRUE(m_context->TextOut(10, 20, "Wait...")) << m_surface->LastError();

    Rect touched{200, 60, 0, 0};
    int32_t dark = 0, white = 0;
    const std::vector<uint32_t> raws = Raws(*m_surface);
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 200; ++x) {
            const uint32_t raw = raws[static_cast<size_t>(y) * 200 + x] & 0xFFFFFF;
            if (raw == grey)
                continue;
            touched = UnionRects(touched, Rect{x, y, x + 1, y + 1});
            const int32_t red = (raw >> 16) & 0xFF, green = (raw >> 8) & 0xFF, blue = raw & 0xFF;
            EXPECT_TRUE(red == green && green == blue) << "text is grey shades only";
            dark += red < 64;
            white += red == 255;
        }
    EXPECT_EQ(touched.left, 10);
    EXPECT_EQ(touched.top, 20);
    EXPECT_GT(touched.Width(), 25);    // seven characters of a ~13-pixel font
    EXPECT_LT(touched.Width(), 90);
    EXPECT_GT(touched.Height(), 10);
    EXPECT_LT(touched.Height(), 24);
    EXPECT_GT(dark, 20);
    EXPECT_GT(white, dark);
}

TEST_F(DrawingContext, TextOutConvertsItsShadesAndIsClippedToTheSurface)
{
    MakeSurface(8, 40, 12);
    std::shared_ptr<CDisplayPalette> palette;
    ASSERT_EQ(m_device->CreatePalette(PaletteOf({128, 0, 0, 0}, {{20, {0, 0, 0, 0}}, {30, {255, 255, 255, 0}}}),
                                      palette),
              DISPLAY_OK);
    ASSERT_EQ(m_surface->SetPalette(palette), DISPLAY_OK);
    FillWith(*m_surface, 99);
    ASSERT_TRUE(m_context->TextOut(-4, -3, "Wait... 1234567890"));   // runs off three edges
    std::set<uint32_t> used;
    for (const uint32_t raw : Raws(*m_surface))
        used.insert(raw);
    EXPECT_TRUE(used.count(20) == 1 && used.count(30) == 1);   // black and white entries
    EXPECT_EQ(used.count(99), 0u);                              // every pixel was written
    EXPECT_TRUE(m_context->TextOut(5, 5, ""));
}

// The program's fonts are the font package's files, found without fontconfig; another
// family is still fontconfig's.
TEST(FontFile, TheProgramsFamiliesAreThePackagedFilesAndOthersFontconfigs)
{
    EXPECT_EQ(PackagedFontFile("sans-serif").path, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    EXPECT_EQ(PackagedFontFile("monospace").path, "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    EXPECT_EQ(PackagedFontFile("serif").path, "");
    for (const char* family : {"sans-serif", "monospace"}) {
        const FontFile found = FindFontFile(family);
        EXPECT_EQ(found.path, PackagedFontFile(family).path) << family;   // fonts-dejavu-core is a dependency
        EXPECT_EQ(found.index, 0);
    }
    const FontFile serif = FindFontFile("serif");
    EXPECT_NE(serif.path, "");
    EXPECT_EQ(serif.path.find("DejaVuSans.ttf"), std::string::npos);
}

} // namespace
