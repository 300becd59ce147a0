// KeyColour.cpp — a key option turned into the colour it stands for in one picture.
#include "platform/bitmaps/KeyColour.h"

ColourRef ResolveKey(ColourRef key, const CBitmap24& picture)
{
    if (key != KEY_FROM_FIRST_PIXEL || picture.Width() == 0 || picture.Height() == 0)
        return key;
    return ColourOf(LoadPixel(picture.Bits()));
}

std::optional<ColourRef> ResolveKey(std::optional<ColourRef> key, const CBitmap24& picture)
{
    if (!key)
        return std::nullopt;
    return ResolveKey(*key, picture);
}
