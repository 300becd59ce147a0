// Canvas.cpp — pixel storage, pasting and file output through stb_image_write.
#include "Canvas.h"

#include "platform/bitmaps/FatalError.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int32_t CHANNELS = 3;
// Far above anything the tool makes (the contact sheet is about 1100 × 900); a bound
// keeps a slip in a layout constant from turning into a huge allocation.
constexpr int32_t MAX_CANVAS_SIDE = 8192;

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction and pixel access
// ---------------------------------------------------------------------------------------

CCanvas::CCanvas(int32_t width, int32_t height, Rgb8 fill) : m_width(width), m_height(height)
{
    if (width <= 0 || height <= 0 || width > MAX_CANVAS_SIDE || height > MAX_CANVAS_SIDE)
        throw CFatalError("canvas size " + std::to_string(width) + "x" + std::to_string(height) +
                          " is out of range");
    m_rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * CHANNELS);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            Set(x, y, fill);
}

size_t CCanvas::Offset(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        throw CFatalError("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                          ") is outside the canvas");
    return (static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)) * CHANNELS;
}

Rgb8 CCanvas::At(int32_t x, int32_t y) const
{
    const size_t offset = Offset(x, y);
    return Rgb8{m_rgb[offset], m_rgb[offset + 1], m_rgb[offset + 2]};
}

void CCanvas::Set(int32_t x, int32_t y, Rgb8 pixel)
{
    const size_t offset = Offset(x, y);
    m_rgb[offset] = pixel.red;
    m_rgb[offset + 1] = pixel.green;
    m_rgb[offset + 2] = pixel.blue;
}

uint8_t CCanvas::ToByte(double channel)
{
    return static_cast<uint8_t>(std::floor(std::clamp(channel, 0.0, 1.0) * 255.0 + 0.5));
}

Rgb8 CCanvas::ToPixel(RgbColour colour)
{
    return Rgb8{ToByte(colour.red), ToByte(colour.green), ToByte(colour.blue)};
}

void CCanvas::SetColour(int32_t x, int32_t y, RgbColour colour)
{
    Set(x, y, ToPixel(colour));
}

// ---------------------------------------------------------------------------------------
// Composition
// ---------------------------------------------------------------------------------------

void CCanvas::Paste(const CCanvas& source, int32_t left, int32_t top)
{
    if (left < 0 || top < 0 || left + source.m_width > m_width || top + source.m_height > m_height)
        throw CFatalError("pasted picture does not fit the canvas");
    for (int32_t y = 0; y < source.m_height; ++y)
        for (int32_t x = 0; x < source.m_width; ++x)
            Set(left + x, top + y, source.At(x, y));
}

void CCanvas::ReplaceColour(Rgb8 from, Rgb8 to)
{
    for (int32_t y = 0; y < m_height; ++y)
        for (int32_t x = 0; x < m_width; ++x)
            if (At(x, y) == from)
                Set(x, y, to);
}

// ---------------------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------------------

void CCanvas::WriteBmp(const std::string& path) const
{
    // With three channels stb writes an uncompressed 24-bit BMP, bottom row first.
    if (stbi_write_bmp(path.c_str(), m_width, m_height, CHANNELS, m_rgb.data()) == 0)
        throw CFatalError("cannot write " + path);
}

void CCanvas::WritePng(const std::string& path) const
{
    if (stbi_write_png(path.c_str(), m_width, m_height, CHANNELS, m_rgb.data(), m_width * CHANNELS) == 0)
        throw CFatalError("cannot write " + path);
}
