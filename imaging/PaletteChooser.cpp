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
    const size_t n = box.end - box.begin;
    if (n < 2)
        return false;
    const auto first = items.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = items.begin() + static_cast<std::ptrdiff_t>(box.end);
    // Sorted by one channel, ties by the others, so the order never depends on the sort.
    const auto sortBy = [&](int32_t channel) {
        std::sort(first, last, [channel](const Item& a, const Item& b) {
            for (int32_t k = 0; k < 3; ++k) {
                const int32_t c = (channel + k) % 3;
                if (a.channel[c] != b.channel[c])
                    return a.channel[c] < b.channel[c];
            }
            return false;
        });
    };

    int32_t bestChannel = 0;
    size_t bestCut = 0;   // the lower half's item count
    if (m_settings.cut == CutRule::Median) {
        std::array<int32_t, 3> range{};
        for (int32_t c = 0; c < 3; ++c) {
            const auto [low, high] = std::minmax_element(
                first, last, [c](const Item& a, const Item& b) { return a.channel[c] < b.channel[c]; });
            range[c] = high->channel[c] - low->channel[c];
        }
        bestChannel = static_cast<int32_t>(std::max_element(range.begin(), range.end()) - range.begin());
        sortBy(bestChannel);
        double total = 0;
        for (auto it = first; it != last; ++it)
            total += static_cast<double>(it->count);
        double below = 0;
        while (bestCut < n - 1 && below + static_cast<double>(first[bestCut].count) <= total / 2)
            below += static_cast<double>(first[bestCut++].count);
        bestCut = std::max<size_t>(bestCut, 1);
    } else {
        double bestError = std::numeric_limits<double>::max();
        for (int32_t c = 0; c < 3; ++c) {
            sortBy(c);
            Sums all;
            for (auto it = first; it != last; ++it) {
                const double w = static_cast<double>(it->count);
                all.count += w;
                for (int32_t k = 0; k < 3; ++k)
                    all.sum[k] += w * it->channel[k];
                all.squares += w * (double(it->channel[0]) * it->channel[0] + double(it->channel[1]) * it->channel[1] +
                                    double(it->channel[2]) * it->channel[2]);
            }
            Sums low;
            for (size_t k = 0; k + 1 < n; ++k) {
                const Item& item = first[static_cast<std::ptrdiff_t>(k)];
                const double w = static_cast<double>(item.count);
                low.count += w;
                for (int32_t j = 0; j < 3; ++j)
                    low.sum[j] += w * item.channel[j];
                low.squares += w * (double(item.channel[0]) * item.channel[0] + double(item.channel[1]) * item.channel[1] +
                                    double(item.channel[2]) * item.channel[2]);
                Sums high = all;
                high.count -= low.count;
                for (int32_t j = 0; j < 3; ++j)
                    high.sum[j] -= low.sum[j];
                high.squares -= low.squares;
                const double error = low.Error() + high.Error();
                if (error < bestError) {
                    bestError = error;
                    bestChannel = c;
                    bestCut = k + 1;
                }
            }
        }
        sortBy(bestChannel);
    }
    const size_t middle = box.begin + bestCut;
    lower = {box.begin, middle, BoxError(items, box.begin, middle)};
    upper = {middle, box.end, BoxError(items, middle, box.end)};
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

std::vector<ColourRef> CPaletteChooser::Refine(std::span<const ColourCount> colours, std::vector<ColourRef> chosen,
                                               std::span<const ColourRef> fixed) const
{
    const auto withFixed = [&fixed](const std::vector<ColourRef>& entries) {
        std::vector<ColourRef> all(fixed.begin(), fixed.end());
        all.insert(all.end(), entries.begin(), entries.end());
        return all;
    };
    double error = SquaredError(colours, withFixed(chosen));
    for (int32_t pass = 0; pass < m_settings.refinePasses; ++pass) {
        // Every colour to its nearest entry; every chosen entry to the mean of its colours.
        const std::vector<ColourRef> entries = withFixed(chosen);
        CNearestEntry nearest(entries);
        std::vector<std::array<uint64_t, 4>> sums(entries.size(), {0, 0, 0, 0});
        for (const ColourCount& c : colours) {
            std::array<uint64_t, 4>& s = sums[nearest.Search(c.colour)];
            s[0] += c.count * RedOf(c.colour);
            s[1] += c.count * GreenOf(c.colour);
            s[2] += c.count * BlueOf(c.colour);
            s[3] += c.count;
        }
        std::vector<ColourRef> moved = chosen;
        for (size_t i = 0; i < chosen.size(); ++i) {
            const std::array<uint64_t, 4>& s = sums[fixed.size() + i];
            if (s[3] == 0)
                continue;   // serves nothing now: left where it is
            const auto mean = [&s](uint64_t v) { return static_cast<uint8_t>((v + s[3] / 2) / s[3]); };
            moved[i] = MakeColour(mean(s[0]), mean(s[1]), mean(s[2]));
        }
        const double movedError = SquaredError(colours, withFixed(moved));
        if (movedError >= error)
            break;   // rounding can undo a pass's gain: keep the better palette
        chosen = std::move(moved);
        error = movedError;
    }
    return chosen;
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
