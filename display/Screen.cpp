// Screen.cpp — mode choice, display set-up, presentation, scaling and colour keys.
#include "display/Screen.h"

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "display/VideoModeDlg.h"
#include "display/VideoModes.h"
#include "imaging/Quantizer.h"
#include "imaging/WorkerPool.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Clipper.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/DrawingContext.h"
#include "platform/video/Surface.h"

namespace {

// How many times Present tries to restore a lost primary before it gives up.
constexpr int32_t PRESENT_RESTORE_TRIES = 3;

// Ends the program with what failed and the display layer's reason.
[[noreturn]] void FailDisplay(const std::string& what, const CDisplayObject& object)
{
    throw CFatalError("display: " + what + (object.LastError().empty() ? "" : ": " + object.LastError()));
}

// The bands of a frame's blits, shared out over the process's worker threads. The pool is
// made before the first frame (Initialise), so nothing here can fail: the bands may be
// drawn while a surface goes.
void ShareBands(int32_t count, int64_t bandBytes, const CBlitBatch::BandDraw& draw)
{
    CWorkerPool::Shared().ForEachChunk(count, bandBytes,
                                       [&draw](int32_t first, int32_t last, int32_t) { draw(first, last); });
}

} // namespace

// ---------------------------------------------------------------------------------------
// Construction and the mode
// ---------------------------------------------------------------------------------------

CScreen::CScreen()
{
    // A device at the normal level serves only to list the modes; it is not kept.
    const CDisplayDevice lister;
    lister.EnumDisplayModes(EnumModesCallback);
}

// The reducing thread first (it works on the sprites' pictures), then the sprites (they
// release their surfaces), then palette, surfaces, clipper and device, then the quantizer.
CScreen::~CScreen()
{
    if (m_reductions.valid())
        m_reductions.wait();
    if (m_sprites)
        m_sprites->RemoveAll();
    m_pPalette.reset();
    m_pPrimary.reset();
    m_pBackBuffer.reset();
    m_pClipper.reset();
    m_pDirectDraw.reset();
    m_pQuantizer.reset();
}

void CScreen::ChooseVideoMode(CDisplayWindow& window)
{
    CVideoModeDlg dialog;
    dialog.SetModes(g_videoModes);
    dialog.DoModal(window);
    if (dialog.m_selectedMode != -1)
        ApplyVideoMode(g_videoModes[dialog.m_selectedMode]);
}

void CScreen::ApplyVideoMode(const DisplayMode& mode)
{
    m_width = mode.width;
    m_height = mode.height;
    m_bitsPerPixel = mode.bitsPerPixel;
    m_refreshRate = mode.refreshRate;
}

// ---------------------------------------------------------------------------------------
// Initialise
// ---------------------------------------------------------------------------------------

void CScreen::Initialise(CDisplayWindow& window, const PresentOptions& options)
{
    // Every picture is loaded by now: their rescales' working memory can go.
    m_rescaleScratch.Release();
    std::optional<CStartupPhases::CScope> timing(std::in_place, m_pStartupPhases, CStartupPhases::DISPLAY);
    m_pDirectDraw = std::make_unique<CDisplayDevice>(window, CooperativeLevel::Exclusive, options);
    CWorkerPool::Shared();   // its threads start now, where a failure to start them is reported
    m_pDirectDraw->SetBandRunner(ShareBands);
    m_pPalette.reset();
    if (m_bitsPerPixel <= 8) {
        timing.reset();
        CStartupPhases::CScope palette(m_pStartupPhases, CStartupPhases::PALETTE);
        BuildPalette();
        StartReductions();
    }
    m_reductionOrder.clear();
    timing.emplace(m_pStartupPhases, CStartupPhases::DISPLAY);
    if (m_pDirectDraw->SetDisplayMode({m_width, m_height, m_bitsPerPixel, m_refreshRate}) != DISPLAY_OK)
        FailDisplay("cannot set the mode " + std::to_string(m_width) + "x" + std::to_string(m_height) + "x" +
                        std::to_string(m_bitsPerPixel),
                    *m_pDirectDraw);
    BuildSurfaces();
    if (m_bRepairByTiles)
        m_dirtyTiles.Resize(m_width, m_height);
}

// One palette for every stored picture, the key colour reserved in it.
void CScreen::BuildPalette()
{
    m_pQuantizer = std::make_unique<CQuantizer>(1 << m_bitsPerPixel);
    for (int32_t i = 0; m_sprites && i < m_sprites->GetCount(); ++i)
        m_sprites->PictureAt(i)->AddToPalette(*m_pQuantizer);
    m_pQuantizer->ReserveColour(m_keyColour);
    m_pQuantizer->Compute();
    if (m_pDirectDraw->CreatePalette(m_pQuantizer->Entries(), m_pPalette) != DISPLAY_OK)
        FailDisplay("cannot create the palette", *m_pDirectDraw);
}

void CScreen::ReduceAheadInOrder(std::vector<CScreenPicture*> sprites)
{
    m_reductionOrder = std::move(sprites);
}

DisplayResult CScreen::CreateFrameSurface(int32_t width, int32_t height, std::shared_ptr<CSurface>& surface)
{
    const DisplayResult created = m_pDirectDraw->CreateOffscreenSurface(width, height, surface);
    if (created != DISPLAY_OK || !m_pPalette)
        return created;
    return surface->SetPalette(m_pPalette);
}

const std::string& CScreen::DeviceError() const
{
    return m_pDirectDraw->LastError();
}

void CScreen::KeepSprites(std::unique_ptr<CPictureStore> store)
{
    m_sprites = std::move(store);
}

// One thread reduces the pictures one after another; each sprite waits for its own only,
// so the first is drawn while the next is being reduced. A failure is passed to the sprite
// whose picture failed and to every later one, none of which is reduced.
void CScreen::StartReductions()
{
    if (m_reductionOrder.empty() || m_reductions.valid())
        return;
    auto done = std::make_shared<std::vector<std::promise<void>>>(m_reductionOrder.size());
    for (size_t i = 0; i < m_reductionOrder.size(); ++i)
        m_reductionOrder[i]->AwaitReduction((*done)[i].get_future());
    try {
        m_reductions = std::async(std::launch::async, [sprites = m_reductionOrder, done] {
            size_t i = 0;
            try {
                for (; i < sprites.size(); ++i) {
                    sprites[i]->ReduceColours();
                    (*done)[i].set_value();
                }
            } catch (...) {
                for (; i < sprites.size(); ++i)
                    (*done)[i].set_exception(std::current_exception());
            }
        });
    } catch (const std::system_error& failure) {
        // No thread will keep the sprites' promises: they are let go, so that nothing
        // waits on them while the failure unwinds.
        for (CScreenPicture* sprite : m_reductionOrder)
            sprite->AwaitReduction({});
        throw CFatalError(std::string("cannot start the thread that reduces the pictures' colours: ") + failure.what());
    }
}

// The primary with its back buffer, the palette on both, and a clipper whose one rectangle
// is the whole screen (right and bottom exclusive, so the last column and row are drawn).
void CScreen::BuildSurfaces()
{
    if (m_pDirectDraw->CreatePrimarySurface(m_pPrimary) != DISPLAY_OK)
        FailDisplay("cannot create the primary surface", *m_pDirectDraw);
    if (m_pPalette && m_pPrimary->SetPalette(m_pPalette) != DISPLAY_OK)
        FailDisplay("cannot attach the palette to the primary surface", *m_pPrimary);
    m_pBackBuffer = m_pPrimary->GetBackBuffer();
    if (!m_pBackBuffer)
        FailDisplay("the primary surface has no back buffer", *m_pPrimary);
    if (m_pPalette && m_pBackBuffer->SetPalette(m_pPalette) != DISPLAY_OK)
        FailDisplay("cannot attach the palette to the back buffer", *m_pBackBuffer);
    if (m_pDirectDraw->CreateClipper(m_pClipper) != DISPLAY_OK)
        FailDisplay("cannot create the clipper", *m_pDirectDraw);
    m_pClipper->SetClipList(Rect{0, 0, m_width, m_height});
    m_pPrimary->SetClipper(m_pClipper);
    m_pBackBuffer->SetClipper(m_pClipper);
}

// ---------------------------------------------------------------------------------------
// Drawing and presenting
// ---------------------------------------------------------------------------------------

void CScreen::Present()
{
    int32_t restores = 0;
    for (;;) {
        const DisplayResult result = m_pPrimary->Flip();
        if (result == DISPLAY_OK)
            return;
        if (result == DISPLAY_STILL_DRAWING)
            continue;
        if (result != DISPLAY_SURFACE_LOST)
            FailDisplay("cannot flip", *m_pPrimary);
        if (++restores > PRESENT_RESTORE_TRIES || RestoreSurfaces() != DISPLAY_OK)
            FailDisplay("cannot restore the lost display", *m_pPrimary);
    }
}

void CScreen::ToggleFullScreen()
{
    if (!m_pDirectDraw)
        return;
    if (m_pDirectDraw->SetWindowed(!m_pDirectDraw->IsWindowed()) != DISPLAY_OK)
        FailDisplay("cannot switch between full-screen and a window", *m_pDirectDraw);
}

void CScreen::ShowLastFrame()
{
    if (m_pDirectDraw && m_pDirectDraw->RedrawPresented() != DISPLAY_OK)
        FailDisplay("cannot show the frame again", *m_pDirectDraw);
}

DisplayResult CScreen::BlitToBack(const Rect* destination, const Rect* sourceRect, CSurface* source)
{
    // A picture drawn opaque (a user's background) has no key to blit with.
    const uint32_t flags = source != nullptr && !source->HasColourKey() ? 0 : BLIT_SOURCE_KEY;
    return m_pBackBuffer->Blit(destination, source, sourceRect, flags);
}

bool CScreen::TakeDirty(Rect& rect)
{
    if (m_bRepairByTiles)
        return m_dirtyTiles.Take(rect);
    if (m_dirtyRects.Count() == 0)
        return false;
    m_dirtyRects.Next(rect);
    return true;
}

// The text through a drawing context of the back buffer; the first opens the font, which
// the start-up record counts as its own phase.
bool CScreen::WriteText(const std::string& text, Rect* textRect)
{
    std::unique_ptr<CDrawingContext> context;
    if (m_pBackBuffer->GetDrawingContext(context) != DISPLAY_OK)
        return false;
    const CStartupPhases::CScope timing(m_pStartupPhases, CStartupPhases::FONT);
    context->TextOut(0, 0, text, textRect);
    m_pBackBuffer->ReleaseDrawingContext(context);
    return true;
}

const std::string& CScreen::BackBufferError() const
{
    return m_pBackBuffer->LastError();
}

DisplayResult CScreen::RestoreSurfaces()
{
    for (CSurface* surface : {m_pPrimary.get(), m_pBackBuffer.get()}) {
        if (surface == nullptr || surface->IsLost() != DISPLAY_SURFACE_LOST)
            continue;
        const DisplayResult result = surface->Restore();
        if (result != DISPLAY_OK)
            return result;
        m_bRestored = true;
    }
    return DISPLAY_OK;
}

bool CScreen::RecoverFromLoss()
{
    if (m_pBackBuffer->IsLost() == DISPLAY_SURFACE_LOST && RestoreSurfaces() != DISPLAY_OK)
        FailDisplay("cannot restore the lost display", *m_pBackBuffer);
    if (!TakeRestoredFlag())
        return false;
    Rect dropped;
    while (TakeDirty(dropped)) {
    }
    return true;
}

void CScreen::LoseAllSurfaces()
{
    m_pDirectDraw->LoseAllSurfaces();
}

bool CScreen::TakeRestoredFlag()
{
    const bool restored = m_bRestored;
    m_bRestored = false;
    return restored;
}

// ---------------------------------------------------------------------------------------
// Scaling
// ---------------------------------------------------------------------------------------

Rect CScreen::ScaleRect(const Rect& world) const
{
    return Rect{m_width * world.left / WORLD_WIDTH, m_height * world.top / WORLD_HEIGHT,
                m_width * world.right / WORLD_WIDTH, m_height * world.bottom / WORLD_HEIGHT};
}

SizeInPixels CScreen::ScaleSize(int32_t width, int32_t height) const
{
    return SizeInPixels{m_width * width / WORLD_WIDTH, m_height * height / WORLD_HEIGHT};
}

// ---------------------------------------------------------------------------------------
// Colour keys
// ---------------------------------------------------------------------------------------

DisplayResult CScreen::SetColourKey(CSurface* surface, ColourRef colour)
{
    const uint32_t raw = MatchColour(surface, colour);
    return surface->SetColourKey(raw, raw);
}

// The colour is written to the top-left pixel through a drawing context (which converts it
// to the surface's format), read back raw, and the pixel put back as it was.
uint32_t CScreen::MatchColour(CSurface* surface, ColourRef colour)
{
    uint32_t result = 0xFFFFFFFF;
    ColourRef saved = COLOUR_INVALID;
    std::unique_ptr<CDrawingContext> context;
    if (colour != KEY_FROM_FIRST_PIXEL && surface->GetDrawingContext(context) == DISPLAY_OK) {
        saved = context->GetPixel(0, 0);
        context->SetPixel(0, 0, colour);
        surface->ReleaseDrawingContext(context);
    }

    LockedPixels pixels;
    DisplayResult locked;
    while ((locked = surface->Lock(pixels)) == DISPLAY_STILL_DRAWING) {
    }
    if (locked == DISPLAY_OK) {
        uint32_t word = 0;
        std::memcpy(&word, pixels.bits, static_cast<size_t>(pixels.bitsPerPixel / 8));
        result = pixels.bitsPerPixel < 32 ? word & ((1u << pixels.bitsPerPixel) - 1) : word;
        surface->Unlock();
    }

    if (saved != COLOUR_INVALID && surface->GetDrawingContext(context) == DISPLAY_OK) {
        context->SetPixel(0, 0, saved);
        surface->ReleaseDrawingContext(context);
    }
    return result;
}
