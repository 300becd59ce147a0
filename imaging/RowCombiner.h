// RowCombiner.h — the resampler's inner loop: an output row as a weighted sum of rows.
//
// Both rescaling passes come down to this one operation on rows of 24-bit pixels. Every
// output byte is computed exactly as the contributor-list definition says — a sum that
// starts at 0.0 and gains byte × weight for each input row in list order, in IEEE doubles,
// then clamped to 0..255 and truncated — but eight or more bytes at a time, with the same
// operations in the same order in every lane, so the vector code gives the scalar result.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

// One input row with its weight. `keyMask` has one byte per pixel, non-zero where the
// pixel is the key colour; null when the input holds no key pixel at all.
struct WeightedRow {
    const uint8_t* bits;
    const uint8_t* keyMask;
    double weight;
};

// The vector instructions a combiner sums with; all give the same bytes.
enum class InstructionSet { Plain, Avx2, Avx512 };

// Combines rows of one width. Holds its own scratch space, so each thread needs its own.
class CRowCombiner {
public:
    // The widest instruction set this processor offers.
    static InstructionSet BestInstructionSet();

    CRowCombiner(int32_t pixelCount, Pixel24 key, InstructionSet set = BestInstructionSet());
    virtual ~CRowCombiner() = default;

    // Writes the row's pixels to `out`: each the clamped weighted sum of the inputs' pixels
    // at the same position, or exactly the key where an input with a weight above 0 holds
    // a key pixel there. Inputs of weight 0 (±0.0) may be left out by the caller: adding
    // 0 × byte never changes a sum's clamped value. No inputs give black.
    void Combine(std::span<const WeightedRow> inputs, uint8_t* out);

    // Sums byteCount bytes of every input into out: one version per instruction set.
    using SumRowsFunction = void (*)(const WeightedRow* inputs, int32_t inputCount, uint8_t* out, int64_t byteCount);

private:
    SumRowsFunction m_sumRows;
    int32_t m_pixelCount;
    Pixel24 m_key;
    std::vector<uint8_t> m_hits;   // per pixel: some input of positive weight is key there
};
