// GamePalette.h — the quantizer's entries as a logical palette, with a cached
// nearest-entry lookup.
//
// The nearest entry to a colour comes from the palette search and is remembered per
// colour cell (the histogram's 64 × 64 × 32 cells), so later colours of the same cell
// get the first answer without a search. The cache lives in the inherited cell array:
// 0 means "no answer yet", so a colour whose nearest entry is 0 is searched every time.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/ColourHistogram.h"
#include "platform/bitmaps/LogicalPalette.h"
#include "platform/bitmaps/PixelTypes.h"

class CQuantizer;

class CGamePalette : public CColourHistogram {
public:
    // A palette of the quantizer's first ColourCount() entries, as they stand now.
    // Throws CFatalError without a quantizer.
    explicit CGamePalette(const CQuantizer* quantizer);
    ~CGamePalette() override = default;

    // The index of the entry nearest to a colour; all colours of one cell share the
    // answer found for the first of them.
    uint32_t NearestIndex(Pixel24 colour) { return NearestIndex(colour, m_cells.data()); }

    // NearestIndex for a pass that looks up many colours between byte stores: the cells
    // are given once, held where the stores cannot make the compiler reload them.
    uint32_t NearestIndex(Pixel24 colour, const uint32_t* cells)
    {
        const uint32_t cell = CellIndex(colour.red, colour.green, colour.blue);
        const uint32_t cached = cells[cell];
        return cached != 0 ? cached : Search(ColourOf(colour), cell);
    }
    const uint32_t* Cells() const { return m_cells.data(); }

    const CLogicalPalette& LogicalPalette() const { return *m_hPalette; }

private:
    // Asks the palette search and remembers the answer for the cell.
    uint32_t Search(ColourRef colour, uint32_t cell);

    const CQuantizer* m_pQuantizer;
    std::unique_ptr<CLogicalPalette> m_hPalette;
};
