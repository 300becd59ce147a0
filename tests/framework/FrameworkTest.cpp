// FrameworkTest.cpp — the application framework on SDL's queue: idle messages,
// command routing, accelerators and toolbar buttons, timers, painting, and the close path
// from the system's request to the end of Run.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>

#include "platform/bitmaps/FatalError.h"
#include "platform/framework/WindowMessage.h"
#include "platform/framework/WindowTimer.h"
#include "tests/framework/RecordingWindows.h"

namespace {

// --- Idle messages -----------------------------------------------------------------------

SDL_Event MouseMotion(uint32_t windowId, int32_t x, int32_t y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.windowID = windowId;
    event.motion.x = x;
    event.motion.y = y;
    return event;
}

TEST(IdleMessages, RepeatedMouseMotionToTheSamePointAndPaintingAreNotIdleMessages)
{
    CApplication app;
    EXPECT_TRUE(app.IsIdleMessage(MouseMotion(1, 5, 5)));
    EXPECT_FALSE(app.IsIdleMessage(MouseMotion(1, 5, 5)));   // the same point again
    EXPECT_TRUE(app.IsIdleMessage(MouseMotion(1, 6, 5)));
    EXPECT_TRUE(app.IsIdleMessage(MouseMotion(2, 6, 5)));    // the same point in another window
    EXPECT_FALSE(app.IsIdleMessage(MouseMotion(2, 6, 5)));

    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_EXPOSED;
    EXPECT_FALSE(app.IsIdleMessage(event));
    event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    EXPECT_TRUE(app.IsIdleMessage(event));
    event.type = SDL_USEREVENT;
    event.user.code = static_cast<Sint32>(WindowMessage::Timer);
    EXPECT_TRUE(app.IsIdleMessage(event));
}

// --- Commands ----------------------------------------------------------------------------

// A shown window is painted background first, then frame, then panes; commands go to the
// pane, then the frame, then the application.
TEST_F(FrameworkTest, PaintingAndCommandsReachTheirHandlersInOrder)
{
    CRecordingApp app(m_log);
    CRecordingFrame& frame = app.MakeFrame();
    frame.ShowWindow();
    for (uint32_t command : {10u, 20u, 30u, 40u})
        frame.PostCommand(command);
    PumpWaiting(app);
    // 10: all three have a handler, the pane comes first; 20: the frame before the
    // application; 30: only the application; 40: nobody.
    EXPECT_EQ(m_log, (Log{"create", "erase", "paint", "pane paint", "pane 10", "frame 20", "app 30"}));
    EXPECT_FALSE(frame.OnCmdMsg(40));
}

// Minimised or hidden, then shown, restored or maximised again: the frame is told each
// time; moving the window tells it nothing.
TEST_F(FrameworkTest, TheFrameHearsWhenItIsHiddenAndShownAgain)
{
    CRecordingApp app(m_log);
    CRecordingFrame& frame = app.MakeFrame();
    for (const uint8_t what : {SDL_WINDOWEVENT_MINIMIZED, SDL_WINDOWEVENT_RESTORED, SDL_WINDOWEVENT_HIDDEN,
                               SDL_WINDOWEVENT_SHOWN, SDL_WINDOWEVENT_MOVED, SDL_WINDOWEVENT_MAXIMIZED})
        PushWindowEvent(frame.WindowId(), what);
    PushWindowEvent(frame.WindowId() + 1, SDL_WINDOWEVENT_HIDDEN);   // another window's
    PumpWaiting(app);
    EXPECT_EQ(m_log, (Log{"create", "hidden", "shown", "hidden", "shown", "shown"}));
}

TEST_F(FrameworkTest, ToolbarButtonsAndAcceleratorKeysSendTheirCommands)
{
    CRecordingApp app(m_log);
    FrameResources resources;
    resources.accelerators = {Accelerator{SDLK_x, ACCELERATOR_CONTROL, 30}, Accelerator{SDLK_F1, 0, 20}};
    CRecordingFrame& frame = app.MakeFrame(resources);
    const uint32_t buttons[] = {30, CToolBar::SEPARATOR, 40};
    ASSERT_TRUE(frame.m_toolBar.SetButtons(buttons));
    EXPECT_TRUE(frame.m_toolBar.PressButton(0));
    EXPECT_FALSE(frame.m_toolBar.PressButton(1));   // a separator sends nothing
    EXPECT_FALSE(frame.m_toolBar.PressButton(2));   // nobody handles 40
    EXPECT_THROW(frame.m_toolBar.PressButton(3), CFatalError);
    const uint32_t separators[] = {CToolBar::SEPARATOR};
    EXPECT_FALSE(frame.m_toolBar.SetButtons(separators));

    PushKey(frame.WindowId(), SDLK_x, KMOD_LCTRL);               // Ctrl+X: 30
    PushKey(frame.WindowId(), SDLK_x, KMOD_LCTRL | KMOD_SHIFT);  // Ctrl+Shift+X: nothing
    PushKey(frame.WindowId(), SDLK_x);                           // X: nothing
    PushKey(frame.WindowId(), SDLK_F1, KMOD_NUM);                // F1 with Num Lock on: 20
    PushKey(frame.WindowId() + 1, SDLK_F1);                      // another window's key
    PumpWaiting(app);
    EXPECT_EQ(m_log, (Log{"create", "app 30", "app 30", "frame 20"}));
}

// --- Timers ------------------------------------------------------------------------------

TEST_F(FrameworkTest, TimerMessagesComeThroughTheQueueWhileTheTimerRuns)
{
    CRecordingApp app(m_log);
    CRecordingFrame& frame = app.MakeFrame();
    ASSERT_TRUE(frame.SetTimer(7, 5));
    ASSERT_NE(frame.FindTimer(7), nullptr);
    EXPECT_EQ(frame.FindTimer(7)->PeriodMs(), 5u);
    // The handler runs only when the message is pumped, never on the timer's thread.
    while (m_log.size() < 3)
        ASSERT_TRUE(app.PumpMessage());
    EXPECT_EQ(m_log, (Log{"create", "timer 7", "timer 7"}));

    // A message the timer posted before it stopped is dropped when it comes.
    SDL_Delay(20);
    ASSERT_TRUE(frame.KillTimer(7));
    EXPECT_FALSE(frame.KillTimer(7));
    EXPECT_FALSE(QueuedEvents().empty());
    PumpWaiting(app);
    EXPECT_EQ(m_log.size(), 3u);
}

// --- Closing -----------------------------------------------------------------------------

// (Both close requests, the window's and the system's, are run through the program's own
// frame in MainFrameTest.)
TEST_F(FrameworkTest, ACloseRequestDestroysTheMainWindowOnceAndTheQuitMessageEndsRun)
{
    CRecordingApp app(m_log);
    CRecordingFrame& frame = app.MakeFrame();
    PushWindowEvent(frame.WindowId(), SDL_WINDOWEVENT_CLOSE);
    PushQuit();   // a second request finds no window left: it quits at once
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(m_log, (Log{"create", "destroy"}));
    EXPECT_EQ(app.MainWindow(), nullptr);
}

TEST_F(FrameworkTest, AWindowRefusedByOnCreateIsDestroyedAgain)
{
    CRecordingFrame frame(m_log, -1);
    EXPECT_FALSE(frame.LoadFrame({}));
    EXPECT_FALSE(frame.IsWindow());
    EXPECT_FALSE(frame.m_pane.IsWindow());
    EXPECT_THROW(frame.DisplayWindow(), CFatalError);
    frame.DestroyWindow();   // nothing left to destroy
    EXPECT_EQ(m_log, (Log{"create", "destroy"}));
}

} // namespace
