// OwnPicturesTest.cpp — tolmix --pictures in-process: the option read and checked, a run
// that plays the user's pictures (repairs and surface losses included), and the pictures
// refused before the display is taken.
#include <gtest/gtest.h>

#include <SDL.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/GameApp.h"
#include "app/MainFrame.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/video/Surface.h"
#include "sprites/SpriteStore.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/OwnPictureFiles.h"

namespace {

class OwnPicturesTest : public CAppScratchFolderTest {
protected:
    // The options tolmix reads from "--pictures" and `folder`, or none; what it says on stderr
    // and its exit status (-1: a run) go to `errors` and `status`.
    static ProgramOptions Read(std::optional<std::string> folder, std::string& errors, int& status)
    {
        std::vector<const char*> argv = {"tolmix"};
        if (folder)
            argv.insert(argv.end(), {"--pictures", folder->c_str()});
        ProgramOptions options;
        testing::internal::CaptureStderr();
        const CommandLineResult result = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), options);
        errors = testing::internal::GetCapturedStderr();
        status = result.run ? -1 : result.exitStatus;
        return options;
    }

    // A headless run at the mode with the test's folder as --pictures.
    ProgramOptions OwnOptions(const DisplayMode& mode) const
    {
        ProgramOptions options = HeadlessOptions(mode, 16);
        options.pictures = m_folder;
        return options;
    }

    // A folder of all three: a background of blue and grey stripes (pure blue is the
    // built-in background's key), a 12-frame ball with alpha whose transparent pixels hold
    // the colour of its opaque ones, and a 30-frame paddle BMP.
    void WriteAllThree() const
    {
        WritePicture(Path("background.png"), PictureOf(64, 48, [](int32_t x, int32_t) {
                         return x % 8 < 4 ? Rgb(0, 0, 255) : Rgb(128, 128, 128);
                     }));
        WriteRgbaPng(Path("ball-12.png"), 16, 16 * 12, [](int32_t x, int32_t y) -> Rgba {
            const int32_t dx = x - 8, dy = y % 16 - 8;
            const bool inside = dx * dx + dy * dy < 36;
            return Rgba{200, uint8_t(y / 16 * 20), 40, uint8_t(inside ? 255 : 0)};
        });
        WriteFrames(Path("paddle.bmp"), 16, 6, 30, [](int32_t i) { return Rgb(uint8_t(i * 8), 255, 0); });
    }
};

// --- the option ------------------------------------------------------------------------

TEST_F(OwnPicturesTest, TheOptionNamesAFolderThatExists)
{
    std::string errors;
    int status = 0;
    EXPECT_TRUE(Read(std::nullopt, errors, status).pictures.empty());
    EXPECT_EQ(Read(m_folder.string(), errors, status).pictures, m_folder);
    EXPECT_EQ(status, -1);

    WritePicture(Path("ball.png"), UniformPicture(2, 60, Rgb(1, 2, 3)));
    for (const std::string& refused : {Path("missing").string(), std::string(), Path("ball.png").string()}) {
        Read(refused, errors, status);
        EXPECT_EQ(status, 2) << refused;
        EXPECT_EQ(errors, "tolmix: --pictures: '" + refused + "' is not a folder. " + USAGE_HINT + "\n");
    }
}

// --- a run with the user's pictures ------------------------------------------------------

// The three pictures stand in for the built-in ones with their frame counts and keys; the
// background's repairs (opaque, no key) keep every frame equal to the world drawn whole,
// with and without the display lost on the way.
TEST_F(OwnPicturesTest, ARunPlaysTheUsersPicturesAndRepairsThemExactly)
{
    WriteAllThree();
    for (const uint64_t loseEvery : {uint64_t{0}, uint64_t{7}}) {
        for (const int32_t depth : {32, 8}) {
            ProgramOptions options = OwnOptions({640, 480, depth, 0});
            options.loseSurfacesEvery = loseEvery;
            CGameApp app(options);
            app.InitInstance();
            FlushEvents();
            CGame& world = *app.m_pGame;
            const CSpriteStore& store = world.Sprites();
            ASSERT_EQ(store.GetCount(), 3);
            ASSERT_NE(store.Find("Ball1"), nullptr);
            EXPECT_EQ(store.Find("Ball1")->FrameCount(), 12);
            EXPECT_EQ(store.Find("Paddle1")->FrameCount(), 30);
            EXPECT_EQ(store.Find("Background1")->Picture().Width(), 640);

            const Rect text = TextBox(world.Screen(), "Wait...");
            for (int32_t tick = 0; tick < 40; ++tick) {
                app.TickWorld();
                const std::unique_ptr<CBitmap24> shown = world.Screen().BackBuffer()->ToBitmap();
                const PictureDifference difference = ComparePictures(*shown, *FullRedraw(world), text);
                ASSERT_EQ(difference.pixels, 0) << "depth " << depth << ", losing every " << loseEvery << ", tick "
                                                << tick << ": first at " << difference.firstX << ","
                                                << difference.firstY;
            }
            EXPECT_FALSE(store.Find("Background1")->FrameSurface(0)->HasColourKey());
            EXPECT_TRUE(store.Find("Ball1")->FrameSurface(0)->HasColourKey());
        }
    }
}

// --- pictures refused before the display is taken ------------------------------------------

// What start-up left when it was refused: the message, and how far it had come.
struct Refused {
    std::string message;
    bool windowMade = false;
    bool displayMade = false;
};

Refused StartRefused(const ProgramOptions& options)
{
    Refused refused;
    CGameApp app(options);
    try {
        app.InitInstance();
        ADD_FAILURE() << "start-up was not refused";
    } catch (const CFatalError& error) {
        refused.message = error.what();
    }
    const CMainFrame* frame = app.MainFrame();
    refused.windowMade = frame != nullptr && SDL_GetWindowFromID(frame->WindowId()) != nullptr;
    refused.displayMade = frame != nullptr && frame->m_pGame != nullptr && frame->m_pGame->Screen().BackBuffer() != nullptr;
    return refused;
}

// A picture the folder refuses (its name, its file, its height for its frames) ends the
// run before the window is made; one whose frames vanish at the mode, before the display
// is initialised. Each says so in one line naming the file.
TEST_F(OwnPicturesTest, ARefusedPictureEndsStartUpBeforeTheDisplayIsTaken)
{
    struct Case {
        const char* file;
        std::function<void(const std::filesystem::path&)> write;
        std::string says;
        DisplayMode mode;
        bool windowMade;
    };
    const auto uniform = [](int32_t height) {
        return [height](const std::filesystem::path& path) { WritePicture(path, UniformPicture(2, height, Rgb(9, 9, 9))); };
    };
    const std::vector<Case> cases = {
        {"ball-51.png", uniform(51), ": a frame count of 51 (1 to 50 allowed)", {640, 480, 32, 0}, false},
        {"paddle.png", [](const auto& path) { std::ofstream(path) << "damaged"; }, "cannot read", {640, 480, 32, 0}, false},
        {"ball-4.png", uniform(9), ": its height of 9 pixels is not a whole number of 4 frames", {640, 480, 32, 0}, false},
        {"ball.png", uniform(31), ": its height of 31 pixels is not a whole number of 30 frames", {640, 480, 32, 0}, false},
        // At 16 × 11 the ball's 30 frames share 27 rows.
        {"ball.png", uniform(30), ": a frame would be smaller than 1x1 pixel at 16x11 (1x0)", {16, 11, 32, 0}, true},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
        c.write(Path(c.file));
        const Refused refused = StartRefused(OwnOptions(c.mode));
        EXPECT_NE(refused.message.find(QuotedPath(Path(c.file))), std::string::npos) << refused.message;
        EXPECT_NE(refused.message.find(c.says), std::string::npos) << refused.message;
        EXPECT_EQ(refused.message.find('\n'), std::string::npos);
        EXPECT_EQ(refused.windowMade, c.windowMade) << c.file;
        EXPECT_FALSE(refused.displayMade) << c.file;
        FlushEvents();
    }

    // Two files for one picture.
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
    WriteFrames(Path("ball.png"), 2, 2, 30, [](int32_t) { return Rgb(1, 1, 1); });
    WriteFrames(Path("ball-2.bmp"), 2, 2, 2, [](int32_t) { return Rgb(1, 1, 1); });
    const Refused twice = StartRefused(OwnOptions({640, 480, 32, 0}));
    EXPECT_EQ(twice.message, "--pictures: " + QuotedPath(Path("ball-2.bmp")) + " and " + QuotedPath(Path("ball.png")) +
                                 " are both the ball; keep one of them");
    EXPECT_FALSE(twice.windowMade);
}

// Any of the three may be missing: the built-in one is used for it.
TEST_F(OwnPicturesTest, EachPictureMissingIsTheBuiltInOne)
{
    WriteAllThree();
    const std::vector<std::string> files = {"background.png", "ball-12.png", "paddle.bmp"};
    const std::vector<std::string> builtIns = {"Background1", "Ball1", "Paddle1"};
    const std::vector<int32_t> ownHeights = {480, 12 * 40, 30 * 60};
    for (size_t missing = 0; missing < files.size(); ++missing) {
        const std::filesystem::path aside = Path("aside");
        std::filesystem::create_directories(aside);
        std::filesystem::rename(Path(files[missing]), aside / files[missing]);

        CGameApp app(OwnOptions({640, 480, 16, 0}));
        app.InitInstance();
        FlushEvents();
        const CSpriteStore& store = app.m_pGame->Sprites();
        for (size_t i = 0; i < builtIns.size(); ++i) {
            const CSprite& sprite = *store.Find(builtIns[i]);
            // The built-in ball has 30 frames; the user's 12.
            EXPECT_EQ(sprite.Picture().Height(), i == missing && i == 1 ? 30 * 40 : ownHeights[i]) << missing << i;
            const bool keyless = i == 0 && i != missing;
            app.TickWorld();
            EXPECT_EQ(!sprite.FrameSurface(0)->HasColourKey(), keyless) << missing << i;
        }
        std::filesystem::rename(aside / files[missing], Path(files[missing]));
    }
}

} // namespace
