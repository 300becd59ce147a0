// AccurateQuantizeFuzz.cpp — libFuzzer target: tolmix-image's default reduction
// (CAccurateQuantizer) of one or two pictures.
//
// Input: width − 1 (1..9 pixels wide), palette entries, flags (bit 0: diffuse; bit 1: the
// key is each picture's first pixel; bit 2: a key colour as given; bit 3: reserve a
// colour; bit 4: cut the pixels into two pictures), the key as red, green, blue, then the
// pixels, 3 bytes each (blue, green, red), as many rows as they fill (at most 64).
// Checked on every input: at most the entries asked for; every non-key pixel takes a
// colour entry and every key pixel its picture's key entry; no entry listed twice
// among the colours; pictures of few enough colours come out exactly.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "imaging/AccurateQuantizer.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/FatalError.h"

namespace {

constexpr size_t SETTINGS_BYTES = 6;
constexpr int32_t MAX_WIDTH = 9;
constexpr int32_t MAX_HEIGHT = 64;

CBitmap24 PictureFrom(const uint8_t* pixels, int32_t width, int32_t height)
{
    CBitmap24 picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        std::copy_n(pixels + static_cast<size_t>(y) * 3 * width, 3 * width,
                    picture.Bits() + static_cast<size_t>(y) * picture.Stride());
    return picture;
}

ColourRef ColourAt(const CBitmap24& picture, int32_t x, int32_t y)
{
    return ColourOf(LoadPixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * static_cast<size_t>(x)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < SETTINGS_BYTES + 3)
        return 0;
    const int32_t width = 1 + data[0] % MAX_WIDTH;
    const int32_t colours = 1 + data[1];
    const bool diffuse = (data[2] & 1) != 0;
    const bool keyFromFirstPixel = (data[2] & 2) != 0;
    const bool keyGiven = (data[2] & 4) != 0;
    const bool reserve = (data[2] & 8) != 0;
    const bool twoPictures = (data[2] & 16) != 0;
    const ColourRef keyColour = MakeColour(data[3], data[4], data[5]);
    const int32_t rows = static_cast<int32_t>(
        std::min<size_t>((size - SETTINGS_BYTES) / (3 * static_cast<size_t>(width)), MAX_HEIGHT));
    if (rows == 0)
        return 0;

    std::vector<CBitmap24> pictures;
    const int32_t firstRows = twoPictures && rows > 1 ? rows / 2 : rows;
    pictures.push_back(PictureFrom(data + SETTINGS_BYTES, width, firstRows));
    if (firstRows < rows)
        pictures.push_back(PictureFrom(data + SETTINGS_BYTES + static_cast<size_t>(firstRows) * 3 * width, width,
                                       rows - firstRows));
    const auto keyOf = [&](const CBitmap24& picture) -> std::optional<ColourRef> {
        if (keyFromFirstPixel)
            return ColourAt(picture, 0, 0);
        return keyGiven ? std::optional<ColourRef>(keyColour) : std::nullopt;
    };

    CAccurateQuantizer quantizer(colours);
    if (reserve)
        quantizer.Reserve(keyColour);
    std::set<ColourRef> visible;
    for (const CBitmap24& picture : pictures) {
        quantizer.AddPicture(picture, keyOf(picture));
        for (int32_t y = 0; y < picture.Height(); ++y)
            for (int32_t x = 0; x < picture.Width(); ++x)
                if (ColourAt(picture, x, y) != keyOf(picture))
                    visible.insert(ColourAt(picture, x, y));
    }
    try {
        quantizer.Compute();
    } catch (const CFatalError&) {
        return 0;   // the keys (and the reserved colour) leave no room: refused, not reduced
    }
    const std::vector<ColourRef>& palette = quantizer.Colours();
    const auto colourEntries = static_cast<size_t>(quantizer.ColourEntryCount());
    FuzzCheck(palette.size() <= static_cast<size_t>(colours), "more entries than asked for");
    FuzzCheck(std::set<ColourRef>(palette.begin(), palette.begin() + static_cast<std::ptrdiff_t>(colourEntries)).size() ==
                  colourEntries,
              "a colour listed twice");
    const bool fits = visible.size() + (reserve ? 1 : 0) <= colourEntries;

    for (const CBitmap24& picture : pictures) {
        const std::optional<ColourRef> key = keyOf(picture);
        const std::vector<uint8_t> indices = quantizer.Reduce(picture, key, diffuse);
        FuzzCheck(indices.size() == static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()),
                  "one index per pixel");
        for (int32_t y = 0; y < picture.Height(); ++y)
            for (int32_t x = 0; x < picture.Width(); ++x) {
                const uint8_t index = indices[static_cast<size_t>(y) * static_cast<size_t>(picture.Width()) + static_cast<size_t>(x)];
                const ColourRef colour = ColourAt(picture, x, y);
                if (key && colour == *key) {
                    FuzzCheck(quantizer.KeyIndex(*key) == index, "a key pixel not on its key entry");
                } else {
                    FuzzCheck(index < colourEntries, "a visible pixel on a key entry");
                    FuzzCheck(!fits || palette[index] == colour, "a picture of few colours changed");
                }
            }
    }
    return 0;
}
