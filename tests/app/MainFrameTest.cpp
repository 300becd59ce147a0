// MainFrameTest.cpp — the program's start-up, commands and teardown in-process, headless:
// what the main frame's creation builds, where commands go, the keys of a running
// animation (quit, pause, full-screen), a hidden window, the fixed-step clock, and that
// the world is deleted exactly once however the run ends.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "app/FixedStepCounter.h"
#include "app/GameApp.h"
#include "app/MainFrame.h"
#include "app/Resources.h"
#include "game/Background.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/framework/WindowTimer.h"
#include "sprites/SpriteStore.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/GameObjectInside.h"
#include "tests/support/ScreenInside.h"

namespace {

// --- A world that counts its deletions ---------------------------------------------------

class CCountedGame : public CGame {
public:
    explicit CCountedGame(int32_t& deletions) : CGame(std::make_unique<CFixedStepCounter>(16)), m_deletions(deletions)
    {
    }
    ~CCountedGame() override { ++m_deletions; }

private:
    int32_t& m_deletions;
};

class CCountingFrame : public CMainFrame {
public:
    CCountingFrame(ProgramOptions options, int32_t& deletions) : CMainFrame(std::move(options)), m_deletions(deletions) {}

protected:
    std::unique_ptr<CGame> CreateWorld() override { return std::make_unique<CCountedGame>(m_deletions); }

private:
    int32_t& m_deletions;
};

class CCountingApp : public CGameApp {
public:
    CCountingApp(const ProgramOptions& options, int32_t& deletions) : CGameApp(options), m_options(options), m_deletions(deletions)
    {
    }

protected:
    std::unique_ptr<CMainFrame> CreateMainFrame() override
    {
        return std::make_unique<CCountingFrame>(m_options, m_deletions);
    }

private:
    ProgramOptions m_options;
    int32_t& m_deletions;
};

class MainFrameTest : public CAppScratchFolderTest {
protected:
    // Starts the program, drops the events its start-up queued and runs `ticks` ticks.
    static void StartAndTick(CGameApp& app, int32_t ticks)
    {
        app.InitInstance();
        FlushEvents();
        for (int32_t tick = 0; tick < ticks; ++tick)
            app.TickWorld();
    }
};

// --- Start-up ----------------------------------------------------------------------------

TEST_F(MainFrameTest, StartUpBuildsThePanesTheTimerTheWorldAndTheDisplay)
{
    CGameApp app(HeadlessOptions({800, 600, 16, 0}, 16));
    ASSERT_TRUE(app.InitInstance());
    CMainFrame& frame = *app.MainFrame();
    ASSERT_NE(app.m_pGame, nullptr);
    EXPECT_TRUE(frame.m_wndView.IsWindow());
    EXPECT_TRUE(frame.m_wndView.Style().sunkenEdge);
    EXPECT_FALSE(frame.m_wndView.Style().border);
    EXPECT_NE(frame.FindTimer(FRAME_TIMER_ID), nullptr);

    // The objects, sorted: the background first, then paddle and ball in either order (the
    // objects' own tests pin what each is made with).
    const CGame& world = *app.m_pGame;
    ASSERT_EQ(world.ObjectCount(), 3);
    EXPECT_STREQ(world.ObjectAt(0)->Name(), "Background");
    EXPECT_EQ(CGameObjectInside::Rectangle(*world.ObjectAt(0)), (Rect{0, 0, 1600, 1200}));
    ASSERT_NE(FindObject(world, "Paddle"), nullptr);
    EXPECT_NE(FindObject(world, "Slowball"), nullptr);

    // The display at the mode asked for, with the three pictures.
    const CScreen& screen = world.Screen();
    EXPECT_EQ((DisplayMode{screen.Width(), screen.Height(), screen.BitsPerPixel(), 0}), (DisplayMode{800, 600, 16, 0}));
    EXPECT_EQ(world.Sprites().GetCount(), 3);

    // The shown window's paint message is waiting: the loop starts with a message to
    // take, never with an idle phase that could end in a wait for one.
    const std::vector<SDL_Event> waiting = QueuedEvents();
    EXPECT_TRUE(std::any_of(waiting.begin(), waiting.end(), [&](const SDL_Event& event) {
        return event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED &&
               event.window.windowID == frame.WindowId();
    }));
}

TEST_F(MainFrameTest, EveryTickOfAFixedStepRunTakesExactlyTheStep)
{
    CGameApp app(HeadlessOptions({640, 480, 16, 0}, 40));
    app.InitInstance();
    app.TickWorld();
    EXPECT_EQ(app.m_pGame->ElapsedMs(), 40u);   // the first tick too, however long start-up took
    app.TickWorld();
    app.TickWorld();
    EXPECT_EQ(app.m_pGame->ElapsedMs(), 40u);
    EXPECT_EQ(app.m_pGame->TotalMs(), 120u);
    EXPECT_EQ(app.TicksDone(), 3u);
}

// --- Commands ----------------------------------------------------------------------------

// The About box is modal: a queued Escape closes it at once, and only a running box takes
// that Escape from the queue.
TEST_F(MainFrameTest, OnlyTheAboutCommandReachesAHandlerInTheApplicationAndTheMenusStartTheFrame)
{
    CGameApp app(HeadlessOptions({640, 480, 16, 0}, 16));
    app.InitInstance();
    CMainFrame& frame = *app.MainFrame();
    FlushEvents();

    PushKey(0, SDLK_ESCAPE);
    EXPECT_TRUE(frame.m_wndToolBar.PressButton(6));   // the About button
    EXPECT_TRUE(QueuedEvents().empty()) << "the About box did not run";

    for (int32_t button : {0, 1, 2, 3, 4, 5})   // 3 and 5 are separators
        EXPECT_FALSE(frame.m_wndToolBar.PressButton(button)) << "button " << button;
    EXPECT_FALSE(frame.m_wndView.OnCmdMsg(COMMAND_ABOUT));   // the view handles nothing
    EXPECT_FALSE(frame.HasCommandHandler(COMMAND_ABOUT));
    ASSERT_EQ(frame.Resources().menu.size(), 1u);
    EXPECT_TRUE(frame.OnCmdMsg(frame.Resources().menu[0].command));   // "&Start": the frame's

    // F1 stands for the About button; the box runs inside the dispatch of the key.
    PushKey(frame.WindowId(), SDLK_F1);
    PushKey(0, SDLK_ESCAPE);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_TRUE(QueuedEvents().empty()) << "the About box did not run";
}

TEST_F(MainFrameTest, TheFramesFocusGoesToTheView)
{
    CGameApp app(HeadlessOptions({640, 480, 16, 0}, 16));
    StartAndTick(app, 0);
    PushWindowEvent(app.MainFrame()->WindowId(), SDL_WINDOWEVENT_FOCUS_GAINED);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_TRUE(app.MainFrame()->m_wndView.HasFocus());
}

// --- Keys and visibility -----------------------------------------------------------------

// Puts a quit request in the queue after `ms` milliseconds, from SDL's timer thread: a
// loop that waits for messages ends then, one that spins ticks meanwhile.
Uint32 PushQuitLater(Uint32, void*)
{
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    return 0;
}

CBackground& BackgroundOf(CGameApp& app)
{
    return *static_cast<CBackground*>(FindObject(*app.m_pGame, "Background"));
}

// P pauses: the clock stops, one still frame says so, and the loop waits for messages
// instead of ticking; Pause resumes, and the next tick's time is the frames' own.
TEST_F(MainFrameTest, PausingStopsTheClockAndTheTicksAndTheReadoutSaysSo)
{
    CGameApp app(HeadlessOptions({640, 480, 8, 0}, 16));
    StartAndTick(app, 5);
    const uint32_t windowId = app.MainFrame()->WindowId();

    PushKey(windowId, SDLK_p);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_TRUE(app.MainFrame()->IsPaused());
    EXPECT_FALSE(app.WorldRuns());
    EXPECT_TRUE(app.m_pGame->IsClockStopped());
    EXPECT_EQ(CGameObjectInside::ShownText(BackgroundOf(app)), CBackground::PAUSED_TEXT);
    app.TickWorld();
    EXPECT_EQ(app.TicksDone(), 5u);

    PushKey(windowId, SDLK_PAUSE);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_TRUE(app.WorldRuns());
    EXPECT_FALSE(app.m_pGame->IsClockStopped());
    const uint64_t before = app.m_pGame->TotalMs();
    app.TickWorld();
    EXPECT_LE(app.m_pGame->TotalMs() - before, 2u * 16u);   // the fixed clock's readings while paused
    EXPECT_EQ(CGameObjectInside::ShownText(BackgroundOf(app)), "Wait...");

    // Paused, the loop sleeps until the quit request comes: not one tick meanwhile.
    PushKey(windowId, SDLK_p);
    const SDL_TimerID timer = SDL_AddTimer(300, PushQuitLater, nullptr);
    EXPECT_EQ(app.Run(), 0);
    SDL_RemoveTimer(timer);
    EXPECT_EQ(app.TicksDone(), 6u);
}

// With 10,000 balls P still gives one still frame that says so, with every ball where it
// was, and the next frames after Pause move them on.
TEST_F(MainFrameTest, TenThousandBallsPauseAndResumeAsTheOneBallDoes)
{
    ProgramOptions options = HeadlessOptions({640, 480, 8, 0}, 16);
    options.balls = 10000;
    CGameApp app(options);
    StartAndTick(app, 130);   // 130 frames of 16 ms: every ball has made a vertical step
    ASSERT_EQ(app.m_pGame->ObjectCount(), 10002);
    const auto places = [&app] {
        std::vector<Rect> rects;
        for (int32_t i = 0; i < app.m_pGame->ObjectCount(); ++i)
            rects.push_back(CGameObjectInside::Rectangle(*app.m_pGame->ObjectAt(i)));
        return rects;
    };
    const std::vector<Rect> before = places();

    PushKey(app.MainFrame()->WindowId(), SDLK_p);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_TRUE(app.MainFrame()->IsPaused());
    EXPECT_EQ(CGameObjectInside::ShownText(BackgroundOf(app)), CBackground::PAUSED_TEXT);
    EXPECT_EQ(places(), before);

    PushKey(app.MainFrame()->WindowId(), SDLK_PAUSE);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_FALSE(app.MainFrame()->IsPaused());
    for (int32_t tick = 0; tick < 10; ++tick)
        app.TickWorld();
    EXPECT_NE(places(), before);
    EXPECT_EQ(CGameObjectInside::ShownText(BackgroundOf(app)), "62");
}

// Minimised, the world neither ticks nor keeps its clock going; shown again, everything
// is drawn whole and the readout starts a new sample.
TEST_F(MainFrameTest, AMinimisedWindowStopsTheWorldAndIsDrawnWholeWhenShownAgain)
{
    CGameApp app(HeadlessOptions({640, 480, 8, 0}, 16));
    StartAndTick(app, 5);
    const uint32_t windowId = app.MainFrame()->WindowId();
    PushWindowEvent(windowId, SDL_WINDOWEVENT_MINIMIZED);
    PushWindowEvent(windowId, SDL_WINDOWEVENT_HIDDEN);   // said twice: still one stop
    ASSERT_TRUE(app.PumpMessage());
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_FALSE(app.WorldRuns());
    EXPECT_TRUE(app.m_pGame->IsClockStopped());
    app.TickWorld();
    EXPECT_EQ(app.TicksDone(), 5u);

    PushWindowEvent(windowId, SDL_WINDOWEVENT_RESTORED);
    ASSERT_TRUE(app.PumpMessage());
    EXPECT_TRUE(app.WorldRuns());
    EXPECT_FALSE(app.m_pGame->IsClockStopped());
    EXPECT_EQ(CGameObjectInside::RestoreDraws(BackgroundOf(app)), CBackground::FULL_DRAWS);
    EXPECT_EQ(CGameObjectInside::FramesCounted(BackgroundOf(app)), 0);
}

// F11 and Alt+Enter switch a windowed run to full-screen and back without touching the
// back buffer; the pointer is hidden only full-screen.
TEST_F(MainFrameTest, FullScreenKeysSwitchThePresentationAndKeepTheBackBuffer)
{
    CGameApp app(HeadlessOptions({640, 480, 16, 0}, 16));
    StartAndTick(app, 5);
    CScreen& screen = app.m_pGame->Screen();
    const std::vector<uint32_t> before = Raws(*screen.BackBuffer());
    const uint32_t windowId = app.MainFrame()->WindowId();
    const std::tuple<SDL_Keycode, uint16_t, bool> keys[] = {   // key, modifiers, whether it switches
        {SDLK_F11, KMOD_NONE, true}, {SDLK_RETURN, KMOD_LALT, true}, {SDLK_RETURN, KMOD_RALT, true},
        {SDLK_F11, KMOD_NONE, true}, {SDLK_RETURN, KMOD_NONE, false}};   // Enter alone is no switch
    bool windowed = true;
    for (const auto& [key, modifiers, switches] : keys) {
        PushKey(windowId, key, modifiers);
        while (app.HasMessageWaiting())   // the switch itself queues the window's own events
            ASSERT_TRUE(app.PumpMessage());
        windowed = windowed != switches;
        EXPECT_EQ(CScreenInside::Device(screen).IsWindowed(), windowed) << SDL_GetKeyName(key) << " " << modifiers;
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), windowed ? SDL_ENABLE : SDL_DISABLE);
        EXPECT_EQ(Raws(*screen.BackBuffer()), before);
    }
}

// --- Teardown ----------------------------------------------------------------------------

// Escape, Q, the system's close request and the window's close button all end the run
// through the normal teardown: the world deleted once, nothing left to tick.
TEST_F(MainFrameTest, EveryWayOfClosingDeletesTheWorldOnceAndEndsTheRun)
{
    const auto key = [](SDL_Keycode code) { return [code](uint32_t windowId) { PushKey(windowId, code); }; };
    const std::pair<const char*, std::function<void(uint32_t)>> closes[] = {
        {"Escape", key(SDLK_ESCAPE)},
        {"Q", key(SDLK_q)},
        {"SDL_QUIT", [](uint32_t) { PushQuit(); }},
        {"the window's close button", [](uint32_t windowId) { PushWindowEvent(windowId, SDL_WINDOWEVENT_CLOSE); }}};
    for (const auto& [name, close] : closes) {
        SCOPED_TRACE(name);
        FlushEvents();
        int32_t deletions = 0;
        {
            CCountingApp app(HeadlessOptions({640, 480, 8, 0}, 16), deletions);
            app.InitInstance();
            app.TickWorld();
            close(app.MainFrame()->WindowId());
            EXPECT_EQ(app.Run(), 0);
            EXPECT_EQ(deletions, 1);
            EXPECT_EQ(app.m_pGame, nullptr);
            EXPECT_EQ(app.MainWindow(), nullptr);
            app.TickWorld();   // nothing left to tick
        }
        EXPECT_EQ(deletions, 1);
    }
}

TEST_F(MainFrameTest, AStartUpThatFailsStillDeletesTheWorldOnce)
{
    int32_t deletions = 0;
    {
        // A depth the display cannot set: Initialise, the last step of start-up, fails.
        CCountingApp app(HeadlessOptions({640, 480, 12, 0}, 16), deletions);
        EXPECT_THROW(app.InitInstance(), CFatalError);
        EXPECT_EQ(deletions, 0);
    }
    EXPECT_EQ(deletions, 1);
}

} // namespace
