// GameApp.h — the program's application object: it makes the main frame (whose creation
// builds the world) and runs the message loop that ticks the world whenever no message
// is waiting. It also handles the About command.
//
// The command line's run controls act around each tick (TickWorld): surface loss before
// every N-th tick (--lose-surfaces-every), the benchmark's timing, and the end after N
// ticks (--frames), which asks the window to close as the system would.
#pragma once

#include <cstdint>
#include <memory>

#include "app/ProgramOptions.h"
#include "platform/framework/Application.h"

class CBenchmark;
class CGame;
class CMainFrame;

class CGameApp : public CApplication {
public:
    // `benchmark`, when given, is told of every frame and measures the baseline at the end.
    explicit CGameApp(ProgramOptions options, CBenchmark* benchmark = nullptr);
    ~CGameApp() override;

    // Makes and shows the main frame and borrows its world. Throws CFatalError when the
    // frame refuses to be made.
    bool InitInstance() override;
    // The framework's two-phase loop with the world's tick in both phases.
    int32_t Run() override;

    // The About command: the About box, while the world waits with its clock stopped.
    void OnAppAbout();
    // The exit command (Escape, Q): the window is asked to close, as the system asks.
    void OnAppExit();

    // Whether the loop ticks the world: there is one, and its frame has it running (not
    // paused, not hidden). Otherwise the loop waits for messages.
    bool WorldRuns() const;

    // One tick of the world (none without one), with the run controls around it.
    void TickWorld();
    uint64_t TicksDone() const { return m_ticks; }

    CMainFrame* MainFrame() const;

    // The main frame's world, borrowed; null before start-up and once the frame deleted it.
    CGame* m_pGame = nullptr;

protected:
    // The frame deleted the world with its window: the loop must not tick it again.
    void OnMainWindowDestroyed() override;
    // The main frame to make (tests give their own).
    virtual std::unique_ptr<CMainFrame> CreateMainFrame();

private:
    // --frames reached: the benchmark's baseline, then the close request.
    void EndRun();

    ProgramOptions m_options;
    CBenchmark* m_pBenchmark;
    CMainFrame* m_pMainFrame = nullptr;
    uint64_t m_ticks = 0;
};
