// LogicalPalette.cpp — palette storage and the exact nearest-entry search.
#include "platform/bitmaps/LogicalPalette.h"

#include <algorithm>
#include <climits>
#include <string>

#include "platform/bitmaps/FatalError.h"

CLogicalPalette::CLogicalPalette(std::span<const PaletteEntry> entries)
    : m_memo(size_t{1} << MEMO_BITS)
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

// The square of a channel difference. 255² fits 16 unsigned bits, so the vector code
// can multiply eight 16-bit lanes at once and still be exact.
static int32_t SquaredDifference(int16_t entry, int16_t query)
{
    const int16_t difference = static_cast<int16_t>(entry - query);
    return int32_t{static_cast<uint16_t>(difference * difference)};
}

// Compiled for AVX-512, AVX2 and the baseline; the loader picks the widest the processor has.
// Defined before its first use: clang refuses to make a function multi-versioned after a
// call to it has been seen.
__attribute__((target_clones("arch=x86-64-v4", "arch=x86-64-v3", "default")))
uint32_t CLogicalPalette::Search(uint32_t colour) const
{
    const int16_t red = RedOf(colour);
    const int16_t green = GreenOf(colour);
    const int16_t blue = BlueOf(colour);

    // One pass the compiler turns into vector code. Distance and index share one key,
    // distance in the high bits (at most 3 × 255² < 2^18, so the key stays below 2^26):
    // the smallest key is the nearest entry and, of equally near ones, the lowest index.
    int32_t best = INT32_MAX;
    for (int32_t i = 0; i < m_count; ++i) {
        const int32_t distance = SquaredDifference(m_red[i], red) + SquaredDifference(m_green[i], green) +
                                 SquaredDifference(m_blue[i], blue);
        best = std::min(best, (distance << 8) | i);
    }
    return static_cast<uint32_t>(best & 0xFF);
}

uint32_t CLogicalPalette::NearestIndex(ColourRef colour) const
{
    ++m_searches;
    const uint32_t key = colour & 0x00FFFFFFu;
    MemoSlot& slot = m_memo[MemoSlotOf(key)];
    if (slot.colour != key)
        slot = MemoSlot{key, Search(key)};
    return slot.index;
}
