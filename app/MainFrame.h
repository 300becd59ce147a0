// MainFrame.h — the program's only top-level window. Its creation is the program's
// start-up: the view, the toolbar and the timer, then the world, the display mode, the
// three objects, and the display itself. It owns the world and deletes it when its window
// is destroyed.
//
// The window is a borderless black pop-up over the whole desktop; the screen's Initialise
// then takes it full-screen (or to a window of the mode's size with --window).
#pragma once

#include <cstdint>
#include <memory>

#include "app/ChildView.h"
#include "app/ProgramOptions.h"
#include "platform/framework/FrameWindow.h"
#include "platform/framework/ToolBar.h"

class CGame;

class CMainFrame : public CFrameWindow {
public:
    explicit CMainFrame(ProgramOptions options);
    // The view, the toolbar, then the frame; the world is normally gone already
    // (OnDestroy), and goes here only when start-up or a tick failed.
    ~CMainFrame() override;

    // The view first, then the frame and the application.
    bool OnCmdMsg(uint32_t command) override;

    std::unique_ptr<CGame> m_pGame;   // null before OnCreate and after OnDestroy
    CToolBar m_wndToolBar;
    CChildView m_wndView;

protected:
    // A borderless black window over the whole desktop.
    bool PreCreateWindow(WindowOptions& options) override;
    // The start-up sequence; −1 when a pane cannot be made.
    int32_t OnCreate() override;
    // --screenshot, then the world goes.
    void OnDestroy() override;
    // The focus goes on to the view.
    void OnSetFocus() override;
    // The timer's message has no effect of its own.
    void OnTimer(uint32_t id) override;
    // The display draws everything: nothing to paint, and erasing would flash black.
    void OnPaint() override;
    bool OnEraseBkgnd() override;
    // The menu's "&Game" > "&Start": nothing to start, the animation always runs.
    void OnGameStart();

    // The world with its clock: the real counter, or one step per reading with
    // --fixed-step.
    virtual std::unique_ptr<CGame> CreateWorld();

private:
    // The mode: the command line's, the dialog's choice, or (headless) the default.
    void ChooseMode();
    // The background, the paddle and the ball, added to the world.
    void AddStartObjects();
    // --screenshot: the back buffer, which holds the frame last presented, as a PNG.
    void SaveScreenshot() const;

    ProgramOptions m_options;
};
