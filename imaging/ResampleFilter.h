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
// The results are exact to the last bit: each output channel is the weights' products
// summed in contributor order in IEEE doubles, clamped and truncated. The passes work on
// many pixels at once (imaging/RowCombiner.h) with exactly those operations per pixel.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

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
    void SetSourceBits(const uint8_t* bits);
    void SetSourceSize(int32_t width, int32_t height);
    uint8_t* CreateDestination(int32_t width, int32_t height);
    uint8_t* GetDestinationBits() const { return m_pDestBits.get(); }
    void Zoom();

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
    bool HorizontalPass(const ContributorTable& lists, uint8_t* tempKeys);
    // Intermediate image → destination; tempKeys is null when it has no key pixel.
    void VerticalPass(const ContributorTable& lists, const uint8_t* tempKeys);

    std::unique_ptr<uint8_t[]> m_pDestBits;   // owned destination image
    const uint8_t* m_pSrcBits;                // not owned
    std::unique_ptr<uint8_t[]> m_pTempBits;   // intermediate image, only while Zoom runs
    int32_t m_destWidth;
    int32_t m_destHeight;
    int32_t m_srcWidth;
    int32_t m_srcHeight;
    int32_t m_destStride;
    int32_t m_srcStride;
    Pixel24 m_keyColour;
};
