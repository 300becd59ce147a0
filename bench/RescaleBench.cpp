// RescaleBench.cpp — our exact Mitchell rescale against stb_image_resize's Mitchell filter
// on the program's picture sizes: ours on the process's threads and on one thread, with
// one scratch for all iterations as start-up shares one between its pictures. Every
// benchmark reports its page faults per iteration ("faults").
//
//     build/release/bench/tolmix_bench --benchmark_filter=Rescale
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include <stb_image_resize.h>

#include "bench/PageFaults.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/KernelFilters.h"
#include "imaging/RescaleScratch.h"
#include "imaging/WorkerPool.h"
#include "platform/bitmaps/Bitmap24.h"

namespace {

// ---------------------------------------------------------------------------------------
// Pictures: deterministic and picture-like (gradients, detail, a key-coloured surround)
// ---------------------------------------------------------------------------------------

// A 640 × 480 landscape-like picture: smooth gradients with fine ripples.
CBitmap24 MakeBackground()
{
    CBitmap24 picture(640, 480);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const double ripple = 12.0 * std::sin(x * 0.21) * std::cos(y * 0.17);
            row[3 * x + 0] = static_cast<uint8_t>(std::clamp(60.0 + y * 0.3 + ripple, 0.0, 255.0));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(40.0 + x * 0.25 + ripple, 0.0, 255.0));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(200.0 - y * 0.3 + ripple, 0.0, 255.0));
        }
    }
    return picture;
}

// A 40 × 1200 strip of 30 frames: a shaded disc on magenta in each.
CBitmap24 MakeBallStrip()
{
    CBitmap24 picture(40, 1200);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const double dx = x - 19.5, dy = (y % 40) - 19.5;
            const double r2 = dx * dx + dy * dy;
            const bool inside = r2 < 17.0 * 17.0;
            const double shade = inside ? 1.0 - r2 / (17.0 * 17.0) : 0.0;
            row[3 * x + 0] = inside ? static_cast<uint8_t>(40 + 150 * shade) : 255;
            row[3 * x + 1] = inside ? static_cast<uint8_t>(30 + 200 * shade) : 0;
            row[3 * x + 2] = inside ? static_cast<uint8_t>(90 + 160 * shade) : 255;
        }
    }
    return picture;
}

// Output pixels per second, and page faults per iteration since `faultsBefore`.
void SetCounters(benchmark::State& state, SizeInPixels target, int64_t faultsBefore)
{
    state.counters["Mpixel/s"] = benchmark::Counter(double(target.width) * target.height,
                                                    benchmark::Counter::kIsIterationInvariantRate, benchmark::Counter::kIs1000);
    state.counters["faults"] = FaultsPerIteration(PageFaults() - faultsBefore);
}

// ---------------------------------------------------------------------------------------
// Ours
// ---------------------------------------------------------------------------------------

// On the process's pool, or on a pool of one thread.
void RescaleOurs(benchmark::State& state, const CBitmap24& source, SizeInPixels target, bool oneThread)
{
    CWorkerPool single(1);
    CWorkerPool* pool = oneThread ? &single : nullptr;
    CRescaleScratch scratch;
    const int64_t faultsBefore = PageFaults();
    for (auto _ : state) {
        CBitmapRescaler rescaler(&source, &scratch, pool);
        rescaler.Rescale(target, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
        benchmark::DoNotOptimize(rescaler.GetBitmap());
    }
    SetCounters(state, target, faultsBefore);
}

void BM_Rescale_640x480_to_1920x1080(benchmark::State& state)
{
    static const CBitmap24 source = MakeBackground();
    RescaleOurs(state, source, {1920, 1080}, false);
}
void BM_Rescale1T_640x480_to_1920x1080(benchmark::State& state)
{
    static const CBitmap24 source = MakeBackground();
    RescaleOurs(state, source, {1920, 1080}, true);
}
void BM_Rescale_640x480_to_3840x2160(benchmark::State& state)
{
    static const CBitmap24 source = MakeBackground();
    RescaleOurs(state, source, {3840, 2160}, false);
}
void BM_Rescale1T_640x480_to_3840x2160(benchmark::State& state)
{
    static const CBitmap24 source = MakeBackground();
    RescaleOurs(state, source, {3840, 2160}, true);
}
void BM_Rescale_Ball_40x1200_to_120x3600(benchmark::State& state)
{
    static const CBitmap24 source = MakeBallStrip();
    RescaleOurs(state, source, {120, 3600}, false);
}
void BM_Rescale1T_Ball_40x1200_to_120x3600(benchmark::State& state)
{
    static const CBitmap24 source = MakeBallStrip();
    RescaleOurs(state, source, {120, 3600}, true);
}

// ---------------------------------------------------------------------------------------
// The peer: stb_image_resize, Mitchell, linear colour space, edges clamped
// ---------------------------------------------------------------------------------------

void RescaleStb(benchmark::State& state, const CBitmap24& source, SizeInPixels target)
{
    std::vector<uint8_t> out(static_cast<size_t>(target.width) * 3 * target.height);
    const int64_t faultsBefore = PageFaults();
    for (auto _ : state) {
        const int ok = stbir_resize_uint8_generic(source.Bits(), source.Width(), source.Height(), source.Stride(),
                                                  out.data(), target.width, target.height, target.width * 3, 3,
                                                  STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_CLAMP, STBIR_FILTER_MITCHELL,
                                                  STBIR_COLORSPACE_LINEAR, nullptr);
        if (!ok)
            state.SkipWithError("stbir_resize_uint8_generic failed");
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state, target, faultsBefore);
}

void BM_StbResize_640x480_to_1920x1080(benchmark::State& state)
{
    static const CBitmap24 source = MakeBackground();
    RescaleStb(state, source, {1920, 1080});
}
void BM_StbResize_640x480_to_3840x2160(benchmark::State& state)
{
    static const CBitmap24 source = MakeBackground();
    RescaleStb(state, source, {3840, 2160});
}
void BM_StbResize_Ball_40x1200_to_120x3600(benchmark::State& state)
{
    static const CBitmap24 source = MakeBallStrip();
    RescaleStb(state, source, {120, 3600});
}

} // namespace

BENCHMARK(BM_Rescale_640x480_to_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rescale1T_640x480_to_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbResize_640x480_to_1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rescale_640x480_to_3840x2160)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rescale1T_640x480_to_3840x2160)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbResize_640x480_to_3840x2160)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rescale_Ball_40x1200_to_120x3600)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Rescale1T_Ball_40x1200_to_120x3600)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StbResize_Ball_40x1200_to_120x3600)->Unit(benchmark::kMillisecond)->UseRealTime();
