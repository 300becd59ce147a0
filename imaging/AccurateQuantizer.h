// AccurateQuantizer.h — one palette for a set of pictures, chosen for fidelity, and each
// picture reduced to it: tolmix-image's default method, beside the program's own
// (CQuantizer, CDitherer).
//
// It works in two passes that never need two pictures at once. The first counts each
// picture's pixels by exact colour, its key pixels left out; Compute then chooses the
// colours (CPaletteChooser), keeps only those some counted colour is nearest to, and lays
// the palette out: the reserved colour if any, the chosen colours by brightness, then one
// entry per key colour that marked pixels. The second pass reduces each picture to
// indices (CPaletteDitherer): a pixel takes a key entry exactly when it is a key pixel of
// its picture, and otherwise its truly nearest colour entry, so a key never makes holes
// whatever its colour.
//
//     CAccurateQuantizer quantizer(16);
//     for (picture : pictures) quantizer.AddPicture(picture, key);     // pass 1
//     quantizer.Compute();
//     for (picture : pictures) write(quantizer.Reduce(picture, key, true));   // pass 2
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "imaging/ExactHistogram.h"
#include "imaging/NearestEntry.h"
#include "imaging/PaletteChooser.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

class CAccurateQuantizer {
public:
    static constexpr int32_t MIN_COLOURS = 1;
    static constexpr int32_t MAX_COLOURS = 256;

    // A palette of at most `colours` entries (1..256, else CFatalError), keys included.
    explicit CAccurateQuantizer(int32_t colours, ChooserSettings settings = {});
    virtual ~CAccurateQuantizer();

    CAccurateQuantizer(const CAccurateQuantizer&) = delete;
    CAccurateQuantizer& operator=(const CAccurateQuantizer&) = delete;

    // An entry of this colour, first in the palette, whether any pixel takes it or not.
    void Reserve(ColourRef colour) { m_reserved = colour; }

    // Pass 1: counts the picture's pixels, except those of its key colour (none without a
    // key); a key colour that marked pixels gets an entry of its own.
    void AddPicture(const CBitmap24& picture, std::optional<ColourRef> key);

    // Chooses the palette. Throws CFatalError when the key entries and the reserved one
    // leave no entry for the pictures' other colours.
    void Compute();

    // The palette after Compute: the entries pixels may take, then the key entries.
    const std::vector<ColourRef>& Colours() const { return m_colours; }
    int32_t ColourEntryCount() const { return m_colourEntries; }
    // The entry of a key colour's pixels; none when no picture had pixels of it.
    std::optional<uint8_t> KeyIndex(ColourRef key) const;

    // Pass 2: the picture as indices into Colours(), rows packed, by error diffusion or
    // (diffuse false) nearest entries. The picture and key must be as counted in pass 1.
    // Throws CFatalError before Compute or for a pixel that pass 1 did not count.
    std::vector<uint8_t> Reduce(const CBitmap24& picture, std::optional<ColourRef> key, bool diffuse);

    // The order entries are listed in: darker first, ties by colour value.
    static bool ListedBefore(ColourRef a, ColourRef b);

private:
    // The chosen colours that some counted colour is nearest to, beside the fixed ones.
    std::vector<ColourRef> UsedOnly(const std::vector<ColourCount>& counted, const std::vector<ColourRef>& fixed,
                                    const std::vector<ColourRef>& chosen) const;

    int32_t m_maxColours;
    ChooserSettings m_settings;
    std::optional<ColourRef> m_reserved;
    CExactHistogram m_histogram;
    std::vector<ColourRef> m_keys;   // in the order the pictures first showed them
    std::vector<ColourRef> m_colours;
    int32_t m_colourEntries = 0;
    bool m_computed = false;
    std::unique_ptr<CNearestEntry> m_pNearest;
};
