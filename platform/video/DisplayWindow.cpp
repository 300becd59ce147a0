// DisplayWindow.cpp — the program's SDL window and renderer.
#include "platform/video/DisplayWindow.h"

#include <string>

#include <SDL.h>

#include "platform/bitmaps/FatalError.h"

namespace {

// ---------------------------------------------------------------------------------------
// Placement
// ---------------------------------------------------------------------------------------

// Where the window goes and how large it is.
struct Placement {
    int x = SDL_WINDOWPOS_CENTERED;
    int y = SDL_WINDOWPOS_CENTERED;
    int width = 0;
    int height = 0;
    Uint32 flags = 0;
};

// A borderless window over the first display's desktop, or a centred one of the given size.
Placement PlaceWindow(const WindowOptions& options)
{
    Placement placement;
    if (!options.coverDesktop) {
        placement.width = options.width;
        placement.height = options.height;
        return placement;
    }
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(0, &bounds) != 0)
        throw CFatalError(std::string("cannot read the desktop's size: ") + SDL_GetError());
    placement = {bounds.x, bounds.y, bounds.w, bounds.h, SDL_WINDOW_BORDERLESS};
    return placement;
}

// Clears the renderer's output to black and shows it.
void ShowBlack(SDL_Renderer* renderer)
{
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE);
    SDL_RenderClear(renderer);
    SDL_RenderPresent(renderer);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lifetime
// ---------------------------------------------------------------------------------------

CDisplayWindow::CDisplayWindow(const WindowOptions& options)
{
    const Placement placement = PlaceWindow(options);
    if (placement.width <= 0 || placement.height <= 0)
        throw CFatalError("cannot open a window of " + std::to_string(placement.width) + "x" +
                          std::to_string(placement.height) + " pixels");

    m_window = SDL_CreateWindow(options.title.c_str(), placement.x, placement.y, placement.width, placement.height,
                                placement.flags);
    if (m_window == nullptr)
        throw CFatalError(std::string("cannot open the window: ") + SDL_GetError());

    // Flag 0 lets SDL pick its best renderer (a hardware one where there is one).
    m_renderer = SDL_CreateRenderer(m_window, -1, options.waitForRefresh ? SDL_RENDERER_PRESENTVSYNC : 0);
    if (m_renderer == nullptr) {
        const std::string why = SDL_GetError();
        SDL_DestroyWindow(m_window);
        throw CFatalError("cannot make the window's renderer: " + why);
    }
    ShowBlack(m_renderer);
}

CDisplayWindow::~CDisplayWindow()
{
    SDL_DestroyRenderer(m_renderer);
    SDL_DestroyWindow(m_window);
}

// ---------------------------------------------------------------------------------------
// Size and presentation
// ---------------------------------------------------------------------------------------

void CDisplayWindow::OutputSize(int32_t& width, int32_t& height) const
{
    int w = 0, h = 0;
    if (SDL_GetRendererOutputSize(m_renderer, &w, &h) != 0)
        Fail(DISPLAY_FAILED, std::string("cannot read the output size: ") + SDL_GetError());
    width = w;
    height = h;
}

DisplayResult CDisplayWindow::EnterFullScreen()
{
    if (SDL_SetWindowFullscreen(m_window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        return Fail(DISPLAY_FAILED, std::string("cannot go full-screen: ") + SDL_GetError());
    m_fullScreen = true;
    // Nothing on a full-screen animation is there to point at.
    SDL_ShowCursor(SDL_DISABLE);
    return DISPLAY_OK;
}

DisplayResult CDisplayWindow::EnterWindowed(int32_t width, int32_t height)
{
    if (width <= 0 || height <= 0)
        return Fail(DISPLAY_FAILED, "cannot show a window of " + std::to_string(width) + "x" + std::to_string(height) +
                                        " pixels");
    if (SDL_SetWindowFullscreen(m_window, 0) != 0)
        return Fail(DISPLAY_FAILED, std::string("cannot leave full-screen: ") + SDL_GetError());
    m_fullScreen = false;
    SDL_SetWindowBordered(m_window, SDL_TRUE);
    SDL_SetWindowResizable(m_window, SDL_TRUE);
    SDL_SetWindowSize(m_window, width, height);
    SDL_SetWindowPosition(m_window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_ShowCursor(SDL_ENABLE);
    return DISPLAY_OK;
}
