// ImageCommandLine.cpp — tolmix-image's options, their checks and help texts (CLI11), and
// their text turned into the commands' options.
#include "tools/image/ImageCommandLine.h"

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "platform/manual/ManualPage.h"
#include "platform/manual/ManualPageRequest.h"
#include "TolmixVersion.h"

namespace {

constexpr int EXIT_USAGE = 2;

// The command-line text of the options turned into values after parsing.
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

// Turns resize's texts into its options. Throws std::invalid_argument.
void InterpretResize(const OptionTexts& texts, ResizeOptions& options)
{
    options.filter = ParseFilter(texts.filter);
    options.key = ParseKey(texts.key);   // no key unless asked
    options.alphaKey = AlphaKey(texts);
}

// Turns quantize's texts into its options (`keyGiven`: --key was on the command line).
// Throws std::invalid_argument.
void InterpretQuantize(const OptionTexts& texts, bool keyGiven, QuantizeOptions& options)
{
    if (texts.inputs.size() > MAX_QUANTIZE_INPUTS)
        throw std::invalid_argument("quantize takes at most 50 pictures, not " + std::to_string(texts.inputs.size()));
    options.inputs.assign(texts.inputs.begin(), texts.inputs.end());
    options.method = ParseMethod(texts.method);
    options.key = ParseKey(texts.key);
    if (options.method == QuantizeMethod::Program && !options.key && keyGiven)
        throw std::invalid_argument("--method program always has a key: --key auto or RRGGBB, not none");
    options.alphaKey = AlphaKey(texts);
    if (!texts.reserve.empty())
        options.reserved = ParseColour(texts.reserve);
    options.dither = !texts.noDither;
    options.transparency = !texts.noTransparency;
    for (const std::string& format : texts.paletteFormats)
        options.paletteFormats.push_back(ParsePaletteFormat(format));
}

// Ends the reading at once with the status and, for a usage error, its message.
ImageCommandLine EndNow(int status, const std::string& usageError = {})
{
    ImageCommandLine ended;
    ended.run = false;
    ended.exitStatus = status;
    ended.usageError = usageError;
    return ended;
}

} // namespace

ImageCommandLine ParseImageCommandLine(int argc, const char* const* argv)
{
    CLI::App app("tolmix-image — Tolmix's picture rescaler and palette reducer", "tolmix-image");
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("tolmix-image ") + TOLMIX_VERSION);

    ImageCommandLine line;
    OptionTexts resizeTexts, quantizeTexts;
    CLI::App* resizeCommand = AddResize(app, line.resize, resizeTexts);
    CLI::App* quantizeCommand = AddQuantize(app, line.quantize, quantizeTexts);
    CManualPage::AddRequestOption(app);
    try {
        app.parse(argc, argv);
        if (*resizeCommand) {
            line.command = ImageCommand::Resize;
            InterpretResize(resizeTexts, line.resize);
        } else if (*quantizeCommand) {
            line.command = ImageCommand::Quantize;
            InterpretQuantize(quantizeTexts, quantizeCommand->count("--key") > 0, line.quantize);
        }
    } catch (const CLI::CallForHelp& help) {
        return EndNow(app.exit(help));
    } catch (const CLI::CallForVersion& version) {
        return EndNow(app.exit(version));
    } catch (const CManualPageRequest&) {
        std::fputs(CManualPage(app).Text().c_str(), stdout);
        return EndNow(0);
    } catch (const CLI::ParseError& error) {
        return EndNow(EXIT_USAGE, error.what());
    } catch (const std::invalid_argument& usage) {
        return EndNow(EXIT_USAGE, usage.what());
    }
    return line;
}
