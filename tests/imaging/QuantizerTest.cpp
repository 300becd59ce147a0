// QuantizerTest.cpp — the colour histogram, colour boxes and median-cut palette selection.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/ColourBox.h"
#include "imaging/ColourHistogram.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/PicturePixels.h"

namespace {

// A width × height picture from row-major 0x00BBGGRR colours; pad bytes get `pad`.
CBitmap24 MakePicture(int32_t width, int32_t height, const std::vector<ColourRef>& colours, uint8_t pad = 0)
{
    CBitmap24 picture = PictureOf(width, height, [&](int32_t x, int32_t y) { return PixelOf(colours[y * width + x]); });
    if (picture.Stride() > 3 * width)
        for (int32_t y = 0; y < height; ++y)
            picture.Bits()[static_cast<size_t>(y) * picture.Stride() + 3 * width] = pad;
    return picture;
}

// One row of the given colours.
CBitmap24 MakeRow(const std::vector<ColourRef>& colours)
{
    return MakePicture(static_cast<int32_t>(colours.size()), 1, colours);
}

CBitmap24 MakeUniform(int32_t width, int32_t height, ColourRef colour)
{
    return UniformPicture(width, height, PixelOf(colour));
}

PaletteEntry BoxEntry(uint8_t red, uint8_t green, uint8_t blue)
{
    return PaletteEntry{red, green, blue, CQuantizer::BOX_ENTRY_FLAGS};
}

const PaletteEntry BLACK_ENTRY{0, 0, 0, 0};

// A quantizer of `colourCount` entries computed from the pictures, each of weight 1.
std::unique_ptr<CQuantizer> Computed(std::initializer_list<const CBitmap24*> pictures, int32_t colourCount)
{
    auto quantizer = std::make_unique<CQuantizer>(colourCount);
    for (const CBitmap24* picture : pictures)
        quantizer->AddBitmap(picture, 1);
    quantizer->Compute();
    return quantizer;
}

// The green bounds of every box of a computed quantizer.
using Bounds = std::vector<std::pair<uint32_t, uint32_t>>;
Bounds GreenBounds(const CQuantizer& quantizer)
{
    Bounds bounds;
    for (int32_t i = 0; i < quantizer.BoxCount(); ++i)
        bounds.emplace_back(quantizer.Box(i).Min(CColourBox::GREEN_AXIS), quantizer.Box(i).Max(CColourBox::GREEN_AXIS));
    return bounds;
}

} // namespace

// --- Histogram ---------------------------------------------------------------------------

TEST(ColourHistogram, CellIndexPacksSixSixFiveBits)
{
    EXPECT_EQ(CColourHistogram::CellIndex(0, 0, 8), 1u);
    EXPECT_EQ(CColourHistogram::CellIndex(0, 4, 0), 32u);
    EXPECT_EQ(CColourHistogram::CellIndex(4, 0, 0), 2048u);
    EXPECT_EQ(CColourHistogram::CellIndex(11, 11, 23), CColourHistogram::CellIndex(8, 8, 16));
    EXPECT_EQ(CColourHistogram::CellIndex(255, 255, 255), 131071u);
}

TEST(ColourHistogram, CountsEveryPixelOnceWithItsWeightWhateverTheRowsAreSharedOutAs)
{
    // Two pictures of the same pixels, each over 256 KB, so that their rows are counted on
    // both cores; pad bytes of 0xFF that must not be read as part of a pixel; an empty
    // picture and a picture of weight 0 that count nothing; a picture of long runs of one
    // colour, some running on from the end of one row into the next.
    const int32_t width = 401;
    const int32_t height = 307;
    std::vector<ColourRef> colours;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            colours.push_back(MakeColour(static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 3),
                                         static_cast<uint8_t>((x * y) >> 3)));
    const CBitmap24 picture = MakePicture(width, height, colours, 0xFF);
    const CBitmap24 tall = MakePicture(1, width * height, colours, 0xFF);
    const CBitmap24 empty(0, 4);
    std::vector<ColourRef> runColours;
    for (int32_t i = 0; i < 301 * 5; ++i)
        runColours.push_back(MakeColour(static_cast<uint8_t>(i / 37 * 50), 9, static_cast<uint8_t>(i / 111)));
    const CBitmap24 runs = MakePicture(301, 5, runColours, 0xFF);
    const CBitmap24* pictures[] = {&picture, &tall, &empty, &picture, &tall, &runs};
    const int32_t weights[] = {3, 1, 7, 2, 0, 5};
    const CColourHistogram histogram(pictures, weights, 6);

    std::vector<uint32_t> expected(CColourHistogram::CELL_COUNT, 0);
    for (const ColourRef colour : colours)
        expected[CColourHistogram::CellIndex(RedOf(colour), GreenOf(colour), BlueOf(colour))] += 6;
    for (const ColourRef colour : runColours)
        expected[CColourHistogram::CellIndex(RedOf(colour), GreenOf(colour), BlueOf(colour))] += 5;
    for (uint32_t r = 0; r < 64; ++r)
        for (uint32_t g = 0; g < 64; ++g)
            for (uint32_t b = 0; b < 32; ++b)
                ASSERT_EQ(histogram.CellAt(r, g, b), expected[(r * 64 + g) * 32 + b]) << r << "," << g << "," << b;
}

TEST(ColourHistogram, RefusesMissingPicturesAndNegativeWeights)
{
    const CBitmap24 picture(1, 1);
    const CBitmap24* missing[] = {nullptr};
    const CBitmap24* present[] = {&picture};
    const int32_t one[] = {1};
    const int32_t negative[] = {-1};
    EXPECT_THROW(CColourHistogram(missing, one, 1), CFatalError);
    EXPECT_THROW(CColourHistogram(present, negative, 1), CFatalError);
}

// --- Boxes -------------------------------------------------------------------------------

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
    for (const auto& [max, lowerMax] : {std::pair{13u, 11u}, {12u, 11u}}) {
        box.SetBounds(10, max, 5, 5, 7, 7);
        box.SplitInto(upper);
        EXPECT_EQ(box.Min(CColourBox::RED_AXIS), 10u);
        EXPECT_EQ(box.Max(CColourBox::RED_AXIS), lowerMax);
        EXPECT_EQ(upper.Min(CColourBox::RED_AXIS), lowerMax + 1);
        EXPECT_EQ(upper.Max(CColourBox::RED_AXIS), max);
        EXPECT_EQ(upper.Min(CColourBox::GREEN_AXIS), 5u);
        EXPECT_EQ(upper.Max(CColourBox::BLUE_AXIS), 7u);
    }
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
    const uint32_t bounds[3][2] = {{2, 9}, {40, 50}, {3, 30}};
    for (const auto axis : {CColourBox::RED_AXIS, CColourBox::GREEN_AXIS, CColourBox::BLUE_AXIS}) {
        EXPECT_EQ(box.Min(axis), bounds[axis][0]) << "axis " << axis;
        EXPECT_EQ(box.Max(axis), bounds[axis][1]) << "axis " << axis;
    }
    EXPECT_EQ(box.CellCount(), 3);
    EXPECT_EQ(box.Size(), 840 * 840 + 2360 * 2360 + 2376 * 2376);

    // Over no counted cell, every bound stops at its opposite bound.
    const CColourHistogram empty(nullptr, nullptr, 0);
    box.SetHistogram(&empty);
    box.SetWholeSpace();
    box.Refresh();
    EXPECT_EQ(box.Min(CColourBox::RED_AXIS), 63u);
    EXPECT_EQ(box.Min(CColourBox::GREEN_AXIS), 63u);
    EXPECT_EQ(box.Min(CColourBox::BLUE_AXIS), 31u);
    EXPECT_EQ(box.Size(), 0);
    EXPECT_EQ(box.CellCount(), 0);
    EXPECT_THROW(box.ComputeColour(), CFatalError);
}

// --- Colours of the boxes and the palette's arrangement ----------------------------------

TEST(Quantizer, LargeBrightPicturesAverageWithoutOverflow)
{
    // 3840 × 2160 white weighted 3 together with a million black pixels: the sums pass 2^32.
    // Red: (254·24883200 + 2·1000000 + 25883200/2) / 25883200 = 244;
    // blue: (252·24883200 + 4·1000000 + 25883200/2) / 25883200 = 242.
    const CBitmap24 white = MakeUniform(3840, 2160, MakeColour(255, 255, 255));
    const CBitmap24 black = MakeUniform(1000, 1000, MakeColour(0, 0, 0));
    CQuantizer mixed(4);
    mixed.AddBitmap(&white, 3);
    mixed.AddBitmap(&black, 1);
    mixed.Compute();
    EXPECT_EQ(mixed.Entries()[2], BoxEntry(244, 244, 242));
}

TEST(Quantizer, SixteenEntriesMakeThirteenBoxes)
{
    std::vector<ColourRef> ramp;
    for (int32_t i = 0; i < 64; ++i)
        ramp.push_back(MakeColour(static_cast<uint8_t>(4 * i), static_cast<uint8_t>(255 - 4 * i), 0));
    const CBitmap24 picture = MakeRow(ramp);
    const auto quantizer = Computed({&picture}, 16);
    EXPECT_EQ(quantizer->BoxCount(), 13);
    for (size_t i = 2; i <= 14; ++i)
        EXPECT_EQ(quantizer->Entries()[i].flags, CQuantizer::BOX_ENTRY_FLAGS) << "entry " << i;
    for (size_t i = 15; i < 256; ++i)
        EXPECT_EQ(quantizer->Entries()[i], BLACK_ENTRY) << "entry " << i;
    EXPECT_EQ(quantizer->GamePalette()->LogicalPalette().EntryCount(), 16);
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
}

// A picture counted at once (and gone before Compute) steers the palette exactly as one
// recorded by pointer; the fifty pictures are counted over both calls, one on each side.
TEST(Quantizer, PicturesCountedAtOnceGiveThePaletteOfPicturesRecorded)
{
    std::vector<ColourRef> ramp;
    for (int32_t i = 0; i < 200; ++i)
        ramp.push_back(MakeColour(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)));
    const CBitmap24 first = MakeRow(ramp);
    const CBitmap24 second = MakeUniform(30, 20, MakeColour(20, 200, 90));
    const auto recorded = Computed({&first, &second}, 64);
    CQuantizer counted(64);
    counted.AddBitmap(&first, 1);
    {
        const CBitmap24 copy = second;
        counted.CountBitmap(copy, 1);
    }
    counted.Compute();
    EXPECT_EQ(counted.BitmapCount(), 2);
    EXPECT_EQ(counted.Entries(), recorded->Entries());

    const CBitmap24 grey = MakeUniform(1, 1, MakeColour(100, 100, 100));
    const CBitmap24 red = MakeUniform(1, 1, MakeColour(200, 0, 0));
    CQuantizer full(256);
    for (int32_t i = 0; i < CQuantizer::MAX_QUANT_BITMAPS - 1; ++i)
        full.AddBitmap(&grey, 1);
    full.CountBitmap(grey, 1);   // the fiftieth: counted
    full.CountBitmap(red, 1);    // the fifty-first: not
    full.AddBitmap(&red, 1);
    EXPECT_EQ(full.BitmapCount(), 50);
    full.Compute();
    EXPECT_EQ(full.BoxCount(), 1);
    EXPECT_THROW(full.CountBitmap(grey, -1), CFatalError);
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

// --- Worked palettes ---------------------------------------------------------------------

// Pictures of one row. A box's entry is the weighted mean of its cells' centres (4r + 2,
// 4g + 2, 8b + 4), rounded half up; entry 0 is black, entry 1 the reserved colour (white
// by default). Where only green differs, the first cut always splits the green range
// 0..63 at 31, and the boxes' green bounds tell which box each later cut took.
TEST(Quantizer, WorkedPalettes)
{
    const PaletteEntry WHITE{255, 255, 255, 0};
    const auto green = [](uint8_t g) { return MakeColour(0, g, 0); };
    struct Case {
        const char* what;
        std::vector<ColourRef> row;
        int32_t colourCount;
        std::vector<PaletteEntry> entries;   // from entry 0 on
        Bounds greens;                       // empty: not checked
    };
    const Case cases[] = {
        {"one colour: its cell's centre", std::vector<ColourRef>(15, MakeColour(100, 100, 100)), 256,
         {BLACK_ENTRY, WHITE, BoxEntry(102, 102, 100), BLACK_ENTRY}, {}},
        {"the top cells stay within 8 bits", std::vector<ColourRef>(4, MakeColour(255, 255, 255)), 256,
         {BLACK_ENTRY, WHITE, BoxEntry(254, 254, 252)}, {}},
        // 4 entries cut no box. Red: 7 pixels of cell value 2 and one of 6: 2.5, rounded up.
        {"mean rounded half up", {0, 0, 0, 0, 0, 0, 0, MakeColour(4, 0, 0)}, 4, {BLACK_ENTRY, WHITE, BoxEntry(3, 2, 4)}, {}},
        // Cells (1, 1, 1) and (3, 3, 3): box 0 is cut along green at 2, then no box can be.
        {"cuts stop at one cell a box", {MakeColour(4, 4, 8), MakeColour(12, 12, 24), MakeColour(5, 6, 9)}, 256,
         {BLACK_ENTRY, WHITE, BoxEntry(6, 6, 12), BoxEntry(14, 14, 28), BLACK_ENTRY}, {}},
        // 6 entries: 3 boxes; the second cut is by size. Boxes 0..1 and 62..63 are the same
        // size, so box 0 is cut.
        {"size ties to the lowest index", {green(0), green(4), green(248), green(252)}, 6,
         {BLACK_ENTRY, WHITE, BoxEntry(2, 2, 4), BoxEntry(2, 252, 4)}, {{0, 0}, {62, 63}, {1, 1}}},
        // 7 entries: 4 boxes; the second cut (2 × 2 ≤ 4) is by cell count. Boxes 0..1 and
        // 60..63 both hold 2 cells: box 0 is cut although box 1 is larger; the third cut,
        // by size, then takes box 1.
        {"cell count ties to the lowest index", {green(0), green(4), green(240), green(252)}, 7, {},
         {{0, 0}, {60, 60}, {1, 1}, {63, 63}}},
        // Box 0..2 holds 3 cells against 2 in the much larger 40..63: box 0 is cut.
        {"cell count before size", {green(0), green(4), green(8), green(160), green(252)}, 7,
         {BLACK_ENTRY, WHITE, BoxEntry(2, 4, 4)}, {{0, 1}, {40, 40}, {2, 2}, {63, 63}}},
    };
    for (const Case& c : cases) {
        const CBitmap24 picture = MakeRow(c.row);
        const auto quantizer = Computed({&picture}, c.colourCount);
        for (size_t i = 0; i < c.entries.size(); ++i)
            EXPECT_EQ(quantizer->Entries()[i], c.entries[i]) << c.what << ", entry " << i;
        if (!c.greens.empty()) {
            EXPECT_EQ(GreenBounds(*quantizer), c.greens) << c.what;
        }
    }
}
