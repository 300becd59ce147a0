// CommandLineTest.cpp — tolmix's command line read in-process: every option's effect on
// ProgramOptions and on the run those options configure, each limit on both sides, the
// listed mode found with and without a refresh rate, and usage errors as one escaped line.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app/Benchmark.h"
#include "app/CommandLine.h"
#include "app/GameApp.h"
#include "app/MainFrame.h"
#include "app/ModeOption.h"
#include "app/UsageError.h"
#include "game/Background.h"
#include "picturefiles/PictureFile.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/GameObjectInside.h"
#include "tests/support/GifFrames.h"
#include "tests/support/ScratchFolderTest.h"
#include "tests/support/ScreenInside.h"

namespace {

// What reading one command line gave: the result, the options and what went to stderr.
struct Parsed {
    CommandLineResult result;
    ProgramOptions options;
    std::string errors;
};

// Reads the words as tolmix's command line.
Parsed Parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "tolmix");
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    Parsed parsed;
    testing::internal::CaptureStderr();
    parsed.result = ParseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.options);
    parsed.errors = testing::internal::GetCapturedStderr();
    return parsed;
}

// The words joined, for failure messages.
std::string Joined(const std::vector<std::string>& words)
{
    std::string joined;
    for (const std::string& word : words)
        joined += word + " ";
    return joined;
}

// Expects the words to be read as a run, with nothing said.
ProgramOptions ExpectRun(const std::vector<std::string>& words)
{
    const Parsed parsed = Parse(words);
    EXPECT_TRUE(parsed.result.run) << Joined(words) << parsed.errors;
    EXPECT_EQ(parsed.errors, "") << Joined(words);
    return parsed.options;
}

// Expects the words to be refused with status 2 and one line on stderr that mentions
// `mentions` and ends with the hint.
void ExpectUsageError(const std::vector<std::string>& words, const std::string& mentions)
{
    const Parsed parsed = Parse(words);
    EXPECT_FALSE(parsed.result.run) << Joined(words);
    EXPECT_EQ(parsed.result.exitStatus, 2) << Joined(words);
    EXPECT_EQ(parsed.errors.rfind("tolmix: ", 0), 0u) << parsed.errors;
    EXPECT_EQ(std::count(parsed.errors.begin(), parsed.errors.end(), '\n'), 1) << parsed.errors;
    EXPECT_NE(parsed.errors.find(mentions), std::string::npos) << Joined(words) << "→ " << parsed.errors;
    EXPECT_TRUE(parsed.errors.ends_with(std::string(". ") + USAGE_HINT + "\n")) << parsed.errors;
}

class CommandLineTest : public CAppScratchFolderTest {};

// --- the options -------------------------------------------------------------------------

// The fields the options below set, in one row to compare whole.
using Fields = std::tuple<std::optional<DisplayMode>, bool, bool, bool, uint64_t, uint32_t, std::string, std::string,
                          bool, uint64_t>;
Fields FieldsOf(const ProgramOptions& o)
{
    return {o.mode, o.windowed, o.waitForRefresh, o.headless, o.frames, o.fixedStepMs, o.screenshot.string(),
            o.record.string(), o.benchmark, o.loseSurfacesEvery};
}

TEST_F(CommandLineTest, EveryOptionReachesProgramOptions)
{
    EXPECT_EQ(FieldsOf(ExpectRun({})), Fields({}, false, true, false, 0, 0, "", "", false, 0));
    const std::string shot = Path("shot.png").string(), loop = Path("loop.gif").string();
    EXPECT_EQ(FieldsOf(ExpectRun({"--mode", "800x600x16@60", "--window", "--no-vsync", "--headless", "--frames", "7",
                                  "--fixed-step", "16", "--screenshot", shot, "--record", loop,
                                  "--lose-surfaces-every", "5"})),
              Fields(DisplayMode{800, 600, 16, 60}, true, false, true, 7, 16, shot, loop, false, 5));
}

// WxHxBPP with an optional @HZ; each number 1 to 9 digits, the rate not 0.
TEST_F(CommandLineTest, ModesAreReadWithAndWithoutARefreshRate)
{
    const std::pair<const char*, DisplayMode> taken[] = {
        {"800x600x16", {800, 600, 16, 0}}, {"800x600x16@60", {800, 600, 16, 60}}, {"1x1x8@1", {1, 1, 8, 1}},
        {"999999999x480x8", {999999999, 480, 8, 0}}, {"640x480x8@999999999", {640, 480, 8, 999999999}}};
    for (const auto& [text, mode] : taken)
        EXPECT_EQ(ExpectRun({"--mode", text}).mode, mode) << text;
    for (const char* text : {"800x600", "800x600x16@", "640x480x8@0", "1000000000x480x8", "640x480x8@1000000000",
                             "800x600x16x", "x600x16", "800x600x16@60Hz", "800 x600x16", ""})
        ExpectUsageError({"--mode", text}, std::string("'") + text + "' is not WxHxBPP");   // "" is no mode either
}

// Each number is taken at both ends of its range and refused one past either end.
TEST_F(CommandLineTest, NumbersAreTakenAtBothEndsOfTheirRangesAndRefusedOnePast)
{
    struct Range {
        const char* option;
        const char* lowest;
        const char* highest;
        const char* belowLowest;
        const char* aboveHighest;
        uint64_t ProgramOptions::*field;
    };
    const Range ranges[] = {
        {"--frames", "1", "1000000000", "0", "1000000001", &ProgramOptions::frames},
        {"--lose-surfaces-every", "1", "1000000000", "0", "1000000001", &ProgramOptions::loseSurfacesEvery},
    };
    for (const Range& range : ranges) {
        EXPECT_EQ(ExpectRun({range.option, range.lowest}).*range.field, std::stoull(range.lowest)) << range.option;
        EXPECT_EQ(ExpectRun({range.option, range.highest}).*range.field, std::stoull(range.highest)) << range.option;
        ExpectUsageError({range.option, range.belowLowest}, range.option);
        ExpectUsageError({range.option, range.aboveHighest}, range.option);
    }
    EXPECT_EQ(ExpectRun({"--fixed-step", "1"}).fixedStepMs, 1u);
    EXPECT_EQ(ExpectRun({"--fixed-step", "86400000"}).fixedStepMs, 86400000u);   // a day
    ExpectUsageError({"--fixed-step", "0"}, "--fixed-step");
    ExpectUsageError({"--fixed-step", "86400001"}, "--fixed-step");
}

// --balls takes 1 to 10000 (nothing else that is not such a number); without it there
// is the one ball. --seed has a default, takes any 32-bit value and needs --balls.
TEST_F(CommandLineTest, BallsAreOneToTenThousandAndTheSeedNeedsThem)
{
    const ProgramOptions none = ExpectRun({});
    EXPECT_EQ(none.balls, 0);
    EXPECT_EQ(none.seed, CBallSpread::DEFAULT_SEED);
    EXPECT_EQ(ExpectRun({"--balls", "1"}).balls, 1);
    EXPECT_EQ(ExpectRun({"--balls", "10000"}).balls, 10000);
    for (const char* refused : {"0", "10001", "-1", "ten", "1.5", "", "99999999999"})
        ExpectUsageError({"--balls", refused}, "--balls");

    const ProgramOptions seeded = ExpectRun({"--balls", "5", "--seed", "4294967295"});
    EXPECT_EQ(seeded.balls, 5);
    EXPECT_EQ(seeded.seed, 4294967295u);
    EXPECT_EQ(ExpectRun({"--balls", "5", "--seed", "0"}).seed, 0u);
    EXPECT_EQ(ExpectRun({"--balls", "5"}).seed, CBallSpread::DEFAULT_SEED);
    for (const char* refused : {"4294967296", "-1", "x"})
        ExpectUsageError({"--balls", "5", "--seed", refused}, "--seed");
    ExpectUsageError({"--seed", "3"}, "--seed requires --balls");
}

// --benchmark runs headless without waiting for the refresh, 2000 frames unless --frames
// says otherwise, and keeps figures for a million frames at most.
TEST_F(CommandLineTest, TheBenchmarkRunsHeadless2000FramesUnlessToldAndAtMostAMillion)
{
    const ProgramOptions plain = ExpectRun({"--benchmark"});
    EXPECT_TRUE(plain.benchmark);
    EXPECT_TRUE(plain.headless);
    EXPECT_FALSE(plain.waitForRefresh);
    EXPECT_EQ(plain.frames, 2000u);
    for (const uint64_t frames : {uint64_t{1}, uint64_t{1999}, uint64_t{2001}, uint64_t{1000000}})
        EXPECT_EQ(ExpectRun({"--benchmark", "--frames", std::to_string(frames)}).frames, frames);
    ExpectUsageError({"--benchmark", "--frames", "1000001"}, "at most 1000000 frames");
    EXPECT_EQ(ExpectRun({"--frames", "1000001"}).frames, 1000001u);   // the cap is the benchmark's alone
}

// An output needs its kind's ending, in either case, and a folder that exists.
TEST_F(CommandLineTest, OutputFilesNeedTheirEndingAndAFolderThatExists)
{
    EXPECT_EQ(ExpectRun({"--screenshot", Path("a.PNG").string()}).screenshot, Path("a.PNG"));
    EXPECT_EQ(ExpectRun({"--record", Path("a.Gif").string()}).record, Path("a.Gif"));
    EXPECT_EQ(ExpectRun({"--screenshot", "here.png"}).screenshot, "here.png");   // the current folder
    ExpectUsageError({"--screenshot", Path("a.bmp").string()}, "is not a .png file");
    ExpectUsageError({"--screenshot", Path("a.png.gif").string()}, "is not a .png file");
    ExpectUsageError({"--record", Path("a.png").string()}, "is not a .gif file");
    ExpectUsageError({"--screenshot", ""}, "--screenshot");
    ExpectUsageError({"--record", ""}, "--record");
    ExpectUsageError({"--screenshot", Path("missing/a.png").string()}, "does not exist");
    ExpectUsageError({"--record", Path("missing/a.gif").string()}, "does not exist");
}

// Usage errors are one line, control characters escaped; help and version end the run
// at once with status 0.
TEST_F(CommandLineTest, UsageErrorsAreOneEscapedLineAndHelpEndsTheRunWithStatusZero)
{
    ExpectUsageError({"--mode", "640x480x8\n"}, "'640x480x8\\n'");
    ExpectUsageError({"--frames", "1\t2"}, "1\\t2");
    ExpectUsageError({"--screenshot", Path("a\x1b[1m.bmp").string()}, "a\\x1B[1m.bmp");
    ExpectUsageError({"--window", "extra\r"}, "extra\\r");
    ExpectUsageError({"--record", Path("tab\there/loop.gif").string()}, "tab\\there");   // in a folder's name
    EXPECT_EQ(UsageErrorLine("two\nlines."), std::string("tolmix: two\\nlines. ") + USAGE_HINT);

    for (const char* word : {"--help", "--version"}) {
        testing::internal::CaptureStdout();
        const Parsed parsed = Parse({word});
        EXPECT_NE(testing::internal::GetCapturedStdout().find("tolmix"), std::string::npos) << word;
        EXPECT_FALSE(parsed.result.run) << word;
        EXPECT_EQ(parsed.result.exitStatus, 0) << word;
        EXPECT_EQ(parsed.errors, "") << word;
    }
}

// --- the listed mode ---------------------------------------------------------------------

// Without @HZ the first listed rate of that size and depth is taken; with it, only that
// rate. A mode the display does not list is a usage error naming the listed ones.
TEST_F(CommandLineTest, AModeWithoutARateTakesTheFirstListedRateAndOneWithARateThatRateOnly)
{
    const std::vector<DisplayMode> listed = {
        {640, 480, 8, 60}, {640, 480, 8, 75}, {640, 480, 16, 60}, {800, 600, 16, 0}};
    const std::pair<const char*, DisplayMode> found[] = {
        {"640x480x8", {640, 480, 8, 60}}, {"640x480x8@75", {640, 480, 8, 75}}, {"640x480x8@60", {640, 480, 8, 60}},
        {"640x480x16", {640, 480, 16, 60}}, {"800x600x16", {800, 600, 16, 0}}};
    for (const auto& [text, mode] : found)
        EXPECT_EQ(FindListedMode(*ParseModeText(text), listed), mode) << text;
    for (const char* text : {"640x480x8@70", "640x480x24", "640x481x8", "800x600x16@60"}) {
        try {
            FindListedMode(*ParseModeText(text), listed);
            ADD_FAILURE() << text << " was found";
        } catch (const CUsageError& error) {
            EXPECT_NE(std::string(error.what()).find("640x480x8@60, 640x480x8@75, 640x480x16@60, 800x600x16"),
                      std::string::npos)
                << error.what();
        }
    }
    EXPECT_THROW(FindListedMode({640, 480, 8, 0}, {}), CUsageError);
}

// --- the run the options configure ------------------------------------------------------

// The window the main frame asks for with these options (its PreCreateWindow, reached
// through a subclass).
WindowOptions WindowOptionsOf(const ProgramOptions& options)
{
    struct CFrameProbe : CMainFrame {
        using CMainFrame::CMainFrame;
        using CMainFrame::PreCreateWindow;
    };
    CFrameProbe frame(options);
    WindowOptions window;
    EXPECT_TRUE(frame.PreCreateWindow(window));
    return window;
}

// The mode, window, refresh wait, step, frame count, screenshot and recording as read
// from the command line, run in-process: the run ends after exactly --frames ticks.
TEST_F(CommandLineTest, TheParsedOptionsConfigureTheRun)
{
    const std::string shot = Path("shot.png").string(), loop = Path("loop.gif").string();
    ProgramOptions options = ExpectRun({"--headless", "--window", "--no-vsync", "--mode", "800x600x16", "--fixed-step",
                                        "40", "--frames", "3", "--screenshot", shot, "--record", loop});
    options.mode = FindListedMode(*options.mode, ListDisplayModes());
    CGameApp app(options);
    app.InitInstance();
    const CScreen& screen = app.m_pGame->Screen();
    EXPECT_EQ((DisplayMode{screen.Width(), screen.Height(), screen.BitsPerPixel(), 0}), (DisplayMode{800, 600, 16, 0}));
    EXPECT_TRUE(CScreenInside::Device(screen).IsWindowed());
    EXPECT_FALSE(WindowOptionsOf(options).waitForRefresh);
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.TicksDone(), 3u);
    EXPECT_EQ(app.m_pGame, nullptr);   // the run ended through the normal teardown

    const std::unique_ptr<CBitmap24> last = ReadPicture(shot);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->Width(), 800);
    EXPECT_EQ(last->Height(), 600);
    const GifAnimation recording = DecodeGif(loop);
    EXPECT_EQ(recording.width, 800);
    ASSERT_EQ(recording.images.size(), 3u);   // 40 ms apart: none merged
    for (const GifImage& image : recording.images)
        EXPECT_EQ(image.delayCs, 4);

    // Without --window and --no-vsync: full-screen, waiting for the refresh. Without
    // --mode a headless run takes 640 x 480 x 8 (with its palette) as if the dialog were
    // cancelled.
    const ProgramOptions plainOptions = ExpectRun({"--headless"});
    CGameApp plain(plainOptions);
    plain.InitInstance();
    const CScreen& defaults = plain.m_pGame->Screen();
    EXPECT_EQ((DisplayMode{defaults.Width(), defaults.Height(), defaults.BitsPerPixel(), 0}), (DisplayMode{640, 480, 8, 0}));
    EXPECT_NE(CScreenInside::Palette(defaults), nullptr);
    EXPECT_FALSE(CScreenInside::Device(defaults).IsWindowed());
    EXPECT_TRUE(WindowOptionsOf(plainOptions).waitForRefresh);
}

// Whether the system's close request (or the run's own) is waiting in the queue.
bool CloseRequested()
{
    const std::vector<SDL_Event> waiting = QueuedEvents();
    return std::any_of(waiting.begin(), waiting.end(), [](const SDL_Event& event) { return event.type == SDL_QUIT; });
}

// --frames N asks the window to close at the N-th tick, not one before or after; one
// frame is a run. (Ticked by hand: a cap missed would otherwise run for ever.)
TEST_F(CommandLineTest, TheRunEndsAtExactlyTheFrameCountGiven)
{
    for (const uint64_t frames : {uint64_t{1}, uint64_t{2}, uint64_t{5}}) {
        CGameApp app(ExpectRun({"--headless", "--fixed-step", "16", "--frames", std::to_string(frames)}));
        app.InitInstance();
        FlushEvents();
        for (uint64_t tick = 1; tick <= frames + 1; ++tick) {
            app.TickWorld();
            EXPECT_EQ(CloseRequested(), tick >= frames) << "tick " << tick << " of " << frames;
        }
        FlushEvents();
    }
}

// --lose-surfaces-every N loses the display before ticks N, 2N, …: the background draws
// whole on the tick of a loss and the two after it (the draws left after each tick count
// down from 2), and only repairs otherwise.
TEST_F(CommandLineTest, TheDisplayIsLostBeforeEveryNthTickExactly)
{
    CGameApp app(ExpectRun({"--headless", "--fixed-step", "16", "--lose-surfaces-every", "5"}));
    app.InitInstance();
    FlushEvents();
    auto& background = *static_cast<CBackground*>(FindObject(*app.m_pGame, "Background"));
    const int32_t drawsLeft[] = {0, 0, 0, 0, 2, 1, 0, 0, 0, 2, 1, 0};   // after ticks 1 to 12
    for (size_t tick = 1; tick <= std::size(drawsLeft); ++tick) {
        app.TickWorld();
        EXPECT_EQ(CGameObjectInside::RestoreDraws(background), drawsLeft[tick - 1]) << "tick " << tick;
    }
}

// --benchmark's figures count the frames of the run; without --frames, 2000.
TEST_F(CommandLineTest, TheBenchmarkMeasuresTheFramesTheCommandLineGives)
{
    const ProgramOptions options = ExpectRun({"--benchmark", "--frames", "3"});
    CBenchmark benchmark(options.frames);
    CGameApp app(options, &benchmark);
    app.InitInstance();
    EXPECT_EQ(app.Run(), 0);
    EXPECT_EQ(app.TicksDone(), 3u);
    const std::string report = benchmark.Report();
    EXPECT_NE(report.find("mode=640x480x8 frames=3 "), std::string::npos) << report;
}

} // namespace
