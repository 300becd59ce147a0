// BmpFile.h — BMP files read from memory into 24-bit pictures.
//
// The header is read and every size checked against the file's real length before
// anything is allocated: the picture must not be empty, must fit the size limit
// (platform/bitmaps/ImageSize.h), and every row must be present in the file. Headers of
// OS/2 (12, 16 or 64 bytes) and of Windows (40, 52, 56, 108 or 124 bytes) are known;
// 1, 4 and 8 bits per pixel with a palette, 16 and 32 bits with or without colour masks,
// and 24 bits are decoded. Run-length and other compressions are refused, as is a
// colour index beyond the palette the file holds.
//
//     const CBmpReader reader(bytes);              // throws CPictureFileError
//     std::unique_ptr<CBitmap24> picture = reader.Decode();
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/bitmaps/Bitmap24.h"
#include "platform/bitmaps/PixelTypes.h"

class CBmpReader {
public:
    // Reads and checks the headers of the BMP file held in `file`, which must outlive the
    // reader. Throws CPictureFileError saying why a file is refused.
    explicit CBmpReader(std::span<const uint8_t> file);
    virtual ~CBmpReader() = default;

    // Whether the bytes start as a BMP file does ("BM").
    static bool HasSignature(std::span<const uint8_t> file);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // The picture, top row first. Throws CPictureFileError for a colour index beyond the
    // palette.
    std::unique_ptr<CBitmap24> Decode() const;

private:
    // One colour channel of a masked pixel: where its bits lie and how many there are.
    struct Channel {
        uint32_t mask = 0;
        int32_t shift = 0;
        int32_t bits = 0;
    };

    // The header's size and planes, checked; then ReadColourLayout.
    void ReadInfoHeader();
    // Depth, compression, masks or palette, and the pixels' offset, checked.
    void ReadColourLayout(uint32_t declaredColours);
    // The red, green and blue masks at `at`, each one run of bits.
    void ReadMasks(size_t at);
    // Refuses a file that does not hold every row.
    void CheckPixelData();
    // The palette between the headers and the pixels.
    void ReadPalette(size_t at, size_t entryBytes, uint32_t declaredColours);
    // One row of the file into one row of the picture.
    void DecodeRow(const uint8_t* in, uint8_t* out) const;
    // One channel of a 16- or 32-bit pixel, widened or narrowed to 8 bits.
    uint8_t ChannelValue(uint32_t pixel, const Channel& channel) const;

    std::span<const uint8_t> m_file;
    uint32_t m_headerBytes = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    bool m_bottomUp = true;
    uint32_t m_bitsPerPixel = 0;
    uint32_t m_compression = 0;
    size_t m_pixelOffset = 0;
    size_t m_rowBytes = 0;
    std::array<Channel, 3> m_channels{};   // red, green, blue, for 16 and 32 bits
    std::array<Pixel24, 256> m_palette{};
    uint32_t m_paletteColours = 0;
};
