// ColourBox.h — one box of colour cells in the median-cut palette selection.
//
// A box is an inclusive range of cell coordinates on each channel (red 0..63, green
// 0..63, blue 0..31) over a histogram. The quantizer cuts boxes in two at the middle of
// their bounds along the channel with the largest weighted extent, shrinks both halves
// to the cells they really hold, and finally gives each box the weighted mean colour of
// its cells.
#pragma once

#include <cstdint>

#include "platform/bitmaps/PixelTypes.h"

class CColourHistogram;

class CColourBox {
public:
    static constexpr int32_t RED_AXIS = 0;
    static constexpr int32_t GREEN_AXIS = 1;
    static constexpr int32_t BLUE_AXIS = 2;

    CColourBox() = default;
    CColourBox(const CColourBox&) = default;
    CColourBox& operator=(const CColourBox&) = default;
    virtual ~CColourBox() = default;

    // The histogram whose cells the box operations read; not owned.
    void SetHistogram(const CColourHistogram* histogram) { m_pHistogram = histogram; }

    // Bounds covering the whole colour space.
    void SetWholeSpace();

    // Sets the bounds; throws CFatalError unless min ≤ max and both lie in the channel's
    // range.
    void SetBounds(uint32_t redMin, uint32_t redMax, uint32_t greenMin, uint32_t greenMax,
                   uint32_t blueMin, uint32_t blueMax);

    // The inclusive bounds along one axis (RED_AXIS, GREEN_AXIS or BLUE_AXIS).
    uint32_t Min(int32_t axis) const;
    uint32_t Max(int32_t axis) const;

    int32_t CellCount() const { return m_cellCount; }
    int32_t Size() const { return m_size; }
    Pixel24 Colour() const { return m_colour; }

    // Pulls each bound in past planes of empty cells.
    void Shrink();
    // Recomputes m_size from the bounds.
    void Measure();
    // Recounts the non-empty cells inside the bounds.
    void CountCells();
    // Shrink, Measure and CountCells, in that order: the state after any change of bounds.
    void Refresh();

    // The axis to cut along: the largest weighted extent, ties to green, then red.
    int32_t SplitAxis() const;

    // Cuts the box at the middle of its bounds along SplitAxis: this box keeps the lower
    // half and `newBox` becomes the upper half. Neither is refreshed.
    void SplitInto(CColourBox& newBox);

    // Sets m_colour to the weighted mean of the cells inside the bounds. Throws
    // CFatalError for a box without a counted pixel.
    void ComputeColour();

private:
    // Whether every cell of a plane within the current bounds is 0.
    bool RedPlaneEmpty(uint32_t r) const;
    bool GreenPlaneEmpty(uint32_t g) const;
    bool BluePlaneEmpty(uint32_t b) const;

    // The histogram, refusing to work without one.
    const CColourHistogram& Histogram() const;

    const CColourHistogram* m_pHistogram = nullptr;
    uint32_t m_redMin = 0;
    uint32_t m_redMax = 0;
    uint32_t m_greenMin = 0;
    uint32_t m_greenMax = 0;
    uint32_t m_blueMin = 0;
    uint32_t m_blueMax = 0;
    int32_t m_cellCount = 0;
    int32_t m_size = 0;
    Pixel24 m_colour;
};
