// DitherCursor.cpp — setting up and advancing an error-diffusion cursor.
#include "imaging/DitherCursor.h"

#include <string>

#include "platform/bitmaps/FatalError.h"

namespace {

constexpr size_t RANGE_TABLE_BYTES = 768;   // values −256..511
constexpr size_t RANGE_TABLE_ZERO = 256;     // the entry for value 0

// The buffer a pass needs: the rows, a spare row, and the 3 bytes a share below-right
// of the last pixel can reach beyond it.
size_t PassBytes(int32_t width, int32_t height)
{
    return static_cast<size_t>(RowStride64(width) * (int64_t{height} + 1) + 3);
}

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

// The row walk moves pixels in 4-byte words and keeps two pixels in a register at once;
// narrower rows have overlapping neighbours, whose shares must come in order.
bool RowsByVector(size_t bufferBytes, int32_t width, int32_t height)
{
    constexpr int32_t MIN_VECTOR_WIDTH = 3;
    return width >= MIN_VECTOR_WIDTH && bufferBytes >= PassBytes(width, height) + CDitherCursor::ROW_SLACK_BYTES &&
           __builtin_cpu_supports("sse4.1");
}

} // namespace

CDitherCursor::CDitherCursor(std::span<uint8_t> buffer, int32_t width, int32_t height, Pixel24 key)
    : m_width(width),
      m_rowsByVector(RowsByVector(buffer.size(), width, height)),
      m_stride(static_cast<uint32_t>(RowStride(width))),
      m_pStart(buffer.data()),
      m_pCur(buffer.data()),
      m_pRangeTable(std::make_unique<uint8_t[]>(RANGE_TABLE_BYTES)),
      m_key(key),
      m_pRangeLimit(m_pRangeTable.get() + RANGE_TABLE_ZERO)
{
    if (width < 1 || height < 1 || buffer.size() < PassBytes(width, height))
        throw CFatalError("dither cursor: a " + std::to_string(width) + "x" + std::to_string(height) +
                          " pass needs a buffer of its rows, a spare row and 3 bytes");
    for (size_t i = 0; i < RANGE_TABLE_BYTES; ++i)
        m_pRangeTable[i] = RangeTableByte(i);
    AimNeighbours();
}

void CDitherCursor::NextRow()
{
    ++m_row;
    m_pCur = m_pStart + static_cast<size_t>(m_stride) * static_cast<size_t>(m_row);
    AimNeighbours();
}

void CDitherCursor::AimNeighbours()
{
    m_pRight = m_pCur + 3;
    m_pBelowLeft = m_pCur + m_stride - 3;
    m_pBelow = m_pCur + m_stride;
    m_pBelowRight = m_pCur + m_stride + 3;
}
