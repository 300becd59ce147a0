// RescaleScratch.cpp — one growing buffer per purpose.
#include "imaging/RescaleScratch.h"

uint8_t* CRescaleScratch::Buffer(Slot slot, size_t bytes)
{
    return m_buffers[slot].Reserve(bytes);
}

void CRescaleScratch::Release()
{
    for (CPixelBuffer& buffer : m_buffers)
        buffer = CPixelBuffer();
}

size_t CRescaleScratch::Bytes() const
{
    size_t bytes = 0;
    for (const CPixelBuffer& buffer : m_buffers)
        bytes += buffer.Size();
    return bytes;
}
