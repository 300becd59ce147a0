// Bitmap24.cpp — the in-memory 24-bit picture.
#include "platform/bitmaps/Bitmap24.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/PixelTypes.h"

CBitmap24::CBitmap24(int32_t width, int32_t height, Contents contents)
    : m_width(width),
      m_height(height),
      m_stride(0),
      m_byteCount(CheckedImageBytes(width, height, "bitmap")),
      m_bits(m_byteCount, contents == ZEROED ? CPixelBuffer::ZEROED : CPixelBuffer::UNDEFINED, "a picture")
{
    m_stride = RowStride(width);
    if (contents != ZEROED)
        ClearPadBytes();
}

CBitmap24::CBitmap24(int32_t width, int32_t height, CPixelBuffer rows)
    : m_width(width),
      m_height(height),
      m_stride(0),
      m_byteCount(CheckedImageBytes(width, height, "bitmap")),
      m_bits(std::move(rows))
{
    if (m_bits.Size() < m_byteCount || (m_byteCount > 0 && m_bits.Data() == nullptr))
        throw CFatalError("bitmap: " + std::to_string(m_bits.Size()) + " bytes of rows for a " +
                          std::to_string(width) + "x" + std::to_string(height) + " picture");
    m_stride = RowStride(width);
    ClearPadBytes();
}

CBitmap24::CBitmap24(const CBitmap24& other)
    : m_width(other.m_width),
      m_height(other.m_height),
      m_stride(other.m_stride),
      m_byteCount(other.m_byteCount),
      m_bits(other.m_byteCount)
{
    if (m_byteCount > 0)
        std::memcpy(m_bits.Data(), other.m_bits.Data(), m_byteCount);
}

CBitmap24& CBitmap24::operator=(const CBitmap24& other)
{
    if (this != &other)
        *this = CBitmap24(other);
    return *this;
}

void CBitmap24::ClearPadBytes()
{
    const size_t pixelBytes = 3 * static_cast<size_t>(m_width);
    if (pixelBytes == static_cast<size_t>(m_stride))
        return;
    for (int32_t y = 0; y < m_height; ++y)
        m_bits.Data()[static_cast<size_t>(y) * m_stride + pixelBytes] = 0;
}

size_t CBitmap24::ReadBits(void* buffer, size_t byteCount) const
{
    const size_t count = std::min(byteCount, m_byteCount);
    if (count > 0)
        std::memcpy(buffer, m_bits.Data(), count);
    return count;
}

size_t CBitmap24::WriteBits(const void* buffer, size_t byteCount)
{
    const size_t count = std::min(byteCount, m_byteCount);
    if (count > 0)
        std::memcpy(m_bits.Data(), buffer, count);
    return count;
}
