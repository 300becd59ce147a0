// Bitmap24.h — a 24-bit picture in memory, the form in which pictures enter and leave
// the program's image code.
//
// The rows are kept exactly in the shared buffer layout (blue, green, red; each row
// padded to an even byte count; row 0 is the top row), pad bytes included, so what
// WriteBits stores ReadBits returns. A new picture is all zero bytes.
//
//     CBitmap24 picture(640, 480);          // black
//     picture.WriteBits(buffer, bytes);     // fill from a buffer in the row layout
//     picture.ReadBits(buffer, bytes);      // and copy it out again
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CBitmap24 {
public:
    // A width × height picture, every byte 0. Throws CFatalError when the size is
    // negative or too large to handle (platform/bitmaps/ImageSize.h).
    CBitmap24(int32_t width, int32_t height);
    virtual ~CBitmap24() = default;

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return m_stride; }
    size_t ByteCount() const { return m_bits.size(); }

    // Copies the first min(byteCount, ByteCount()) bytes of the rows into buffer and
    // returns how many it copied.
    size_t ReadBits(void* buffer, size_t byteCount) const;

    // Replaces the first min(byteCount, ByteCount()) bytes of the rows from buffer and
    // returns how many it copied: 0 means nothing was stored.
    size_t WriteBits(const void* buffer, size_t byteCount);

    // The rows themselves, for code that reads or fills a whole picture at once.
    const uint8_t* Bits() const { return m_bits.data(); }
    uint8_t* Bits() { return m_bits.data(); }

private:
    int32_t m_width;
    int32_t m_height;
    int32_t m_stride;
    std::vector<uint8_t> m_bits;
};
