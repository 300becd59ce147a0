// ImageTranspose.cpp — a cache-blocked pixel transpose that also finds key pixels.
#include "imaging/ImageTranspose.h"

#include <algorithm>

namespace {

// Tiles of 32 × 32 pixels keep both the rows read and the rows written in cache.
constexpr int32_t TILE = 32;

} // namespace

bool TransposePixels(const PixelRows& source, const PixelRows& destination, const KeyMask& mask, Pixel24 key)
{
    bool anyKey = false;
    for (int32_t ty = 0; ty < source.height; ty += TILE) {
        const int32_t tyEnd = std::min(ty + TILE, source.height);
        for (int32_t tx = 0; tx < source.width; tx += TILE) {
            const int32_t txEnd = std::min(tx + TILE, source.width);
            for (int32_t x = tx; x < txEnd; ++x) {
                uint8_t* out = destination.bits + static_cast<size_t>(x) * destination.stride;
                uint8_t* keys = mask.bits + static_cast<size_t>(x) * mask.stride;
                for (int32_t y = ty; y < tyEnd; ++y) {
                    const uint8_t* in = source.bits + static_cast<size_t>(y) * source.stride + 3 * static_cast<size_t>(x);
                    uint8_t* o = out + 3 * static_cast<size_t>(y);
                    o[0] = in[0];
                    o[1] = in[1];
                    o[2] = in[2];
                    const bool isKey = in[0] == key.blue && in[1] == key.green && in[2] == key.red;
                    keys[y] = isKey;
                    anyKey |= isKey;
                }
            }
        }
    }
    return anyKey;
}
