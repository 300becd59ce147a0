// BmpFile.h — BMP files read from memory into 24-bit pictures.
//
// The header is read and every size checked against the file's real length before
// anything is allocated (the reader can be given just the start of a file and its whole
// length, to learn how many of its bytes the picture needs before they are read): the picture must not be empty, must fit the size limit
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
    explicit CBmpReader(std::span<const uint8_t> file) : CBmpReader(file, file.size()) {}
    // The same from the start of a file of `fileLength` bytes: `head` must hold its
    // headers and palette (HEAD_BYTES, or the whole file when it is shorter). Decode then
    // needs every byte up to FileBytes().
    CBmpReader(std::span<const uint8_t> head, uint64_t fileLength);
    virtual ~CBmpReader() = default;

    // The most bytes the headers, colour masks and palette take.
    static constexpr size_t HEAD_BYTES = 14 + 124 + 12 + 256 * 4;

    // Whether the bytes start as a BMP file does ("BM").
    static bool HasSignature(std::span<const uint8_t> file);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }

    // The bytes of the file the picture takes: up to the end of its last row. Bytes after
    // them are not part of it.
    uint64_t FileBytes() const { return m_pixelOffset + uint64_t{m_rowBytes} * static_cast<uint64_t>(m_height); }

    // The picture, top row first. Throws CPictureFileError for a colour index beyond the
    // palette, or when the reader was given fewer bytes than FileBytes().
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
    uint64_t m_fileLength = 0;
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
