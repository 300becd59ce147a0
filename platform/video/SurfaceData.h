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
    // pitch × height bytes, new ones zero; none for the primary. Reached only through View
    // (or, to record a blit, ViewForRecording), so that nothing sees blits still recorded.
    CSurfaceMemory::CPixels memory;

    std::shared_ptr<CDisplayPalette> palette;
    std::shared_ptr<CClipper> clipper;
    std::optional<ColourKeyRange> colourKey;
    std::shared_ptr<CSurface> backBuffer;   // primary only
    bool lost = false;
    bool locked = false;

    // The pixels, for whatever reads or writes them: the device's recorded blits are drawn
    // first. The one way to the pixels, so the rule holds everywhere (Surface.cpp).
    PixelView View();
    // Where the pixels are, without drawing the recorded blits: only for recording another
    // blit, which reads or writes them when the batch is drawn.
    PixelView ViewForRecording()
    {
        return PixelView{memory.Data(), pitch, width, height, bitsPerPixel / 8};
    }
    // Every byte of the pixels set to 0 (a new, restored or lost surface's contents).
    void Clear();
    Rect Bounds() const { return Rect{0, 0, width, height}; }
};
