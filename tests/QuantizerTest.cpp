// QuantizerTest.cpp — the colour histogram, colour boxes and median-cut palette selection.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/ColourBox.h"
#include "imaging/ColourHistogram.h"
#include "imaging/Quantizer.h"
#include "platform/Bitmap24.h"
#include "platform/FatalError.h"
#include "platform/PixelTypes.h"

namespace {

// A width × height picture from row-major 0x00BBGGRR colours; pad bytes get `pad`.
CBitmap24 MakePicture(int32_t width, int32_t height, const std::vector<ColourRef>& colours, uint8_t pad = 0)
{
    CBitmap24 picture(width, height);
    uint8_t* bits = picture.Bits();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bits + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < width; ++x)
            StorePixel(row + 3 * x, PixelOf(colours[static_cast<size_t>(y * width + x)]));
        if (picture.Stride() > 3 * width)
            row[3 * width] = pad;
    }
    return picture;
}

// One row of the given colours.
CBitmap24 MakeRow(const std::vector<ColourRef>& colours)
{
    return MakePicture(static_cast<int32_t>(colours.size()), 1, colours);
}

// A uniform picture.
CBitmap24 MakeUniform(int32_t width, int32_t height, ColourRef colour)
{
    return MakePicture(width, height, std::vector<ColourRef>(static_cast<size_t>(width) * height, colour));
}

PaletteEntry BoxEntry(uint8_t red, uint8_t green, uint8_t blue)
{
    return PaletteEntry{red, green, blue, CQuantizer::BOX_ENTRY_FLAGS};
}

const PaletteEntry BLACK_ENTRY{0, 0, 0, 0};

// The quantized entries of one picture.
std::vector<PaletteEntry> Quantize(const CBitmap24& picture, int32_t colourCount)
{
    CQuantizer quantizer(colourCount);
    quantizer.AddBitmap(&picture, 1);
    quantizer.Compute();
    return std::vector<PaletteEntry>(quantizer.Entries().begin(), quantizer.Entries().end());
}

// The green bounds of every box of a computed quantizer.
std::vector<std::pair<uint32_t, uint32_t>> GreenBounds(const CQuantizer& quantizer)
{
    std::vector<std::pair<uint32_t, uint32_t>> bounds;
    for (int32_t i = 0; i < quantizer.BoxCount(); ++i)
        bounds.emplace_back(quantizer.Box(i).Min(CColourBox::GREEN_AXIS), quantizer.Box(i).Max(CColourBox::GREEN_AXIS));
    return bounds;
}

using Bounds = std::vector<std::pair<uint32_t, uint32_t>>;

} // namespace

// ---------------------------------------------------------------------------------------
// Histogram
// ---------------------------------------------------------------------------------------

TEST(ColourHistogram, CellIndexPacksSixSixFiveBits)
{
    EXPECT_EQ(CColourHistogram::CellIndex(0, 0, 0), 0u);
    EXPECT_EQ(CColourHistogram::CellIndex(0, 0, 8), 1u);
    EXPECT_EQ(CColourHistogram::CellIndex(0, 4, 0), 32u);
    EXPECT_EQ(CColourHistogram::CellIndex(4, 0, 0), 2048u);
    EXPECT_EQ(CColourHistogram::CellIndex(11, 11, 23), CColourHistogram::CellIndex(8, 8, 16));
    EXPECT_EQ(CColourHistogram::CellIndex(255, 255, 255), 131071u);
}

TEST(ColourHistogram, CountsWeightsAndSkipsPadBytes)
{
    // Width 1: each row is 3 pixel bytes and a pad byte of 0xFF, which must not be read
    // as part of a pixel.
    const CBitmap24 odd = MakePicture(1, 3, {MakeColour(10, 20, 30), MakeColour(10, 20, 30), MakeColour(200, 0, 0)}, 0xFF);
    const CBitmap24 weighted = MakeRow({MakeColour(200, 0, 0)});
    const CBitmap24 empty(0, 4);
    const CBitmap24* pictures[] = {&odd, &weighted, &empty, &odd};
    const int32_t weights[] = {1, 5, 7, 0};
    const CColourHistogram histogram(pictures, weights, 4);

    EXPECT_EQ(histogram.CellAt(10 >> 2, 20 >> 2, 30 >> 3), 2u);
    EXPECT_EQ(histogram.CellAt(200 >> 2, 0, 0), 6u);
    uint64_t total = 0;
    for (uint32_t r = 0; r < 64; ++r)
        for (uint32_t g = 0; g < 64; ++g)
            for (uint32_t b = 0; b < 32; ++b)
                total += histogram.CellAt(r, g, b);
    EXPECT_EQ(total, 8u);
}

TEST(ColourHistogram, CountsLargePicturesExactlyWhateverTheRowsAreSharedOutAs)
{
    // Both pictures hold the same pixels and are over 256 KB, so their rows are counted on
    // both cores: every pixel must be counted once with its picture's weight (3 + 2 + 1),
    // and no pad byte (0xFF here) as part of a pixel.
    const int32_t width = 401;
    const int32_t height = 307;
    std::vector<ColourRef> colours;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            colours.push_back(MakeColour(static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 3),
                                         static_cast<uint8_t>((x * y) >> 3)));
    const CBitmap24 picture = MakePicture(width, height, colours, 0xFF);
    const CBitmap24 tall = MakePicture(1, width * height, colours, 0xFF);
    const CBitmap24* pictures[] = {&picture, &tall, &picture};
    const int32_t weights[] = {3, 1, 2};
    const CColourHistogram histogram(pictures, weights, 3);

    std::vector<uint32_t> expected(CColourHistogram::CELL_COUNT, 0);
    for (size_t i = 0; i < colours.size(); ++i)
        expected[CColourHistogram::CellIndex(RedOf(colours[i]), GreenOf(colours[i]), BlueOf(colours[i]))] += 6;
    for (uint32_t r = 0; r < 64; ++r)
        for (uint32_t g = 0; g < 64; ++g)
            for (uint32_t b = 0; b < 32; ++b)
                ASSERT_EQ(histogram.CellAt(r, g, b), expected[(r * 64 + g) * 32 + b]) << r << "," << g << "," << b;
}

TEST(ColourHistogram, RefusesMissingPicturesAndNegativeWeights)
{
    const CBitmap24 picture = MakeUniform(1, 1, 0);
    const CBitmap24* missing[] = {nullptr};
    const CBitmap24* present[] = {&picture};
    const int32_t one[] = {1};
    const int32_t negative[] = {-1};
    EXPECT_THROW(CColourHistogram(missing, one, 1), CFatalError);
    EXPECT_THROW(CColourHistogram(present, negative, 1), CFatalError);
}

// ---------------------------------------------------------------------------------------
// Boxes
// ---------------------------------------------------------------------------------------

TEST(ColourBox, SplitAxisTakesTheLargestWeightedExtentWithTiesToGreenThenRed)
{
    CColourBox box;
    box.SetBounds(0, 10, 0, 5, 0, 14);   // R 1200, G 1180, B 1232
    EXPECT_EQ(box.SplitAxis(), CColourBox::BLUE_AXIS);
    box.SetBounds(0, 10, 0, 5, 0, 13);   // B 1144
    EXPECT_EQ(box.SplitAxis(), CColourBox::RED_AXIS);
    box.SetBounds(0, 59, 0, 30, 0, 0);   // R = G = 7080
    EXPECT_EQ(box.SplitAxis(), CColourBox::GREEN_AXIS);
    box.SetBounds(0, 11, 0, 0, 0, 15);   // R = B = 1320
    EXPECT_EQ(box.SplitAxis(), CColourBox::RED_AXIS);
}

TEST(ColourBox, SplitsAtTheMiddleOfItsBoundsRoundingDown)
{
    CColourBox box;
    CColourBox upper;
    box.SetBounds(10, 13, 5, 5, 7, 7);
    box.SplitInto(upper);
    EXPECT_EQ(box.Min(CColourBox::RED_AXIS), 10u);
    EXPECT_EQ(box.Max(CColourBox::RED_AXIS), 11u);
    EXPECT_EQ(upper.Min(CColourBox::RED_AXIS), 12u);
    EXPECT_EQ(upper.Max(CColourBox::RED_AXIS), 13u);
    EXPECT_EQ(upper.Min(CColourBox::GREEN_AXIS), 5u);
    EXPECT_EQ(upper.Max(CColourBox::BLUE_AXIS), 7u);

    box.SetBounds(10, 12, 5, 5, 7, 7);
    box.SplitInto(upper);
    EXPECT_EQ(box.Max(CColourBox::RED_AXIS), 11u);
    EXPECT_EQ(upper.Min(CColourBox::RED_AXIS), 12u);
    EXPECT_EQ(upper.Max(CColourBox::RED_AXIS), 12u);
}

TEST(ColourBox, RefreshShrinksToTheOccupiedCellsAndMeasuresThem)
{
    // Cells (2, 40, 3), (9, 41, 30) and (5, 50, 3).
    const CBitmap24 picture = MakeRow({MakeColour(8, 160, 24), MakeColour(36, 164, 240), MakeColour(20, 200, 24)});
    const CBitmap24* pictures[] = {&picture};
    const int32_t weights[] = {1};
    const CColourHistogram histogram(pictures, weights, 1);

    CColourBox box;
    box.SetHistogram(&histogram);
    box.SetWholeSpace();
    box.Refresh();
    EXPECT_EQ(box.Min(CColourBox::RED_AXIS), 2u);
    EXPECT_EQ(box.Max(CColourBox::RED_AXIS), 9u);
    EXPECT_EQ(box.Min(CColourBox::GREEN_AXIS), 40u);
    EXPECT_EQ(box.Max(CColourBox::GREEN_AXIS), 50u);
    EXPECT_EQ(box.Min(CColourBox::BLUE_AXIS), 3u);
    EXPECT_EQ(box.Max(CColourBox::BLUE_AXIS), 30u);
    EXPECT_EQ(box.CellCount(), 3);
    EXPECT_EQ(box.Size(), 840 * 840 + 2360 * 2360 + 2376 * 2376);

    // Over no counted cell, every bound stops at its opposite bound.
    const CColourHistogram empty(nullptr, nullptr, 0);
    CColourBox lonely;
    lonely.SetHistogram(&empty);
    lonely.SetWholeSpace();
    lonely.Refresh();
    EXPECT_EQ(lonely.Min(CColourBox::RED_AXIS), 63u);
    EXPECT_EQ(lonely.Min(CColourBox::GREEN_AXIS), 63u);
    EXPECT_EQ(lonely.Min(CColourBox::BLUE_AXIS), 31u);
    EXPECT_EQ(lonely.Size(), 0);
    EXPECT_EQ(lonely.CellCount(), 0);
    EXPECT_THROW(lonely.ComputeColour(), CFatalError);
}

// ---------------------------------------------------------------------------------------
// Colours of the boxes
// ---------------------------------------------------------------------------------------

TEST(Quantizer, OneColourGivesItsCellCentreInEntryTwo)
{
    // (100, 100, 100) is in cell (25, 25, 12): centre 4·25 + 2, 4·25 + 2, 8·12 + 4.
    const std::vector<PaletteEntry> entries = Quantize(MakeUniform(5, 3, MakeColour(100, 100, 100)), 256);
    EXPECT_EQ(entries[0], BLACK_ENTRY);
    EXPECT_EQ(entries[2], BoxEntry(102, 102, 100));
    for (size_t i = 3; i < 256; ++i)
        EXPECT_EQ(entries[i], BLACK_ENTRY) << "entry " << i;

    // The top cells stay within 8 bits.
    EXPECT_EQ(Quantize(MakeUniform(2, 2, MakeColour(255, 255, 255)), 256)[2], BoxEntry(254, 254, 252));
}

TEST(Quantizer, BoxColourIsTheWeightedMeanRoundedHalfUp)
{
    // With 4 entries no box is cut. Red: 7 pixels of cell value 2 and one of 6 give
    // 20 / 8 = 2.5, rounded up to 3.
    std::vector<ColourRef> colours(7, MakeColour(0, 0, 0));
    colours.push_back(MakeColour(4, 0, 0));
    EXPECT_EQ(Quantize(MakeRow(colours), 4)[2], BoxEntry(3, 2, 4));
}

TEST(Quantizer, LargeBrightPicturesAverageWithoutOverflow)
{
    // 3840 × 2160 white: value × pixels stays below 2^31 for one picture ...
    const CBitmap24 white = MakeUniform(3840, 2160, MakeColour(255, 255, 255));
    CQuantizer single(4);
    single.AddBitmap(&white, 1);
    single.Compute();
    EXPECT_EQ(single.Entries()[2], BoxEntry(254, 254, 252));

    // ... but weighted 3 together with a million black pixels the sums pass 2^32.
    // Red: (254·24883200 + 2·1000000 + 25883200/2) / 25883200 = 244;
    // blue: (252·24883200 + 4·1000000 + 25883200/2) / 25883200 = 242.
    const CBitmap24 black = MakeUniform(1000, 1000, MakeColour(0, 0, 0));
    CQuantizer mixed(4);
    mixed.AddBitmap(&white, 3);
    mixed.AddBitmap(&black, 1);
    mixed.Compute();
    EXPECT_EQ(mixed.Entries()[2], BoxEntry(244, 244, 242));
}

// ---------------------------------------------------------------------------------------
// The palette's arrangement
// ---------------------------------------------------------------------------------------

TEST(Quantizer, EntryOneIsTheReservedColourWhiteByDefault)
{
    const CBitmap24 picture = MakeUniform(2, 2, MakeColour(10, 10, 10));
    CQuantizer plain(256);
    plain.AddBitmap(&picture, 1);
    plain.Compute();
    EXPECT_EQ(plain.Entries()[1], (PaletteEntry{255, 255, 255, 0}));

    CQuantizer keyed(256);
    keyed.AddBitmap(&picture, 1);
    keyed.ReserveColour(0x00FF0000);
    keyed.Compute();
    EXPECT_EQ(keyed.Entries()[1], (PaletteEntry{0, 0, 255, 0}));
}

TEST(Quantizer, FewColoursStopTheCutsWhenEveryBoxIsOneCell)
{
    // Cells (1, 1, 1) and (3, 3, 3): box 0 is cut along green at 2.
    const std::vector<PaletteEntry> entries = Quantize(MakeRow({MakeColour(4, 4, 8), MakeColour(12, 12, 24), MakeColour(5, 6, 9)}), 256);
    EXPECT_EQ(entries[2], BoxEntry(6, 6, 12));
    EXPECT_EQ(entries[3], BoxEntry(14, 14, 28));
    EXPECT_EQ(entries[4], BLACK_ENTRY);
}

TEST(Quantizer, SixteenEntriesMakeThirteenBoxes)
{
    std::vector<ColourRef> ramp;
    for (int32_t i = 0; i < 64; ++i)
        ramp.push_back(MakeColour(static_cast<uint8_t>(4 * i), static_cast<uint8_t>(255 - 4 * i), 0));
    const CBitmap24 picture = MakeRow(ramp);
    CQuantizer quantizer(16);
    quantizer.AddBitmap(&picture, 1);
    quantizer.Compute();
    EXPECT_EQ(quantizer.BoxCount(), 13);
    EXPECT_EQ(quantizer.Entries()[0], BLACK_ENTRY);
    for (size_t i = 2; i <= 14; ++i)
        EXPECT_EQ(quantizer.Entries()[i].flags, CQuantizer::BOX_ENTRY_FLAGS) << "entry " << i;
    for (size_t i = 15; i < 256; ++i)
        EXPECT_EQ(quantizer.Entries()[i], BLACK_ENTRY) << "entry " << i;
    EXPECT_EQ(quantizer.GamePalette()->LogicalPalette().EntryCount(), 16);
}

TEST(Quantizer, EmptyHistogramMakesNoBoxButStillAPalette)
{
    const CBitmap24 empty(0, 10);
    const CBitmap24 weightless = MakeUniform(4, 4, MakeColour(90, 90, 90));
    CQuantizer quantizer(256);
    quantizer.AddBitmap(&empty, 1);
    quantizer.AddBitmap(&weightless, 0);
    quantizer.ReserveColour(0x00FF0000);
    quantizer.Compute();
    EXPECT_EQ(quantizer.BoxCount(), 0);
    EXPECT_EQ(quantizer.Entries()[1], (PaletteEntry{0, 0, 255, 0}));
    for (size_t i = 2; i < 256; ++i)
        EXPECT_EQ(quantizer.Entries()[i], BLACK_ENTRY) << "entry " << i;
    ASSERT_NE(quantizer.GamePalette(), nullptr);
    EXPECT_EQ(quantizer.GamePalette()->LogicalPalette().EntryCount(), 256);
}

TEST(Quantizer, PicturesBeyondTheFiftiethAreIgnored)
{
    const CBitmap24 grey = MakeUniform(1, 1, MakeColour(100, 100, 100));
    const CBitmap24 red = MakeUniform(1, 1, MakeColour(200, 0, 0));
    CQuantizer quantizer(256);
    for (int32_t i = 0; i < CQuantizer::MAX_QUANT_BITMAPS; ++i)
        quantizer.AddBitmap(&grey, 1);
    quantizer.AddBitmap(&red, 1);
    EXPECT_EQ(quantizer.BitmapCount(), 50);
    quantizer.Compute();
    EXPECT_EQ(quantizer.BoxCount(), 1);
    EXPECT_EQ(quantizer.Entries()[2], BoxEntry(102, 102, 100));
}

TEST(Quantizer, RefusesBadArguments)
{
    EXPECT_THROW(CQuantizer(3), CFatalError);
    EXPECT_THROW(CQuantizer(257), CFatalError);
    EXPECT_NO_THROW(CQuantizer(4));
    CQuantizer quantizer(256);
    const CBitmap24 picture(1, 1);
    EXPECT_THROW(quantizer.AddBitmap(nullptr, 1), CFatalError);
    EXPECT_THROW(quantizer.AddBitmap(&picture, -1), CFatalError);
    EXPECT_EQ(quantizer.BitmapCount(), 0);
}

// ---------------------------------------------------------------------------------------
// Which box is cut
// ---------------------------------------------------------------------------------------
// Pictures of one row of colours that differ only in green: the first cut always splits
// the green range 0..63 at 31, and the boxes' green bounds tell the story.

TEST(Quantizer, SecondPhaseCutsTheLargestBoxTiesToTheLowestIndex)
{
    // 6 entries: 3 boxes; the second cut is by size. Boxes 0..1 and 62..63 are the same
    // size, so box 0 is cut.
    const CBitmap24 picture = MakeRow({MakeColour(0, 0, 0), MakeColour(0, 4, 0), MakeColour(0, 248, 0), MakeColour(0, 252, 0)});
    CQuantizer quantizer(6);
    quantizer.AddBitmap(&picture, 1);
    quantizer.Compute();
    EXPECT_EQ(GreenBounds(quantizer), (Bounds{{0, 0}, {62, 63}, {1, 1}}));
    EXPECT_EQ(quantizer.Entries()[3], BoxEntry(2, 252, 4));
}

TEST(Quantizer, FirstPhaseCutsTheBoxWithMostCellsTiesToTheLowestIndex)
{
    // 7 entries: 4 boxes; the second cut (2 × 2 ≤ 4) is by cell count. Boxes 0..1 and
    // 60..63 both hold 2 cells: box 0 is cut although box 1 is larger; the third cut,
    // by size, then takes box 1.
    const CBitmap24 tied = MakeRow({MakeColour(0, 0, 0), MakeColour(0, 4, 0), MakeColour(0, 240, 0), MakeColour(0, 252, 0)});
    CQuantizer first(7);
    first.AddBitmap(&tied, 1);
    first.Compute();
    EXPECT_EQ(GreenBounds(first), (Bounds{{0, 0}, {60, 60}, {1, 1}, {63, 63}}));

    // Box 0..2 holds 3 cells against 2 in the much larger 40..63: box 0 is cut.
    const CBitmap24 crowded = MakeRow({MakeColour(0, 0, 0), MakeColour(0, 4, 0), MakeColour(0, 8, 0), MakeColour(0, 160, 0), MakeColour(0, 252, 0)});
    CQuantizer second(7);
    second.AddBitmap(&crowded, 1);
    second.Compute();
    EXPECT_EQ(GreenBounds(second), (Bounds{{0, 1}, {40, 40}, {2, 2}, {63, 63}}));
    EXPECT_EQ(second.Entries()[2], BoxEntry(2, 4, 4));
}
