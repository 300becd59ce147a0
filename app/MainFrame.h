// MainFrame.h — the program's only top-level window. Its creation is the program's
// start-up: the view, the toolbar and the timer, then the world, the display mode, the
// three objects, and the display itself. It owns the world and deletes it when its window
// is destroyed.
//
// The window is a borderless black pop-up over the whole desktop; the screen's Initialise
// then takes it full-screen (or to a window of the mode's size with --window). The frame
// handles the keys of a running animation: pause (the world's clock stops and the readout
// says so) and the switch between full-screen and a window. While it is paused or hidden
// the world is not ticked (IsWorldRunning).
#pragma once

#include <cstdint>
#include <memory>

#include "app/ChildView.h"
#include "app/ProgramOptions.h"
#include "display/StartupPhases.h"
#include "platform/framework/FrameWindow.h"
#include "platform/framework/ToolBar.h"

class CFrameRecorder;
class CGame;
class CPictureFolder;

class CMainFrame : public CFrameWindow {
public:
    explicit CMainFrame(ProgramOptions options);
    // The view, the toolbar, then the frame; the world is normally gone already
    // (OnDestroy), and goes here only when start-up or a tick failed.
    ~CMainFrame() override;

    // The view first, then the frame and the application.
    bool OnCmdMsg(uint32_t command) override;

    // Whether the loop should tick the world: not while paused or hidden.
    bool IsWorldRunning() const { return !m_bPaused && !m_bHidden; }
    bool IsPaused() const { return m_bPaused; }
    // Called after each tick: --record takes the frame just presented.
    void OnFramePresented();

    std::unique_ptr<CGame> m_pGame;   // null before OnCreate and after OnDestroy
    CStartupPhases* m_pStartupPhases = nullptr;   // --benchmark's record of start-up; not owned
    CToolBar m_wndToolBar;
    CChildView m_wndView;

protected:
    // A borderless black window over the whole desktop.
    bool PreCreateWindow(WindowOptions& options) override;
    // The start-up sequence; −1 when a pane cannot be made.
    int32_t OnCreate() override;
    // --screenshot and --record finished, then the world goes.
    void OnDestroy() override;
    // The focus goes on to the view.
    void OnSetFocus() override;
    // Hidden: the world's clock stops and nothing is drawn. Shown again: the clock goes on
    // and everything is drawn whole.
    void OnShowWindow(bool shown) override;
    // The timer's message has no effect of its own.
    void OnTimer(uint32_t id) override;
    // The display draws everything: a paint shows its last frame again, and erasing would
    // flash black.
    void OnPaint() override;
    bool OnEraseBkgnd() override;
    // The menu's "&Game" > "&Start": nothing to start, the animation always runs.
    void OnGameStart();
    // P or Pause: stops or resumes the world; a paused world shows one still frame.
    void OnGamePause();
    // Alt+Enter or F11: full-screen to a window of the mode's size and back.
    void OnViewFullScreen();

    // The world with its clock: the real counter, or one step per reading with
    // --fixed-step.
    virtual std::unique_ptr<CGame> CreateWorld();

private:
    // --pictures: the folder's pictures read and checked (their frames whole); null
    // without the option.
    std::unique_ptr<CPictureFolder> ReadOwnPictures() const;
    // The mode: the command line's, the dialog's choice, or (headless) the default.
    void ChooseMode();
    // The background, the paddle and the ball, added to the world.
    void AddStartObjects();
    // --screenshot: the back buffer, which holds the frame last presented, as a PNG.
    void SaveScreenshot() const;
    // --record: the file gets its last frame and its name.
    void FinishRecording();

    ProgramOptions m_options;
    std::unique_ptr<CPictureFolder> m_pOwnPictures;   // --pictures, until the world's store takes them
    std::unique_ptr<CFrameRecorder> m_pRecorder;   // with --record, once the display exists
    bool m_bPaused = false;
    bool m_bHidden = false;
};
