// Bitmap24.h — a 24-bit picture in memory, the form in which pictures enter and leave
// the program's image code.
//
// The rows are kept exactly in the shared buffer layout (blue, green, red; each row
// padded to an even byte count; row 0 is the top row), pad bytes included, so what
// WriteBits stores ReadBits returns. A new picture is all zero bytes, unless it is made
// to be written whole: then only its pad bytes are zeroed and its pixels are left for
// the writer, or it takes over rows already made elsewhere.
//
//     CBitmap24 picture(640, 480);                                   // black
//     CBitmap24 target(640, 480, CBitmap24::PIXELS_UNDEFINED);       // to be written whole
//     picture.WriteBits(buffer, bytes);     // fill from a buffer in the row layout
//     picture.ReadBits(buffer, bytes);      // and copy it out again
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/bitmaps/PixelBuffer.h"

class CBitmap24 {
public:
    // What a new picture holds: every byte 0, or zero pad bytes and undefined pixels.
    enum Contents { ZEROED, PIXELS_UNDEFINED };

    // A width × height picture, every byte 0 unless PIXELS_UNDEFINED is asked for. Throws
    // CFatalError when the size is negative or too large to handle (platform/ImageSize.h).
    CBitmap24(int32_t width, int32_t height, Contents contents = ZEROED);
    // A width × height picture that takes over `rows`, already in the row layout (their
    // pad bytes are zeroed here). Throws CFatalError when the size is not allowed or the
    // rows are too few.
    CBitmap24(int32_t width, int32_t height, CPixelBuffer rows);
    virtual ~CBitmap24() = default;

    CBitmap24(const CBitmap24& other);
    CBitmap24& operator=(const CBitmap24& other);
    CBitmap24(CBitmap24&&) noexcept = default;
    CBitmap24& operator=(CBitmap24&&) noexcept = default;

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t Stride() const { return m_stride; }
    size_t ByteCount() const { return m_byteCount; }

    // Copies the first min(byteCount, ByteCount()) bytes of the rows into buffer and
    // returns how many it copied.
    size_t ReadBits(void* buffer, size_t byteCount) const;

    // Replaces the first min(byteCount, ByteCount()) bytes of the rows from buffer and
    // returns how many it copied: 0 means nothing was stored.
    size_t WriteBits(const void* buffer, size_t byteCount);

    // The rows themselves, for code that reads or fills a whole picture at once.
    const uint8_t* Bits() const { return m_bits.Data(); }
    uint8_t* Bits() { return m_bits.Data(); }

private:
    // Zeroes the byte at the end of each row that pads it to an even length, if any.
    void ClearPadBytes();

    int32_t m_width;
    int32_t m_height;
    int32_t m_stride;
    size_t m_byteCount;
    CPixelBuffer m_bits;
};
