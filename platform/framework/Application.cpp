// Application.cpp — the message loop's primitives, dispatching, and the ordinary loop.
#include "platform/framework/Application.h"

#include <string>
#include <utility>

#include "platform/bitmaps/FatalError.h"
#include "platform/framework/FrameWindow.h"
#include "platform/framework/WindowMessage.h"

CApplication::CApplication() = default;

// The main window (if still there) goes with the application.
CApplication::~CApplication() = default;

bool CApplication::InitInstance()
{
    return true;
}

// ---------------------------------------------------------------------------------------
// The loop
// ---------------------------------------------------------------------------------------

// Idle processing while the queue is empty and it asks for more; then messages until the
// queue is empty again. PumpMessage waits when there is nothing to take.
int32_t CApplication::Run()
{
    bool idle = true;
    int32_t idleCount = 0;
    for (;;) {
        while (idle && !HasMessageWaiting())
            if (!OnIdle(idleCount++))
                idle = false;
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(m_msgCur)) {
                idle = true;
                idleCount = 0;
            }
        } while (HasMessageWaiting());
    }
}

bool CApplication::OnIdle(int32_t)
{
    return false;
}

int32_t CApplication::ExitInstance()
{
    return IsWindowMessage(m_msgCur, WindowMessage::Quit) ? static_cast<int32_t>(MessageParameter(m_msgCur)) : 0;
}

bool CApplication::IsIdleMessage(const SDL_Event& event)
{
    if (event.type == SDL_MOUSEMOTION) {
        const SDL_MouseMotionEvent& motion = event.motion;
        const bool samePoint = m_bMouseSeen && motion.windowID == m_mouseWindow && motion.x == m_mouseX &&
                               motion.y == m_mouseY;
        m_bMouseSeen = true;
        m_mouseWindow = motion.windowID;
        m_mouseX = motion.x;
        m_mouseY = motion.y;
        return !samePoint;
    }
    return !(event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED);
}

// ---------------------------------------------------------------------------------------
// Primitives
// ---------------------------------------------------------------------------------------

// SDL_PeepEvents only looks at the queue, so the window system's events are gathered
// into it first.
bool CApplication::HasMessageWaiting()
{
    SDL_PumpEvents();
    SDL_Event event;
    const int count = SDL_PeepEvents(&event, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    if (count < 0)
        throw CFatalError(std::string("cannot look at the event queue: ") + SDL_GetError());
    return count > 0;
}

bool CApplication::PumpMessage()
{
    if (SDL_WaitEvent(&m_msgCur) == 0)
        throw CFatalError(std::string("cannot wait for events: ") + SDL_GetError());
    if (IsWindowMessage(m_msgCur, WindowMessage::Quit))
        return false;
    DispatchMessage(m_msgCur);
    return true;
}

void CApplication::PostQuitMessage(int32_t exitCode)
{
    PostWindowMessage(WindowMessage::Quit, 0, static_cast<uint32_t>(exitCode));
}

void CApplication::PostCloseRequest()
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    quit.quit.timestamp = SDL_GetTicks();
    if (SDL_PushEvent(&quit) < 0)
        throw CFatalError(std::string("cannot ask the window to close: ") + SDL_GetError());
}

// A quit request with no main window left has nobody to close: it quits at once.
void CApplication::DispatchMessage(const SDL_Event& event)
{
    if (!m_pMainWnd) {
        if (event.type == SDL_QUIT)
            PostQuitMessage(0);
        return;
    }
    if (event.type == SDL_QUIT)
        m_pMainWnd->Close();
    else
        m_pMainWnd->HandleEvent(event);
    if (m_pMainWnd && !m_pMainWnd->IsWindow())
        OnMainWindowDestroyed();
}

// ---------------------------------------------------------------------------------------
// The main window
// ---------------------------------------------------------------------------------------

void CApplication::SetMainWindow(std::unique_ptr<CFrameWindow> frame)
{
    m_pMainWnd = std::move(frame);
    if (m_pMainWnd)
        m_pMainWnd->SetCommandOwner(this);
}

void CApplication::OnMainWindowDestroyed()
{
    m_pMainWnd.reset();
    PostQuitMessage(0);
}
