// ResampleFilter.cpp — the Hermite kernel, contributor lists and the two passes.
//
// The passes combine whole rows: the horizontal pass runs on the transposed source (a
// source column becomes a row), so each intermediate column is the weighted sum of source
// columns, and is transposed back, one band of source rows at a time so that a band's
// three forms stay in the processor's cache; the vertical pass sums intermediate rows. Every output
// pixel gets exactly the sum its contributor list defines, in list order. A destination
// column depends only on its own intermediate column, so the intermediate can be made a
// strip of columns at a time, each strip followed by the destination columns it gives.
#include "imaging/ResampleFilter.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cmath>
#include <string>

#include "imaging/ImageTranspose.h"
#include "imaging/RescaleScratch.h"
#include "imaging/RowCombiner.h"
#include "imaging/WorkerPool.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

namespace {

// The inputs of one output pixel: the contributors of its list whose weight is not 0,
// each pointing at its row of `rows` (and of `keyMask`, when there is one).
void GatherInputs(const ContributorList& list, const uint8_t* rows, size_t stride,
                  const uint8_t* keyMask, size_t maskStride, std::vector<WeightedRow>& inputs)
{
    inputs.clear();
    for (int32_t m = 0; m < list.count; ++m) {
        const Contributor& c = list.entries[m];
        if (c.weight == 0.0)
            continue;   // adds ±0 to every sum and can never be a key hit
        inputs.push_back(WeightedRow{rows + static_cast<size_t>(c.pixel) * stride,
                                     keyMask ? keyMask + static_cast<size_t>(c.pixel) * maskStride : nullptr,
                                     c.weight});
    }
}

// Fills rows begin .. end − 1 of `out` (each `pixels` wide) from `in` by the given lists.
void CombineRows(const ContributorTable& table, int32_t begin, int32_t end, const uint8_t* in, size_t inStride,
                 const uint8_t* keyMask, uint8_t* out, size_t outStride, int32_t pixels, Pixel24 key)
{
    CRowCombiner combiner(pixels, key);
    std::vector<WeightedRow> inputs;
    inputs.reserve(static_cast<size_t>(table.capacity));
    for (int32_t i = begin; i < end; ++i) {
        GatherInputs(table.lists[i], in, inStride, keyMask, static_cast<size_t>(pixels), inputs);
        combiner.Combine(inputs, out + static_cast<size_t>(i) * outStride);
    }
}

// Fills every row of `out` (each `pixels` wide) from `in` by the given lists, the rows
// shared out between the pool's threads.
void CombinePass(const ContributorTable& table, const uint8_t* in, size_t inStride, const uint8_t* keyMask,
                 uint8_t* out, size_t outStride, int32_t pixels, Pixel24 key, CWorkerPool& pool)
{
    const int32_t outCount = static_cast<int32_t>(table.lists.size());
    pool.ForEachChunk(outCount, int64_t{3} * pixels, [&](int32_t begin, int32_t end, int32_t) {
        CombineRows(table, begin, end, in, inStride, keyMask, out, outStride, pixels, key);
    });
}

// About this many bytes of intermediate columns per band of the horizontal pass: with the
// band's source columns and its intermediate rows, inside a core's L2 cache.
constexpr int64_t BAND_BYTES = int64_t{192} << 10;

// Band heights are multiples of this many rows, so that a band's columns (3 bytes a row)
// are whole blocks of the combiner's widest vectors, with no bytes left to sum one by one.
constexpr int64_t BAND_ROW_STEP = 32;

// Source rows per band of the horizontal pass for this intermediate width.
int32_t BandRows(int32_t destWidth)
{
    const int64_t rows = BAND_BYTES / (int64_t{3} * std::max(destWidth, 1)) / BAND_ROW_STEP * BAND_ROW_STEP;
    return static_cast<int32_t>(std::clamp<int64_t>(rows, BAND_ROW_STEP, 16 * BAND_ROW_STEP));
}

// The lists of output columns left .. left + columns − 1, with the source columns they
// name counted from the first of them (`firstColumn`, of `sourceColumns` in all), so
// that a strip turns on its side only the source it reads.
ContributorTable StripLists(const ContributorTable& whole, int32_t left, int32_t columns, int32_t& firstColumn,
                            int32_t& sourceColumns)
{
    int32_t lowest = INT32_MAX;
    int32_t highest = 0;
    for (int32_t i = left; i < left + columns; ++i)
        for (int32_t m = 0; m < whole.lists[i].count; ++m) {
            lowest = std::min(lowest, whole.lists[i].entries[m].pixel);
            highest = std::max(highest, whole.lists[i].entries[m].pixel);
        }
    if (lowest > highest)
        lowest = highest = 0;   // lists without entries read nothing
    firstColumn = lowest;
    sourceColumns = highest - lowest + 1;

    ContributorTable strip;
    strip.capacity = whole.capacity;
    strip.storage.resize(static_cast<size_t>(whole.capacity) * columns);
    strip.lists.resize(static_cast<size_t>(columns));
    for (int32_t i = 0; i < columns; ++i) {
        const ContributorList& from = whole.lists[left + i];
        ContributorList& to = strip.lists[i];
        to.count = from.count;
        to.entries = strip.storage.data() + static_cast<size_t>(i) * whole.capacity;
        for (int32_t m = 0; m < from.count; ++m)
            to.entries[m] = Contributor{from.entries[m].pixel - lowest, from.entries[m].weight};
    }
    return strip;
}

// Bytes of a key mask for a width × height image: one a pixel (and one spare).
size_t KeyMaskBytes(int32_t width, int32_t height, const char* what)
{
    return CheckedImageBytes(width, height, what) / 3 + 1;
}

} // namespace

// ---------------------------------------------------------------------------------------
// The Hermite kernel (filter index 0)
// ---------------------------------------------------------------------------------------

CResampleFilter::CResampleFilter()
    : m_support(1.0),
      m_pSrcBits(nullptr),
      m_pScratch(nullptr),
      m_pPool(nullptr),
      m_destWidth(0),
      m_destHeight(0),
      m_srcWidth(0),
      m_srcHeight(0),
      m_destStride(0),
      m_srcStride(0),
      m_intermediateBudget(INTERMEDIATE_BUDGET_BYTES)
{
}

CResampleFilter::~CResampleFilter() = default;

double CResampleFilter::Filter(double x) const
{
    const double t = std::fabs(x);
    if (t < 1.0)
        return ((t + t) - 3.0) * t * t + 1.0;
    return 0.0;
}

// ---------------------------------------------------------------------------------------
// Setting up a rescale
// ---------------------------------------------------------------------------------------

void CResampleFilter::SetKeyColour(Pixel24 colour)
{
    m_keyColour = colour;
    m_hasKey = true;
}

void CResampleFilter::ClearKeyColour() { m_hasKey = false; }

void CResampleFilter::SetSourceBits(const uint8_t* bits) { m_pSrcBits = bits; }

void CResampleFilter::SetSourceSize(int32_t width, int32_t height)
{
    CheckedImageBytes(width, height, "rescale source");
    m_srcWidth = width;
    m_srcHeight = height;
    m_srcStride = RowStride(width);
}

uint8_t* CResampleFilter::CreateDestination(int32_t width, int32_t height)
{
    const size_t bytes = CheckedImageBytes(width, height, "rescale destination");
    m_destWidth = width;
    m_destHeight = height;
    m_destStride = RowStride(width);
    m_pDestBits = CPixelBuffer();   // the old one goes first, so that both need not fit at once
    m_pDestBits = CPixelBuffer(bytes, CPixelBuffer::UNDEFINED, "the rescale destination");   // Zoom writes every pixel
    return m_pDestBits.Data();
}

// ---------------------------------------------------------------------------------------
// Per-pixel arithmetic
// ---------------------------------------------------------------------------------------

int32_t CResampleFilter::FoldIndex(int32_t j, int32_t extent)
{
    if (j >= 0 && j < extent)
        return j;
    // Mirroring at the low end (j → −j) and at the high end (j → 2n − j − 1) together
    // repeat with period 2n − 1, and exactly one mirror image lies inside the image; so
    // repeated folding, however wide the window, ends where this lands.
    const int64_t period = 2 * int64_t{extent} - 1;
    int64_t m = j % period;
    if (m < 0)
        m += period;
    return static_cast<int32_t>(m < extent ? m : period - m);
}

uint8_t CResampleFilter::ClampChannel(double sum)
{
    if (sum < 0.0)
        sum = 0.0;
    else if (!(sum <= 255.0))
        sum = 255.0;
    return static_cast<uint8_t>(static_cast<int32_t>(sum));   // truncation toward zero
}

Pixel24 CResampleFilter::ClampPixel(double red, double green, double blue)
{
    return Pixel24{ClampChannel(blue), ClampChannel(green), ClampChannel(red)};
}

// ---------------------------------------------------------------------------------------
// Contributor lists
// ---------------------------------------------------------------------------------------

ContributorTable CResampleFilter::BuildContributors(double scale, int32_t extent, int32_t outCount) const
{
    // Shrinking stretches the kernel so that every source pixel contributes.
    double width = m_support;
    double fscale = 1.0;
    if (scale < 1.0) {
        width = m_support / scale;
        fscale = 1.0 / scale;
    }

    // Each window first: rounding in center ± width can make a window one entry longer
    // than 2 × width + 1, so the capacity is the longest window actually found.
    std::vector<int32_t> lefts(static_cast<size_t>(outCount));
    std::vector<int32_t> counts(static_cast<size_t>(outCount));
    ContributorTable table;
    for (int32_t i = 0; i < outCount; ++i) {
        const double center = i / scale;
        const double left = std::ceil(center - width);
        const double right = std::floor(center + width);
        lefts[i] = static_cast<int32_t>(left);
        counts[i] = right < left ? 0 : static_cast<int32_t>(right - left) + 1;
        table.capacity = std::max(table.capacity, counts[i]);
    }

    const size_t entries = CheckedArrayBytes(int64_t{table.capacity} * outCount, sizeof(Contributor),
                                             "rescale contributor lists") / sizeof(Contributor);
    table.storage.resize(entries);
    table.lists.resize(static_cast<size_t>(outCount));
    for (int32_t i = 0; i < outCount; ++i) {
        const double center = i / scale;
        ContributorList& list = table.lists[i];
        list.count = counts[i];
        list.entries = table.storage.data() + static_cast<size_t>(i) * table.capacity;
        for (int32_t k = 0; k < list.count; ++k) {
            const int32_t j = lefts[i] + k;
            list.entries[k].weight = Filter((center - j) / fscale) / fscale;
            list.entries[k].pixel = FoldIndex(j, extent);
        }
    }
    return table;
}

// ---------------------------------------------------------------------------------------
// The two passes
// ---------------------------------------------------------------------------------------

void CResampleFilter::Zoom()
{
    if (m_pSrcBits == nullptr || m_srcWidth <= 0 || m_srcHeight <= 0)
        throw CFatalError("rescale: the source picture is empty");
    if (m_pDestBits.Data() == nullptr)
        throw CFatalError("rescale: no destination was created");
    if (m_destWidth == 0 || m_destHeight == 0)
        return;   // nothing to compute

    const double xscale = static_cast<double>(m_destWidth) / static_cast<double>(m_srcWidth);
    const double yscale = static_cast<double>(m_destHeight) / static_cast<double>(m_srcHeight);

    // Without a caller's scratch, this rescale's own; without a caller's pool, the process's.
    CRescaleScratch ownScratch;
    CRescaleScratch& scratch = m_pScratch != nullptr ? *m_pScratch : ownScratch;
    CWorkerPool& pool = m_pPool != nullptr ? *m_pPool : CWorkerPool::Shared();

    const ContributorTable across = BuildContributors(xscale, m_srcWidth, m_destWidth);
    const ContributorTable down = BuildContributors(yscale, m_srcHeight, m_destHeight);
    const int32_t stripColumns = StripColumns(m_destWidth, m_srcHeight, m_intermediateBudget);
    for (int32_t left = 0; left < m_destWidth; left += stripColumns)
        ZoomStrip(across, down, left, std::min(stripColumns, m_destWidth - left), scratch, pool);
}

int32_t CResampleFilter::StripColumns(int32_t destWidth, int32_t sourceHeight, int64_t budgetBytes)
{
    const int64_t columnBytes = int64_t{4} * std::max(sourceHeight, 1);   // 3 of pixels, 1 of key mask a row
    if (columnBytes * destWidth <= budgetBytes)
        return destWidth;
    int64_t columns = budgetBytes / columnBytes;
    if (columns >= STRIP_COLUMN_STEP)
        columns = columns / STRIP_COLUMN_STEP * STRIP_COLUMN_STEP;
    return static_cast<int32_t>(std::clamp<int64_t>(columns, 1, destWidth));
}

void CResampleFilter::ZoomStrip(const ContributorTable& across, const ContributorTable& down, int32_t left,
                                int32_t columns, CRescaleScratch& scratch, CWorkerPool& pool)
{
    // Every pixel of the strip is written before it is read; its pad bytes are never read.
    Strip strip{left, columns, static_cast<size_t>(RowStride(columns)), nullptr, nullptr};
    strip.bits = scratch.Buffer(CRescaleScratch::INTERMEDIATE,
                                CheckedImageBytes(columns, m_srcHeight, "rescale intermediate"));
    strip.keys = scratch.Buffer(CRescaleScratch::INTERMEDIATE_KEYS,
                                KeyMaskBytes(columns, m_srcHeight, "rescale key mask"));

    int32_t firstColumn = 0;
    int32_t sourceColumns = m_srcWidth;
    bool hasKey = false;
    if (columns == m_destWidth) {
        hasKey = HorizontalPass(across, firstColumn, sourceColumns, strip, scratch, pool);
    } else {
        const ContributorTable lists = StripLists(across, left, columns, firstColumn, sourceColumns);
        hasKey = HorizontalPass(lists, firstColumn, sourceColumns, strip, scratch, pool);
    }
    VerticalPass(down, strip, hasKey ? strip.keys : nullptr, pool);
}

bool CResampleFilter::HorizontalPass(const ContributorTable& lists, int32_t firstColumn, int32_t sourceColumns,
                                     const Strip& strip, CRescaleScratch& scratch, CWorkerPool& pool)
{
    // Each thread turns its bands of source rows on their side (row x of a band holds
    // source column x, top to bottom), makes the band's intermediate columns, each the
    // weighted sum of source columns, and turns them back into the band's intermediate
    // rows, finding the key pixels the vertical pass must honour. Every thread has its own
    // slice of the working buffers.
    const int32_t bandRows = std::min(BandRows(strip.columns), m_srcHeight);
    const int32_t bandCount = (m_srcHeight + bandRows - 1) / bandRows;
    const size_t slots = static_cast<size_t>(pool.ThreadCount());
    const size_t columnBytes = CheckedImageBytes(bandRows, sourceColumns, "rescale source columns");
    const size_t columnKeyBytes = KeyMaskBytes(bandRows, sourceColumns, "rescale key mask");
    const size_t tempColumnBytes = CheckedImageBytes(bandRows, strip.columns, "rescale intermediate columns");
    uint8_t* columns = scratch.Buffer(CRescaleScratch::SOURCE_COLUMNS,
                                      CheckedArrayBytes(static_cast<int64_t>(slots), columnBytes, "rescale source columns"));
    uint8_t* columnKeys = scratch.Buffer(CRescaleScratch::SOURCE_COLUMN_KEYS,
                                         CheckedArrayBytes(static_cast<int64_t>(slots), columnKeyBytes, "rescale key mask"));
    uint8_t* tempColumns = scratch.Buffer(
        CRescaleScratch::INTERMEDIATE_COLUMNS,
        CheckedArrayBytes(static_cast<int64_t>(slots), tempColumnBytes, "rescale intermediate columns"));

    const uint8_t* source = m_pSrcBits + 3 * static_cast<size_t>(firstColumn);
    std::atomic<bool> tempHasKey = false;
    const int64_t bandBytes = int64_t{3} * strip.columns * bandRows;
    pool.ForEachChunk(bandCount, bandBytes, [&](int32_t begin, int32_t end, int32_t slot) {
        uint8_t* myColumns = columns + static_cast<size_t>(slot) * columnBytes;
        uint8_t* myColumnKeys = columnKeys + static_cast<size_t>(slot) * columnKeyBytes;
        uint8_t* myTempColumns = tempColumns + static_cast<size_t>(slot) * tempColumnBytes;
        for (int32_t band = begin; band < end; ++band) {
            const int32_t top = band * bandRows;
            const int32_t rows = std::min(bandRows, m_srcHeight - top);
            const size_t columnStride = 3 * static_cast<size_t>(rows);
            const bool bandHasKey = TransposePixels(
                PixelRows{const_cast<uint8_t*>(source) + static_cast<size_t>(top) * m_srcStride, sourceColumns, rows,
                          static_cast<size_t>(m_srcStride)},
                PixelRows{myColumns, rows, sourceColumns, columnStride}, KeyMask{myColumnKeys, static_cast<size_t>(rows)},
                m_keyColour) && m_hasKey;
            CombineRows(lists, 0, strip.columns, myColumns, columnStride, bandHasKey ? myColumnKeys : nullptr,
                        myTempColumns, columnStride, rows, m_keyColour);
            if (TransposePixels(PixelRows{myTempColumns, rows, strip.columns, columnStride},
                                PixelRows{strip.bits + static_cast<size_t>(top) * strip.stride, strip.columns, rows,
                                          strip.stride},
                                KeyMask{strip.keys + static_cast<size_t>(top) * strip.columns,
                                        static_cast<size_t>(strip.columns)},
                                m_keyColour) && m_hasKey)
                tempHasKey = true;
        }
    });
    return tempHasKey;
}

void CResampleFilter::VerticalPass(const ContributorTable& lists, const Strip& strip, const uint8_t* keys,
                                   CWorkerPool& pool)
{
    CombinePass(lists, strip.bits, strip.stride, keys, m_pDestBits.Data() + 3 * static_cast<size_t>(strip.left),
                static_cast<size_t>(m_destStride), strip.columns, m_keyColour, pool);
}
