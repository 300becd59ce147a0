// main.cpp — tolmix-image: the program's image pipeline as a command-line tool.
//
//     tolmix-image resize [--filter F] [--key K] IN OUT WIDTH HEIGHT
//     tolmix-image quantize [--colours N] [--reserve C] [--key K] [--no-dither] OUTDIR IN...
//
// Exit status: 0 on success, 2 for a usage error, 1 when a file cannot be read or written
// or a picture cannot be handled; every error is one line on stderr.
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>

#include <CLI/CLI.hpp>

#include "picturefiles/PictureFile.h"
#include "platform/bitmaps/FatalError.h"
#include "tools/image/ImageCommands.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FAILURE_IO = 1;

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "tolmix-image: %s\n", message.c_str());
    return status;
}

// Adds the resize command's arguments to the parser.
CLI::App* AddResize(CLI::App& app, ResizeOptions& options, std::string& filter, std::string& key)
{
    CLI::App* resize = app.add_subcommand("resize", "Rescale a picture with a filtered two-pass resampler");
    resize->add_option("--filter", filter, "0-6 or hermite, box, triangle, bell, bspline, lanczos3, mitchell")
        ->default_str("mitchell");
    resize->add_option("--key", key, "Key colour kept exact: 'auto' (the first pixel) or RRGGBB")->default_str("auto");
    resize->add_option("IN", options.input, "Picture to read (PNG or BMP)")->required();
    resize->add_option("OUT", options.output, "Picture to write (.png or .bmp, 24-bit)")->required();
    resize->add_option("WIDTH", options.width, "Width in pixels, 1-32768")
        ->required()->check(CLI::Range(MIN_PICTURE_SIDE, MAX_PICTURE_SIDE));
    resize->add_option("HEIGHT", options.height, "Height in pixels, 1-32768")
        ->required()->check(CLI::Range(MIN_PICTURE_SIDE, MAX_PICTURE_SIDE));
    return resize;
}

// Adds the quantize command's arguments to the parser.
CLI::App* AddQuantize(CLI::App& app, QuantizeOptions& options, std::string& reserve, std::string& key,
                      bool& noDither, std::vector<std::string>& inputs)
{
    CLI::App* quantize = app.add_subcommand(
        "quantize", "Choose one palette for the pictures by median cut and reduce each to it");
    quantize->add_option("--colours", options.colours, "Palette entries, 4-256")
        ->default_val(256)->check(CLI::Range(4, 256));
    quantize->add_option("--reserve", reserve, "Colour of entry 1 as RRGGBB (default white)");
    quantize->add_option("--key", key, "Key colour left untouched: 'auto' (each picture's first pixel) or RRGGBB")
        ->default_str("auto");
    quantize->add_flag("--no-dither", noDither, "Map each pixel to its nearest entry instead of diffusing the error");
    quantize->add_option("OUTDIR", options.outputFolder, "Folder for palette.txt and the reduced pictures")->required();
    quantize->add_option("IN", inputs, "Pictures to read (PNG or BMP), 1 to 50")->required();
    return quantize;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("tolmix-image — Tolmix's picture rescaler and palette reducer", "tolmix-image");
    app.require_subcommand(1);
    app.set_version_flag("--version", "tolmix-image 1.0");

    ResizeOptions resize;
    QuantizeOptions quantize;
    std::string filter = "mitchell", resizeKey = "auto", quantizeKey = "auto", reserve;
    std::vector<std::string> inputs;
    bool noDither = false;
    CLI::App* resizeCommand = AddResize(app, resize, filter, resizeKey);
    CLI::App* quantizeCommand = AddQuantize(app, quantize, reserve, quantizeKey, noDither, inputs);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        return Fail(EXIT_USAGE, error.what());
    }

    try {
        if (*resizeCommand) {
            resize.filter = ParseFilter(filter);
            resize.key = ParseKey(resizeKey);
            RunResize(resize);
        } else if (*quantizeCommand) {
            if (inputs.size() > MAX_QUANTIZE_INPUTS)
                return Fail(EXIT_USAGE, "quantize takes at most 50 pictures, not " + std::to_string(inputs.size()));
            quantize.inputs.assign(inputs.begin(), inputs.end());
            quantize.key = ParseKey(quantizeKey);
            if (!reserve.empty())
                quantize.reserved = ParseColour(reserve);
            quantize.dither = !noDither;
            RunQuantize(quantize);
        }
    } catch (const std::invalid_argument& usage) {
        return Fail(EXIT_USAGE, usage.what());
    } catch (const CPictureFileError& file) {
        return Fail(EXIT_FAILURE_IO, file.what());
    } catch (const CFatalError& fatal) {
        return Fail(EXIT_FAILURE_IO, fatal.what());
    } catch (const std::bad_alloc&) {
        return Fail(EXIT_FAILURE_IO, "out of memory");
    } catch (const std::exception& other) {
        return Fail(EXIT_FAILURE_IO, other.what());
    }
    return 0;
}
