// BmpEncoder.cpp — header, then rows from the bottom up, gathered into large blocks.
#include "picturefiles/BmpEncoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr size_t FILE_HEADER_BYTES = 14;
constexpr size_t INFO_HEADER_BYTES = 40;
constexpr size_t BLOCK_BYTES = size_t{256} << 10;

// Stores `value` little-endian in `bytes` bytes at `at`.
void PutLittleEndian(uint8_t* at, uint32_t value, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// BITMAPFILEHEADER and BITMAPINFOHEADER of a 24-bit bottom-up picture, with the fields
// stb_image_write fills (sizes and resolution fields it leaves 0 stay 0).
std::array<uint8_t, FILE_HEADER_BYTES + INFO_HEADER_BYTES> Header(int32_t width, int32_t height, size_t rowBytes)
{
    std::array<uint8_t, FILE_HEADER_BYTES + INFO_HEADER_BYTES> header{};
    const size_t pixelBytes = rowBytes * static_cast<size_t>(height);
    header[0] = 'B';
    header[1] = 'M';
    PutLittleEndian(&header[2], static_cast<uint32_t>(header.size() + pixelBytes), 4);   // bfSize
    PutLittleEndian(&header[10], static_cast<uint32_t>(header.size()), 4);              // bfOffBits
    PutLittleEndian(&header[14], INFO_HEADER_BYTES, 4);                                  // biSize
    PutLittleEndian(&header[18], static_cast<uint32_t>(width), 4);
    PutLittleEndian(&header[22], static_cast<uint32_t>(height), 4);                      // positive: bottom-up
    PutLittleEndian(&header[26], 1, 2);                                                  // biPlanes
    PutLittleEndian(&header[28], 24, 2);                                                 // biBitCount
    return header;
}

// Bytes of one row in the file: three a pixel, padded to a multiple of four.
size_t FileRowBytes(int32_t width)
{
    return (3 * static_cast<size_t>(width) + 3) & ~size_t{3};
}

} // namespace

size_t BmpFileBytes(const CBitmap24& picture)
{
    return FILE_HEADER_BYTES + INFO_HEADER_BYTES + FileRowBytes(picture.Width()) * static_cast<size_t>(picture.Height());
}

void EncodeBmp(const CBitmap24& picture, const std::function<void(const uint8_t*, size_t)>& sink)
{
    const int32_t width = picture.Width();
    const int32_t height = picture.Height();
    const size_t pixelBytes = 3 * static_cast<size_t>(width);
    const size_t rowBytes = FileRowBytes(width);
    const auto header = Header(width, height, rowBytes);

    // Whole rows per block, at least one.
    const size_t rowsPerBlock = std::max<size_t>(1, BLOCK_BYTES / std::max<size_t>(rowBytes, 1));
    std::vector<uint8_t> block(std::min(rowsPerBlock, static_cast<size_t>(height)) * rowBytes + header.size());
    size_t used = header.size();
    std::memcpy(block.data(), header.data(), header.size());
    for (int32_t y = height - 1; y >= 0; --y) {
        if (used + rowBytes > block.size()) {
            sink(block.data(), used);
            used = 0;
        }
        uint8_t* row = block.data() + used;
        std::memcpy(row, picture.Bits() + static_cast<size_t>(y) * picture.Stride(), pixelBytes);
        std::memset(row + pixelBytes, 0, rowBytes - pixelBytes);
        used += rowBytes;
    }
    sink(block.data(), used);
}
