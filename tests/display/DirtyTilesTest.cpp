// DirtyTilesTest.cpp — the tile grid of a --balls run: every pixel drawn over is taken out
// once, in tile-aligned rectangles inside the back buffer, and nothing else is.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "display/DirtyTiles.h"

namespace {

constexpr int32_t TILE = CDirtyTiles::TILE_SIZE;

std::vector<Rect> TakeAll(CDirtyTiles& tiles)
{
    std::vector<Rect> rects;
    Rect rect;
    while (tiles.Take(rect))
        rects.push_back(rect);
    return rects;
}

// How many times each pixel of a width × height buffer is covered by the rectangles.
std::vector<int32_t> Coverage(int32_t width, int32_t height, const std::vector<Rect>& rects)
{
    std::vector<int32_t> covered(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (const Rect& rect : rects)
        for (int32_t y = std::max(rect.top, 0); y < std::min(rect.bottom, height); ++y)
            for (int32_t x = std::max(rect.left, 0); x < std::min(rect.right, width); ++x)
                ++covered[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return covered;
}

} // namespace

// Tile edges: a rectangle ending on an edge marks no tile past it, one a pixel further
// marks the next; a run of rows with the same marked tiles comes out as one rectangle.
TEST(DirtyTiles, RectanglesComeOutAsTheTilesTheyTouch)
{
    const std::pair<std::vector<Rect>, std::vector<Rect>> cases[] = {
        {{{0, 0, TILE, TILE}}, {{0, 0, TILE, TILE}}},
        {{{0, 0, TILE + 1, TILE}}, {{0, 0, 2 * TILE, TILE}}},
        {{{TILE - 1, TILE - 1, TILE + 1, TILE + 1}}, {{0, 0, 2 * TILE, 2 * TILE}}},
        {{{5, 5, 6, 2 * TILE}}, {{0, 0, TILE, 2 * TILE}}},
        // Two apart in one row over a row marked whole: each stretches down into it, and
        // what is left of that row comes out on its own.
        {{{0, 0, 10, 10}, {2 * TILE, 0, 2 * TILE + 1, 1}, {0, TILE, 3 * TILE, TILE + 1}},
         {{0, 0, TILE, 2 * TILE}, {2 * TILE, 0, 3 * TILE, 2 * TILE}, {TILE, TILE, 2 * TILE, 2 * TILE}}},
        // Empty, and wholly outside: nothing.
        {{{10, 10, 10, 50}, {-50, 0, 0, 10}, {0, 200, 10, 300}}, {}},
        // Partly outside: clipped to the buffer, whose last tiles are partial (100 × 70).
        {{{90, 60, 500, 500}, {-10, -10, 1, 1}}, {{0, 0, TILE, TILE}, {2 * TILE, TILE, 100, 70}}},
    };
    for (const auto& [added, expected] : cases) {
        CDirtyTiles tiles;
        tiles.Resize(100, 70);
        for (const Rect& rect : added)
            tiles.Add(rect);
        EXPECT_EQ(TakeAll(tiles), expected);
        EXPECT_EQ(tiles.MarkedTiles(), 0);
    }
}

// Before it is sized, or sized empty, the grid has no tiles: nothing is marked or taken.
TEST(DirtyTiles, AGridNotSizedTakesNothing)
{
    CDirtyTiles tiles;
    tiles.Add(Rect{0, 0, 10, 10});
    EXPECT_TRUE(TakeAll(tiles).empty());
    tiles.Resize(0, 0);
    tiles.Add(Rect{0, 0, 10, 10});
    EXPECT_TRUE(TakeAll(tiles).empty());
}

// Thousands of ball-sized rectangles (some reaching out of the buffer) on buffers of one
// and of several 64-tile words a row: every pixel they cover is taken out exactly once, in
// tile-aligned rectangles. Taking everything leaves the grid empty for the next frame.
TEST(DirtyTiles, EveryPixelDrawnOverIsTakenOutOnceAndNothingElse)
{
    std::mt19937 generator(7);
    for (const auto& [width, height, count] : {std::tuple{333, 201, 40}, std::tuple{2100, 300, 3000}}) {
        CDirtyTiles tiles;
        tiles.Resize(width, height);
        for (int32_t frame = 0; frame < 2; ++frame) {
            std::vector<Rect> added;
            for (int32_t i = 0; i < count; ++i) {
                const auto left = static_cast<int32_t>(generator() % static_cast<uint32_t>(width + 100)) - 60;
                const auto top = static_cast<int32_t>(generator() % static_cast<uint32_t>(height + 100)) - 60;
                added.push_back(Rect{left, top, left + 40, top + 30});
                tiles.Add(added.back());
            }
            const std::vector<Rect> taken = TakeAll(tiles);
            const std::vector<int32_t> drawn = Coverage(width, height, added);
            const std::vector<int32_t> repaired = Coverage(width, height, taken);
            // Every pixel of a tile holding a pixel drawn over is taken out once; nothing else is.
            const auto row = static_cast<size_t>(width);
            const auto tileOf = [row](size_t i) { return i / row / TILE * 1000 + i % row / TILE; };
            std::set<size_t> drawnTiles;
            for (size_t i = 0; i < drawn.size(); ++i)
                if (drawn[i] > 0)
                    drawnTiles.insert(tileOf(i));
            size_t wrong = 0;
            for (size_t i = 0; i < drawn.size(); ++i)
                wrong += repaired[i] != (drawnTiles.count(tileOf(i)) > 0 ? 1 : 0);
            EXPECT_EQ(wrong, 0u) << width;
            // Tile-aligned, except where the buffer ends.
            for (const Rect& rect : taken)
                EXPECT_TRUE(rect.left % TILE == 0 && rect.top % TILE == 0 && (rect.right % TILE == 0 || rect.right == width) &&
                            (rect.bottom % TILE == 0 || rect.bottom == height));
            EXPECT_EQ(tiles.MarkedTiles(), 0);
        }
    }
}

// A rectangle added while some are still to be taken, before the place the taking has
// reached, is still taken out.
TEST(DirtyTiles, ARectangleAddedBehindTheTakingIsStillTaken)
{
    CDirtyTiles tiles;
    tiles.Resize(200, 200);
    tiles.Add(Rect{100, 100, 110, 110});
    tiles.Add(Rect{150, 150, 160, 160});
    Rect rect;
    ASSERT_TRUE(tiles.Take(rect));
    EXPECT_EQ(rect, (Rect{3 * TILE, 3 * TILE, 4 * TILE, 4 * TILE}));
    tiles.Add(Rect{0, 0, 1, 1});
    EXPECT_EQ(TakeAll(tiles), (std::vector<Rect>{{0, 0, TILE, TILE}, {4 * TILE, 4 * TILE, 5 * TILE, 5 * TILE}}));
}
