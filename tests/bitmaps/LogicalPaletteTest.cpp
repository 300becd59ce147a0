// LogicalPaletteTest.cpp — the exact nearest-entry search and its tie rule.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/LogicalPalette.h"

namespace {

// The search written the slowest, plainest way.
uint32_t PlainNearest(const std::vector<PaletteEntry>& entries, ColourRef colour)
{
    uint32_t best = 0;
    int32_t bestDistance = INT32_MAX;
    for (uint32_t i = 0; i < entries.size(); ++i) {
        const int32_t dr = entries[i].red - RedOf(colour);
        const int32_t dg = entries[i].green - GreenOf(colour);
        const int32_t db = entries[i].blue - BlueOf(colour);
        const int32_t d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

TEST(LogicalPalette, FindsTheNearestEntryByTheSquaredDistanceTiesToTheLowestIndex)
{
    // (10, 0, 0) is 10 away from entries 1 and 2; entries 1 and 3 are equal.
    const std::vector<PaletteEntry> entries = {{50, 50, 50, 0}, {0, 0, 0, 0}, {20, 0, 0, 0}, {0, 0, 0, 0},
                                               {0, 0, 255, 0},  {250, 10, 10, 5}};
    const CLogicalPalette palette(entries);
    EXPECT_EQ(palette.NearestIndex(MakeColour(10, 0, 0)), 1u);
    EXPECT_EQ(palette.NearestIndex(MakeColour(0, 0, 0)), 1u);
    EXPECT_EQ(palette.NearestIndex(MakeColour(10, 0, 240)), 4u);
    EXPECT_EQ(palette.NearestIndex(MakeColour(255, 0, 0)), 5u);
    EXPECT_EQ(palette.NearestIndex(MakeColour(60, 40, 50)), 0u);
    EXPECT_EQ(palette.SearchCount(), 5u);
}

TEST(LogicalPalette, AgreesWithThePlainSearchAndRemembersAnswersExactly)
{
    // A full palette of coarse colours, many of them equal (ties), and far more colours
    // than the search remembers, asked again and again in a mixed order: a remembered
    // answer must be the one a fresh search gives, for the colour asked and not another
    // that shares its slot, and every question counts.
    std::mt19937 random(7);
    std::vector<PaletteEntry> entries(256);
    for (PaletteEntry& e : entries)
        e = PaletteEntry{uint8_t(random() % 8 * 32), uint8_t(random() % 8 * 32), uint8_t(random() % 4 * 64), 5};
    entries[0] = PaletteEntry{0, 0, 0, 0};
    const CLogicalPalette palette(entries);
    std::vector<ColourRef> colours(20000);
    for (ColourRef& colour : colours)
        colour = random() % 4 == 0 ? (random() & 0x0F0F0F) : (random() & 0xFFFFFF);
    for (int32_t round = 0; round < 3; ++round)
        for (size_t k = 0; k < colours.size(); ++k) {
            const ColourRef colour = colours[(k * (2 * round + 1) + round) % colours.size()];
            ASSERT_EQ(palette.NearestIndex(colour), PlainNearest(entries, colour)) << std::hex << colour;
        }
    EXPECT_EQ(palette.SearchCount(), 3 * colours.size());

    // The byte above the colour is not part of it, and no value of it makes a slot that
    // was never filled look like an answer.
    const CLogicalPalette fresh(entries);
    ASSERT_NE(PlainNearest(entries, 0xFFFFFF), 0u);
    EXPECT_EQ(fresh.NearestIndex(0xFFFFFFFF), PlainNearest(entries, 0xFFFFFF));
    EXPECT_EQ(fresh.NearestIndex(0xAB000000 | colours[5]), PlainNearest(entries, colours[5]));
}

TEST(LogicalPalette, HoldsOneTo256Entries)
{
    EXPECT_THROW(CLogicalPalette(std::vector<PaletteEntry>{}), CFatalError);
    EXPECT_THROW(CLogicalPalette(std::vector<PaletteEntry>(257)), CFatalError);
    const CLogicalPalette one(std::vector<PaletteEntry>{{1, 2, 3, 4}});
    EXPECT_EQ(one.EntryCount(), 1);
    EXPECT_EQ(one.Entry(0), (PaletteEntry{1, 2, 3, 4}));
    EXPECT_THROW(one.Entry(1), CFatalError);
}

} // namespace
