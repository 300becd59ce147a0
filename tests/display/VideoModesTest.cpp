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
#include "platform/bitmaps/FatalError.h"
#include "platform/video/DisplayWindow.h"
#include "tests/support/SdlEvents.h"
#include "tests/support/SurfacePixels.h"

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

// A dialog with the modes, opened as DoModal opens it.
std::unique_ptr<CVideoModeDlg> OpenedDialog(const CVideoModeArray& modes)
{
    auto dialog = std::make_unique<CVideoModeDlg>();
    dialog->SetModes(modes);
    dialog->OnInitDialog();
    return dialog;
}

} // namespace

// --- Texts and the list ------------------------------------------------------------------

TEST(VideoModeText, NamesTheDepthAndRightAlignsSizesInFourColumns)
{
    EXPECT_EQ(DescribeDepth(24), "True Color");
    EXPECT_EQ(DescribeDepth(15), "15 Bits");
    EXPECT_EQ(DescribeMode({640, 480, 8, 60}), " 640x 480, 8 Bits, 60 hz");
    EXPECT_EQ(DescribeMode({1024, 768, 16, 75}), "1024x 768, High Color, 75 hz");
    EXPECT_EQ(DescribeMode({800, 600, 32, 0}), " 800x 600, True Color, 0 hz");
    EXPECT_EQ(DescribeMode({16384, 64, 24, 144}), "16384x  64, True Color, 144 hz");
}

TEST(VideoModeList, KeepsEveryModeInReportedOrderAndRefusesIndexesOutsideAndRunawayReports)
{
    const CVideoModeArray before = g_videoModes;   // what other tests' screens listed
    g_videoModes.RemoveAll();
    CVideoModeArray modes = ThreeModes();
    for (const VideoMode& mode : modes)
        EnumModesCallback(mode);
    const CVideoModeArray listed = g_videoModes;
    g_videoModes = before;
    ASSERT_EQ(listed.GetSize(), 3);
    for (int32_t i = 0; i < 3; ++i)
        EXPECT_EQ(listed[i], modes[i]);

    EXPECT_THROW(modes[3], CFatalError);
    EXPECT_THROW(modes[-1], CFatalError);
    while (modes.GetSize() < CVideoModeArray::MAX_VIDEO_MODES)
        modes.Add({640, 480, 8, 0});
    EXPECT_THROW(modes.Add({640, 480, 8, 0}), CFatalError);
}

// --- The dialog's choices, without drawing -----------------------------------------------

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

// (A chosen entry and Cancel are run through the modal loop below.)
TEST(VideoModeDlg, OkWithoutASelectionChoosesNothing)
{
    auto cleared = OpenedDialog(ThreeModes());
    cleared->SetCurSel(-1);
    cleared->OnOK();
    EXPECT_EQ(cleared->m_selectedMode, -1);

    auto empty = OpenedDialog(CVideoModeArray{});   // nothing to select
    EXPECT_EQ(empty->GetCurSel(), -1);
    empty->MoveSelection(1);
    EXPECT_EQ(empty->GetCurSel(), -1);
    empty->OnOK();
    EXPECT_EQ(empty->m_selectedMode, -1);
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

// --- The modal loop on a headless window -------------------------------------------------

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
        m_window = std::make_unique<CDisplayWindow>(HeadlessWindowOptions(640, 480));
        FlushEvents();
    }
    void TearDown() override { FlushEvents(); }

    std::unique_ptr<CDisplayWindow> m_window;
};

} // namespace

TEST_F(ModalDialogTest, EnterChoosesTheFirstModeAndEscapeCancels)
{
    CVideoModeDlg chooser;
    chooser.SetModes(ThreeModes());
    PushKey(0, SDLK_RETURN);
    EXPECT_EQ(chooser.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(chooser.m_selectedMode, 0);

    // An Enter still repeating from before the dialog does not end it.
    CVideoModeDlg canceller;
    canceller.SetModes(ThreeModes());
    PushKey(0, SDLK_RETURN, KMOD_NONE, true, 1);
    PushKey(0, SDLK_ESCAPE);
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
            PushKey(0, SDLK_DOWN);
            PushKey(0, SDLK_DOWN, KMOD_NONE, false);
        }
        if (frame == 2)
            PushKey(0, SDLK_RETURN);
    };
    EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(dialog.m_selectedMode, 1);
}

// The system's quit request and the window's close button cancel and stay queued in
// their place, for the program's own loop.
TEST_F(ModalDialogTest, QuitAndCloseCancelAndStayQueued)
{
    for (const bool quit : {true, false}) {
        if (quit)
            PushQuit();
        else
            PushWindowEvent(SDL_GetWindowID(m_window->Window()), SDL_WINDOWEVENT_CLOSE);
        PushPlain(SDL_USEREVENT);
        CVideoModeDlg dialog;
        dialog.SetModes(ThreeModes());
        EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_CANCEL);
        EXPECT_EQ(dialog.m_selectedMode, -1);
        const std::vector<SDL_Event> queued = QueuedEvents();
        ASSERT_EQ(queued.size(), 2u);
        EXPECT_EQ(queued[0].type, quit ? uint32_t{SDL_QUIT} : uint32_t{SDL_WINDOWEVENT});
        EXPECT_EQ(queued[1].type, uint32_t{SDL_USEREVENT});
        FlushEvents();
    }
}

// The dialog is drawn centred over black, can run again, and leaves the renderer as it
// found it, even when a dialog throws.
TEST_F(ModalDialogTest, DrawsCentredOverBlackRunsAgainAndLeavesTheRendererAsFound)
{
    SDL_Renderer* renderer = m_window->Renderer();
    CCountingDlg dialog;
    EXPECT_EQ(dialog.DoModal(*m_window), 7);
    EXPECT_EQ(PixelAt(renderer, 0, 0), 0u);
    EXPECT_EQ(PixelAt(renderer, 639, 479), 0u);
    EXPECT_NE(PixelAt(renderer, 320, 240), 0u);

    // Again, and once more with a dialog that throws: each time the renderer is left as
    // it was found.
    ASSERT_EQ(SDL_RenderSetLogicalSize(renderer, 320, 240), 0);
    ASSERT_EQ(SDL_SetRenderDrawColor(renderer, 10, 20, 30, 40), 0);
    for (const bool throws : {false, true}) {
        dialog.frames = 0;
        dialog.initsBeforeFirstFrame = 0;
        if (throws) {
            dialog.onFrame = [](int32_t) { throw CFatalError("drawing failed"); };
            EXPECT_THROW(dialog.DoModal(*m_window), CFatalError);
        } else {
            EXPECT_EQ(dialog.DoModal(*m_window), 7);
            EXPECT_EQ(dialog.frames, 3);
            EXPECT_EQ(dialog.initsBeforeFirstFrame, 1);
        }
        EXPECT_EQ(ImGui::GetCurrentContext(), nullptr);
        int width = 0, height = 0;
        SDL_RenderGetLogicalSize(renderer, &width, &height);
        EXPECT_EQ(std::pair(width, height), std::pair(320, 240));
        Uint8 colour[4]{};
        SDL_GetRenderDrawColor(renderer, &colour[0], &colour[1], &colour[2], &colour[3]);
        EXPECT_EQ(std::vector<Uint8>(colour, colour + 4), (std::vector<Uint8>{10, 20, 30, 40}));
    }
}
