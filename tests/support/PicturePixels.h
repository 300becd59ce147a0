// PicturePixels.h — making, reading and writing 24-bit pictures pixel by pixel, for the
// tests of the picture code.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"

// A pixel from its red, green and blue (Pixel24 lists them the other way round).
constexpr Pixel24 Rgb(uint8_t red, uint8_t green, uint8_t blue)
{
    return Pixel24{blue, green, red};
}

inline Pixel24 PixelAt(const CBitmap24& picture, int32_t x, int32_t y)
{
    return LoadPixel(picture.Bits() + static_cast<ptrdiff_t>(y) * picture.Stride() + 3 * x);
}

inline void SetPixel(CBitmap24& picture, int32_t x, int32_t y, Pixel24 colour)
{
    StorePixel(picture.Bits() + static_cast<ptrdiff_t>(y) * picture.Stride() + 3 * x, colour);
}

// A width × height picture whose pixel (x, y) is colour(x, y); pad bytes 0.
inline CBitmap24 PictureOf(int32_t width, int32_t height, const std::function<Pixel24(int32_t, int32_t)>& colour)
{
    CBitmap24 picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            SetPixel(picture, x, y, colour(x, y));
    return picture;
}

inline CBitmap24 UniformPicture(int32_t width, int32_t height, Pixel24 colour)
{
    return PictureOf(width, height, [colour](int32_t, int32_t) { return colour; });
}

// Every byte of the rows, pad bytes included.
inline std::vector<uint8_t> BitsOf(const CBitmap24& picture)
{
    return std::vector<uint8_t>(picture.Bits(), picture.Bits() + picture.ByteCount());
}

// The pixels as packed RGB rows (red first, no pad bytes), as PNG and stb take them.
inline std::vector<uint8_t> PackedRgbOf(const CBitmap24& picture)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()) * 3);
    for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const Pixel24 p = PixelAt(picture, x, y);
            rgb.insert(rgb.end(), {p.red, p.green, p.blue});
        }
    return rgb;
}

// How two pictures of one size differ outside a rectangle: how many pixels, and the
// first of them, row by row.
struct PictureDifference {
    int64_t pixels = 0;
    int32_t firstX = -1;
    int32_t firstY = -1;
};

inline PictureDifference ComparePictures(const CBitmap24& a, const CBitmap24& b, const Rect& excluded = Rect{})
{
    PictureDifference difference;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x) {
            const bool inside = x >= excluded.left && x < excluded.right && y >= excluded.top && y < excluded.bottom;
            if (!inside && PixelAt(a, x, y) != PixelAt(b, x, y) && difference.pixels++ == 0) {
                difference.firstX = x;
                difference.firstY = y;
            }
        }
    return difference;
}
