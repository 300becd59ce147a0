// VideoModesTest.cpp — the mode list and its texts, the "Video Mode" dialog's choices, and
// the modal loop run for real on a headless window, driven by queued SDL events.
#include <gtest/gtest.h>

#include <SDL.h>
#include <imgui.h>

#include <functional>
#include <memory>
#include <vector>

#include "display/VideoModeDlg.h"
#include "display/VideoModes.h"
#include "platform/DisplayWindow.h"
#include "platform/FatalError.h"

namespace {

// Three modes as a display reports them: one size at two rates, one without a rate.
CVideoModeArray ThreeModes()
{
    CVideoModeArray modes;
    modes.Add({1024, 768, 16, 60});
    modes.Add({1024, 768, 16, 75});
    modes.Add({640, 480, 8, 0});
    return modes;
}

// A dialog with the three modes, opened as DoModal opens it.
std::unique_ptr<CVideoModeDlg> OpenedDialog(const CVideoModeArray& modes)
{
    auto dialog = std::make_unique<CVideoModeDlg>();
    dialog->SetModes(modes);
    dialog->OnInitDialog();
    return dialog;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Texts and the list
// ---------------------------------------------------------------------------------------

TEST(VideoModeText, NamesTheDepth)
{
    EXPECT_EQ(DescribeDepth(16), "High Color");
    EXPECT_EQ(DescribeDepth(24), "True Color");
    EXPECT_EQ(DescribeDepth(32), "True Color");
    EXPECT_EQ(DescribeDepth(8), "8 Bits");
    EXPECT_EQ(DescribeDepth(15), "15 Bits");
}

TEST(VideoModeText, RightAlignsSizesInFourColumns)
{
    EXPECT_EQ(DescribeMode({640, 480, 8, 60}), " 640x 480, 8 Bits, 60 hz");
    EXPECT_EQ(DescribeMode({1024, 768, 16, 75}), "1024x 768, High Color, 75 hz");
    EXPECT_EQ(DescribeMode({800, 600, 32, 0}), " 800x 600, True Color, 0 hz");
    EXPECT_EQ(DescribeMode({16384, 64, 24, 144}), "16384x  64, True Color, 144 hz");
}

TEST(VideoModeList, KeepsEveryModeInReportedOrder)
{
    const CVideoModeArray before = g_videoModes;   // what other tests' screens listed
    g_videoModes.RemoveAll();
    const CVideoModeArray reported = ThreeModes();
    for (const VideoMode& mode : reported)
        EnumModesCallback(mode);
    const CVideoModeArray listed = g_videoModes;
    g_videoModes = before;
    ASSERT_EQ(listed.GetSize(), 3);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(listed[i], reported[i]);
}

TEST(VideoModeList, RefusesIndexesOutsideAndRunawayReports)
{
    CVideoModeArray modes = ThreeModes();
    EXPECT_THROW(modes[3], CFatalError);
    EXPECT_THROW(modes[-1], CFatalError);
    while (modes.GetSize() < CVideoModeArray::MAX_VIDEO_MODES)
        modes.Add({640, 480, 8, 0});
    EXPECT_THROW(modes.Add({640, 480, 8, 0}), CFatalError);
}

// ---------------------------------------------------------------------------------------
// The dialog's choices, without drawing
// ---------------------------------------------------------------------------------------

TEST(VideoModeDlg, ListsEveryRateAndPreselectsTheFirstMode)
{
    CVideoModeDlg dialog;
    EXPECT_EQ(dialog.Caption(), "Video Mode");
    EXPECT_EQ(dialog.m_selectedMode, -1);
    dialog.SetModes(ThreeModes());
    EXPECT_EQ(dialog.GetCurSel(), -1);
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.ListEntries(), (std::vector<std::string>{"1024x 768, High Color, 60 hz",
                                                              "1024x 768, High Color, 75 hz",
                                                              " 640x 480, 8 Bits, 0 hz"}));
    EXPECT_EQ(dialog.GetCurSel(), 0);
    dialog.OnOK();
    EXPECT_TRUE(dialog.HasEnded());
    EXPECT_EQ(dialog.m_selectedMode, 0);
}

TEST(VideoModeDlg, OkTakesTheCurrentSelectionAndCancelNone)
{
    const CVideoModeArray modes = ThreeModes();
    auto chosen = OpenedDialog(modes);
    chosen->SetCurSel(1);
    chosen->OnOK();
    ASSERT_EQ(chosen->m_selectedMode, 1);
    EXPECT_EQ(modes[chosen->m_selectedMode].refreshRate, 75);

    auto cleared = OpenedDialog(modes);
    cleared->SetCurSel(-1);
    cleared->OnOK();
    EXPECT_EQ(cleared->m_selectedMode, -1);

    auto cancelled = OpenedDialog(modes);
    cancelled->SetCurSel(2);
    cancelled->OnCancel();
    EXPECT_TRUE(cancelled->HasEnded());
    EXPECT_EQ(cancelled->m_selectedMode, -1);
}

TEST(VideoModeDlg, EmptyListSelectsNothingAndOkChoosesNothing)
{
    auto dialog = OpenedDialog(CVideoModeArray{});
    EXPECT_EQ(dialog->GetCurSel(), -1);
    dialog->MoveSelection(1);
    EXPECT_EQ(dialog->GetCurSel(), -1);
    dialog->OnOK();
    EXPECT_EQ(dialog->m_selectedMode, -1);
}

TEST(VideoModeDlg, KeyboardMovesStopAtTheEnds)
{
    auto dialog = OpenedDialog(ThreeModes());
    dialog->MoveSelection(-1);
    EXPECT_EQ(dialog->GetCurSel(), 0);
    dialog->MoveSelection(6);
    EXPECT_EQ(dialog->GetCurSel(), 2);
    dialog->SetCurSel(-1);
    dialog->MoveSelection(1);
    EXPECT_EQ(dialog->GetCurSel(), 0);
    EXPECT_THROW(dialog->SetCurSel(3), CFatalError);
    EXPECT_EQ(dialog->GetCurSel(), 0);
}

// ---------------------------------------------------------------------------------------
// The modal loop on a headless window
// ---------------------------------------------------------------------------------------

namespace {

// Records its calls and ends itself with code 7 on its third frame; `onFrame` may act
// (queue events, throw) in the middle of a frame.
class CCountingDlg : public CModalDialog {
public:
    CCountingDlg() : CModalDialog("Counting") {}
    bool OnInitDialog() override
    {
        initsBeforeFirstFrame += frames == 0 ? 1 : 100;
        return true;
    }
    int32_t frames = 0;
    int32_t initsBeforeFirstFrame = 0;
    std::function<void(int32_t)> onFrame;

protected:
    void DrawContents() override
    {
        ImGui::TextUnformatted("a dialog for tests");
        ++frames;
        if (onFrame)
            onFrame(frames);
        if (frames == 3)
            EndDialog(7);
    }
};

// The video mode dialog, with a hook in its frames.
class CDrivenVideoModeDlg : public CVideoModeDlg {
public:
    std::function<void(int32_t)> onFrame;

protected:
    void DrawContents() override
    {
        CVideoModeDlg::DrawContents();
        onFrame(++m_frames);
    }

private:
    int32_t m_frames = 0;
};

// Queues a key going down (or, with `down` false, up), as the keyboard would.
void PushKey(SDL_Keycode key, bool down = true, uint8_t repeat = 0)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// Queues an event of the given type with nothing else in it.
void PushPlain(uint32_t type)
{
    SDL_Event event{};
    event.type = type;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// The types of every queued event, in order, leaving them queued.
std::vector<uint32_t> QueuedTypes()
{
    SDL_PumpEvents();
    std::vector<SDL_Event> events(64);
    const int count = SDL_PeepEvents(events.data(), 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    std::vector<uint32_t> types;
    for (int i = 0; i < count; ++i)
        types.push_back(events[static_cast<size_t>(i)].type);
    return types;
}

// The renderer's pixel at (x, y) as 0xRRGGBB.
uint32_t PixelAt(SDL_Renderer* renderer, int x, int y)
{
    const SDL_Rect one{x, y, 1, 1};
    uint32_t pixel = 0;
    EXPECT_EQ(SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGB888, &pixel, 4), 0) << SDL_GetError();
    return pixel & 0xFFFFFFu;
}

class ModalDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WindowOptions options;
        options.coverDesktop = false;
        options.waitForRefresh = false;
        m_window = std::make_unique<CDisplayWindow>(options);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); }

    std::unique_ptr<CDisplayWindow> m_window;
};

} // namespace

TEST_F(ModalDialogTest, EnterChoosesTheFirstModeAndEscapeCancels)
{
    CVideoModeDlg chooser;
    chooser.SetModes(ThreeModes());
    PushKey(SDLK_RETURN);
    EXPECT_EQ(chooser.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(chooser.m_selectedMode, 0);

    // An Enter still repeating from before the dialog does not end it.
    CVideoModeDlg canceller;
    canceller.SetModes(ThreeModes());
    PushKey(SDLK_RETURN, true, 1);
    PushKey(SDLK_ESCAPE);
    EXPECT_EQ(canceller.DoModal(*m_window), DIALOG_CANCEL);
    EXPECT_EQ(canceller.m_selectedMode, -1);
}

// A tap (press and release queued together) still reaches ImGui as a press.
TEST_F(ModalDialogTest, ArrowKeysMoveTheSelectionThroughImGui)
{
    CDrivenVideoModeDlg dialog;
    dialog.SetModes(ThreeModes());
    dialog.onFrame = [](int32_t frame) {
        if (frame == 1) {
            PushKey(SDLK_DOWN);
            PushKey(SDLK_DOWN, false);
        }
        if (frame == 2)
            PushKey(SDLK_RETURN);
    };
    EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(dialog.m_selectedMode, 1);
}

TEST_F(ModalDialogTest, QuitCancelsAndStaysQueuedInItsPlace)
{
    CVideoModeDlg dialog;
    dialog.SetModes(ThreeModes());
    PushPlain(SDL_QUIT);
    PushPlain(SDL_USEREVENT);
    EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_CANCEL);
    EXPECT_EQ(dialog.m_selectedMode, -1);
    EXPECT_EQ(QueuedTypes(), (std::vector<uint32_t>{SDL_QUIT, SDL_USEREVENT}));
}

TEST_F(ModalDialogTest, ClosingTheWindowCancelsAndStaysQueued)
{
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(m_window->Window());
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    CVideoModeDlg dialog;
    EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_CANCEL);
    EXPECT_EQ(QueuedTypes(), (std::vector<uint32_t>{SDL_WINDOWEVENT}));
}

TEST_F(ModalDialogTest, DrawsCentredOverBlackAndCanRunAgain)
{
    CCountingDlg dialog;
    for (int run = 0; run < 2; ++run) {
        dialog.frames = 0;
        dialog.initsBeforeFirstFrame = 0;
        EXPECT_EQ(dialog.DoModal(*m_window), 7);
        EXPECT_EQ(dialog.frames, 3);
        EXPECT_EQ(dialog.initsBeforeFirstFrame, 1);
        EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
    }
    SDL_Renderer* renderer = m_window->Renderer();
    EXPECT_EQ(PixelAt(renderer, 0, 0), 0u);
    EXPECT_EQ(PixelAt(renderer, 639, 479), 0u);
    EXPECT_NE(PixelAt(renderer, 320, 240), 0u);
}

TEST_F(ModalDialogTest, LeavesTheRendererAsFoundEvenWhenADialogThrows)
{
    SDL_Renderer* renderer = m_window->Renderer();
    ASSERT_EQ(SDL_RenderSetLogicalSize(renderer, 320, 240), 0);
    ASSERT_EQ(SDL_SetRenderDrawColor(renderer, 10, 20, 30, 40), 0);

    CCountingDlg dialog;
    EXPECT_EQ(dialog.DoModal(*m_window), 7);
    dialog.frames = 0;
    dialog.onFrame = [](int32_t) { throw CFatalError("drawing failed"); };
    EXPECT_THROW(dialog.DoModal(*m_window), CFatalError);

    EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
    int width = 0, height = 0;
    SDL_RenderGetLogicalSize(renderer, &width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    Uint8 colour[4]{};
    SDL_GetRenderDrawColor(renderer, &colour[0], &colour[1], &colour[2], &colour[3]);
    EXPECT_EQ(std::vector<Uint8>(colour, colour + 4), (std::vector<Uint8>{10, 20, 30, 40}));
}
