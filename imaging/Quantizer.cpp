// Quantizer.cpp — median-cut palette selection over the weighted colour histogram.
#include "imaging/Quantizer.h"

#include <string>

#include "platform/bitmaps/FatalError.h"

// ---------------------------------------------------------------------------------------
// Setting up
// ---------------------------------------------------------------------------------------

// Fewer than 4 entries would leave no entry for a box.
static int32_t CheckedColourCount(int32_t colourCount)
{
    if (colourCount < CQuantizer::MIN_COLOURS || colourCount > CQuantizer::MAX_COLOURS)
        throw CFatalError("quantizer: " + std::to_string(colourCount) +
                          " palette entries (4 to 256 allowed)");
    return colourCount;
}

CQuantizer::CQuantizer(int32_t colourCount)
    : m_colourCount(CheckedColourCount(colourCount)),
      m_pBoxes(static_cast<size_t>(m_colourCount))
{
}

// Out of line, where CGamePalette is complete.
CQuantizer::~CQuantizer() = default;

void CQuantizer::AddBitmap(const CBitmap24* bitmap, int32_t weight)
{
    if (bitmap == nullptr)
        throw CFatalError("quantizer: AddBitmap given no picture");
    if (weight < 0)
        throw CFatalError("quantizer: AddBitmap given the negative weight " + std::to_string(weight));
    if (BitmapCount() >= MAX_QUANT_BITMAPS)
        return;   // the palette serves the first 50 pictures; later ones do not steer it
    m_bitmaps[m_bitmapCount] = bitmap;
    m_weights[m_bitmapCount] = weight;
    ++m_bitmapCount;
}

// Counts are sums modulo 2^32, so a picture counted now adds the same to its cells as one
// counted in Compute.
void CQuantizer::CountBitmap(const CBitmap24& bitmap, int32_t weight)
{
    if (weight < 0)
        throw CFatalError("quantizer: CountBitmap given the negative weight " + std::to_string(weight));
    if (BitmapCount() >= MAX_QUANT_BITMAPS)
        return;
    if (!m_pCounted)
        m_pCounted = std::make_unique<CColourHistogram>(nullptr, nullptr, 0);
    m_pCounted->Add(bitmap, weight);
    ++m_countedCount;
}

const CColourBox& CQuantizer::Box(int32_t index) const
{
    if (index < 0 || index >= m_boxCount)
        throw CFatalError("quantizer: box " + std::to_string(index) + " does not exist");
    return m_pBoxes[index];
}

// ---------------------------------------------------------------------------------------
// Computing the palette
// ---------------------------------------------------------------------------------------

// Safe to repeat: every result of an earlier Compute is replaced.
void CQuantizer::Compute()
{
    const int32_t target = m_colourCount - RESERVED_PALETTE_SLOTS;
    m_pGamePalette.reset();
    m_entries = {};
    m_boxCount = 0;
    m_pHistogram = std::make_unique<CColourHistogram>(m_bitmaps.data(), m_weights.data(), m_bitmapCount);
    if (m_pCounted)
        m_pHistogram->Add(*m_pCounted);

    StartFirstBox();
    SplitBoxes(target);
    FillEntries();
    m_pGamePalette = std::make_unique<CGamePalette>(this);
}

// An empty histogram (no pictures, or only empty or weightless ones) has no colour to
// average, so it gets no box and entries 2 onward stay black.
void CQuantizer::StartFirstBox()
{
    for (CColourBox& box : m_pBoxes)
        box.SetHistogram(m_pHistogram.get());
    CColourBox& first = m_pBoxes[0];
    first.SetWholeSpace();
    first.Refresh();
    m_boxCount = first.CellCount() > 0 ? 1 : 0;
}

void CQuantizer::SplitBoxes(int32_t target)
{
    while (m_boxCount > 0 && m_boxCount < target) {
        const int32_t chosen = ChooseBox(target);
        if (chosen < 0)
            return;   // every box is a single cell
        SplitBox(chosen);
    }
}

// The first half of the cuts goes to the most populous boxes, the second half to the
// largest. Only a strictly better value displaces the choice, so ties go to the lowest
// index and a box whose value is 0 is never chosen.
int32_t CQuantizer::ChooseBox(int32_t target) const
{
    const bool byCells = 2 * m_boxCount <= target;
    int32_t chosen = -1;
    int32_t best = 0;
    for (int32_t i = 0; i < m_boxCount; ++i) {
        const CColourBox& box = m_pBoxes[i];
        if (byCells && box.Size() <= 0)
            continue;
        const int32_t value = byCells ? box.CellCount() : box.Size();
        if (value > best) {
            best = value;
            chosen = i;
        }
    }
    return chosen;
}

void CQuantizer::SplitBox(int32_t index)
{
    CColourBox& chosen = m_pBoxes[index];
    CColourBox& added = m_pBoxes[m_boxCount];
    chosen.SplitInto(added);
    chosen.Refresh();
    added.Refresh();
    ++m_boxCount;
}

void CQuantizer::FillEntries()
{
    m_entries[1] = PaletteEntry{RedOf(m_reservedColour), GreenOf(m_reservedColour),
                                BlueOf(m_reservedColour), 0};
    for (int32_t i = 0; i < m_boxCount; ++i) {
        CColourBox& box = m_pBoxes[i];
        box.ComputeColour();
        const Pixel24 colour = box.Colour();
        m_entries[2 + i] = PaletteEntry{colour.red, colour.green, colour.blue, BOX_ENTRY_FLAGS};
    }
}
