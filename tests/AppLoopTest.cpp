// AppLoopTest.cpp — the application's loop with scripted worlds: the world ticks only
// while no message is waiting, the idle phase, a loop without a world, the frame's timer
// between ticks, the quit message, and --frames.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/GameApp.h"
#include "game/Game.h"
#include "platform/FrameWindow.h"
#include "tests/SdlEvents.h"

namespace {

using Log = std::vector<std::string>;

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

// A frame that notes its commands, timers and destruction, and can start a timer.
class CNotingFrame : public CFrameWindow {
public:
    explicit CNotingFrame(Log& log) : m_log(log)
    {
        for (uint32_t command : {1u, 2u, 3u})
            AddCommandHandler(command, [this, command] { m_log.push_back("command " + std::to_string(command)); });
    }

    // Runs after a timer message has been noted.
    std::function<void()> m_onTimer = [] {};

protected:
    void OnTimer(uint32_t id) override
    {
        m_log.push_back("timer " + std::to_string(id));
        m_onTimer();
    }
    void OnDestroy() override { m_log.push_back("destroy"); }

private:
    Log& m_log;
};

// The program's application with the noting frame as its main window and the scripted
// world (or none) as its world; its idle calls are noted and answered as the test says.
class CLoopApp : public CGameApp {
public:
    CLoopApp(Log& log, CGame* world, ProgramOptions options = {}) : CGameApp(std::move(options)), m_log(log), m_world(world)
    {
    }

    bool InitInstance() override
    {
        auto frame = std::make_unique<CNotingFrame>(m_log);
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

    CNotingFrame* m_frame = nullptr;
    int32_t m_idleCalls = 1;    // how many idle calls in a row the idle phase gets
    // Shown, as the program shows its frame, the window's first paint message is waiting
    // when Run starts; hidden, the queue is empty and Run starts with idle processing.
    bool m_bShowFrame = true;

private:
    Log& m_log;
    CGame* m_world;
};

class AppLoopTest : public ::testing::Test {
protected:
    void SetUp() override { FlushEvents(); }
    void TearDown() override { FlushEvents(); }

    Log m_log;
};

// ---------------------------------------------------------------------------------------
// Ticks and messages
// ---------------------------------------------------------------------------------------

TEST_F(AppLoopTest, TheWorldTicksOnlyWhileNoMessageIsWaiting)
{
    CLoopApp* app = nullptr;
    CScriptedGame world(m_log, [&](int32_t tick) {
        if (tick == 1)
            for (uint32_t command : {1u, 2u, 3u})
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
    EXPECT_EQ(m_log, (Log{"tick 1", "command 1", "command 2", "command 3", "tick 2", "destroy"}));
    EXPECT_EQ(loop.m_pGame, nullptr);
}

TEST_F(AppLoopTest, TheIdlePhaseTicksAfterEveryIdleCallAndTheQuitMessageEndsRunWithItsCode)
{
    CLoopApp* app = nullptr;
    CScriptedGame world(m_log, [&](int32_t tick) {
        if (tick == 3)
            app->m_frame->PostCommand(1);
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
    EXPECT_EQ(m_log, (Log{"idle 0", "tick 1", "idle 1", "tick 2", "idle 2", "tick 3", "command 1", "tick 4"}));
}

// ---------------------------------------------------------------------------------------
// Without a world, and with the timer
// ---------------------------------------------------------------------------------------

// After the message the loop goes back to idle processing and then waits for the next
// message (here the timer's) instead of spinning where a world would tick.
TEST_F(AppLoopTest, WithoutAWorldRunIsTheOrdinaryLoopThatWaitsForMessages)
{
    CLoopApp loop(m_log, nullptr);
    loop.m_bShowFrame = false;
    loop.InitInstance();
    loop.m_frame->m_onTimer = [] { PushQuit(); };
    loop.m_frame->PostCommand(1);
    ASSERT_TRUE(loop.m_frame->SetTimer(5, 30));
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(m_log, (Log{"command 1", "idle 0", "timer 5", "destroy"}));
}

TEST_F(AppLoopTest, TheTimersMessageIsHandledBetweenTwoTicks)
{
    bool timerSeen = false;
    bool closeAsked = false;
    CScriptedGame world(m_log, [&](int32_t) {
        if (timerSeen && !closeAsked) {
            PushQuit();
            closeAsked = true;
        }
    });
    CLoopApp loop(m_log, &world);
    loop.InitInstance();
    loop.m_frame->m_onTimer = [&] { timerSeen = true; };
    ASSERT_TRUE(loop.m_frame->SetTimer(1, 15));
    EXPECT_EQ(loop.Run(), 0);

    const auto timer = std::find(m_log.begin(), m_log.end(), "timer 1");
    ASSERT_NE(timer, m_log.end());
    ASSERT_GE(timer - m_log.begin(), 2);
    EXPECT_EQ(timer[-1].rfind("tick ", 0), 0u) << "the world ticked until the timer's message came";
    ASSERT_EQ(m_log.end() - timer, 3);
    EXPECT_EQ(timer[1].rfind("tick ", 0), 0u) << "and ticked again once it was handled";
    EXPECT_EQ(timer[2], "destroy");
}

// ---------------------------------------------------------------------------------------
// --frames
// ---------------------------------------------------------------------------------------

TEST_F(AppLoopTest, AfterTheRequestedFramesTheWindowIsAskedToCloseAndTheRunEnds)
{
    ProgramOptions options;
    options.frames = 5;
    CScriptedGame world(m_log, [](int32_t) {});
    CLoopApp loop(m_log, &world, options);
    loop.InitInstance();
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_EQ(m_log, (Log{"tick 1", "tick 2", "tick 3", "tick 4", "tick 5", "destroy"}));
    EXPECT_EQ(loop.TicksDone(), 5u);
}

} // namespace
