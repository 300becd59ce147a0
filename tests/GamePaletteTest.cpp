// GamePaletteTest.cpp — the palette object and its per-cell nearest-entry cache.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/Bitmap24.h"
#include "platform/FatalError.h"

namespace {

// A computed quantizer whose boxes are the cells (1, 1, 1) and (3, 3, 3): entries
// 2 = (6, 6, 12) and 3 = (14, 14, 28), entry 1 the key blue, the rest black.
class TwoColourPalette : public ::testing::Test {
protected:
    TwoColourPalette() : m_picture(2, 1), m_quantizer(256)
    {
        StorePixel(m_picture.Bits(), PixelOf(MakeColour(4, 4, 8)));
        StorePixel(m_picture.Bits() + 3, PixelOf(MakeColour(12, 12, 24)));
        m_quantizer.AddBitmap(&m_picture, 1);
        m_quantizer.ReserveColour(0x00FF0000);
        m_quantizer.Compute();
    }

    CGamePalette& Palette() { return *m_quantizer.GamePalette(); }
    uint64_t Searches() { return Palette().LogicalPalette().SearchCount(); }

    CBitmap24 m_picture;
    CQuantizer m_quantizer;
};

Pixel24 Colour(uint8_t red, uint8_t green, uint8_t blue)
{
    return Pixel24{blue, green, red};
}

} // namespace

TEST_F(TwoColourPalette, DescribesEveryEntryOfTheQuantizer)
{
    ASSERT_EQ(m_quantizer.Entries()[2], (PaletteEntry{6, 6, 12, 5}));
    ASSERT_EQ(m_quantizer.Entries()[3], (PaletteEntry{14, 14, 28, 5}));
    const CLogicalPalette& logical = Palette().LogicalPalette();
    EXPECT_EQ(logical.EntryCount(), 256);
    for (int32_t i = 0; i < 256; ++i)
        EXPECT_EQ(logical.Entry(i), m_quantizer.Entries()[i]) << "entry " << i;
}

TEST_F(TwoColourPalette, AnswersEntryColoursWithTheirEntries)
{
    EXPECT_EQ(Palette().NearestIndex(Colour(6, 6, 12)), 2u);
    EXPECT_EQ(Palette().NearestIndex(Colour(14, 14, 28)), 3u);
    // The reserved colour takes part in the search like any other entry.
    EXPECT_EQ(Palette().NearestIndex(Colour(0, 0, 250)), 1u);
}

TEST_F(TwoColourPalette, RemembersAnswersPerCellButNotZero)
{
    EXPECT_EQ(Palette().NearestIndex(Colour(14, 14, 28)), 3u);
    EXPECT_EQ(Palette().NearestIndex(Colour(14, 14, 28)), 3u);
    EXPECT_EQ(Searches(), 1u);

    // Black's nearest entry is 0, which looks like an empty slot: searched every time.
    EXPECT_EQ(Palette().NearestIndex(Colour(0, 0, 0)), 0u);
    EXPECT_EQ(Palette().NearestIndex(Colour(0, 0, 0)), 0u);
    EXPECT_EQ(Searches(), 3u);
}

TEST_F(TwoColourPalette, FirstColourOfACellDecidesForTheWholeCell)
{
    // (8, 8, 16) is nearest to entry 2, (11, 11, 23) to entry 3; both are in cell
    // (2, 2, 2), so the first looked up answers for both.
    EXPECT_EQ(Palette().NearestIndex(Colour(8, 8, 16)), 2u);
    EXPECT_EQ(Palette().NearestIndex(Colour(11, 11, 23)), 2u);
    EXPECT_EQ(Searches(), 1u);

    CQuantizer other(256);
    other.AddBitmap(&m_picture, 1);
    other.Compute();
    CGamePalette& palette = *other.GamePalette();
    EXPECT_EQ(palette.NearestIndex(Colour(11, 11, 23)), 3u);
    EXPECT_EQ(palette.NearestIndex(Colour(8, 8, 16)), 3u);
}

TEST(GamePalette, DescribesTheColourCountNotTheBoxCount)
{
    CBitmap24 picture(1, 1);
    StorePixel(picture.Bits(), PixelOf(MakeColour(200, 200, 200)));
    CQuantizer quantizer(16);
    quantizer.AddBitmap(&picture, 1);
    quantizer.Compute();
    CGamePalette& palette = *quantizer.GamePalette();
    EXPECT_EQ(palette.LogicalPalette().EntryCount(), 16);
    EXPECT_EQ(palette.NearestIndex(Colour(190, 190, 190)), 2u);
    EXPECT_THROW(CGamePalette(nullptr), CFatalError);
}
