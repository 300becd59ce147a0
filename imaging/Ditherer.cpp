// Ditherer.cpp — the error-diffusion pass over one picture.
#include "imaging/Ditherer.h"

#include <cstdlib>
#include <span>

#include "imaging/DitherCursor.h"
#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

namespace {

constexpr int32_t ERROR_TABLE_SIZE = 512;   // differences −256..255
constexpr int32_t ERROR_TABLE_ZERO = 256;    // the entry for difference 0

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

void CDitherer::BuildErrorLimit()
{
    m_errorLimitTable.resize(ERROR_TABLE_SIZE);
    for (int32_t i = 0; i < ERROR_TABLE_SIZE; ++i)
        m_errorLimitTable[i] = LimitError(i - ERROR_TABLE_ZERO);
    m_pErrorLimit = m_errorLimitTable.data() + ERROR_TABLE_ZERO;
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

Pixel24 CDitherer::KeyFor(const uint8_t* rows) const
{
    return m_keyColour == KEY_FROM_FIRST_PIXEL ? LoadPixel(rows) : PixelOf(m_keyColour);
}

// The picture is reduced where it lies: no share falls outside its pixels, so it needs
// no spare row.
void CDitherer::Dither(CBitmap24* bitmap)
{
    if (bitmap == nullptr)
        throw CFatalError("ditherer: Dither given no picture");
    CGamePalette& palette = Palette();
    if (m_pErrorLimit == nullptr)
        BuildErrorLimit();

    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if (width == 0 || height == 0)
        return;
    const size_t pictureBytes = CheckedImageBytes(width, height, "dither picture");
    if (bitmap->ByteCount() < pictureBytes)
        throw CFatalError("ditherer: the picture holds fewer bytes than its size needs");

    CDitherCursor cursor(std::span<uint8_t>(bitmap->Bits(), pictureBytes), width, height, KeyFor(bitmap->Bits()));
    for (int32_t y = 0; y < height; ++y) {
        DiffusePixels(cursor, width, palette);
        if (y + 1 < height)
            cursor.NextRow();
    }
}

// No serpentine order: every row runs left to right. The tables are taken into locals
// first: the cursor's byte stores could alias any member as far as the compiler knows,
// and would make it reload each one, on the path from one pixel to the next, every time.
void CDitherer::DiffusePixels(CDitherCursor& cursor, int32_t width, CGamePalette& palette) const
{
    const uint32_t* const cells = palette.Cells();
    const PaletteEntry* const entries = m_pQuantizer->Entries().data();
    const int32_t* const errorLimit = m_pErrorLimit;
    for (int32_t x = 0; x < width; ++x) {
        if (!cursor.AtKey()) {
            // The pixel's present value includes the shares it has received.
            const Pixel24 pixel = cursor.Current();
            const PaletteEntry& entry = entries[palette.NearestIndex(pixel, cells)];
            cursor.SetCurrent(Pixel24{entry.blue, entry.green, entry.red});
            // Differences taken in pointer width, so that indexing needs no sign extension.
            cursor.Diffuse(errorLimit[ptrdiff_t{pixel.red} - ptrdiff_t{entry.red}],
                           errorLimit[ptrdiff_t{pixel.green} - ptrdiff_t{entry.green}],
                           errorLimit[ptrdiff_t{pixel.blue} - ptrdiff_t{entry.blue}]);
        }
        cursor.NextPixel();
    }
}
