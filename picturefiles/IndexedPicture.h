// IndexedPicture.h — a 24-bit picture as palette indices, the form an indexed PNG stores.
//
// Every pixel takes the first palette entry of its colour; a colour that is no entry is
// appended as a new one, in the order the rows first meet it, as long as the palette stays
// within 256 entries. So decoding the indices through the palette gives back exactly the
// picture's pixels. Pixels of the key colour, if one is given, always take an entry of
// their own after the palette's (even where an entry has the same colour), which can be
// marked transparent: the palette's own entries stay opaque.
//
//     std::optional<CIndexedPicture> indexed = CIndexedPicture::Index(picture, entries, key);
//     if (indexed && indexed->KeyIndex())
//         indexed->MakeKeyTransparent();
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

class CIndexedPicture {
public:
    static constexpr int32_t MAX_ENTRIES = 256;

    // The picture over the palette (at most 256 entries, else CFatalError), with entries
    // appended for the key's pixels and for colours the palette lacks; nullopt when more
    // than 256 would be needed.
    static std::optional<CIndexedPicture> Index(const CBitmap24& picture, std::span<const PaletteEntry> palette,
                                                std::optional<ColourRef> key = std::nullopt);

    // A picture already reduced to indices (one per pixel, rows packed) into the palette
    // (at most 256 entries), the key's pixels taking entry `key`. Throws CFatalError when
    // the indices are not width × height or one lies outside the palette.
    static CIndexedPicture FromIndices(int32_t width, int32_t height, std::span<const PaletteEntry> palette,
                                       std::vector<uint8_t> indices, std::optional<uint8_t> key = std::nullopt);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // The entries, the given palette's first; flags are not used.
    const std::vector<PaletteEntry>& Palette() const { return m_palette; }

    // One index per pixel, rows top first, no padding.
    const std::vector<uint8_t>& Indices() const { return m_indices; }

    // The fewest bits per index a PNG allows that address every entry: 1, 2, 4 or 8.
    int32_t BitDepth() const;

    // The entry of the key's pixels; none when no pixel has the key colour.
    std::optional<uint8_t> KeyIndex() const { return m_keyIndex; }

    // Marks the key's entry fully transparent. Throws CFatalError when there is none.
    void MakeKeyTransparent();

    // The transparent entry, if one is marked.
    std::optional<uint8_t> TransparentIndex() const { return m_transparent; }

private:
    CIndexedPicture(int32_t width, int32_t height, std::span<const PaletteEntry> palette);

    // Appends an entry of the colour; false when the palette is full.
    bool Append(ColourRef colour);

    int32_t m_width;
    int32_t m_height;
    std::vector<PaletteEntry> m_palette;
    std::vector<uint8_t> m_indices;
    std::optional<uint8_t> m_keyIndex;
    std::optional<uint8_t> m_transparent;
};
