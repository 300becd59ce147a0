// BitmapRescaler.h — rescales a 24-bit bitmap into a new one, the rest of the program's
// entry to the resampler.
//
//     CBitmapRescaler rescaler(&picture);
//     rescaler.Rescale({1920, 1080}, MITCHELL_FILTER, KEY_FROM_FIRST_PIXEL);
//     std::unique_ptr<CBitmap24> result = rescaler.GetBitmap();   // caller owns it
//
// The source is left untouched and read where it is; the result is made in the bitmap that
// GetBitmap hands over, with no copy. A key colour of KEY_FROM_FIRST_PIXEL stands for the
// source's first pixel; any other value is 0x00BBGGRR. A caller that rescales several
// pictures can lend every rescaler the same working memory (imaging/RescaleScratch.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

// A size in pixels.
struct SizeInPixels {
    int32_t width;
    int32_t height;
};

class CRescaleScratch;
class CWorkerPool;

class CBitmapRescaler {
public:
    // Rescales `source`, with `scratch` (not owned) as working memory when one is given,
    // on the threads of `pool` (not owned; the process's pool when none is given).
    explicit CBitmapRescaler(const CBitmap24* source, CRescaleScratch* scratch = nullptr, CWorkerPool* pool = nullptr);
    virtual ~CBitmapRescaler() = default;

    // Makes the rescaled picture of the target size with the filter of the given index
    // (0 to 6), keeping the key colour exact; with no key every pixel is blended. Throws
    // CFatalError for another index, an empty source or a target that cannot be made
    // (empty or too large).
    void Rescale(SizeInPixels target, int32_t filterIndex, std::optional<ColourRef> key);

    // The result, handed over to the caller; null before Rescale.
    std::unique_ptr<CBitmap24> GetBitmap() { return std::move(m_hResult); }

private:
    std::unique_ptr<CBitmap24> m_hResult;
    const CBitmap24* m_hSource;
    CRescaleScratch* m_pScratch;
    CWorkerPool* m_pPool;
};
