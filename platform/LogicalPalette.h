// LogicalPalette.h — a palette of up to 256 colours and its nearest-entry search.
//
// The nearest entry to a colour is the one with the smallest squared distance
// dr² + dg² + db²; of several equally near entries the lowest index wins. Every entry
// takes part, whatever its flags.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/PixelTypes.h"

class CLogicalPalette {
public:
    static constexpr int32_t MAX_ENTRIES = 256;

    // A palette of the given entries. Throws CFatalError for 0 or more than 256 entries.
    explicit CLogicalPalette(std::span<const PaletteEntry> entries);
    virtual ~CLogicalPalette() = default;

    int32_t EntryCount() const { return m_count; }
    PaletteEntry Entry(int32_t index) const;

    // The index of the entry nearest to a 0x00BBGGRR colour (0 .. EntryCount() − 1).
    uint32_t NearestIndex(ColourRef colour) const;

    // How many searches NearestIndex has made: lets callers show that they cache.
    uint64_t SearchCount() const { return m_searches; }

private:
    // Channels held apart, 16 bits wide, so that the distance loop runs over plain
    // arrays the compiler can vectorise.
    alignas(64) std::array<int16_t, MAX_ENTRIES> m_red{};
    alignas(64) std::array<int16_t, MAX_ENTRIES> m_green{};
    alignas(64) std::array<int16_t, MAX_ENTRIES> m_blue{};
    std::array<uint8_t, MAX_ENTRIES> m_flags{};
    int32_t m_count = 0;
    mutable uint64_t m_searches = 0;
};
