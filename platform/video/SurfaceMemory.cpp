// SurfaceMemory.cpp — cutting surfaces from shared huge-page blocks.
#include "platform/video/SurfaceMemory.h"

CSurfaceMemory::CPixels CSurfaceMemory::Allocate(size_t bytes)
{
    if (bytes < MIN_SHARED_BYTES || bytes > MAX_SHARED_BYTES) {
        auto own = std::make_shared<CPixelBuffer>(bytes, CPixelBuffer::ZEROED, "a surface");
        uint8_t* data = own->Data();
        return CPixels(std::move(own), data, bytes);
    }
    const size_t start = (m_used + ALIGNMENT - 1) & ~(ALIGNMENT - 1);
    if (!m_shared || start + bytes > SHARED_BLOCK_BYTES) {
        m_shared = std::make_shared<CPixelBuffer>(SHARED_BLOCK_BYTES, CPixelBuffer::ZEROED, "a block of small surfaces");
        m_used = 0;
        return Allocate(bytes);
    }
    m_used = start + bytes;
    return CPixels(m_shared, m_shared->Data() + start, bytes);   // never cut before: still zero
}
