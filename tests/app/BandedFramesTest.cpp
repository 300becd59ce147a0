// BandedFramesTest.cpp — the program's frames drawn in bands of rows over the worker threads
// are the frames drawn blit by blit: one ball, two, a hundred, a hundred and one and ten
// thousand, with and without surface losses, in a palette mode and a 32-bit one.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/GameApp.h"
#include "app/ModeOption.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/video/DisplayDevice.h"
#include "platform/video/Surface.h"
#include "tests/support/AppTestSupport.h"

namespace {

struct BandedCase {
    DisplayMode mode;
    int32_t balls;
    uint64_t loseEvery;   // 0: no loss
};

class BandedFramesTest : public CAppScratchFolderTest, public ::testing::WithParamInterface<BandedCase> {
protected:
    // The last of 24 frames of 40 ms run in-process with the back buffer cut into `bands` bands, the
    // first ball drawn over it once more; `recorded` receives the blits recorded by then.
    std::unique_ptr<CBitmap24> LastFrame(int32_t bands, int32_t& recorded) const
    {
        const BandedCase& run = GetParam();
        ProgramOptions options = HeadlessOptions(run.mode, 40);
        options.balls = run.balls;
        options.loseSurfacesEvery = run.loseEvery;
        auto app = std::make_unique<CGameApp>(options);
        app->InitInstance();
        EXPECT_EQ(app->m_pGame->ObjectCount(), run.balls + 2);   // the background and the paddle
        CScreen& screen = app->m_pGame->Screen();
        CDisplayDevice& device = CScreenInside::Device(screen);
        EXPECT_EQ(device.SetBlitBands(bands), DISPLAY_OK);
        for (int32_t tick = 0; tick < 24; ++tick)
            app->TickWorld();
        // The ball drawn once more: recorded, and drawn by the reading below, not by a flip.
        FindObject(*app->m_pGame, "Slowball")->Draw();
        recorded = device.RecordedBlitCount();
        return screen.BackBuffer()->ToBitmap();
    }
};

TEST_P(BandedFramesTest, TwoBandsAndCacheSizedBandsDrawTheFrameOneBandDraws)
{
    int32_t recorded = 0;
    const std::unique_ptr<CBitmap24> whole = LastFrame(1, recorded);
    for (const int32_t bands : {2, 0}) {
        const std::unique_ptr<CBitmap24> banded = LastFrame(bands, recorded);
        EXPECT_GT(recorded, 0) << bands << " bands: nothing was recorded";
        const PictureDifference difference = ComparePictures(*banded, *whole);
        EXPECT_EQ(difference.pixels, 0) << bands << " bands: first at " << difference.firstX << ", "
                                        << difference.firstY;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Balls, BandedFramesTest,
    ::testing::ValuesIn(std::vector<BandedCase>{{{640, 480, 8, 0}, 1, 0}, {{640, 480, 8, 0}, 2, 7},
                                                {{800, 600, 32, 0}, 100, 0}, {{800, 600, 32, 0}, 101, 7},
                                                {{640, 480, 8, 0}, 10000, 0}, {{800, 600, 32, 0}, 10000, 7},
                                                {{1024, 768, 24, 0}, 101, 0}, {{800, 600, 16, 0}, 2, 0}}),
    [](const ::testing::TestParamInfo<BandedCase>& param) {
        return ModeText(param.param.mode) + "_" + std::to_string(param.param.balls) +
               (param.param.loseEvery > 0 ? "_loss" : "");
    });

} // namespace
