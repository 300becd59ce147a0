// DitherCursor.cpp — setting up and advancing an error-diffusion cursor.
#include "imaging/DitherCursor.h"

#include <algorithm>
#include <string>

#include "platform/bitmaps/FatalError.h"

namespace {

constexpr size_t RANGE_TABLE_BYTES = 768;   // values −256..511
constexpr size_t RANGE_TABLE_ZERO = 256;     // the entry for value 0
constexpr uint8_t TAKES_NO_SHARE = 1;

// Byte i of the range-limit table: 0 below the range, the value itself within it, 255
// above.
uint8_t RangeTableByte(size_t i)
{
    if (i < RANGE_TABLE_ZERO)
        return 0;
    if (i < RANGE_TABLE_ZERO + 256)
        return static_cast<uint8_t>(i - RANGE_TABLE_ZERO);
    return 255;
}

} // namespace

CDitherCursor::CDitherCursor(std::span<uint8_t> rows, int32_t width, int32_t height, std::optional<Pixel24> key)
    : m_width(width),
      m_height(height),
      m_stride(static_cast<uint32_t>(RowStride(std::max(width, 0)))),
      m_pStart(rows.data()),
      m_pCur(rows.data()),
      m_key(key),
      m_pRangeTable(std::make_unique<uint8_t[]>(RANGE_TABLE_BYTES)),
      m_pRangeLimit(m_pRangeTable.get() + RANGE_TABLE_ZERO)
{
    if (width < 1 || height < 1 || rows.size() < static_cast<size_t>(RowStride64(width) * height))
        throw CFatalError("dither cursor: a " + std::to_string(width) + "x" + std::to_string(height) +
                          " pass needs a buffer of all its rows");
    for (size_t i = 0; i < RANGE_TABLE_BYTES; ++i)
        m_pRangeTable[i] = RangeTableByte(i);
    MarkKeys(0, m_keyHere);
    MarkKeys(1, m_keyBelow);
}

// The next row's marks were made before any share reached it; the row after it has
// received none yet.
void CDitherCursor::NextRow()
{
    ++m_row;
    m_x = 0;
    m_pCur = m_pStart + static_cast<size_t>(m_stride) * static_cast<size_t>(m_row);
    m_keyHere.swap(m_keyBelow);
    MarkKeys(m_row + 1, m_keyBelow);
}

void CDitherCursor::MarkKeys(int32_t row, std::vector<uint8_t>& marks) const
{
    marks.assign(static_cast<size_t>(m_width) + 2, TAKES_NO_SHARE);
    if (row >= m_height)
        return;
    const uint8_t* pixel = m_pStart + static_cast<size_t>(m_stride) * static_cast<size_t>(row);
    for (int32_t x = 0; x < m_width; ++x, pixel += 3)
        marks[static_cast<size_t>(x) + 1] = m_key && LoadPixel(pixel) == *m_key ? TAKES_NO_SHARE : 0;
}
