// Screen.h — the program's display: device, mode, flipping surfaces, palette, clipper,
// the dirty-rectangle list and the sprite store.
//
// Life in three steps: the constructor lists the display modes (into g_videoModes);
// ChooseVideoMode lets the user pick one (or ApplyVideoMode sets one); after the game
// objects have loaded their sprites, Initialise takes the window over and builds
// everything needed to draw. Then each tick draws into the back buffer and ends with
// Present. World rectangles (1600 × 1200 units) become pixels through ScaleRect.
#pragma once

#include <cstdint>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "display/DirtyRectList.h"
#include "display/DirtyTiles.h"
#include "display/PictureStore.h"
#include "display/ScreenPicture.h"
#include "display/StartupPhases.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/RescaleScratch.h"
#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"
#include "platform/video/DisplayDevice.h"

class CClipper;
class CDisplayPalette;
class CDisplayWindow;
class CQuantizer;
class CSurface;
struct DisplayMode;

// The world's size in units, whatever the display mode.
constexpr int32_t WORLD_WIDTH = 1600;
constexpr int32_t WORLD_HEIGHT = 1200;

class CScreen {
public:
    // Lists the display modes into g_videoModes. Throws CFatalError when no device can be
    // made to list them.
    CScreen();
    virtual ~CScreen();

    CScreen(const CScreen&) = delete;
    CScreen& operator=(const CScreen&) = delete;

    // Shows the "Video Mode" dialog over the window and takes the chosen mode; cancelling
    // keeps the current one (640 × 480 × 8 at the default refresh rate until changed).
    void ChooseVideoMode(CDisplayWindow& window);
    // Takes a mode without asking.
    void ApplyVideoMode(const DisplayMode& mode);

    // The sprites in the order they will first be drawn. Given before Initialise, it has
    // their pictures reduced to the palette on another thread, one after another in that
    // order, while the display is set up and the first ones are drawn: the palette's
    // cache fills just as drawing them in turn would fill it, so every pixel comes out the
    // same. Without it each picture is reduced when first drawn.
    void ReduceAheadInOrder(std::vector<CScreenPicture*> sprites);

    // Takes the store of every picture over (the world gives it its sprite store). The
    // palette is built from what it holds, and it is emptied before the display goes.
    void KeepSprites(std::unique_ptr<CPictureStore> store);

    // Takes the window over at the chosen mode: in 8-bit modes computes the palette from
    // every stored sprite (and starts reducing the pictures given to ReduceAheadInOrder),
    // then builds the primary surface, its back buffer and the clipper. Every failure is
    // fatal (CFatalError saying what failed and why).
    void Initialise(CDisplayWindow& window, const PresentOptions& options = {});

    // Flips the back buffer to the front, restoring lost surfaces on the way.
    void Present();
    // Switches between full-screen and a window of the mode's size, keeping every surface,
    // and shows the last frame again. Throws CFatalError when the window refuses.
    void ToggleFullScreen();
    // Shows the last presented frame again (after the window was uncovered). Nothing
    // before the display is initialised.
    void ShowLastFrame();

    // Blits `source` (or its `sourceRect`) onto `destination` of the back buffer with the
    // source colour key. Returns the blit's result unchanged.
    DisplayResult BlitToBack(const Rect* destination, const Rect* sourceRect, CSurface* source);

    // World units to pixels: x × width / 1600, y × height / 1200, truncated toward zero.
    Rect ScaleRect(const Rect& world) const;
    SizeInPixels ScaleSize(int32_t width, int32_t height) const;

    // Sets the surface's source colour key to the surface's raw value for the colour.
    DisplayResult SetColourKey(CSurface* surface, ColourRef colour);
    // The raw value the surface stores for the colour; for KEY_FROM_FIRST_PIXEL, the raw
    // value of its top-left pixel. 0xFFFFFFFF when the surface cannot be read.
    uint32_t MatchColour(CSurface* surface, ColourRef colour);

    // --- the mode and its sizes ---------------------------------------------------------
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int32_t BitsPerPixel() const { return m_bitsPerPixel; }
    int32_t RefreshRate() const { return m_refreshRate; }
    // The key colour, SCREEN_KEY_COLOUR: reserved in the palette, and the background's key.
    ColourRef KeyColour() const { return m_keyColour; }

    // --- start-up: what loading and preparing the pictures share -------------------------
    // Where start-up phases are recorded (--benchmark); null records nothing. Not owned.
    void RecordStartupIn(CStartupPhases* phases) { m_pStartupPhases = phases; }
    CStartupPhases* StartupPhases() const { return m_pStartupPhases; }
    // The working memory every picture's rescale shares until Initialise gives it back.
    CRescaleScratch& RescaleScratch() { return m_rescaleScratch; }
    // True in modes of 8 bits or fewer, once Initialise has built the palette.
    bool HasPalette() const { return m_pPalette != nullptr; }
    // The palette's quantizer, which reduces pictures to it; null without a palette.
    const CQuantizer* Quantizer() const { return m_pQuantizer.get(); }
    // An off-screen surface of the given pixel size for a sprite's frame, the palette
    // attached (where there is one). On a failure, DeviceError or the surface's own
    // LastError says why, as the result tells.
    DisplayResult CreateFrameSurface(int32_t width, int32_t height, std::shared_ptr<CSurface>& surface);
    // The display device's last failure.
    const std::string& DeviceError() const;

    // --- drawing a frame ------------------------------------------------------------------
    // Repair through a grid of tiles instead of the bounded list, for a run whose table was
    // lifted for many balls (the list's entries overlap more and more there). Called
    // before Initialise, which sizes the grid.
    void RepairByTiles() { m_bRepairByTiles = true; }
    bool RepairsByTiles() const { return m_bRepairByTiles; }
    // Records pixels drawn over, for the background to repair on the next tick.
    void MarkDirty(const Rect& pixels)
    {
        if (m_bRepairByTiles)
            m_dirtyTiles.Add(pixels);
        else
            m_dirtyRects.Add(pixels);
    }
    // Takes the next rectangle to repair into `rect`; false when none is left.
    bool TakeDirty(Rect& rect);
    // Writes the readout's text at the top-left of the back buffer; `textRect` receives
    // where it went. False (nothing written) when the back buffer cannot be drawn on.
    bool WriteText(const std::string& text, Rect* textRect);
    // The back buffer's last failure.
    const std::string& BackBufferError() const;
    // The frame being drawn, for the screenshot, the recording and the benchmark to read;
    // null before Initialise.
    CSurface* BackBuffer() const { return m_pBackBuffer.get(); }

    // --- a lost display: one path ---------------------------------------------------------
    // Every drawing step that finds a surface of the screen lost calls RestoreSurfaces; the
    // background's next Draw calls RecoverFromLoss, which takes the record, drops what was
    // to be repaired and says that everything must be drawn whole again.
    //
    // Restores the back buffer (and the primary) after a loss; records that it happened.
    DisplayResult RestoreSurfaces();
    // Restores a lost back buffer at the start of a frame. Returns true once after any
    // restore since the last call (the rectangles waiting for repair are dropped then:
    // what was drawn is gone). Throws CFatalError when the back buffer cannot be restored.
    bool RecoverFromLoss();
    // Loses every surface, as a lost display would (--lose-surfaces-every).
    void LoseAllSurfaces();

    // Pure blue: reserved in the palette, and the background's transparent colour.
    static constexpr ColourRef SCREEN_KEY_COLOUR = 0x00FF0000;

private:
    friend class CScreenInside;   // the tests' one view of the members below

    void BuildPalette();
    void BuildSurfaces();
    // Starts the thread that reduces the pictures of m_reductionOrder, each sprite given
    // the future it waits on.
    void StartReductions();
    // True once after surfaces were restored from a loss; reading it clears it.
    bool TakeRestoredFlag();

    CDirtyRectList m_dirtyRects;
    CDirtyTiles m_dirtyTiles;
    bool m_bRepairByTiles = false;
    int32_t m_refreshRate = 0;
    int32_t m_width = 640;
    int32_t m_height = 480;
    int32_t m_bitsPerPixel = 8;
    std::unique_ptr<CPictureStore> m_sprites;   // the sprite store, seen as pictures
    std::unique_ptr<CDisplayDevice> m_pDirectDraw;
    std::shared_ptr<CSurface> m_pPrimary;
    std::shared_ptr<CSurface> m_pBackBuffer;
    std::shared_ptr<CClipper> m_pClipper;
    std::shared_ptr<CDisplayPalette> m_pPalette;   // only in modes of 8 bits or fewer
    std::unique_ptr<CQuantizer> m_pQuantizer;      // likewise
    ColourRef m_keyColour = SCREEN_KEY_COLOUR;
    // Working memory that every picture's rescale shares during start-up (given back by
    // Initialise, when all pictures are loaded).
    CRescaleScratch m_rescaleScratch;
    CStartupPhases* m_pStartupPhases = nullptr;   // not owned; null records nothing

    bool m_bRestored = false;
    std::vector<CScreenPicture*> m_reductionOrder;   // until Initialise takes it
    std::future<void> m_reductions;           // that thread; waited for before the sprites go
};
