// IndexedPicture.cpp — colours to indices through a sorted table of the palette's colours.
#include "picturefiles/IndexedPicture.h"

#include <algorithm>
#include <string>

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

namespace {

// A colour and the entry its pixels take, ordered by colour for binary search.
struct ColourIndex {
    ColourRef colour;
    uint8_t index;
};

// The palette's colours, each once, with the first entry of each.
std::vector<ColourIndex> ColourTable(std::span<const PaletteEntry> palette)
{
    std::vector<ColourIndex> table;
    for (size_t i = 0; i < palette.size(); ++i)
        table.push_back({MakeColour(palette[i].red, palette[i].green, palette[i].blue), static_cast<uint8_t>(i)});
    // Stable, so of equal colours the first entry stays first; then only it is kept.
    std::stable_sort(table.begin(), table.end(),
                     [](const ColourIndex& a, const ColourIndex& b) { return a.colour < b.colour; });
    table.erase(std::unique(table.begin(), table.end(),
                            [](const ColourIndex& a, const ColourIndex& b) { return a.colour == b.colour; }),
                table.end());
    return table;
}

// Where a colour is, or would be inserted, in the sorted table.
std::vector<ColourIndex>::iterator Find(std::vector<ColourIndex>& table, ColourRef colour)
{
    return std::lower_bound(table.begin(), table.end(), colour,
                            [](const ColourIndex& entry, ColourRef wanted) { return entry.colour < wanted; });
}

} // namespace

CIndexedPicture::CIndexedPicture(int32_t width, int32_t height, std::span<const PaletteEntry> palette)
    : m_width(width), m_height(height), m_palette(palette.begin(), palette.end())
{
    // One byte per pixel: less than the 24-bit picture's own size, which was checked.
    m_indices.resize(CheckedArrayBytes(int64_t{width} * height, 1, "indexed picture"));
}

bool CIndexedPicture::Append(ColourRef colour)
{
    if (m_palette.size() == MAX_ENTRIES)
        return false;
    m_palette.push_back(PaletteEntry{RedOf(colour), GreenOf(colour), BlueOf(colour), 0});
    return true;
}

std::optional<CIndexedPicture> CIndexedPicture::Index(const CBitmap24& picture, std::span<const PaletteEntry> palette,
                                                      std::optional<ColourRef> key)
{
    if (palette.size() > MAX_ENTRIES)
        throw CFatalError("a palette of " + std::to_string(palette.size()) + " entries is more than 256");
    CIndexedPicture indexed(picture.Width(), picture.Height(), palette);
    std::vector<ColourIndex> table = ColourTable(palette);

    // Consecutive pixels mostly repeat a colour: the last answer is kept.
    uint8_t* out = indexed.m_indices.data();
    std::optional<ColourRef> lastColour;
    uint8_t lastIndex = 0;
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (int32_t x = 0; x < picture.Width(); ++x) {
            const ColourRef colour = ColourOf(LoadPixel(row + 3 * x));
            if (colour != lastColour) {
                auto place = Find(table, colour);
                const bool known = place != table.end() && place->colour == colour;
                const bool firstKeyPixel = colour == key && !indexed.m_keyIndex;
                if (!known || firstKeyPixel) {
                    const auto index = static_cast<uint8_t>(indexed.m_palette.size());
                    if (!indexed.Append(colour))
                        return std::nullopt;
                    if (firstKeyPixel)
                        indexed.m_keyIndex = index;
                    place = known ? place : table.insert(place, {colour, index});
                    place->index = index;
                }
                lastColour = colour;
                lastIndex = place->index;
            }
            *out++ = lastIndex;
        }
    }
    return indexed;
}

CIndexedPicture CIndexedPicture::FromIndices(int32_t width, int32_t height, std::span<const PaletteEntry> palette,
                                             std::vector<uint8_t> indices, std::optional<uint8_t> key)
{
    if (palette.empty() || palette.size() > MAX_ENTRIES)
        throw CFatalError("a palette of " + std::to_string(palette.size()) + " entries (1 to 256 allowed)");
    CIndexedPicture indexed(width, height, palette);
    if (indices.size() != indexed.m_indices.size())
        throw CFatalError("indices for " + std::to_string(indices.size()) + " pixels, not " +
                          std::to_string(indexed.m_indices.size()));
    const uint8_t highest = indices.empty() ? 0 : *std::max_element(indices.begin(), indices.end());
    if (highest >= palette.size() || (key && *key >= palette.size()))
        throw CFatalError("an index past the palette's " + std::to_string(palette.size()) + " entries");
    indexed.m_indices = std::move(indices);
    indexed.m_keyIndex = key;
    return indexed;
}

int32_t CIndexedPicture::BitDepth() const
{
    const size_t entries = m_palette.size();
    return entries <= 2 ? 1 : entries <= 4 ? 2 : entries <= 16 ? 4 : 8;
}

void CIndexedPicture::MakeKeyTransparent()
{
    if (!m_keyIndex)
        throw CFatalError("no pixel has the key colour to be made transparent");
    m_transparent = m_keyIndex;
}
