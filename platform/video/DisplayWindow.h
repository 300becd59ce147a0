// DisplayWindow.h — the program's window and its renderer.
//
// Everything the program shows goes through one SDL window and one SDL renderer: the
// dialogs draw with it, and a display device in exclusive mode presents its back buffer
// with it. The window is made borderless and black, covering the desktop, or of a given
// size for tests and windowed presentation.
//
// Headless use: SDL's offscreen (or dummy) video driver with its software renderer
// (SDL_VIDEODRIVER=offscreen, SDL_RENDER_DRIVER=software, SDL_FRAMEBUFFER_ACCELERATION=0).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/video/DisplayObject.h"

struct SDL_Window;
struct SDL_Renderer;

struct WindowOptions {
    std::string title = "Tolmix";
    bool coverDesktop = true;      // borderless, at 0,0 with the desktop's size
    int32_t width = 640;           // used when not covering the desktop
    int32_t height = 480;
    bool waitForRefresh = true;    // presentation waits for the vertical refresh
};

class CDisplayWindow : public CDisplayObject {
public:
    // Opens the window (black) and its renderer. Needs SDL's video subsystem (CSdlSession).
    // Throws CFatalError with SDL's text when either cannot be made.
    explicit CDisplayWindow(const WindowOptions& options);
    ~CDisplayWindow() override;

    CDisplayWindow(const CDisplayWindow&) = delete;
    CDisplayWindow& operator=(const CDisplayWindow&) = delete;

    SDL_Window* Window() const { return m_window; }
    SDL_Renderer* Renderer() const { return m_renderer; }

    // The size of the renderer's output in pixels (the real size, which full-screen
    // requests do not always get).
    void OutputSize(int32_t& width, int32_t& height) const;

    // Presents the window as desktop full-screen (never a change of the monitor's mode),
    // with the mouse pointer hidden; or as a normal, resizable window of the given size,
    // with the pointer shown.
    DisplayResult EnterFullScreen();
    DisplayResult EnterWindowed(int32_t width, int32_t height);
    bool IsFullScreen() const { return m_fullScreen; }

    // What the window shows under a dialog: `draw` puts the last frame on the renderer's
    // output and answers whether it did. Without one (or when it draws nothing) dialogs
    // stand on black.
    void SetBackdrop(std::function<bool()> draw) { m_backdrop = std::move(draw); }
    bool DrawBackdrop() const { return m_backdrop && m_backdrop(); }

private:
    SDL_Window* m_window = nullptr;
    SDL_Renderer* m_renderer = nullptr;
    bool m_fullScreen = false;
    std::function<bool()> m_backdrop;
};
