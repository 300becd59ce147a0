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
//
// The window has the mode's size, so the frame is drawn unscaled. Each case runs five
// times and reports the median (the machine is shared and noisy).
//
//     build/release/bench/tolmix_display_bench
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

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
    const std::shared_ptr<CDisplayPalette>& Palette() const { return m_palette; }
    std::shared_ptr<CSurface> Offscreen(int32_t width, int32_t height)
    {
        std::shared_ptr<CSurface> surface;
        Check(m_device->CreateOffscreenSurface(width, height, surface), *m_device, "CreateOffscreenSurface");
        if (m_palette)
            Check(surface->SetPalette(m_palette), *surface, "SetPalette");
        return surface;
    }

private:
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

void Modes(benchmark::internal::Benchmark* bench)
{
    bench->ArgNames({"w", "h", "bits"});
    bench->Args({640, 480, 8})->Args({800, 600, 16})->Args({1920, 1080, 32})->Args({1920, 1080, 8});
    bench->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(Present)->Apply(Modes);
BENCHMARK(Repair)->Apply(Modes);
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
