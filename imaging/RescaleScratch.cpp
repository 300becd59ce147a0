// RescaleScratch.cpp — one growing buffer per purpose.
#include "imaging/RescaleScratch.h"

namespace {

// What each slot holds, for the message when its memory cannot be had.
constexpr const char* SLOT_NAMES[CRescaleScratch::SLOT_COUNT] = {
    "the rescale's source columns", "the rescale's source column keys", "the rescale's intermediate columns",
    "the rescale intermediate", "the rescale intermediate's keys"};

} // namespace

uint8_t* CRescaleScratch::Buffer(Slot slot, size_t bytes)
{
    return m_buffers[slot].Reserve(bytes, SLOT_NAMES[slot]);
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
