// Application.h — a program's application object: its main window and the message loop
// on SDL's event queue.
//
// The loop is built from a few primitives that a derived application may use to write
// its own loop:
//
//   HasMessageWaiting   is an event waiting? (nothing is taken from the queue)
//   PumpMessage         waits for the next event, takes it and dispatches it; false when
//                       it was the quit message
//   OnIdle(count)       idle processing while the queue is empty; true asks for more
//   IsIdleMessage       whether a dispatched event should start idle processing again
//   ExitInstance        the exit code Run returns
//
// Dispatching: SDL_QUIT is the system asking the program to close (Ctrl+C, a signal, the
// session ending): the main window is asked to close. Once the main window has been
// destroyed the frame object is deleted and the quit message posted; taking the quit
// message ends Run through ExitInstance.
#pragma once

#include <cstdint>
#include <memory>

#include <SDL.h>

#include "platform/framework/CommandTarget.h"

class CFrameWindow;

class CApplication : public CCommandTarget {
public:
    CApplication();
    ~CApplication() override;

    // Starts the program (makes the main window); false gives up. The default accepts.
    virtual bool InitInstance();
    // The message loop, until the quit message; returns ExitInstance's code.
    virtual int32_t Run();

    // Idle processing, given how many idle calls came since the last idle message; true
    // asks for another call. The framework itself has nothing to do when idle: false.
    virtual bool OnIdle(int32_t idleCount);
    // Tidies up at the end of Run and gives the exit code: the quit message's code.
    virtual int32_t ExitInstance();
    // Repeated mouse motion to the same point and paint (expose) events do not start idle
    // processing again; every other event does.
    virtual bool IsIdleMessage(const SDL_Event& event);

    // Whether an event is waiting, leaving it in the queue.
    bool HasMessageWaiting();
    // Waits for an event, takes it into m_msgCur and dispatches it. False, without
    // dispatching, when it is the quit message.
    bool PumpMessage();
    // Puts the quit message with the exit code at the end of the queue.
    void PostQuitMessage(int32_t exitCode);
    // Asks, through the queue, for the main window to close, as the system does (the
    // window is destroyed, then the quit message follows).
    void PostCloseRequest();

    // The main window, made the target after the frame in its command route.
    void SetMainWindow(std::unique_ptr<CFrameWindow> frame);
    CFrameWindow* MainWindow() const { return m_pMainWnd.get(); }

protected:
    // The main window was destroyed: deletes the frame object and posts the quit message
    // (exit code 0).
    virtual void OnMainWindowDestroyed();

    SDL_Event m_msgCur{};
    std::unique_ptr<CFrameWindow> m_pMainWnd;

private:
    // Hands the event to the main window (a quit request as a close request), and notices
    // when that destroyed the window.
    void DispatchMessage(const SDL_Event& event);

    // The last mouse motion seen by IsIdleMessage.
    bool m_bMouseSeen = false;
    uint32_t m_mouseWindow = 0;
    int32_t m_mouseX = 0;
    int32_t m_mouseY = 0;
};
