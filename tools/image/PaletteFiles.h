// PaletteFiles.h — a palette in the file formats palette editors open.
//
//   gpl  GIMP palette: "GIMP Palette", "Name: …", "Columns: 16", "#", then one line
//        "R G B<tab>name" per entry (decimal, each right-aligned in three places).
//   pal  JASC (Paint Shop Pro) palette: "JASC-PAL", "0100", the count, then "R G B" per
//        entry; lines end in CR LF.
//   act  Adobe colour table: 256 × red, green, blue bytes (unused ones 0), then the count
//        and the transparent entry (0xFFFF: none) as big-endian 16-bit numbers; 772 bytes.
//   hex  one "rrggbb" line per entry.
//
// Every format holds the entries in order, so entry i is colour i in every file.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

enum class PaletteFormat { Gpl, Pal, Act, Hex };

// The format of a name "gpl", "pal", "act" or "hex" (any letter case); throws
// std::invalid_argument for any other.
PaletteFormat ParsePaletteFormat(const std::string& name);

// The file name ending of a format, without the dot: "gpl", …
std::string_view PaletteFileEnding(PaletteFormat format);

// The file's bytes for the entries (at most 256), in the format; `name` names the palette
// where the format has a place for it.
std::string PaletteFileBytes(PaletteFormat format, std::span<const PaletteEntry> entries, const std::string& name);
