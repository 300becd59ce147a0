// SdlSession.h — SDL's video subsystem and font library for as long as the object lives.
#pragma once

#include <string>

class CSdlSession {
public:
    // Starts SDL video and SDL_ttf. With `headless`, SDL's offscreen driver and its
    // software renderer are chosen first (nothing needs a display). Throws CFatalError
    // with SDL's text on failure.
    explicit CSdlSession(bool headless = false);
    ~CSdlSession();

    CSdlSession(const CSdlSession&) = delete;
    CSdlSession& operator=(const CSdlSession&) = delete;

    // The video driver SDL chose, and whether it shows anything: where no display can be
    // reached SDL falls back to its offscreen or dummy driver, which show nothing.
    std::string VideoDriver() const;
    bool ShowsAnything() const;
};
