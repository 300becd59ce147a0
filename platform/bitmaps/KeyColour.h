// KeyColour.h — a key option turned into the colour it stands for in one picture.
//
// A key option is none (std::nullopt: no pixel is transparent), a colour, or
// KEY_FROM_FIRST_PIXEL ("auto"): the colour of the picture's first pixel. Everything that
// takes a key option resolves it here, so "auto" means the same everywhere.
//
//     const Pixel24 key = PixelOf(ResolveKey(KEY_FROM_FIRST_PIXEL, picture));
#pragma once

#include <optional>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

// The colour `key` stands for in `picture`: itself, or for KEY_FROM_FIRST_PIXEL the colour
// of the top-left pixel. A picture without pixels has no first pixel; there the key is
// returned as given, which no pixel of it can match.
ColourRef ResolveKey(ColourRef key, const CBitmap24& picture);

// The same for a key option that may be none; none stays none.
std::optional<ColourRef> ResolveKey(std::optional<ColourRef> key, const CBitmap24& picture);
