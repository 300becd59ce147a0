// SurfaceData.h — what a surface holds: its pixels, attachments and state.
//
// Internal to the display layer: the device state makes surfaces, the drawing context
// and the blits work on their pixels.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/video/Clipper.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/PixelView.h"
#include "platform/video/Surface.h"
#include "platform/video/SurfaceBlitter.h"
#include "platform/video/SurfaceMemory.h"

enum class SurfaceRole {
    Primary,      // what the display shows: has no pixels of its own, only its back buffer
    BackBuffer,   // the primary's back buffer: its changes are uploaded at each flip
    Offscreen,    // a plain surface in memory
};

struct CSurface::Data {
    std::shared_ptr<DeviceState> device;
    SurfaceRole role = SurfaceRole::Offscreen;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    int32_t pitch = 0;
    CSurfaceMemory::CPixels pixels;   // pitch × height bytes, new ones zero; none for the primary

    std::shared_ptr<CDisplayPalette> palette;
    std::shared_ptr<CClipper> clipper;
    std::optional<ColourKeyRange> colourKey;
    std::shared_ptr<CSurface> backBuffer;   // primary only
    bool lost = false;
    bool locked = false;

    // The pixels, for the blit and conversion loops.
    PixelView View()
    {
        return PixelView{pixels.Data(), pitch, width, height, bitsPerPixel / 8};
    }
    Rect Bounds() const { return Rect{0, 0, width, height}; }
};
