// AppLoopTest.cpp — the program's loop with scripted worlds: the world ticks only while no
// message is waiting, the idle phase, the quit message, and a loop without a world.
// (--frames is run end to end in TolmixRunTest, where the last frame must be the N-th.)
#include <gtest/gtest.h>

#include <SDL.h>

#include <functional>
#include <memory>
#include <string>

#include "app/GameApp.h"
#include "game/Game.h"
#include "tests/framework/RecordingWindows.h"

namespace {

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
