// DitherCursor.h — the moving position of one error-diffusion pass over a pixel buffer.
//
// The buffer holds a picture's rows in the shared layout (stride (3w + 1) & ~1, blue,
// green, red), followed by a spare row and 3 more bytes that catch the shares falling
// below the last row. The cursor keeps the current pixel and its four not yet visited
// neighbours as running pointers at fixed offsets (+3, + stride − 3, + stride,
// + stride + 3), with no special case at the edges: at a row's end the neighbours
// wrap into the next rows, pad byte included, exactly as the offsets fall.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/PixelTypes.h"

class CDitherCursor {
public:
    // A cursor at the first pixel of `buffer`, which must hold stride × (height + 1) + 3
    // bytes (else CFatalError). Pixels equal to `key` neither change nor take a share.
    CDitherCursor(std::span<uint8_t> buffer, int32_t width, int32_t height, Pixel24 key);
    virtual ~CDitherCursor() = default;

    CDitherCursor(const CDitherCursor&) = delete;
    CDitherCursor& operator=(const CDitherCursor&) = delete;

    // Whether the current pixel, with the shares it has received, is the key colour.
    bool AtKey() const { return IsKey(m_pCur); }
    Pixel24 Current() const { return LoadPixel(m_pCur); }
    void SetCurrent(Pixel24 pixel) { StorePixel(m_pCur, pixel); }

    // Moves to the next pixel of the row.
    void NextPixel()
    {
        m_pCur += 3;
        m_pRight += 3;
        m_pBelowLeft += 3;
        m_pBelow += 3;
        m_pBelowRight += 3;
    }

    // Moves to the first pixel of the next row.
    void NextRow();

    // Spreads limited errors (−32..32) over the neighbours in sixteenths: right 7,
    // below 3, below-right 1, below-left 5. A neighbour of the key colour is skipped and
    // its share dropped. The shift rounds towards minus infinity.
    void Diffuse(int32_t errorRed, int32_t errorGreen, int32_t errorBlue)
    {
        // Copied first: the byte stores below could alias any member as far as the
        // compiler knows, and would make it reload each one after every store.
        uint8_t* const right = m_pRight;
        uint8_t* const below = m_pBelow;
        uint8_t* const belowRight = m_pBelowRight;
        uint8_t* const belowLeft = m_pBelowLeft;
        const Pixel24 key = m_key;
        const uint8_t* const limit = m_pRangeLimit;
        Share(right, key, limit, errorRed, errorGreen, errorBlue, 7);
        Share(below, key, limit, errorRed, errorGreen, errorBlue, 3);
        Share(belowRight, key, limit, errorRed, errorGreen, errorBlue, 1);
        Share(belowLeft, key, limit, errorRed, errorGreen, errorBlue, 5);
    }

    // Any value −256..511 clamped to 0..255, by table.
    uint8_t RangeLimit(int32_t value) const { return m_pRangeLimit[value]; }

private:
    bool IsKey(const uint8_t* pixel) const { return LoadPixel(pixel) == m_key; }

    // Adds weight/16 of each error to one neighbour unless it is the key colour. The
    // pixel is read and written whole, as the current pixel is: the next pixel's read
    // can then be served from this write, where byte-wise writes would make it wait.
    static void Share(uint8_t* pixel, Pixel24 key, const uint8_t* limit, int32_t errorRed,
                      int32_t errorGreen, int32_t errorBlue, int32_t weight)
    {
        const Pixel24 value = LoadPixel(pixel);
        if (value == key)
            return;
        StorePixel(pixel, Pixel24{limit[value.blue + ((errorBlue * weight) >> 4)],
                                  limit[value.green + ((errorGreen * weight) >> 4)],
                                  limit[value.red + ((errorRed * weight) >> 4)]});
    }

    // Points the four neighbour pointers at their offsets from m_pCur.
    void AimNeighbours();

    uint32_t m_stride;
    uint8_t* m_pStart;
    uint8_t* m_pCur;
    uint8_t* m_pRight = nullptr;
    uint8_t* m_pBelowLeft = nullptr;
    uint8_t* m_pBelow = nullptr;
    uint8_t* m_pBelowRight = nullptr;
    std::unique_ptr<uint8_t[]> m_pRangeTable;
    Pixel24 m_key;
    const uint8_t* m_pRangeLimit;
    int32_t m_row = 0;
};
