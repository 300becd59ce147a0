// ColourHistogram.cpp — counting pictures into the colour cells.
#include "imaging/ColourHistogram.h"

#include <string>
#include <vector>

#include "imaging/WorkerPool.h"
#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

CColourHistogram::CColourHistogram(const CBitmap24* const* bitmaps, const int32_t* weights, int32_t count)
    : m_cells(CELL_COUNT, 0)
{
    for (int32_t i = 0; i < count; ++i) {
        if (bitmaps[i] == nullptr)
            throw CFatalError("colour histogram: picture " + std::to_string(i) + " is missing");
        if (weights[i] < 0)
            throw CFatalError("colour histogram: picture " + std::to_string(i) + " has a negative weight");
        CountPicture(*bitmaps[i], weights[i]);
    }
}

void CColourHistogram::Add(const CBitmap24& bitmap, int32_t weight)
{
    if (weight < 0)
        throw CFatalError("colour histogram: a picture has a negative weight");
    CountPicture(bitmap, weight);
}

void CColourHistogram::Add(const CColourHistogram& other)
{
    for (size_t cell = 0; cell < m_cells.size(); ++cell)
        m_cells[cell] += other.m_cells[cell];
}

// Large pictures are counted on all the pool's threads: the rows are shared out in chunks,
// the calling thread counts straight into the cells and every other thread into a
// histogram of its own, added in afterwards. Counts are sums modulo 2^32, so the result is the same however
// the rows are shared. The rows are read where they are: the picture is not changed, so
// a copy would only cost time.
void CColourHistogram::CountPicture(const CBitmap24& bitmap, int32_t weight)
{
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    if (width == 0 || height == 0)
        return;
    const size_t pictureBytes = CheckedImageBytes(width, height, "colour histogram picture");
    if (bitmap.ByteCount() < pictureBytes)
        throw CFatalError("colour histogram: the picture holds fewer bytes than its size needs");

    const uint32_t increment = static_cast<uint32_t>(weight);
    CWorkerPool& pool = CWorkerPool::Shared();
    std::vector<std::vector<uint32_t>> parts(static_cast<size_t>(pool.ThreadCount()));   // one per other thread
    pool.ForEachChunk(height, static_cast<int64_t>(bitmap.Stride()), [&](int32_t begin, int32_t end, int32_t slot) {
        if (slot == 0) {
            CountRows(bitmap, begin, end, increment, m_cells.data());
            return;
        }
        std::vector<uint32_t>& part = parts[static_cast<size_t>(slot)];
        if (part.empty())
            part.assign(CELL_COUNT, 0);
        CountRows(bitmap, begin, end, increment, part.data());
    });
    for (const std::vector<uint32_t>& part : parts)
        for (size_t cell = 0; cell < part.size(); ++cell)
            m_cells[cell] += part[cell];
}

// Walks the rows in the padded row layout so that the pad byte of an odd-width row is
// never taken for a pixel.
void CColourHistogram::CountRows(const CBitmap24& bitmap, int32_t begin, int32_t end, uint32_t increment,
                                 uint32_t* cells)
{
    const int32_t width = bitmap.Width();
    const size_t stride = static_cast<size_t>(bitmap.Stride());
    for (int32_t y = begin; y < end; ++y) {
        const uint8_t* pixel = bitmap.Bits() + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x, pixel += 3)
            cells[CellIndex(pixel[2], pixel[1], pixel[0])] += increment;
    }
}
