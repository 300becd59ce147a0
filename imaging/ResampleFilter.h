// ResampleFilter.h — the reconstruction kernel base class and the two-pass rescaler.
//
// CResampleFilter is itself a usable kernel (Hermite, filter index 0); the six classes in
// KernelFilters.h derive from it and change only the support and Filter(). Every filter
// object also carries one rescale: give it a key colour, a source image and a destination
// size, then Zoom() fills the destination.
//
//     CMitchellFilter filter;
//     filter.SetKeyColour(key);
//     filter.SetSourceBits(bits);                 // rows in the shared layout, kept alive
//     filter.SetSourceSize(640, 480);
//     filter.CreateDestination(1920, 1080);
//     filter.Zoom();
//     const uint8_t* result = filter.GetDestinationBits();
//
// The working buffers come from a CRescaleScratch (the caller's, when it gives one, so that
// they are reused from one rescale to the next) and the rows are shared out between the
// threads of a CWorkerPool (the process's own unless another is given); neither changes
// a single output byte.
//
// The results are exact to the last bit: each output channel is the weights' products
// summed in contributor order in IEEE doubles, clamped and truncated. The passes work on
// many pixels at once (imaging/RowCombiner.h) with exactly those operations per pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/bitmaps/PixelBuffer.h"
#include "platform/bitmaps/PixelTypes.h"

class CRescaleScratch;
class CWorkerPool;

// One source pixel that contributes to an output pixel, and its weight.
struct Contributor {
    int32_t pixel;   // source column (horizontal pass) or row (vertical pass), folded into the image
    double weight;
};

// The contributors of one output pixel: `count` entries at `entries`.
struct ContributorList {
    int32_t count;
    Contributor* entries;
};

// The lists of one pass: one per output column or row, all of the same capacity.
struct ContributorTable {
    int32_t capacity = 0;
    std::vector<ContributorList> lists;
    std::vector<Contributor> storage;
};

class CResampleFilter {
public:
    CResampleFilter();
    virtual ~CResampleFilter();

    CResampleFilter(const CResampleFilter&) = delete;
    CResampleFilter& operator=(const CResampleFilter&) = delete;

    // The kernel's value at signed distance x: here the Hermite cubic 2t³ − 3t² + 1.
    virtual double Filter(double x) const;

    // --- one rescale -------------------------------------------------------------------
    void SetKeyColour(Pixel24 colour);
    // No key: every pixel is blended, whatever its colour (the default is a black key).
    void ClearKeyColour();
    void SetSourceBits(const uint8_t* bits);
    void SetSourceSize(int32_t width, int32_t height);
    uint8_t* CreateDestination(int32_t width, int32_t height);
    uint8_t* GetDestinationBits() { return m_pDestBits.Data(); }
    void Zoom();

    // Hands the destination image over (its pad bytes unset); the filter has none after.
    CPixelBuffer ReleaseDestination() { return std::move(m_pDestBits); }

    // Working memory to use instead of the filter's own (not owned; null for its own).
    void SetScratch(CRescaleScratch* scratch) { m_pScratch = scratch; }
    // The threads to share the rows between (not owned; null for the process's pool).
    void SetWorkerPool(CWorkerPool* pool) { m_pPool = pool; }

    // --- the arithmetic, exposed for the passes and for tests ----------------------------

    // Folds a source position into 0 .. extent − 1: −j below the image, 2n − j − 1 above
    // it, repeated while the window is wider than the image.
    static int32_t FoldIndex(int32_t j, int32_t extent);

    // One channel sum clamped to 0..255 and truncated toward zero.
    static uint8_t ClampChannel(double sum);

    // The three sums of one pixel, clamped and truncated (red, green, blue).
    static Pixel24 ClampPixel(double red, double green, double blue);

    // The contributor lists of one pass: `outCount` outputs sampling `extent` source
    // pixels at the given scale (output size / source size).
    ContributorTable BuildContributors(double scale, int32_t extent, int32_t outCount) const;

    double Support() const { return m_support; }

protected:
    double m_support;   // kernel radius; list building stretches it when a dimension shrinks

private:
    // Source rows → intermediate image; marks its key pixels in tempKeys (one byte a
    // pixel) and returns whether it has any.
    bool HorizontalPass(const ContributorTable& lists, uint8_t* tempKeys, CRescaleScratch& scratch,
                        CWorkerPool& pool);
    // Intermediate image → destination; tempKeys is null when it has no key pixel.
    void VerticalPass(const ContributorTable& lists, const uint8_t* tempKeys, CWorkerPool& pool);

    CPixelBuffer m_pDestBits;           // owned destination image
    const uint8_t* m_pSrcBits;          // not owned
    uint8_t* m_pTempBits;               // intermediate image, in the scratch, only while Zoom runs
    CRescaleScratch* m_pScratch;        // not owned; null: Zoom uses its own
    CWorkerPool* m_pPool;               // not owned; null: the process's pool
    int32_t m_destWidth;
    int32_t m_destHeight;
    int32_t m_srcWidth;
    int32_t m_srcHeight;
    int32_t m_destStride;
    int32_t m_srcStride;
    Pixel24 m_keyColour;
    bool m_hasKey = true;
};
