// SurfaceBlitter.cpp — row loops per pixel size, with and without a colour key; the keyed
// straight rows are KeyedRowCopy's vector loops.
#include "platform/video/SurfaceBlitter.h"

#include <algorithm>
#include <cstring>

#include "platform/video/KeyedRowCopy.h"

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

// An unstretched blit's target rows first..last − 1: whole row segments, or keyed rows.
template <int32_t Bytes>
void CopyStraight(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                  const ColourKeyRange* key, int32_t first, int32_t last)
{
    const Rect& target = mapping.target;
    const int32_t count = target.Width();
    uint8_t* out = destination.At(target.left, first);
    const uint8_t* in = source.At(mapping.sourceLeft, mapping.sourceTop + (first - target.top));
    if (key != nullptr) {
        CopyKeyedRows(BestRowCopyPath(), Bytes, out, destination.pitch, in, source.pitch, count, last - first,
                      key->low, key->high);
        return;
    }
    for (int32_t row = first; row < last; ++row, out += destination.pitch, in += source.pitch)
        std::memcpy(out, in, static_cast<size_t>(count) * Bytes);
}

// A stretched blit's target rows first..last − 1: each destination pixel from the source
// pixel its row and column name.
template <int32_t Bytes>
void CopyStretched(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                   const ColourKeyRange* key, int32_t first, int32_t last)
{
    const Rect& target = mapping.target;
    const int32_t count = target.Width();
    const int32_t* columns = mapping.sourceColumns.data();
    for (int32_t row = first - target.top; row < last - target.top; ++row) {
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

// The blit's target rows first..last − 1 for one pixel size.
template <int32_t Bytes>
void CopyAs(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
            const ColourKeyRange* key, int32_t first, int32_t last)
{
    if (mapping.stretched)
        CopyStretched<Bytes>(destination, source, mapping, key, first, last);
    else
        CopyStraight<Bytes>(destination, source, mapping, key, first, last);
}

} // namespace

void CopyPixels(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                const ColourKeyRange* key)
{
    CopyPixelRows(destination, source, mapping, key, mapping.target.top, mapping.target.bottom);
}

void CopyPixelRows(const PixelView& destination, const PixelView& source, const BlitMapping& mapping,
                   const ColourKeyRange* key, int32_t top, int32_t bottom)
{
    const int32_t first = std::max(top, mapping.target.top);
    const int32_t last = std::min(bottom, mapping.target.bottom);
    if (first >= last)
        return;
    switch (destination.bytesPerPixel) {
    case 1:
        CopyAs<1>(destination, source, mapping, key, first, last);
        break;
    case 2:
        CopyAs<2>(destination, source, mapping, key, first, last);
        break;
    case 3:
        CopyAs<3>(destination, source, mapping, key, first, last);
        break;
    default:
        CopyAs<4>(destination, source, mapping, key, first, last);
        break;
    }
}
