// ImageToolTest.cpp — tolmix-image from the outside: results, exit statuses, messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "imaging/AccurateQuantizer.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/Ditherer.h"
#include "imaging/GamePalette.h"
#include "imaging/KernelFilters.h"
#include "imaging/Quantizer.h"
#include "picturefiles/PictureFile.h"
#include "tests/support/BmpBytes.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/PngChunks.h"
#include "tests/support/ProgramRun.h"
#include "tools/image/PaletteFiles.h"

namespace fs = std::filesystem;

namespace {

class ImageToolTest : public CScratchFolderTest {
protected:
    ProgramResult Run(const std::vector<std::string>& arguments) const
    {
        return RunProgram(TOLMIX_IMAGE_TOOL, arguments, m_folder);
    }

    // Files in the test folder other than the captured output and in.png, sorted.
    std::vector<std::string> FilesLeft() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder)) {
            const std::string name = entry.path().filename().string();
            if (name != "stdout.txt" && name != "stderr.txt" && name != "in.png")
                names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

// A picture with a magenta surround and colourful content.
CBitmap24 SamplePicture(int32_t width, int32_t height, uint32_t seed)
{
    std::mt19937 random(seed);
    return PictureOf(width, height, [&](int32_t x, int32_t y) {
        const uint8_t noise = static_cast<uint8_t>(random() % 24);
        return x < 2 || y < 2 || x >= width - 2 || y >= height - 2
                   ? Pixel24{255, 0, 255}
                   : Pixel24{uint8_t(x * 5 + noise), uint8_t(y * 7 + noise), uint8_t(128 + noise)};
    });
}

// A sprite: colourful content with a few pixels of the magenta key (the first among them),
// few enough that no palette entry comes out magenta.
CBitmap24 SpritePicture(int32_t width, int32_t height, uint32_t seed)
{
    std::mt19937 random(seed);
    return PictureOf(width, height, [&](int32_t x, int32_t y) {
        const uint8_t noise = static_cast<uint8_t>(random() % 40);
        return x % 9 == 0 && y % 5 == 0 ? Rgb(255, 0, 255)
                                        : Rgb(uint8_t(x * 7 + noise), uint8_t(y * 9 + noise), uint8_t(90 + noise));
    });
}

// What quantize makes of the pictures, done through the library: one quantizer and one
// palette object for all of them, in order.
struct Reduction {
    std::vector<CBitmap24> pictures;
    std::vector<PaletteEntry> entries;   // the palette's N entries
};
Reduction ReduceAsTheToolDoes(std::vector<CBitmap24> pictures, int32_t colours, ColourRef key,
                              std::optional<ColourRef> reserved = std::nullopt)
{
    CQuantizer quantizer(colours);
    for (CBitmap24& picture : pictures)
        quantizer.AddBitmap(&picture, 1);
    if (reserved)
        quantizer.ReserveColour(*reserved);
    quantizer.Compute();
    for (CBitmap24& picture : pictures) {
        CDitherer ditherer;
        ditherer.SetQuantizer(&quantizer);
        ditherer.SetKeyColour(key);
        ditherer.Dither(&picture);
    }
    return {std::move(pictures), {quantizer.Entries().begin(), quantizer.Entries().begin() + colours}};
}

std::vector<PaletteEntry> PaletteOf(const PngContents& png)
{
    std::vector<PaletteEntry> entries;
    for (uint32_t i = 0; png.palette && i < png.palette->n_entries; ++i)
        entries.push_back({png.palette->entries[i].red, png.palette->entries[i].green, png.palette->entries[i].blue, 0});
    return entries;
}

// Entries compared by colour alone.
std::vector<ColourRef> ColoursOf(const std::vector<PaletteEntry>& entries)
{
    std::vector<ColourRef> colours;
    for (const PaletteEntry& e : entries)
        colours.push_back(MakeColour(e.red, e.green, e.blue));
    return colours;
}

constexpr ColourRef MAGENTA = MakeColour(255, 0, 255);

// Expects a usage or I/O error of one line starting "tolmix-image: " (ProgramRun.h).
void ExpectError(const ProgramResult& result, int status, const std::string& mentions)
{
    ExpectOneLineError(result, "tolmix-image: ", status, mentions);
}

// --- resize ------------------------------------------------------------------------------

TEST_F(ImageToolTest, ResizeWritesExactlyWhatTheRescalerMakes)
{
    const CBitmap24 source = SamplePicture(41, 30, 1);
    WritePicture(Path("in.png"), source);
    struct Case {
        std::vector<std::string> options;
        int32_t filter;
        std::optional<ColourRef> key;
    };
    const std::vector<Case> cases = {
        {{}, MITCHELL_FILTER, std::nullopt},   // no key unless asked: every pixel blended
        {{"--filter", "lanczos3", "--key", "none"}, 5, std::nullopt},
        {{"--filter", "lanczos3", "--key", "AUTO"}, 5, KEY_FROM_FIRST_PIXEL},
        {{"--filter", "1", "--key", "#FF00ff"}, 1, 0x00FF00FF},
        {{"--filter", "Bell", "--key", "0000ff"}, 3, 0x00FF0000},
    };
    for (const Case& c : cases) {
        for (const char* name : {"out.png", "out.bmp"}) {
            std::vector<std::string> arguments = {"resize"};
            arguments.insert(arguments.end(), c.options.begin(), c.options.end());
            arguments.insert(arguments.end(), {Path("in.png").string(), Path(name).string(), "97", "23"});
            const ProgramResult result = Run(arguments);
            ASSERT_EQ(result.status, 0) << result.errors;

            CBitmapRescaler rescaler(&source);
            rescaler.Rescale({97, 23}, c.filter, c.key);
            EXPECT_EQ(BitsOf(*ReadPicture(Path(name))), BitsOf(*rescaler.GetBitmap())) << name;
        }
    }
    // The magenta surround is blended into its neighbours without a key, kept exact with one.
    ASSERT_EQ(Run({"resize", "--key", "auto", Path("in.png").string(), Path("keyed.png").string(), "97", "23"}).status, 0);
    ASSERT_EQ(Run({"resize", Path("in.png").string(), Path("plain.png").string(), "97", "23"}).status, 0);
    EXPECT_GT(ComparePictures(*ReadPicture(Path("keyed.png")), *ReadPicture(Path("plain.png"))).pixels, 0);
}

TEST_F(ImageToolTest, ResizeRefusesBadArgumentsAsUsageErrors)
{
    WritePicture(Path("in.png"), SamplePicture(8, 8, 2));
    const std::string in = Path("in.png").string(), out = Path("out.png").string();
    ExpectError(Run({"resize", in, out, "0", "10"}), 2, "WIDTH");
    ExpectError(Run({"resize", in, out, "10", "32769"}), 2, "HEIGHT");
    ExpectError(Run({"resize", in, out, "ten", "10"}), 2, "WIDTH");
    ExpectError(Run({"resize", "--filter", "gaussian", in, out, "10", "10"}), 2, "gaussian");
    ExpectError(Run({"resize", "--filter", "7", in, out, "10", "10"}), 2, "filter");
    ExpectError(Run({"resize", "--key", "12345", in, out, "10", "10"}), 2, "RRGGBB");
    ExpectError(Run({"resize", in, Path("out.jpg").string(), "10", "10"}), 2, ".png or .bmp");
    ExpectError(Run({"resize", in, out}), 2, "required");
    ExpectError(Run({"shrink"}), 2, "subcommand");
    EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(ImageToolTest, ResizeReportsUnreadableInputsAndLeavesNoOutput)
{
    const std::string out = Path("out.png").string();
    ExpectError(Run({"resize", Path("missing.png").string(), out, "10", "10"}), 1, "missing.png");

    std::ofstream(Path("broken.png"), std::ios::binary) << "\x89PNG\r\n\x1a\n garbage";
    ExpectError(Run({"resize", Path("broken.png").string(), out, "10", "10"}), 1, "broken.png");

    // A PNG cut inside its last checksum: one line naming the fault.
    WritePicture(Path("cut.png"), SamplePicture(8, 8, 3));
    const std::string whole = ReadFile(Path("cut.png"));
    std::ofstream(Path("cut.png"), std::ios::binary | std::ios::trunc) << whole.substr(0, whole.size() - 2);
    ExpectError(Run({"resize", Path("cut.png").string(), out, "10", "10"}), 1,
                "cut.png': damaged PNG file: it ends inside its IEND chunk");

    // Within the side limits, but 3 GiB of pixels: refused, not crashed.
    WritePicture(Path("in.png"), SamplePicture(8, 8, 3));
    ExpectError(Run({"resize", Path("in.png").string(), out, "32768", "32768"}), 1, "too large");

    ExpectError(Run({"resize", Path("in.png").string(), Path("nowhere/out.png").string(), "10", "10"}), 1, "nowhere");
    EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"broken.png", "cut.png"}));
}

// Runs tolmix-image under an address-space limit (ulimit -v, in KiB). AddressSanitizer
// builds reserve more address space than any such limit allows, so the tests that use it
// skip there.
ProgramResult RunWithin(int32_t kibibytes, const std::vector<std::string>& arguments, const fs::path& folder)
{
    std::vector<std::string> words = {"-c", "ulimit -v \"$1\" && shift && exec \"$@\"", "sh",
                                      std::to_string(kibibytes), TOLMIX_IMAGE_TOOL};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return RunProgram("/bin/sh", words, folder);
}

TEST_F(ImageToolTest, UnderAMemoryLimitAFailedAllocationIsOneLineAndATallResizeFitsInStrips)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limits allow";
#endif
    WritePicture(Path("in.png"), SamplePicture(40, 30, 4));
    const std::string in = Path("in.png").string();
    ExpectError(RunWithin(100000, {"resize", in, Path("out.png").string(), "8000", "8000"}, m_folder), 1,
                "out of memory: cannot allocate 192937984 bytes (184.0 MiB) for the rescale destination");
    // A picture that fits on disk but not in memory: the read says which file, what and how much.
    WritePicture(Path("big.bmp"), UniformPicture(3000, 3000, Rgb(1, 2, 3)));
    ExpectError(RunWithin(30000, {"resize", Path("big.bmp").string(), Path("out.png").string(), "10", "10"}, m_folder),
                1, "cannot read '" + Path("big.bmp").string() + "': out of memory: cannot allocate ");
    EXPECT_EQ(FilesLeft(), std::vector<std::string>{"big.bmp"});
    ExpectError(RunWithin(30000, {"quantize", Path("q").string(), Path("big.bmp").string()}, m_folder), 1,
                "cannot read '" + Path("big.bmp").string() + "': out of memory: cannot allocate ");

    // A tall picture made one row: the whole intermediate would take 288 MB; made in strips
    // it fits far under the limit (and before strips the run failed).
    const CBitmap24 column = SamplePicture(1, 6000, 5);
    WritePicture(Path("in.bmp"), column);
    const ProgramResult result =
        RunWithin(150000, {"resize", Path("in.bmp").string(), Path("out.bmp").string(), "12000", "1"}, m_folder);
    ASSERT_EQ(result.status, 0) << result.errors;
    const auto row = ReadPicture(Path("out.bmp"));
    EXPECT_EQ(row->Width(), 12000);
    EXPECT_EQ(row->Height(), 1);
}

// A name with a newline and a terminal escape in it is named on one line, escaped; the
// backslash of a name is doubled so that it is not read as an escape.
TEST_F(ImageToolTest, ControlCharactersInNamesAndValuesAreEscapedOnOneLine)
{
    const std::string out = Path("out.png").string();
    ExpectError(Run({"resize", Path("two\nlines\x1b[2J.png").string(), out, "10", "10"}), 1, "two\\nlines\\x1B[2J.png");
    ExpectError(Run({"resize", Path("back\\n.png").string(), out, "10", "10"}), 1, "back\\\\n.png");
    ExpectError(Run({"resize", "--filter", "mit\nchell", out, out, "10", "10"}), 2, "'mit\\nchell'");
    ExpectError(Run({"resize", "a.png", out, "1\t0", "10"}), 2, "1\\t0");   // CLI11's own message
    EXPECT_TRUE(FilesLeft().empty());
}

TEST_F(ImageToolTest, HelpPrintsTheUsage)
{
    const ProgramResult top = Run({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.output.find("quantize"), std::string::npos);
    const ProgramResult resize = Run({"resize", "--help"});
    EXPECT_EQ(resize.status, 0);
    EXPECT_NE(resize.output.find("--filter"), std::string::npos);
    ExpectError(Run({}), 2, "subcommand");
}

// --- quantize ----------------------------------------------------------------------------

TEST_F(ImageToolTest, QuantizeDithersEveryPictureWithOnePalette)
{
    const CBitmap24 first = SamplePicture(33, 20, 4), second = SamplePicture(12, 40, 5);
    WritePicture(Path("first.png"), first);
    WritePicture(Path("second.bmp"), second);
    // Each --palette-format takes one word, so OUTDIR may follow it directly.
    const ProgramResult result = Run({"quantize", "--method", "program", "--colours", "64", "--reserve", "0000FF",
                                      "--palette-format", "gpl,PAL", "--palette-format", "act", "--palette-format", "hex",
                                      Path("out").string(), Path("first.png").string(), Path("second.bmp").string()});
    ASSERT_EQ(result.status, 0) << result.errors;

    const Reduction expected = ReduceAsTheToolDoes({first, second}, 64, KEY_FROM_FIRST_PIXEL, 0x00FF0000);
    EXPECT_EQ(BitsOf(*ReadPicture(Path("out/first.png"))), BitsOf(expected.pictures[0]));
    EXPECT_EQ(BitsOf(*ReadPicture(Path("out/second.png"))), BitsOf(expected.pictures[1]));

    // palette.txt: 64 lines "i R G B FLAGS"; entry 1 the reserved blue.
    ASSERT_EQ(expected.entries[1], (PaletteEntry{0, 0, 255, 0}));
    std::string palette;
    for (int32_t i = 0; i < 64; ++i) {
        const PaletteEntry& e = expected.entries[i];
        palette += std::to_string(i) + " " + std::to_string(e.red) + " " + std::to_string(e.green) + " " +
                   std::to_string(e.blue) + " " + std::to_string(e.flags) + "\n";
    }
    EXPECT_EQ(ReadFile(Path("out/palette.txt")), palette);
    for (const PaletteFormat format : {PaletteFormat::Gpl, PaletteFormat::Pal, PaletteFormat::Act, PaletteFormat::Hex}) {
        const std::string ending(PaletteFileEnding(format));
        EXPECT_EQ(ReadFile(Path("out/palette." + ending)), PaletteFileBytes(format, expected.entries, "out")) << ending;
    }
}

TEST_F(ImageToolTest, QuantizeWithoutDitherMapsEachPixelToItsNearestEntry)
{
    const CBitmap24 source = SamplePicture(30, 30, 6);
    WritePicture(Path("pic.png"), source);
    ASSERT_EQ(Run({"quantize", "--method", "program", "--no-dither", "--colours", "16", Path("out").string(),
                   Path("pic.png").string()}).status, 0);

    CBitmap24 copy = source;
    CQuantizer quantizer(16);
    quantizer.AddBitmap(&copy, 1);
    quantizer.Compute();
    const CLogicalPalette& palette = quantizer.GamePalette()->LogicalPalette();
    const CBitmap24 expected = PictureOf(30, 30, [&](int32_t x, int32_t y) {
        const Pixel24 in = PixelAt(source, x, y);
        if (in == PixelAt(source, 0, 0))
            return in;   // the key (first pixel) stays
        const PaletteEntry& e = quantizer.Entries()[palette.NearestIndex(ColourOf(in))];
        return Pixel24{e.blue, e.green, e.red};
    });
    EXPECT_EQ(BitsOf(*ReadPicture(Path("out/pic.png"))), BitsOf(expected));
}

TEST_F(ImageToolTest, QuantizeRefusesBadArguments)
{
    WritePicture(Path("in.png"), SamplePicture(8, 8, 7));
    const std::string in = Path("in.png").string(), out = Path("out").string();
    ExpectError(Run({"quantize", "--colours", "3", out, in}), 2, "colours");
    ExpectError(Run({"quantize", "--colours", "257", out, in}), 2, "colours");
    ExpectError(Run({"quantize", "--reserve", "blue", out, in}), 2, "blue");
    ExpectError(Run({"quantize", "--method", "program", "--key", "none", out, in}), 2, "always has a key");
    ExpectError(Run({"quantize", out}), 2, "IN");
    ExpectError(Run({"quantize", out, in, Path("other/in.png").string()}), 2, "in.png");

    std::vector<std::string> many = {"quantize", out};
    for (int32_t i = 0; i < 51; ++i)
        many.push_back(in);
    ExpectError(Run(many), 2, "50");
    ExpectError(Run({"quantize", out, in, Path("missing.png").string()}), 1, "missing.png");
    EXPECT_FALSE(fs::exists(Path("out")));   // nothing written when an input fails
}

// An input is never overwritten, and the outputs of one run appear all together or not at
// all: refused before any work when an output is an input; when the second picture cannot
// be put in place, the first and palette.txt stay as the run before left them.
TEST_F(ImageToolTest, QuantizeNeverOverwritesAnInputAndWritesAllOutputsOrNone)
{
    WritePicture(Path("a.png"), SamplePicture(9, 9, 8));
    WritePicture(Path("b.png"), SamplePicture(9, 9, 9));
    const std::string a = Path("a.png").string(), b = Path("b.png").string(), out = Path("out").string();
    const std::string original = ReadFile(a);
    ExpectError(Run({"quantize", m_folder.string(), a}), 2, "a.png");   // quantize . *.png
    EXPECT_EQ(ReadFile(a), original);
    EXPECT_FALSE(fs::exists(Path("palette.txt")));

    ASSERT_EQ(Run({"quantize", "--colours", "16", out, a, b}).status, 0);
    const std::string firstA = ReadFile(Path("out/a.png")), firstPalette = ReadFile(Path("out/palette.txt"));
    fs::remove(Path("out/b.png"));
    fs::create_directory(Path("out/b.png"));   // a folder in the way of the second output
    ExpectError(Run({"quantize", "--colours", "8", out, a, b}), 1, "b.png");
    EXPECT_EQ(ReadFile(Path("out/a.png")), firstA);
    EXPECT_EQ(ReadFile(Path("out/palette.txt")), firstPalette);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(Path("out")))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"a.png", "b.png", "palette.txt"}));   // no temporary files
}

// A BMP of no columns or no rows is refused by both commands, not crashed on.
TEST_F(ImageToolTest, PicturesWithoutPixelsAreRefused)
{
    for (const auto& [width, height] : {std::pair{0, 4}, std::pair{4, 0}}) {
        WriteFile("empty.bmp", BmpBytes({.width = width, .height = height}));
        const std::string in = Path("empty.bmp").string();
        ExpectError(Run({"quantize", "--no-dither", Path("out").string(), in}), 1, "has none");
        ExpectError(Run({"quantize", Path("out").string(), in}), 1, "has none");
        ExpectError(Run({"resize", in, Path("out.png").string(), "4", "4"}), 1, "has none");
    }
    EXPECT_FALSE(fs::exists(Path("out")));
}

// --- indexed output, transparency and palette files -------------------------------------

TEST_F(ImageToolTest, QuantizeWritesIndexedPngsWhoseKeyEntryIsTransparent)
{
    const CBitmap24 source = SpritePicture(37, 23, 8);
    WritePicture(Path("sprite.bmp"), source);
    struct Case {
        int32_t colours;
        std::vector<std::string> options;
        int32_t depth;          // 0: written as 8-bit RGB; indexed, the key is one more entry after the N
        bool transparent;       // a tRNS chunk
        bool note;              // a line on stderr
    };
    const std::vector<Case> cases = {
        {4, {}, 4, true, false},   // 5 entries
        {15, {}, 4, true, false},  // 16
        {16, {}, 8, true, false},  // 17
        {64, {"--key", "ff00ff"}, 8, true, false},
        {64, {"--no-transparency"}, 8, false, false},
        {32, {"--reserve", "FF00FF"}, 8, true, false},    // entry 1 is magenta too, and stays opaque
        {256, {}, 0, true, true},                         // no room: RGB naming the key
        {256, {"--no-transparency"}, 0, false, true},
        {64, {"--rgb"}, 0, false, false},                 // today's 24-bit pictures
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"quantize", "--method", "program", "--colours", std::to_string(c.colours)};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {Path("out").string(), Path("sprite.bmp").string()});
        const ProgramResult result = Run(arguments);
        const std::string name = std::to_string(c.colours) + " colours " + ::testing::PrintToString(c.options);
        ASSERT_EQ(result.status, 0) << name << ": " << result.errors;
        EXPECT_EQ(!result.errors.empty(), c.note) << name << ": " << result.errors;

        const bool reserved = c.options.size() == 2 && c.options[0] == "--reserve";
        const Reduction expected = ReduceAsTheToolDoes({source}, c.colours, KEY_FROM_FIRST_PIXEL,
                                                       reserved ? std::optional<ColourRef>(MAGENTA) : std::nullopt);
        const std::string file = ReadFile(Path("out/sprite.png"));
        const PngContents png = ReadPngContents(file);
        EXPECT_EQ(png.rgb, PackedRgbOf(expected.pictures[0])) << name << ", libspng";
        EXPECT_EQ(ComparePictures(*ReadPicture(Path("out/sprite.png")), expected.pictures[0]).pixels, 0) << name << ", ours";

        if (c.depth == 0) {
            EXPECT_EQ(png.header.color_type, SPNG_COLOR_TYPE_TRUECOLOR) << name;
            EXPECT_FALSE(png.palette.has_value()) << name;
            ASSERT_EQ(png.transparency.has_value(), c.transparent) << name;
            if (c.transparent) {
                EXPECT_EQ(MakeColour(png.transparency->red, png.transparency->green, png.transparency->blue), MAGENTA);
            }
            continue;
        }
        EXPECT_EQ(png.header.color_type, SPNG_COLOR_TYPE_INDEXED) << name;
        EXPECT_EQ(png.header.bit_depth, c.depth) << name;
        std::vector<ColourRef> palette = ColoursOf(expected.entries);
        ASSERT_EQ(std::count(palette.begin(), palette.end(), MAGENTA), reserved ? 1 : 0) << name;
        palette.push_back(MAGENTA);
        EXPECT_EQ(ColoursOf(PaletteOf(png)), palette) << name;
        ASSERT_EQ(png.transparency.has_value(), c.transparent) << name;
        if (c.transparent) {
            const auto keyIndex = static_cast<uint32_t>(c.colours);
            ASSERT_EQ(png.transparency->n_type3_entries, keyIndex + 1) << name;
            EXPECT_EQ(png.transparency->type3_alpha[keyIndex], 0) << name;
            EXPECT_EQ(std::count(png.transparency->type3_alpha, png.transparency->type3_alpha + keyIndex, 255),
                      keyIndex) << name;
        }
    }
}

// The alpha of every pixel of a PNG file, as stb_image decodes it.
std::vector<uint8_t> AlphaOf(const std::string& file)
{
    int width = 0, height = 0, channels = 0;
    unsigned char* decoded = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(file.data()),
                                                   static_cast<int>(file.size()), &width, &height, &channels, 4);
    EXPECT_NE(decoded, nullptr);
    std::vector<uint8_t> alpha;
    for (int i = 0; decoded && i < width * height; ++i)
        alpha.push_back(decoded[4 * i + 3]);
    stbi_image_free(decoded);
    return alpha;
}

// A sprite whose transparent border holds several colours, as paint programs leave them.
std::string TransparentBorderSprite(int32_t width, int32_t height, std::vector<uint8_t>& rgba)
{
    std::mt19937 random(10);
    rgba.clear();
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const bool border = x < 3 || y < 3 || x >= width - 3 || y >= height - 3;
            const uint8_t noise = static_cast<uint8_t>(random() % 30);
            if (border)
                rgba.insert(rgba.end(), {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0});
            else
                rgba.insert(rgba.end(), {uint8_t(200 + noise), uint8_t(x * 9), uint8_t(y * 11), 255});
        }
    std::string png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<const char*>(data), size); },
        &png, width, height, 4, rgba.data(), width * 4);
    return png;
}

// The RGBA sprite as the tool sees it: with an alpha key, transparent pixels in its colour.
CBitmap24 SpriteAsRead(const std::vector<uint8_t>& rgba, int32_t width, int32_t height, std::optional<ColourRef> alphaKey)
{
    return PictureOf(width, height, [&](int32_t x, int32_t y) {
        const uint8_t* p = &rgba[4 * (static_cast<size_t>(y) * width + x)];
        return alphaKey && p[3] == 0 ? PixelOf(*alphaKey) : Rgb(p[0], p[1], p[2]);
    });
}

TEST_F(ImageToolTest, AlphaKeyGivesTransparentPixelsOneColourAndKeepsThemTransparent)
{
    std::vector<uint8_t> rgba;
    const std::string sprite = TransparentBorderSprite(24, 18, rgba);
    WriteFile("sprite.png", std::vector<uint8_t>(sprite.begin(), sprite.end()));
    const std::string in = Path("sprite.png").string();

    // resize: the key's colour in the border keeps the edge clean, and the file marks it;
    // without the option nothing changes: the border's stored colours, no key.
    for (const std::optional<ColourRef> key : {std::optional<ColourRef>(MAGENTA), std::optional<ColourRef>()}) {
        std::vector<std::string> arguments = {"resize", in, Path("out.png").string(), "61", "45"};
        if (key)
            arguments.insert(arguments.begin() + 1, {"--alpha-key", "ff00ff"});
        ASSERT_EQ(Run(arguments).status, 0);
        const CBitmap24 read = SpriteAsRead(rgba, 24, 18, key);
        CBitmapRescaler rescaler(&read);
        rescaler.Rescale({61, 45}, MITCHELL_FILTER, key);
        const PngContents png = ReadPngContents(ReadFile(Path("out.png")));
        EXPECT_EQ(png.rgb, PackedRgbOf(*rescaler.GetBitmap())) << key.has_value();
        ASSERT_EQ(png.transparency.has_value(), key.has_value());
        if (key) {
            EXPECT_EQ(MakeColour(png.transparency->red, png.transparency->green, png.transparency->blue), MAGENTA);
        }
    }

    // quantize: the key is one more entry, transparent, and every border pixel takes it.
    ASSERT_EQ(Run({"quantize", "--method", "program", "--colours", "16", "--alpha-key", "FF00FF", Path("out").string(), in}).status, 0);
    const Reduction expected = ReduceAsTheToolDoes({SpriteAsRead(rgba, 24, 18, MAGENTA)}, 16, MAGENTA);
    const std::string file = ReadFile(Path("out/sprite.png"));
    EXPECT_EQ(ReadPngContents(file).rgb, PackedRgbOf(expected.pictures[0]));
    const std::vector<uint8_t> alpha = AlphaOf(file);
    ASSERT_EQ(alpha.size() * 4, rgba.size());
    for (size_t i = 0; i < alpha.size(); ++i)
        EXPECT_EQ(alpha[i], rgba[4 * i + 3]) << "pixel " << i;   // transparent exactly where it was

    ExpectError(Run({"resize", "--alpha-key", "ff00ff", "--key", "00ff00", in, Path("x.png").string(), "5", "5"}), 2,
                "excludes");
    ExpectError(Run({"quantize", "--alpha-key", "pink", Path("out").string(), in}), 2, "pink");
}

// The hidden option the build writes the manual page with: asked for alone, without a
// command, it writes both commands' options; --help does not show it.
TEST_F(ImageToolTest, TheHiddenManualPageOptionWritesBothCommandsOptions)
{
    const ProgramResult page = Run({"--manual-page"});
    EXPECT_EQ(page.status, 0) << page.errors;
    EXPECT_EQ(page.errors, "");
    for (const char* part : {".SS \"tolmix\\-image resize\"\n", ".SS \"tolmix\\-image quantize\"\n",
                             "\\fB\\-\\-filter\\fR", "Default:\nmitchell.", "\\fB\\-\\-palette\\-format\\fR \\fITEXT\\fR ...",
                             "\\fIOUTDIR\\fR"})
        EXPECT_NE(page.output.find(part), std::string::npos) << part << "\n" << page.output;
    EXPECT_EQ(Run({"--help"}).output.find("manual"), std::string::npos) << "the option is hidden";
}

// --- the accurate method, the default ------------------------------------------------------

// What the default method makes of the pictures, through the library: each picture as the
// RGB its indices stand for, and the palette.
struct AccurateReduction {
    std::vector<CBitmap24> pictures;
    std::vector<ColourRef> colours;
};
AccurateReduction ReduceAccurately(const std::vector<CBitmap24>& pictures, int32_t colours, bool autoKey,
                                   std::optional<ColourRef> reserved = std::nullopt, bool diffuse = true)
{
    const auto keyOf = [autoKey](const CBitmap24& picture) {
        return autoKey ? std::optional<ColourRef>(ColourOf(PixelAt(picture, 0, 0))) : std::nullopt;
    };
    CAccurateQuantizer quantizer(colours);
    if (reserved)
        quantizer.Reserve(*reserved);
    for (const CBitmap24& picture : pictures)
        quantizer.AddPicture(picture, keyOf(picture));
    quantizer.Compute();
    AccurateReduction reduction{{}, quantizer.Colours()};
    for (const CBitmap24& picture : pictures) {
        const std::vector<uint8_t> indices = quantizer.Reduce(picture, keyOf(picture), diffuse);
        reduction.pictures.push_back(PictureOf(picture.Width(), picture.Height(), [&](int32_t x, int32_t y) {
            return PixelOf(reduction.colours[indices[static_cast<size_t>(y) * picture.Width() + x]]);
        }));
    }
    return reduction;
}

TEST_F(ImageToolTest, DefaultQuantizeWritesIndexedPngsOfTheAccurateMethod)
{
    const CBitmap24 first = SamplePicture(33, 20, 4), second = SpritePicture(12, 40, 5);
    WritePicture(Path("first.png"), first);
    WritePicture(Path("second.bmp"), second);
    struct Case {
        std::vector<std::string> options;
        int32_t colours;
        bool autoKey;
        std::optional<ColourRef> reserved;
        bool diffuse;
    };
    const std::vector<Case> cases = {
        {{}, 256, false, std::nullopt, true},   // no key, 256 entries: still indexed
        {{"--key", "auto"}, 256, true, std::nullopt, true},
        {{"--key", "auto", "--colours", "16", "--no-dither"}, 16, true, std::nullopt, false},
        {{"--colours", "8", "--reserve", "00FF00"}, 8, false, MakeColour(0, 255, 0), true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"quantize"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.insert(arguments.end(), {Path("out").string(), Path("first.png").string(), Path("second.bmp").string()});
        const ProgramResult result = Run(arguments);
        const std::string name = ::testing::PrintToString(c.options);
        ASSERT_EQ(result.status, 0) << name << ": " << result.errors;
        EXPECT_TRUE(result.errors.empty()) << name;
        const AccurateReduction expected = ReduceAccurately({first, second}, c.colours, c.autoKey, c.reserved, c.diffuse);
        ASSERT_LE(expected.colours.size(), static_cast<size_t>(c.colours));
        if (c.reserved) {
            EXPECT_EQ(expected.colours.front(), *c.reserved) << name;
        }

        // Built by appending: GCC 12 warns falsely about chains of + on strings.
        std::string palette;
        for (size_t i = 0; i < expected.colours.size(); ++i) {
            const ColourRef e = expected.colours[i];
            for (const uint32_t value : {uint32_t(i), uint32_t(RedOf(e)), uint32_t(GreenOf(e)), uint32_t(BlueOf(e))}) {
                palette += std::to_string(value);
                palette += ' ';
            }
            palette += "0\n";
        }
        EXPECT_EQ(ReadFile(Path("out/palette.txt")), palette) << name;
        for (const auto& [file, source, reduced] : {std::tuple{"out/first.png", &first, &expected.pictures[0]},
                                                    std::tuple{"out/second.png", &second, &expected.pictures[1]}}) {
            const std::string bytes = ReadFile(Path(file));
            const PngContents png = ReadPngContents(bytes);
            EXPECT_EQ(png.header.color_type, SPNG_COLOR_TYPE_INDEXED) << name << " " << file;
            EXPECT_EQ(ColoursOf(PaletteOf(png)), expected.colours) << name << " " << file;
            EXPECT_EQ(png.rgb, PackedRgbOf(*reduced)) << name << " " << file;
            // Transparent exactly where the source had its key colour, with --key auto.
            const std::vector<uint8_t> alpha = AlphaOf(bytes);
            const Pixel24 key = PixelAt(*source, 0, 0);
            for (int32_t y = 0; y < source->Height(); ++y)
                for (int32_t x = 0; x < source->Width(); ++x)
                    ASSERT_EQ(alpha[static_cast<size_t>(y * source->Width() + x)],
                              c.autoKey && PixelAt(*source, x, y) == key ? 0 : 255)
                        << name << " " << file << " " << x << "," << y;
        }
    }
}

// The holes of the program's method: a black or white key on a picture that has neither
// makes no pixel transparent, and a key present keeps exactly its own pixels.
TEST_F(ImageToolTest, AccurateKeysMakeNoHoles)
{
    const CBitmap24 dark = PictureOf(64, 48, [](int32_t x, int32_t y) {
        return Rgb(uint8_t(3 + (x * 7 + y * 3) % 40), uint8_t(5 + (x * y) % 70), uint8_t(2 + (x + 5 * y) % 30));
    });
    CBitmap24 bright = PictureOf(64, 48, [](int32_t x, int32_t y) {
        return Rgb(uint8_t(250 - (x * 7 + y * 3) % 40), uint8_t(252 - (x * y) % 70), uint8_t(251 - (x + 5 * y) % 30));
    });
    WritePicture(Path("dark.png"), dark);
    WritePicture(Path("bright.png"), bright);
    for (const char* key : {"000000", "FFFFFF"})
        for (const char* colours : {"4", "64", "256"}) {
            ASSERT_EQ(Run({"quantize", "--colours", colours, "--key", key, Path("out").string(), Path("dark.png").string(),
                           Path("bright.png").string()}).status, 0);
            for (const char* file : {"out/dark.png", "out/bright.png"}) {
                const std::vector<uint8_t> alpha = AlphaOf(ReadFile(Path(file)));
                EXPECT_EQ(std::count(alpha.begin(), alpha.end(), 0), 0) << key << " " << colours << " " << file;
            }
        }
    // With white pixels present, exactly they are transparent.
    for (int32_t x = 0; x < 64; x += 5)
        SetPixel(bright, x, x % 48, Rgb(255, 255, 255));
    WritePicture(Path("bright.png"), bright);
    ASSERT_EQ(Run({"quantize", "--colours", "16", "--key", "ffffff", Path("out").string(), Path("bright.png").string()}).status, 0);
    const std::vector<uint8_t> alpha = AlphaOf(ReadFile(Path("out/bright.png")));
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(alpha[static_cast<size_t>(y * 64 + x)], PixelAt(bright, x, y) == Rgb(255, 255, 255) ? 0 : 255);
}

TEST_F(ImageToolTest, AccurateOptionsAndRefusals)
{
    const CBitmap24 sprite = SpritePicture(20, 15, 3);
    WritePicture(Path("sprite.png"), sprite);
    const std::string in = Path("sprite.png").string(), out = Path("out").string();
    const AccurateReduction expected = ReduceAccurately({sprite}, 16, true);

    // --no-transparency: the key's entry stays opaque; --rgb: 24-bit pixels of the reduction.
    ASSERT_EQ(Run({"quantize", "--colours", "16", "--key", "auto", "--no-transparency", out, in}).status, 0);
    const PngContents opaque = ReadPngContents(ReadFile(Path("out/sprite.png")));
    EXPECT_FALSE(opaque.transparency.has_value());
    EXPECT_EQ(opaque.rgb, PackedRgbOf(expected.pictures[0]));
    ASSERT_EQ(Run({"quantize", "--colours", "16", "--key", "auto", "--rgb", out, in}).status, 0);
    const PngContents rgb = ReadPngContents(ReadFile(Path("out/sprite.png")));
    EXPECT_EQ(rgb.header.color_type, SPNG_COLOR_TYPE_TRUECOLOR);
    EXPECT_EQ(rgb.rgb, PackedRgbOf(expected.pictures[0]));

    ExpectError(Run({"quantize", "--method", "median", out, in}), 2, "median");
    EXPECT_EQ(Run({"quantize", "--method", "PROGRAM", out, in}).status, 0);
    // Four pictures with four different first pixels leave no entry of four for colours.
    std::vector<std::string> arguments = {"quantize", "--colours", "4", "--key", "auto", out};
    for (int32_t i = 0; i < 4; ++i) {
        CBitmap24 picture = SamplePicture(6, 6, static_cast<uint32_t>(i));
        SetPixel(picture, 0, 0, Rgb(uint8_t(i), 0, 0));
        std::string name = "p";
        name += std::to_string(i);
        name += ".png";
        WritePicture(Path(name), picture);
        arguments.push_back(Path(name).string());
    }
    ExpectError(Run(arguments), 1, "no room");
    arguments.pop_back();
    EXPECT_EQ(Run(arguments).status, 0);   // three keys and one colour entry fit
}

} // namespace
