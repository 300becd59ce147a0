// ImageSize.cpp — size checks before allocation.
#include "platform/bitmaps/ImageSize.h"

#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/PixelTypes.h"

size_t CheckedImageBytes(int64_t width, int64_t height, const std::string& what)
{
    if (width < 0 || height < 0)
        throw CFatalError(what + ": negative size " + std::to_string(width) + "x" + std::to_string(height));
    // Guard the multiplication itself before forming it.
    if (width > MAX_IMAGE_BYTES || height > MAX_IMAGE_BYTES)
        throw CFatalError(what + ": " + std::to_string(width) + "x" + std::to_string(height) + " is too large");
    const int64_t bytes = RowStride64(width) * height;
    if (bytes > MAX_IMAGE_BYTES)
        // Exact figures: rounded, a picture just over the limit would seem to be at it.
        throw CFatalError(what + ": " + std::to_string(width) + "x" + std::to_string(height) + " is too large (" +
                          std::to_string(bytes) + " bytes; the limit is " + std::to_string(MAX_IMAGE_BYTES) + " bytes)");
    return static_cast<size_t>(bytes);
}

size_t CheckedArrayBytes(int64_t count, size_t elementSize, const std::string& what)
{
    const int64_t limit = MAX_IMAGE_BYTES / static_cast<int64_t>(elementSize);
    if (count < 0 || count > limit)
        throw CFatalError(what + ": " + std::to_string(count) + " entries is too many");
    return static_cast<size_t>(count) * elementSize;
}
