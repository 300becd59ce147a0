// SdlSession.cpp — starting and stopping SDL's video subsystem and SDL_ttf.
#include "platform/video/SdlSession.h"

#include <string>

#include <SDL.h>
#include <SDL_ttf.h>

#include "platform/bitmaps/FatalError.h"

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
    if (headless)
        ChooseHeadlessDrivers();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
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
