// CloseSignals.h — HUP and QUIT taken as the system's request to close, like INT and TERM.
//
// SDL turns INT and TERM into a close request (SDL_QUIT), which ends the run through its
// normal teardown: the recording is finished and the screenshot saved. A run that writes
// them treats HUP and QUIT the same way, so a closed terminal does not lose them: while an
// object of this class lives, each is passed on as TERM to SDL's handler. Where SDL did
// not take TERM (its handler is not installed), nothing is changed.
//
//     const CSdlSession session(headless);
//     CCloseSignals closeOnHangUp;   // after SDL's handlers are in place
#pragma once

#include <signal.h>

#include <array>

class CCloseSignals {
public:
    static constexpr std::array<int, 2> PASSED_ON = {SIGHUP, SIGQUIT};

    CCloseSignals();
    ~CCloseSignals();

    CCloseSignals(const CCloseSignals&) = delete;
    CCloseSignals& operator=(const CCloseSignals&) = delete;

    // Whether HUP and QUIT are passed on (SDL handles TERM).
    bool Active() const { return m_active; }

private:
    std::array<struct sigaction, 2> m_previous{};
    bool m_active = false;
};
