// Ditherer.cpp — the error-diffusion pass over one picture.
#include "imaging/Ditherer.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <span>

#include "imaging/DitherCursor.h"
#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/Bitmap24.h"
#include "platform/FatalError.h"
#include "platform/ImageSize.h"

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

// The spare row and the 3 bytes after it are zeroed although they are never written back:
// the key test of a neighbour that straddles the last row's pad byte reads them. The
// slack the cursor's row walk needs beyond them is zeroed too, though only ever read as
// the unused last byte of a word.
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
    const size_t bufferBytes =
        CheckedImageBytes(width, int64_t{height} + 1, "dither buffer") + 3 + CDitherCursor::ROW_SLACK_BYTES;
    // The rows are copied over at once, so only the spare row and the tail are cleared.
    const std::unique_ptr<uint8_t[]> buffer = std::make_unique_for_overwrite<uint8_t[]>(bufferBytes);
    if (bitmap->ReadBits(buffer.get(), pictureBytes) != pictureBytes)
        throw CFatalError("ditherer: could not read the picture's pixels");
    std::fill(buffer.get() + pictureBytes, buffer.get() + bufferBytes, uint8_t{0});

    CDitherCursor cursor(std::span<uint8_t>(buffer.get(), bufferBytes), width, height, KeyFor(buffer.get()));
    DiffuseRows(cursor, width, height, palette);

    if (bitmap->WriteBits(buffer.get(), pictureBytes) != pictureBytes)
        throw CFatalError("ditherer: could not write the reduced pixels back");
}

// The pixel's present value includes the shares it has received.
inline ReducedPixel CDitherer::Reduce(Pixel24 pixel, CGamePalette& palette) const
{
    const PaletteEntry& entry = m_pQuantizer->Entries()[palette.NearestIndex(pixel)];
    // Differences taken in pointer width, so that indexing needs no sign extension.
    return ReducedPixel{Pixel24{entry.blue, entry.green, entry.red},
                        m_pErrorLimit[ptrdiff_t{pixel.red} - ptrdiff_t{entry.red}],
                        m_pErrorLimit[ptrdiff_t{pixel.green} - ptrdiff_t{entry.green}],
                        m_pErrorLimit[ptrdiff_t{pixel.blue} - ptrdiff_t{entry.blue}]};
}

// No serpentine order: every row runs left to right. The cursor is not moved past the
// last row, where its neighbours would point beyond the buffer.
void CDitherer::DiffuseRows(CDitherCursor& cursor, int32_t width, int32_t height, CGamePalette& palette) const
{
    const bool byRow = cursor.CanDiffuseRow() && !m_pixelByPixel;
    const auto reduce = [this, &palette](Pixel24 pixel) { return Reduce(pixel, palette); };
    for (int32_t y = 0; y < height; ++y) {
        if (byRow)
            cursor.DiffuseRow(reduce);
        else
            DiffusePixels(cursor, width, palette);
        if (y + 1 < height)
            cursor.NextRow();
    }
}

void CDitherer::DiffusePixels(CDitherCursor& cursor, int32_t width, CGamePalette& palette) const
{
    for (int32_t x = 0; x < width; ++x) {
        if (!cursor.AtKey()) {
            const ReducedPixel reduced = Reduce(cursor.Current(), palette);
            cursor.SetCurrent(reduced.colour);
            cursor.Diffuse(reduced.errorRed, reduced.errorGreen, reduced.errorBlue);
        }
        cursor.NextPixel();
    }
}
