// LogicalPalette.h — a palette of up to 256 colours and its nearest-entry search.
//
// The nearest entry to a colour is the one with the smallest squared distance
// dr² + dg² + db²; of several equally near entries the lowest index wins. Every entry
// takes part, whatever its flags.
//
// The palette never changes once made, so neither does the answer for a colour: the
// search remembers its latest answers in a small table keyed by the whole colour, and a
// colour asked again is answered from there. Callers whose own caches cannot hold an
// answer ask for the same colours over and over; SearchCount still counts every question.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

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

    // How many times NearestIndex has been asked, remembered answers included: lets
    // callers show that they cache.
    uint64_t SearchCount() const { return m_searches; }

private:
    // One remembered answer; a colour above 0x00FFFFFF marks a slot never filled.
    struct MemoSlot {
        uint32_t colour = UINT32_MAX;
        uint32_t index = 0;
    };
    static constexpr uint32_t MEMO_BITS = 12;   // 4096 slots, 32 KB

    // The slot a 24-bit colour is remembered in: a multiplicative hash, so that colours
    // differing only in their low bits (the common case) spread over the table.
    static uint32_t MemoSlotOf(uint32_t colour) { return (colour * 0x9E3779B1u) >> (32 - MEMO_BITS); }

    // The nearest entry by a full pass over the entries.
    uint32_t Search(uint32_t colour) const;

    // Channels held apart, 16 bits wide, so that the distance loop runs over plain
    // arrays the compiler can vectorise.
    alignas(64) std::array<int16_t, MAX_ENTRIES> m_red{};
    alignas(64) std::array<int16_t, MAX_ENTRIES> m_green{};
    alignas(64) std::array<int16_t, MAX_ENTRIES> m_blue{};
    std::array<uint8_t, MAX_ENTRIES> m_flags{};
    int32_t m_count = 0;
    mutable uint64_t m_searches = 0;
    mutable std::vector<MemoSlot> m_memo;
};
