// ImageTranspose.h — swaps the rows and columns of a 24-bit image.
//
// The horizontal pass of the rescaler runs on the transposed source, a band of rows at a
// time, so that both passes combine whole rows (imaging/RowCombiner.h) and read memory in
// order. While it copies, the transpose also marks the pixels that equal the key colour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bitmaps/PixelTypes.h"

// The pixels of one image in memory: `height` rows of `width` pixels, `stride` bytes apart.
struct PixelRows {
    uint8_t* bits;
    int32_t width;
    int32_t height;
    size_t stride;
};

// One byte per pixel, `stride` bytes a row: 1 where the pixel is the key colour, else 0.
struct KeyMask {
    uint8_t* bits;
    size_t stride;
};

// Writes source pixel (x, y) to destination pixel (y, x); the destination must be
// source.height wide and source.width high. The mask receives the destination's key
// pixels. Returns true when any pixel equals key.
bool TransposePixels(const PixelRows& source, const PixelRows& destination, const KeyMask& mask, Pixel24 key);
