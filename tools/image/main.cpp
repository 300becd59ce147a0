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
#include <filesystem>
#include <new>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "picturefiles/PictureFile.h"
#include "picturefiles/SignalGuard.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/OutOfMemory.h"
#include "platform/manual/ManualPage.h"
#include "platform/manual/ManualPageRequest.h"
#include "tools/image/ImageCommands.h"
#include "TolmixVersion.h"

namespace {

constexpr int EXIT_USAGE = 2;
constexpr int EXIT_FAILURE_IO = 1;

int Fail(int status, const std::string& message)
{
    std::fprintf(stderr, "tolmix-image: %s\n", message.c_str());
    return status;
}

// The command-line text of the options main turns into values.
struct OptionTexts {
    std::string filter = "mitchell";
    std::string key = "none";
    std::string method = "accurate";
    std::string alphaKey;
    std::string reserve;
    std::vector<std::string> inputs;
    std::vector<std::string> paletteFormats;
    bool noDither = false;
    bool noTransparency = false;
};

// Adds --key and --alpha-key, which exclude each other, to a command.
void AddKeys(CLI::App* command, OptionTexts& texts, const std::string& keyHelp)
{
    CLI::Option* key = command->add_option("--key", texts.key, keyHelp)->default_str("none");
    command->add_option("--alpha-key", texts.alphaKey,
                        "PNG input: fully transparent pixels take this colour (RRGGBB), which is the key "
                        "and is marked transparent in the PNG written")
        ->excludes(key);
}

// The alpha key given, if any. Throws std::invalid_argument.
std::optional<ColourRef> AlphaKey(const OptionTexts& texts)
{
    return texts.alphaKey.empty() ? std::nullopt : std::optional<ColourRef>(ParseColour(texts.alphaKey));
}

// Adds the resize command's arguments to the parser.
CLI::App* AddResize(CLI::App& app, ResizeOptions& options, OptionTexts& texts)
{
    CLI::App* resize = app.add_subcommand("resize", "Rescale a picture with a filtered two-pass resampler");
    resize->add_option("--filter", texts.filter, "0-6 or hermite, box, triangle, bell, bspline, lanczos3, mitchell")
        ->default_str("mitchell");
    AddKeys(resize, texts, "Key colour kept exact: 'auto' (the first pixel), RRGGBB or 'none' (the default: every pixel blended)");
    resize->add_option("IN", options.input, "Picture to read (PNG or BMP)")->required();
    resize->add_option("OUT", options.output, "Picture to write (.png or .bmp, 24-bit)")->required();
    resize->add_option("WIDTH", options.width, "Width in pixels, 1-32768")
        ->required()->check(CLI::Range(MIN_PICTURE_SIDE, MAX_PICTURE_SIDE));
    resize->add_option("HEIGHT", options.height, "Height in pixels, 1-32768")
        ->required()->check(CLI::Range(MIN_PICTURE_SIDE, MAX_PICTURE_SIDE));
    return resize;
}

// Adds the quantize command's arguments to the parser.
CLI::App* AddQuantize(CLI::App& app, QuantizeOptions& options, OptionTexts& texts)
{
    CLI::App* quantize = app.add_subcommand("quantize", "Choose one palette for the pictures and reduce each to it");
    quantize->add_option("--method", texts.method,
                         "accurate (the default): pictures of at most N colours unchanged, else each entry the mean "
                         "of the true colours it serves (Wu's cuts refined by k-means), every pixel its truly "
                         "nearest entry, only the key's pixels transparent, no unused entries. program: the "
                         "program's own palette pipeline exactly (median cut over colour cells, entry 0 black and "
                         "1 reserved, the key 'auto' unless named)")
        ->default_str("accurate");
    quantize->add_option("--colours", options.colours, "Palette entries, 4-256 (accurate: key entries included)")
        ->default_val(256)->check(CLI::Range(4, 256));
    quantize->add_option("--reserve", texts.reserve,
                         "A colour the palette keeps, RRGGBB (program: entry 1, white by default; accurate: entry 0)");
    AddKeys(quantize, texts,
            "Key colour, transparent: 'auto' (each picture's first pixel), RRGGBB or 'none' (the default)");
    quantize->add_flag("--no-dither", texts.noDither, "Map each pixel to its nearest entry instead of diffusing the error");
    quantize->add_flag("--no-transparency", texts.noTransparency, "Leave the key colour opaque (no tRNS chunk)");
    quantize->add_flag("--rgb", options.rgb, "Write 24-bit RGB pictures instead of indexed ones");
    quantize->add_option("--palette-format", texts.paletteFormats,
                         "Also write the palette as palette.gpl, .pal, .act or .hex (repeat or separate by commas)")
        ->delimiter(',')
        ->allow_extra_args(false);   // one word each time: OUTDIR and IN follow
    quantize->add_option("OUTDIR", options.outputFolder, "Folder for palette.txt and the reduced pictures")->required();
    quantize->add_option("IN", texts.inputs, "Pictures to read (PNG or BMP), 1 to 50")->required();
    return quantize;
}

} // namespace

int main(int argc, char** argv)
{
    CSignalGuard::Shared().EndOnSignals();
    CLI::App app("tolmix-image — Tolmix's picture rescaler and palette reducer", "tolmix-image");
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("tolmix-image ") + TOLMIX_VERSION);

    ResizeOptions resize;
    QuantizeOptions quantize;
    OptionTexts resizeTexts, quantizeTexts;
    CLI::App* resizeCommand = AddResize(app, resize, resizeTexts);
    CLI::App* quantizeCommand = AddQuantize(app, quantize, quantizeTexts);
    CManualPage::AddRequestOption(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CManualPageRequest&) {
        std::fputs(CManualPage(app).Text().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& error) {
        return Fail(EXIT_USAGE, error.what());
    }

    try {
        if (*resizeCommand) {
            resize.filter = ParseFilter(resizeTexts.filter);
            resize.key = ParseKey(resizeTexts.key);   // no key unless asked
            resize.alphaKey = AlphaKey(resizeTexts);
            RunResize(resize);
        } else if (*quantizeCommand) {
            const OptionTexts& texts = quantizeTexts;
            if (texts.inputs.size() > MAX_QUANTIZE_INPUTS)
                return Fail(EXIT_USAGE, "quantize takes at most 50 pictures, not " + std::to_string(texts.inputs.size()));
            quantize.inputs.assign(texts.inputs.begin(), texts.inputs.end());
            quantize.method = ParseMethod(texts.method);
            quantize.key = ParseKey(texts.key);
            if (quantize.method == QuantizeMethod::Program && !quantize.key && quantizeCommand->count("--key") > 0)
                return Fail(EXIT_USAGE, "--method program always has a key: --key auto or RRGGBB, not none");
            quantize.alphaKey = AlphaKey(texts);
            if (!texts.reserve.empty())
                quantize.reserved = ParseColour(texts.reserve);
            quantize.dither = !texts.noDither;
            quantize.transparency = !texts.noTransparency;
            for (const std::string& format : texts.paletteFormats)
                quantize.paletteFormats.push_back(ParsePaletteFormat(format));
            for (const std::string& note : RunQuantize(quantize))
                std::fprintf(stderr, "tolmix-image: %s\n", note.c_str());
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
