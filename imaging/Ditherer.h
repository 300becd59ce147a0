// Ditherer.h — reduces a 24-bit picture in place to the quantizer's palette colours by
// error diffusion.
//
// Rows are walked top to bottom, left to right; each pixel not of the key colour takes
// the colour of its nearest palette entry and passes the limited difference on to its
// right, below-left, below and below-right neighbours that lie inside the picture. Key
// pixels (by their colour before the pass) stay as they are and take no share. The
// picture stays 24-bit; its pad bytes are left as they are.
//
// The share for the right neighbour is carried along the row in registers and added as
// the walk reaches that pixel, rather than stored into it and read back: the chain from
// one pixel to the next (clamp, cell, entry, error) bounds the pass, so it holds no table
// look-up and no memory round trip it can do without. The result is the same.
//
//     CDitherer ditherer;
//     ditherer.SetQuantizer(&quantizer);      // after quantizer.Compute()
//     ditherer.SetKeyColour(0x00FF0000);      // or KEY_FROM_FIRST_PIXEL
//     ditherer.Dither(&picture);
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

#include "imaging/DitherCursor.h"

class CBitmap24;
class CGamePalette;
class CQuantizer;

class CDitherer {
public:
    CDitherer() = default;
    virtual ~CDitherer() = default;

    CDitherer(const CDitherer&) = delete;
    CDitherer& operator=(const CDitherer&) = delete;

    // The quantizer whose entries and palette object the pass uses; not owned. Its palette
    // object's cache fills during Dither.
    void SetQuantizer(const CQuantizer* quantizer) { m_pQuantizer = quantizer; }

    // The transparent colour; KEY_FROM_FIRST_PIXEL takes the picture's first pixel, and
    // none reduces every pixel.
    void SetKeyColour(std::optional<ColourRef> colour) { m_keyColour = colour; }

    // Reduces the picture in place. A picture of width or height 0 is left as it is.
    // Throws CFatalError without a computed quantizer, or for a picture too large to
    // handle or holding fewer bytes than its size needs.
    void Dither(CBitmap24* bitmap);

    // The difference passed on for a colour difference of −255..255: unchanged up to 15,
    // then growing at half speed up to 31, and 32 from 48 on (with the sign kept).
    static int32_t LimitError(int32_t difference);

private:
    // Fills the tables of LimitError and of the right neighbour's share of it for
    // −256..255, once per ditherer.
    void BuildErrorTables();
    // The palette object to look colours up in, refusing when there is none.
    CGamePalette& Palette() const;
    // Walks one row step by step.
    void DiffusePixels(CDitherCursor& cursor, int32_t width, CGamePalette& palette) const;

    std::optional<ColourRef> m_keyColour = KEY_FROM_FIRST_PIXEL;
    const CQuantizer* m_pQuantizer = nullptr;
    std::vector<int32_t> m_errorLimitTable;   // 512 entries, for differences −256..255
    const int32_t* m_pErrorLimit = nullptr;    // its entry for difference 0
    std::vector<int32_t> m_rightShareTable;   // LimitError × the right neighbour's DitherWeight, the same differences
    const int32_t* m_pRightShare = nullptr;    // its entry for difference 0
};
