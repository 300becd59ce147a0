// MakePictures.cpp — tolmix-make-pictures: writes the program's three pictures.
//
//     tolmix-make-pictures OUTDIR [--sheet FILE.png]
//
// Writes OUTDIR/BACKGROUND1.bmp, OUTDIR/BALL1.bmp and OUTDIR/PADDLE1.bmp (24-bit BMP),
// and with --sheet also a PNG contact sheet of all three for people to look at. The
// output depends on nothing but this code: every run writes the same bytes, which is
// how the committed pictures in res/ are checked against their source.
#include "BackgroundPainter.h"
#include "BallPainter.h"
#include "ContactSheet.h"
#include "PaddlePainter.h"

#include "platform/bitmaps/FatalError.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------
// Command line
// ---------------------------------------------------------------------------------------

constexpr int EXIT_USAGE = 2;

struct Options {
    std::filesystem::path outputDirectory;
    std::optional<std::filesystem::path> sheetPath;
};

const char* const USAGE = "usage: tolmix-make-pictures OUTDIR [--sheet FILE.png]";

// Reads the arguments; nothing when they do not make a valid command.
std::optional<Options> ParseArguments(const std::vector<std::string>& arguments)
{
    Options options;
    bool haveDirectory = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--sheet") {
            if (i + 1 >= arguments.size() || options.sheetPath)
                return std::nullopt;
            options.sheetPath = arguments[++i];
        } else if (argument.starts_with("-") || haveDirectory) {
            return std::nullopt;
        } else {
            options.outputDirectory = argument;
            haveDirectory = true;
        }
    }
    if (!haveDirectory)
        return std::nullopt;
    return options;
}

// ---------------------------------------------------------------------------------------
// Making the pictures
// ---------------------------------------------------------------------------------------

void MakePictures(const Options& options)
{
    std::error_code error;
    std::filesystem::create_directories(options.outputDirectory, error);
    if (error)
        throw CFatalError("cannot create " + options.outputDirectory.string() + ": " + error.message());

    const CCanvas background = CBackgroundPainter().Paint();
    const CCanvas ball = CBallPainter().PaintStrip();
    const CCanvas paddle = CPaddlePainter().PaintStrip();
    background.WriteBmp((options.outputDirectory / "BACKGROUND1.bmp").string());
    ball.WriteBmp((options.outputDirectory / "BALL1.bmp").string());
    paddle.WriteBmp((options.outputDirectory / "PADDLE1.bmp").string());

    if (options.sheetPath) {
        const CCanvas sheet = CContactSheet::Compose(background, ball, CBallPainter::FRAME_SIZE, paddle,
                                                     CPaddlePainter::FRAME_HEIGHT);
        sheet.WritePng(options.sheetPath->string());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<Options> options = ParseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::cerr << USAGE << '\n';
        return EXIT_USAGE;
    }
    try {
        MakePictures(*options);
    } catch (const std::exception& failure) {
        std::cerr << "tolmix-make-pictures: " << failure.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
