// AppFrameworkTest.cpp — the application framework on SDL's queue: idle messages,
// command routing, accelerators and toolbar buttons, timers, painting, and the close path
// from the system's request to the end of Run; and the program's loop with scripted
// worlds: the world ticks only while no message is waiting, the idle phase, the quit
// message, and a loop without a world. (--frames is run end to end in TolmixRunTest,
// where the last frame must be the N-th.)
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/GameApp.h"
#include "game/Game.h"
#include "platform/Application.h"
#include "platform/ChildWindow.h"
#include "platform/FatalError.h"
#include "platform/FrameWindow.h"
#include "platform/ToolBar.h"
#include "platform/WindowMessage.h"
#include "platform/WindowTimer.h"
#include "tests/SdlEvents.h"

namespace {

using Log = std::vector<std::string>;

// --- Recording windows -------------------------------------------------------------------

// A pane that handles command 10 and notes its painting.
class CRecordingPane : public CChildWindow {
public:
    explicit CRecordingPane(Log& log) : m_log(log)
    {
        AddCommandHandler(10, [this] { m_log.push_back("pane 10"); });
    }
    void OnPaint() override { m_log.push_back("pane paint"); }

private:
    Log& m_log;
};

// A frame with a pane in front of its own routing; it handles commands 10 and 20 and notes
// every handler the framework calls.
class CRecordingFrame : public CFrameWindow {
public:
    explicit CRecordingFrame(Log& log, int32_t createResult = 0) : m_pane(log), m_log(log), m_createResult(createResult)
    {
        AddCommandHandler(10, [this] { m_log.push_back("frame 10"); });
        AddCommandHandler(20, [this] { m_log.push_back("frame 20"); });
    }

    bool OnCmdMsg(uint32_t command) override { return m_pane.OnCmdMsg(command) || CFrameWindow::OnCmdMsg(command); }

    CRecordingPane m_pane;
    CToolBar m_toolBar;
    std::function<void()> m_onTimer = [] {};   // runs after a timer message has been noted

protected:
    int32_t OnCreate() override
    {
        m_log.push_back("create");
        if (!m_pane.Create(*this, 1) || !m_toolBar.Create(*this, 2))
            return -1;
        return m_createResult;
    }
    void OnDestroy() override { m_log.push_back("destroy"); }
    void OnTimer(uint32_t id) override
    {
        m_log.push_back("timer " + std::to_string(id));
        m_onTimer();
    }
    void OnPaint() override { m_log.push_back("paint"); }
    bool OnEraseBkgnd() override
    {
        m_log.push_back("erase");
        return true;
    }

private:
    Log& m_log;
    int32_t m_createResult;
};

// An application that handles commands 10, 20 and 30.
class CRecordingApp : public CApplication {
public:
    explicit CRecordingApp(Log& log) : m_log(log)
    {
        for (uint32_t command : {10u, 20u, 30u})
            AddCommandHandler(command, [this, command] { m_log.push_back("app " + std::to_string(command)); });
    }

    // Makes and shows the recording frame as the main window.
    CRecordingFrame& MakeFrame(const FrameResources& resources = {})
    {
        auto frame = std::make_unique<CRecordingFrame>(m_log);
        CRecordingFrame& made = *frame;
        SetMainWindow(std::move(frame));
        EXPECT_TRUE(made.LoadFrame(resources));
        FlushEvents();   // the window system's own events on opening
        return made;
    }

private:
    Log& m_log;
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override { FlushEvents(); }
    void TearDown() override { FlushEvents(); }

    // Pumps every event waiting now.
    void PumpWaiting(CApplication& app)
    {
        while (app.HasMessageWaiting())
            ASSERT_TRUE(app.PumpMessage());
    }

    Log m_log;
};

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

// --- The program's loop ------------------------------------------------------------------

// A world whose tick only notes itself and runs the test's script.
class CScriptedGame : public CGame {
public:
    CScriptedGame(Log& log, std::function<void(int32_t)> script) : m_log(log), m_script(std::move(script)) {}

    void Tick() override
    {
        ++m_ticks;
        m_log.push_back("tick " + std::to_string(m_ticks));
        m_script(m_ticks);
    }

private:
    Log& m_log;
    std::function<void(int32_t)> m_script;
    int32_t m_ticks = 0;
};

// The program's application with the recording frame as its main window and the scripted
// world (or none) as its world; its idle calls are noted and answered as the test says.
class CLoopApp : public CGameApp {
public:
    CLoopApp(Log& log, CGame* world) : CGameApp(ProgramOptions{}), m_log(log), m_world(world) {}

    bool InitInstance() override
    {
        auto frame = std::make_unique<CRecordingFrame>(m_log);
        m_frame = frame.get();
        SetMainWindow(std::move(frame));
        EXPECT_TRUE(m_frame->LoadFrame({}));
        FlushEvents();
        if (m_bShowFrame)
            m_frame->ShowWindow();
        m_pGame = m_world;
        return true;
    }

    bool OnIdle(int32_t idleCount) override
    {
        m_log.push_back("idle " + std::to_string(idleCount));
        return idleCount < m_idleCalls - 1;
    }

    CRecordingFrame* m_frame = nullptr;
    int32_t m_idleCalls = 1;    // how many idle calls in a row the idle phase gets
    // Shown, as the program shows its frame, the window's first paint message is waiting
    // when Run starts; hidden, the queue is empty and Run starts with idle processing.
    bool m_bShowFrame = true;

private:
    Log& m_log;
    CGame* m_world;
};

using AppLoopTest = FrameworkTest;

TEST_F(AppLoopTest, TheWorldTicksOnlyWhileNoMessageIsWaiting)
{
    CLoopApp* app = nullptr;
    CScriptedGame world(m_log, [&](int32_t tick) {
        if (tick == 1)
            for (uint32_t command : {10u, 20u, 20u})
                app->m_frame->PostCommand(command);
        if (tick == 2)
            PushQuit();   // the system asks the window to close
    });
    CLoopApp loop(m_log, &world);
    app = &loop;
    loop.InitInstance();
    EXPECT_EQ(loop.Run(), 0);
    // The first paint message comes first; all three commands are handled before the
    // second tick, and nothing ticks once the close request is waiting or the window is gone.
    EXPECT_EQ(m_log, (Log{"create", "erase", "paint", "pane paint", "tick 1", "pane 10", "frame 20", "frame 20",
                          "tick 2", "destroy"}));
    EXPECT_EQ(loop.m_pGame, nullptr);
}

TEST_F(AppLoopTest, TheIdlePhaseTicksAfterEveryIdleCallAndTheQuitMessageEndsRunWithItsCode)
{
    CLoopApp* app = nullptr;
    CScriptedGame world(m_log, [&](int32_t tick) {
        if (tick == 3)
            app->m_frame->PostCommand(20);
        if (tick == 4)
            app->PostQuitMessage(4);
    });
    CLoopApp loop(m_log, &world);
    app = &loop;
    loop.m_idleCalls = 3;
    loop.m_bShowFrame = false;
    loop.InitInstance();
    EXPECT_EQ(loop.Run(), 4);
    // Three idle calls with a tick after each; then the message phase takes the next
    // message (it waits for one) and ticks again once the queue is empty; the quit
    // message ends the loop before anything else runs.
    EXPECT_EQ(m_log, (Log{"create", "idle 0", "tick 1", "idle 1", "tick 2", "idle 2", "tick 3", "frame 20", "tick 4"}));
}

// After the message the loop goes back to idle processing and then waits for the next
// message (here the timer's) instead of spinning where a world would tick.
TEST_F(AppLoopTest, WithoutAWorldRunIsTheOrdinaryLoopThatWaitsForMessages)
{
    CLoopApp loop(m_log, nullptr);
    loop.m_bShowFrame = false;
    loop.InitInstance();
    loop.m_frame->m_onTimer = [] { PushQuit(); };
    loop.m_frame->PostCommand(20);
    ASSERT_TRUE(loop.m_frame->SetTimer(5, 30));
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(m_log, (Log{"create", "frame 20", "idle 0", "timer 5", "destroy"}));
}

} // namespace
