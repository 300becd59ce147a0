// ImageToolTest.cpp — tolmix-image from the outside: results, exit statuses, messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "imaging/BitmapRescaler.h"
#include "imaging/Ditherer.h"
#include "imaging/GamePalette.h"
#include "imaging/KernelFilters.h"
#include "imaging/Quantizer.h"
#include "picturefiles/PictureFile.h"
#include "tests/support/BmpBytes.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/ProgramRun.h"

namespace fs = std::filesystem;

namespace {

class ImageToolTest : public CScratchFolderTest {
protected:
    ProgramResult Run(const std::vector<std::string>& arguments) const
    {
        return RunProgram(TOLMIX_IMAGE_TOOL, arguments, m_folder);
    }

    // Files in the test folder other than the captured output.
    std::vector<std::string> FilesLeft() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::recursive_directory_iterator(m_folder)) {
            const std::string name = entry.path().filename().string();
            if (name != "stdout.txt" && name != "stderr.txt" && name != "in.png")
                names.push_back(name);
        }
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
        ColourRef key;
    };
    const std::vector<Case> cases = {
        {{}, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL},
        {{"--filter", "lanczos3"}, 5, KEY_FROM_FIRST_PIXEL},
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

    // Within the side limits, but 3 GiB of pixels: refused, not crashed.
    WritePicture(Path("in.png"), SamplePicture(8, 8, 3));
    ExpectError(Run({"resize", Path("in.png").string(), out, "32768", "32768"}), 1, "too large");

    ExpectError(Run({"resize", Path("in.png").string(), Path("nowhere/out.png").string(), "10", "10"}), 1, "nowhere");
    EXPECT_EQ(FilesLeft(), std::vector<std::string>{"broken.png"});
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
    const ProgramResult result = Run({"quantize", "--colours", "64", "--reserve", "0000FF", Path("out").string(),
                                   Path("first.png").string(), Path("second.bmp").string()});
    ASSERT_EQ(result.status, 0) << result.errors;

    // The same steps through the library: one quantizer, one palette object, in order.
    CBitmap24 a = first, b = second;
    CQuantizer quantizer(64);
    quantizer.AddBitmap(&a, 1);
    quantizer.AddBitmap(&b, 1);
    quantizer.ReserveColour(0x00FF0000);
    quantizer.Compute();
    for (CBitmap24* picture : {&a, &b}) {
        CDitherer ditherer;
        ditherer.SetQuantizer(&quantizer);
        ditherer.SetKeyColour(KEY_FROM_FIRST_PIXEL);
        ditherer.Dither(picture);
    }
    EXPECT_EQ(BitsOf(*ReadPicture(Path("out/first.png"))), BitsOf(a));
    EXPECT_EQ(BitsOf(*ReadPicture(Path("out/second.png"))), BitsOf(b));

    // palette.txt: 64 lines "i R G B FLAGS"; entry 1 the reserved blue.
    ASSERT_EQ(quantizer.Entries()[1], (PaletteEntry{0, 0, 255, 0}));
    std::string palette;
    for (int32_t i = 0; i < 64; ++i) {
        const PaletteEntry& e = quantizer.Entries()[i];
        palette += std::to_string(i) + " " + std::to_string(e.red) + " " + std::to_string(e.green) + " " +
                   std::to_string(e.blue) + " " + std::to_string(e.flags) + "\n";
    }
    EXPECT_EQ(ReadFile(Path("out/palette.txt")), palette);
}

TEST_F(ImageToolTest, QuantizeWithoutDitherMapsEachPixelToItsNearestEntry)
{
    const CBitmap24 source = SamplePicture(30, 30, 6);
    WritePicture(Path("pic.png"), source);
    ASSERT_EQ(Run({"quantize", "--no-dither", "--colours", "16", Path("out").string(), Path("pic.png").string()}).status, 0);

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

} // namespace
