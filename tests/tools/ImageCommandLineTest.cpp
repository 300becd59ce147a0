// ImageCommandLineTest.cpp — tolmix-image's command line read in-process: every option's
// effect on the options its command runs with, each limit on both sides, and usage errors
// as messages left to main.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/image/ImageCommandLine.h"

namespace {

// Reads the words as the program's command line.
ImageCommandLine Parse(std::vector<std::string> words)
{
    words.insert(words.begin(), "tolmix-image");
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    return ParseImageCommandLine(static_cast<int>(argv.size()), argv.data());
}

// Expects the words to be refused as a usage error whose message mentions `mentions`.
void ExpectUsageError(const std::vector<std::string>& words, const std::string& mentions)
{
    const ImageCommandLine line = Parse(words);
    std::string joined;
    for (const std::string& word : words)
        joined += word + " ";
    EXPECT_FALSE(line.run) << joined;
    EXPECT_EQ(line.exitStatus, 2) << joined;
    EXPECT_NE(line.usageError.find(mentions), std::string::npos) << joined << "→ " << line.usageError;
}

// Expects the words to be read as a command to run.
ImageCommandLine ExpectRun(const std::vector<std::string>& words)
{
    const ImageCommandLine line = Parse(words);
    EXPECT_TRUE(line.run) << line.usageError;
    EXPECT_EQ(line.usageError, "");
    return line;
}

// A list of `count` picture names.
std::vector<std::string> Pictures(size_t count)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < count; ++i)
        names.push_back(std::to_string(i).append(".png"));   // not a '+' chain: GCC 12 warns wrongly
    return names;
}

// --- resize ------------------------------------------------------------------------------

TEST(ImageCommandLine, ResizeTakesItsFilesSizeFilterAndKeys)
{
    const ImageCommandLine plain = ExpectRun({"resize", "in.png", "out.bmp", "320", "200"});
    EXPECT_EQ(plain.command, ImageCommand::Resize);
    EXPECT_EQ(plain.resize.input, "in.png");
    EXPECT_EQ(plain.resize.output, "out.bmp");
    EXPECT_EQ(plain.resize.width, 320);
    EXPECT_EQ(plain.resize.height, 200);
    EXPECT_EQ(plain.resize.filter, 6);   // mitchell
    EXPECT_FALSE(plain.resize.key.has_value()) << "no key unless asked";
    EXPECT_FALSE(plain.resize.alphaKey.has_value());

    const std::pair<std::string, int32_t> filters[] = {{"0", 0}, {"hermite", 0}, {"BOX", 1}, {"lanczos3", 5}, {"6", 6}};
    for (const auto& [text, filter] : filters)
        EXPECT_EQ(ExpectRun({"resize", "--filter", text, "a.png", "b.png", "1", "1"}).resize.filter, filter) << text;
    ExpectUsageError({"resize", "--filter", "7", "a.png", "b.png", "1", "1"}, "unknown filter '7'");

    const ImageCommandLine keyed = ExpectRun({"resize", "--key", "#FF8000", "a.png", "b.png", "1", "1"});
    EXPECT_EQ(keyed.resize.key, MakeColour(255, 128, 0));
    EXPECT_EQ(ExpectRun({"resize", "--key", "AUTO", "a.png", "b.png", "1", "1"}).resize.key, KEY_FROM_FIRST_PIXEL);
    EXPECT_FALSE(ExpectRun({"resize", "--key", "none", "a.png", "b.png", "1", "1"}).resize.key.has_value());
    const ImageCommandLine alpha = ExpectRun({"resize", "--alpha-key", "00ff01", "a.png", "b.png", "1", "1"});
    EXPECT_EQ(alpha.resize.alphaKey, MakeColour(0, 255, 1));
    EXPECT_FALSE(alpha.resize.key.has_value());
    ExpectUsageError({"resize", "--key", "FF80", "a.png", "b.png", "1", "1"}, "not six hex digits");
    ExpectUsageError({"resize", "--key", "FF0000", "--alpha-key", "00FF00", "a.png", "b.png", "1", "1"}, "excludes");
}

// Each side is 1 to 32768: both ends taken, one past either end refused.
TEST(ImageCommandLine, ResizeSidesAreTakenFromOneTo32768)
{
    for (const auto& [width, height] : {std::pair{"1", "32768"}, {"32768", "1"}}) {
        const ImageCommandLine line = ExpectRun({"resize", "a.png", "b.png", width, height});
        EXPECT_EQ(line.resize.width, std::stoi(width));
        EXPECT_EQ(line.resize.height, std::stoi(height));
    }
    for (const auto& [width, height] : {std::pair{"0", "1"}, {"1", "0"}, {"32769", "1"}, {"1", "32769"}})
        ExpectUsageError({"resize", "a.png", "b.png", width, height}, "not in range");
}

// --- quantize ----------------------------------------------------------------------------

TEST(ImageCommandLine, QuantizeTakesEveryOptionIntoItsOptions)
{
    const ImageCommandLine plain = ExpectRun({"quantize", "out", "a.png", "b.bmp"});
    EXPECT_EQ(plain.command, ImageCommand::Quantize);
    const QuantizeOptions& defaults = plain.quantize;
    EXPECT_EQ(defaults.outputFolder, "out");
    EXPECT_EQ(defaults.inputs, (std::vector<std::filesystem::path>{"a.png", "b.bmp"}));
    EXPECT_EQ(defaults.colours, 256);
    EXPECT_FALSE(defaults.reserved.has_value());
    EXPECT_EQ(defaults.method, QuantizeMethod::Accurate);
    EXPECT_FALSE(defaults.key.has_value()) << "no key unless asked";
    EXPECT_FALSE(defaults.alphaKey.has_value());
    EXPECT_TRUE(defaults.dither);
    EXPECT_TRUE(defaults.transparency);
    EXPECT_FALSE(defaults.rgb);
    EXPECT_TRUE(defaults.paletteFormats.empty());

    const ImageCommandLine all = ExpectRun({"quantize", "--colours", "16", "--reserve", "102030", "--key", "FF00FF",
                                            "--no-dither", "--no-transparency", "--rgb", "--palette-format", "gpl,act",
                                            "--palette-format", "hex", "out", "a.png"});
    const QuantizeOptions& given = all.quantize;
    EXPECT_EQ(given.colours, 16);
    EXPECT_EQ(given.reserved, MakeColour(0x10, 0x20, 0x30));
    EXPECT_EQ(given.key, MakeColour(255, 0, 255));
    EXPECT_FALSE(given.dither);
    EXPECT_FALSE(given.transparency);
    EXPECT_TRUE(given.rgb);
    EXPECT_EQ(given.paletteFormats, (std::vector{PaletteFormat::Gpl, PaletteFormat::Act, PaletteFormat::Hex}));
    EXPECT_EQ(given.inputs, (std::vector<std::filesystem::path>{"a.png"}));   // OUTDIR and IN not taken as formats

    EXPECT_EQ(ExpectRun({"quantize", "--alpha-key", "000000", "out", "a.png"}).quantize.alphaKey, MakeColour(0, 0, 0));
    EXPECT_EQ(ExpectRun({"quantize", "--key", "auto", "out", "a.png"}).quantize.key, KEY_FROM_FIRST_PIXEL);

    // The program's method: its key is each picture's first pixel unless one is named, and
    // it cannot go without one.
    const ImageCommandLine program = ExpectRun({"quantize", "--method", "Program", "out", "a.png"});
    EXPECT_EQ(program.quantize.method, QuantizeMethod::Program);
    EXPECT_FALSE(program.quantize.key.has_value());
    EXPECT_EQ(ExpectRun({"quantize", "--method", "accurate", "--key", "none", "out", "a.png"}).quantize.method,
              QuantizeMethod::Accurate);
    ExpectUsageError({"quantize", "--method", "program", "--key", "none", "out", "a.png"}, "always has a key");
    ExpectUsageError({"quantize", "--method", "median", "out", "a.png"}, "median");
    ExpectUsageError({"quantize", "--palette-format", "bmp", "out", "a.png"}, "unknown palette format 'bmp'");
    ExpectUsageError({"quantize", "--reserve", "white", "out", "a.png"}, "colour 'white'");
    ExpectUsageError({"quantize", "out"}, "IN is required");
}

// 4 to 256 colours and 1 to 50 pictures: both ends taken, one past either end refused.
TEST(ImageCommandLine, QuantizeTakesFourTo256ColoursAndOneTo50Pictures)
{
    for (const char* colours : {"4", "256"})
        EXPECT_EQ(ExpectRun({"quantize", "--colours", colours, "out", "a.png"}).quantize.colours, std::stoi(colours));
    for (const char* colours : {"3", "257"})
        ExpectUsageError({"quantize", "--colours", colours, "out", "a.png"}, "not in range");

    for (const size_t count : {size_t{1}, size_t{50}}) {
        std::vector<std::string> words = {"quantize", "out"};
        const std::vector<std::string> inputs = Pictures(count);
        words.insert(words.end(), inputs.begin(), inputs.end());
        EXPECT_EQ(ExpectRun(words).quantize.inputs.size(), count);
    }
    std::vector<std::string> words = {"quantize", "out"};
    const std::vector<std::string> inputs = Pictures(51);
    words.insert(words.end(), inputs.begin(), inputs.end());
    ExpectUsageError(words, "at most 50 pictures, not 51");
}

// --- the program's own options -----------------------------------------------------------

TEST(ImageCommandLine, HelpAndVersionEndAtOnceWithStatusZeroAndNoCommandIsAUsageError)
{
    for (const char* word : {"--help", "--version"}) {
        testing::internal::CaptureStdout();
        const ImageCommandLine line = Parse({word});
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_FALSE(line.run) << word;
        EXPECT_EQ(line.exitStatus, 0) << word;
        EXPECT_EQ(line.usageError, "") << word;
        EXPECT_NE(printed.find("tolmix-image"), std::string::npos) << word;
    }
    ExpectUsageError({}, "subcommand");
    ExpectUsageError({"scale", "a.png"}, "subcommand");
}

} // namespace
