// AccurateQuantizerTest.cpp — tolmix-image's default reduction: the exact histogram, the
// palette chooser, the nearest-entry search, the ditherer and the two passes together.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "imaging/AccurateQuantizer.h"
#include "imaging/ExactHistogram.h"
#include "imaging/NearestEntry.h"
#include "imaging/PaletteChooser.h"
#include "imaging/PaletteDitherer.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/PicturePixels.h"

namespace {

constexpr ColourRef MAGENTA = MakeColour(255, 0, 255);
constexpr ColourRef BLACK = MakeColour(0, 0, 0);

// A picture of random colours drawn from `levels` values per channel.
CBitmap24 RandomPicture(int32_t width, int32_t height, uint32_t seed, int32_t levels = 256)
{
    std::mt19937 random(seed);
    const auto channel = [&] { return static_cast<uint8_t>(random() % levels * (255 / std::max(1, levels - 1))); };
    return PictureOf(width, height, [&](int32_t, int32_t) { return Rgb(channel(), channel(), channel()); });
}

// A dark forest-like picture: every channel 8..90, no pure black.
CBitmap24 DarkPicture(int32_t width, int32_t height)
{
    return PictureOf(width, height, [](int32_t x, int32_t y) {
        return Rgb(uint8_t(8 + (x * 7 + y * 3) % 40), uint8_t(20 + (x * y) % 70), uint8_t(10 + (x + 5 * y) % 30));
    });
}

// Pixel art: `colours` flat colours in blocks.
CBitmap24 PixelArt(int32_t width, int32_t height, const std::vector<ColourRef>& colours)
{
    return PictureOf(width, height, [&](int32_t x, int32_t y) {
        return PixelOf(colours[static_cast<size_t>((x / 3 + y / 2 * 5) % static_cast<int32_t>(colours.size()))]);
    });
}

// The nearest entry by the definition: least squared distance, lowest index on ties.
uint8_t BruteNearest(const std::vector<ColourRef>& entries, ColourRef colour)
{
    size_t best = 0;
    for (size_t i = 1; i < entries.size(); ++i)
        if (CNearestEntry::Distance(entries[i], colour) < CNearestEntry::Distance(entries[best], colour))
            best = i;
    return static_cast<uint8_t>(best);
}

// --- exact histogram ------------------------------------------------------------------------

TEST(ExactHistogram, CountsEveryExactColourAndLeavesTheKeyOut)
{
    // Enough colours to make the table grow several times, in runs and alone.
    const CBitmap24 first = RandomPicture(61, 37, 1, 12), second = PixelArt(17, 9, {MAGENTA, BLACK, MakeColour(1, 2, 3)});
    std::map<ColourRef, uint64_t> expected;
    uint64_t magenta = 0;
    for (const CBitmap24* picture : {&first, &second})
        for (int32_t y = 0; y < picture->Height(); ++y)
            for (int32_t x = 0; x < picture->Width(); ++x) {
                const ColourRef c = ColourOf(PixelAt(*picture, x, y));
                if (picture == &second && c == MAGENTA)
                    ++magenta;
                else
                    ++expected[c];
            }

    CExactHistogram histogram;
    EXPECT_EQ(histogram.AddPicture(first, std::nullopt), 0u);
    EXPECT_EQ(histogram.AddPicture(second, MAGENTA), magenta);
    ASSERT_GT(magenta, 0u);
    const std::vector<ColourCount> counted = histogram.Colours();
    std::vector<ColourCount> wanted;
    for (const auto& [colour, count] : expected)
        wanted.push_back({colour, count});
    EXPECT_EQ(counted, wanted);   // in colour order, exact counts
    EXPECT_GT(histogram.DistinctColours(), 1024u);
    EXPECT_EQ(histogram.PixelCount(), uint64_t{61 * 37 + 17 * 9} - magenta);
}

// --- nearest entry ----------------------------------------------------------------------------

TEST(NearestEntry, FindsTheTrulyNearestEntryCachedOrNot)
{
    std::mt19937 random(5);
    for (const size_t size : {size_t{1}, size_t{2}, size_t{17}, size_t{256}}) {
        std::vector<ColourRef> entries;
        for (size_t i = 0; i < size; ++i)
            entries.push_back(random() % 4 == 0 && i > 0 ? entries[i / 2] : random() & 0xFFFFFF);   // some twice
        CNearestEntry nearest(entries);
        // Each colour twice: the second answer comes from the cache (or from a slot another
        // colour took since), and must be the same.
        std::vector<ColourRef> colours;
        for (int32_t i = 0; i < 20000; ++i)
            colours.push_back(random() & 0xFFFFFF);
        for (int32_t round = 0; round < 2; ++round)
            for (const ColourRef c : colours)
                ASSERT_EQ(nearest.Find(c), BruteNearest(entries, c)) << size << " entries, colour " << c;
    }
}

TEST(NearestEntry, ColoursOfOneCellGetTheirOwnAnswersAndSizesAreChecked)
{
    // The program's cache shares one answer between these two (one cell): this one does not.
    CNearestEntry nearest(std::vector<ColourRef>{MakeColour(8, 8, 16), MakeColour(11, 11, 23)});
    EXPECT_EQ(nearest.Find(MakeColour(8, 8, 16)), 0);
    EXPECT_EQ(nearest.Find(MakeColour(11, 11, 23)), 1);
    EXPECT_EQ(nearest.Find(MakeColour(8, 8, 16)), 0);

    EXPECT_THROW(CNearestEntry(std::vector<ColourRef>{}), CFatalError);
    EXPECT_THROW(CNearestEntry(std::vector<ColourRef>(257, BLACK)), CFatalError);
    EXPECT_NO_THROW(CNearestEntry(std::vector<ColourRef>(256, BLACK)));
}

// --- palette chooser --------------------------------------------------------------------------

TEST(PaletteChooser, KeepsColoursThatFitAndOtherwiseGivesWeightedMeansOfTrueColours)
{
    const std::vector<ColourCount> three = {{MakeColour(10, 10, 10), 3}, {MakeColour(14, 10, 10), 1},
                                            {MakeColour(200, 100, 0), 5}};
    const CPaletteChooser chooser;
    // The entries in 0x00BBGGRR order, for comparison.
    const auto sorted = [](std::vector<ColourRef> entries) {
        std::sort(entries.begin(), entries.end());
        return entries;
    };
    // As many entries as colours: exactly the colours; one fewer: the two near ones merge
    // into their weighted mean (10 × 3 + 14) / 4 = 11, the far one stays.
    EXPECT_EQ(sorted(chooser.Choose(three, 3, {})),
              (std::vector<ColourRef>{MakeColour(200, 100, 0), MakeColour(10, 10, 10), MakeColour(14, 10, 10)}));
    EXPECT_EQ(sorted(chooser.Choose(three, 2, {})), (std::vector<ColourRef>{MakeColour(200, 100, 0), MakeColour(11, 10, 10)}));

    // A colour equal to a fixed one needs no entry of its own.
    EXPECT_EQ(sorted(chooser.Choose(three, 2, std::vector<ColourRef>{MakeColour(200, 100, 0)})),
              (std::vector<ColourRef>{MakeColour(10, 10, 10), MakeColour(14, 10, 10)}));

    // A flat grey is its own colour, not the centre of a cell.
    EXPECT_EQ(chooser.Choose(std::vector<ColourCount>{{MakeColour(128, 128, 128), 900}}, 16, {}),
              std::vector<ColourRef>{MakeColour(128, 128, 128)});
    EXPECT_TRUE(chooser.Choose(three, 0, {}).empty());
    EXPECT_THROW((void)chooser.Choose(three, 257, {}), CFatalError);
    EXPECT_THROW((void)chooser.Choose(three, -1, {}), CFatalError);
}

TEST(PaletteChooser, RefinementOnlyLowersTheErrorAndWuCutsBeatMedianCutsHere)
{
    CExactHistogram histogram;
    histogram.AddPicture(RandomPicture(80, 60, 9), std::nullopt);
    histogram.AddPicture(DarkPicture(80, 60), std::nullopt);
    const std::vector<ColourCount> colours = histogram.Colours();
    for (const int32_t count : {4, 16, 64}) {
        const auto error = [&](CutRule rule, int32_t passes) {
            const std::vector<ColourRef> chosen = CPaletteChooser({rule, passes}).Choose(colours, count, {});
            EXPECT_EQ(chosen.size(), static_cast<size_t>(count));
            return CPaletteChooser::SquaredError(colours, chosen);
        };
        EXPECT_LE(error(CutRule::Variance, 8), error(CutRule::Variance, 0)) << count;
        EXPECT_LE(error(CutRule::Median, 8), error(CutRule::Median, 0)) << count;
        EXPECT_LT(error(CutRule::Variance, 0), error(CutRule::Median, 0)) << count;
    }
}

// --- ditherer ---------------------------------------------------------------------------------

TEST(PaletteDitherer, KeyPixelsAndOnlyTheyTakeTheKeyEntryAndGiveOrTakeNoError)
{
    // A grey picture with a black key column; the palette holds black too.
    const std::vector<ColourRef> colours = {BLACK, MakeColour(255, 255, 255)};
    CBitmap24 picture = UniformPicture(9, 6, Rgb(100, 100, 100));
    for (int32_t y = 0; y < 6; ++y)
        SetPixel(picture, 4, y, Rgb(0, 0, 0));
    CNearestEntry nearest(colours);
    CPaletteDitherer ditherer(nearest, colours);
    for (const bool diffuse : {false, true}) {
        const std::vector<uint8_t> indices = ditherer.Reduce(picture, PictureKey{BLACK, 2}, diffuse);
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 9; ++x)
                EXPECT_EQ(indices[static_cast<size_t>(y * 9 + x)] == 2, x == 4) << x << "," << y << " " << diffuse;
    }
    // Without a key the black column is black, entry 0, like any other black pixel.
    const std::vector<uint8_t> plain = ditherer.Reduce(picture, std::nullopt, false);
    EXPECT_EQ(plain[4], 0);
    EXPECT_EQ(plain[0], 0);   // 100 is nearer black than white
}

TEST(PaletteDitherer, DiffusionKeepsTheMeanAndLeavesExactColoursAlone)
{
    const std::vector<ColourRef> colours = {BLACK, MakeColour(255, 255, 255), MakeColour(128, 128, 128)};
    CNearestEntry nearest(std::span(colours.data(), 2));
    CPaletteDitherer ditherer(nearest, std::span(colours.data(), 2));
    const CBitmap24 quarter = UniformPicture(40, 40, Rgb(64, 64, 64));
    const std::vector<uint8_t> grey = ditherer.Reduce(quarter, std::nullopt, true);
    const auto whites = std::count(grey.begin(), grey.end(), 1);
    EXPECT_NEAR(static_cast<double>(whites) / grey.size(), 64.0 / 255, 0.01);   // a quarter white
    const std::vector<uint8_t> nearestOnly = ditherer.Reduce(quarter, std::nullopt, false);
    EXPECT_EQ(std::count(nearestOnly.begin(), nearestOnly.end(), 0), 1600);

    // A picture of palette colours comes out exactly: no error arises, none spreads.
    CNearestEntry all(colours);
    CPaletteDitherer exact(all, colours);
    const CBitmap24 art = PixelArt(23, 11, colours);
    const std::vector<uint8_t> indices = exact.Reduce(art, std::nullopt, true);
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 23; ++x)
            ASSERT_EQ(colours[indices[static_cast<size_t>(y * 23 + x)]], ColourOf(PixelAt(art, x, y)));
}

// --- the two passes together ------------------------------------------------------------------

// The picture the indices stand for.
CBitmap24 Decoded(const CBitmap24& like, const std::vector<uint8_t>& indices, const std::vector<ColourRef>& colours)
{
    return PictureOf(like.Width(), like.Height(), [&](int32_t x, int32_t y) {
        return PixelOf(colours[indices[static_cast<size_t>(y) * like.Width() + x]]);
    });
}

TEST(AccurateQuantizer, PixelArtAndFlatFillsComeOutUnchangedWithExactlyTheirColours)
{
    std::vector<ColourRef> twelve;
    for (int32_t i = 0; i < 12; ++i)
        twelve.push_back(MakeColour(uint8_t(i * 21), uint8_t(255 - i * 13), uint8_t((i * 97) % 256)));
    const CBitmap24 art = PixelArt(30, 20, twelve), flat = UniformPicture(7, 5, Rgb(128, 128, 128));
    for (const bool diffuse : {true, false}) {
        CAccurateQuantizer quantizer(16);
        quantizer.AddPicture(art, std::nullopt);
        quantizer.AddPicture(flat, std::nullopt);
        quantizer.Compute();
        std::vector<ColourRef> expected = twelve;
        expected.push_back(MakeColour(128, 128, 128));
        std::sort(expected.begin(), expected.end(), CAccurateQuantizer::ListedBefore);
        EXPECT_EQ(quantizer.Colours(), expected);   // 13 entries, no black filler, in a stable order
        EXPECT_EQ(BitsOf(Decoded(art, quantizer.Reduce(art, std::nullopt, diffuse), quantizer.Colours())), BitsOf(art));
        EXPECT_EQ(BitsOf(Decoded(flat, quantizer.Reduce(flat, std::nullopt, diffuse), quantizer.Colours())), BitsOf(flat));
    }
    // One colour more than fits is no longer exact.
    CAccurateQuantizer small(11);
    small.AddPicture(art, std::nullopt);
    small.Compute();
    EXPECT_EQ(small.Colours().size(), 11u);
}

TEST(AccurateQuantizer, AKeyNeverMakesHolesAndNeverSteersThePalette)
{
    // A black key on a dark picture without black: no key entry, no transparent pixel.
    const CBitmap24 dark = DarkPicture(64, 48);
    CAccurateQuantizer darkQuantizer(64);
    darkQuantizer.AddPicture(dark, BLACK);
    darkQuantizer.Compute();
    EXPECT_FALSE(darkQuantizer.KeyIndex(BLACK).has_value());
    EXPECT_EQ(darkQuantizer.Colours().size(), 64u);

    // A grey paddle with one magenta key pixel and a white key that is also a colour of
    // the picture elsewhere: only the key's own pixels take its entry.
    CBitmap24 paddle = UniformPicture(100, 100, Rgb(150, 150, 150));
    SetPixel(paddle, 3, 3, PixelOf(MAGENTA));
    CAccurateQuantizer quantizer(4);
    quantizer.AddPicture(paddle, MAGENTA);
    quantizer.Compute();
    EXPECT_EQ(quantizer.Colours(), (std::vector<ColourRef>{MakeColour(150, 150, 150), MAGENTA}));
    ASSERT_EQ(quantizer.KeyIndex(MAGENTA), std::optional<uint8_t>(1));
    const std::vector<uint8_t> indices = quantizer.Reduce(paddle, MAGENTA, true);
    EXPECT_EQ(std::count(indices.begin(), indices.end(), 1), 1);
    EXPECT_EQ(indices[3 * 100 + 3], 1);
}

TEST(AccurateQuantizer, EachKeyColourGetsOneEntryWithinTheCount)
{
    // Three pictures whose first pixels differ ("auto"): three key entries, each its own.
    std::vector<CBitmap24> pictures;
    for (const ColourRef key : {MAGENTA, BLACK, MAGENTA, MakeColour(0, 255, 0)}) {
        CBitmap24 picture = RandomPicture(12, 9, key, 4);
        SetPixel(picture, 0, 0, PixelOf(key));
        pictures.push_back(picture);
    }
    const auto run = [&](int32_t colours, std::optional<ColourRef> reserved) {
        CAccurateQuantizer quantizer(colours);
        if (reserved)
            quantizer.Reserve(*reserved);
        for (const CBitmap24& picture : pictures)
            quantizer.AddPicture(picture, ColourOf(PixelAt(picture, 0, 0)));
        quantizer.Compute();
        return quantizer.Colours();
    };
    const std::vector<ColourRef> palette = run(16, MakeColour(1, 2, 3));
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_EQ(palette.front(), MakeColour(1, 2, 3));   // the reserved colour first
    EXPECT_EQ(std::vector<ColourRef>(palette.end() - 3, palette.end()),
              (std::vector<ColourRef>{MAGENTA, BLACK, MakeColour(0, 255, 0)}));   // keys last, in order met
    // Room: three keys leave one entry of four, but not with a reserved colour as well.
    EXPECT_EQ(run(4, std::nullopt).size(), 4u);
    EXPECT_THROW(run(4, MakeColour(1, 2, 3)), CFatalError);
    EXPECT_EQ(run(5, MakeColour(1, 2, 3)).size(), 5u);
}

TEST(AccurateQuantizer, EveryEntryIsUsedAndEveryPixelTakesItsNearest)
{
    const CBitmap24 picture = RandomPicture(50, 40, 3);
    CAccurateQuantizer quantizer(32);
    quantizer.AddPicture(picture, std::nullopt);
    quantizer.Compute();
    const std::vector<ColourRef>& colours = quantizer.Colours();
    const std::vector<uint8_t> indices = quantizer.Reduce(picture, std::nullopt, false);
    std::set<uint8_t> used(indices.begin(), indices.end());
    EXPECT_EQ(used.size(), colours.size());
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 50; ++x)
            ASSERT_EQ(indices[static_cast<size_t>(y * 50 + x)], BruteNearest(colours, ColourOf(PixelAt(picture, x, y))));
    EXPECT_THROW(CAccurateQuantizer(0), CFatalError);
    EXPECT_THROW(CAccurateQuantizer(257), CFatalError);
    CAccurateQuantizer early(8);
    EXPECT_THROW((void)early.Reduce(picture, std::nullopt, true), CFatalError);
}

} // namespace
