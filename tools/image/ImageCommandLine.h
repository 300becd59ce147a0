// ImageCommandLine.h — tolmix-image's command line: words in, one command's options out.
//
//     tolmix-image resize [--filter F] [--key K | --alpha-key C] IN OUT WIDTH HEIGHT
//     tolmix-image quantize [--method M] [--colours N] [--reserve C] [--key K | --alpha-key C]
//                           [--no-dither] [--no-transparency] [--rgb] [--palette-format F]...
//                           OUTDIR IN...
#pragma once

#include <string>

#include "tools/image/ImageCommands.h"

enum class ImageCommand { Resize, Quantize };

// What the command line asks: the command to run with its options, or to end at once with
// the status (0 after --help or --version, 2 after a usage error, given in usageError).
struct ImageCommandLine {
    bool run = true;
    int exitStatus = 0;
    std::string usageError;
    ImageCommand command = ImageCommand::Resize;
    ResizeOptions resize;       // when the command is resize
    QuantizeOptions quantize;   // when the command is quantize
};

// Reads the words (argv[0] is the program). Prints --help, --version and the hidden
// --manual-page on stdout; leaves
// a usage error's message to the caller.
ImageCommandLine ParseImageCommandLine(int argc, const char* const* argv);
