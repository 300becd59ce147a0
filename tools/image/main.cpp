// main.cpp — tolmix-image: the program's image pipeline as a command-line tool.
//
//     tolmix-image resize [--filter F] [--key K | --alpha-key C] IN OUT WIDTH HEIGHT
//     tolmix-image quantize [--method M] [--colours N] [--reserve C] [--key K | --alpha-key C]
//                           [--no-dither] [--no-transparency] [--rgb] [--palette-format F]...
//                           OUTDIR IN...
//
// Exit status: 0 on success, 2 for a usage error, 1 when a file cannot be read or written
// or a picture cannot be handled; every error is one line on stderr. TERM, INT, HUP and QUIT
// remove the run's temporary files and end it by that signal (CSignalGuard).
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include "picturefiles/PictureFile.h"
#include "picturefiles/SignalGuard.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/MessageText.h"
#include "platform/bitmaps/OutOfMemory.h"
#include "tools/image/ImageCommandLine.h"
#include "tools/image/ImageCommands.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FAILURE_IO = 1;

// Prints a message as one line, its control characters escaped.
void PrintLine(const std::string& message)
{
    std::fprintf(stderr, "tolmix-image: %s\n", EscapeControls(message).c_str());
}

// Reports a failure as one line and gives the exit status.
int Fail(int status, const std::string& message)
{
    PrintLine(message);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    CSignalGuard::Shared().EndOnSignals();
    const ImageCommandLine line = ParseImageCommandLine(argc, argv);
    if (!line.run)
        return line.usageError.empty() ? line.exitStatus : Fail(line.exitStatus, line.usageError);
    try {
        if (line.command == ImageCommand::Resize) {
            RunResize(line.resize);
        } else {
            for (const std::string& note : RunQuantize(line.quantize))
                PrintLine(note);
        }
    } catch (const std::invalid_argument& usage) {
        return Fail(EXIT_USAGE, usage.what());
    } catch (const CPictureFileError& file) {
        return Fail(EXIT_FAILURE_IO, file.what());
    } catch (const CFatalError& fatal) {
        return Fail(EXIT_FAILURE_IO, fatal.what());
    } catch (const COutOfMemory& memory) {
        return Fail(EXIT_FAILURE_IO, memory.what());
    } catch (const std::bad_alloc&) {
        return Fail(EXIT_FAILURE_IO, "out of memory: an allocation failed");
    } catch (const std::exception& other) {
        return Fail(EXIT_FAILURE_IO, other.what());
    }
    CSignalGuard::Shared().EndRun();
    return 0;
}
