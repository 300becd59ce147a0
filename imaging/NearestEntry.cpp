// NearestEntry.cpp — a search over entries sorted by red, and its cache.
#include "imaging/NearestEntry.h"

#include <algorithm>
#include <limits>
#include <string>

#include "platform/bitmaps/FatalError.h"

CNearestEntry::CNearestEntry(std::span<const ColourRef> colours)
{
    if (colours.empty() || colours.size() > MAX_ENTRIES)
        throw CFatalError("nearest-entry search over " + std::to_string(colours.size()) + " entries (1 to 256 allowed)");
    for (size_t i = 0; i < colours.size(); ++i)
        m_sorted.push_back({RedOf(colours[i]), GreenOf(colours[i]), BlueOf(colours[i]), static_cast<int32_t>(i)});
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [](const SortedEntry& a, const SortedEntry& b) { return a.red < b.red; });
}

int32_t CNearestEntry::Distance(ColourRef a, ColourRef b)
{
    const int32_t red = RedOf(a) - RedOf(b), green = GreenOf(a) - GreenOf(b), blue = BlueOf(a) - BlueOf(b);
    return red * red + green * green + blue * blue;
}

uint8_t CNearestEntry::Search(ColourRef colour) const
{
    const int32_t red = RedOf(colour), green = GreenOf(colour), blue = BlueOf(colour);
    int32_t best = std::numeric_limits<int32_t>::max();
    int32_t bestIndex = 0;
    const auto consider = [&](const SortedEntry& e) {
        const int32_t dr = e.red - red, dg = e.green - green, db = e.blue - blue;
        const int32_t distance = dr * dr + dg * dg + db * db;
        if (distance < best || (distance == best && e.index < bestIndex)) {
            best = distance;
            bestIndex = e.index;
        }
    };
    // Outwards from the first entry of red ≥ the colour's, upwards and downwards, each way
    // stopping where red alone is farther than the best: no entry beyond can be nearer.
    const auto start = std::lower_bound(m_sorted.begin(), m_sorted.end(), red,
                                        [](const SortedEntry& e, int32_t r) { return e.red < r; });
    auto up = start;
    auto down = start;
    bool upOpen = up != m_sorted.end(), downOpen = down != m_sorted.begin();
    while (upOpen || downOpen) {
        if (upOpen) {
            const int32_t dr = up->red - red;
            if (dr * dr > best) {
                upOpen = false;
            } else {
                consider(*up);
                upOpen = ++up != m_sorted.end();
            }
        }
        if (downOpen) {
            const int32_t dr = red - std::prev(down)->red;
            if (dr * dr > best) {
                downOpen = false;
            } else {
                consider(*--down);
                downOpen = down != m_sorted.begin();
            }
        }
    }
    return static_cast<uint8_t>(bestIndex);
}

uint8_t CNearestEntry::Remember(ColourRef colour, uint32_t slot)
{
    const uint8_t index = Search(colour);
    if (m_cache.empty())
        m_cache.assign(size_t{1} << CACHE_BITS, 0);
    m_cache[slot] = CACHED | (uint64_t{index} << INDEX_SHIFT) | colour;
    return index;
}
