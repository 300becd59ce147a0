// PixelTypes.h — the pixel, colour and palette-entry types every picture layer shares.
//
// Pictures are blocks of rows of 24-bit pixels (blue, green, red in memory), each row
// padded to an even byte count. Colours passed between layers are 0x00BBGGRR values.
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------------------

// One 24-bit pixel in memory order.
struct Pixel24 {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;

    friend bool operator==(const Pixel24&, const Pixel24&) = default;
};
static_assert(sizeof(Pixel24) == 3, "Pixel24 must be three packed bytes");

// Bytes per row of a 24-bit picture: 3 × width rounded up to an even number.
constexpr int32_t RowStride(int32_t width)
{
    return (3 * width + 1) & ~1;
}

// The same in 64 bits, for callers that have not yet checked that the width is sane.
constexpr int64_t RowStride64(int64_t width)
{
    return (3 * width + 1) & ~int64_t{1};
}

// Reads the pixel that starts at p.
inline Pixel24 LoadPixel(const uint8_t* p)
{
    return Pixel24{p[0], p[1], p[2]};
}

// Writes a pixel at p.
inline void StorePixel(uint8_t* p, Pixel24 pixel)
{
    p[0] = pixel.blue;
    p[1] = pixel.green;
    p[2] = pixel.red;
}

// ---------------------------------------------------------------------------------------
// Colour values: 0x00BBGGRR
// ---------------------------------------------------------------------------------------

using ColourRef = uint32_t;

// Stands for "the colour of the picture's first pixel" wherever a key colour is passed.
constexpr ColourRef KEY_FROM_FIRST_PIXEL = 0xFFFFFFFFu;

constexpr ColourRef MakeColour(uint8_t red, uint8_t green, uint8_t blue)
{
    return ColourRef{red} | (ColourRef{green} << 8) | (ColourRef{blue} << 16);
}

constexpr uint8_t RedOf(ColourRef colour) { return colour & 0xFF; }
constexpr uint8_t GreenOf(ColourRef colour) { return (colour >> 8) & 0xFF; }
constexpr uint8_t BlueOf(ColourRef colour) { return (colour >> 16) & 0xFF; }

constexpr Pixel24 PixelOf(ColourRef colour)
{
    return Pixel24{BlueOf(colour), GreenOf(colour), RedOf(colour)};
}

constexpr ColourRef ColourOf(Pixel24 pixel)
{
    return MakeColour(pixel.red, pixel.green, pixel.blue);
}

// ---------------------------------------------------------------------------------------
// Palette entries
// ---------------------------------------------------------------------------------------

// One palette entry, in the byte order red, green, blue, flags.
struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
static_assert(sizeof(PaletteEntry) == 4, "PaletteEntry must be four packed bytes");
