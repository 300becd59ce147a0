// main.cpp — tolmix: the full-screen sprite animation.
//
// Exit status: 0 when the window was closed (INT and TERM ask it to close, and so do HUP
// and QUIT when a recording or a screenshot is to be kept), 2 for a usage error, 1 when
// something the program needs failed; every error is one line on stderr starting
// "tolmix: ". SDL is shut down cleanly in every case (the objects that hold it are unwound
// before main returns).
#include <cstdio>
#include <exception>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "app/Benchmark.h"
#include "app/CloseSignals.h"
#include "app/CommandLine.h"
#include "app/GameApp.h"
#include "app/ModeOption.h"
#include "app/UsageError.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/MessageText.h"
#include "platform/bitmaps/OutOfMemory.h"
#include "platform/video/SdlSession.h"

namespace {

constexpr int EXIT_FATAL = 1;
constexpr int EXIT_USAGE = 2;

// Reports a failure as one line, its control characters escaped, and gives the exit status.
int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "tolmix: %s\n", EscapeControls(message).c_str());
    return status;
}

// Where SDL finds no display it falls back to a driver that shows nothing; the mode dialog
// would then wait, unseen, for ever. Only --headless asks for that.
void RequireDisplay(const CSdlSession& session, const ProgramOptions& options)
{
    if (!options.headless && !session.ShowsAnything())
        throw CFatalError("no display to show the window on (SDL found only its '" + session.VideoDriver() +
                          "' driver); --headless runs without one");
}

// SDL, the mode check, the program, and the benchmark's line. Failures leave as
// exceptions, after the objects above them have let SDL go.
int RunProgram(ProgramOptions options)
{
    std::unique_ptr<CBenchmark> benchmark;
    if (options.benchmark)
        benchmark = std::make_unique<CBenchmark>(options.frames);
    std::optional<CStartupPhases::CScope> timing(std::in_place, benchmark ? &benchmark->StartupPhases() : nullptr,
                                                 CStartupPhases::SDL);
    const CSdlSession session(options.headless);
    // With a recording or a screenshot to keep, HUP and QUIT close the run as INT and TERM do.
    std::optional<CCloseSignals> closeSignals;
    if (!options.record.empty() || !options.screenshot.empty())
        closeSignals.emplace();
    RequireDisplay(session, options);
    if (options.mode)
        options.mode = FindListedMode(*options.mode, ListDisplayModes());
    timing.reset();
    int status = 0;
    {
        CGameApp app(options, benchmark.get());
        app.InitInstance();
        status = app.Run();
    }
    if (benchmark)
        std::printf("%s\n", benchmark->Report().c_str());
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    ProgramOptions options;
    const CommandLineResult parsed = ParseCommandLine(argc, argv, options);
    if (!parsed.run)
        return parsed.exitStatus;
    try {
        return RunProgram(options);
    } catch (const CUsageError& usage) {
        std::fprintf(stderr, "%s\n", UsageErrorLine(usage.what()).c_str());
        return EXIT_USAGE;
    } catch (const CFatalError& fatal) {
        return Fail(EXIT_FATAL, fatal.what());
    } catch (const COutOfMemory& memory) {
        return Fail(EXIT_FATAL, memory.what());
    } catch (const std::bad_alloc&) {
        return Fail(EXIT_FATAL, "out of memory: an allocation failed");
    } catch (const std::exception& other) {
        return Fail(EXIT_FATAL, other.what());
    }
}
