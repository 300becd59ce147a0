// DisplayDevice.cpp — display modes, the emulated mode change, and making surfaces,
// palettes and clippers.
#include "platform/video/DisplayDevice.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>

#include <SDL.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/video/Clipper.h"
#include "platform/video/DeviceState.h"
#include "platform/video/DisplayPalette.h"
#include "platform/video/DisplayWindow.h"

namespace {

// ---------------------------------------------------------------------------------------
// Modes
// ---------------------------------------------------------------------------------------

// Every depth is emulated in software, so every resolution is offered at each of them.
constexpr std::array<int32_t, 4> DEPTHS = {8, 16, 24, 32};
// Offered even where the display does not report them: the program's pictures are made
// for 640 × 480, these are the classic sizes, and 1920 × 1080 is today's common desktop
// (which a headless run, whose only display is 1024 × 768, can then use too).
constexpr std::array<std::pair<int32_t, int32_t>, 4> STANDARD_SIZES = {
    {{640, 480}, {800, 600}, {1024, 768}, {1920, 1080}}};
// The largest side of a back buffer (16384 × 16384 × 4 bytes is the largest surface).
constexpr int32_t MAX_MODE_SIDE = 16384;

// The depths and sides a mode may have.
bool IsSettableDepth(int32_t bitsPerPixel)
{
    return std::find(DEPTHS.begin(), DEPTHS.end(), bitsPerPixel) != DEPTHS.end();
}

bool IsSettableSide(int32_t side)
{
    return side >= 1 && side <= MAX_MODE_SIDE;
}

// Depth first, then width, height and refresh rate.
bool ModeBefore(const DisplayMode& a, const DisplayMode& b)
{
    return std::tie(a.bitsPerPixel, a.width, a.height, a.refreshRate) <
           std::tie(b.bitsPerPixel, b.width, b.height, b.refreshRate);
}

// Lists a resolution once per depth.
void AddAtEveryDepth(std::vector<DisplayMode>& modes, int32_t width, int32_t height, int32_t refreshRate)
{
    for (int32_t depth : DEPTHS)
        modes.push_back(DisplayMode{width, height, depth, refreshRate});
}

// True when some mode already has this resolution.
bool HasSize(const std::vector<DisplayMode>& modes, int32_t width, int32_t height)
{
    return std::any_of(modes.begin(), modes.end(),
                       [&](const DisplayMode& m) { return m.width == width && m.height == height; });
}

// ---------------------------------------------------------------------------------------
// Renderer resets
// ---------------------------------------------------------------------------------------

// Called by SDL as each event is queued: a renderer that lost its textures makes the
// primary surface lost.
int WatchRenderResets(void* state, SDL_Event* event)
{
    if (event->type == SDL_RENDER_TARGETS_RESET || event->type == SDL_RENDER_DEVICE_RESET)
        static_cast<DeviceState*>(state)->LoseTextures();
    return 1;
}

// A device needs SDL's video subsystem (CSdlSession).
void RequireVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        throw CFatalError("cannot make a display device: SDL video is not started");
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lifetime
// ---------------------------------------------------------------------------------------

CDisplayDevice::CDisplayDevice()
{
    RequireVideo();
    m_state = std::make_shared<DeviceState>(nullptr, CooperativeLevel::Normal, PresentOptions{});
}

CDisplayDevice::CDisplayDevice(CDisplayWindow& window, CooperativeLevel level, PresentOptions options)
{
    RequireVideo();
    if (window.Renderer() == nullptr)
        throw CFatalError("cannot make a display device: the window has no renderer");
    m_state = std::make_shared<DeviceState>(&window, level, options);
    SDL_AddEventWatch(WatchRenderResets, m_state.get());
}

CDisplayDevice::~CDisplayDevice()
{
    if (m_state->window != nullptr)
        SDL_DelEventWatch(WatchRenderResets, m_state.get());
    m_state->Detach();
}

// ---------------------------------------------------------------------------------------
// Modes
// ---------------------------------------------------------------------------------------

void CDisplayDevice::EnumDisplayModes(const std::function<void(const DisplayMode&)>& each) const
{
    int display = m_state->window != nullptr ? SDL_GetWindowDisplayIndex(m_state->window->Window()) : 0;
    display = std::max(display, 0);

    std::vector<DisplayMode> modes;
    const int count = SDL_GetNumDisplayModes(display);
    if (count < 0)   // the standard sizes are still offered below
        Fail(DISPLAY_FAILED, std::string("cannot list the display's modes: ") + SDL_GetError());
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode reported{};
        // Some drivers (offscreen) report a 0 × 0 mode, which is no mode at all.
        if (SDL_GetDisplayMode(display, i, &reported) == 0 && IsSettableSide(reported.w) && IsSettableSide(reported.h))
            AddAtEveryDepth(modes, reported.w, reported.h, std::max(reported.refresh_rate, 0));
    }
    for (const auto& [width, height] : STANDARD_SIZES)
        if (!HasSize(modes, width, height))
            AddAtEveryDepth(modes, width, height, 0);

    // A display reports each size once per pixel format; the depth here is ours.
    std::sort(modes.begin(), modes.end(), ModeBefore);
    modes.erase(std::unique(modes.begin(), modes.end()), modes.end());
    for (const DisplayMode& mode : modes)
        each(mode);
}

DisplayResult CDisplayDevice::SetDisplayMode(const DisplayMode& mode)
{
    DeviceState& state = *m_state;
    if (state.level != CooperativeLevel::Exclusive || state.window == nullptr)
        return Fail(DISPLAY_FAILED, "SetDisplayMode: the device is not at the exclusive level");
    if (!IsSettableSide(mode.width) || !IsSettableSide(mode.height))
        return Fail(DISPLAY_FAILED, "SetDisplayMode: " + std::to_string(mode.width) + "x" +
                                        std::to_string(mode.height) + " is not a size from 1 to " +
                                        std::to_string(MAX_MODE_SIDE));
    if (!IsSettableDepth(mode.bitsPerPixel))
        return Fail(DISPLAY_FAILED, "SetDisplayMode: " + std::to_string(mode.bitsPerPixel) +
                                        " bits per pixel (8, 16, 24 or 32 can be set)");
    if (!state.surfaces.empty())
        return Fail(DISPLAY_FAILED, "SetDisplayMode: surfaces of the current mode still exist");

    CDisplayWindow& window = *state.window;
    const DisplayResult shown = state.options.windowed ? window.EnterWindowed(mode.width, mode.height)
                                                       : window.EnterFullScreen();
    if (shown != DISPLAY_OK)
        return Fail(shown, "SetDisplayMode: " + window.LastError());
    state.mode = mode;
    state.StartOpeningFont();
    return DISPLAY_OK;
}

const DisplayMode& CDisplayDevice::Mode() const
{
    return m_state->mode;
}

// ---------------------------------------------------------------------------------------
// Surfaces, palettes, clippers
// ---------------------------------------------------------------------------------------

DisplayResult CDisplayDevice::CreatePrimarySurface(std::shared_ptr<CSurface>& primary)
{
    DeviceState& state = *m_state;
    if (state.mode.width == 0)
        return Fail(DISPLAY_FAILED, "CreatePrimarySurface: no display mode is set");
    if (state.presenter)
        return Fail(DISPLAY_FAILED, "CreatePrimarySurface: the primary surface exists already");
    std::string error;
    std::shared_ptr<CSurface> made = state.MakePrimary(m_state, error);
    if (!made)
        return Fail(DISPLAY_FAILED, "CreatePrimarySurface: " + error);
    primary = std::move(made);
    return DISPLAY_OK;
}

DisplayResult CDisplayDevice::CreateOffscreenSurface(int32_t width, int32_t height, std::shared_ptr<CSurface>& surface)
{
    DeviceState& state = *m_state;
    if (state.mode.width == 0)
        return Fail(DISPLAY_FAILED, "CreateOffscreenSurface: no display mode is set");
    if (!IsSettableSide(width) || !IsSettableSide(height))
        return Fail(DISPLAY_FAILED, "CreateOffscreenSurface: " + std::to_string(width) + "x" + std::to_string(height) +
                                        " is not a size from 1 to " + std::to_string(MAX_MODE_SIDE));
    surface = state.MakeSurface(m_state, SurfaceRole::Offscreen, width, height);
    return DISPLAY_OK;
}

DisplayResult CDisplayDevice::CreatePalette(const std::array<PaletteEntry, 256>& entries,
                                            std::shared_ptr<CDisplayPalette>& palette)
{
    palette = std::make_shared<CDisplayPalette>(entries);
    return DISPLAY_OK;
}

DisplayResult CDisplayDevice::CreateClipper(std::shared_ptr<CClipper>& clipper)
{
    clipper = std::make_shared<CClipper>();
    return DISPLAY_OK;
}

// ---------------------------------------------------------------------------------------
// Presentation
// ---------------------------------------------------------------------------------------

DisplayResult CDisplayDevice::SetWindowed(bool windowed)
{
    DeviceState& state = *m_state;
    if (state.level != CooperativeLevel::Exclusive || state.window == nullptr || state.mode.width == 0)
        return Fail(DISPLAY_FAILED, "SetWindowed: no display mode is set");
    CDisplayWindow& window = *state.window;
    const DisplayResult shown = windowed ? window.EnterWindowed(state.mode.width, state.mode.height)
                                         : window.EnterFullScreen();
    if (shown != DISPLAY_OK)
        return Fail(shown, "SetWindowed: " + window.LastError());
    state.options.windowed = windowed;
    return RedrawPresented();
}

bool CDisplayDevice::IsWindowed() const
{
    return m_state->options.windowed;
}

DisplayResult CDisplayDevice::RedrawPresented()
{
    CPresenter* presenter = m_state->presenter.get();
    if (presenter != nullptr && !presenter->Redraw())
        return Fail(DISPLAY_FAILED, "cannot show the frame again: " + presenter->Error());
    return DISPLAY_OK;
}

// ---------------------------------------------------------------------------------------
// Recorded blits
// ---------------------------------------------------------------------------------------

DisplayResult CDisplayDevice::SetBlitBands(int32_t bands)
{
    if (!m_state->recordedBlits.SetBandCount(bands))
        return Fail(DISPLAY_FAILED, "SetBlitBands: " + std::to_string(bands) + " is not 0 to " +
                                        std::to_string(CBlitBatch::MAX_BANDS) + " bands");
    return DISPLAY_OK;
}

void CDisplayDevice::SetBandRunner(CBlitBatch::BandRunner runner)
{
    m_state->DrawRecordedBlits();
    m_state->recordedBlits.SetRunner(std::move(runner));
}

int32_t CDisplayDevice::RecordedBlitCount() const
{
    return m_state->recordedBlits.Pending();
}

// ---------------------------------------------------------------------------------------
// Loss and inspection
// ---------------------------------------------------------------------------------------

void CDisplayDevice::LoseAllSurfaces()
{
    m_state->LoseAllSurfaces();
}

void CDisplayDevice::LosePrimaryAgainOnRestore(int32_t restores)
{
    m_state->primaryLossesOnRestore = restores;
}

DisplayResult CDisplayDevice::ReadPresentedPixels(std::vector<uint32_t>& pixels, int32_t& width, int32_t& height)
{
    CPresenter* presenter = m_state->presenter.get();
    if (presenter == nullptr)
        return Fail(DISPLAY_FAILED, "ReadPresentedPixels: nothing is presented without a primary surface");
    if (!presenter->ReadOutput(pixels, width, height))
        return Fail(DISPLAY_FAILED, "ReadPresentedPixels: " + presenter->Error());
    return DISPLAY_OK;
}

uint64_t CDisplayDevice::UploadedPixelCount() const
{
    return m_state->presenter ? m_state->presenter->UploadedPixels() : 0;
}
