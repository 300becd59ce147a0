// Surface.h — a block of pixels in the display mode's format, and the blits between them.
//
// Formats by depth: 8 bits, an index into the attached palette; 16 bits, 5-6-5 (red in
// the top bits); 24 bits, bytes blue, green, red; 32 bits, bytes blue, green, red, unused.
// Every surface of a device is in its mode's format, so blits never convert. A new
// surface is all 0. The primary surface has one back buffer; Flip shows the back buffer,
// which keeps its contents (the frame just shown) afterwards.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/bitmaps/Rect.h"
#include "platform/video/DisplayObject.h"

class CBitmap24;
class CClipper;
class CDisplayPalette;
class CDrawingContext;
struct DeviceState;

// Blit flags.
constexpr uint32_t BLIT_SOURCE_KEY = 1;   // source pixels equal to the source's colour key are not written

// What Lock gives: the pixels and their format.
struct LockedPixels {
    uint8_t* bits = nullptr;
    int32_t pitch = 0;         // bytes from one row to the next
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;  // the RGB bit count: 8, 16, 24 or 32
};

class CSurface : public CDisplayObject {
public:
    ~CSurface() override;

    int32_t Width() const;
    int32_t Height() const;
    int32_t BitsPerPixel() const;

    // Copies `sourceRect` of `source` (its whole area when null) onto `destination` of this
    // surface (the whole surface when null), stretched by nearest sampling when the sizes
    // differ, clipped to the attached clipper and the surface's bounds with the source
    // clipped in step. With BLIT_SOURCE_KEY, source pixels whose raw value lies in the
    // source's key range are skipped. DISPLAY_INVALID_RECT for an inverted or empty
    // rectangle or a source rectangle wholly outside its surface; DISPLAY_SURFACE_LOST
    // when either surface is lost. A blit clipped away entirely draws nothing and succeeds.
    DisplayResult Blit(const Rect* destination, CSurface* source, const Rect* sourceRect, uint32_t flags);

    // Primary only: presents the back buffer (DISPLAY_SURFACE_LOST while lost,
    // DISPLAY_STILL_DRAWING never in this layer). Only what changed since the last flip
    // is uploaded.
    DisplayResult Flip();

    // Primary only: the attached back buffer; null for other surfaces.
    std::shared_ptr<CSurface> GetBackBuffer() const;

    DisplayResult SetPalette(std::shared_ptr<CDisplayPalette> palette);
    const std::shared_ptr<CDisplayPalette>& Palette() const;
    DisplayResult SetClipper(std::shared_ptr<CClipper> clipper);

    // The source colour key: raw pixel values low..high (inclusive) are transparent.
    DisplayResult SetColourKey(uint32_t low, uint32_t high);
    // Whether a source colour key has been set.
    bool HasColourKey() const;

    // The pixel memory. The surface counts as changed where it is locked.
    DisplayResult Lock(LockedPixels& pixels);
    DisplayResult Unlock();

    // DISPLAY_OK, or DISPLAY_SURFACE_LOST while the surface's contents are lost.
    DisplayResult IsLost() const;
    // Gives a lost surface its memory back (cleared); its contents must be drawn again.
    DisplayResult Restore();

    // A drawing context over the surface (GDI-style pixel, bitmap and text operations),
    // and its release; the surface counts as changed where the context drew.
    DisplayResult GetDrawingContext(std::unique_ptr<CDrawingContext>& context);
    DisplayResult ReleaseDrawingContext(std::unique_ptr<CDrawingContext>& context);

    // The surface's pixels as a 24-bit bitmap (colours through the palette in 8-bit modes).
    std::unique_ptr<CBitmap24> ToBitmap() const;

private:
    friend struct DeviceState;
    friend class CDrawingContext;
    struct Data;
    explicit CSurface(std::unique_ptr<Data> data);
    std::unique_ptr<Data> m_data;
};
