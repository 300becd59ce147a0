// QuantizeFuzz.cpp — libFuzzer target: a palette chosen for a picture, and the picture
// reduced to it by error diffusion.
//
// Input: width − 1 (1..9 pixels wide), palette entries, flags (bit 0: reserve the key
// colour; bit 1: the key is the first pixel), the key as red, green, blue, then the
// pixels, 3 bytes each (blue, green, red), as many rows as they fill (at most 64).
// Checked on every input: key pixels unchanged, every other pixel a palette colour, pad
// bytes untouched.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "imaging/Ditherer.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/Bitmap24.h"

namespace {

constexpr size_t SETTINGS_BYTES = 6;
constexpr int32_t MAX_WIDTH = 9;
constexpr int32_t MAX_HEIGHT = 64;
constexpr int32_t MIN_COLOURS = 4;

bool IsPaletteColour(Pixel24 pixel, const CQuantizer& quantizer)
{
    const auto& entries = quantizer.Entries();
    return std::any_of(entries.begin(), entries.begin() + quantizer.ColourCount(), [&](const PaletteEntry& e) {
        return Pixel24{e.blue, e.green, e.red} == pixel;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < SETTINGS_BYTES + 3)
        return 0;
    const int32_t width = 1 + data[0] % MAX_WIDTH;
    const int32_t colours = MIN_COLOURS + data[1] % (256 - MIN_COLOURS + 1);
    const bool reserveKey = (data[2] & 1) != 0;
    const bool keyFromFirstPixel = (data[2] & 2) != 0;
    const ColourRef keyColour = MakeColour(data[3], data[4], data[5]);
    const size_t pixelBytes = size - SETTINGS_BYTES;
    const int32_t height = static_cast<int32_t>(std::min<size_t>(pixelBytes / (3 * static_cast<size_t>(width)), MAX_HEIGHT));
    if (height == 0)
        return 0;

    CBitmap24 picture(width, height);
    const uint8_t* pixels = data + SETTINGS_BYTES;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        std::copy_n(pixels, 3 * width, row);
        if (picture.Stride() > 3 * width)
            row[3 * width] = 0xA5;   // a pad byte the pass must leave alone
        pixels += 3 * width;
    }
    const CBitmap24 original = picture;
    const Pixel24 key = keyFromFirstPixel ? LoadPixel(original.Bits()) : PixelOf(keyColour);

    CQuantizer quantizer(colours);
    quantizer.AddBitmap(&original, 1);
    if (reserveKey)
        quantizer.ReserveColour(ColourOf(key));
    quantizer.Compute();
    CDitherer ditherer;
    ditherer.SetQuantizer(&quantizer);
    ditherer.SetKeyColour(keyFromFirstPixel ? KEY_FROM_FIRST_PIXEL : keyColour);
    ditherer.Dither(&picture);

    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* before = original.Bits() + static_cast<size_t>(y) * original.Stride();
        const uint8_t* after = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < width; ++x) {
            const Pixel24 was = LoadPixel(before + 3 * x);
            const Pixel24 is = LoadPixel(after + 3 * x);
            if (was == key)
                FuzzCheck(is == key, "a key pixel changed");
            else
                FuzzCheck(IsPaletteColour(is, quantizer), "a pixel is not a palette colour");
        }
        FuzzCheck(std::equal(before + 3 * width, before + original.Stride(), after + 3 * width), "a pad byte changed");
    }
    return 0;
}
