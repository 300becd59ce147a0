// ColourHistogram.h — a weighted count of the colours of several pictures.
//
// Colour space is cut into 64 × 64 × 32 cells (6 bits of red, 6 of green, 5 of blue);
// each cell holds the sum of the weights of the pixels that fall into it. The cell
// array is also the storage of the palette's per-cell answer cache, which derives
// from this class.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

class CBitmap24;

class CColourHistogram {
public:
    static constexpr uint32_t RED_CELLS = 64;
    static constexpr uint32_t GREEN_CELLS = 64;
    static constexpr uint32_t BLUE_CELLS = 32;
    static constexpr uint32_t CELL_COUNT = RED_CELLS * GREEN_CELLS * BLUE_CELLS;   // 131072

    // Counts `count` pictures, each pixel adding its picture's weight to its cell.
    // With a count of 0 every cell is 0. Throws CFatalError for a missing picture, a
    // negative weight, or a picture whose pixels cannot be read.
    CColourHistogram(const CBitmap24* const* bitmaps, const int32_t* weights, int32_t count);
    virtual ~CColourHistogram() = default;

    // Adds one more picture, each pixel adding `weight` (≥ 0) to its cell. Throws CFatalError
    // as the constructor does.
    void Add(const CBitmap24& bitmap, int32_t weight);
    // Adds the counts of another histogram, cell by cell.
    void Add(const CColourHistogram& other);

    // The cell number of a colour (channels 0..255): (r × 64 + g) × 32 + b of its cell
    // coordinates. Written as three independent terms, so the three shifts can run side
    // by side, and on whole registers (byte operands cost extra steps): the dither pass
    // waits on this for every pixel.
    static uint32_t CellIndex(uint32_t red, uint32_t green, uint32_t blue)
    {
        return ((red >> 2) << 11) | ((green >> 2) << 5) | (blue >> 3);
    }

    // The count of the cell at cell coordinates r (0..63), g (0..63), b (0..31).
    uint32_t CellAt(uint32_t r, uint32_t g, uint32_t b) const
    {
        return m_cells[(r * GREEN_CELLS + g) * BLUE_CELLS + b];
    }

protected:
    // Counts are unsigned 32-bit and wrap modulo 2^32 should weights × pixels ever
    // exceed that; wrapping is defined, and no caller comes near it.
    std::vector<uint32_t> m_cells;

private:
    // Adds every pixel of one picture, pad bytes at row ends excluded.
    void CountPicture(const CBitmap24& bitmap, int32_t weight);
    // Adds the pixels of rows begin .. end − 1 to `cells`, `increment` each.
    static void CountRows(const CBitmap24& bitmap, int32_t begin, int32_t end, uint32_t increment, uint32_t* cells);
};
