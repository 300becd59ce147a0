// DirtyTiles.cpp — marking tiles and taking them out as rectangles.
#include "display/DirtyTiles.h"

#include <algorithm>
#include <bit>

namespace {

// The bits from `first` to `last` − 1 of a word (0 ≤ first < last ≤ 64).
uint64_t BitRange(int32_t first, int32_t last)
{
    const uint64_t upTo = last == 64 ? ~uint64_t{0} : (uint64_t{1} << last) - 1;
    return upTo & ~((uint64_t{1} << first) - 1);
}

} // namespace

void CDirtyTiles::Resize(int32_t width, int32_t height)
{
    m_bounds = Rect{0, 0, std::max(width, 0), std::max(height, 0)};
    m_columns = (m_bounds.right + TILE_SIZE - 1) / TILE_SIZE;
    m_rows = (m_bounds.bottom + TILE_SIZE - 1) / TILE_SIZE;
    m_words = (m_columns + WORD_BITS - 1) / WORD_BITS;
    m_bits.assign(static_cast<size_t>(m_words) * static_cast<size_t>(m_rows), 0);
    m_bAnyMarked = false;
    m_cursor = 0;
}

bool CDirtyTiles::IsMarked(int32_t column, int32_t row) const
{
    return (RowWords(row)[column / WORD_BITS] >> (column % WORD_BITS) & 1) != 0;
}

void CDirtyTiles::MarkRun(int32_t row, int32_t first, int32_t last, bool marked)
{
    uint64_t* words = RowWords(row);
    for (int32_t word = first / WORD_BITS; word * WORD_BITS < last; ++word) {
        const int32_t base = word * WORD_BITS;
        const uint64_t bits = BitRange(std::max(first, base) - base, std::min(last, base + WORD_BITS) - base);
        words[word] = marked ? words[word] | bits : words[word] & ~bits;
    }
}

void CDirtyTiles::Add(const Rect& rect)
{
    Rect inside;
    if (!IntersectRects(inside, rect, m_bounds))
        return;
    const int32_t first = inside.left / TILE_SIZE, last = (inside.right - 1) / TILE_SIZE + 1;
    const int32_t top = inside.top / TILE_SIZE, bottom = (inside.bottom - 1) / TILE_SIZE + 1;
    for (int32_t row = top; row < bottom; ++row)
        MarkRun(row, first, last, true);
    m_bAnyMarked = true;
    m_cursor = std::min(m_cursor, static_cast<size_t>(top) * static_cast<size_t>(m_words) +
                                      static_cast<size_t>(first / WORD_BITS));
}

bool CDirtyTiles::IsRunMarked(int32_t row, int32_t first, int32_t last) const
{
    for (int32_t column = first; column < last; ++column)
        if (!IsMarked(column, row))
            return false;
    return true;
}

int32_t CDirtyTiles::MarkedTiles() const
{
    int32_t count = 0;
    for (const uint64_t word : m_bits)
        count += std::popcount(word);
    return count;
}

// Tiles are taken in row order from the cursor, so a frame's scan passes each word once.
bool CDirtyTiles::Take(Rect& out)
{
    while (m_bAnyMarked && m_cursor < m_bits.size() && m_bits[m_cursor] == 0)
        ++m_cursor;
    if (!m_bAnyMarked || m_cursor == m_bits.size()) {
        m_bAnyMarked = false;
        m_cursor = 0;
        return false;
    }
    const auto top = static_cast<int32_t>(m_cursor / static_cast<size_t>(m_words));
    const int32_t first = static_cast<int32_t>(m_cursor % static_cast<size_t>(m_words)) * WORD_BITS +
                          std::countr_zero(m_bits[m_cursor]);
    int32_t last = first + 1;
    while (last < m_columns && IsMarked(last, top))
        ++last;
    int32_t bottom = top + 1;
    while (bottom < m_rows && IsRunMarked(bottom, first, last))
        ++bottom;
    for (int32_t row = top; row < bottom; ++row)
        MarkRun(row, first, last, false);
    out = Rect{first * TILE_SIZE, top * TILE_SIZE, std::min(last * TILE_SIZE, m_bounds.right),
               std::min(bottom * TILE_SIZE, m_bounds.bottom)};
    return true;
}
