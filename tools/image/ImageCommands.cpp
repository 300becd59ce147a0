// ImageCommands.cpp — resize and quantize.
#include "tools/image/ImageCommands.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <set>
#include <span>
#include <stdexcept>
#include <string_view>

#include "imaging/AccurateQuantizer.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/Ditherer.h"
#include "imaging/GamePalette.h"
#include "imaging/KernelFilters.h"
#include "imaging/Quantizer.h"
#include "picturefiles/FileBatch.h"
#include "picturefiles/IndexedPicture.h"
#include "picturefiles/PictureFile.h"
#include "picturefiles/PictureFileError.h"
#include "platform/bitmaps/KeyColour.h"
#include "tools/image/MadeFolders.h"

namespace fs = std::filesystem;

namespace {

// The filter names, by index.
constexpr std::array<std::string_view, FILTER_COUNT> FILTER_NAMES = {
    "hermite", "box", "triangle", "bell", "bspline", "lanczos3", "mitchell"};

std::string Lowercase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// ---------------------------------------------------------------------------------------
// quantize's steps
// ---------------------------------------------------------------------------------------

// The output file of each input: OUTDIR/<name without folder and extension>.png. Two
// inputs of one name would overwrite each other: refused.
std::vector<fs::path> OutputNames(const QuantizeOptions& options)
{
    std::vector<fs::path> names;
    std::set<std::string> seen;
    for (const fs::path& input : options.inputs) {
        const std::string stem = input.stem().string();
        if (stem.empty())
            throw std::invalid_argument("input '" + input.string() + "' has no file name");
        if (!seen.insert(stem).second)
            throw std::invalid_argument("two inputs would both be written as '" + stem + ".png'");
        names.push_back(options.outputFolder / (stem + ".png"));
    }
    return names;
}

// An output that is one of the inputs (the same file, by any name) would replace the
// original: refused before any work.
void RefuseOverwritingInputs(const std::vector<fs::path>& inputs, const std::vector<fs::path>& outputs)
{
    for (const fs::path& output : outputs)
        for (const fs::path& input : inputs) {
            std::error_code error;
            if (fs::equivalent(input, output, error))
                throw std::invalid_argument("output '" + output.string() + "' is the input '" + input.string() +
                                            "': an input is never overwritten");
        }
}

// Every non-key pixel becomes the colour of its nearest entry, searched exactly each time.
void MapToNearest(CBitmap24& picture, const CQuantizer& quantizer, ColourRef key)
{
    if (picture.Width() == 0 || picture.Height() == 0)
        return;
    const CLogicalPalette& palette = quantizer.GamePalette()->LogicalPalette();
    const auto& entries = quantizer.Entries();
    const Pixel24 keyPixel = PixelOf(ResolveKey(key, picture));
    for (int32_t y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const Pixel24 pixel = LoadPixel(row + 3 * x);
            if (pixel == keyPixel)
                continue;
            const PaletteEntry& e = entries[palette.NearestIndex(ColourOf(pixel))];
            StorePixel(row + 3 * x, Pixel24{e.blue, e.green, e.red});
        }
    }
}

// One palette object for all pictures: its nearest-entry cache carries over from one
// picture to the next.
void Reduce(CBitmap24& picture, const CQuantizer& quantizer, ColourRef key, bool dither)
{
    if (dither) {
        CDitherer ditherer;
        ditherer.SetQuantizer(&quantizer);
        ditherer.SetKeyColour(key);
        ditherer.Dither(&picture);
    } else {
        MapToNearest(picture, quantizer, key);
    }
}

// palette.txt: one line per entry, "i R G B FLAGS".
std::string PaletteText(std::span<const PaletteEntry> entries)
{
    std::string text;
    for (size_t i = 0; i < entries.size(); ++i) {
        const PaletteEntry& e = entries[i];
        text += std::to_string(i) + " " + std::to_string(e.red) + " " + std::to_string(e.green) + " " +
                std::to_string(e.blue) + " " + std::to_string(e.flags) + "\n";
    }
    return text;
}

// The colour as RRGGBB, for messages.
std::string Hex(ColourRef colour)
{
    std::array<char, 8> text{};
    std::snprintf(text.data(), text.size(), "%02X%02X%02X", RedOf(colour), GreenOf(colour), BlueOf(colour));
    return text.data();
}

bool HasColour(const CBitmap24& picture, ColourRef colour)
{
    const Pixel24 wanted = PixelOf(colour);
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < picture.Width(); ++x)
            if (LoadPixel(row + 3 * x) == wanted)
                return true;
    }
    return false;
}

// The note for a reduced picture written as RGB, naming its transparent key if any.
std::string RgbNote(const fs::path& path, std::optional<ColourRef> transparent, size_t entries)
{
    // Built by appending: GCC 12 warns falsely about chains of + on strings.
    std::string note(1, '\'');
    note += path.string();
    note += "' written as 24-bit RGB";
    if (transparent)
        note += " with " + Hex(*transparent) + " transparent";
    note += ": the key colour does not fit beside ";
    note += std::to_string(entries);
    note += " palette entries";
    return note;
}

// One reduced picture as an indexed PNG: the palette's entries, then one of the key colour
// for the key's pixels, transparent. Where the palette is full (256 entries), the picture
// is encoded as RGB with the key colour named transparent instead, and `note` says so.
std::vector<uint8_t> EncodeReduced(const fs::path& path, const CBitmap24& picture, std::span<const PaletteEntry> palette,
                                   ColourRef keyOption, const QuantizeOptions& options, std::optional<std::string>& note)
{
    const ColourRef key = ResolveKey(keyOption, picture);   // the reduction left the first pixel as it was
    if (options.rgb)   // today's pictures, unless a transparent key was asked for by --alpha-key
        return EncodePicture(path, picture, options.transparency ? options.alphaKey : std::nullopt);
    if (std::optional<CIndexedPicture> indexed = CIndexedPicture::Index(picture, palette, key)) {
        if (options.transparency && indexed->KeyIndex())
            indexed->MakeKeyTransparent();
        return EncodeIndexedPicture(path, *indexed);
    }
    const bool keyed = options.transparency && HasColour(picture, key);
    note = RgbNote(path, keyed ? std::optional<ColourRef>(key) : std::nullopt, palette.size());
    return EncodePicture(path, picture, keyed ? std::optional<ColourRef>(key) : std::nullopt);
}

// The name a palette file gives the palette: the output folder's.
std::string PaletteName(const fs::path& folder)
{
    const fs::path full = fs::absolute(folder).lexically_normal();
    const std::string name = (full.has_filename() ? full : full.parent_path()).filename().string();
    return name.empty() ? "tolmix" : name;
}

// palette.txt and the palette files asked for, added to the batch beside the pictures.
void AddPaletteFiles(CFileBatch& batch, std::span<const PaletteEntry> palette, const QuantizeOptions& options,
                     const fs::path& paletteFile, const std::vector<fs::path>& paletteFiles)
{
    const auto addText = [&batch](const fs::path& path, const std::string& text) {
        batch.Add(path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    };
    addText(paletteFile, PaletteText(palette));
    for (size_t i = 0; i < paletteFiles.size(); ++i)
        addText(paletteFiles[i], PaletteFileBytes(options.paletteFormats[i], palette, PaletteName(options.outputFolder)));
}

// ---------------------------------------------------------------------------------------
// quantize --method accurate
// ---------------------------------------------------------------------------------------

// The key of one picture as read: the one named, its first pixel for "auto", or none.
std::optional<ColourRef> PictureKeyOf(const CBitmap24& picture, const QuantizeOptions& options)
{
    return ResolveKey(options.alphaKey ? options.alphaKey : options.key, picture);
}

// The colours as palette entries (flags 0).
std::vector<PaletteEntry> EntriesOf(const std::vector<ColourRef>& colours)
{
    std::vector<PaletteEntry> entries;
    for (const ColourRef colour : colours)
        entries.push_back({RedOf(colour), GreenOf(colour), BlueOf(colour), 0});
    return entries;
}

// The indices decoded through the palette, for --rgb.
CBitmap24 PictureOfIndices(int32_t width, int32_t height, const std::vector<uint8_t>& indices,
                           const std::vector<ColourRef>& colours)
{
    CBitmap24 picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            StorePixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * static_cast<size_t>(x),
                       PixelOf(colours[indices[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)]]));
    return picture;
}

// Two passes over the pictures, each read in turn and dropped: the first counts them, the
// second reduces and encodes them. Every picture is indexed (the key entries count within
// --colours), so nothing is written as RGB unless --rgb asks.
std::vector<std::string> RunAccurateQuantize(const QuantizeOptions& options, const std::vector<fs::path>& outputs,
                                             const fs::path& paletteFile, const std::vector<fs::path>& paletteFiles)
{
    CAccurateQuantizer quantizer(options.colours);
    if (options.reserved)
        quantizer.Reserve(*options.reserved);
    for (const fs::path& input : options.inputs) {
        const std::unique_ptr<CBitmap24> picture = ReadPicture(input, PictureFormats::PngOrBmp, options.alphaKey);
        quantizer.AddPicture(*picture, PictureKeyOf(*picture, options));
    }
    quantizer.Compute();
    const std::vector<PaletteEntry> palette = EntriesOf(quantizer.Colours());

    CMadeFolders folders(options.outputFolder);
    CFileBatch batch;
    for (size_t i = 0; i < options.inputs.size(); ++i) {
        const std::unique_ptr<CBitmap24> picture = ReadPicture(options.inputs[i], PictureFormats::PngOrBmp, options.alphaKey);
        const std::optional<ColourRef> key = PictureKeyOf(*picture, options);
        std::vector<uint8_t> indices = quantizer.Reduce(*picture, key, options.dither);
        if (options.rgb) {
            const CBitmap24 reduced = PictureOfIndices(picture->Width(), picture->Height(), indices, quantizer.Colours());
            batch.Add(outputs[i], EncodePicture(outputs[i], reduced, options.transparency ? options.alphaKey : std::nullopt));
            continue;
        }
        CIndexedPicture indexed = CIndexedPicture::FromIndices(picture->Width(), picture->Height(), palette,
                                                               std::move(indices), key ? quantizer.KeyIndex(*key) : std::nullopt);
        if (options.transparency && indexed.KeyIndex())
            indexed.MakeKeyTransparent();
        batch.Add(outputs[i], EncodeIndexedPicture(outputs[i], indexed));
    }
    AddPaletteFiles(batch, palette, options, paletteFile, paletteFiles);
    batch.Commit();
    folders.Keep();
    return {};
}

} // namespace

// ---------------------------------------------------------------------------------------
// Arguments
// ---------------------------------------------------------------------------------------

int32_t ParseFilter(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] < '0' + FILTER_COUNT)
        return text[0] - '0';
    const std::string name = Lowercase(text);
    for (int32_t i = 0; i < FILTER_COUNT; ++i)
        if (name == FILTER_NAMES[i])
            return i;
    throw std::invalid_argument("unknown filter '" + text +
                                "' (0-6, hermite, box, triangle, bell, bspline, lanczos3, mitchell)");
}

ColourRef ParseColour(const std::string& text)
{
    const std::string_view digits = !text.empty() && text[0] == '#' ? std::string_view(text).substr(1) : text;
    if (digits.size() != 6 || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c); }))
        throw std::invalid_argument("colour '" + text + "' is not six hex digits RRGGBB");
    const uint32_t rgb = static_cast<uint32_t>(std::stoul(std::string(digits), nullptr, 16));
    return MakeColour(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
}

std::optional<ColourRef> ParseKey(const std::string& text)
{
    const std::string name = Lowercase(text);
    if (name == "none")
        return std::nullopt;
    return name == "auto" ? KEY_FROM_FIRST_PIXEL : ParseColour(text);
}

QuantizeMethod ParseMethod(const std::string& text)
{
    const std::string name = Lowercase(text);
    if (name == "accurate")
        return QuantizeMethod::Accurate;
    if (name == "program")
        return QuantizeMethod::Program;
    throw std::invalid_argument("unknown method '" + text + "' (accurate, program)");
}

// ---------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------

void RunResize(const ResizeOptions& options)
{
    FormatForName(options.output);   // a usage error before any work
    const std::unique_ptr<CBitmap24> source = ReadPicture(options.input, PictureFormats::PngOrBmp, options.alphaKey);
    CBitmapRescaler rescaler(source.get());
    rescaler.Rescale({options.width, options.height}, options.filter, options.alphaKey ? options.alphaKey : options.key);
    WritePicture(options.output, *rescaler.GetBitmap(), options.alphaKey);
}

bool KeepsPictureForReduction(size_t keptBytes, size_t pictureBytes, size_t budget)
{
    return pictureBytes <= budget && keptBytes <= budget - pictureBytes;
}

// Two passes over the inputs: the first counts every picture into the histogram, the
// second reduces each to the palette, encodes it and writes it beside its target, in the
// order given (the palette's nearest-entry cache fills in that order). A picture is kept
// from the first pass to the second while the kept ones fit in the budget; the others are
// read again, so memory does not grow with the number of large inputs.
std::vector<std::string> RunQuantize(const QuantizeOptions& options)
{
    const std::vector<fs::path> outputs = OutputNames(options);
    const fs::path paletteFile = options.outputFolder / "palette.txt";
    std::vector<fs::path> paletteFiles;
    for (const PaletteFormat format : options.paletteFormats)
        paletteFiles.push_back(options.outputFolder / ("palette." + std::string(PaletteFileEnding(format))));
    std::vector<fs::path> written = outputs;
    written.push_back(paletteFile);
    written.insert(written.end(), paletteFiles.begin(), paletteFiles.end());
    RefuseOverwritingInputs(options.inputs, written);
    if (options.method == QuantizeMethod::Accurate)
        return RunAccurateQuantize(options, outputs, paletteFile, paletteFiles);

    // --method program from here on: the program's pipeline, as it always was.
    // Everything is read before anything is written.
    CQuantizer quantizer(options.colours);
    std::vector<std::unique_ptr<CBitmap24>> kept(options.inputs.size());
    size_t keptBytes = 0;
    for (size_t i = 0; i < options.inputs.size(); ++i) {
        std::unique_ptr<CBitmap24> picture = ReadPicture(options.inputs[i], PictureFormats::PngOrBmp, options.alphaKey);
        quantizer.CountBitmap(*picture, 1);
        if (KeepsPictureForReduction(keptBytes, picture->ByteCount(), options.keptPictureBytes)) {
            keptBytes += picture->ByteCount();
            kept[i] = std::move(picture);
        }
    }
    // The program always has a key: each picture's first pixel unless one is named.
    const ColourRef key = options.alphaKey.value_or(options.key.value_or(KEY_FROM_FIRST_PIXEL));
    if (options.reserved)
        quantizer.ReserveColour(*options.reserved);
    quantizer.Compute();

    CMadeFolders folders(options.outputFolder);
    // All outputs appear together or none does.
    CFileBatch batch;
    const std::span<const PaletteEntry> palette(quantizer.Entries().data(), static_cast<size_t>(quantizer.ColourCount()));
    std::vector<std::string> notes;
    for (size_t i = 0; i < options.inputs.size(); ++i) {
        const std::unique_ptr<CBitmap24> picture =
            kept[i] ? std::move(kept[i]) : ReadPicture(options.inputs[i], PictureFormats::PngOrBmp, options.alphaKey);
        Reduce(*picture, quantizer, key, options.dither);
        std::optional<std::string> note;
        batch.Add(outputs[i], EncodeReduced(outputs[i], *picture, palette, key, options, note));
        if (note)
            notes.push_back(*note);
    }
    AddPaletteFiles(batch, palette, options, paletteFile, paletteFiles);
    batch.Commit();
    folders.Keep();
    return notes;
}
