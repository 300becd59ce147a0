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
// The intermediate image (destination width × source height) is made and used one strip of
// columns at a time when the whole of it would pass INTERMEDIATE_BUDGET_BYTES, so a rescale
// needs memory for its source, its destination and one strip; each output byte is the same
// sum either way.
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

    // Bytes of intermediate image a rescale holds at once (3 a pixel and 1 of key mask);
    // INTERMEDIATE_BUDGET_BYTES unless changed. Tests make it small to cut small pictures
    // into many strips.
    void SetIntermediateBudget(int64_t bytes) { m_intermediateBudget = bytes; }

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

    // --- strips of the intermediate image ------------------------------------------------

    // Above this many bytes the intermediate image is made one strip at a time: far more
    // than any screen-sized picture needs, well under the largest picture.
    static constexpr int64_t INTERMEDIATE_BUDGET_BYTES = int64_t{64} << 20;

    // A strip that is not the whole width is a multiple of this many columns (when the
    // budget allows one), so its rows are whole blocks of the combiner's widest vectors.
    static constexpr int32_t STRIP_COLUMN_STEP = 32;

    // Destination columns per strip for an intermediate `sourceHeight` rows high within
    // `budgetBytes`: the whole `destWidth` when it fits, else fewer, never below one.
    static int32_t StripColumns(int32_t destWidth, int32_t sourceHeight, int64_t budgetBytes);

protected:
    double m_support;   // kernel radius; list building stretches it when a dimension shrinks

private:
    // One strip of the intermediate image: destination columns left .. left + columns − 1,
    // every source row, `stride` bytes a row; its key mask has `columns` bytes a row.
    struct Strip {
        int32_t left;
        int32_t columns;
        size_t stride;
        uint8_t* bits;
        uint8_t* keys;
    };

    // Makes one strip of the intermediate image and the destination columns under it.
    void ZoomStrip(const ContributorTable& across, const ContributorTable& down, int32_t left, int32_t columns,
                   CRescaleScratch& scratch, CWorkerPool& pool);
    // Source rows → the strip (`lists`: its own columns' lists, naming source columns from
    // `firstColumn`, `sourceColumns` of them); marks its key pixels and returns whether it
    // has any.
    bool HorizontalPass(const ContributorTable& lists, int32_t firstColumn, int32_t sourceColumns, const Strip& strip,
                        CRescaleScratch& scratch, CWorkerPool& pool);
    // The strip → its columns of the destination; keys is null when it has no key pixel.
    void VerticalPass(const ContributorTable& lists, const Strip& strip, const uint8_t* keys, CWorkerPool& pool);

    CPixelBuffer m_pDestBits;           // owned destination image
    const uint8_t* m_pSrcBits;          // not owned
    CRescaleScratch* m_pScratch;        // not owned; null: Zoom uses its own
    CWorkerPool* m_pPool;               // not owned; null: the process's pool
    int32_t m_destWidth;
    int32_t m_destHeight;
    int32_t m_srcWidth;
    int32_t m_srcHeight;
    int32_t m_destStride;
    int32_t m_srcStride;
    int64_t m_intermediateBudget;
    Pixel24 m_keyColour;
    bool m_hasKey = true;
};
