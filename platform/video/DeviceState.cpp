// DeviceState.cpp — surfaces made, registered, lost together; changes routed to the presenter.
#include "platform/video/DeviceState.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/video/DisplayWindow.h"

namespace {

// Rows start on 4-byte boundaries, as display memory rows do.
int32_t PitchOf(int32_t width, int32_t bitsPerPixel)
{
    return (width * (bitsPerPixel / 8) + 3) & ~3;
}

} // namespace

DeviceState::DeviceState(CDisplayWindow* displayWindow, CooperativeLevel cooperativeLevel,
                         PresentOptions presentOptions)
    : window(displayWindow), level(cooperativeLevel), options(presentOptions)
{
}

void DeviceState::StartOpeningFont()
{
    if (font || fontOpening.valid() || detached)
        return;
    try {
        fontOpening = std::async(std::launch::async, [] {
            FontOpening opening;
            opening.font = CTextFont::Open(opening.error);
            return opening;
        });
    } catch (const std::system_error& failure) {
        throw CFatalError(std::string("cannot start the thread that opens the font: ") + failure.what());
    }
}

// The recorded blits are drawn while the runner's owner surely exists; surfaces that
// outlive the device draw what they record on their own thread.
void DeviceState::Detach()
{
    DrawRecordedBlits();
    recordedBlits.SetRunner({});
    presenter.reset();
    shownBackBuffer = nullptr;
    fontOpening = {};   // waits for it, and closes what it opened
    font.reset();
    window = nullptr;
    detached = true;
}

// ---------------------------------------------------------------------------------------
// Making surfaces
// ---------------------------------------------------------------------------------------

std::shared_ptr<CSurface> DeviceState::MakeSurface(const std::shared_ptr<DeviceState>& self, SurfaceRole role,
                                                   int32_t width, int32_t height)
{
    auto data = std::make_unique<CSurface::Data>();
    data->device = self;
    data->role = role;
    data->width = width;
    data->height = height;
    data->bitsPerPixel = mode.bitsPerPixel;
    if (role != SurfaceRole::Primary) {
        data->pitch = PitchOf(width, mode.bitsPerPixel);
        data->memory = surfaceMemory.Allocate(CheckedArrayBytes(int64_t{data->pitch} * height, 1, "surface"));
    }
    CSurface::Data* registered = data.get();
    std::shared_ptr<CSurface> surface(new CSurface(std::move(data)));
    surfaces.push_back(registered);
    return surface;
}

std::shared_ptr<CSurface> DeviceState::MakePrimary(const std::shared_ptr<DeviceState>& self, std::string& error)
{
    auto shower = std::make_unique<CPresenter>(window->Renderer(), mode.width, mode.height, mode.bitsPerPixel);
    if (!shower->CreateTexture()) {
        error = shower->Error();
        return nullptr;
    }
    std::shared_ptr<CSurface> primary = MakeSurface(self, SurfaceRole::Primary, mode.width, mode.height);
    std::shared_ptr<CSurface> back = MakeSurface(self, SurfaceRole::BackBuffer, mode.width, mode.height);
    primary->m_data->backBuffer = back;
    presenter = std::move(shower);
    shownBackBuffer = back->m_data.get();
    // Dialogs stand on the last frame, as a window system keeps a window's picture under them.
    // The window may outlive the device (and the device the window), so it holds the state
    // only weakly and finds no presenter once the device is gone.
    window->SetBackdrop([weak = std::weak_ptr<DeviceState>(self)] {
        const std::shared_ptr<DeviceState> state = weak.lock();
        return state && state->presenter && state->presenter->DrawLastFrame();
    });
    return primary;
}

void DeviceState::Unregister(const CSurface::Data* data)
{
    std::erase(surfaces, data);
    if (data == shownBackBuffer)
        shownBackBuffer = nullptr;
}

// ---------------------------------------------------------------------------------------
// Loss
// ---------------------------------------------------------------------------------------

void DeviceState::LoseAllSurfaces()
{
    for (CSurface::Data* surface : surfaces) {
        surface->lost = true;
        surface->Clear();
        NoteWholeChange(*surface);
    }
}

void DeviceState::LoseTextures()
{
    for (CSurface::Data* surface : surfaces)
        if (surface->role == SurfaceRole::Primary)
            surface->lost = true;
}

// ---------------------------------------------------------------------------------------
// Changes and the font
// ---------------------------------------------------------------------------------------

void DeviceState::NoteChange(const CSurface::Data& surface, const Rect& rectangle)
{
    if (presenter && &surface == shownBackBuffer)
        presenter->Changes().Add(rectangle);
}

void DeviceState::NoteWholeChange(const CSurface::Data& surface)
{
    if (presenter && &surface == shownBackBuffer)
        presenter->Changes().AddAll();
}

CTextFont* DeviceState::Font(std::string& error)
{
    if (!font && !detached && fontOpening.valid()) {
        FontOpening opening = fontOpening.get();
        font = std::move(opening.font);
        if (!font)
            error = opening.error;
    } else if (!font && !detached)
        font = CTextFont::Open(error);
    else if (!font)
        error = "the display device is gone";
    return font.get();
}
