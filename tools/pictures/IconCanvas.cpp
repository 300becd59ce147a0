// IconCanvas.cpp — RGBA pixel storage and its PNG file, through stb_image_write.
#include "IconCanvas.h"

#include "Canvas.h"

#include "platform/bitmaps/FatalError.h"

#include <stb_image_write.h>

namespace {

constexpr int32_t CHANNELS = 4;

}  // namespace

CIconCanvas::CIconCanvas(int32_t size) : m_size(size)
{
    if (size < MIN_SIZE || size > MAX_SIZE)
        throw CFatalError("icon size " + std::to_string(size) + " is not between " + std::to_string(MIN_SIZE) +
                          " and " + std::to_string(MAX_SIZE));
    m_rgba.assign(static_cast<size_t>(size) * static_cast<size_t>(size) * CHANNELS, 0);
}

void CIconCanvas::SetColour(int32_t x, int32_t y, RgbColour colour, double cover)
{
    if (x < 0 || y < 0 || x >= m_size || y >= m_size)
        throw CFatalError("pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is outside the icon");
    const Rgb8 pixel = CCanvas::ToPixel(colour);
    const size_t offset = (static_cast<size_t>(y) * static_cast<size_t>(m_size) + static_cast<size_t>(x)) * CHANNELS;
    m_rgba[offset] = pixel.red;
    m_rgba[offset + 1] = pixel.green;
    m_rgba[offset + 2] = pixel.blue;
    m_rgba[offset + 3] = CCanvas::ToByte(cover);
}

void CIconCanvas::WritePng(const std::string& path) const
{
    if (stbi_write_png(path.c_str(), m_size, m_size, CHANNELS, m_rgba.data(), m_size * CHANNELS) == 0)
        throw CFatalError("cannot write " + path);
}
