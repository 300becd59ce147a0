// DeviceState.h — what a display device and its surfaces share.
//
// Surfaces hold the state (not the device), so a surface released after its device stays
// valid memory: it can still be blitted, but no longer presented. The state keeps a list
// of its live surfaces for losing them all at once, and the presenter and font that only
// exist while the device does. An exclusive device starts opening the font on another
// thread as soon as it is made (finding it through fontconfig takes a while), so that it
// is ready, or nearly, by the first text.
#pragma once

#include <future>
#include <memory>
#include <string>
#include <vector>

#include "platform/video/BlitBatch.h"
#include "platform/video/DisplayDevice.h"
#include "platform/video/Presenter.h"
#include "platform/video/SurfaceData.h"
#include "platform/video/SurfaceMemory.h"
#include "platform/video/TextFont.h"

class CDisplayWindow;

// A font opened on another thread: the font, or null and why not.
struct FontOpening {
    std::unique_ptr<CTextFont> font;
    std::string error;
};

struct DeviceState {
    DeviceState(CDisplayWindow* window, CooperativeLevel level, PresentOptions options);

    // The device is going: its presentation and font go with it (the window may close
    // next), and any surface still held can no longer be presented.
    void Detach();

    // A new surface of the mode's format, registered with the state, all 0.
    std::shared_ptr<CSurface> MakeSurface(const std::shared_ptr<DeviceState>& self, SurfaceRole role, int32_t width,
                                          int32_t height);
    // The primary surface and its back buffer at the mode's size, with the presenter that
    // shows them; null with `error` when the display texture cannot be made.
    std::shared_ptr<CSurface> MakePrimary(const std::shared_ptr<DeviceState>& self, std::string& error);
    void Unregister(const CSurface::Data* data);

    // Every surface loses its contents (cleared) and reports the loss until restored.
    void LoseAllSurfaces();
    // The renderer lost its textures: the primary reports the loss until restored.
    void LoseTextures();

    // Draws the blits recorded onto the back buffer. Called before anything else touches
    // any surface's pixels (CSurface::Data::View) and before a surface goes.
    void DrawRecordedBlits() { recordedBlits.Draw(); }

    // Notes pixels changed on a surface; only the back buffer's changes matter (uploads).
    void NoteChange(const CSurface::Data& surface, const Rect& rectangle);
    void NoteWholeChange(const CSurface::Data& surface);

    // Starts opening the font on another thread, once. An exclusive device does so when it
    // first sets a mode: text follows soon, and the callers' own start-up work (pictures,
    // palette) has had both cores until then.
    void StartOpeningFont();
    // The font for text, opened the first time it is asked for; null with `error`.
    CTextFont* Font(std::string& error);

    CDisplayWindow* window;   // null for the desktop device, and once detached
    CooperativeLevel level;
    PresentOptions options;
    DisplayMode mode;         // all zero until a mode is set
    bool detached = false;
    std::vector<CSurface::Data*> surfaces;
    CSurfaceMemory surfaceMemory;   // the surfaces' pixels
    std::unique_ptr<CPresenter> presenter;   // while a primary surface exists
    const CSurface::Data* shownBackBuffer = nullptr;   // the back buffer the presenter shows
    std::unique_ptr<CTextFont> font;
    std::future<FontOpening> fontOpening;   // from StartOpeningFont until Font takes it
    int32_t primaryLossesOnRestore = 0;     // restores of the primary that it does not survive
    CBlitBatch recordedBlits;   // blits onto the back buffer, drawn when its pixels are needed
};
