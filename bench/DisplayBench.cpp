// DisplayBench.cpp — frames per second of the display layer, headless (SDL's offscreen
// driver, software renderer) and without waiting for the vertical refresh.
//
//  Present:  an unchanged full-screen back buffer, marked changed whole (Lock, Unlock),
//            uploaded and flipped, again and again.
//  Repair:   each frame repairs the two rectangles the sprites covered in the last one
//            from a full-screen picture, blits a 40 × 40 and a 160 × 60 colour-keyed
//            sprite at their new places and flips: only those rectangles are uploaded.
//  Convert:  StretchBlt of the background picture to 1920 × 1080 into an 8-bit surface,
//            as the program converts its background at start-up.
//  Sprites:  N colour-keyed 120 × 90 sprites (the ball at 1920 × 1080) blitted onto the
//            1920 × 1080 back buffer and drawn (by a Lock), with one band (the blits one
//            after another) or cache-sized bands, on the caller alone or shared by two
//            threads taking bands in turn: the cost of the keyed blits alone, per sprite
//            pixel, without repair, upload or flip.
//
// The window has the mode's size, so the frame is drawn unscaled. Each case runs five
// times and reports the median (the machine is shared and noisy).
//
//     build/release/bench/tolmix_display_bench
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <memory>
#include <random>
#include <thread>

#include "bench/PageFaults.h"
#include "picturefiles/PictureResources.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/DisplayDevice.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/DisplayWindow.h"
#include "platform/video/DrawingContext.h"
#include "platform/video/PixelView.h"
#include "platform/video/SdlSession.h"
#include "platform/video/Surface.h"

namespace {

// ---------------------------------------------------------------------------------------
// The scene: a mode with its primary surface, a full-screen picture and two sprites
// ---------------------------------------------------------------------------------------

constexpr uint32_t SPRITE_KEY = 0x3C;   // a raw value every depth can hold

void Check(DisplayResult result, const CDisplayObject& object, const char* what)
{
    if (result != DISPLAY_OK)
        throw CFatalError(std::string(what) + ": " + object.LastError());
}

// Fills a surface with raw values value(x, y).
template <typename Value>
void Paint(CSurface& surface, Value value)
{
    LockedPixels locked;
    Check(surface.Lock(locked), surface, "Lock");
    const int32_t bytes = locked.bitsPerPixel / 8;
    for (int32_t y = 0; y < locked.height; ++y)
        for (int32_t x = 0; x < locked.width; ++x)
            WriteRaw(locked.bits + y * locked.pitch + x * bytes, bytes, value(x, y) & RawMask(locked.bitsPerPixel));
    Check(surface.Unlock(), surface, "Unlock");
}

// A sprite moving across the screen, bouncing at the edges.
struct Mover {
    std::shared_ptr<CSurface> surface;
    int32_t x = 0, y = 0, dx = 0, dy = 0;
    Rect drawn{};

    void Step(int32_t width, int32_t height)
    {
        if (x + dx < 0 || x + dx + surface->Width() > width)
            dx = -dx;
        if (y + dy < 0 || y + dy + surface->Height() > height)
            dy = -dy;
        x += dx;
        y += dy;
    }
};

class CScene {
public:
    CScene(int32_t width, int32_t height, int32_t bitsPerPixel)
    {
        WindowOptions options;
        options.coverDesktop = false;
        options.width = width;
        options.height = height;
        options.waitForRefresh = false;
        m_window = std::make_unique<CDisplayWindow>(options);
        m_device = std::make_unique<CDisplayDevice>(*m_window, CooperativeLevel::Exclusive, PresentOptions{true});
        Check(m_device->SetDisplayMode({width, height, bitsPerPixel, 0}), *m_device, "SetDisplayMode");
        Check(m_device->CreatePrimarySurface(m_primary), *m_device, "CreatePrimarySurface");
        m_back = m_primary->GetBackBuffer();
        if (bitsPerPixel == 8) {
            std::array<PaletteEntry, 256> entries;
            for (size_t i = 0; i < entries.size(); ++i)
                entries[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0};
            Check(m_device->CreatePalette(entries, m_palette), *m_device, "CreatePalette");
            Check(m_primary->SetPalette(m_palette), *m_primary, "SetPalette");
        }
        m_picture = Offscreen(width, height);
        Paint(*m_picture, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 0x010305 + y * 0x070103); });
        m_ball = {Offscreen(40, 40), width / 3, height / 4, 3, 2};
        m_paddle = {Offscreen(160, 60), width / 2, height - 80, 4, 0};
        PaintSprite(*m_ball.surface);
        PaintSprite(*m_paddle.surface);
        Check(m_back->Blit(nullptr, m_picture.get(), nullptr, 0), *m_back, "Blit");
        Check(m_primary->Flip(), *m_primary, "Flip");
    }

    // The whole back buffer changed: uploaded whole, flipped.
    void PresentWhole()
    {
        LockedPixels locked;
        Check(m_back->Lock(locked), *m_back, "Lock");
        Check(m_back->Unlock(), *m_back, "Unlock");
        Check(m_primary->Flip(), *m_primary, "Flip");
    }

    // Repairs where the sprites were, draws them where they are now, flips.
    void RepairAndDraw()
    {
        for (Mover* sprite : {&m_ball, &m_paddle}) {
            if (!sprite->drawn.IsEmpty())
                Check(m_back->Blit(&sprite->drawn, m_picture.get(), &sprite->drawn, 0), *m_back, "Blit");
            sprite->Step(m_back->Width(), m_back->Height());
            sprite->drawn = {sprite->x, sprite->y, sprite->x + sprite->surface->Width(),
                             sprite->y + sprite->surface->Height()};
            Check(m_back->Blit(&sprite->drawn, sprite->surface.get(), nullptr, BLIT_SOURCE_KEY), *m_back, "Blit");
        }
        Check(m_primary->Flip(), *m_primary, "Flip");
    }

    CDisplayDevice& Device() { return *m_device; }
    CSurface& BackBuffer() { return *m_back; }
    const std::shared_ptr<CDisplayPalette>& Palette() const { return m_palette; }
    std::shared_ptr<CSurface> Offscreen(int32_t width, int32_t height)
    {
        std::shared_ptr<CSurface> surface;
        Check(m_device->CreateOffscreenSurface(width, height, surface), *m_device, "CreateOffscreenSurface");
        if (m_palette)
            Check(surface->SetPalette(m_palette), *surface, "SetPalette");
        return surface;
    }

    // A disc on the key colour.
    static void PaintSprite(CSurface& sprite)
    {
        const int32_t cx = sprite.Width() / 2, cy = sprite.Height() / 2;
        const int32_t radius = std::min(cx, cy);
        Paint(sprite, [&](int32_t x, int32_t y) {
            const bool inside = (x - cx) * (x - cx) + (y - cy) * (y - cy) < radius * radius;
            return inside ? static_cast<uint32_t>(0x00A05020 + x + y) : SPRITE_KEY;
        });
        Check(sprite.SetColourKey(SPRITE_KEY, SPRITE_KEY), sprite, "SetColourKey");
    }

private:
    std::unique_ptr<CDisplayWindow> m_window;
    std::unique_ptr<CDisplayDevice> m_device;
    std::shared_ptr<CSurface> m_primary;
    std::shared_ptr<CSurface> m_back;
    std::shared_ptr<CDisplayPalette> m_palette;
    std::shared_ptr<CSurface> m_picture;
    Mover m_ball;
    Mover m_paddle;
};

// ---------------------------------------------------------------------------------------
// Cases
// ---------------------------------------------------------------------------------------

// Frames per second, the pixels each frame uploaded and its page faults.
void ReportFrames(benchmark::State& state, const CDisplayDevice& device, uint64_t uploadedBefore, int64_t faultsBefore)
{
    state.counters["faults"] = FaultsPerIteration(PageFaults() - faultsBefore);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["uploaded px/frame"] =
        static_cast<double>(device.UploadedPixelCount() - uploadedBefore) / static_cast<double>(state.iterations());
}

void Present(benchmark::State& state)
{
    CScene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                 static_cast<int32_t>(state.range(2)));
    const uint64_t before = scene.Device().UploadedPixelCount();
    const int64_t faultsBefore = PageFaults();
    for (auto _ : state)
        scene.PresentWhole();
    ReportFrames(state, scene.Device(), before, faultsBefore);
}

void Repair(benchmark::State& state)
{
    CScene scene(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)),
                 static_cast<int32_t>(state.range(2)));
    const uint64_t before = scene.Device().UploadedPixelCount();
    const int64_t faultsBefore = PageFaults();
    for (auto _ : state)
        scene.RepairAndDraw();
    ReportFrames(state, scene.Device(), before, faultsBefore);
}

// The program's background (640 × 480, not reduced to the palette, so tens of thousands
// of colours) stretched to 1920 × 1080 into an 8-bit surface through a 256-entry palette.
void ConvertTo8Bits(benchmark::State& state)
{
    CScene scene(1920, 1080, 8);
    auto surface = scene.Offscreen(1920, 1080);
    const std::unique_ptr<CBitmap24> picture = LoadPicture("Background1");
    if (!picture)
        throw CFatalError("the background picture is missing");
    const Rect whole{0, 0, picture->Width(), picture->Height()};
    std::unique_ptr<CDrawingContext> context;
    Check(surface->GetDrawingContext(context), *surface, "GetDrawingContext");
    CFaultCounter faults;
    for (auto _ : state) {
        // A new palette each time: nothing remembered from the last conversion.
        state.PauseTiming();
        std::shared_ptr<CDisplayPalette> palette;
        Check(scene.Device().CreatePalette(scene.Palette()->Entries(), palette), scene.Device(), "CreatePalette");
        Check(surface->SetPalette(palette), *surface, "SetPalette");
        faults.Start();
        state.ResumeTiming();
        benchmark::DoNotOptimize(context->StretchBlt({0, 0, 1920, 1080}, *picture, whole));
        faults.Stop();
    }
    faults.Report(state);
    state.counters["pictures/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Two threads, the caller and one more, take the bands in turn from a shared counter.
void ShareBandsOverTwoThreads(int32_t count, int64_t, const CBlitBatch::BandDraw& draw)
{
    std::atomic<int32_t> next{0};
    const auto takeBands = [&] {
        for (int32_t band = next++; band < count; band = next++)
            draw(band, band + 1);
    };
    std::thread other(takeBands);
    takeBands();
    other.join();
}

void Sprites(benchmark::State& state)
{
    const auto count = static_cast<int32_t>(state.range(0));
    CScene scene(1920, 1080, static_cast<int32_t>(state.range(1)));
    Check(scene.Device().SetBlitBands(static_cast<int32_t>(state.range(2))), scene.Device(), "SetBlitBands");
    if (state.range(3) == 2)
        scene.Device().SetBandRunner(ShareBandsOverTwoThreads);
    std::shared_ptr<CSurface> ball = scene.Offscreen(120, 90);
    CScene::PaintSprite(*ball);
    std::mt19937 random(5);
    std::vector<Rect> places;
    for (int32_t i = 0; i < count; ++i) {
        const auto x = static_cast<int32_t>(random() % (1920 - 120)), y = static_cast<int32_t>(random() % (1080 - 90));
        places.push_back(Rect{x, y, x + 120, y + 90});
    }
    CSurface& back = scene.BackBuffer();
    for (auto _ : state) {
        for (const Rect& place : places)
            Check(back.Blit(&place, ball.get(), nullptr, BLIT_SOURCE_KEY), back, "Blit");
        LockedPixels locked;
        Check(back.Lock(locked), back, "Lock");
        Check(back.Unlock(), back, "Unlock");
    }
    const double pixels = static_cast<double>(state.iterations()) * count * 120 * 90;
    state.counters["ns/sprite px"] =
        benchmark::Counter(pixels * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void Modes(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"w", "h", "bits"});
    bench->Args({640, 480, 8})->Args({800, 600, 16})->Args({1920, 1080, 32})->Args({1920, 1080, 8});
    bench->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(Present)->Apply(Modes);
BENCHMARK(Repair)->Apply(Modes);
BENCHMARK(Sprites)
    ->ArgNames({"n", "bits", "bands", "threads"})
    ->ArgsProduct({{100, 1000, 10000}, {32, 8}, {1, 0}, {1, 2}})
    ->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ConvertTo8Bits)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

// SDL runs, headless, around the whole run.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const CSdlSession session(true);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
