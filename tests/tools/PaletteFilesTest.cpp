// PaletteFilesTest.cpp — each palette file against its format's published layout, the GIMP
// file read back by a parser written here from the format's description.
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/image/PaletteFiles.h"

namespace {

// Entries whose values need one, two and three digits.
const std::vector<PaletteEntry> ENTRIES = {{0, 0, 0, 0}, {255, 128, 7, 5}, {12, 200, 99, 5}};

// Splits at `separator`; a separator at the very end makes no empty last line.
std::vector<std::string> Lines(const std::string& text, const std::string& separator)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + separator.size())
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

// A GIMP palette as the format describes it: the line "GIMP Palette"; then header lines
// "Name: …" and "Columns: …" and comment lines starting with '#', skipped; then one colour
// per line, three decimal numbers 0–255 separated by white space, optionally followed by a
// name. Throws std::runtime_error for a file that breaks the layout.
struct GimpColour {
    int red, green, blue;
    std::string name;
};
std::vector<GimpColour> ParseGimpPalette(const std::string& text, std::string& name)
{
    const std::vector<std::string> lines = Lines(text, "\n");
    if (lines.empty() || lines[0] != "GIMP Palette")
        throw std::runtime_error("no 'GIMP Palette' line");
    std::vector<GimpColour> colours;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind("Name: ", 0) == 0) {
            name = line.substr(6);
            continue;
        }
        if (line.rfind("Columns: ", 0) == 0 || line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        GimpColour colour{-1, -1, -1, ""};
        fields >> colour.red >> colour.green >> colour.blue;
        if (!fields || colour.red > 255 || colour.green > 255 || colour.blue > 255 || colour.red < 0 ||
            colour.green < 0 || colour.blue < 0)
            throw std::runtime_error("bad colour line '" + line + "'");
        std::getline(fields >> std::ws, colour.name);
        colours.push_back(colour);
    }
    return colours;
}

TEST(PaletteFilesTest, GimpPaletteHasItsHeaderAndOneAlignedLinePerEntry)
{
    const std::string text = PaletteFileBytes(PaletteFormat::Gpl, ENTRIES, "sprites");
    EXPECT_EQ(text.substr(0, text.find("#\n") + 2), "GIMP Palette\nName: sprites\nColumns: 16\n#\n");
    EXPECT_NE(text.find("\n255 128   7\tIndex 1\n"), std::string::npos) << text;   // each value in three places

    std::string name;
    const std::vector<GimpColour> colours = ParseGimpPalette(text, name);
    EXPECT_EQ(name, "sprites");
    ASSERT_EQ(colours.size(), ENTRIES.size());
    for (size_t i = 0; i < ENTRIES.size(); ++i) {
        EXPECT_EQ(colours[i].red, ENTRIES[i].red);
        EXPECT_EQ(colours[i].green, ENTRIES[i].green);
        EXPECT_EQ(colours[i].blue, ENTRIES[i].blue);
        EXPECT_EQ(colours[i].name, "Index " + std::to_string(i));
    }
}

TEST(PaletteFilesTest, JascAdobeAndHexFilesHaveTheirPublishedLayouts)
{
    // JASC-PAL: magic, version, count, "R G B" lines, every line ended by CR LF.
    const std::string jasc = PaletteFileBytes(PaletteFormat::Pal, ENTRIES, "x");
    EXPECT_EQ(jasc, "JASC-PAL\r\n0100\r\n3\r\n0 0 0\r\n255 128 7\r\n12 200 99\r\n");

    // Adobe colour table: 256 RGB triples, then count and transparent index, big-endian.
    const std::string act = PaletteFileBytes(PaletteFormat::Act, ENTRIES, "x");
    ASSERT_EQ(act.size(), 772u);
    EXPECT_EQ(act.substr(0, 9), std::string("\0\0\0\xff\x80\x07\x0c\xc8\x63", 9));
    EXPECT_EQ(act.substr(9, 759), std::string(759, '\0'));   // unused colours black
    EXPECT_EQ(act.substr(768), std::string("\0\x03\xff\xff", 4));   // 3 colours, no transparency

    EXPECT_EQ(PaletteFileBytes(PaletteFormat::Hex, ENTRIES, "x"), "000000\nff8007\n0cc863\n");

    // A full palette fills the Adobe table exactly.
    const std::vector<PaletteEntry> full(256, PaletteEntry{1, 2, 3, 0});
    const std::string fullAct = PaletteFileBytes(PaletteFormat::Act, full, "x");
    EXPECT_EQ(fullAct.substr(765), std::string("\x01\x02\x03\x01\x00\xff\xff", 7));
    EXPECT_THROW(PaletteFileBytes(PaletteFormat::Hex, std::vector<PaletteEntry>(257), "x"), std::invalid_argument);
}

TEST(PaletteFilesTest, FormatNamesInAnyCase)
{
    struct Case {
        std::string text;
        PaletteFormat format;
        std::string ending;
    };
    const std::vector<Case> cases = {{"gpl", PaletteFormat::Gpl, "gpl"}, {"PAL", PaletteFormat::Pal, "pal"},
                                     {"Act", PaletteFormat::Act, "act"}, {"hex", PaletteFormat::Hex, "hex"}};
    for (const Case& c : cases) {
        EXPECT_EQ(ParsePaletteFormat(c.text), c.format) << c.text;
        EXPECT_EQ(PaletteFileEnding(c.format), c.ending);
    }
    EXPECT_THROW(ParsePaletteFormat("gif"), std::invalid_argument);
}

} // namespace
