// ExactHistogram.h — how many pixels of each exact colour a set of pictures holds, the key
// pixels left out.
//
// Pictures are added one at a time and may be dropped after: only the counts are kept, in
// an open-addressing table keyed by the 24-bit colour (a picture of few colours costs a
// few kilobytes; the table never holds more than the 2^24 colours there are).
//
//     CExactHistogram histogram;
//     histogram.AddPicture(picture, MakeColour(255, 0, 255));   // magenta pixels left out
//     for (const ColourCount& c : histogram.Colours()) …
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

// One colour and how many pixels have it.
struct ColourCount {
    ColourRef colour;
    uint64_t count;

    friend bool operator==(const ColourCount&, const ColourCount&) = default;
};

class CExactHistogram {
public:
    CExactHistogram();
    virtual ~CExactHistogram() = default;

    // Counts every pixel of the picture whose colour is not the key (every pixel without
    // one) and returns how many key pixels it passed over.
    uint64_t AddPicture(const CBitmap24& picture, std::optional<ColourRef> key);

    // The colours counted, each once, in increasing 0x00BBGGRR order.
    std::vector<ColourCount> Colours() const;

    size_t DistinctColours() const { return m_used; }
    uint64_t PixelCount() const { return m_pixels; }

private:
    // Adds `count` pixels of one colour.
    void Add(ColourRef colour, uint64_t count);
    // Doubles the table, placing every colour again.
    void Grow();

    // A slot holds (colour | OCCUPIED) << COUNT_BITS | count; 0 is an empty slot. 39 bits
    // count 5 × 10^11 pixels, more than 50 of the largest pictures readable hold.
    static constexpr uint32_t COUNT_BITS = 39;
    static constexpr uint64_t COUNT_MASK = (uint64_t{1} << COUNT_BITS) - 1;
    static constexpr uint32_t OCCUPIED = 1u << 24;
    std::vector<uint64_t> m_slots;
    size_t m_used = 0;
    uint64_t m_pixels = 0;
};
