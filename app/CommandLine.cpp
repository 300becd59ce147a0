// CommandLine.cpp — the options, their checks and their help texts (CLI11).
#include "app/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "app/ModeOption.h"
#include "app/Resources.h"
#include "app/UsageError.h"
#include "picturefiles/PictureFileError.h"
#include "picturefiles/TemporaryFile.h"
#include "platform/bitmaps/MessageText.h"
#include "platform/manual/ManualPage.h"
#include "platform/manual/ManualPageRequest.h"
#include "TolmixVersion.h"

namespace {

constexpr uint64_t MAX_FRAMES = 1000000000;    // a billion frames: days of running
constexpr uint32_t MAX_STEP_MS = 86400000;     // a day per tick
constexpr size_t KEYS_COLUMN = 20;   // where --help's key list has its actions

// What the parser fills before the options are checked and turned into ProgramOptions.
struct RawOptions {
    std::string mode;
    bool modeGiven = false;         // an empty mode given is refused, not taken for none
    bool window = false;
    bool noVsync = false;
    bool headless = false;
    uint64_t frames = 0;
    uint32_t fixedStep = 0;
    std::string screenshot;
    bool screenshotGiven = false;   // an empty name given is refused, not taken for none
    std::string record;
    bool recordGiven = false;       // likewise
    bool benchmark = false;
    uint64_t loseSurfacesEvery = 0;
    int32_t balls = 0;
    uint32_t seed = CBallSpread::DEFAULT_SEED;
};

// Prints a usage error as one line.
int ReportUsageError(const std::string& message)
{
    std::fprintf(stderr, "%s\n", UsageErrorLine(message).c_str());
    return 2;
}

// The keys, for the end of --help: one a line, the actions in a column.
std::string KeysFooter()
{
    std::string footer = "Keys:\n";
    for (const auto& [keys, action] : KeysHelp()) {
        std::string line = std::string("  ") + keys;
        line.resize(std::max(line.size() + 1, KEYS_COLUMN), ' ');
        footer += line + action + "\n";
    }
    return footer;
}

// The keys as rows for the manual page's KEYS section.
CManualPage::Rows KeysRows()
{
    CManualPage::Rows rows;
    for (const auto& [keys, action] : KeysHelp())
        rows.emplace_back(keys, action);
    return rows;
}

// Declares the options, with the help text each shows.
void AddOptions(CLI::App& app, RawOptions& raw)
{
    app.add_option("--mode", raw.mode, "Use this display mode instead of asking (one that the display lists)")
        ->type_name("WxHxBPP[@HZ]");
    app.add_flag("--window", raw.window, "Present in a window of the mode's size instead of full-screen");
    app.add_flag("--no-vsync", raw.noVsync, "Flip without waiting for the display's vertical refresh");
    app.add_flag("--headless", raw.headless,
                 "Run without a display (SDL's offscreen driver); the mode defaults to 640x480x8");
    app.add_option("--frames", raw.frames, "End after N frames, as if the window were closed")
        ->type_name("N")->check(CLI::Range(uint64_t{1}, MAX_FRAMES));
    app.add_option("--fixed-step", raw.fixedStep,
                   "The clock moves exactly MS milliseconds per frame (deterministic runs)")
        ->type_name("MS")->check(CLI::Range(uint32_t{1}, MAX_STEP_MS));
    app.add_option("--screenshot", raw.screenshot, "On exit, save the last frame at the mode's resolution")
        ->type_name("FILE.png");
    app.add_option("--record", raw.record,
                   "Record every frame presented as an animated GIF (exact colours in 8-bit modes, else the "
                   "nearest of the first frame's 256); frames less than 20 ms apart are merged into one GIF image")
        ->type_name("FILE.gif");
    app.add_flag("--benchmark", raw.benchmark,
                 "Headless, no refresh wait, 2000 frames unless --frames: print the frame rate against a "
                 "present-only baseline, start-up time, peak memory and objects drawn per second as one line");
    app.add_option("--lose-surfaces-every", raw.loseSurfacesEvery,
                   "Before every N-th frame the display loses its surfaces' contents; the program must recover")
        ->type_name("N")->check(CLI::Range(uint64_t{1}, MAX_FRAMES))->group("Diagnostics");
    CLI::Option* balls =
        app.add_option("--balls", raw.balls,
                       "Put N balls in the world (1 to 10000): the first where the one ball starts, the others "
                       "at places, directions and starting frames drawn from --seed (the table of 100 objects is "
                       "lifted for this run)")
            ->type_name("N")->check(CLI::Range(int32_t{1}, CBallSpread::MAX_BALLS));
    app.add_option("--seed", raw.seed,
                   "The seed the balls' places, directions and starting frames are drawn from (with --balls): "
                   "the same seed, the same run")
        ->type_name("S")->capture_default_str()->needs(balls);
}

// An output file must have its kind's ending, must not name a folder, and must be
// creatable in its folder (a temporary file is made there and removed again), so that a
// long run does not fail only at its end.
void CheckOutputFile(const char* option, const std::filesystem::path& path, const std::string& ending)
{
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ending)
        throw CUsageError(std::string(option) + ": '" + path.string() + "' is not a " + ending + " file");
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    if (!std::filesystem::is_directory(folder))
        throw CUsageError(std::string(option) + ": the folder '" + folder.string() + "' does not exist");
    if (std::filesystem::is_directory(path))
        throw CUsageError(std::string(option) + ": '" + path.string() + "' is a folder");
    try {
        const CTemporaryFile probe(path);
    } catch (const CPictureFileError& error) {
        throw CUsageError(std::string(option) + ": " + error.what());
    }
}

// Turns the parsed text into the program's options.
ProgramOptions Interpret(const RawOptions& raw)
{
    ProgramOptions options;
    if (raw.modeGiven) {
        options.mode = ParseModeText(raw.mode);
        if (!options.mode)
            throw CUsageError("--mode: '" + raw.mode + "' is not WxHxBPP or WxHxBPP@HZ (for example 800x600x16)");
    }
    options.windowed = raw.window;
    options.waitForRefresh = !raw.noVsync;
    options.headless = raw.headless;
    options.frames = raw.frames;
    options.fixedStepMs = raw.fixedStep;
    if (raw.screenshotGiven) {
        options.screenshot = raw.screenshot;
        CheckOutputFile("--screenshot", options.screenshot, ".png");
    }
    if (raw.recordGiven) {
        options.record = raw.record;
        CheckOutputFile("--record", options.record, ".gif");
    }
    options.loseSurfacesEvery = raw.loseSurfacesEvery;
    options.balls = raw.balls;
    options.seed = raw.seed;
    options.benchmark = raw.benchmark;
    if (raw.benchmark) {
        options.headless = true;
        options.waitForRefresh = false;
        if (options.frames == 0)
            options.frames = BENCHMARK_DEFAULT_FRAMES;
        if (options.frames > BENCHMARK_MAX_FRAMES)
            throw CUsageError("--benchmark keeps figures for at most " + std::to_string(BENCHMARK_MAX_FRAMES) +
                              " frames");
    }
    return options;
}

} // namespace

std::string UsageErrorLine(std::string message)
{
    while (!message.empty() && (message.back() == ' ' || message.back() == '.'))
        message.pop_back();
    return "tolmix: " + EscapeControls(message) + ". " + USAGE_HINT;
}

CommandLineResult ParseCommandLine(int argc, const char* const* argv, ProgramOptions& options)
{
    CLI::App app("tolmix — a full-screen 2D sprite animation", "tolmix");
    app.set_version_flag("--version", std::string("tolmix ") + TOLMIX_VERSION);
    app.footer(KeysFooter());
    RawOptions raw;
    AddOptions(app, raw);
    CManualPage::AddRequestOption(app);
    try {
        app.parse(argc, argv);
        raw.modeGiven = app.count("--mode") > 0;
        raw.screenshotGiven = app.count("--screenshot") > 0;
        raw.recordGiven = app.count("--record") > 0;
        options = Interpret(raw);
    } catch (const CLI::CallForHelp& help) {
        return CommandLineResult{false, app.exit(help)};
    } catch (const CLI::CallForVersion& version) {
        return CommandLineResult{false, app.exit(version)};
    } catch (const CManualPageRequest&) {
        CManualPage page(app);
        page.AddTable("KEYS", KeysRows());
        std::fputs(page.Text().c_str(), stdout);
        return CommandLineResult{false, 0};
    } catch (const CLI::ParseError& error) {
        return CommandLineResult{false, ReportUsageError(error.what())};
    } catch (const CUsageError& error) {
        return CommandLineResult{false, ReportUsageError(error.what())};
    }
    return CommandLineResult{};
}
