// Canvas.h — a 24-bit picture being made, and its writing to BMP and PNG files.
//
// Pixels are stored as red, green, blue bytes, row 0 at the top, with no row padding:
// the layout stb_image_write takes. Painters hand in RgbColour values, which are
// rounded to bytes here, once.
#pragma once

#include "RgbColour.h"

#include <cstdint>
#include <string>
#include <vector>

// One stored pixel.
struct Rgb8 {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

class CCanvas {
public:
    // A width × height canvas filled with `fill`. Throws CFatalError for a size that is
    // not positive or is beyond any picture this tool makes.
    CCanvas(int32_t width, int32_t height, Rgb8 fill);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // Reads or writes one pixel; a position outside the canvas throws CFatalError.
    Rgb8 At(int32_t x, int32_t y) const;
    void Set(int32_t x, int32_t y, Rgb8 pixel);

    // Stores a computed colour, each channel clamped to [0, 1] and rounded to a byte.
    void SetColour(int32_t x, int32_t y, RgbColour colour);

    // Copies all of `source` with its top-left corner at (left, top); it must fit.
    void Paste(const CCanvas& source, int32_t left, int32_t top);

    // Replaces every pixel of colour `from` by `to`.
    void ReplaceColour(Rgb8 from, Rgb8 to);

    // Writes an uncompressed 24-bit BMP file. Throws CFatalError if it cannot.
    void WriteBmp(const std::string& path) const;

    // Writes a PNG file. Throws CFatalError if it cannot.
    void WritePng(const std::string& path) const;

    // Rounds one channel value to a byte the way SetColour does.
    static uint8_t ToByte(double channel);

    // Rounds a colour to the pixel SetColour would store.
    static Rgb8 ToPixel(RgbColour colour);

private:
    // Byte offset of a pixel, after checking that it lies on the canvas.
    size_t Offset(int32_t x, int32_t y) const;

    int32_t m_width;
    int32_t m_height;
    std::vector<uint8_t> m_rgb;
};
