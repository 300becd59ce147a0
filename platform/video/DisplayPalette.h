// DisplayPalette.h — the 256 colours of a palette display mode.
//
// Surfaces of an 8-bit mode hold indexes into the palette attached to them. Converting a
// colour to an index takes the nearest entry: the smallest dr² + dg² + db², ties to the
// lowest index (the same rule as CLogicalPalette).
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/bitmaps/PixelTypes.h"
#include "platform/video/DisplayObject.h"

class CDisplayPalette : public CDisplayObject {
public:
    explicit CDisplayPalette(const std::array<PaletteEntry, 256>& entries);
    ~CDisplayPalette() override;

    const std::array<PaletteEntry, 256>& Entries() const;

    // The index of the entry nearest to a 0x00BBGGRR colour.
    uint8_t NearestIndex(ColourRef colour) const;

    // Entry i as 0x00RRGGBB, the form presentation needs.
    uint32_t Rgb(uint8_t index) const;

private:
    struct Lookup;
    std::array<PaletteEntry, 256> m_entries;
    mutable std::unique_ptr<Lookup> m_lookup;   // remembers answers per colour
};
