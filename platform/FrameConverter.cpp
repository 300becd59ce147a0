// FrameConverter.cpp — one row loop per source depth.
#include "platform/FrameConverter.h"

#include <cstring>

#include "platform/DisplayPalette.h"
#include "platform/PixelFormat.h"

CFrameConverter::CFrameConverter(int32_t bitsPerPixel, const TextureLayout& layout)
    : m_bitsPerPixel(bitsPerPixel),
      m_layout(layout),
      m_copiesRows(bitsPerPixel == 32 && layout.redShift == 16 && layout.greenShift == 8 && layout.blueShift == 0)
{
}

void CFrameConverter::SetPalette(const CDisplayPalette& palette)
{
    for (size_t i = 0; i < m_lookup.size(); ++i) {
        const PaletteEntry& entry = palette.Entries()[i];
        m_lookup[i] = Pack(entry.red, entry.green, entry.blue);
    }
}

uint32_t CFrameConverter::Pack(uint8_t red, uint8_t green, uint8_t blue) const
{
    return uint32_t{red} << m_layout.redShift | uint32_t{green} << m_layout.greenShift |
           uint32_t{blue} << m_layout.blueShift | m_layout.opaque;
}

void CFrameConverter::Convert(const PixelView& source, const Rect& rect, uint8_t* out, int32_t outPitch) const
{
    const int32_t count = rect.Width();
    for (int32_t row = 0; row < rect.Height(); ++row) {
        const uint8_t* in = source.At(rect.left, rect.top + row);
        uint8_t* rowOut = out + static_cast<ptrdiff_t>(row) * outPitch;
        if (m_copiesRows)
            std::memcpy(rowOut, in, static_cast<size_t>(count) * 4);
        else
            ConvertRow(in, reinterpret_cast<uint32_t*>(rowOut), count);
    }
}

// The texture's memory comes from SDL's allocator, 4-byte aligned, so it is written as
// 32-bit words; the source is read byte-wise.
void CFrameConverter::ConvertRow(const uint8_t* in, uint32_t* out, int32_t count) const
{
    switch (m_bitsPerPixel) {
    case 8:
        for (int32_t i = 0; i < count; ++i)
            out[i] = m_lookup[in[i]];
        break;
    case 16:
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t raw = uint32_t{in[2 * i]} | uint32_t{in[2 * i + 1]} << 8;
            out[i] = Pack(Red565(raw), Green565(raw), Blue565(raw));
        }
        break;
    case 24:
        for (int32_t i = 0; i < count; ++i)
            out[i] = Pack(in[3 * i + 2], in[3 * i + 1], in[3 * i]);
        break;
    default:
        for (int32_t i = 0; i < count; ++i)
            out[i] = Pack(in[4 * i + 2], in[4 * i + 1], in[4 * i]);
        break;
    }
}
