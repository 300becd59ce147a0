// PaletteChooser.h — chooses the colours of a palette for an exact histogram.
//
// Colours that fit are kept as they are: a histogram of at most `count` colours (besides
// the fixed ones) gives exactly those colours. Otherwise the colours are cut into `count`
// boxes, always cutting the box of the largest squared error, and each box gives the
// weighted mean of the true colours in it; a few passes of k-means (Lloyd's: every colour
// to its nearest entry, every entry to the mean of its colours) then move the entries
// where that lowers the error. Two cut rules are offered for measuring: the median of the
// box's pixels along its widest channel, and Wu's rule, the cut along whichever channel
// and at whichever place leaves the least squared error in the two halves.
//
//     CPaletteChooser chooser;
//     std::vector<ColourRef> chosen = chooser.Choose(histogram.Colours(), 255, reserved);
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/ExactHistogram.h"
#include "platform/bitmaps/PixelTypes.h"

enum class CutRule { Median, Variance };

struct ChooserSettings {
    CutRule cut = CutRule::Variance;
    int32_t refinePasses = 8;   // k-means passes at most; they stop early once none helps
};

class CPaletteChooser {
public:
    explicit CPaletteChooser(ChooserSettings settings = {}) : m_settings(settings) {}
    virtual ~CPaletteChooser() = default;

    // At most `count` colours (0..256) that, together with the fixed colours (entries the
    // palette has anyway), serve the counted colours with the least squared error found.
    // Colours equal to a fixed colour need no entry of their own. Throws CFatalError for a
    // count outside 0..256.
    std::vector<ColourRef> Choose(std::span<const ColourCount> colours, int32_t count,
                                  std::span<const ColourRef> fixed) const;

    // The sum over the counted colours of count × squared distance to the nearest entry.
    static double SquaredError(std::span<const ColourCount> colours, std::span<const ColourRef> entries);

private:
    // A colour of the histogram with its channels apart, as the cutting works on them.
    struct Item {
        int32_t channel[3];   // red, green, blue
        uint64_t count;
    };
    // A run of items with their sums.
    struct Box {
        size_t begin;
        size_t end;
        double error;   // the squared error of the box's items about their mean
    };

    // Colours gathered by cell, for refining: exact sums, and their mean as a colour.
    struct Cell {
        uint64_t count = 0;
        std::array<uint64_t, 3> sum{};
        double squares = 0;
        ColourRef mean = 0;
    };
    static std::vector<Cell> CellsOf(std::span<const ColourCount> colours);

    // Cuts the items into at most `count` boxes and returns their means.
    std::vector<ColourRef> CutBoxes(std::vector<Item>& items, int32_t count) const;
    // Cuts one box in two where the rule says; false when it holds one colour.
    bool CutBox(std::vector<Item>& items, const Box& box, Box& lower, Box& upper) const;
    // Moves the entries by k-means passes while that lowers the error.
    std::vector<ColourRef> Refine(std::span<const ColourCount> colours, std::vector<ColourRef> chosen,
                                  std::span<const ColourRef> fixed) const;

    static double BoxError(const std::vector<Item>& items, size_t begin, size_t end);
    static ColourRef MeanOf(const std::vector<Item>& items, size_t begin, size_t end);

    ChooserSettings m_settings;
};
