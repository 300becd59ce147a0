// GamePalette.cpp — building the logical palette and answering cache misses.
#include "imaging/GamePalette.h"

#include <span>

#include "imaging/Quantizer.h"
#include "platform/bitmaps/FatalError.h"

namespace {

const CQuantizer& CheckedQuantizer(const CQuantizer* quantizer)
{
    if (quantizer == nullptr)
        throw CFatalError("palette: no quantizer to take the entries from");
    return *quantizer;
}

} // namespace

// The base histogram is built from no pictures, so the cache starts empty. Every one of
// the ColourCount() entries is described, the unused black ones included, and so every
// one takes part in the search.
CGamePalette::CGamePalette(const CQuantizer* quantizer)
    : CColourHistogram(nullptr, nullptr, 0),
      m_pQuantizer(&CheckedQuantizer(quantizer))
{
    const std::span<const PaletteEntry> entries(m_pQuantizer->Entries().data(),
                                                static_cast<size_t>(m_pQuantizer->ColourCount()));
    m_hPalette = std::make_unique<CLogicalPalette>(entries);
}

uint32_t CGamePalette::Search(ColourRef colour, uint32_t cell)
{
    const uint32_t index = m_hPalette->NearestIndex(colour);
    m_cells[cell] = index;
    return index;
}
