// Ditherer.cpp — the error-diffusion pass over one picture.
#include "imaging/Ditherer.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <span>

#include "imaging/DitherCursor.h"
#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/KeyColour.h"

namespace {

constexpr int32_t ERROR_TABLE_SIZE = 512;   // differences −256..255
constexpr int32_t ERROR_TABLE_ZERO = 256;    // the entry for difference 0

// The shares one pixel owes the next, per channel.
struct CarriedShare {
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;
};

// A pixel with the share carried to it added, each channel clamped to 0..255 (by compare
// and move: a table look-up would lengthen the chain from pixel to pixel).
Pixel24 AddShare(Pixel24 pixel, const CarriedShare& share)
{
    return Pixel24{static_cast<uint8_t>(std::clamp(pixel.blue + share.blue, 0, 255)),
                   static_cast<uint8_t>(std::clamp(pixel.green + share.green, 0, 255)),
                   static_cast<uint8_t>(std::clamp(pixel.red + share.red, 0, 255))};
}

} // namespace

// ---------------------------------------------------------------------------------------
// Error limit
// ---------------------------------------------------------------------------------------

// Small differences pass whole; large ones are damped so that a sharp edge does not
// smear a streak of wrong colours across its neighbours.
int32_t CDitherer::LimitError(int32_t difference)
{
    const int32_t magnitude = std::abs(difference);
    int32_t limited = 32;
    if (magnitude <= 15)
        limited = magnitude;
    else if (magnitude <= 47)
        limited = 16 + (magnitude - 16) / 2;
    return difference < 0 ? -limited : limited;
}

void CDitherer::BuildErrorTables()
{
    m_errorLimitTable.resize(ERROR_TABLE_SIZE);
    m_rightShareTable.resize(ERROR_TABLE_SIZE);
    for (int32_t i = 0; i < ERROR_TABLE_SIZE; ++i) {
        m_errorLimitTable[i] = LimitError(i - ERROR_TABLE_ZERO);
        m_rightShareTable[i] = (m_errorLimitTable[i] * DitherWeights::RIGHT) >> DitherWeights::SHIFT;   // floor, as below
    }
    m_pErrorLimit = m_errorLimitTable.data() + ERROR_TABLE_ZERO;
    m_pRightShare = m_rightShareTable.data() + ERROR_TABLE_ZERO;
}

// ---------------------------------------------------------------------------------------
// The pass
// ---------------------------------------------------------------------------------------

CGamePalette& CDitherer::Palette() const
{
    if (m_pQuantizer == nullptr || m_pQuantizer->GamePalette() == nullptr)
        throw CFatalError("ditherer: no computed quantizer to take the palette from");
    return *m_pQuantizer->GamePalette();
}

// The picture is reduced where it lies: no share falls outside its pixels, so it needs
// no spare row.
void CDitherer::Dither(CBitmap24* bitmap)
{
    if (bitmap == nullptr)
        throw CFatalError("ditherer: Dither given no picture");
    CGamePalette& palette = Palette();
    if (m_pErrorLimit == nullptr)
        BuildErrorTables();

    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if (width == 0 || height == 0)
        return;
    const size_t pictureBytes = CheckedImageBytes(width, height, "dither picture");
    if (bitmap->ByteCount() < pictureBytes)
        throw CFatalError("ditherer: the picture holds fewer bytes than its size needs");

    const std::optional<ColourRef> key = ResolveKey(m_keyColour, *bitmap);
    CDitherCursor cursor(std::span<uint8_t>(bitmap->Bits(), pictureBytes), width, height,
                         key ? std::optional<Pixel24>(PixelOf(*key)) : std::nullopt);
    for (int32_t y = 0; y < height; ++y) {
        DiffusePixels(cursor, width, palette);
        if (y + 1 < height)
            cursor.NextRow();
    }
}

// No serpentine order: every row runs left to right. The tables are taken into locals
// first: the cursor's byte stores could alias any member as far as the compiler knows,
// and would make it reload each one between pixels.
void CDitherer::DiffusePixels(CDitherCursor& cursor, int32_t width, CGamePalette& palette) const
{
    const uint32_t* const cells = palette.Cells();
    const PaletteEntry* const entries = m_pQuantizer->Entries().data();
    const int32_t* const errorLimit = m_pErrorLimit;
    const int32_t* const rightShare = m_pRightShare;
    CarriedShare carried;   // from the pixel before; none reaches a row's first pixel
    for (int32_t x = 0; x < width; ++x) {
        if (cursor.AtKey()) {
            carried = {};   // a key pixel takes no share and passes none on
        } else {
            // The pixel's present value: the shares from the row above are in it already.
            const Pixel24 pixel = AddShare(cursor.Current(), carried);
            const PaletteEntry& entry = entries[palette.NearestIndex(pixel, cells)];
            cursor.SetCurrent(Pixel24{entry.blue, entry.green, entry.red});
            // Differences taken in pointer width, so that indexing needs no sign extension.
            const ptrdiff_t red = ptrdiff_t{pixel.red} - ptrdiff_t{entry.red};
            const ptrdiff_t green = ptrdiff_t{pixel.green} - ptrdiff_t{entry.green};
            const ptrdiff_t blue = ptrdiff_t{pixel.blue} - ptrdiff_t{entry.blue};
            cursor.DiffuseBelow(errorLimit[red], errorLimit[green], errorLimit[blue]);
            carried = CarriedShare{rightShare[red], rightShare[green], rightShare[blue]};
        }
        cursor.NextPixel();
    }
}
