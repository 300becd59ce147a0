// ExactHistogram.cpp — pixel counts per exact colour in a linear-probing hash table.
#include "imaging/ExactHistogram.h"

#include <algorithm>

namespace {

constexpr size_t FIRST_SLOTS = 1024;

// The slot a colour's search starts at, in a table of 2^k slots (mask = 2^k − 1).
size_t HomeSlot(ColourRef colour, size_t mask)
{
    // Fibonacci hashing spreads neighbouring colours over the table.
    return static_cast<size_t>((uint64_t{colour} * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

} // namespace

CExactHistogram::CExactHistogram() : m_slots(FIRST_SLOTS, 0) {}

uint64_t CExactHistogram::AddPicture(const CBitmap24& picture, std::optional<ColourRef> key)
{
    uint64_t keyPixels = 0;
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* row = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        // Runs of one colour are counted once: flat areas cost one table visit.
        int32_t x = 0;
        while (x < picture.Width()) {
            const ColourRef colour = ColourOf(LoadPixel(row + 3 * x));
            int32_t end = x + 1;
            while (end < picture.Width() && ColourOf(LoadPixel(row + 3 * end)) == colour)
                ++end;
            const auto run = static_cast<uint64_t>(end - x);
            if (colour == key)
                keyPixels += run;
            else
                Add(colour, run);
            x = end;
        }
    }
    return keyPixels;
}

void CExactHistogram::Add(ColourRef colour, uint64_t count)
{
    const uint64_t tag = uint64_t{colour | OCCUPIED} << COUNT_BITS;
    const size_t mask = m_slots.size() - 1;
    for (size_t i = HomeSlot(colour, mask);; i = (i + 1) & mask) {
        uint64_t& slot = m_slots[i];
        if (slot == 0) {
            slot = tag | count;
            m_pixels += count;
            if (++m_used * 2 > m_slots.size())   // at most half full: probes stay short
                Grow();
            return;
        }
        if ((slot & ~COUNT_MASK) == tag) {
            slot += count;
            m_pixels += count;
            return;
        }
    }
}

void CExactHistogram::Grow()
{
    std::vector<uint64_t> old(m_slots.size() * 2, 0);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const uint64_t slot : old) {
        if (slot == 0)
            continue;
        const auto colour = static_cast<ColourRef>((slot >> COUNT_BITS) & ~OCCUPIED);
        size_t i = HomeSlot(colour, mask);
        while (m_slots[i] != 0)
            i = (i + 1) & mask;
        m_slots[i] = slot;
    }
}

std::vector<ColourCount> CExactHistogram::Colours() const
{
    std::vector<ColourCount> colours;
    colours.reserve(m_used);
    for (const uint64_t slot : m_slots)
        if (slot != 0)
            colours.push_back({static_cast<ColourRef>((slot >> COUNT_BITS) & ~OCCUPIED), slot & COUNT_MASK});
    std::sort(colours.begin(), colours.end(), [](const ColourCount& a, const ColourCount& b) { return a.colour < b.colour; });
    return colours;
}
