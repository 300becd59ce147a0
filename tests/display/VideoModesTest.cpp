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
#include "platform/video/DisplayDevice.h"
#include "platform/video/DisplayWindow.h"
#include "platform/video/Surface.h"
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

// Taps (press and release queued together, two of them in a row, as fast typing or a
// program sends them) each reach ImGui as a press.
TEST_F(ModalDialogTest, ArrowKeysMoveTheSelectionThroughImGui)
{
    CDrivenVideoModeDlg dialog;
    dialog.SetModes(ThreeModes());
    dialog.onFrame = [](int32_t frame) {
        if (frame == 1) {
            for (int32_t tap = 0; tap < 2; ++tap) {
                PushKey(0, SDLK_DOWN);
                PushKey(0, SDLK_DOWN, KMOD_NONE, false);
            }
            PushKey(0, SDLK_RETURN);
        }
    };
    EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(dialog.m_selectedMode, 2);
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

// --- Looks, pointer and size -------------------------------------------------------------

// Once the window has presented a frame, a dialog stands on it instead of on black.
TEST_F(ModalDialogTest, ADialogStandsOnTheWindowsLastFrame)
{
    CDisplayDevice device(*m_window, CooperativeLevel::Exclusive, PresentOptions{true});
    ASSERT_EQ(device.SetDisplayMode({640, 480, 32, 0}), DISPLAY_OK);
    std::shared_ptr<CSurface> primary;
    ASSERT_EQ(device.CreatePrimarySurface(primary), DISPLAY_OK);
    FillWith(*primary->GetBackBuffer(), 0x00C08040);
    ASSERT_EQ(primary->Flip(), DISPLAY_OK);
    CCountingDlg dialog;
    EXPECT_EQ(dialog.DoModal(*m_window), 7);
    EXPECT_EQ(PixelAt(m_window->Renderer(), 0, 0), 0xC08040u);
    EXPECT_EQ(PixelAt(m_window->Renderer(), 639, 479), 0xC08040u);
    EXPECT_NE(PixelAt(m_window->Renderer(), 320, 240), 0xC08040u);   // the dialog
}

namespace {

// The middle of a rectangle, and a point near its right end: past the text, and clear of
// the focus frame, which sits just inside the bar's visible end (the list's clipping may
// cut the bar a few pixels short of the row's rectangle, by how wide the font sets it).
SDL_Point Middle(const Rect& r)
{
    return SDL_Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

SDL_Point RightEnd(const Rect& r)
{
    return SDL_Point{r.right - 8, (r.top + r.bottom) / 2};
}

// A left button press at the pointer, as SDL reports it (`clicks` in a row).
void PushLeftPress(uint32_t windowId, uint8_t clicks)
{
    SDL_Event event{};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.windowID = windowId;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.state = SDL_PRESSED;
    event.button.clicks = clicks;
    PushEvent(event);
}

} // namespace

TEST(DialogScale, GrowsWithTheOutputsHeightInQuarterSteps)
{
    const std::pair<int32_t, float> cases[] = {{480, 1.0f},  {768, 1.0f},  {899, 1.0f},  {900, 1.25f},
                                               {1080, 1.5f}, {1440, 2.0f}, {2160, 3.0f}, {9000, 4.0f}};
    for (const auto& [height, scale] : cases)
        EXPECT_EQ(CModalDialog::DialogScale(height), scale) << height;
}

// The selection is a strong bar, the line under the pointer only tinted; a single click
// selects, a double click on a line is OK with that line.
TEST_F(ModalDialogTest, TheSelectionIsDrawnStronglyTheHoverFaintlyAndADoubleClickChooses)
{
    SDL_Window* window = m_window->Window();
    const uint32_t windowId = SDL_GetWindowID(window);
    CDrivenVideoModeDlg looks;
    looks.SetModes(ThreeModes());
    Rect rows[3];
    SDL_ShowCursor(SDL_DISABLE);   // as over a full-screen animation
    looks.onFrame = [&](int32_t frame) {
        EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE) << "the pointer is shown in a dialog";
        if (frame == 3) {   // ImGui lays a new window out unseen for its first frames
            for (int32_t i = 0; i < 3; ++i)
                ASSERT_TRUE(looks.RowRect(i, rows[i]));
            const SDL_Point hover = Middle(rows[2]);
            SDL_WarpMouseInWindow(window, hover.x, hover.y);
        }
        if (frame == 5)
            looks.EndDialog(DIALOG_CANCEL);
    };
    looks.DoModal(*m_window);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "and hidden again after it";
    SDL_ShowCursor(SDL_ENABLE);
    SDL_Renderer* renderer = m_window->Renderer();
    const uint32_t selected = PixelAt(renderer, RightEnd(rows[0]).x, RightEnd(rows[0]).y);
    const uint32_t hovered = PixelAt(renderer, RightEnd(rows[2]).x, RightEnd(rows[2]).y);
    const uint32_t plain = PixelAt(renderer, RightEnd(rows[1]).x, RightEnd(rows[1]).y);
    EXPECT_EQ(selected, 0x296BDBu);   // the selection's own blue
    EXPECT_NE(hovered, plain);
    const auto brightness = [](uint32_t rgb) { return (rgb >> 16) + ((rgb >> 8) & 0xFF) + (rgb & 0xFF); };
    EXPECT_LT(2 * (brightness(hovered) - brightness(plain)), brightness(selected) - brightness(plain))
        << "the hover is only a tint";

    CDrivenVideoModeDlg chooser;
    chooser.SetModes(ThreeModes());
    chooser.onFrame = [&](int32_t frame) {
        Rect row;
        if (frame == 3 && chooser.RowRect(1, row)) {   // one click on the second line
            SDL_WarpMouseInWindow(window, Middle(row).x, Middle(row).y);
            PushLeftPress(windowId, 1);
        }
        if (frame == 5) {
            EXPECT_EQ(chooser.GetCurSel(), 1);
        }
        if (frame == 30 && chooser.RowRect(2, row)) {   // later, a double click on the third
            SDL_WarpMouseInWindow(window, Middle(row).x, Middle(row).y);
            PushLeftPress(windowId, 1);
        }
        if (frame == 32)
            PushLeftPress(windowId, 2);
        if (frame == 60)
            chooser.EndDialog(DIALOG_CANCEL);   // the double click did not end the dialog
    };
    EXPECT_EQ(chooser.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(chooser.m_selectedMode, 2);
}

// A long list opens with the selection in view and follows it when End moves it.
TEST_F(ModalDialogTest, TheListKeepsTheSelectionInView)
{
    CVideoModeArray modes;
    for (int32_t i = 0; i < 20; ++i)
        modes.Add({640 + 8 * i, 480, 8, 0});
    CDrivenVideoModeDlg dialog;
    dialog.SetModes(modes);
    dialog.onFrame = [&](int32_t frame) {
        Rect row;
        if (frame == 3) {
            EXPECT_TRUE(dialog.RowRect(0, row));
            EXPECT_FALSE(dialog.RowRect(19, row));
            PushKey(0, SDLK_END);
        }
        if (frame == 6) {
            EXPECT_EQ(dialog.GetCurSel(), 19);
            EXPECT_TRUE(dialog.RowRect(19, row));
            EXPECT_FALSE(dialog.RowRect(0, row));
            PushKey(0, SDLK_RETURN);
        }
    };
    EXPECT_EQ(dialog.DoModal(*m_window), DIALOG_OK);
    EXPECT_EQ(dialog.m_selectedMode, 19);
}
