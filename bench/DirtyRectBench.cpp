// DirtyRectBench.cpp — the repair lists' cost per object with many balls, and how much
// they have the background repaint.
//
// One frame of N balls at 1920 × 1080: N ball rectangles (120 × 90 pixels, the ball's size
// in that mode) at fixed pseudo-random places, each added, then every rectangle taken out
// again, as the sprites and the background's repair do. N is 100, 1,000 and 10,000; the
// time per object (items_per_second's inverse) should stay flat as N grows.
//
//  RectList:       the bounded list of 50 entries every run without --balls uses.
//  Tiles:          the grid of 32-pixel tiles a --balls run repairs through.
//  ChangedRegion:  the presenter's list of changed rectangles (at most 16), added to as
//                  the back buffer's blits and repairs add to it, then read and cleared.
//
// The counter repaint_screens is the area the rectangles taken out cover, in whole screens
// (overlaps counted as often as they are repainted): the repair's pixel work.
//
//     build/release/bench/tolmix_dirty_bench
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "display/DirtyRectList.h"
#include "display/DirtyTiles.h"
#include "platform/video/ChangedRegion.h"

namespace {

constexpr int32_t SCREEN_WIDTH = 1920;
constexpr int32_t SCREEN_HEIGHT = 1080;
constexpr int32_t BALL_WIDTH = 120;
constexpr int32_t BALL_HEIGHT = 90;

// N ball rectangles inside the screen, the same for every run.
std::vector<Rect> BallRects(int64_t count)
{
    std::mt19937 generator(1);
    std::vector<Rect> rects;
    for (int64_t i = 0; i < count; ++i) {
        const auto left = static_cast<int32_t>(generator() % (SCREEN_WIDTH - BALL_WIDTH + 1));
        const auto top = static_cast<int32_t>(generator() % (SCREEN_HEIGHT - BALL_HEIGHT + 1));
        rects.push_back(Rect{left, top, left + BALL_WIDTH, top + BALL_HEIGHT});
    }
    return rects;
}

int64_t AreaOf(const Rect& rect)
{
    return int64_t{rect.Width()} * rect.Height();
}

// Reports the objects per second and the area repainted per frame.
void Report(benchmark::State& state, int64_t area)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["repaint_screens"] = static_cast<double>(area) / (double{SCREEN_WIDTH} * SCREEN_HEIGHT);
}

void RectList(benchmark::State& state)
{
    const std::vector<Rect> rects = BallRects(state.range(0));
    CDirtyRectList list;
    int64_t area = 0;
    for (auto _ : state) {
        for (const Rect& rect : rects)
            list.Add(rect);
        area = 0;
        Rect taken;
        while (list.Count() > 0)
            area += AreaOf(list.Next(taken));
        benchmark::DoNotOptimize(area);
    }
    Report(state, area);
}

void Tiles(benchmark::State& state)
{
    const std::vector<Rect> rects = BallRects(state.range(0));
    CDirtyTiles tiles;
    tiles.Resize(SCREEN_WIDTH, SCREEN_HEIGHT);
    int64_t area = 0;
    for (auto _ : state) {
        for (const Rect& rect : rects)
            tiles.Add(rect);
        area = 0;
        Rect taken;
        while (tiles.Take(taken))
            area += AreaOf(taken);
        benchmark::DoNotOptimize(area);
    }
    Report(state, area);
}

// Each ball adds its new place and the repair of its old one: two rectangles an object.
void ChangedRegion(benchmark::State& state)
{
    const std::vector<Rect> rects = BallRects(state.range(0));
    CChangedRegion region(SCREEN_WIDTH, SCREEN_HEIGHT);
    int64_t area = 0;
    for (auto _ : state) {
        for (const Rect& rect : rects) {
            region.Add(rect);
            region.Add(Rect{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1});
        }
        area = region.Area();
        benchmark::DoNotOptimize(region.Rects().data());
        region.Clear();
    }
    Report(state, area);
}

BENCHMARK(RectList)->Arg(100)->Arg(1000)->Arg(10000)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(Tiles)->Arg(100)->Arg(1000)->Arg(10000)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(ChangedRegion)->Arg(100)->Arg(1000)->Arg(10000)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
