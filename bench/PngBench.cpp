// PngBench.cpp — writing a 1920 × 1080 PNG: stb_image_write against libspng at the zlib
// levels PNG_COMPRESSION_LEVEL was chosen from, with our Paeth filter on every row and
// with libspng's own choice of filter per row; each run reports the file's size too.
//
//     build/release/bench/tolmix_bench --benchmark_filter=Png
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <spng.h>
#include <stb_image_write.h>

#include "bench/PageFaults.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/KernelFilters.h"
#include "picturefiles/PictureFile.h"
#include "picturefiles/PngFile.h"

namespace {

// The program's background at 1920 × 1080, as `tolmix-image resize` makes it.
const CBitmap24& FullHdBackground()
{
    static const std::unique_ptr<CBitmap24> picture = [] {
        const std::unique_ptr<CBitmap24> source = ReadPicture(std::string(TOLMIX_SOURCE_DIR) + "/res/BACKGROUND1.bmp");
        CBitmapRescaler rescaler(source.get());
        rescaler.Rescale({1920, 1080}, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
        return std::make_unique<CBitmap24>(*rescaler.GetBitmap());
    }();
    return *picture;
}

// The same picture as packed RGB rows, the form stb_image_write takes.
std::vector<uint8_t> PackedRgb(const CBitmap24& picture)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(picture.Width()) * picture.Height() * 3);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < picture.Width(); ++x)
            rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    return rgb;
}

// Times `encode` (which writes the background and returns the file's length) and reports
// that length and the page faults per iteration.
template <typename Encode>
void TimeEncoder(benchmark::State& state, Encode encode)
{
    size_t bytes = 0;
    const int64_t faultsBefore = PageFaults();
    for (auto _ : state)
        bytes = encode();
    state.counters["faults"] = FaultsPerIteration(PageFaults() - faultsBefore);
    state.counters["file_bytes"] = static_cast<double>(bytes);
}

// stb_image_write at its default level (8), as PNGs were written before libspng; the row
// conversion is timed too, as libspng's encoder does its own.
void BM_PngStbImageWrite(benchmark::State& state)
{
    const CBitmap24& picture = FullHdBackground();
    TimeEncoder(state, [&] {
        const std::vector<uint8_t> rgb = PackedRgb(picture);
        std::vector<uint8_t> file;
        stbi_write_png_to_func(
            [](void* context, void* data, int size) {
                auto* out = static_cast<std::vector<uint8_t>*>(context);
                out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
            },
            &file, picture.Width(), picture.Height(), 3, rgb.data(), picture.Width() * 3);
        benchmark::DoNotOptimize(file.data());
        return file.size();
    });
}
BENCHMARK(BM_PngStbImageWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// Ours: libspng, Paeth rows, zlib level state.range(0).
void BM_PngLibspng(benchmark::State& state)
{
    const CBitmap24& picture = FullHdBackground();
    TimeEncoder(state, [&] {
        const std::vector<uint8_t> file = EncodeRgbPng(picture, std::nullopt, static_cast<int32_t>(state.range(0)));
        benchmark::DoNotOptimize(file.data());
        return file.size();
    });
}
BENCHMARK(BM_PngLibspng)->DenseRange(1, 6)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);

// libspng choosing each row's filter itself (all five tried), zlib level state.range(0).
void BM_PngLibspngAdaptiveFilters(benchmark::State& state)
{
    const CBitmap24& picture = FullHdBackground();
    TimeEncoder(state, [&] {
        const std::vector<uint8_t> rgb = PackedRgb(picture);
        spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
        spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
        spng_set_option(context, SPNG_IMG_COMPRESSION_LEVEL, static_cast<int>(state.range(0)));
        spng_set_option(context, SPNG_FILTER_CHOICE, SPNG_FILTER_CHOICE_ALL);
        spng_ihdr header{static_cast<uint32_t>(picture.Width()), static_cast<uint32_t>(picture.Height()), 8,
                         SPNG_COLOR_TYPE_TRUECOLOR, 0, 0, 0};
        spng_set_ihdr(context, &header);
        if (spng_encode_image(context, rgb.data(), rgb.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE) != 0)
            state.SkipWithError("libspng failed");
        size_t bytes = 0;
        int error = 0;
        void* file = spng_get_png_buffer(context, &bytes, &error);
        std::free(file);
        spng_ctx_free(context);
        return bytes;
    });
}
BENCHMARK(BM_PngLibspngAdaptiveFilters)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
