// FrameWindow.cpp — creation and destruction, event handling, timers and command
// routing of a top-level window.
#include "platform/framework/FrameWindow.h"

#include <algorithm>
#include <string>

#include <SDL.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/framework/ChildWindow.h"
#include "platform/framework/WindowMessage.h"
#include "platform/framework/WindowTimer.h"

namespace {

// The accelerator modifier bits of a key event's modifier state.
uint16_t AcceleratorModifiers(uint16_t sdlModifiers)
{
    uint16_t modifiers = 0;
    if (sdlModifiers & KMOD_CTRL)
        modifiers |= ACCELERATOR_CONTROL;
    if (sdlModifiers & KMOD_SHIFT)
        modifiers |= ACCELERATOR_SHIFT;
    if (sdlModifiers & KMOD_ALT)
        modifiers |= ACCELERATOR_ALT;
    return modifiers;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Lifetime
// ---------------------------------------------------------------------------------------

CFrameWindow::CFrameWindow() = default;

CFrameWindow::~CFrameWindow()
{
    DetachChildren();
    m_timers.clear();
    m_window.reset();
}

bool CFrameWindow::LoadFrame(const FrameResources& resources)
{
    if (m_window)
        return false;
    m_resources = resources;
    WindowOptions options;
    options.title = resources.title;
    options.coverDesktop = false;
    if (!PreCreateWindow(options))
        return false;
    m_window = std::make_unique<CDisplayWindow>(options);
    m_windowId = SDL_GetWindowID(m_window->Window());
    if (OnCreate() == -1) {
        DestroyWindow();
        return false;
    }
    return true;
}

void CFrameWindow::ShowWindow()
{
    SDL_Window* window = DisplayWindow().Window();
    SDL_ShowWindow(window);
    SDL_Event exposed{};
    exposed.type = SDL_WINDOWEVENT;
    exposed.window.timestamp = SDL_GetTicks();
    exposed.window.windowID = m_windowId;
    exposed.window.event = SDL_WINDOWEVENT_EXPOSED;
    if (SDL_PushEvent(&exposed) < 0)
        throw CFatalError(std::string("cannot queue the window's first paint: ") + SDL_GetError());
}

// OnDestroy runs first, while everything it may release still works; if it throws, the
// window stays and the frame's destructor closes it.
void CFrameWindow::DestroyWindow()
{
    if (!m_window || m_bDestroying)
        return;
    m_bDestroying = true;
    try {
        OnDestroy();
    } catch (...) {
        m_bDestroying = false;
        throw;
    }
    m_timers.clear();
    DetachChildren();
    m_window.reset();
    m_windowId = 0;
    m_bDestroying = false;
}

CDisplayWindow& CFrameWindow::DisplayWindow() const
{
    if (!m_window)
        throw CFatalError("the frame window does not exist");
    return *m_window;
}

// ---------------------------------------------------------------------------------------
// Panes
// ---------------------------------------------------------------------------------------

void CFrameWindow::AddChild(CChildWindow* child)
{
    m_children.push_back(child);
}

void CFrameWindow::RemoveChild(CChildWindow* child)
{
    m_children.erase(std::remove(m_children.begin(), m_children.end(), child), m_children.end());
    if (m_pFocus == child)
        m_pFocus = nullptr;
}

void CFrameWindow::DetachChildren()
{
    for (CChildWindow* child : m_children)
        child->Detach();
    m_children.clear();
    m_pFocus = nullptr;
}

// ---------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------

void CFrameWindow::HandleEvent(const SDL_Event& event)
{
    if (!m_window)
        return;
    switch (event.type) {
    case SDL_WINDOWEVENT:
        if (event.window.windowID == m_windowId)
            HandleWindowEvent(event.window);
        break;
    case SDL_KEYDOWN:
        // Window id 0: a key event from outside any window (one pushed by a program).
        if (event.key.windowID == m_windowId || event.key.windowID == 0)
            HandleKey(event.key);
        break;
    case SDL_USEREVENT:
        if (MessageWindowId(event) == m_windowId)
            HandleMessage(event);
        break;
    default:
        break;   // nothing else concerns a frame
    }
}

void CFrameWindow::Close()
{
    if (m_window)
        OnClose();
}

void CFrameWindow::HandleWindowEvent(const SDL_WindowEvent& event)
{
    switch (event.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        Paint();
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        OnSetFocus();
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_HIDDEN:
        OnShowWindow(false);
        break;
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        OnShowWindow(true);
        break;
    case SDL_WINDOWEVENT_CLOSE:
        OnClose();
        break;
    default:
        break;
    }
}

// Accelerators act on presses, not on a held key's repeats.
void CFrameWindow::HandleKey(const SDL_KeyboardEvent& key)
{
    if (key.repeat != 0)
        return;
    const uint16_t modifiers = AcceleratorModifiers(key.keysym.mod);
    for (const Accelerator& accelerator : m_resources.accelerators)
        if (accelerator.key == key.keysym.sym && accelerator.modifiers == modifiers) {
            OnCmdMsg(accelerator.command);
            return;
        }
}

// A timer message from a timer stopped since it was posted is dropped.
void CFrameWindow::HandleMessage(const SDL_Event& event)
{
    const uint32_t parameter = MessageParameter(event);
    if (IsWindowMessage(event, WindowMessage::Timer)) {
        if (FindTimer(parameter) != nullptr)
            OnTimer(parameter);
    } else if (IsWindowMessage(event, WindowMessage::Command)) {
        OnCmdMsg(parameter);
    }
}

// The background first, then the frame, then its panes.
void CFrameWindow::Paint()
{
    OnEraseBkgnd();
    OnPaint();
    for (CChildWindow* child : std::vector<CChildWindow*>(m_children))
        child->OnPaint();
}

// ---------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------

bool CFrameWindow::OnCmdMsg(uint32_t command)
{
    if (CCommandTarget::OnCmdMsg(command))
        return true;
    return m_pCommandOwner != nullptr && m_pCommandOwner->OnCmdMsg(command);
}

void CFrameWindow::PostCommand(uint32_t command)
{
    PostWindowMessage(WindowMessage::Command, m_windowId, command);
}

// ---------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------

bool CFrameWindow::SetTimer(uint32_t id, uint32_t periodMs)
{
    if (!m_window)
        return false;
    KillTimer(id);
    m_timers.push_back(std::make_unique<CWindowTimer>(m_windowId, id, periodMs));
    return true;
}

bool CFrameWindow::KillTimer(uint32_t id)
{
    const auto found = std::find_if(m_timers.begin(), m_timers.end(),
                                    [id](const std::unique_ptr<CWindowTimer>& timer) { return timer->Id() == id; });
    if (found == m_timers.end())
        return false;
    m_timers.erase(found);
    return true;
}

const CWindowTimer* CFrameWindow::FindTimer(uint32_t id) const
{
    for (const std::unique_ptr<CWindowTimer>& timer : m_timers)
        if (timer->Id() == id)
            return timer.get();
    return nullptr;
}

// ---------------------------------------------------------------------------------------
// Default handlers
// ---------------------------------------------------------------------------------------

bool CFrameWindow::PreCreateWindow(WindowOptions&)
{
    return true;
}

int32_t CFrameWindow::OnCreate()
{
    return 0;
}

void CFrameWindow::OnDestroy() {}

void CFrameWindow::OnSetFocus() {}

void CFrameWindow::OnShowWindow(bool) {}

void CFrameWindow::OnTimer(uint32_t) {}

void CFrameWindow::OnPaint() {}

bool CFrameWindow::OnEraseBkgnd()
{
    SDL_Renderer* renderer = DisplayWindow().Renderer();
    if (SDL_SetRenderDrawColor(renderer, 0, 0, 0, SDL_ALPHA_OPAQUE) != 0 || SDL_RenderClear(renderer) != 0)
        throw CFatalError(std::string("cannot erase the window: ") + SDL_GetError());
    SDL_RenderPresent(renderer);
    return true;
}

void CFrameWindow::OnClose()
{
    DestroyWindow();
}
