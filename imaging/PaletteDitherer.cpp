// PaletteDitherer.cpp — nearest entries and serpentine Floyd–Steinberg diffusion.
#include "imaging/PaletteDitherer.h"

#include <algorithm>

#include "platform/bitmaps/ImageSize.h"

namespace {

// Errors are kept in sixteenths of a channel step, three channels per pixel.
constexpr int32_t CHANNELS = 3;

// Floyd–Steinberg's shares in sixteenths, named by the walk's direction (the textbook
// arrangement; the program's own ditherer has its DitherWeights).
constexpr int32_t SHARE_AHEAD = 7;
constexpr int32_t SHARE_BELOW_BEHIND = 3;
constexpr int32_t SHARE_BELOW = 5;
constexpr int32_t SHARE_BELOW_AHEAD = 1;

uint8_t ClampChannel(int32_t value)
{
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

CPaletteDitherer::CPaletteDitherer(CNearestEntry& nearest, std::span<const ColourRef> colours)
    : m_nearest(nearest), m_colours(colours)
{
}

std::vector<uint8_t> CPaletteDitherer::Reduce(const CBitmap24& picture, std::optional<PictureKey> key, bool diffuse)
{
    const int32_t width = picture.Width();
    std::vector<uint8_t> indices(CheckedArrayBytes(int64_t{width} * picture.Height(), 1, "reduced picture"));
    std::vector<int32_t> ahead, below;
    if (diffuse) {
        ahead.assign(static_cast<size_t>(width + 2) * CHANNELS, 0);
        below.assign(ahead.size(), 0);
    }
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        uint8_t* out = indices.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        if (diffuse) {
            DiffuseRow(row, width, y % 2 == 0, key, ahead, below, out);
            ahead.swap(below);
            std::fill(below.begin(), below.end(), 0);
            continue;
        }
        for (int32_t x = 0; x < width; ++x) {
            const ColourRef colour = ColourOf(LoadPixel(row + 3 * x));
            out[x] = key && colour == key->colour ? key->index : m_nearest.Find(colour);
        }
    }
    return indices;
}

void CPaletteDitherer::DiffuseRow(const uint8_t* row, int32_t width, bool leftToRight, std::optional<PictureKey> key,
                                  std::vector<int32_t>& ahead, std::vector<int32_t>& below, uint8_t* indices)
{
    const int32_t step = leftToRight ? 1 : -1;
    for (int32_t i = 0; i < width; ++i) {
        const int32_t x = leftToRight ? i : width - 1 - i;
        const Pixel24 source = LoadPixel(row + 3 * x);
        if (key && ColourOf(source) == key->colour) {
            indices[x] = key->index;
            continue;
        }
        // Element e of the error rows is pixel e − 1: the spare ends take the shares that
        // fall outside, never read.
        const size_t at = static_cast<size_t>(x + 1) * CHANNELS;
        const int32_t channels[CHANNELS] = {source.red, source.green, source.blue};
        uint8_t wanted[CHANNELS];
        for (int32_t c = 0; c < CHANNELS; ++c)
            wanted[c] = ClampChannel(channels[c] + ((ahead[at + c] + 8) >> 4));
        const uint8_t index = m_nearest.Find(MakeColour(wanted[0], wanted[1], wanted[2]));
        indices[x] = index;
        const ColourRef got = m_colours[index];
        const int32_t gotChannels[CHANNELS] = {RedOf(got), GreenOf(got), BlueOf(got)};
        const size_t next = static_cast<size_t>(x + 1 + step) * CHANNELS;
        const size_t back = static_cast<size_t>(x + 1 - step) * CHANNELS;
        for (int32_t c = 0; c < CHANNELS; ++c) {
            const int32_t error = wanted[c] - gotChannels[c];
            ahead[next + c] += SHARE_AHEAD * error;
            below[back + c] += SHARE_BELOW_BEHIND * error;
            below[at + c] += SHARE_BELOW * error;
            below[next + c] += SHARE_BELOW_AHEAD * error;
        }
    }
}
