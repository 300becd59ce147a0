// NearestEntry.cpp — a search over entries sorted by red, and its cache.
#include "imaging/NearestEntry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "platform/bitmaps/FatalError.h"

CNearestEntry::CNearestEntry(std::span<const ColourRef> colours)
{
    if (colours.empty() || colours.size() > MAX_ENTRIES)
        throw CFatalError("nearest-entry search over " + std::to_string(colours.size()) + " entries (1 to 256 allowed)");
    m_axis = PrincipalAxis(colours);
    for (size_t i = 0; i < colours.size(); ++i) {
        const int32_t red = RedOf(colours[i]), green = GreenOf(colours[i]), blue = BlueOf(colours[i]);
        m_sorted.push_back({Place(red, green, blue), red, green, blue, static_cast<int32_t>(i)});
    }
    std::stable_sort(m_sorted.begin(), m_sorted.end(),
                     [](const SortedEntry& a, const SortedEntry& b) { return a.place < b.place; });
}

std::array<double, 3> CNearestEntry::PrincipalAxis(std::span<const ColourRef> colours)
{
    std::array<double, 3> mean{};
    for (const ColourRef c : colours) {
        mean[0] += RedOf(c);
        mean[1] += GreenOf(c);
        mean[2] += BlueOf(c);
    }
    for (double& m : mean)
        m /= static_cast<double>(colours.size());
    std::array<std::array<double, 3>, 3> covariance{};
    for (const ColourRef c : colours) {
        const std::array<double, 3> d = {RedOf(c) - mean[0], GreenOf(c) - mean[1], BlueOf(c) - mean[2]};
        for (size_t i = 0; i < 3; ++i)
            for (size_t j = 0; j < 3; ++j)
                covariance[i][j] += d[i] * d[j];
    }
    const double grey = 1.0 / std::sqrt(3.0);
    std::array<double, 3> axis = {grey, grey, grey};
    for (int32_t step = 0; step < 32; ++step) {
        std::array<double, 3> next{};
        for (size_t i = 0; i < 3; ++i)
            next[i] = covariance[i][0] * axis[0] + covariance[i][1] * axis[1] + covariance[i][2] * axis[2];
        const double length = std::sqrt(next[0] * next[0] + next[1] * next[1] + next[2] * next[2]);
        if (length < 1e-9)
            return axis;   // no spread along this direction (or none at all): keep it
        for (size_t i = 0; i < 3; ++i)
            axis[i] = next[i] / length;
    }
    return axis;
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
    // Outwards from the colour's place on the axis, upwards and downwards, each way stopping
    // where the distance along the axis alone is more than the best: the whole distance is
    // never less than that, so no entry beyond can be nearer. The margin of a half covers
    // the rounding of the places; distances are whole numbers.
    const double place = Place(red, green, blue);
    const auto start = std::lower_bound(m_sorted.begin(), m_sorted.end(), place,
                                        [](const SortedEntry& e, double p) { return e.place < p; });
    const auto beyond = [&](double entryPlace) {
        const double along = entryPlace - place;
        return along * along > best + 0.5;
    };
    auto up = start;
    auto down = start;
    bool upOpen = up != m_sorted.end(), downOpen = down != m_sorted.begin();
    while (upOpen || downOpen) {
        if (upOpen) {
            if (beyond(up->place)) {
                upOpen = false;
            } else {
                consider(*up);
                upOpen = ++up != m_sorted.end();
            }
        }
        if (downOpen) {
            if (beyond(std::prev(down)->place)) {
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
