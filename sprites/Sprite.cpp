// Sprite.cpp — loading, frame surfaces and drawing of one picture.
#include "sprites/Sprite.h"

#include <optional>
#include <string>
#include <utility>

#include "display/Screen.h"
#include "game/Game.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/Ditherer.h"
#include "imaging/KernelFilters.h"
#include "imaging/Quantizer.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/PictureResources.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/DrawingContext.h"
#include "platform/video/Surface.h"
#include "sprites/SpriteStore.h"

namespace {

// A blit that keeps finding the display lost after this many restores ends the program
// rather than trying for ever.
constexpr int32_t BLIT_TRIES = 4;

// A frame count a user's picture's name may give is one a sprite can hold.
static_assert(CPictureFolder::MAX_FRAMES == CSprite::MAX_FRAMES);

} // namespace

CSprite::CSprite(CGame* game, std::string name) : m_name(std::move(name)), m_pGame(game) {}

// Releases the frame surfaces; the picture goes with the sprite too.
CSprite::~CSprite() = default;

// ---------------------------------------------------------------------------------------
// Loading
// ---------------------------------------------------------------------------------------

void CSprite::Load(const std::string& resourceName, int32_t frameWidth, int32_t frameHeight)
{
    CScreen& screen = m_pGame->Screen();
    std::optional<CStartupPhases::CScope> timing(std::in_place, screen.StartupPhases(), CStartupPhases::DECODE);
    std::string origin;
    std::unique_ptr<CBitmap24> picture = ReadPicture(resourceName, origin);
    timing.reset();

    // The whole strip at once: the strip's height is rounded once, not per frame.
    const SizeInPixels target = screen.ScaleSize(frameWidth, m_frameCount * frameHeight);
    CheckFrames(target, origin);
    m_targetWidth = target.width;
    m_targetHeight = target.height;
    timing.emplace(screen.StartupPhases(), CStartupPhases::RESCALE);
    CBitmapRescaler rescaler(picture.get(), &screen.RescaleScratch());
    rescaler.Rescale(target, MITCHELL_FILTER, m_keyColour);
    picture.reset();
    m_hBitmap = rescaler.GetBitmap();
}

std::unique_ptr<CBitmap24> CSprite::ReadPicture(const std::string& resourceName, std::string& origin)
{
    std::optional<OwnPicture> own = m_pGame->Sprites().TakeOwnPicture(resourceName);
    if (own) {
        if (own->frames > 0)
            m_frameCount = own->frames;
        if (own->opaque)
            m_keyColour.reset();
        else if (own->alphaKey)
            m_keyColour = own->alphaKey;
        origin = "picture " + QuotedPath(own->path);
    } else {
        origin = "sprite '" + m_name + "'";
    }
    if (m_frameCount < 1 || m_frameCount > MAX_FRAMES)
        throw CFatalError(origin + ": " + std::to_string(m_frameCount) + " frames (1 to " +
                          std::to_string(MAX_FRAMES) + " allowed)");
    if (own)
        return std::move(own->picture);   // its frames checked whole when its folder was read
    std::string why;
    std::unique_ptr<CBitmap24> picture = LoadPicture(resourceName, &why);
    if (!picture)
        throw CFatalError(origin + ": " + why);
    return picture;
}

// The frames are cut from the rescaled strip by equal shares of its height: each must keep
// at least one pixel each way at the mode's size.
void CSprite::CheckFrames(SizeInPixels target, const std::string& origin) const
{
    if (target.width < 1 || target.height < m_frameCount)
        throw CFatalError(origin + ": a frame would be smaller than 1x1 pixel at " +
                          std::to_string(m_pGame->Screen().Width()) + "x" +
                          std::to_string(m_pGame->Screen().Height()) + " (" + std::to_string(target.width) + "x" +
                          std::to_string(target.height / m_frameCount) + ")");
}

// ---------------------------------------------------------------------------------------
// Frame surfaces
// ---------------------------------------------------------------------------------------

void CSprite::CreateSurfaces(int32_t frameWidth, int32_t frameHeight)
{
    CScreen& screen = m_pGame->Screen();
    const SizeInPixels target = screen.ScaleSize(frameWidth, frameHeight);
    m_targetWidth = target.width;
    m_targetHeight = target.height;
    m_frameWidth = m_hBitmap->Width();
    m_frameHeight = m_hBitmap->Height() / m_frameCount;

    // The surfaces first: while the picture is still being reduced on another thread,
    // making them costs no time of its own.
    std::optional<CStartupPhases::CScope> timing(std::in_place, screen.StartupPhases(), CStartupPhases::SURFACES);
    for (int32_t i = 0; i < m_frameCount; ++i) {
        std::shared_ptr<CSurface>& surface = m_surfaces[i];
        if (!surface) {
            if (screen.CreateFrameSurface(m_frameWidth, m_frameHeight, surface) != DISPLAY_OK) {
                if (!surface)
                    throw CFatalError("sprite '" + m_name + "': cannot create a frame surface: " + screen.DeviceError());
                throw CFatalError("sprite '" + m_name + "': cannot attach the palette: " + surface->LastError());
            }
        } else if (surface->IsLost() == DISPLAY_SURFACE_LOST && surface->Restore() != DISPLAY_OK) {
            throw CFatalError("sprite '" + m_name + "': cannot restore a frame surface: " + surface->LastError());
        }
    }

    // Once: the picture keeps its reduced pixels, which every later filling (after a loss)
    // copies again. A second pass over palette colours would drift further each time.
    if (m_reducedAhead.valid() || (screen.HasPalette() && (m_flags & SPRITE_DITHER) && !m_bReduced)) {
        timing.emplace(screen.StartupPhases(), CStartupPhases::DITHER);
        if (m_reducedAhead.valid())
            m_reducedAhead.get();   // reduced on another thread; passes on what failed there
        ReduceColours();            // nothing left to do after a reduction ahead
    }

    timing.emplace(screen.StartupPhases(), CStartupPhases::SURFACES);
    for (int32_t i = 0; i < m_frameCount; ++i)
        FillFrame(i);
}

void CSprite::ReduceColours()
{
    const CScreen& screen = m_pGame->Screen();
    if (!screen.HasPalette() || !(m_flags & SPRITE_DITHER) || m_bReduced)
        return;
    CDitherer ditherer;
    ditherer.SetQuantizer(screen.Quantizer());
    ditherer.SetKeyColour(m_keyColour);
    ditherer.Dither(m_hBitmap.get());
    m_bReduced = true;
}

void CSprite::AddToPalette(CQuantizer& quantizer) const
{
    quantizer.AddBitmap(m_hBitmap.get(), m_paletteWeight);
}

void CSprite::AwaitReduction(std::future<void> reduced)
{
    m_reducedAhead = std::move(reduced);
}

// Copies frame i of the picture onto its surface and sets the surface's colour key.
void CSprite::FillFrame(int32_t frame)
{
    CSurface& surface = *m_surfaces[frame];
    std::unique_ptr<CDrawingContext> context;
    if (surface.GetDrawingContext(context) != DISPLAY_OK)
        throw CFatalError("sprite '" + m_name + "': cannot draw on a frame surface: " + surface.LastError());
    const bool copied = context->StretchBlt(Rect{0, 0, m_targetWidth, m_targetHeight}, *m_hBitmap,
                                            Rect{0, frame * m_frameHeight, m_frameWidth, (frame + 1) * m_frameHeight});
    surface.ReleaseDrawingContext(context);
    if (!copied)
        throw CFatalError("sprite '" + m_name + "': cannot copy frame " + std::to_string(frame));
    // A picture without a key is drawn opaque: its surface gets none.
    if (m_keyColour && m_pGame->Screen().SetColourKey(&surface, *m_keyColour) != DISPLAY_OK)
        throw CFatalError("sprite '" + m_name + "': cannot set the colour key: " + surface.LastError());
}

// ---------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------

void CSprite::Blit(const Rect& world, int32_t frame)
{
    CScreen& screen = m_pGame->Screen();
    if (!m_surfaces[frame])
        CreateSurfaces(world.Width(), world.Height());

    const Rect pixels = screen.ScaleRect(world);
    for (int32_t attempt = 1;; ++attempt) {
        const DisplayResult result = screen.BlitToBack(&pixels, nullptr, m_surfaces[frame].get());
        if (result == DISPLAY_OK)
            break;
        if (result == DISPLAY_INVALID_RECT)
            return;
        if (result != DISPLAY_SURFACE_LOST)
            throw CFatalError("sprite '" + m_name + "': cannot draw: " + screen.BackBufferError());
        if (attempt == BLIT_TRIES)
            throw CFatalError("sprite '" + m_name + "': the display stays lost after " +
                              std::to_string(attempt - 1) + " restores");
        // The lost surface may be the back buffer, which refilling the frames cannot mend.
        if (screen.RestoreSurfaces() != DISPLAY_OK)
            throw CFatalError("sprite '" + m_name + "': cannot restore the display: " +
                              screen.BackBufferError());
        CreateSurfaces(world.Width(), world.Height());
    }
    if (!(m_flags & SPRITE_NODIRTY))
        screen.MarkDirty(pixels);
}
