// NearestEntry.h — the palette entry truly nearest to a colour, remembered per exact colour.
//
// Nearness is the squared distance in red, green and blue; of equally near entries the
// lowest index wins. The entries are ordered along the direction in which their colours
// spread most (their principal axis); the search walks outwards from the colour's place on
// that axis and stops once the distance along the axis alone is more than the best found,
// so it visits a few of 256 entries for most colours. Answers are kept in a direct-mapped cache keyed by
// the whole 24-bit colour (never by a cell of colours), so a cached answer is always the
// answer the search would give.
//
//     CNearestEntry nearest(colours);           // the entries pixels may take
//     const uint8_t index = nearest.Find(MakeColour(12, 200, 40));
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

class CNearestEntry {
public:
    static constexpr size_t MAX_ENTRIES = 256;

    // A search over the colours (1 to 256, else CFatalError); entry i is colours[i].
    explicit CNearestEntry(std::span<const ColourRef> colours);
    virtual ~CNearestEntry() = default;

    // The index of the entry nearest to the colour.
    uint8_t Find(ColourRef colour)
    {
        const uint32_t slot = CacheSlot(colour);
        const uint64_t cached = m_cache.empty() ? 0 : m_cache[slot];
        if ((cached & ~INDEX_MASK) == (CACHED | colour))
            return static_cast<uint8_t>(cached >> INDEX_SHIFT);
        return Remember(colour, slot);
    }

    // The same without the cache: the reference the cache is held to.
    uint8_t Search(ColourRef colour) const;

    // The squared distance between two colours.
    static int32_t Distance(ColourRef a, ColourRef b);

    size_t EntryCount() const { return m_sorted.size(); }

private:
    static constexpr uint32_t CACHE_BITS = 16;
    // A cache word: CACHED | index << 24 | colour. An empty word (0) lacks CACHED.
    static constexpr uint64_t CACHED = uint64_t{1} << 32;
    static constexpr uint32_t INDEX_SHIFT = 24;
    static constexpr uint64_t INDEX_MASK = uint64_t{0xFF} << INDEX_SHIFT;

    // An entry's place on the axis, colour and index, kept in order of place.
    struct SortedEntry {
        double place;
        int32_t red;
        int32_t green;
        int32_t blue;
        int32_t index;
    };

    static uint32_t CacheSlot(ColourRef colour)
    {
        return static_cast<uint32_t>((uint64_t{colour} * 0x9E3779B97F4A7C15ull) >> (64 - CACHE_BITS));
    }
    // Searches and stores the answer in the slot; makes the cache on first use, so a
    // search that only Search()es costs no cache.
    uint8_t Remember(ColourRef colour, uint32_t slot);

    // The place of a colour on the axis.
    double Place(int32_t red, int32_t green, int32_t blue) const
    {
        return m_axis[0] * red + m_axis[1] * green + m_axis[2] * blue;
    }
    // The unit direction in which the colours spread most, by power iteration on their
    // covariance; the grey axis when they do not spread.
    static std::array<double, 3> PrincipalAxis(std::span<const ColourRef> colours);

    std::array<double, 3> m_axis{};
    std::vector<SortedEntry> m_sorted;
    std::vector<uint64_t> m_cache;
};
