// OwnPictureFiles.h — small picture files for the tests of the user's own pictures
// (--pictures): RGBA PNGs pixel by pixel, and 24-bit PNGs and BMPs of one colour per frame.
#pragma once

#include <stb_image_write.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "picturefiles/PictureFile.h"
#include "tests/support/PicturePixels.h"

// Red, green, blue and alpha of one pixel.
using Rgba = std::array<uint8_t, 4>;

// Writes a width × height RGBA PNG whose pixel (x, y) is colour(x, y).
inline void WriteRgbaPng(const std::filesystem::path& path, int32_t width, int32_t height,
                         const std::function<Rgba(int32_t, int32_t)>& colour)
{
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Rgba pixel = colour(x, y);
            std::copy(pixel.begin(), pixel.end(), rgba.begin() + (static_cast<ptrdiff_t>(y) * width + x) * 4);
        }
    stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4);
}

// Writes a 24-bit PNG or BMP (by the name's ending) of `frames` frames of width × frameHeight
// stacked top to bottom, frame i all of colour(i).
inline void WriteFrames(const std::filesystem::path& path, int32_t width, int32_t frameHeight, int32_t frames,
                        const std::function<Pixel24(int32_t)>& colour)
{
    WritePicture(path, PictureOf(width, frameHeight * frames, [&](int32_t, int32_t y) { return colour(y / frameHeight); }));
}
