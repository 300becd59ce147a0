// PaletteFiles.cpp — the four palette layouts.
#include "tools/image/PaletteFiles.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace {

constexpr std::array<std::string_view, 4> FORMAT_NAMES = {"gpl", "pal", "act", "hex"};

// Adobe colour tables always hold 256 colours; 0xFFFF says "no transparent entry".
constexpr size_t ACT_COLOURS = 256;
constexpr uint16_t ACT_NO_TRANSPARENCY = 0xFFFF;

// GIMP shows the palette in this many columns.
constexpr int32_t GPL_COLUMNS = 16;

std::string Printed(const char* format, int a, int b, int c)
{
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), format, a, b, c);
    return text.data();
}

std::string GimpPalette(std::span<const PaletteEntry> entries, const std::string& name)
{
    std::string text = "GIMP Palette\nName: " + name + "\nColumns: " + std::to_string(GPL_COLUMNS) + "\n#\n";
    for (size_t i = 0; i < entries.size(); ++i)
        text += Printed("%3d %3d %3d", entries[i].red, entries[i].green, entries[i].blue) + "\tIndex " +
                std::to_string(i) + "\n";
    return text;
}

std::string JascPalette(std::span<const PaletteEntry> entries)
{
    std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(entries.size()) + "\r\n";
    for (const PaletteEntry& e : entries)
        text += Printed("%d %d %d", e.red, e.green, e.blue) + "\r\n";
    return text;
}

void AppendBigEndian16(std::string& bytes, uint16_t value)
{
    bytes += static_cast<char>(value >> 8);
    bytes += static_cast<char>(value & 0xFF);
}

std::string AdobeColourTable(std::span<const PaletteEntry> entries)
{
    std::string bytes(3 * ACT_COLOURS, '\0');
    for (size_t i = 0; i < entries.size(); ++i) {
        bytes[3 * i + 0] = static_cast<char>(entries[i].red);
        bytes[3 * i + 1] = static_cast<char>(entries[i].green);
        bytes[3 * i + 2] = static_cast<char>(entries[i].blue);
    }
    AppendBigEndian16(bytes, static_cast<uint16_t>(entries.size()));
    AppendBigEndian16(bytes, ACT_NO_TRANSPARENCY);
    return bytes;
}

std::string HexPalette(std::span<const PaletteEntry> entries)
{
    std::string text;
    for (const PaletteEntry& e : entries)
        text += Printed("%02x%02x%02x", e.red, e.green, e.blue) + "\n";
    return text;
}

} // namespace

PaletteFormat ParsePaletteFormat(const std::string& name)
{
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto found = std::find(FORMAT_NAMES.begin(), FORMAT_NAMES.end(), lower);
    if (found == FORMAT_NAMES.end())
        throw std::invalid_argument("unknown palette format '" + name + "' (gpl, pal, act, hex)");
    return static_cast<PaletteFormat>(found - FORMAT_NAMES.begin());
}

std::string_view PaletteFileEnding(PaletteFormat format)
{
    return FORMAT_NAMES[static_cast<size_t>(format)];
}

std::string PaletteFileBytes(PaletteFormat format, std::span<const PaletteEntry> entries, const std::string& name)
{
    if (entries.size() > ACT_COLOURS)
        throw std::invalid_argument("a palette file holds at most 256 entries");
    switch (format) {
    case PaletteFormat::Gpl: return GimpPalette(entries, name);
    case PaletteFormat::Pal: return JascPalette(entries);
    case PaletteFormat::Act: return AdobeColourTable(entries);
    case PaletteFormat::Hex: return HexPalette(entries);
    }
    throw std::invalid_argument("unknown palette format");
}
