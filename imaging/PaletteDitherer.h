// PaletteDitherer.h — reduces one 24-bit picture to palette indices, by exact nearest
// entries with or without error diffusion; key pixels take the key's entry and nothing
// else ever does.
//
// Diffusion is Floyd–Steinberg's (7/16 ahead, 3/16 behind below, 5/16 below, 1/16 ahead
// below) in serpentine order, each row walked the other way from the one above, with the
// whole error passed on: no damping. Key pixels give no error and the shares that would
// fall on them are dropped, so the colours beside a transparent area are not pulled
// towards the key. Shares that would fall outside the picture are dropped too.
//
//     CNearestEntry nearest(colours);
//     CPaletteDitherer ditherer(nearest, colours);
//     std::vector<uint8_t> indices = ditherer.Reduce(picture, PictureKey{magenta, 16}, true);
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "imaging/NearestEntry.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

// A picture's key: the colour that marks its transparent pixels, and their entry.
struct PictureKey {
    ColourRef colour;
    uint8_t index;
};

class CPaletteDitherer {
public:
    // Pixels take entries of `colours` found by `nearest`, a search over the same colours;
    // neither is owned, and both must outlive the ditherer.
    CPaletteDitherer(CNearestEntry& nearest, std::span<const ColourRef> colours);
    virtual ~CPaletteDitherer() = default;

    // One index per pixel, rows top first, no padding. With `diffuse` false every pixel
    // takes its nearest entry.
    std::vector<uint8_t> Reduce(const CBitmap24& picture, std::optional<PictureKey> key, bool diffuse);

private:
    // One row by error diffusion: `ahead` holds the shares for this row, `below` gathers
    // those for the next, both with one spare element at each end.
    void DiffuseRow(const uint8_t* row, int32_t width, bool leftToRight, std::optional<PictureKey> key,
                    std::vector<int32_t>& ahead, std::vector<int32_t>& below, uint8_t* indices);

    CNearestEntry& m_nearest;
    std::span<const ColourRef> m_colours;
};
