// PaletteChooser.cpp — box cutting over exact colours, then k-means refinement.
#include "imaging/PaletteChooser.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>

#include "imaging/NearestEntry.h"
#include "platform/bitmaps/FatalError.h"

namespace {

constexpr int32_t MAX_CHOSEN = 256;
// A k-means pass that lowers the error by less than this part is the last.
constexpr double MIN_GAIN = 1e-4;
// Refinement cells span 2^CELL_SHIFT values of each channel.
constexpr uint32_t CELL_SHIFT = 3;

// Running sums of a run of items: enough for its mean and its squared error.
struct Sums {
    double count = 0;
    std::array<double, 3> sum{};
    double squares = 0;

    double Error() const
    {
        if (count == 0)
            return 0;
        return squares - (sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]) / count;
    }
};

void Add(Sums& to, const Sums& more)
{
    to.count += more.count;
    for (int32_t k = 0; k < 3; ++k)
        to.sum[k] += more.sum[k];
    to.squares += more.squares;
}

Sums Minus(Sums all, const Sums& part)
{
    all.count -= part.count;
    for (int32_t k = 0; k < 3; ++k)
        all.sum[k] -= part.sum[k];
    all.squares -= part.squares;
    return all;
}

// The highest value with pixels less the lowest.
int32_t Range(const std::array<Sums, 256>& byValue)
{
    int32_t low = 0, high = 255;
    while (low < 255 && byValue[static_cast<size_t>(low)].count == 0)
        ++low;
    while (high > 0 && byValue[static_cast<size_t>(high)].count == 0)
        --high;
    return std::max(0, high - low);
}

} // namespace

std::vector<ColourRef> CPaletteChooser::Choose(std::span<const ColourCount> colours, int32_t count,
                                               std::span<const ColourRef> fixed) const
{
    if (count < 0 || count > MAX_CHOSEN)
        throw CFatalError("palette chooser: " + std::to_string(count) + " colours asked for (0 to 256 allowed)");
    std::vector<Item> items;
    for (const ColourCount& c : colours)
        if (std::find(fixed.begin(), fixed.end(), c.colour) == fixed.end())
            items.push_back({{RedOf(c.colour), GreenOf(c.colour), BlueOf(c.colour)}, c.count});
    if (items.size() <= static_cast<size_t>(count)) {   // they all fit: exactly these
        std::vector<ColourRef> exact;
        for (const Item& item : items)
            exact.push_back(MakeColour(static_cast<uint8_t>(item.channel[0]), static_cast<uint8_t>(item.channel[1]),
                                       static_cast<uint8_t>(item.channel[2])));
        return exact;
    }
    if (count == 0)
        return {};
    return Refine(colours, CutBoxes(items, count), fixed);
}

// ---------------------------------------------------------------------------------------
// Cutting
// ---------------------------------------------------------------------------------------

std::vector<ColourRef> CPaletteChooser::CutBoxes(std::vector<Item>& items, int32_t count) const
{
    std::vector<Box> boxes = {{0, items.size(), BoxError(items, 0, items.size())}};
    std::vector<bool> whole(1, false);   // per box: holds one colour, cannot be cut
    while (boxes.size() < static_cast<size_t>(count)) {
        // The box whose cutting can remove the most error: the one with the most.
        size_t pick = boxes.size();
        for (size_t i = 0; i < boxes.size(); ++i)
            if (!whole[i] && (pick == boxes.size() || boxes[i].error > boxes[pick].error))
                pick = i;
        if (pick == boxes.size())
            break;
        Box lower{}, upper{};
        if (!CutBox(items, boxes[pick], lower, upper)) {
            whole[pick] = true;
            continue;
        }
        boxes[pick] = lower;
        boxes.push_back(upper);
        whole.push_back(false);
    }
    std::vector<ColourRef> means;
    for (const Box& box : boxes)
        means.push_back(MeanOf(items, box.begin, box.end));
    return means;
}

bool CPaletteChooser::CutBox(std::vector<Item>& items, const Box& box, Box& lower, Box& upper) const
{
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = items.begin() + static_cast<std::ptrdiff_t>(box.end);
    // Per channel, the box's sums for each of the 256 values: a cut falls between two
    // values, and the sums on either side come from running totals, with no sorting.
    std::array<std::array<Sums, 256>, 3> byValue{};
    for (auto it = first; it != last; ++it) {
        const double w = static_cast<double>(it->count);
        const double squares = w * (double(it->channel[0]) * it->channel[0] + double(it->channel[1]) * it->channel[1] +
                                    double(it->channel[2]) * it->channel[2]);
        for (int32_t c = 0; c < 3; ++c) {
            Sums& s = byValue[c][static_cast<size_t>(it->channel[c])];
            s.count += w;
            for (int32_t k = 0; k < 3; ++k)
                s.sum[k] += w * it->channel[k];
            s.squares += squares;
        }
    }
    int32_t bestChannel = -1;
    int32_t bestValue = 0;   // the lower half holds values ≤ bestValue
    double best = std::numeric_limits<double>::max();
    for (int32_t c = 0; c < 3; ++c) {
        Sums all;
        for (const Sums& s : byValue[c])
            Add(all, s);
        // Wu: the cut that leaves the least error in the two halves. Median: along the
        // widest channel, the first value where the lower half holds half the pixels (or
        // the last cut there is, when one value holds more than half).
        int32_t value = -1;
        double score = std::numeric_limits<double>::max();
        Sums low;
        for (int32_t v = 0; v < 255; ++v) {
            Add(low, byValue[c][static_cast<size_t>(v)]);
            if (low.count == 0 || low.count == all.count)
                continue;
            if (m_settings.cut == CutRule::Median) {
                value = v;
                score = -static_cast<double>(Range(byValue[c]));
                if (low.count * 2 >= all.count)
                    break;
            } else if (const double error = low.Error() + Minus(all, low).Error(); error < score) {
                value = v;
                score = error;
            }
        }
        if (value >= 0 && score < best) {
            best = score;
            bestChannel = c;
            bestValue = value;
        }
    }
    if (bestChannel < 0)
        return false;   // one colour: nothing to cut
    const auto middle = std::partition(first, last, [&](const Item& item) { return item.channel[bestChannel] <= bestValue; });
    const size_t cut = static_cast<size_t>(middle - items.begin());
    lower = {box.begin, cut, BoxError(items, box.begin, cut)};
    upper = {cut, box.end, BoxError(items, cut, box.end)};
    return true;
}

double CPaletteChooser::BoxError(const std::vector<Item>& items, size_t begin, size_t end)
{
    Sums sums;
    for (size_t i = begin; i < end; ++i) {
        const double w = static_cast<double>(items[i].count);
        sums.count += w;
        for (int32_t k = 0; k < 3; ++k) {
            sums.sum[k] += w * items[i].channel[k];
            sums.squares += w * double(items[i].channel[k]) * items[i].channel[k];
        }
    }
    return std::max(0.0, sums.Error());
}

// The weighted mean, rounded to the nearest value in each channel.
ColourRef CPaletteChooser::MeanOf(const std::vector<Item>& items, size_t begin, size_t end)
{
    uint64_t count = 0;
    std::array<uint64_t, 3> sum{};
    for (size_t i = begin; i < end; ++i) {
        count += items[i].count;
        for (int32_t k = 0; k < 3; ++k)
            sum[k] += items[i].count * static_cast<uint64_t>(items[i].channel[k]);
    }
    const auto mean = [count](uint64_t s) { return static_cast<uint8_t>(count == 0 ? 0 : (s + count / 2) / count); };
    return MakeColour(mean(sum[0]), mean(sum[1]), mean(sum[2]));
}

// ---------------------------------------------------------------------------------------
// Refining
// ---------------------------------------------------------------------------------------

std::vector<CPaletteChooser::Cell> CPaletteChooser::CellsOf(std::span<const ColourCount> colours)
{
    // Cells of 8 × 8 × 8 values, each with the exact sums of its colours, in order of
    // cell number (the colours come in colour order, which is not cell order).
    std::vector<std::pair<uint32_t, ColourCount>> keyed;
    keyed.reserve(colours.size());
    for (const ColourCount& c : colours)
        keyed.push_back({uint32_t(RedOf(c.colour) >> CELL_SHIFT) << 16 | uint32_t(GreenOf(c.colour) >> CELL_SHIFT) << 8 |
                             uint32_t(BlueOf(c.colour) >> CELL_SHIFT),
                         c});
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<Cell> cells;
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (i == 0 || keyed[i].first != keyed[i - 1].first)
            cells.push_back({});
        Cell& cell = cells.back();
        const ColourCount& c = keyed[i].second;
        const std::array<uint64_t, 3> channel = {RedOf(c.colour), GreenOf(c.colour), BlueOf(c.colour)};
        cell.count += c.count;
        for (size_t k = 0; k < 3; ++k) {
            cell.sum[k] += c.count * channel[k];
            cell.squares += static_cast<double>(c.count * channel[k] * channel[k]);
        }
    }
    for (Cell& cell : cells) {
        const auto mean = [&cell](uint64_t s) { return static_cast<uint8_t>((s + cell.count / 2) / cell.count); };
        cell.mean = MakeColour(mean(cell.sum[0]), mean(cell.sum[1]), mean(cell.sum[2]));
    }
    return cells;
}

std::vector<ColourRef> CPaletteChooser::Refine(std::span<const ColourCount> colours, std::vector<ColourRef> chosen,
                                               std::span<const ColourRef> fixed) const
{
    // The passes work on cells of colours, as pngquant's do: a pass then costs one search
    // per cell, not per colour, and the sums stay exact, so an entry still moves to the
    // mean of the true colours it serves. Each pass measures the entries it starts from
    // while it assigns the cells to them, and the best palette seen is kept: rounding the
    // means can undo a pass's gain.
    const std::vector<Cell> cells = CellsOf(colours);
    std::vector<ColourRef> best = chosen;
    double bestError = std::numeric_limits<double>::max();
    for (int32_t pass = 0; pass <= m_settings.refinePasses; ++pass) {
        std::vector<ColourRef> entries(fixed.begin(), fixed.end());
        entries.insert(entries.end(), chosen.begin(), chosen.end());
        const CNearestEntry nearest(entries);
        std::vector<Cell> served(entries.size());
        double error = 0;
        for (const Cell& cell : cells) {
            const uint8_t index = nearest.Search(cell.mean);
            // Σ count × |colour − e|² = squares − 2 e·sum + count |e|², over the cell's colours.
            const ColourRef e = entries[index];
            const std::array<double, 3> ec = {double(RedOf(e)), double(GreenOf(e)), double(BlueOf(e))};
            error += cell.squares + static_cast<double>(cell.count) * (ec[0] * ec[0] + ec[1] * ec[1] + ec[2] * ec[2]);
            Cell& to = served[index];
            to.count += cell.count;
            for (size_t k = 0; k < 3; ++k) {
                error -= 2 * ec[k] * static_cast<double>(cell.sum[k]);
                to.sum[k] += cell.sum[k];
            }
        }
        const bool gained = error < bestError * (1.0 - MIN_GAIN);
        if (error < bestError) {
            best = chosen;
            bestError = error;
        }
        if (!gained)
            break;
        // Every chosen entry to the mean of the colours it serves.
        for (size_t i = 0; i < chosen.size(); ++i) {
            const Cell& s = served[fixed.size() + i];
            if (s.count == 0)
                continue;   // serves nothing now: left where it is
            const auto mean = [&s](uint64_t v) { return static_cast<uint8_t>((v + s.count / 2) / s.count); };
            chosen[i] = MakeColour(mean(s.sum[0]), mean(s.sum[1]), mean(s.sum[2]));
        }
    }
    return best;
}

double CPaletteChooser::SquaredError(std::span<const ColourCount> colours, std::span<const ColourRef> entries)
{
    if (entries.empty())
        return 0;
    const CNearestEntry nearest(entries);
    double error = 0;
    for (const ColourCount& c : colours)
        error += static_cast<double>(c.count) *
                 CNearestEntry::Distance(c.colour, entries[nearest.Search(c.colour)]);
    return error;
}
