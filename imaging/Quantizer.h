// Quantizer.h — chooses one palette for a set of weighted pictures by median cut.
//
// Usage: construct with the number of palette entries, AddBitmap each picture,
// ReserveColour the key colour, Compute. The palette then reads: entry 0 black, entry 1
// the reserved colour, entries 2 onward one per box in box order, every other entry
// black. Compute also builds the palette object that maps colours to entries.
//
//     CQuantizer quantizer(256);
//     quantizer.AddBitmap(&background, 1);
//     quantizer.ReserveColour(0x00FF0000);
//     quantizer.Compute();
//     const auto& entries = quantizer.Entries();
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/ColourBox.h"
#include "imaging/ColourHistogram.h"
#include "imaging/GamePalette.h"
#include "platform/bitmaps/PixelTypes.h"

class CBitmap24;

class CQuantizer {
public:
    static constexpr int32_t MAX_QUANT_BITMAPS = 50;
    // Entries 0 (black), 1 (reserved colour) and the last are not given to boxes.
    static constexpr int32_t RESERVED_PALETTE_SLOTS = 3;
    // PC_RESERVED | PC_NOCOLLAPSE: the box colours are the program's own.
    static constexpr uint8_t BOX_ENTRY_FLAGS = 5;
    static constexpr int32_t MIN_COLOURS = 4;
    static constexpr int32_t MAX_COLOURS = 256;

    // A quantizer for a palette of colourCount entries (4..256, else CFatalError).
    explicit CQuantizer(int32_t colourCount);
    virtual ~CQuantizer();

    // The palette object keeps a pointer back to its quantizer: never copied or moved.
    CQuantizer(const CQuantizer&) = delete;
    CQuantizer& operator=(const CQuantizer&) = delete;

    // Records a picture and its weight (≥ 0); pictures beyond the 50th are ignored.
    // Only the pointer is kept: the picture must live until Compute. Throws CFatalError
    // for a missing picture or a negative weight.
    void AddBitmap(const CBitmap24* bitmap, int32_t weight);

    // Counts a picture into the palette's histogram at once, so the picture need not live
    // until Compute (a caller with many large pictures holds one at a time). Compute adds
    // these counts to those of the pictures recorded by AddBitmap; the 50 pictures are
    // counted over both. Throws CFatalError for a negative weight.
    void CountBitmap(const CBitmap24& bitmap, int32_t weight);

    // The colour of entry 1; white unless set.
    void ReserveColour(ColourRef colour) { m_reservedColour = colour; }

    // Counts the pictures, cuts the boxes, fills the entries and builds the palette object.
    void Compute();

    const std::array<PaletteEntry, 256>& Entries() const { return m_entries; }
    // The palette object; null before Compute. Its lookup cache fills as it is used.
    CGamePalette* GamePalette() const { return m_pGamePalette.get(); }
    int32_t ColourCount() const { return m_colourCount; }
    int32_t BoxCount() const { return m_boxCount; }
    // Pictures recorded or counted.
    int32_t BitmapCount() const { return m_bitmapCount + m_countedCount; }
    // One of the boxes made (0 .. BoxCount() − 1).
    const CColourBox& Box(int32_t index) const;

private:
    // Box 0 over the whole colour space; none when the histogram is empty.
    void StartFirstBox();
    // Cuts boxes until `target` exist or none can be cut.
    void SplitBoxes(int32_t target);
    // The box to cut next, or −1.
    int32_t ChooseBox(int32_t target) const;
    // Cuts one box; the upper half becomes the next box.
    void SplitBox(int32_t index);
    // Entry 1 from the reserved colour, entries 2 onward from the boxes.
    void FillEntries();

    std::unique_ptr<CGamePalette> m_pGamePalette;
    std::unique_ptr<CColourHistogram> m_pHistogram;
    std::unique_ptr<CColourHistogram> m_pCounted;   // the pictures given to CountBitmap
    int32_t m_countedCount = 0;
    int32_t m_colourCount;
    std::array<PaletteEntry, 256> m_entries{};
    int32_t m_bitmapCount = 0;
    std::array<const CBitmap24*, MAX_QUANT_BITMAPS> m_bitmaps{};
    std::array<int32_t, MAX_QUANT_BITMAPS> m_weights{};
    ColourRef m_reservedColour = KEY_FROM_FIRST_PIXEL;
    int32_t m_boxCount = 0;
    std::vector<CColourBox> m_pBoxes;
};
