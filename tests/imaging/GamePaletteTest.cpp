// GamePaletteTest.cpp — the palette object and its per-cell nearest-entry cache.
#include <gtest/gtest.h>

#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/PicturePixels.h"

namespace {

// A computed quantizer whose boxes are the cells (1, 1, 1) and (3, 3, 3): entries
// 2 = (6, 6, 12) and 3 = (14, 14, 28), entry 1 the key blue, the rest black.
class TwoColourPalette : public ::testing::Test {
protected:
    TwoColourPalette() : m_picture(2, 1), m_quantizer(256)
    {
        SetPixel(m_picture, 0, 0, Rgb(4, 4, 8));
        SetPixel(m_picture, 1, 0, Rgb(12, 12, 24));
        m_quantizer.AddBitmap(&m_picture, 1);
        m_quantizer.ReserveColour(0x00FF0000);
        m_quantizer.Compute();
    }

    CGamePalette& Palette() { return *m_quantizer.GamePalette(); }
    uint64_t Searches() { return Palette().LogicalPalette().SearchCount(); }

    CBitmap24 m_picture;
    CQuantizer m_quantizer;
};

} // namespace

TEST_F(TwoColourPalette, DescribesEveryEntryOfTheQuantizerAndSearchesThemAll)
{
    ASSERT_EQ(m_quantizer.Entries()[2], (PaletteEntry{6, 6, 12, 5}));
    ASSERT_EQ(m_quantizer.Entries()[3], (PaletteEntry{14, 14, 28, 5}));
    const CLogicalPalette& logical = Palette().LogicalPalette();
    EXPECT_EQ(logical.EntryCount(), 256);
    for (int32_t i = 0; i < 256; ++i)
        EXPECT_EQ(logical.Entry(i), m_quantizer.Entries()[i]) << "entry " << i;

    EXPECT_EQ(Palette().NearestIndex(Rgb(6, 6, 12)), 2u);
    EXPECT_EQ(Palette().NearestIndex(Rgb(0, 0, 250)), 1u);   // the reserved colour is an entry like any other
    EXPECT_THROW(CGamePalette(nullptr), CFatalError);
}

TEST_F(TwoColourPalette, TheFirstColourOfACellAnswersForTheWholeCellButZeroIsNeverRemembered)
{
    // (8, 8, 16) is nearest to entry 2, (11, 11, 23) to entry 3; both are in cell
    // (2, 2, 2), so the first looked up answers for both.
    EXPECT_EQ(Palette().NearestIndex(Rgb(8, 8, 16)), 2u);
    EXPECT_EQ(Palette().NearestIndex(Rgb(11, 11, 23)), 2u);
    EXPECT_EQ(Searches(), 1u);
    EXPECT_EQ(Palette().NearestIndex(Rgb(14, 14, 28)), 3u);
    EXPECT_EQ(Palette().NearestIndex(Rgb(14, 14, 28)), 3u);
    EXPECT_EQ(Searches(), 2u);

    // Black's nearest entry is 0, which looks like an empty slot: searched every time.
    EXPECT_EQ(Palette().NearestIndex(Rgb(0, 0, 0)), 0u);
    EXPECT_EQ(Palette().NearestIndex(Rgb(0, 0, 0)), 0u);
    EXPECT_EQ(Searches(), 4u);

    CQuantizer other(256);
    other.AddBitmap(&m_picture, 1);
    other.Compute();
    EXPECT_EQ(other.GamePalette()->NearestIndex(Rgb(11, 11, 23)), 3u);
    EXPECT_EQ(other.GamePalette()->NearestIndex(Rgb(8, 8, 16)), 3u);
}
