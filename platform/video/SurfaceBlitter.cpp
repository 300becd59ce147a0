// SurfaceBlitter.cpp — row loops per pixel size, with and without a colour key.
#include "platform/video/SurfaceBlitter.h"

#include <cstring>

namespace {

// ---------------------------------------------------------------------------------------
// Pixels of 1, 2, 3 and 4 bytes
// ---------------------------------------------------------------------------------------

// The integer type a pixel of 1, 2 or 4 bytes is loaded as.
template <int32_t Bytes>
struct PixelWord;
template <> struct PixelWord<1> { using Type = uint8_t; };
template <> struct PixelWord<2> { using Type = uint16_t; };
template <> struct PixelWord<4> { using Type = uint32_t; };

// The raw value of the pixel at p (through memcpy: rows are plain bytes).
template <int32_t Bytes>
inline uint32_t Load(const uint8_t* p)
{
    if constexpr (Bytes == 3) {
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    } else {
        typename PixelWord<Bytes>::Type word;
        std::memcpy(&word, p, Bytes);
        return word;
    }
}

// Stores a raw value as the pixel at p.
template <int32_t Bytes>
inline void Store(uint8_t* p, uint32_t raw)
{
    if constexpr (Bytes == 3) {
        p[0] = static_cast<uint8_t>(raw);
        p[1] = static_cast<uint8_t>(raw >> 8);
        p[2] = static_cast<uint8_t>(raw >> 16);
    } else {
        const auto word = static_cast<typename PixelWord<Bytes>::Type>(raw);
        std::memcpy(p, &word, Bytes);
    }
}

// A key test without branches the vectoriser cannot follow: raw lies in low..high exactly
// when raw − low, in unsigned arithmetic, is at most high − low.
struct KeyTest {
    uint32_t low;
    uint32_t span;
    bool Transparent(uint32_t raw) const { return raw - low <= span; }
};

// ---------------------------------------------------------------------------------------
// Row loops
// ---------------------------------------------------------------------------------------

// One row of a straight keyed blit: every pixel is rewritten, with itself where the source
// is transparent, so the loop has no branch.
template <int32_t Bytes>
void CopyKeyedRow(uint8_t* out, const uint8_t* in, int32_t count, KeyTest key)
{
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t raw = Load<Bytes>(in + i * Bytes);
        const uint32_t old = Load<Bytes>(out + i * Bytes);
        Store<Bytes>(out + i * Bytes, key.Transparent(raw) ? old : raw);
    }
}

// An unstretched blit: whole row segments, or keyed rows.
template <int32_t Bytes>
void CopyStraight(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                  const ColourKeyRange* key)
{
    const Rect& target = mapping.target;
    const int32_t count = target.Width();
    for (int32_t row = 0; row < target.Height(); ++row) {
        uint8_t* out = destination.At(target.left, target.top + row);
        const uint8_t* in = source.At(mapping.sourceLeft, mapping.sourceTop + row);
        if (key == nullptr)
            std::memcpy(out, in, static_cast<size_t>(count) * Bytes);
        else
            CopyKeyedRow<Bytes>(out, in, count, KeyTest{key->low, key->high - key->low});
    }
}

// A stretched blit: each destination pixel from the source pixel its row and column name.
template <int32_t Bytes>
void CopyStretched(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                   const ColourKeyRange* key)
{
    const Rect& target = mapping.target;
    const int32_t count = target.Width();
    const int32_t* columns = mapping.sourceColumns.data();
    for (int32_t row = 0; row < target.Height(); ++row) {
        uint8_t* out = destination.At(target.left, target.top + row);
        const uint8_t* in = source.At(0, mapping.sourceRows[row]);
        if (key == nullptr) {
            for (int32_t i = 0; i < count; ++i)
                Store<Bytes>(out + i * Bytes, Load<Bytes>(in + columns[i] * Bytes));
            continue;
        }
        const KeyTest test{key->low, key->high - key->low};
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t raw = Load<Bytes>(in + columns[i] * Bytes);
            if (!test.Transparent(raw))
                Store<Bytes>(out + i * Bytes, raw);
        }
    }
}

// The blit for one pixel size.
template <int32_t Bytes>
void CopyAs(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
            const ColourKeyRange* key)
{
    if (mapping.stretched)
        CopyStretched<Bytes>(destination, source, mapping, key);
    else
        CopyStraight<Bytes>(destination, source, mapping, key);
}

} // namespace

void CopyPixels(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                const ColourKeyRange* key)
{
    switch (destination.bytesPerPixel) {
    case 1:
        CopyAs<1>(destination, source, mapping, key);
        break;
    case 2:
        CopyAs<2>(destination, source, mapping, key);
        break;
    case 3:
        CopyAs<3>(destination, source, mapping, key);
        break;
    default:
        CopyAs<4>(destination, source, mapping, key);
        break;
    }
}
