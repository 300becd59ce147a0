// ImageCommands.h — what tolmix-image's two commands do, apart from reading arguments.
//
// resize:   one picture through CBitmapRescaler::Rescale.
// quantize: pictures counted into one palette and each reduced to it, in the order given,
//           and written as indexed PNGs with the key's pixels transparent, beside the
//           palette in palette.txt and the palette formats asked for. Two methods: the
//           default, `accurate` (CAccurateQuantizer: exact colours, nearest entries, keys
//           from the source), and `program`, the program's own pipeline (CQuantizer, then
//           CDitherer or a plain nearest-colour search). Both read each picture twice, to
//           count it and to reduce it (the program's method keeps pictures between the
//           passes up to QUANTIZE_KEPT_BYTES). Its outputs are put in place all together or
//           not at all (CFileBatch), and an output that is one of the inputs is refused
//           before any work.
//
// Bad arguments raise std::invalid_argument (usage errors); unreadable or unwritable
// files raise CPictureFileError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"
#include "tools/image/PaletteFiles.h"

// Sizes a picture can be asked for.
constexpr int32_t MIN_PICTURE_SIDE = 1;
constexpr int32_t MAX_PICTURE_SIDE = 32768;

// Pictures one quantize may take: as many as the quantizer records.
constexpr int32_t MAX_QUANTIZE_INPUTS = 50;

// Picture bytes quantize keeps from its first pass to its second; pictures beyond are read
// again instead. Reading a picture again costs about as much as reading it, which small
// sets of pictures need not pay; large ones then stay near one picture's memory.
constexpr size_t QUANTIZE_KEPT_BYTES = size_t{64} << 20;

struct ResizeOptions {
    std::filesystem::path input;
    std::filesystem::path output;
    int32_t width = 0;
    int32_t height = 0;
    int32_t filter = 6;
    std::optional<ColourRef> key;   // none unless asked; KEY_FROM_FIRST_PIXEL for "auto"
    // PNG input: fully transparent pixels take this colour, which is then the key and is
    // marked transparent in a PNG written.
    std::optional<ColourRef> alphaKey;
};

// How quantize chooses the palette and reduces the pictures.
enum class QuantizeMethod {
    Accurate,   // exact colours where they fit, weighted means otherwise, nearest entries
    Program,    // the program's palette pipeline, exactly
};

struct QuantizeOptions {
    std::filesystem::path outputFolder;
    std::vector<std::filesystem::path> inputs;
    QuantizeMethod method = QuantizeMethod::Accurate;
    int32_t colours = 256;
    std::optional<ColourRef> reserved;   // program: entry 1, white when not given; accurate: entry 0 if given
    // None unless asked (the program method then takes each picture's first pixel, as the
    // program does); KEY_FROM_FIRST_PIXEL for "auto".
    std::optional<ColourRef> key;
    std::optional<ColourRef> alphaKey;   // as for resize
    bool dither = true;
    bool transparency = true;   // the key's entry transparent (tRNS)
    bool rgb = false;           // 24-bit RGB pictures instead of indexed ones
    std::vector<PaletteFormat> paletteFormats;   // palette files besides palette.txt
    size_t keptPictureBytes = QUANTIZE_KEPT_BYTES;   // see QUANTIZE_KEPT_BYTES
};

// A filter by index ("0".."6") or by name ("mitchell", …). Throws std::invalid_argument.
int32_t ParseFilter(const std::string& text);

// A colour as RRGGBB (hex, either case, optional leading '#'), as 0x00BBGGRR.
// Throws std::invalid_argument.
ColourRef ParseColour(const std::string& text);

// A key: "auto" (the picture's first pixel), "none" or a colour.
std::optional<ColourRef> ParseKey(const std::string& text);

// A method by name: "accurate" or "program". Throws std::invalid_argument.
QuantizeMethod ParseMethod(const std::string& text);

// Whether quantize keeps a picture of `pictureBytes` between its passes when it keeps
// `keptBytes` already: while the total stays within the budget.
bool KeepsPictureForReduction(size_t keptBytes, size_t pictureBytes, size_t budget);

void RunResize(const ResizeOptions& options);
// Returns notes for the user, one line each: pictures that could not be written indexed.
std::vector<std::string> RunQuantize(const QuantizeOptions& options);
