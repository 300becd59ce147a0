// DrawingContext.h — pixel, bitmap and text drawing on a surface, with colours given as
// 0x00BBGGRR values and converted to the surface's format.
//
// Conversion: in 8-bit surfaces the nearest entry of the attached palette (smallest
// dr² + dg² + db², ties to the lowest index); 16-bit 5-6-5 by truncation; 24 and 32 bits
// exact. Reading converts back (palette entry's colour; 5-6-5 widened by shifting).
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"

class CBitmap24;
class CSurface;

constexpr ColourRef COLOUR_INVALID = 0xFFFFFFFF;

class CDrawingContext {
public:
    virtual ~CDrawingContext();

    // The colour at (x, y); COLOUR_INVALID outside the surface.
    ColourRef GetPixel(int32_t x, int32_t y) const;
    // Sets (x, y) to the colour as the surface can show it and returns that colour;
    // COLOUR_INVALID outside the surface.
    ColourRef SetPixel(int32_t x, int32_t y, ColourRef colour);

    // Copies `source` of the bitmap onto `destination`, stretched by nearest sampling when
    // the sizes differ and clipped to the surface (SRCCOPY). False when a rectangle is empty
    // or inverted.
    bool StretchBlt(const Rect& destination, const CBitmap24& bitmap, const Rect& source);

    // Writes text with its top-left corner at (x, y) in the default font: black on an
    // opaque white background. False when the text cannot be drawn. When `drawn` is given it
    // receives the rectangle the text covered on the surface (empty when none).
    bool TextOut(int32_t x, int32_t y, std::string_view text, Rect* drawn = nullptr);

private:
    friend class CSurface;
    explicit CDrawingContext(CSurface& surface);
    CSurface& m_surface;
};
