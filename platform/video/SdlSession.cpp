// SdlSession.cpp — starting and stopping SDL's video subsystem and SDL_ttf.
#include "platform/video/SdlSession.h"

#include <cstdlib>
#include <string>

#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/video/SdlMemory.h"

namespace {

// Asks for SDL's offscreen video driver and its software renderer, so that nothing needs a
// display. The hints have default priority: a driver named in the environment (for example
// SDL_VIDEODRIVER=x11 under Xvfb) still wins. Without the framebuffer hint the software
// renderer draws through a slow OpenGL path.
void ChooseHeadlessDrivers()
{
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

// libwayland reaches a compositor only through an absolute WAYLAND_DISPLAY or the runtime
// folder; without either SDL's attempt fails anyway, and libwayland prints a complaint of
// its own on stderr on the way.
bool WaylandReachable()
{
    const char* display = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return (display != nullptr && display[0] == '/') || (runtime != nullptr && runtime[0] != '\0');
}

// Starts SDL video. A driver named by the environment or a hint is SDL's to start; else
// SDL's drivers are tried in its own order, leaving out Wayland where it cannot connect.
int InitVideo()
{
    if (SDL_GetHint(SDL_HINT_VIDEODRIVER) != nullptr || WaylandReachable())
        return SDL_InitSubSystem(SDL_INIT_VIDEO);
    int result = SDL_SetError("SDL has no video driver");
    for (int i = 0; i < SDL_GetNumVideoDrivers() && result != 0; ++i) {
        const std::string driver = SDL_GetVideoDriver(i);
        if (driver == "wayland")
            continue;
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
        result = SDL_InitSubSystem(SDL_INIT_VIDEO);
    }
    const std::string why = SDL_GetError();
    SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    if (result != 0)
        SDL_SetError("%s", why.c_str());
    return result;
}

// Stops SDL altogether once no subsystem is left running.
void QuitVideo()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0)
        SDL_Quit();
}

} // namespace

CSdlSession::CSdlSession(bool headless)
{
    CSdlMemory::Install();   // before the hints: they are SDL's first allocations
    if (headless)
        ChooseHeadlessDrivers();
    if (InitVideo() != 0)
        throw CFatalError(std::string("cannot start SDL video: ") + SDL_GetError());
    if (TTF_Init() != 0) {
        const std::string why = TTF_GetError();
        QuitVideo();
        throw CFatalError("cannot start SDL_ttf: " + why);
    }
}

CSdlSession::~CSdlSession()
{
    TTF_Quit();
    QuitVideo();
}

std::string CSdlSession::VideoDriver() const
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr ? driver : "";
}

bool CSdlSession::ShowsAnything() const
{
    const std::string driver = VideoDriver();
    return driver != "offscreen" && driver != "dummy";
}
