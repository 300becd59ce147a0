// IndexedPngFuzz.cpp — libFuzzer target: pictures made from the bytes, written as indexed
// PNGs (and, where their colours do not fit 256 entries, as RGB with a transparent key) and
// read back, which must give exactly the pixels written.
//
// The bytes give the size (1-64 × 1-64), a palette of 1-256 entries, a colour table from
// which the pixels are drawn (some colours the palette lacks), and whether a key colour is
// made transparent. Read back with the key as alpha key, exactly the key's pixels must come
// back keyed when it was marked transparent.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "picturefiles/IndexedPicture.h"
#include "picturefiles/PngFile.h"

namespace {

// Takes bytes from the front of the input; 0 once it is used up.
class CByteSource {
public:
    explicit CByteSource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint8_t Next() { return m_at < m_bytes.size() ? m_bytes[m_at++] : 0; }
    ColourRef NextColour()
    {
        const uint8_t red = Next(), green = Next(), blue = Next();
        return MakeColour(red, green, blue);
    }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

// Whether the two pictures have the same size and pixels (pad bytes aside).
bool SamePixels(const CBitmap24& a, const CBitmap24& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        for (int32_t x = 0; x < a.Width(); ++x) {
            const size_t at = static_cast<size_t>(y) * a.Stride() + 3 * static_cast<size_t>(x);
            if (LoadPixel(a.Bits() + at) != LoadPixel(b.Bits() + at))
                return false;
        }
    return true;
}

// The picture with every pixel of one colour replaced by another.
CBitmap24 Recoloured(const CBitmap24& picture, ColourRef from, ColourRef to)
{
    CBitmap24 copy = picture;
    for (int32_t y = 0; y < copy.Height(); ++y)
        for (int32_t x = 0; x < copy.Width(); ++x) {
            uint8_t* p = copy.Bits() + static_cast<size_t>(y) * copy.Stride() + 3 * static_cast<size_t>(x);
            if (LoadPixel(p) == PixelOf(from))
                StorePixel(p, PixelOf(to));
        }
    return copy;
}

// The distinct colours of the picture's pixels.
std::set<ColourRef> ColoursOf(const CBitmap24& picture)
{
    std::set<ColourRef> colours;
    for (int32_t y = 0; y < picture.Height(); ++y)
        for (int32_t x = 0; x < picture.Width(); ++x)
            colours.insert(ColourOf(LoadPixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * static_cast<size_t>(x))));
    return colours;
}

// The entries an indexed form needs: the palette's, one per other colour, and the key's.
size_t EntriesNeeded(const CBitmap24& picture, const std::vector<PaletteEntry>& palette, std::optional<ColourRef> key)
{
    std::set<ColourRef> inPalette;
    for (const PaletteEntry& e : palette)
        inPalette.insert(MakeColour(e.red, e.green, e.blue));
    size_t needed = palette.size();
    for (const ColourRef colour : ColoursOf(picture))
        needed += colour == key || !inPalette.count(colour) ? 1 : 0;
    return needed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CByteSource source(std::span<const uint8_t>(data, size));
    const int32_t width = 1 + source.Next() % 64, height = 1 + source.Next() % 64;
    const size_t paletteSize = 1 + source.Next();
    const size_t tableSize = 1 + source.Next() + source.Next();   // up to 511 colours
    const uint8_t flags = source.Next();

    std::vector<PaletteEntry> palette;
    for (size_t i = 0; i < paletteSize; ++i) {
        const ColourRef colour = source.NextColour();
        palette.push_back({RedOf(colour), GreenOf(colour), BlueOf(colour), 0});
    }
    // Pixel colours: palette entries and colours of their own, as the bytes choose.
    std::vector<ColourRef> table;
    for (size_t i = 0; i < tableSize; ++i) {
        const uint8_t pick = source.Next();
        const PaletteEntry& e = palette[pick % paletteSize];
        table.push_back(pick & 1 ? source.NextColour() : MakeColour(e.red, e.green, e.blue));
    }
    CBitmap24 picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const size_t pick = (size_t{source.Next()} << 8 | source.Next()) % tableSize;
            StorePixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * static_cast<size_t>(x),
                       PixelOf(table[pick]));
        }
    const std::optional<ColourRef> key = flags & 1 ? std::optional<ColourRef>(table[flags % tableSize]) : std::nullopt;
    const bool transparent = (flags & 2) != 0;
    const ColourRef marker = source.NextColour();   // what the key's pixels read back as

    std::optional<CIndexedPicture> indexed = CIndexedPicture::Index(picture, palette, key);
    const size_t needed = EntriesNeeded(picture, palette, key);
    FuzzCheck(indexed.has_value() == (needed <= 256), "indexed or refused against the count of entries needed");
    if (!indexed) {
        const std::vector<uint8_t> rgb = EncodeRgbPng(picture, transparent ? key : std::nullopt);
        FuzzCheck(SamePixels(picture, *DecodePng(rgb)), "an RGB picture came back changed");
        if (transparent && key)
            FuzzCheck(SamePixels(Recoloured(picture, *key, marker), *DecodePng(rgb, marker)), "the RGB key came back wrong");
        return 0;
    }
    FuzzCheck(indexed->Palette().size() == needed, "entries other than those needed");
    FuzzCheck(std::equal(palette.begin(), palette.end(), indexed->Palette().begin()), "the palette's entries moved");
    const bool keyed = transparent && indexed->KeyIndex().has_value();
    if (keyed)
        indexed->MakeKeyTransparent();
    const std::vector<uint8_t> png = EncodeIndexedPng(*indexed);
    FuzzCheck(SamePixels(picture, *DecodePng(png)), "an indexed picture came back changed");
    const CBitmap24 expected = keyed ? Recoloured(picture, *key, marker) : picture;
    FuzzCheck(SamePixels(expected, *DecodePng(png, marker)), "the transparent pixels are not exactly the key's");
    return 0;
}
