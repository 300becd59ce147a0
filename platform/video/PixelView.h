// PixelView.h — a window onto a block of pixel rows, and the raw value of one pixel.
//
// The blitter, the drawing context and the presenter all work on plain memory: a pointer
// to the first row, the bytes from one row to the next, the size and the bytes per pixel.
// A pixel's raw value is its bytes read as a little-endian integer (8, 16, 24 or 32 bits),
// the value colour keys compare.
#pragma once

#include <cstddef>
#include <cstdint>

struct PixelView {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;           // bytes from one row to the next
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;   // 1, 2, 3 or 4

    // The first byte of pixel (x, y).
    uint8_t* At(int32_t x, int32_t y) const
    {
        return bits + static_cast<ptrdiff_t>(y) * pitch + static_cast<ptrdiff_t>(x) * bytesPerPixel;
    }
};

// The raw value of the pixel that starts at p: its bytesPerPixel bytes, little-endian.
inline uint32_t ReadRaw(const uint8_t* p, int32_t bytesPerPixel)
{
    uint32_t raw = 0;
    for (int32_t i = 0; i < bytesPerPixel; ++i)
        raw |= uint32_t{p[i]} << (8 * i);
    return raw;
}

// Stores the low bytesPerPixel bytes of a raw value at p.
inline void WriteRaw(uint8_t* p, int32_t bytesPerPixel, uint32_t raw)
{
    for (int32_t i = 0; i < bytesPerPixel; ++i)
        p[i] = static_cast<uint8_t>(raw >> (8 * i));
}

// The bits of a raw value a pixel of the given depth holds.
constexpr uint32_t RawMask(int32_t bitsPerPixel)
{
    return bitsPerPixel >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << bitsPerPixel) - 1;
}
