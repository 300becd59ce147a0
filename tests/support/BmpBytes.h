// BmpBytes.h — BMP files built byte by byte for the readers' tests, sound or broken on
// purpose: every header field can be set to anything.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/bitmaps/PixelTypes.h"

struct BmpHeader {
    uint32_t headerBytes = 40;     // 12: OS/2 1.x (16-bit sizes, 3-byte palette entries)
    int32_t width = 3;
    int32_t height = 2;            // negative: rows stored top-down
    uint16_t planes = 1;
    uint16_t bitsPerPixel = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> masks{}; // after a 40-byte header, inside a longer one
    std::vector<Pixel24> palette{};
    int64_t pixelOffset = -1;      // -1: right after the palette
    int64_t dataBytes = -1;        // -1: every row, filled by `fill`
    uint8_t fill = 0;
};

inline void PutLittle(std::vector<uint8_t>& bytes, size_t at, uint64_t value, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The file these header fields describe.
inline std::vector<uint8_t> BmpBytes(const BmpHeader& header)
{
    const bool core = header.headerBytes == 12;
    std::vector<uint8_t> bytes(14 + header.headerBytes, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    PutLittle(bytes, 14, header.headerBytes, 4);
    if (core) {
        PutLittle(bytes, 18, static_cast<uint32_t>(header.width), 2);
        PutLittle(bytes, 20, static_cast<uint32_t>(header.height), 2);
        PutLittle(bytes, 22, header.planes, 2);
        PutLittle(bytes, 24, header.bitsPerPixel, 2);
    } else {
        PutLittle(bytes, 18, static_cast<uint32_t>(header.width), 4);
        PutLittle(bytes, 22, static_cast<uint32_t>(header.height), 4);
        PutLittle(bytes, 26, header.planes, 2);
        PutLittle(bytes, 28, header.bitsPerPixel, 2);
        if (header.headerBytes >= 40) {
            PutLittle(bytes, 30, header.compression, 4);
            PutLittle(bytes, 46, header.coloursUsed, 4);
        }
    }
    if (!header.masks.empty()) {
        if (header.headerBytes == 40)
            bytes.resize(bytes.size() + 4 * header.masks.size());
        for (size_t i = 0; i < header.masks.size(); ++i)
            PutLittle(bytes, 54 + 4 * i, header.masks[i], 4);
    }
    for (const Pixel24& entry : header.palette) {
        bytes.insert(bytes.end(), {entry.blue, entry.green, entry.red});
        if (!core)
            bytes.push_back(0);
    }
    PutLittle(bytes, 10, header.pixelOffset >= 0 ? static_cast<uint64_t>(header.pixelOffset) : bytes.size(), 4);
    const int64_t rowBytes = (int64_t{std::abs(header.width)} * header.bitsPerPixel + 31) / 32 * 4;
    const int64_t dataBytes = header.dataBytes >= 0 ? header.dataBytes : rowBytes * std::abs(header.height);
    bytes.resize(bytes.size() + static_cast<size_t>(dataBytes), header.fill);
    PutLittle(bytes, 2, bytes.size(), 4);
    return bytes;
}
