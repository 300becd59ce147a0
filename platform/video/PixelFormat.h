// PixelFormat.h — converting colours to and from a surface's raw pixel values.
//
// 8 bits: the index of the nearest entry of the attached palette (reading gives the
// entry's colour); 16 bits: 5-6-5 by truncation (reading widens by shifting, low bits
// zero); 24 and 32 bits: blue, green, red bytes, exact (the unused byte written as 0).
#pragma once

#include <cstdint>

#include "platform/bitmaps/PixelTypes.h"

class CDisplayPalette;

// The 5-6-5 value of a colour: each channel truncated to its top bits.
constexpr uint32_t Raw565(uint8_t red, uint8_t green, uint8_t blue)
{
    return (uint32_t{red} >> 3) << 11 | (uint32_t{green} >> 2) << 5 | (uint32_t{blue} >> 3);
}

// The channels of a 5-6-5 value, widened by shifting.
constexpr uint8_t Red565(uint32_t raw) { return static_cast<uint8_t>(((raw >> 11) & 0x1F) << 3); }
constexpr uint8_t Green565(uint32_t raw) { return static_cast<uint8_t>(((raw >> 5) & 0x3F) << 2); }
constexpr uint8_t Blue565(uint32_t raw) { return static_cast<uint8_t>((raw & 0x1F) << 3); }

// The 24- and 32-bit value of a colour: blue, green and red bytes from the lowest up.
constexpr uint32_t RawBgr(uint8_t red, uint8_t green, uint8_t blue)
{
    return uint32_t{blue} | uint32_t{green} << 8 | uint32_t{red} << 16;
}

class CPixelFormat {
public:
    // The format of a surface of this depth; `palette` (may be null) for 8 bits.
    CPixelFormat(int32_t bitsPerPixel, const CDisplayPalette* palette);

    // False for an 8-bit surface without a palette: its colours mean nothing yet.
    bool CanConvert() const;

    // The raw value that shows a 0x00BBGGRR colour as closely as the format can.
    uint32_t RawFromColour(ColourRef colour) const;
    // The 0x00BBGGRR colour a raw value shows.
    ColourRef ColourFromRaw(uint32_t raw) const;

private:
    int32_t m_bitsPerPixel;
    const CDisplayPalette* m_palette;
};
