// DirtyTiles.h — the back-buffer places that sprites drew over in one frame, as a grid of
// tiles: the repair list of a run whose table was lifted for many balls.
//
// CDirtyRectList merges by scanning its 50 entries and, once full, grows its first entry
// towards the whole screen; with thousands of sprites a frame its entries overlap and the
// same pixels are repainted many times over. Here a rectangle marks the tiles it touches
// (a bit each, a row's tiles in 64-bit words: a few word operations for a ball, whatever
// the number of balls), and the
// repair takes the marked tiles out as rectangles, each tile once, so no pixel is
// repainted twice and every pixel drawn over is repainted.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bitmaps/Rect.h"

class CDirtyTiles {
public:
    // The tiles' side in pixels: small enough that a ball's rounding to whole tiles
    // repaints little more than it covered, large enough that a frame has few tiles to scan.
    static constexpr int32_t TILE_SIZE = 32;

    // Sizes the grid for a width × height back buffer, nothing marked (the one allocation).
    void Resize(int32_t width, int32_t height);

    // Marks the tiles the rectangle touches, clipped to the back buffer (an empty one, or
    // one wholly outside, marks nothing).
    void Add(const Rect& rect);

    // The next rectangle of marked tiles (clipped to the back buffer) in `out`, its tiles
    // unmarked; false when none is left. Each rectangle is a run of marked tiles in one row,
    // stretched over the rows below that have that run marked too.
    bool Take(Rect& out);

    // The number of tiles marked and not yet taken (a count over the whole grid).
    int32_t MarkedTiles() const;

private:
    static constexpr int32_t WORD_BITS = 64;

    bool IsMarked(int32_t column, int32_t row) const;
    // True when tiles first to last − 1 of the row are all marked.
    bool IsRunMarked(int32_t row, int32_t first, int32_t last) const;
    // Sets (or clears) the bits of columns first to last − 1 in the row.
    void MarkRun(int32_t row, int32_t first, int32_t last, bool marked);
    uint64_t* RowWords(int32_t row) { return &m_bits[static_cast<size_t>(row) * static_cast<size_t>(m_words)]; }
    const uint64_t* RowWords(int32_t row) const
    {
        return &m_bits[static_cast<size_t>(row) * static_cast<size_t>(m_words)];
    }

    Rect m_bounds;
    int32_t m_columns = 0;
    int32_t m_rows = 0;
    int32_t m_words = 0;            // words a row
    std::vector<uint64_t> m_bits;   // row by row, bit c of a row's words for column c
    bool m_bAnyMarked = false;      // false: certainly nothing marked
    size_t m_cursor = 0;            // no marked tile lies in a word before this one
};
