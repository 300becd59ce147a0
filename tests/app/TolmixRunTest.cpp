// TolmixRunTest.cpp — tolmix run as a process, headless: its command line, its exit
// statuses and messages, its end on the system's close request, its recording as a GIF,
// and its last frame checked against the same run built in-process: the same frame, the objects visible where the
// world has them, and the repaired frame equal to a full redraw of the same state, with
// and without surface loss injected.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/AboutDlg.h"
#include "app/GameApp.h"
#include "app/ModeOption.h"
#include "app/Resources.h"
#include "game/Background.h"
#include "picturefiles/PictureFile.h"
#include "platform/video/DisplayDevice.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/GameObjectInside.h"
#include "tests/support/GifFrames.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/ScreenInside.h"

namespace fs = std::filesystem;

namespace {

// --- Running the program -----------------------------------------------------------------

class TolmixRunTest : public CAppScratchFolderTest {
protected:
    // Whether the process has a thread of that name: SDL's timer thread starts during the
    // main frame's creation, after SDL took over SIGINT and SIGTERM.
    static bool HasThreadNamed(pid_t pid, const std::string& name)
    {
        std::error_code error;
        for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error))
            if (ReadFile(task.path() / "comm").rfind(name, 0) == 0)
                return true;
        return false;
    }

    // A GIF's header, screen, global palette and loop come to 800 bytes; beyond them, images.
    static constexpr uintmax_t RECORDING_HEADER_BYTES = 1000;
    // The size of the recording being written (under its temporary name), or 0.
    uintmax_t RecordingBytes() const
    {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(m_folder, error))
            if (entry.path().filename().string().rfind(".loop.gif.", 0) == 0)
                return entry.file_size(error);
        return 0;
    }

    // Runs tolmix with the arguments (ProgramRun.h).
    ProgramResult Run(const std::vector<std::string>& arguments, const std::function<void(pid_t)>& whileRunning = {},
                      const std::vector<std::string>& environment = {}) const
    {
        return RunProgram(TOLMIX_PROGRAM, arguments, m_folder, whileRunning, environment);
    }
};

// Expects a failure of one line starting "tolmix: " (ProgramRun.h); a usage error's line
// ends by pointing at --help.
void ExpectError(const ProgramResult& result, int status, const std::string& mentions)
{
    ExpectOneLineError(result, "tolmix: ", status, mentions);
    if (status == 2) {
        EXPECT_TRUE(result.errors.ends_with(". Run with --help for more information.\n")) << result.errors;
    }
}

// The version CMakeLists.txt gives the project, the one place it is written.
std::string ProjectVersion()
{
    const std::string cmake = ReadFile(fs::path(TOLMIX_SOURCE_DIR) / "CMakeLists.txt");
    const std::string marker = "project(Tolmix VERSION ";
    const size_t start = cmake.find(marker);
    if (start == std::string::npos)
        return "(no project version in CMakeLists.txt)";
    const size_t from = start + marker.size();
    return cmake.substr(from, cmake.find_first_not_of("0123456789.", from) - from);
}

// --- The command line --------------------------------------------------------------------

TEST_F(TolmixRunTest, HelpListsEveryOptionAndVersionNamesTheProgram)
{
    const ProgramResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.errors, "");
    for (const char* option : {"--mode", "--window", "--no-vsync", "--headless", "--frames", "--fixed-step",
                               "--screenshot", "--record", "--benchmark", "--lose-surfaces-every"})
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    for (const char* key : {"Escape", "Alt+Enter", "F11", "Pause", "F1 "})
        EXPECT_NE(help.output.find(key), std::string::npos) << key;
    EXPECT_NE(help.output.find("Diagnostics"), std::string::npos) << "--lose-surfaces-every is listed as a diagnostic";
}

// The hidden option the build writes the manual page with: the keys, and nothing of it in
// --help. (That the page lists the options --help lists is checked by
// tests/packaging/check-option-lists.sh.)
TEST_F(TolmixRunTest, TheHiddenManualPageOptionWritesTheOptionsAndKeysAsRoff)
{
    const ProgramResult page = Run({"--manual-page"});
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.errors, "");
    EXPECT_EQ(page.output.rfind(".SH SYNOPSIS\n", 0), 0u) << page.output;
    EXPECT_NE(page.output.find(".SH OPTIONS\n"), std::string::npos);
    const size_t keys = page.output.find(".SH KEYS\n");
    ASSERT_NE(keys, std::string::npos);
    for (const auto& [key, action] : KeysHelp()) {
        std::string roff;   // hyphens are escaped in roff
        for (const char c : std::string(action))
            roff += c == '-' ? std::string("\\-") : std::string(1, c);
        EXPECT_NE(page.output.find(roff, keys), std::string::npos) << key;
    }
    EXPECT_EQ(Run({"--help"}).output.find("manual"), std::string::npos) << "the option is hidden";
}

TEST_F(TolmixRunTest, BothProgramsAndTheAboutBoxGiveTheProjectsVersion)
{
    const std::string projectVersion = ProjectVersion();
    const ProgramResult version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "tolmix " + projectVersion + "\n");
    const ProgramResult imageVersion = RunProgram(TOLMIX_IMAGE_TOOL, {"--version"}, m_folder);
    EXPECT_EQ(imageVersion.status, 0);
    EXPECT_EQ(imageVersion.output, "tolmix-image " + projectVersion + "\n");
    EXPECT_EQ(CAboutDlg::VersionLine(), "Tolmix Version " + projectVersion);
}

// The usage errors through main, for the checks only a process run has (CLI11's own
// refusals, an output that is a folder, a mode SDL does not list); the rest are read
// in-process in CommandLineTest.
TEST_F(TolmixRunTest, BadArgumentsAreUsageErrorsOfOneLine)
{
    ExpectError(Run({"--frobnicate"}), 2, "--frobnicate");
    ExpectError(Run({"extra"}), 2, "extra");
    ExpectError(Run({"--mode", "99999999999x600x16"}), 2, "WxHxBPP");
    ExpectError(Run({"--frames", "-3"}), 2, "--frames");
    ExpectError(Run({"--fixed-step", "ten"}), 2, "--fixed-step");
    ExpectError(Run({"--screenshot", Path("shot.bmp").string()}), 2, ".png");
    ExpectError(Run({"--frames", "1\n2"}), 2, "1\\n2");   // escaped, so still one line
    // A folder where the file should go is refused before the first frame, not after the run.
    fs::create_directory(Path("taken.png"));
    fs::create_directory(Path("taken.gif"));
    ExpectError(Run({"--headless", "--frames", "3", "--screenshot", Path("taken.png").string()}), 2, "is a folder");
    ExpectError(Run({"--headless", "--frames", "3", "--record", Path("taken.gif").string()}), 2, "is a folder");
    // A well-formed mode that the display does not list: the listed modes are named.
    ExpectError(Run({"--headless", "--mode", "641x480x8"}), 2, "640x480x8");
    ExpectError(Run({"--headless", "--mode", "640x480x12"}), 2, "not a listed mode");
    EXPECT_FALSE(fs::exists(Path("shot.bmp")));
}

// --- Ending ------------------------------------------------------------------------------

// The picture cannot be put in place (every rename fails, as on a full disk: strace
// injects the failure); the run ends with a message, SDL let go, and no partial file left.
TEST_F(TolmixRunTest, AFailureEndsTheRunWithOneLineAndStatusOne)
{
    if (std::system("/usr/bin/strace -qq -o /dev/null true 2>/dev/null") != 0)
        GTEST_SKIP() << "strace cannot trace here (scripts/install-deps.sh installs it)";
    const ProgramResult result = RunProgram("/usr/bin/strace",
                                            {"-f", "-qq", "-o", "/dev/null", "-e", "trace=rename", "-e",
                                             "inject=rename:error=ENOSPC", TOLMIX_PROGRAM, "--headless", "--frames",
                                             "3", "--screenshot", Path("shot.png").string()},
                                            m_folder, {},   // LeakSanitizer cannot work under ptrace
                                            {"ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:halt_on_error=1"});
    ExpectError(result, 1, "No space left on device");
    for (const auto& entry : fs::directory_iterator(m_folder))
        EXPECT_EQ(entry.path().extension(), ".txt") << entry.path();
}

// Under an address-space limit (ulimit -v, in KiB) the run either fits or ends with status
// 1 and one line saying what could not be had; never by a signal. AddressSanitizer
// reserves terabytes of address space up front, so its builds cannot run under a limit.
TEST_F(TolmixRunTest, UnderAMemoryLimitTheRunEndsWithStatusZeroOrOneLineNeverASignal)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limits allow";
#endif
    const std::string limited = "ulimit -v \"$1\" && shift && exec \"$@\"";
    for (const char* mode : {"640x480x8", "1920x1080x32"})
        for (const int32_t kibibytes : {40000, 70000, 100000, 120000, 150000, 400000}) {
            const ProgramResult result =
                RunProgram("/bin/sh", {"-c", limited, "sh", std::to_string(kibibytes), TOLMIX_PROGRAM, "--headless",
                                       "--window", "--mode", mode, "--frames", "20"},
                           m_folder);
            const std::string run = std::string(mode) + " within " + std::to_string(kibibytes) + " KiB";
            EXPECT_EQ(result.signal, 0) << run << ": " << result.errors;
            EXPECT_TRUE(result.status == 0 || result.status == 1) << run << ": " << result.status;
            EXPECT_EQ(result.errors.empty(), result.status == 0) << run << ": " << result.errors;
            if (result.status == 1) {
                EXPECT_EQ(result.errors.rfind("tolmix: ", 0), 0u) << run << ": " << result.errors;
                EXPECT_EQ(std::count(result.errors.begin(), result.errors.end(), '\n'), 1) << run << ": " << result.errors;
            }
            // The smallest is too small for anything; the largest holds the whole run.
            if (kibibytes == 40000 || kibibytes == 400000) {
                EXPECT_EQ(result.status, kibibytes == 40000 ? 1 : 0) << run << ": " << result.errors;
            }
        }
}

// Without --headless a display is needed: where SDL finds none it would show the mode
// dialog to nobody and wait for ever.
TEST_F(TolmixRunTest, WithoutADisplayOnlyAHeadlessRunStarts)
{
    ExpectError(Run({"--frames", "3"}, {}, {"SDL_VIDEODRIVER=offscreen"}), 1, "--headless");
    // No X display, no Wayland socket to be found: our line alone (no library's complaint
    // about the runtime folder before it).
    ExpectError(Run({"--frames", "3"}, {}, {"DISPLAY=", "WAYLAND_DISPLAY=", "XDG_RUNTIME_DIR="}), 1, "--headless");
    const ProgramResult headless = Run({"--headless", "--frames", "3"}, {}, {"SDL_VIDEODRIVER=offscreen"});
    EXPECT_EQ(headless.status, 0) << headless.errors;
}

// INT and TERM always; HUP and QUIT too when a recording or a screenshot is to be kept.
TEST_F(TolmixRunTest, TheSystemsCloseRequestEndsTheRunThroughTheNormalTeardown)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(strsignal(signal));
        fs::remove(Path("last.png"));
        fs::remove(Path("loop.gif"));
        const std::vector<std::string> arguments = {"--headless", "--screenshot", Path("last.png").string(),
                                                    "--record", Path("loop.gif").string()};
        const ProgramResult result = Run(arguments, [&](pid_t pid) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            // Let it tick until the recording holds an image (past its header and palette).
            while ((!HasThreadNamed(pid, "SDLTimer") || RecordingBytes() < RECORDING_HEADER_BYTES) &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            kill(pid, signal);
        });
        EXPECT_EQ(result.status, 0) << result.errors;
        EXPECT_EQ(result.signal, 0);
        EXPECT_EQ(result.errors, "");
        // The teardown ran: the last frame was saved before the world went.
        ASSERT_TRUE(fs::exists(Path("last.png")));
        const std::unique_ptr<CBitmap24> last = ReadPicture(Path("last.png"));
        EXPECT_EQ(last->Width(), 640);
        EXPECT_EQ(last->Height(), 480);
        // The recording was finished: a whole GIF whose last frame is the screenshot.
        const GifAnimation recording = DecodeGif(Path("loop.gif"));
        ASSERT_TRUE(recording.last);
        EXPECT_EQ(BitsOf(*recording.last), BitsOf(*last));
    }
}

// The line's key=value pairs, in order.
std::vector<std::pair<std::string, std::string>> Figures(const std::string& line)
{
    std::vector<std::pair<std::string, std::string>> figures;
    std::istringstream words(line);
    std::string word;
    while (words >> word) {
        const size_t equals = word.find('=');
        figures.emplace_back(word.substr(0, equals), equals == std::string::npos ? "" : word.substr(equals + 1));
    }
    return figures;
}

TEST_F(TolmixRunTest, TheBenchmarkPrintsALineOfFiguresAndOneOfStartUpPhases)
{
    const ProgramResult result = Run({"--benchmark", "--frames", "30", "--mode", "800x600x8"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, "");
    ASSERT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 2) << result.output;
    const size_t firstEnd = result.output.find('\n');
    const auto figures = Figures(result.output.substr(0, firstEnd));
    const std::vector<std::string> keys = {"mode",   "frames",   "fps",          "baseline_fps", "ratio",  "mean_ms",
                                           "p99_ms", "startup_ms", "peak_rss_mib", "objects",      "objects_per_s"};
    ASSERT_EQ(figures.size(), keys.size()) << result.output;
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(figures[i].first, keys[i]) << result.output;
    EXPECT_EQ(figures[0].second, "800x600x8");
    EXPECT_EQ(figures[1].second, "30");
    for (size_t i = 2; i < figures.size(); ++i) {
        size_t used = 0;
        const double value = std::stod(figures[i].second, &used);
        EXPECT_EQ(used, figures[i].second.size()) << figures[i].first;
        EXPECT_GT(value, 0.0) << figures[i].first;
    }
    // The ratio is the two rates' quotient, to its two decimals.
    EXPECT_NEAR(std::stod(figures[4].second), std::stod(figures[2].second) / std::stod(figures[3].second), 0.0051);
    // Background, paddle and ball, each drawn once a frame.
    EXPECT_EQ(figures[9].second, "3");
    // fps is printed to a tenth (off by up to 0.05, three times over) and the product to a
    // whole number (0.5 more).
    EXPECT_NEAR(std::stod(figures[10].second), 3 * std::stod(figures[2].second), 3 * 0.05 + 0.5);

    // The phases in order, none negative, those that do real work in an 8-bit mode above
    // 0, adding up to no more than the total. `dither` is a wait, not work: it is 0 when the
    // reduction ahead is done before the first frame asks for it.
    const auto phases = Figures(result.output.substr(firstEnd + 1));
    const std::vector<std::string> phaseKeys = {"startup:", "exec", "sdl", "window", "world", "decode", "rescale",
                                                "palette", "display", "dither", "surfaces", "font", "first_frame",
                                                "total", "page_faults"};
    ASSERT_EQ(phases.size(), phaseKeys.size()) << result.output;
    double sum = 0.0;
    for (size_t i = 0; i < phaseKeys.size(); ++i) {
        EXPECT_EQ(phases[i].first, phaseKeys[i]) << result.output;
        if (i == 0)
            continue;
        const double value = std::stod(phases[i].second);
        const bool works = std::set<std::string>{"decode", "rescale", "palette", "surfaces", "total",
                                                 "page_faults"}.count(phases[i].first) > 0;
        EXPECT_TRUE(works ? value > 0.0 : value >= 0.0) << phases[i].first << " in " << result.output;
        if (i < phaseKeys.size() - 2)
            sum += value;
    }
    EXPECT_LE(sum, std::stod(phases[13].second) + 10.0) << result.output;   // the total is dated to 10 ms
}

// --- The recording -----------------------------------------------------------------------

// In an 8-bit mode the recording is exact: decoded, it ends on the screenshot of the same
// run. Frames closer than 20 ms are merged, so no delay is under 2 hundredths and the
// delays add up to the run's time; after the first image only what changed is stored. In
// other depths the frames go through one palette, so the end is close, not exact.
TEST_F(TolmixRunTest, TheRecordingEndsOnTheScreenshotOfTheSameRun)
{
    struct Case {
        DisplayMode mode;
        uint32_t stepMs;
        uint32_t frames;
        size_t images;   // 16 ms frames are merged in pairs
    };
    for (const Case& run : {Case{{640, 480, 8, 0}, 16, 120, 60}, Case{{800, 600, 16, 0}, 20, 40, 40}}) {
        SCOPED_TRACE(ModeText(run.mode));
        const ProgramResult result =
            Run({"--headless", "--window", "--mode", ModeText(run.mode), "--frames", std::to_string(run.frames),
                 "--fixed-step", std::to_string(run.stepMs), "--screenshot", Path("last.png").string(), "--record",
                 Path("loop.gif").string()});
        ASSERT_EQ(result.status, 0) << result.errors;
        for (const fs::directory_entry& entry : fs::directory_iterator(Path(".")))   // no temporary left
            EXPECT_FALSE(entry.path().filename().string().starts_with(".loop.gif")) << entry.path();
        const std::unique_ptr<CBitmap24> shot = ReadPicture(Path("last.png"));
        const GifAnimation gif = DecodeGif(Path("loop.gif"));
        ASSERT_EQ(gif.images.size(), run.images);
        EXPECT_EQ(std::pair(gif.width, gif.height), std::pair(run.mode.width, run.mode.height));
        EXPECT_TRUE(gif.loops);

        const Rect whole{0, 0, run.mode.width, run.mode.height};
        EXPECT_EQ(gif.images[0].rect, whole);
        int totalCs = 0;
        int64_t changedArea = 0;
        for (size_t i = 0; i < gif.images.size(); ++i) {
            EXPECT_GE(gif.images[i].delayCs, 2) << "image " << i;
            EXPECT_EQ(gif.images[i].disposal, DISPOSE_DO_NOT);
            totalCs += gif.images[i].delayCs;
            if (i > 0)
                changedArea += int64_t{gif.images[i].rect.Width()} * gif.images[i].rect.Height();
        }
        // Ball and paddle apart span much of the frame at times, but never on average.
        EXPECT_LT(changedArea / static_cast<int64_t>(gif.images.size() - 1), int64_t{whole.Width()} * whole.Height() / 2);
        EXPECT_NEAR(totalCs, static_cast<int>(run.frames * run.stepMs + 4) / 10, 1);

        if (run.mode.bitsPerPixel == 8) {
            const PictureDifference difference = ComparePictures(*gif.last, *shot);
            EXPECT_EQ(difference.pixels, 0) << "first at " << difference.firstX << ", " << difference.firstY;
        } else {
            int64_t far = 0;
            for (int32_t y = 0; y < shot->Height(); ++y)
                for (int32_t x = 0; x < shot->Width(); ++x) {
                    const Pixel24 a = PixelAt(*gif.last, x, y), b = PixelAt(*shot, x, y);
                    far += std::abs(a.red - b.red) > 40 || std::abs(a.green - b.green) > 40 ||
                           std::abs(a.blue - b.blue) > 40;
                }
            EXPECT_LT(far, int64_t{whole.Width()} * whole.Height() / 100);
        }
        fs::remove(Path("loop.gif"));
    }
}

// --- The last frame ----------------------------------------------------------------------

struct RunCase {
    DisplayMode mode;
    uint32_t stepMs;
    uint64_t frames;
    uint64_t loseEvery;   // 0: no loss
    bool ballBounces;     // the ball turns at an edge during the run
};

// How a case reads in test listings.
void PrintTo(const RunCase& run, std::ostream* out)
{
    *out << ModeText(run.mode) << ", " << run.frames << " frames of " << run.stepMs << " ms";
    if (run.loseEvery > 0)
        *out << ", loss every " << run.loseEvery;
}

class LastFrameTest : public TolmixRunTest, public ::testing::WithParamInterface<RunCase> {};

// The same run in-process: the same options, ticked as many times. The tick of a loss
// presents the whole frame again (the background draws whole on it and the next two);
// ticks that repair present only what changed.
std::unique_ptr<CGameApp> RunInProcess(const RunCase& run)
{
    ProgramOptions options = HeadlessOptions(run.mode, run.stepMs);
    options.windowed = false;
    options.loseSurfacesEvery = run.loseEvery;
    auto app = std::make_unique<CGameApp>(options);
    app->InitInstance();
    const CDisplayDevice& device = CScreenInside::Device(app->m_pGame->Screen());
    const auto wholeFrame = static_cast<uint64_t>(run.mode.width) * static_cast<uint64_t>(run.mode.height);
    for (uint64_t tick = 1; tick <= run.frames; ++tick) {
        const uint64_t uploadedBefore = device.UploadedPixelCount();
        app->TickWorld();
        const uint64_t uploaded = device.UploadedPixelCount() - uploadedBefore;
        const uint64_t sinceLoss = run.loseEvery > 0 ? tick % run.loseEvery : tick;
        if (run.loseEvery > 0 && sinceLoss == 0) {
            EXPECT_GE(uploaded, wholeFrame) << "tick " << tick << " did not come back whole after the loss";
        } else if (tick > 3 && sinceLoss >= 3) {
            EXPECT_LT(uploaded, wholeFrame / 4) << "tick " << tick << " presented more than its changes";
        }
    }
    return app;
}

TEST_P(LastFrameTest, IsTheInProcessRunsFrameShowsTheObjectsAndEqualsAFullRedraw)
{
    const RunCase& run = GetParam();
    // The last frame must be a repaired one, not one of the whole draws at the start or
    // after a loss.
    const uint64_t lastLoss = run.loseEvery > 0 ? run.frames / run.loseEvery * run.loseEvery : 0;
    ASSERT_GE(run.frames - lastLoss, 3u);
    ASSERT_GT(run.frames, 3u);

    std::vector<std::string> arguments = {"--headless", "--mode", ModeText(run.mode), "--frames",
                                          std::to_string(run.frames), "--fixed-step", std::to_string(run.stepMs),
                                          "--screenshot", Path("last.png").string()};
    if (run.loseEvery > 0)
        arguments.insert(arguments.end(), {"--lose-surfaces-every", std::to_string(run.loseEvery)});
    const ProgramResult result = Run(arguments);
    ASSERT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, "");
    const std::unique_ptr<CBitmap24> shot = ReadPicture(Path("last.png"));
    ASSERT_EQ(shot->Width(), run.mode.width);
    ASSERT_EQ(shot->Height(), run.mode.height);

    // The same run in-process leaves the same frame in its back buffer.
    const std::unique_ptr<CGameApp> app = RunInProcess(run);
    CGame& world = *app->m_pGame;
    CScreen& screen = world.Screen();
    const PictureDifference same = ComparePictures(*shot, *screen.BackBuffer()->ToBitmap());
    EXPECT_EQ(same.pixels, 0) << "first at " << same.firstX << ", " << same.firstY;

    // The ball turned at an edge where the case says so (the repair then follows a turn);
    // ball and paddle are visible where the world has them: the frame differs from the bare
    // background at their centres.
    EXPECT_EQ(CGameObjectInside::SpeedY(*FindObject(world, "Slowball")) < 0, run.ballBounces);
    const CSprite& backgroundSprite = *CGameObjectInside::Sprite(*FindObject(world, "Background"));
    const std::unique_ptr<CBitmap24> bare = backgroundSprite.FrameSurface(0)->ToBitmap();
    for (const char* name : {"Slowball", "Paddle"}) {
        const Rect pixels = screen.ScaleRect(CGameObjectInside::Rectangle(*FindObject(world, name)));
        const int32_t x = (pixels.left + pixels.right) / 2, y = (pixels.top + pixels.bottom) / 2;
        EXPECT_NE(PixelAt(*shot, x, y), PixelAt(*bare, x, y)) << name << " not drawn at " << x << ", " << y;
    }

    // The frame the dirty rectangles repaired equals the state drawn whole, except where
    // the frame-rate text goes (its texts are written, not drawn from the world).
    const auto& background = static_cast<const CBackground&>(*FindObject(world, "Background"));
    const Rect text = UnionRects(TextBox(screen, "Wait..."), TextBox(screen, background.RateText()));
    EXPECT_LT(text.right, screen.Width() / 4);
    EXPECT_LT(text.bottom, screen.Height() / 8);
    const PictureDifference repaired = ComparePictures(*shot, *FullRedraw(world), text);
    EXPECT_EQ(repaired.pixels, 0) << "first at " << repaired.firstX << ", " << repaired.firstY;
}

// Surface losses every few frames leave the screen a run without them ends on, in every
// depth: a picture is reduced to the palette once and refilled from that after a loss.
TEST_F(TolmixRunTest, SurfaceLossesLeaveTheScreenOfARunWithoutThem)
{
    for (int32_t depth : {8, 16, 24, 32}) {
        std::unique_ptr<CBitmap24> screens[2];
        for (uint64_t loseEvery : {7u, 0u}) {
            const std::unique_ptr<CGameApp> app = RunInProcess(RunCase{{640, 480, depth, 0}, 16, 200, loseEvery, false});
            screens[loseEvery == 0] = app->m_pGame->Screen().BackBuffer()->ToBitmap();
        }
        const PictureDifference same = ComparePictures(*screens[0], *screens[1]);
        EXPECT_EQ(same.pixels, 0) << depth << " bits: first at " << same.firstX << ", " << same.firstY;
    }
}

// --- Many balls --------------------------------------------------------------------------

// A --balls run in-process at 640 × 480 × 8: `ticks` ticks of 16 ms.
std::unique_ptr<CGameApp> RunBalls(int32_t balls, uint32_t seed, uint64_t ticks)
{
    ProgramOptions options = HeadlessOptions({640, 480, 8, 0}, 16);
    options.balls = balls;
    options.seed = seed;
    auto app = std::make_unique<CGameApp>(options);
    app->InitInstance();
    for (uint64_t tick = 0; tick < ticks; ++tick)
        app->TickWorld();
    return app;
}

// Without --balls the world keeps its table of 100 and the bounded repair list; with it the
// table holds the balls, the background and the paddle, and the repair goes by tiles.
TEST_F(TolmixRunTest, BallsLiftTheTableForTheirRunOnly)
{
    const std::unique_ptr<CGameApp> plain = RunInProcess(RunCase{{640, 480, 8, 0}, 16, 1, 0, false});
    EXPECT_EQ(plain->m_pGame->Capacity(), CGame::MAX_OBJECTS);
    EXPECT_EQ(plain->m_pGame->ObjectCount(), 3);
    EXPECT_FALSE(plain->m_pGame->Screen().RepairsByTiles());
    for (const int32_t balls : {1, 101}) {
        const std::unique_ptr<CGameApp> app = RunBalls(balls, 1, 1);
        EXPECT_EQ(app->m_pGame->Capacity(), balls + 2);
        EXPECT_EQ(app->m_pGame->ObjectCount(), balls + 2);
        EXPECT_TRUE(app->m_pGame->Screen().RepairsByTiles());
    }
}

// 10,000 balls for 101 frames of 16 ms: the readout says 62 (1000 / 16), and the frame the
// tiles repaired equals the world drawn whole, except where the readout goes.
TEST_F(TolmixRunTest, TenThousandBallsRepairToTheWholeDrawAndReadTheRightRate)
{
    for (const int32_t balls : {100, 10000}) {
        const std::unique_ptr<CGameApp> app = RunBalls(balls, 1, 101);
        CGame& world = *app->m_pGame;
        const auto& background = static_cast<const CBackground&>(*FindObject(world, "Background"));
        EXPECT_EQ(background.RateText(), "62") << balls;
        const Rect text = UnionRects(TextBox(world.Screen(), "Wait..."), TextBox(world.Screen(), "62"));
        const PictureDifference repaired =
            ComparePictures(*world.Screen().BackBuffer()->ToBitmap(), *FullRedraw(world), text);
        EXPECT_EQ(repaired.pixels, 0) << balls << " balls: first at " << repaired.firstX << ", " << repaired.firstY;
    }
}

// A --balls run records and saves as the one ball's does: in an 8-bit mode its recording
// ends exactly on its screenshot, and that shows the other 499 balls.
TEST_F(TolmixRunTest, ABallsRunRecordsAndSavesItsLastFrame)
{
    for (const std::string balls : {"1", "500"}) {
        const ProgramResult result = Run({"--headless", "--window", "--mode", "640x480x8", "--frames", "40",
                                          "--fixed-step", "20", "--balls", balls, "--screenshot",
                                          Path(balls + ".png").string(), "--record", Path(balls + ".gif").string()});
        ASSERT_EQ(result.status, 0) << result.errors;
    }
    const std::unique_ptr<CBitmap24> shot = ReadPicture(Path("500.png"));
    const GifAnimation gif = DecodeGif(Path("500.gif"));
    ASSERT_EQ(gif.images.size(), 40u);   // 20 ms apart: every frame kept
    const PictureDifference recorded = ComparePictures(*gif.last, *shot);
    EXPECT_EQ(recorded.pixels, 0) << "first at " << recorded.firstX << ", " << recorded.firstY;
    EXPECT_GT(ComparePictures(*shot, *ReadPicture(Path("1.png"))).pixels, 640 * 480 / 4);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, LastFrameTest,
    ::testing::Values(RunCase{{640, 480, 8, 0}, 16, 400, 0, false},
                      RunCase{{800, 600, 16, 0}, 250, 500, 0, true},
                      RunCase{{1024, 768, 32, 0}, 40, 300, 0, false},
                      // Surface loss.
                      RunCase{{640, 480, 8, 0}, 16, 200, 7, false},
                      RunCase{{800, 600, 16, 0}, 16, 100, 12, false},
                      RunCase{{1024, 768, 32, 0}, 100, 150, 40, false}),
    [](const ::testing::TestParamInfo<RunCase>& param) {
        return ModeText(param.param.mode) + (param.param.loseEvery > 0 ? "_loss" : "");
    });

} // namespace
