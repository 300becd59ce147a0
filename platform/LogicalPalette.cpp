// LogicalPalette.cpp — palette storage and the exact nearest-entry search.
#include "platform/LogicalPalette.h"

#include <algorithm>
#include <string>

#include "platform/FatalError.h"

CLogicalPalette::CLogicalPalette(std::span<const PaletteEntry> entries)
{
    if (entries.empty() || entries.size() > MAX_ENTRIES)
        throw CFatalError("palette: " + std::to_string(entries.size()) + " entries (1 to 256 allowed)");
    m_count = static_cast<int32_t>(entries.size());
    for (int32_t i = 0; i < m_count; ++i) {
        m_red[i] = entries[i].red;
        m_green[i] = entries[i].green;
        m_blue[i] = entries[i].blue;
        m_flags[i] = entries[i].flags;
    }
}

PaletteEntry CLogicalPalette::Entry(int32_t index) const
{
    if (index < 0 || index >= m_count)
        throw CFatalError("palette: entry " + std::to_string(index) + " does not exist");
    return PaletteEntry{static_cast<uint8_t>(m_red[index]), static_cast<uint8_t>(m_green[index]),
                        static_cast<uint8_t>(m_blue[index]), m_flags[index]};
}

uint32_t CLogicalPalette::NearestIndex(ColourRef colour) const
{
    ++m_searches;
    const int32_t red = RedOf(colour);
    const int32_t green = GreenOf(colour);
    const int32_t blue = BlueOf(colour);

    // Three simple passes the compiler turns into vector code: distances, their
    // minimum, and the first entry at that minimum (the lowest index wins ties).
    alignas(64) std::array<int32_t, MAX_ENTRIES> distance;
    for (int32_t i = 0; i < m_count; ++i) {
        const int32_t dr = m_red[i] - red;
        const int32_t dg = m_green[i] - green;
        const int32_t db = m_blue[i] - blue;
        distance[i] = dr * dr + dg * dg + db * db;
    }
    int32_t best = distance[0];
    for (int32_t i = 1; i < m_count; ++i)
        best = std::min(best, distance[i]);
    int32_t index = 0;
    while (distance[index] != best)
        ++index;
    return static_cast<uint32_t>(index);
}
