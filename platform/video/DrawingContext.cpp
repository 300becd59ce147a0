// DrawingContext.cpp — pixels, stretched bitmaps and text drawn on a surface's memory.
//
// A drawing context draws on the surface's pixels directly, clipped to the surface's
// bounds only (a clipper governs blits, not drawing contexts).
#include "platform/video/DrawingContext.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/video/DeviceState.h"
#include "platform/video/PixelFormat.h"
#include "platform/video/SurfaceData.h"

namespace {

// True for a 0x00BBGGRR value; anything in the top byte is not a colour here.
bool IsColour(ColourRef colour)
{
    return (colour & 0xFF000000u) == 0;
}

// Copies the mapped bitmap pixels onto the surface, `convert` giving each one's raw value.
template <int32_t Bytes, typename Convert>
void CopyBitmapPixels(const PixelView& surface, const CBitmap24& bitmap, const BlitMapping& mapping, Convert convert)
{
    const Rect& target = mapping.target;
    const int32_t width = target.Width();
    for (int32_t row = 0; row < target.Height(); ++row) {
        const int32_t sourceRow = mapping.stretched ? mapping.sourceRows[row] : mapping.sourceTop + row;
        const uint8_t* in = bitmap.Bits() + static_cast<ptrdiff_t>(sourceRow) * bitmap.Stride();
        uint8_t* out = surface.At(target.left, target.top + row);
        if (mapping.stretched) {
            for (int32_t i = 0; i < width; ++i)
                WriteRaw(out + i * Bytes, Bytes, convert(in + 3 * mapping.sourceColumns[i]));
        } else {
            in += 3 * static_cast<ptrdiff_t>(mapping.sourceLeft);
            for (int32_t i = 0; i < width; ++i)
                WriteRaw(out + i * Bytes, Bytes, convert(in + 3 * i));
        }
    }
}

// The copy at the surface's depth: 8 bits through the palette, the others by shifts.
void CopyBitmap(const PixelView& surface, const CBitmap24& bitmap, const BlitMapping& mapping,
                const CPixelFormat& format)
{
    switch (surface.bytesPerPixel) {
    case 1:   // the palette remembers its nearest entries (CDisplayPalette::NearestIndex)
        CopyBitmapPixels<1>(surface, bitmap, mapping,
                            [&format](const uint8_t* p) { return format.RawFromColour(MakeColour(p[2], p[1], p[0])); });
        break;
    case 2:
        CopyBitmapPixels<2>(surface, bitmap, mapping, [](const uint8_t* p) { return Raw565(p[2], p[1], p[0]); });
        break;
    case 3:
        CopyBitmapPixels<3>(surface, bitmap, mapping, [](const uint8_t* p) { return RawBgr(p[2], p[1], p[0]); });
        break;
    default:
        CopyBitmapPixels<4>(surface, bitmap, mapping, [](const uint8_t* p) { return RawBgr(p[2], p[1], p[0]); });
        break;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lifetime
// ---------------------------------------------------------------------------------------

CDrawingContext::CDrawingContext(CSurface& surface) : m_surface(surface) {}

CDrawingContext::~CDrawingContext() = default;

// ---------------------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------------------

ColourRef CDrawingContext::GetPixel(int32_t x, int32_t y) const
{
    CSurface::Data& data = *m_surface.m_data;
    const CPixelFormat format(data.bitsPerPixel, data.palette.get());
    if (data.lost || !format.CanConvert() || x < 0 || y < 0 || x >= data.width || y >= data.height)
        return COLOUR_INVALID;
    const PixelView view = data.View();
    return format.ColourFromRaw(ReadRaw(view.At(x, y), view.bytesPerPixel));
}

ColourRef CDrawingContext::SetPixel(int32_t x, int32_t y, ColourRef colour)
{
    CSurface::Data& data = *m_surface.m_data;
    const CPixelFormat format(data.bitsPerPixel, data.palette.get());
    if (data.lost || !format.CanConvert() || !IsColour(colour) || x < 0 || y < 0 || x >= data.width ||
        y >= data.height)
        return COLOUR_INVALID;
    const PixelView view = data.View();
    const uint32_t raw = format.RawFromColour(colour);
    WriteRaw(view.At(x, y), view.bytesPerPixel, raw);
    data.device->NoteChange(data, Rect{x, y, x + 1, y + 1});
    return format.ColourFromRaw(raw);
}

// ---------------------------------------------------------------------------------------
// Bitmaps
// ---------------------------------------------------------------------------------------

bool CDrawingContext::StretchBlt(const Rect& destination, const CBitmap24& bitmap, const Rect& source)
{
    CSurface::Data& data = *m_surface.m_data;
    const CPixelFormat format(data.bitsPerPixel, data.palette.get());
    if (data.lost) {
        m_surface.Fail(DISPLAY_SURFACE_LOST, "StretchBlt: the surface is lost");
        return false;
    }
    if (!format.CanConvert()) {
        m_surface.Fail(DISPLAY_FAILED, "StretchBlt: an 8-bit surface without a palette has no colours");
        return false;
    }
    BlitMapping mapping;
    switch (MapBlit(destination, source, bitmap.Width(), bitmap.Height(), data.Bounds(), mapping)) {
    case BlitMapResult::InvalidRect:
        m_surface.Fail(DISPLAY_INVALID_RECT, "StretchBlt: a rectangle is empty, inverted or outside the bitmap");
        return false;
    case BlitMapResult::Nothing:
        return true;
    case BlitMapResult::Draw:
        break;
    }
    CopyBitmap(data.View(), bitmap, mapping, format);
    data.device->NoteChange(data, mapping.target);
    return true;
}

// ---------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------

bool CDrawingContext::TextOut(int32_t x, int32_t y, std::string_view text, Rect* drawn)
{
    if (drawn)
        *drawn = Rect{};
    CSurface::Data& data = *m_surface.m_data;
    const CPixelFormat format(data.bitsPerPixel, data.palette.get());
    if (data.lost) {
        m_surface.Fail(DISPLAY_SURFACE_LOST, "TextOut: the surface is lost");
        return false;
    }
    if (!format.CanConvert()) {
        m_surface.Fail(DISPLAY_FAILED, "TextOut: an 8-bit surface without a palette has no colours");
        return false;
    }
    std::string error;
    const CTextFont* font = data.device->Font(error);
    TextImage image;
    if (font == nullptr || !font->Render(text, image, error)) {
        m_surface.Fail(DISPLAY_FAILED, "TextOut: " + error);
        return false;
    }

    // The part of the text inside the surface, worked out in 64 bits (x + width may not fit 32).
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + image.width, data.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + image.height, data.height);
    if (left >= right || top >= bottom)
        return true;

    std::array<uint32_t, 256> raws{};
    for (size_t i = 0; i < raws.size(); ++i)
        raws[i] = format.RawFromColour(image.colours[i]);
    const PixelView view = data.View();
    for (int64_t row = top; row < bottom; ++row) {
        const uint8_t* in = image.indexes.data() + (row - y) * image.width;
        for (int64_t column = left; column < right; ++column)
            WriteRaw(view.At(static_cast<int32_t>(column), static_cast<int32_t>(row)), view.bytesPerPixel,
                     raws[in[column - x]]);
    }
    const Rect covered{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                       static_cast<int32_t>(bottom)};
    data.device->NoteChange(data, covered);
    if (drawn)
        *drawn = covered;
    return true;
}
