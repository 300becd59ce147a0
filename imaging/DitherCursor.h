// DitherCursor.h — the moving position of one error-diffusion pass over a picture's rows.
//
// The rows are in the shared layout (stride (3w + 1) & ~1; blue, green, red). The cursor
// walks them left to right, top to bottom. A pixel's error goes to its four not yet
// visited neighbours by the DitherWeights below (right 7, below 3, below-right 1,
// below-left 5, in sixteenths). The
// cursor spreads the three below; the right one is carried to the next pixel by the walk
// (CDitherer), which adds it as it reads that pixel. A share goes only to a pixel of the
// picture: past either end of a row or below the last row it is dropped, and the other
// shares keep their weights. So pad bytes are never touched and nothing outside the rows
// is needed.
//
// A key pixel is one whose own colour is the key, decided before it can receive any
// share: it is never changed and takes no share, and received error never turns
// another pixel into a key pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

// The shares of a pixel's error for its four neighbours not yet visited, in sixteenths
// (each share is error × weight >> SHIFT). Unlike the textbook arrangement, 5 goes
// below-left and 3 straight below.
struct DitherWeights {
    static constexpr int32_t RIGHT = 7;
    static constexpr int32_t BELOW = 3;
    static constexpr int32_t BELOW_RIGHT = 1;
    static constexpr int32_t BELOW_LEFT = 5;
    static constexpr int32_t SHIFT = 4;
};
static_assert(DitherWeights::RIGHT + DitherWeights::BELOW + DitherWeights::BELOW_RIGHT + DitherWeights::BELOW_LEFT ==
              1 << DitherWeights::SHIFT);

class CDitherCursor {
public:
    // A cursor at the first pixel of `rows`, which must hold the width × height picture
    // (else CFatalError). Pixels equal to `key` neither change nor take a share; without a
    // key every pixel does.
    CDitherCursor(std::span<uint8_t> rows, int32_t width, int32_t height, std::optional<Pixel24> key);
    virtual ~CDitherCursor() = default;

    CDitherCursor(const CDitherCursor&) = delete;
    CDitherCursor& operator=(const CDitherCursor&) = delete;

    // Whether the current pixel is a key pixel (by its colour before the pass).
    bool AtKey() const { return m_keyHere[m_x + 1] != 0; }
    Pixel24 Current() const { return LoadPixel(m_pCur); }
    void SetCurrent(Pixel24 pixel) { StorePixel(m_pCur, pixel); }

    // Moves to the next pixel of the row.
    void NextPixel()
    {
        m_pCur += 3;
        ++m_x;
    }

    // Moves to the first pixel of the next row.
    void NextRow();

    // Spreads limited errors (−32..32) over the neighbours below by their DitherWeights,
    // each added to a neighbour of the picture that is not a
    // key pixel and clamped to 0..255. The shift rounds towards minus infinity.
    void DiffuseBelow(int32_t errorRed, int32_t errorGreen, int32_t errorBlue)
    {
        // Everything read first: the byte stores below could alias any member as far as
        // the compiler knows, and would make it reload each one after every store.
        uint8_t* const pixel = m_pCur;
        const size_t stride = m_stride;
        const uint8_t* const limit = m_pRangeLimit;
        const uint8_t* const below = m_keyBelow.data() + m_x + 1;   // the rows' marks have a slot either side
        const bool toBelow = below[0] == 0, toBelowRight = below[1] == 0, toBelowLeft = below[-1] == 0;
        if (toBelow)
            Share(pixel + stride, limit, errorRed, errorGreen, errorBlue, DitherWeights::BELOW);
        if (toBelowRight)
            Share(pixel + stride + 3, limit, errorRed, errorGreen, errorBlue, DitherWeights::BELOW_RIGHT);
        if (toBelowLeft)
            Share(pixel + stride - 3, limit, errorRed, errorGreen, errorBlue, DitherWeights::BELOW_LEFT);
    }

    // Any value −256..511 clamped to 0..255, by table.
    uint8_t RangeLimit(int32_t value) const { return m_pRangeLimit[value]; }

private:
    // Adds weight sixteenths of each error to one pixel, each channel clamped by the table.
    static void Share(uint8_t* pixel, const uint8_t* limit, int32_t errorRed, int32_t errorGreen, int32_t errorBlue,
                      int32_t weight)
    {
        const Pixel24 value = LoadPixel(pixel);
        StorePixel(pixel, Pixel24{limit[value.blue + ((errorBlue * weight) >> DitherWeights::SHIFT)],
                                  limit[value.green + ((errorGreen * weight) >> DitherWeights::SHIFT)],
                                  limit[value.red + ((errorRed * weight) >> DitherWeights::SHIFT)]});
    }

    // Marks which pixels of row `row` take no share: the key pixels, and the slots
    // either side of the row and a whole row below the picture, which lie outside it.
    void MarkKeys(int32_t row, std::vector<uint8_t>& marks) const;

    int32_t m_width;
    int32_t m_height;
    uint32_t m_stride;
    uint8_t* m_pStart;
    uint8_t* m_pCur;
    int32_t m_row = 0;
    int32_t m_x = 0;
    std::optional<Pixel24> m_key;
    std::vector<uint8_t> m_keyHere;    // the current row's marks, slot 0 left of the row
    std::vector<uint8_t> m_keyBelow;   // the next row's marks
    std::unique_ptr<uint8_t[]> m_pRangeTable;
    const uint8_t* m_pRangeLimit;
};
