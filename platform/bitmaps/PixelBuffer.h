// PixelBuffer.h — an owned block of picture bytes that is not cleared when it is made.
//
// Pictures are written whole far more often than they are read blank, so a new buffer's
// contents are left undefined unless zeros are asked for. Large buffers come straight from
// the system, already zero, advised for huge pages and faulted in with one call, so a
// picture of several MiB costs a handful of page faults instead of one per 4 KiB.
//
//     CPixelBuffer rows(bytes);                            // contents undefined
//     CPixelBuffer blank(bytes, CPixelBuffer::ZEROED);     // every byte 0
#pragma once

#include <cstddef>
#include <cstdint>

class CPixelBuffer {
public:
    enum Contents { UNDEFINED, ZEROED };

    // Buffers from this size on are mapped from the system and faulted in at once.
    static constexpr size_t MAPPED_BYTES = size_t{256} << 10;
    // Buffers from this size on are also advised for huge pages, and rounded up to whole
    // ones: a 1920 × 1080 picture of one byte a pixel, just under 2 MiB, is then one page.
    static constexpr size_t HUGE_PAGE_FROM_BYTES = size_t{1} << 20;
    static constexpr size_t HUGE_PAGE_BYTES = size_t{2} << 20;

    CPixelBuffer() = default;
    // A buffer of `bytes` bytes for `what`. Throws COutOfMemory (a std::bad_alloc) naming
    // both when the memory cannot be had.
    explicit CPixelBuffer(size_t bytes, Contents contents = UNDEFINED, const char* what = "picture memory");
    virtual ~CPixelBuffer();

    CPixelBuffer(CPixelBuffer&& other) noexcept;
    CPixelBuffer& operator=(CPixelBuffer&& other) noexcept;
    CPixelBuffer(const CPixelBuffer&) = delete;
    CPixelBuffer& operator=(const CPixelBuffer&) = delete;

    uint8_t* Data() { return m_data; }
    const uint8_t* Data() const { return m_data; }
    size_t Size() const { return m_size; }

    // Makes the buffer at least `bytes` long, keeping it when it already is; contents are
    // undefined afterwards. For scratch space reused from one use to the next.
    uint8_t* Reserve(size_t bytes, const char* what = "picture memory");

private:
    void Release() noexcept;

    uint8_t* m_data = nullptr;
    size_t m_size = 0;        // bytes asked for
    size_t m_mapped = 0;      // bytes mapped from the system; 0 when the heap holds it
};
