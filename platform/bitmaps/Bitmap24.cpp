// Bitmap24.cpp — the in-memory 24-bit picture.
#include "platform/bitmaps/Bitmap24.h"

#include <algorithm>
#include <cstring>

#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/PixelTypes.h"

CBitmap24::CBitmap24(int32_t width, int32_t height)
    : m_width(width),
      m_height(height),
      m_stride(0),
      m_bits(CheckedImageBytes(width, height, "bitmap"), 0)
{
    m_stride = RowStride(width);
}

size_t CBitmap24::ReadBits(void* buffer, size_t byteCount) const
{
    const size_t count = std::min(byteCount, m_bits.size());
    if (count > 0)
        std::memcpy(buffer, m_bits.data(), count);
    return count;
}

size_t CBitmap24::WriteBits(const void* buffer, size_t byteCount)
{
    const size_t count = std::min(byteCount, m_bits.size());
    if (count > 0)
        std::memcpy(m_bits.data(), buffer, count);
    return count;
}
