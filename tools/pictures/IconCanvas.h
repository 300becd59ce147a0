// IconCanvas.h — a square picture with an alpha channel, for the program's icon, and its
// writing as an RGBA PNG file.
#pragma once

#include "RgbColour.h"

#include <cstdint>
#include <string>
#include <vector>

class CIconCanvas {
public:
    // The sizes an icon may have: from the smallest a desktop shows to the largest an icon
    // theme holds.
    static constexpr int32_t MIN_SIZE = 16;
    static constexpr int32_t MAX_SIZE = 512;

    // A size × size canvas, fully transparent. Throws CFatalError for a size outside
    // [MIN_SIZE, MAX_SIZE].
    explicit CIconCanvas(int32_t size);

    int32_t Size() const { return m_size; }

    // Stores a colour (each channel clamped to [0, 1] and rounded to a byte) with the share
    // of the pixel it covers, `cover` in [0, 1], as its opacity.
    void SetColour(int32_t x, int32_t y, RgbColour colour, double cover);

    // Writes an 8-bit RGBA PNG file. Throws CFatalError if it cannot.
    void WritePng(const std::string& path) const;

private:
    int32_t m_size;
    std::vector<uint8_t> m_rgba;
};
