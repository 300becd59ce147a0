// FrameConverter.h — back-buffer pixels converted to the presentation texture's format.
//
// The texture holds 32-bit pixels with 8-bit red, green and blue channels at the shifts
// its format gives. 8-bit pixels go through a 256-entry lookup of the palette (64 at a
// time where the processor has AVX-512 VBMI, so that a palette frame costs about what a
// 32-bit one does to upload); 16-bit
// 5-6-5 pixels are widened by shifting; 24-bit ones are rearranged; 32-bit ones are
// copied row by row when the texture already keeps blue, green, red in memory order.
#pragma once

#include <array>
#include <cstdint>

#include "platform/bitmaps/Rect.h"
#include "platform/video/PixelView.h"

class CDisplayPalette;

// Where a 32-bit texture pixel keeps its channels, and the bits that make it opaque.
struct TextureLayout {
    uint32_t redShift = 16;
    uint32_t greenShift = 8;
    uint32_t blueShift = 0;
    uint32_t opaque = 0xFF000000;   // the alpha mask; 0 when the format has no alpha
};

class CFrameConverter {
public:
    CFrameConverter(int32_t bitsPerPixel, const TextureLayout& layout);

    // The lookup for 8-bit pixels.
    void SetPalette(const CDisplayPalette& palette);

    // Converts `rect` of `source` into texture rows starting at `out`, `outPitch` bytes apart.
    void Convert(const PixelView& source, const Rect& rect, uint8_t* out, int32_t outPitch) const;

private:
    uint32_t Pack(uint8_t red, uint8_t green, uint8_t blue) const;
    void ConvertRow(const uint8_t* in, uint32_t* out, int32_t count) const;

    int32_t m_bitsPerPixel;
    TextureLayout m_layout;
    bool m_copiesRows;       // 32-bit source and a texture in the same byte order
    bool m_vectorLookup;     // the processor permutes bytes by table (AVX-512 VBMI)
    std::array<uint32_t, 256> m_lookup{};
    // The lookup split by byte: m_bytePlanes[256 * b + i] is byte b of m_lookup[i].
    alignas(64) std::array<uint8_t, 1024> m_bytePlanes{};
};
