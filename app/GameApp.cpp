// GameApp.cpp — start-up, the idle loop that ticks the world, the About command, and the
// run controls around each tick.
#include "app/GameApp.h"

#include <string>
#include <utility>

#include "app/AboutDlg.h"
#include "app/Benchmark.h"
#include "app/MainFrame.h"
#include "app/Resources.h"
#include "game/Game.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/DisplayDevice.h"

CGameApp::CGameApp(ProgramOptions options, CBenchmark* benchmark)
    : m_options(std::move(options)), m_pBenchmark(benchmark)
{
    AddCommandHandler(COMMAND_ABOUT, [this] { OnAppAbout(); });
    AddCommandHandler(COMMAND_APP_EXIT, [this] { OnAppExit(); });
}

CGameApp::~CGameApp() = default;

// ---------------------------------------------------------------------------------------
// Start-up
// ---------------------------------------------------------------------------------------

// The frame's creation runs the whole start-up (the world, the mode, the objects, the
// display). Showing the frame queues its first paint message, so the loop starts with a
// message to take rather than waiting for one.
bool CGameApp::InitInstance()
{
    m_pGame = nullptr;
    // The program keeps no settings, so there is no settings key to name.
    std::unique_ptr<CMainFrame> frame = CreateMainFrame();
    m_pMainFrame = frame.get();
    SetMainWindow(std::move(frame));
    if (m_pBenchmark != nullptr) {
        m_pMainFrame->m_pStartupPhases = &m_pBenchmark->StartupPhases();
        m_pBenchmark->StartupPhases().Mark();   // the window's creation begins
    }
    if (!m_pMainFrame->LoadFrame(MainFrameResources()))
        throw CFatalError("cannot create the main window");
    m_pMainFrame->ShowWindow();
    m_pGame = m_pMainFrame->m_pGame.get();
    return true;
}

std::unique_ptr<CMainFrame> CGameApp::CreateMainFrame()
{
    return std::make_unique<CMainFrame>(m_options);
}

CMainFrame* CGameApp::MainFrame() const
{
    return MainWindow() != nullptr ? m_pMainFrame : nullptr;
}

void CGameApp::OnMainWindowDestroyed()
{
    m_pGame = nullptr;
    m_pMainFrame = nullptr;
    CApplication::OnMainWindowDestroyed();
}

// ---------------------------------------------------------------------------------------
// The loop
// ---------------------------------------------------------------------------------------

// A busy loop: while the queue is empty the world ticks again at once; the flip's wait for
// the display is what paces it. The idle phase runs at the start, and again only when the
// queue turns out empty after a message. Without a running world (none, paused, hidden)
// the ticking steps do nothing and the loop is the framework's ordinary one: it waits in
// PumpMessage instead of spinning.
int32_t CGameApp::Run()
{
    bool idle = true;
    int32_t idleCount = 0;
    for (;;) {
        // The idle phase.
        while (idle && !HasMessageWaiting()) {
            if (!OnIdle(idleCount++))
                idle = false;
            TickWorld();
        }
        // The message phase.
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(m_msgCur)) {
                idle = true;
                idleCount = 0;
            }
            while (WorldRuns() && !HasMessageWaiting())
                TickWorld();
        } while (HasMessageWaiting());
    }
}

bool CGameApp::WorldRuns() const
{
    return m_pGame != nullptr && (m_pMainFrame == nullptr || m_pMainFrame->IsWorldRunning());
}

void CGameApp::TickWorld()
{
    if (!WorldRuns())
        return;
    const uint64_t tick = m_ticks + 1;
    if (m_options.loseSurfacesEvery > 0 && tick % m_options.loseSurfacesEvery == 0)
        m_pGame->Screen().LoseAllSurfaces();
    {
        const CStartupPhases::CScope timing(m_pBenchmark != nullptr && tick == 1 ? &m_pBenchmark->StartupPhases() : nullptr,
                                            CStartupPhases::FIRST_FRAME);
        m_pGame->Tick();
    }
    if (m_pMainFrame != nullptr)
        m_pMainFrame->OnFramePresented();
    m_ticks = tick;
    if (m_pBenchmark != nullptr)
        m_pBenchmark->FramePresented();
    if (m_ticks == m_options.frames)
        EndRun();
}

// The close request goes through the queue, so the loop stops ticking at once (a message
// is waiting) and the normal teardown follows.
void CGameApp::EndRun()
{
    if (m_pBenchmark != nullptr) {
        m_pBenchmark->NoteObjects(m_pGame->ObjectCount());
        m_pBenchmark->MeasureBaseline(m_pGame->Screen());
    }
    PostCloseRequest();
}

// ---------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------

// The dialog runs its own loop; the world does not tick meanwhile, and its clock stands
// still, so the time the box was open is neither motion nor frame time.
void CGameApp::OnAppAbout()
{
    CFrameWindow* frame = MainWindow();
    if (frame == nullptr || !frame->IsWindow())
        return;
    CGame* world = m_pGame;   // the box ends on a close request, which it leaves queued
    if (world != nullptr)
        world->StopClock();
    CAboutDlg about;
    about.DoModal(frame->DisplayWindow());
    if (world != nullptr)
        world->StartClock();
}

// Through the queue, as the system's own request comes: the normal teardown follows.
void CGameApp::OnAppExit()
{
    PostCloseRequest();
}
