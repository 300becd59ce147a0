// MainFrame.cpp — the start-up sequence, the frame's handlers and its teardown.
#include "app/MainFrame.h"

#include <string>
#include <utility>
#include <vector>

#include "app/FixedStepCounter.h"
#include "app/FrameRecorder.h"
#include "app/Resources.h"
#include "game/Background.h"
#include "game/Ball.h"
#include "game/BallSpread.h"
#include "game/Game.h"
#include "game/Paddle.h"
#include "picturefiles/PictureFile.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Surface.h"
#include "sprites/Sprite.h"

namespace {

// Where the ball starts (its centre, in world units).
constexpr int32_t BALL_START_X = 300;
constexpr int32_t BALL_START_Y = 300;

} // namespace

// ---------------------------------------------------------------------------------------
// Lifetime
// ---------------------------------------------------------------------------------------

CMainFrame::CMainFrame(ProgramOptions options) : m_options(std::move(options))
{
    AddCommandHandler(COMMAND_GAME_START, [this] { OnGameStart(); });
    AddCommandHandler(COMMAND_GAME_PAUSE, [this] { OnGamePause(); });
    AddCommandHandler(COMMAND_VIEW_FULL_SCREEN, [this] { OnViewFullScreen(); });
}

CMainFrame::~CMainFrame() = default;

// A borderless pop-up at 0, 0 with the desktop's size, black, with no painting of its own.
bool CMainFrame::PreCreateWindow(WindowOptions& options)
{
    if (!CFrameWindow::PreCreateWindow(options))
        return false;
    options.coverDesktop = true;
    options.waitForRefresh = m_options.waitForRefresh;
    return true;
}

// The world, the mode, the objects and the display keep this order: the screen must exist
// before a mode is chosen; the mode before the objects, whose pictures are loaded at its resolution; every picture before
// the display, whose palette (in 8-bit modes) is made from all of them.
int32_t CMainFrame::OnCreate()
{
    if (m_pStartupPhases != nullptr)
        m_pStartupPhases->AddSinceMark(CStartupPhases::WINDOW);
    if (CFrameWindow::OnCreate() == -1)
        return -1;
    // The view fills the frame.
    if (!m_wndView.Create(*this, VIEW_PANE_ID))
        return -1;
    // The toolbar and its buttons (TOOLBAR_BUTTONS says why it is never seen).
    if (!m_wndToolBar.Create(*this, TOOLBAR_PANE_ID))
        return -1;
    if (!m_wndToolBar.SetButtons(TOOLBAR_BUTTONS))
        return -1;
    // The bar is not drawn, so there is nothing to dock: it stays at the top.
    // A timer whose only effect is its message (FRAME_TIMER_PERIOD_MS).
    SetTimer(FRAME_TIMER_ID, FRAME_TIMER_PERIOD_MS);
    // The world; its clock starts now.
    {
        const CStartupPhases::CScope timing(m_pStartupPhases, CStartupPhases::WORLD);
        m_pGame = CreateWorld();
    }
    m_pGame->Screen().RecordStartupIn(m_pStartupPhases);
    ChooseMode();
    AddStartObjects();
    // The background (deepest) first.
    m_pGame->SortObjects();
    // In palette modes the pictures are reduced on another thread while the display is set
    // up, in the order the first tick draws them.
    const std::vector<CSprite*> order = m_pGame->SpritesInDrawOrder();
    m_pGame->Screen().ReduceAheadInOrder(std::vector<CScreenPicture*>(order.begin(), order.end()));
    m_pGame->Screen().Initialise(DisplayWindow(), PresentOptions{m_options.windowed});
    if (!m_options.record.empty())
        m_pRecorder = std::make_unique<CFrameRecorder>(m_options.record);
    return 0;
}

std::unique_ptr<CGame> CMainFrame::CreateWorld()
{
    std::unique_ptr<CPerformanceCounter> counter;
    if (m_options.fixedStepMs > 0)
        counter = std::make_unique<CFixedStepCounter>(m_options.fixedStepMs);
    else
        counter = std::make_unique<CPerformanceCounter>();
    // --balls lifts the table to hold its balls, the background and the paddle.
    const int32_t capacity = m_options.balls > 0 ? m_options.balls + 2 : CGame::MAX_OBJECTS;
    auto game = std::make_unique<CGame>(std::move(counter), capacity);
    // Thousands of balls would overlap the bounded list's entries and repaint the screen
    // several times over; tiles repaint each pixel drawn over once.
    if (m_options.balls > 0)
        game->Screen().RepairByTiles();
    return game;
}

// Cancelling the dialog keeps the screen's default, 640 × 480 × 8. The world's clock
// stands still while the dialog is open: the time the user takes is no frame's time.
void CMainFrame::ChooseMode()
{
    CScreen& screen = m_pGame->Screen();
    if (m_options.mode) {
        screen.ApplyVideoMode(*m_options.mode);
    } else if (!m_options.headless) {
        m_pGame->StopClock();
        screen.ChooseVideoMode(DisplayWindow());
        m_pGame->StartClock();
    }
}

// AddObject refuses only a full table, which three objects cannot fill; a refused object
// would still be deleted here.
void CMainFrame::AddStartObjects()
{
    CGame* game = m_pGame.get();
    std::unique_ptr<CGameObject> background = std::make_unique<CBackground>(game, "Background");
    game->AddObject(background);
    std::unique_ptr<CGameObject> paddle = std::make_unique<CPaddle>(game, "Paddle");
    game->AddObject(paddle);
    auto ball = std::make_unique<CBall>(BALL_START_X, BALL_START_Y, game, "Slowball");
    // The start-up sequence sets the ball's speed once more, to the value its constructor
    // already gave: the same constant, so the two cannot drift apart.
    ball->SetSpeed(CBall::START_SPEED_X, CBall::START_SPEED_Y);
    std::unique_ptr<CGameObject> ballObject = std::move(ball);
    game->AddObject(ballObject);
    // The balls after the first, in the table lifted for them.
    if (m_options.balls > 1)
        CBallSpread(m_options.seed).AddBalls(*game, m_options.balls - 1);
}

// The command line's last frame is saved while the world still exists; then the world
// goes (objects, then the display), once.
void CMainFrame::OnDestroy()
{
    SaveScreenshot();
    FinishRecording();
    m_pGame.reset();
    CFrameWindow::OnDestroy();
}

// Without a back buffer the display was never initialised: start-up failed, and that
// failure is what gets reported.
void CMainFrame::SaveScreenshot() const
{
    if (m_options.screenshot.empty() || !m_pGame || !m_pGame->Screen().BackBuffer())
        return;
    const CSurface& back = *m_pGame->Screen().BackBuffer();
    if (back.IsLost() != DISPLAY_OK)
        throw CFatalError("cannot save the screenshot: the display's contents were lost");
    const std::unique_ptr<CBitmap24> frame = back.ToBitmap();
    if (!frame)
        throw CFatalError("cannot save the screenshot: " + back.LastError());
    WritePicture(m_options.screenshot, *frame);
}

void CMainFrame::OnFramePresented()
{
    if (m_pRecorder && m_pGame)
        m_pRecorder->AddSurface(*m_pGame->Screen().BackBuffer(), m_pGame->TotalMs());
}

// A recording whose run failed is dropped with its recorder (no partial file).
void CMainFrame::FinishRecording()
{
    if (m_pRecorder)
        m_pRecorder->Finish();
    m_pRecorder.reset();
}

// ---------------------------------------------------------------------------------------
// Handlers
// ---------------------------------------------------------------------------------------

bool CMainFrame::OnCmdMsg(uint32_t command)
{
    if (m_wndView.OnCmdMsg(command))
        return true;
    return CFrameWindow::OnCmdMsg(command);
}

void CMainFrame::OnSetFocus()
{
    m_wndView.SetFocus();
}

void CMainFrame::OnTimer(uint32_t id)
{
    CFrameWindow::OnTimer(id);
}

// The display draws everything; a paint (the window uncovered, resized) only needs the
// last frame shown again, which matters most while nothing new is drawn (paused).
void CMainFrame::OnPaint()
{
    if (m_pGame)
        m_pGame->Screen().ShowLastFrame();
}

// Erasing would flash black over the animation.
bool CMainFrame::OnEraseBkgnd()
{
    return true;
}

// The design's handler of "&Game" > "&Start", which has nothing to start. Unreachable here:
// no menu bar is drawn and no key sends the command.
void CMainFrame::OnGameStart() {}

void CMainFrame::OnGamePause()
{
    if (!m_pGame)
        return;
    m_bPaused = !m_bPaused;
    if (m_bPaused) {
        m_pGame->StopClock();
        m_pGame->Tick();   // a still frame, which says "Paused"
    } else {
        m_pGame->StartClock();
    }
}

void CMainFrame::OnViewFullScreen()
{
    if (m_pGame)
        m_pGame->Screen().ToggleFullScreen();
}

// The system may report a state more than once (a minimised window is hidden too), so
// only changes count.
void CMainFrame::OnShowWindow(bool shown)
{
    if (!m_pGame || shown == !m_bHidden)
        return;
    m_bHidden = !shown;
    if (m_bHidden) {
        m_pGame->StopClock();
        return;
    }
    m_pGame->StartClock();
    m_pGame->Invalidate();
    if (m_bPaused)
        m_pGame->Tick();
}
