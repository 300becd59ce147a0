// ColourHistogram.cpp — counting pictures into the colour cells.
#include "imaging/ColourHistogram.h"

#include <string>

#include "platform/Bitmap24.h"
#include "platform/FatalError.h"
#include "platform/ImageSize.h"

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

// Walks the rows in the padded row layout so that the pad byte of an odd-width row is
// never taken for a pixel. The rows are read where they are: the picture is not changed,
// so a copy would only cost time.
void CColourHistogram::CountPicture(const CBitmap24& bitmap, int32_t weight)
{
    const int32_t width = bitmap.Width();
    const int32_t height = bitmap.Height();
    if (width == 0 || height == 0)
        return;
    if (bitmap.ByteCount() < CheckedImageBytes(width, height, "colour histogram picture"))
        throw CFatalError("colour histogram: the picture holds fewer bytes than its size needs");

    const uint32_t increment = static_cast<uint32_t>(weight);
    const size_t stride = static_cast<size_t>(RowStride(width));
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* pixel = bitmap.Bits() + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x, pixel += 3)
            m_cells[CellIndex(pixel[2], pixel[1], pixel[0])] += increment;
    }
}
