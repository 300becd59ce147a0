// FrameWindow.h — a program's top-level window: an SDL window with its renderer (a
// CDisplayWindow), panes inside it, timers, accelerators and command routing.
//
// The window is made by LoadFrame: PreCreateWindow may change the window's options, the
// window opens, and OnCreate builds what lives in it (returning −1 refuses the window,
// which is then destroyed again). Events for the window reach its handlers through
// HandleEvent, called by the application for every event it dispatches:
//
//   window exposed        OnEraseBkgnd, then OnPaint, then each pane's OnPaint
//   focus gained          OnSetFocus
//   minimised or hidden   OnShowWindow(false); shown, restored or maximised: OnShowWindow(true)
//   close asked for       OnClose (the default destroys the window)
//   timer message         OnTimer(id), for a timer still running
//   command message       OnCmdMsg(command)
//   key press             the accelerator's command, to OnCmdMsg
//
// Commands are routed by OnCmdMsg: the frame's own handler table, then the command
// owner (the application). Derived frames put their view in front of that.
// DestroyWindow runs OnDestroy while the window still exists, then stops the timers and
// closes the window; the frame object itself lives on until its owner deletes it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/framework/CommandTarget.h"
#include "platform/framework/FrameResources.h"
#include "platform/video/DisplayWindow.h"

union SDL_Event;
struct SDL_KeyboardEvent;
struct SDL_WindowEvent;
class CChildWindow;
class CWindowTimer;

class CFrameWindow : public CCommandTarget {
public:
    CFrameWindow();
    // Closes a window still open without calling the handlers (derived parts are gone).
    ~CFrameWindow() override;

    // Makes the window from the resources. False when PreCreateWindow or OnCreate refuses
    // it, or when the window exists already. Throws CFatalError when SDL cannot open it.
    bool LoadFrame(const FrameResources& resources);
    // Shows the window; being newly shown, it needs painting, so a paint message for it
    // joins the queue.
    void ShowWindow();
    // OnDestroy, then the timers stop, the panes leave and the window closes. Does nothing
    // when there is no window (or it is being destroyed already).
    void DestroyWindow();
    bool IsWindow() const { return m_window != nullptr; }

    // The SDL window and renderer. Throws CFatalError when the window does not exist.
    CDisplayWindow& DisplayWindow() const;
    // SDL's id of the window (0 without one): events and messages name their window by it.
    uint32_t WindowId() const { return m_windowId; }
    const FrameResources& Resources() const { return m_resources; }

    // The target after the frame in the command route: the application.
    void SetCommandOwner(CCommandTarget* owner) { m_pCommandOwner = owner; }
    // The frame's own handlers first, then the command owner's.
    bool OnCmdMsg(uint32_t command) override;
    // Puts a command message for this window in the queue.
    void PostCommand(uint32_t command);

    // Hands one event to the window's handler, when it is meant for this window.
    void HandleEvent(const SDL_Event& event);
    // The system asks the window to close (a quit request, the window's close button).
    void Close();

    // Starts timer `id` with the period in milliseconds, replacing a timer of that id.
    // False without a window; throws CFatalError when SDL cannot run timers.
    bool SetTimer(uint32_t id, uint32_t periodMs);
    // Stops timer `id`; false when there is none.
    bool KillTimer(uint32_t id);
    // The running timer of that id, or null.
    const CWindowTimer* FindTimer(uint32_t id) const;

    // The pane that has the keyboard focus, or null.
    CChildWindow* FocusedChild() const { return m_pFocus; }

protected:
    // Adjusts the window's options before it opens; false refuses the window. The default
    // asks for an ordinary window of 640 × 480 and accepts.
    virtual bool PreCreateWindow(WindowOptions& options);
    // Builds what lives in the window; 0 to go on, −1 to refuse the window.
    virtual int32_t OnCreate();
    // The window is about to close: release what depends on it.
    virtual void OnDestroy();
    virtual void OnSetFocus();
    // The window became visible (true) or was minimised or hidden (false). The system may
    // say so more than once; the default does nothing.
    virtual void OnShowWindow(bool shown);
    virtual void OnTimer(uint32_t id);
    virtual void OnPaint();
    // Fills the window with its background colour (black) and shows it; true when erased.
    virtual bool OnEraseBkgnd();
    // The default destroys the window.
    virtual void OnClose();

private:
    friend class CChildWindow;
    // The panes' list, kept by the panes themselves as they are made and destroyed.
    void AddChild(CChildWindow* child);
    void RemoveChild(CChildWindow* child);
    void SetFocusedChild(CChildWindow* child) { m_pFocus = child; }
    // The window is going: every pane goes with it.
    void DetachChildren();

    // Exposure, focus and close requests.
    void HandleWindowEvent(const SDL_WindowEvent& event);
    // Accelerators.
    void HandleKey(const SDL_KeyboardEvent& key);
    // The framework's timer and command messages.
    void HandleMessage(const SDL_Event& event);
    // Background, frame, panes.
    void Paint();

    std::unique_ptr<CDisplayWindow> m_window;
    uint32_t m_windowId = 0;
    bool m_bDestroying = false;
    FrameResources m_resources;
    std::vector<std::unique_ptr<CWindowTimer>> m_timers;
    std::vector<CChildWindow*> m_children;
    CChildWindow* m_pFocus = nullptr;
    CCommandTarget* m_pCommandOwner = nullptr;
};
