// PixelFormat.cpp — colour conversions per depth.
#include "platform/video/PixelFormat.h"

#include "platform/video/DisplayPalette.h"

CPixelFormat::CPixelFormat(int32_t bitsPerPixel, const CDisplayPalette* palette)
    : m_bitsPerPixel(bitsPerPixel), m_palette(palette)
{
}

bool CPixelFormat::CanConvert() const
{
    return m_bitsPerPixel != 8 || m_palette != nullptr;
}

uint32_t CPixelFormat::RawFromColour(ColourRef colour) const
{
    switch (m_bitsPerPixel) {
    case 8:
        return m_palette->NearestIndex(colour);
    case 16:
        return Raw565(RedOf(colour), GreenOf(colour), BlueOf(colour));
    default:
        return RawBgr(RedOf(colour), GreenOf(colour), BlueOf(colour));
    }
}

ColourRef CPixelFormat::ColourFromRaw(uint32_t raw) const
{
    switch (m_bitsPerPixel) {
    case 8: {
        const PaletteEntry& entry = m_palette->Entries()[raw & 0xFF];
        return MakeColour(entry.red, entry.green, entry.blue);
    }
    case 16:
        return MakeColour(Red565(raw), Green565(raw), Blue565(raw));
    default:
        return MakeColour(static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw));
    }
}
