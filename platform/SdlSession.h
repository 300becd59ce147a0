// SdlSession.h — SDL's video subsystem and font library for as long as the object lives.
#pragma once

class CSdlSession {
public:
    // Starts SDL video and SDL_ttf. With `headless`, SDL's offscreen driver and its
    // software renderer are chosen first (nothing needs a display). Throws CFatalError
    // with SDL's text on failure.
    explicit CSdlSession(bool headless = false);
    ~CSdlSession();

    CSdlSession(const CSdlSession&) = delete;
    CSdlSession& operator=(const CSdlSession&) = delete;
};
