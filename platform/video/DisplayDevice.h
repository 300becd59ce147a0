// DisplayDevice.h — the display device: modes, surfaces, palettes and clippers.
//
// A device is made for a window at a cooperative level. At the normal level it only lists
// the display modes. At the exclusive level it sets a mode — presented as desktop
// full-screen (or in a window) with the back buffer scaled to fit, aspect ratio kept —
// and makes the primary surface with its back buffer, off-screen surfaces, palettes and
// clippers. Depths 8, 16, 24 and 32 are all emulated in software, so every listed mode
// can be set.
//
//     CDisplayDevice device(window, CooperativeLevel::Exclusive);
//     device.SetDisplayMode({800, 600, 8, 0});
//     std::shared_ptr<CSurface> primary;
//     device.CreatePrimarySurface(primary);
//     auto back = primary->GetBackBuffer();
//     ... draw into back ...
//     primary->Flip();
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"
#include "platform/video/BlitBatch.h"
#include "platform/video/DisplayMode.h"
#include "platform/video/DisplayObject.h"

class CClipper;
class CDisplayPalette;
class CDisplayWindow;
class CSurface;
struct DeviceState;

enum class CooperativeLevel { Normal, Exclusive };

struct PresentOptions {
    bool windowed = false;          // a normal window of the mode's size, not full-screen
};

class CDisplayDevice : public CDisplayObject {
public:
    // A device on the desktop at the normal level: it only lists the display modes.
    CDisplayDevice();
    // A device for the window. Throws CFatalError with SDL's text when it cannot be made.
    CDisplayDevice(CDisplayWindow& window, CooperativeLevel level, PresentOptions options = {});
    ~CDisplayDevice() override;

    CDisplayDevice(const CDisplayDevice&) = delete;
    CDisplayDevice& operator=(const CDisplayDevice&) = delete;

    // Calls `each` once per mode: every resolution and refresh rate the display reports,
    // plus 640×480, 800×600, 1024×768 and 1920×1080 where missing, each at 8, 16, 24 and
    // 32 bits, ordered by depth, then width, height and refresh rate.
    void EnumDisplayModes(const std::function<void(const DisplayMode&)>& each) const;

    // Sets the mode (exclusive level only). Fails for a size of 0 or above 16384 or a
    // depth other than 8, 16, 24 or 32 (and while surfaces of the current mode exist).
    DisplayResult SetDisplayMode(const DisplayMode& mode);
    const DisplayMode& Mode() const;

    // The primary surface with one back buffer, at the mode's size and depth.
    DisplayResult CreatePrimarySurface(std::shared_ptr<CSurface>& primary);
    // A plain off-screen surface of the given size in the mode's format, cleared to 0.
    DisplayResult CreateOffscreenSurface(int32_t width, int32_t height, std::shared_ptr<CSurface>& surface);
    // A palette of 256 entries.
    DisplayResult CreatePalette(const std::array<PaletteEntry, 256>& entries, std::shared_ptr<CDisplayPalette>& palette);
    DisplayResult CreateClipper(std::shared_ptr<CClipper>& clipper);

    // Blits onto the back buffer are recorded and drawn together, in bands of rows, when
    // anything needs pixels (CBlitBatch). The band count: 0, the default, sizes the bands for
    // the cache; 1 draws each blit whole, in order. DISPLAY_FAILED for a count below 0 or
    // above CBlitBatch::MAX_BANDS.
    DisplayResult SetBlitBands(int32_t bands);
    // Who shares the bands out over threads; none (the default) has the caller draw them.
    // The recorded blits are drawn first, by the runner they were recorded under.
    void SetBandRunner(CBlitBatch::BandRunner runner);
    // Blits recorded and not yet drawn (for tests).
    int32_t RecordedBlitCount() const;

    // Every surface of the device loses its contents, as when the system takes the display
    // away: each reports DISPLAY_SURFACE_LOST until restored. For tests and diagnostics.
    void LoseAllSurfaces();
    // The next `restores` restores of the primary surface leave it lost again at once, as
    // a display taken away again and again does. For tests of the callers' retry limits.
    void LosePrimaryAgainOnRestore(int32_t restores);

    // Switches between full-screen and a window of the mode's size without touching any
    // surface, and shows the last frame again in the new presentation.
    DisplayResult SetWindowed(bool windowed);
    bool IsWindowed() const;
    // Shows the last presented frame again (the window was uncovered or resized).
    DisplayResult RedrawPresented();

    // The pixels the renderer last showed, 0x00RRGGBB, at the output size (for tests).
    DisplayResult ReadPresentedPixels(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height);
    // Back-buffer pixels uploaded for presentation since the primary surface was made: only
    // what changed between flips is uploaded (for tests and benchmarks).
    uint64_t UploadedPixelCount() const;

private:
    std::shared_ptr<DeviceState> m_state;
};
