// SurfaceMemory.h — where a display device's surfaces keep their pixels.
//
// Every surface starts cleared, and fresh memory costs a page fault per 4 KiB page on its
// first write. A sprite's frames are many surfaces of a few hundred KiB each (thirty
// 480 × 135 frames at 32 bits are 1,900 pages), so surfaces from MIN_SHARED_BYTES up to
// MAX_SHARED_BYTES are cut one after another from shared blocks of one huge page each,
// which cost a fault apiece. Larger surfaces get a CPixelBuffer of their own (mapped for
// huge pages itself), smaller ones a heap block. A freed surface's space is not used
// again: a shared block goes back to the system with its last surface.
//
//     CSurfaceMemory memory;                                   // one per device
//     CSurfaceMemory::CPixels pixels = memory.Allocate(bytes); // zero, kept while it lives
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/bitmaps/PixelBuffer.h"

class CSurfaceMemory {
public:
    static constexpr size_t SHARED_BLOCK_BYTES = CPixelBuffer::HUGE_PAGE_BYTES;
    static constexpr size_t MIN_SHARED_BYTES = size_t{16} << 10;
    static constexpr size_t MAX_SHARED_BYTES = SHARED_BLOCK_BYTES / 2;
    // Where surfaces start inside a shared block: whole cache lines.
    static constexpr size_t ALIGNMENT = 64;

    // One surface's pixels. They hold their block, so they outlive the memory they came
    // from.
    class CPixels {
    public:
        CPixels() = default;

        uint8_t* Data() { return m_data; }
        const uint8_t* Data() const { return m_data; }
        size_t Size() const { return m_size; }

    private:
        friend class CSurfaceMemory;
        CPixels(std::shared_ptr<CPixelBuffer> block, uint8_t* data, size_t size)
            : m_block(std::move(block)), m_data(data), m_size(size)
        {
        }

        std::shared_ptr<CPixelBuffer> m_block;
        uint8_t* m_data = nullptr;
        size_t m_size = 0;
    };

    CSurfaceMemory() = default;
    virtual ~CSurfaceMemory() = default;

    CSurfaceMemory(const CSurfaceMemory&) = delete;
    CSurfaceMemory& operator=(const CSurfaceMemory&) = delete;

    // `bytes` of zeroed pixels. Throws std::bad_alloc when the memory cannot be had.
    CPixels Allocate(size_t bytes);

private:
    std::shared_ptr<CPixelBuffer> m_shared;   // the block being cut, zero past m_used
    size_t m_used = 0;
};
