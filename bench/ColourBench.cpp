// ColourBench.cpp — palette selection and error diffusion on the program's picture sizes.
//
// The three pictures are the background at 1920 × 1080 and the ball and paddle strips
// as rescaled for that mode (120 × 2700, 480 × 4050), in two sets: the program's own
// pictures from res/, rescaled as the program rescales them (argument 0), and generated
// ones with sensor-like noise everywhere, a harder case for the lookup cache (argument 1).
// Copying the pictures and, for the dither alone, computing the palette are kept out of
// the timed region, and out of the page faults each benchmark reports ("faults").
//
//     build/release/bench/tolmix_bench --benchmark_filter='Quantize|Dither'
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "bench/PageFaults.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/Ditherer.h"
#include "imaging/KernelFilters.h"
#include "imaging/Quantizer.h"
#include "picturefiles/PictureFile.h"
#include "platform/bitmaps/Bitmap24.h"

namespace {

// ---------------------------------------------------------------------------------------
// Pictures: deterministic and picture-like (gradients, detail, noise, a key surround)
// ---------------------------------------------------------------------------------------

constexpr ColourRef SCREEN_KEY = 0x00FF0000;
const Pixel24 MAGENTA{255, 0, 255};
constexpr int32_t FRAMES = 30;

// A small fixed-seed generator, so every run sees the same pictures.
class XorShift {
public:
    // Noise in −amplitude..amplitude.
    int32_t Noise(int32_t amplitude)
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<int32_t>(m_state % static_cast<uint32_t>(2 * amplitude + 1)) - amplitude;
    }

private:
    uint32_t m_state = 2463534242u;
};

uint8_t Channel(double value)
{
    return static_cast<uint8_t>(std::clamp(value, 0.0, 255.0));
}

void Put(CBitmap24& picture, int32_t x, int32_t y, Pixel24 pixel)
{
    StorePixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x, pixel);
}

// A dusk sky over rolling hills with fine ripples and sensor-like noise.
CBitmap24 MakeBackground(int32_t width, int32_t height)
{
    CBitmap24 picture(width, height);
    XorShift random;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const double u = static_cast<double>(x) / width;
            const double v = static_cast<double>(y) / height;
            const double hill = 0.62 + 0.08 * std::sin(u * 9.0) + 0.03 * std::sin(u * 37.0 + 1.0);
            const double ripple = 6.0 * std::sin(x * 0.31) * std::cos(y * 0.23);
            const int32_t noise = random.Noise(6);
            Pixel24 pixel;
            if (v < hill) {
                pixel.red = Channel(250.0 - 170.0 * (1.0 - v / hill) + ripple + noise);
                pixel.green = Channel(120.0 + 60.0 * v + 30.0 * u + ripple + noise);
                pixel.blue = Channel(90.0 + 110.0 * (1.0 - v) + noise);
            } else {
                const double depth = (v - hill) / (1.0 - hill);
                pixel.red = Channel(40.0 + 50.0 * depth + 10.0 * std::sin(x * 0.07) + noise);
                pixel.green = Channel(90.0 - 40.0 * depth + ripple + noise);
                pixel.blue = Channel(50.0 + 30.0 * u + noise);
            }
            Put(picture, x, y, pixel);
        }
    return picture;
}

// Frames of a shaded disc with a highlight that moves round it, on magenta.
CBitmap24 MakeBallStrip(int32_t width, int32_t frameHeight)
{
    CBitmap24 picture(width, frameHeight * FRAMES);
    XorShift random;
    const double radius = 0.45 * std::min(width, frameHeight);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const int32_t frame = y / frameHeight;
        const double angle = 6.283185307 * frame / FRAMES;
        const double lightX = std::cos(angle) * 0.4 * radius;
        const double lightY = std::sin(angle) * 0.4 * radius - 0.3 * radius;
        for (int32_t x = 0; x < width; ++x) {
            const double dx = x - 0.5 * width;
            const double dy = (y % frameHeight) - 0.5 * frameHeight;
            if (dx * dx + dy * dy >= radius * radius) {
                Put(picture, x, y, MAGENTA);
                continue;
            }
            const double shade = 1.0 - std::hypot(dx - lightX, dy - lightY) / (2.0 * radius);
            const bool checker = (static_cast<int32_t>((dx + radius + frame) / 12.0) +
                                  static_cast<int32_t>((dy + radius) / 12.0)) % 2 == 0;
            const int32_t noise = random.Noise(3);
            Put(picture, x, y,
                Pixel24{Channel((checker ? 40.0 : 200.0) * shade + noise),
                        Channel((checker ? 30.0 : 200.0) * shade + noise),
                        Channel(230.0 * shade + 20.0 + noise)});
        }
    }
    return picture;
}

// Frames of a rounded metal bar with a light band sweeping along it, on magenta.
CBitmap24 MakePaddleStrip(int32_t width, int32_t frameHeight)
{
    CBitmap24 picture(width, frameHeight * FRAMES);
    XorShift random;
    const double halfHeight = 0.35 * frameHeight;
    const double halfLength = 0.45 * width - halfHeight;
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const int32_t frame = y / frameHeight;
        const double band = (static_cast<double>(frame) / FRAMES - 0.5) * 2.0 * halfLength;
        for (int32_t x = 0; x < width; ++x) {
            const double dx = x - 0.5 * width;
            const double dy = (y % frameHeight) - 0.5 * frameHeight;
            const double along = std::max(std::abs(dx) - halfLength, 0.0);
            if (along * along + dy * dy >= halfHeight * halfHeight) {
                Put(picture, x, y, MAGENTA);
                continue;
            }
            const double metal = 150.0 + 70.0 * std::cos(dy / halfHeight * 2.2);
            const double light = 80.0 * std::exp(-(dx - band) * (dx - band) / 900.0);
            const int32_t brush = random.Noise(5);
            Put(picture, x, y,
                Pixel24{Channel(metal + light + 15.0 + brush), Channel(metal + light + brush),
                        Channel(metal + light - 10.0 + brush)});
        }
    }
    return picture;
}

// One of the program's pictures from res/, rescaled to the given size as the program does.
CBitmap24 ProgramPicture(const char* name, SizeInPixels size, ColourRef key)
{
    const auto source = ReadPicture(std::string(TOLMIX_SOURCE_DIR) + "/res/" + name);
    CBitmapRescaler rescaler(source.get());
    rescaler.Rescale(size, MITCHELL_FILTER, key);
    return *rescaler.GetBitmap();
}

// The three pictures of one set.
struct Pictures {
    CBitmap24 background;
    CBitmap24 ball;
    CBitmap24 paddle;
};

// The set of the benchmark's argument (0 the program's, 1 generated), made once.
const Pictures& ThePictures(int64_t set)
{
    static const Pictures program{ProgramPicture("BACKGROUND1.bmp", {1920, 1080}, SCREEN_KEY),
                                  ProgramPicture("BALL1.bmp", {120, 2700}, KEY_FROM_FIRST_PIXEL),
                                  ProgramPicture("PADDLE1.bmp", {480, 4050}, KEY_FROM_FIRST_PIXEL)};
    static const Pictures generated{MakeBackground(1920, 1080), MakeBallStrip(120, 90), MakePaddleStrip(480, 135)};
    return set == 0 ? program : generated;
}

// A 256-entry palette over the three pictures, keyed on the screen's blue.
std::unique_ptr<CQuantizer> Quantize(const CBitmap24& background, const CBitmap24& ball, const CBitmap24& paddle)
{
    auto quantizer = std::make_unique<CQuantizer>(256);
    quantizer->AddBitmap(&background, 1);
    quantizer->AddBitmap(&ball, 1);
    quantizer->AddBitmap(&paddle, 1);
    quantizer->ReserveColour(SCREEN_KEY);
    quantizer->Compute();
    return quantizer;
}

void Dither(const CQuantizer& quantizer, CBitmap24& picture, ColourRef key)
{
    CDitherer ditherer;
    ditherer.SetQuantizer(&quantizer);
    ditherer.SetKeyColour(key);
    ditherer.Dither(&picture);
}

int64_t PixelCount(const CBitmap24& picture)
{
    return int64_t{picture.Width()} * picture.Height();
}

// ---------------------------------------------------------------------------------------
// Benchmarks
// ---------------------------------------------------------------------------------------

// What a palette mode costs at start-up: choose the palette, then reduce all three.
void BM_QuantizeAndDither(benchmark::State& state)
{
    const Pictures& pictures = ThePictures(state.range(0));
    CFaultCounter faults;
    for (auto _ : state) {
        state.PauseTiming();
        CBitmap24 background = pictures.background;
        CBitmap24 ball = pictures.ball;
        CBitmap24 paddle = pictures.paddle;
        faults.Start();
        state.ResumeTiming();

        const std::unique_ptr<CQuantizer> quantizer = Quantize(background, ball, paddle);
        Dither(*quantizer, background, SCREEN_KEY);
        Dither(*quantizer, ball, KEY_FROM_FIRST_PIXEL);
        Dither(*quantizer, paddle, KEY_FROM_FIRST_PIXEL);
        benchmark::DoNotOptimize(background.Bits());
        benchmark::DoNotOptimize(ball.Bits());
        benchmark::DoNotOptimize(paddle.Bits());
        faults.Stop();
    }
    faults.Report(state);
    state.SetItemsProcessed(state.iterations() *
                            (PixelCount(pictures.background) + PixelCount(pictures.ball) + PixelCount(pictures.paddle)));
}
BENCHMARK(BM_QuantizeAndDither)->Unit(benchmark::kMillisecond)->ArgName("generated")->Arg(0)->Arg(1);

// Choosing the palette alone: the histogram of all three pictures and the median cut.
void BM_Quantize(benchmark::State& state)
{
    const Pictures& pictures = ThePictures(state.range(0));
    CFaultCounter faults;
    for (auto _ : state) {
        faults.Start();
        const std::unique_ptr<CQuantizer> quantizer = Quantize(pictures.background, pictures.ball, pictures.paddle);
        benchmark::DoNotOptimize(quantizer->Entries().data());
        faults.Stop();
    }
    faults.Report(state);
    state.SetItemsProcessed(state.iterations() *
                            (PixelCount(pictures.background) + PixelCount(pictures.ball) + PixelCount(pictures.paddle)));
}
BENCHMARK(BM_Quantize)->Unit(benchmark::kMillisecond)->ArgName("generated")->Arg(0)->Arg(1);

// The background alone, with a fresh palette (its lookup cache empty) every time.
void BM_Dither1080p(benchmark::State& state)
{
    const Pictures& pictures = ThePictures(state.range(0));
    CFaultCounter faults;
    for (auto _ : state) {
        state.PauseTiming();
        CBitmap24 background = pictures.background;
        const std::unique_ptr<CQuantizer> quantizer = Quantize(pictures.background, pictures.ball, pictures.paddle);
        faults.Start();
        state.ResumeTiming();

        Dither(*quantizer, background, SCREEN_KEY);
        benchmark::DoNotOptimize(background.Bits());
        faults.Stop();
    }
    faults.Report(state);
    state.SetItemsProcessed(state.iterations() * PixelCount(pictures.background));
}
BENCHMARK(BM_Dither1080p)->Unit(benchmark::kMillisecond)->ArgName("generated")->Arg(0)->Arg(1);

} // namespace
