// Surface.cpp — surfaces: blits, flips, attachments, locks, loss and drawing contexts.
#include "platform/video/Surface.h"

#include <algorithm>
#include <string>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/video/DeviceState.h"
#include "platform/video/DrawingContext.h"
#include "platform/video/PixelFormat.h"

namespace {

// A rectangle for messages. (Built by appending: GCC 12 warns falsely about "(" + std::string.)
std::string Describe(const Rect& r)
{
    std::string text(1, '(');
    text += std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
            std::to_string(r.bottom) + ")";
    return text;
}

// The destination pixels a blit may write: the surface's bounds, cut to its clipper's
// rectangle.
Rect ClipOf(const Rect& bounds, const CClipper* clipper)
{
    Rect clip = bounds;
    if (clipper != nullptr && clipper->ClipRect() && !IntersectRects(clip, bounds, *clipper->ClipRect()))
        clip = Rect{};
    return clip;
}

constexpr const char* PRIMARY_HAS_NO_PIXELS =
    "the primary surface shows its back buffer and has no pixels of its own: draw into the back buffer";

} // namespace

// ---------------------------------------------------------------------------------------
// The pixels
// ---------------------------------------------------------------------------------------

// Blits onto the back buffer are recorded and drawn together, in bands, when something
// needs pixels: whatever reads or writes any surface's pixels — a flip, a lock, a drawing
// context, ToBitmap, a restore or loss, a blit that is not recorded — comes through here,
// and a surface that goes (it may be a recorded blit's source or destination) draws them
// in its destructor. So nothing sees a frame half drawn or a source changed under a blit.
PixelView CSurface::Data::View()
{
    device->DrawRecordedBlits();
    return ViewForRecording();
}

void CSurface::Data::Clear()
{
    const PixelView view = View();
    std::fill(view.bits, view.bits + memory.Size(), uint8_t{0});
}

// ---------------------------------------------------------------------------------------
// Lifetime and size
// ---------------------------------------------------------------------------------------

CSurface::CSurface(std::unique_ptr<Data> data) : m_data(std::move(data)) {}

CSurface::~CSurface()
{
    DeviceState& device = *m_data->device;
    device.DrawRecordedBlits();
    if (m_data->role == SurfaceRole::Primary) {   // nothing is shown without it
        device.presenter.reset();
        device.shownBackBuffer = nullptr;
    }
    device.Unregister(m_data.get());
}

int32_t CSurface::Width() const
{
    return m_data->width;
}

int32_t CSurface::Height() const
{
    return m_data->height;
}

int32_t CSurface::BitsPerPixel() const
{
    return m_data->bitsPerPixel;
}

// ---------------------------------------------------------------------------------------
// Blit and flip
// ---------------------------------------------------------------------------------------

DisplayResult CSurface::Blit(const Rect* destination, CSurface* source, const Rect* sourceRect, uint32_t flags)
{
    if (source == nullptr)
        return Fail(DISPLAY_FAILED, "Blit: no source surface");
    Data& out = *m_data;
    Data& in = *source->m_data;
    if (out.role == SurfaceRole::Primary || in.role == SurfaceRole::Primary)
        return Fail(DISPLAY_FAILED, std::string("Blit: ") + PRIMARY_HAS_NO_PIXELS);
    if (out.lost || in.lost)
        return Fail(DISPLAY_SURFACE_LOST, out.lost ? "Blit: the destination surface is lost"
                                                   : "Blit: the source surface is lost");
    if (out.bitsPerPixel != in.bitsPerPixel)
        return Fail(DISPLAY_FAILED, "Blit: the surfaces differ in depth (" + std::to_string(in.bitsPerPixel) +
                                        " onto " + std::to_string(out.bitsPerPixel) + " bits)");
    if ((flags & ~BLIT_SOURCE_KEY) != 0)
        return Fail(DISPLAY_FAILED, "Blit: unknown flags " + std::to_string(flags));
    const bool keyed = (flags & BLIT_SOURCE_KEY) != 0;
    if (keyed && !in.colourKey)
        return Fail(DISPLAY_FAILED, "Blit: the source surface has no colour key");

    const Rect target = destination != nullptr ? *destination : out.Bounds();
    const Rect from = sourceRect != nullptr ? *sourceRect : in.Bounds();
    BlitMapping mapping;
    switch (MapBlit(target, from, in.width, in.height, ClipOf(out.Bounds(), out.clipper.get()), mapping)) {
    case BlitMapResult::InvalidRect:
        return Fail(DISPLAY_INVALID_RECT, "Blit: source " + Describe(from) + " onto " + Describe(target) +
                                              " is empty, inverted or outside the source");
    case BlitMapResult::Nothing:
        return DISPLAY_OK;
    case BlitMapResult::Draw:
        break;
    }

    const ColourKeyRange* key = keyed ? &*in.colourKey : nullptr;
    out.device->NoteChange(out, mapping.target);
    CBlitBatch& recorded = out.device->recordedBlits;
    if (out.role == SurfaceRole::BackBuffer && source != this && !out.locked && !in.locked &&
        recorded.Takes(out.ViewForRecording())) {
        recorded.Record(out.ViewForRecording(), in.ViewForRecording(), std::move(mapping), key);
        return DISPLAY_OK;
    }
    if (source == this) {   // overlapping rows: read from a copy
        const PixelView view = in.View();
        std::vector<uint8_t> copy(view.bits, view.bits + in.memory.Size());
        CopyPixels(view, PixelView{copy.data(), in.pitch, in.width, in.height, in.bitsPerPixel / 8}, mapping, key);
    } else {
        CopyPixels(out.View(), in.View(), mapping, key);
    }
    return DISPLAY_OK;
}

DisplayResult CSurface::Flip()
{
    Data& front = *m_data;
    if (front.role != SurfaceRole::Primary)
        return Fail(DISPLAY_FAILED, "Flip: only the primary surface flips");
    DeviceState& device = *front.device;
    if (device.detached || !device.presenter)
        return Fail(DISPLAY_FAILED, "Flip: the display device is gone");
    Data& back = *front.backBuffer->m_data;
    if (front.lost || back.lost)
        return Fail(DISPLAY_SURFACE_LOST, front.lost ? "Flip: the primary surface is lost"
                                                     : "Flip: the back buffer is lost");
    // The display shows through the primary's palette, as a palette mode's display does;
    // a back buffer's own palette stands in when the primary has none.
    const std::shared_ptr<CDisplayPalette>& palette = front.palette ? front.palette : back.palette;
    if (!device.presenter->Present(back.View(), palette))
        return Fail(DISPLAY_FAILED, "Flip: " + device.presenter->Error());
    return DISPLAY_OK;
}

std::shared_ptr<CSurface> CSurface::GetBackBuffer() const
{
    return m_data->backBuffer;
}

// ---------------------------------------------------------------------------------------
// Attachments
// ---------------------------------------------------------------------------------------

DisplayResult CSurface::SetPalette(std::shared_ptr<CDisplayPalette> palette)
{
    if (palette && m_data->bitsPerPixel != 8)
        return Fail(DISPLAY_FAILED, "SetPalette: a " + std::to_string(m_data->bitsPerPixel) +
                                        "-bit surface takes no palette");
    m_data->palette = std::move(palette);
    return DISPLAY_OK;
}

const std::shared_ptr<CDisplayPalette>& CSurface::Palette() const
{
    return m_data->palette;
}

DisplayResult CSurface::SetClipper(std::shared_ptr<CClipper> clipper)
{
    m_data->clipper = std::move(clipper);
    return DISPLAY_OK;
}

DisplayResult CSurface::SetColourKey(uint32_t low, uint32_t high)
{
    if (low > high)
        return Fail(DISPLAY_FAILED, "SetColourKey: the range " + std::to_string(low) + ".." + std::to_string(high) +
                                        " is inverted");
    m_data->colourKey = ColourKeyRange{low, high};
    return DISPLAY_OK;
}

bool CSurface::HasColourKey() const
{
    return m_data->colourKey.has_value();
}

// ---------------------------------------------------------------------------------------
// Pixel memory
// ---------------------------------------------------------------------------------------

DisplayResult CSurface::Lock(LockedPixels& pixels)
{
    Data& data = *m_data;
    if (data.role == SurfaceRole::Primary)
        return Fail(DISPLAY_FAILED, std::string("Lock: ") + PRIMARY_HAS_NO_PIXELS);
    if (data.lost)
        return Fail(DISPLAY_SURFACE_LOST, "Lock: the surface is lost");
    if (data.locked)
        return Fail(DISPLAY_FAILED, "Lock: the surface is already locked");
    pixels = LockedPixels{data.View().bits, data.pitch, data.width, data.height, data.bitsPerPixel};
    data.locked = true;
    data.device->NoteWholeChange(data);
    return DISPLAY_OK;
}

DisplayResult CSurface::Unlock()
{
    Data& data = *m_data;
    if (!data.locked)
        return Fail(DISPLAY_FAILED, "Unlock: the surface is not locked");
    data.locked = false;
    data.device->NoteWholeChange(data);   // in case a flip came between lock and unlock
    return DISPLAY_OK;
}

// ---------------------------------------------------------------------------------------
// Loss
// ---------------------------------------------------------------------------------------

DisplayResult CSurface::IsLost() const
{
    return m_data->lost ? DISPLAY_SURFACE_LOST : DISPLAY_OK;
}

// Restoring the primary makes its display texture again and, as for a flipping chain,
// restores its back buffer too. A restored surface's pixels are all 0.
DisplayResult CSurface::Restore()
{
    Data& data = *m_data;
    if (!data.lost)
        return DISPLAY_OK;
    DeviceState& device = *data.device;
    if (data.role == SurfaceRole::Primary) {
        if (device.detached || !device.presenter)
            return Fail(DISPLAY_FAILED, "Restore: the display device is gone");
        if (!device.presenter->CreateTexture())
            return Fail(DISPLAY_FAILED, "Restore: " + device.presenter->Error());
        if (data.backBuffer)
            data.backBuffer->Restore();
    }
    data.Clear();
    data.lost = false;
    device.NoteWholeChange(data);
    if (data.role == SurfaceRole::Primary && device.primaryLossesOnRestore > 0) {
        --device.primaryLossesOnRestore;
        data.lost = true;
    }
    return DISPLAY_OK;
}

// ---------------------------------------------------------------------------------------
// Drawing contexts and copies
// ---------------------------------------------------------------------------------------

DisplayResult CSurface::GetDrawingContext(std::unique_ptr<CDrawingContext>& context)
{
    if (m_data->role == SurfaceRole::Primary)
        return Fail(DISPLAY_FAILED, std::string("GetDrawingContext: ") + PRIMARY_HAS_NO_PIXELS);
    if (m_data->lost)
        return Fail(DISPLAY_SURFACE_LOST, "GetDrawingContext: the surface is lost");
    context.reset(new CDrawingContext(*this));
    return DISPLAY_OK;
}

DisplayResult CSurface::ReleaseDrawingContext(std::unique_ptr<CDrawingContext>& context)
{
    if (!context || &context->m_surface != this)
        return Fail(DISPLAY_FAILED, "ReleaseDrawingContext: not a drawing context of this surface");
    context.reset();
    return DISPLAY_OK;
}

std::unique_ptr<CBitmap24> CSurface::ToBitmap() const
{
    const Data& data = *m_data;
    const CPixelFormat format(data.bitsPerPixel, data.palette.get());
    if (data.role == SurfaceRole::Primary) {
        Fail(DISPLAY_FAILED, std::string("ToBitmap: ") + PRIMARY_HAS_NO_PIXELS);
        return nullptr;
    }
    if (!format.CanConvert()) {
        Fail(DISPLAY_FAILED, "ToBitmap: an 8-bit surface without a palette has no colours");
        return nullptr;
    }
    auto bitmap = std::make_unique<CBitmap24>(data.width, data.height);
    const int32_t bytes = data.bitsPerPixel / 8;
    const PixelView view = m_data->View();
    for (int32_t y = 0; y < data.height; ++y) {
        const uint8_t* in = view.At(0, y);
        uint8_t* out = bitmap->Bits() + static_cast<ptrdiff_t>(y) * bitmap->Stride();
        for (int32_t x = 0; x < data.width; ++x)
            StorePixel(out + 3 * x, PixelOf(format.ColourFromRaw(ReadRaw(in + x * bytes, bytes))));
    }
    return bitmap;
}
