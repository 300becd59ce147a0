// DisplayPalette.cpp — the 256 colours of a palette mode and the nearest-entry answers.
#include "platform/video/DisplayPalette.h"

#include <vector>

#include "platform/bitmaps/LogicalPalette.h"

// ---------------------------------------------------------------------------------------
// Lookup: the exact search behind a cache of answers
// ---------------------------------------------------------------------------------------

// Converting a whole picture asks for the same few colours again and again (a picture
// already reduced to the palette holds at most 256), so answers are remembered in a
// direct-mapped table keyed by the colour itself; a colour that meets another in its slot
// is simply searched again.
struct CDisplayPalette::Lookup {
    static constexpr uint32_t SLOT_BITS = 16;
    static constexpr ColourRef EMPTY = 0xFFFFFFFFu;   // never a 0x00BBGGRR colour

    explicit Lookup(const std::array<PaletteEntry, 256>& entries)
        : palette(entries), colours(size_t{1} << SLOT_BITS, EMPTY), indexes(size_t{1} << SLOT_BITS, 0)
    {
    }

    // Fibonacci hashing spreads neighbouring colours over the table.
    static uint32_t Slot(ColourRef colour) { return (colour * 2654435761u) >> (32 - SLOT_BITS); }

    uint8_t Nearest(ColourRef colour)
    {
        const uint32_t slot = Slot(colour);
        if (colours[slot] != colour) {
            indexes[slot] = static_cast<uint8_t>(palette.NearestIndex(colour));
            colours[slot] = colour;
        }
        return indexes[slot];
    }

    CLogicalPalette palette;
    std::vector<ColourRef> colours;
    std::vector<uint8_t> indexes;
};

// ---------------------------------------------------------------------------------------
// The palette
// ---------------------------------------------------------------------------------------

CDisplayPalette::CDisplayPalette(const std::array<PaletteEntry, 256>& entries) : m_entries(entries) {}

CDisplayPalette::~CDisplayPalette() = default;

const std::array<PaletteEntry, 256>& CDisplayPalette::Entries() const
{
    return m_entries;
}

uint8_t CDisplayPalette::NearestIndex(ColourRef colour) const
{
    if (!m_lookup)
        m_lookup = std::make_unique<Lookup>(m_entries);
    return m_lookup->Nearest(colour & 0x00FFFFFF);
}

uint32_t CDisplayPalette::Rgb(uint8_t index) const
{
    const PaletteEntry& entry = m_entries[index];
    return uint32_t{entry.red} << 16 | uint32_t{entry.green} << 8 | entry.blue;
}
