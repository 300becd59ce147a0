// CloseSignals.cpp — a handler that passes HUP and QUIT on as TERM.
#include "app/CloseSignals.h"

#include <unistd.h>

namespace {

// kill(2) is async-signal-safe; SDL's TERM handler only notes the request.
void PassOnAsTerm(int)
{
    kill(getpid(), SIGTERM);
}

bool TermIsCaught()
{
    struct sigaction term {};
    sigaction(SIGTERM, nullptr, &term);
    return (term.sa_flags & SA_SIGINFO) != 0 || (term.sa_handler != SIG_DFL && term.sa_handler != SIG_IGN);
}

} // namespace

CCloseSignals::CCloseSignals()
{
    if (!TermIsCaught())
        return;
    struct sigaction passOn {};
    passOn.sa_handler = PassOnAsTerm;
    sigemptyset(&passOn.sa_mask);
    passOn.sa_flags = SA_RESTART;
    for (size_t i = 0; i < PASSED_ON.size(); ++i) {
        sigaction(PASSED_ON[i], nullptr, &m_previous[i]);
        if (m_previous[i].sa_handler != SIG_IGN)   // ignored (nohup): it stays ignored
            sigaction(PASSED_ON[i], &passOn, nullptr);
    }
    m_active = true;
}

CCloseSignals::~CCloseSignals()
{
    if (!m_active)
        return;
    for (size_t i = 0; i < PASSED_ON.size(); ++i)
        sigaction(PASSED_ON[i], &m_previous[i], nullptr);
}
