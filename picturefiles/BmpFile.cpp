// BmpFile.cpp — the BMP headers, their checks, and the rows of every depth read.
#include "picturefiles/BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "picturefiles/PictureFileError.h"
#include "platform/bitmaps/PixelTypes.h"

namespace {

constexpr size_t FILE_HEADER_BYTES = 14;
constexpr size_t INFO_HEADER_AT = FILE_HEADER_BYTES;
constexpr size_t MASKS_AT = FILE_HEADER_BYTES + 40;   // after the 40-byte part of a Windows header
constexpr size_t MASK_BYTES = 12;                       // red, green and blue masks

// Header sizes: OS/2 1.x, OS/2 2.x (short and whole), Windows 3 and its later versions.
constexpr uint32_t OS2_CORE_HEADER = 12;
constexpr uint32_t OS2_SHORT_HEADER = 16;
constexpr uint32_t WINDOWS_HEADER = 40;
constexpr uint32_t OS2_HEADER = 64;
constexpr std::array<uint32_t, 8> KNOWN_HEADERS = {12, 16, 40, 52, 56, 64, 108, 124};

// Compressions: none, or the pixel's channels given by masks (Windows headers only).
constexpr uint32_t COMPRESSION_NONE = 0;
constexpr uint32_t COMPRESSION_MASKS = 3;

// Little-endian numbers at p (callers have checked that the bytes are there).
uint32_t Little16(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8;
}

uint32_t Little32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

[[noreturn]] void Refuse(const std::string& why)
{
    throw CPictureFileError(why);
}

// A file whose own fields contradict it or run past its end.
[[noreturn]] void RefuseDamaged(const std::string& why)
{
    throw CPictureFileError("damaged BMP file: " + why);
}

} // namespace

bool CBmpReader::HasSignature(std::span<const uint8_t> file)
{
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

CBmpReader::CBmpReader(std::span<const uint8_t> file, uint64_t fileLength) : m_file(file), m_fileLength(fileLength)
{
    if (!HasSignature(file))
        Refuse("not a BMP file");
    if (file.size() < INFO_HEADER_AT + 4)
        RefuseDamaged("the file ends inside its header");
    m_headerBytes = Little32(file.data() + INFO_HEADER_AT);
    if (std::find(KNOWN_HEADERS.begin(), KNOWN_HEADERS.end(), m_headerBytes) == KNOWN_HEADERS.end())
        Refuse("unknown BMP header of " + std::to_string(m_headerBytes) + " bytes");
    if (file.size() < INFO_HEADER_AT + m_headerBytes)
        RefuseDamaged("the file ends inside its header");
    ReadInfoHeader();
    CheckPixelData();
}

// Size and planes, then the colour layout.
void CBmpReader::ReadInfoHeader()
{
    uint32_t planes = 0;
    uint32_t declaredColours = 0;
    int64_t width = 0;
    int64_t height = 0;
    if (m_headerBytes == OS2_CORE_HEADER) {
        width = Little16(m_file.data() + 18);
        height = Little16(m_file.data() + 20);
        planes = Little16(m_file.data() + 22);
        m_bitsPerPixel = Little16(m_file.data() + 24);
    } else {
        width = static_cast<int32_t>(Little32(m_file.data() + 18));
        height = static_cast<int32_t>(Little32(m_file.data() + 22));
        planes = Little16(m_file.data() + 26);
        m_bitsPerPixel = Little16(m_file.data() + 28);
        if (m_headerBytes > OS2_SHORT_HEADER) {
            m_compression = Little32(m_file.data() + 30);
            declaredColours = Little32(m_file.data() + 46);
        }
    }
    m_bottomUp = height > 0;
    height = height < 0 ? -height : height;
    CheckDeclaredSize("BMP", width, height);
    m_width = static_cast<int32_t>(width);
    m_height = static_cast<int32_t>(height);
    if (planes != 1)
        Refuse("a BMP file of " + std::to_string(planes) + " planes (1 expected)");
    ReadColourLayout(declaredColours);
}

// Depth and compression, the masks or palette that follow the header, and where the
// pixels start.
void CBmpReader::ReadColourLayout(uint32_t declaredColours)
{
    const bool core = m_headerBytes == OS2_CORE_HEADER;
    const bool windows = !core && m_headerBytes != OS2_SHORT_HEADER && m_headerBytes != OS2_HEADER;
    const uint32_t bits = m_bitsPerPixel;
    const bool paletted = bits == 1 || bits == 4 || bits == 8;
    if (!paletted && bits != 24 && (core || (bits != 16 && bits != 32)))
        Refuse(std::to_string(bits) + " bits per pixel is not a BMP depth this reader decodes");
    const bool masked = m_compression == COMPRESSION_MASKS && windows && (bits == 16 || bits == 32);
    if (m_compression != COMPRESSION_NONE && !masked)
        Refuse("BMP compression " + std::to_string(m_compression) + " is not one this reader decodes");

    size_t headersEnd = INFO_HEADER_AT + m_headerBytes;
    if (masked) {
        if (m_headerBytes == WINDOWS_HEADER)
            headersEnd += MASK_BYTES;
        if (m_file.size() < headersEnd)
            RefuseDamaged("the file ends inside its colour masks");
        ReadMasks(MASKS_AT);
    } else if (bits == 16) {
        m_channels = {Channel{0x7C00}, Channel{0x03E0}, Channel{0x001F}};
    } else if (bits == 32) {
        m_channels = {Channel{0xFF0000}, Channel{0xFF00}, Channel{0xFF}};
    }
    for (Channel& channel : m_channels) {
        if (channel.mask != 0) {
            channel.shift = std::countr_zero(channel.mask);
            channel.bits = std::popcount(channel.mask);
        }
    }

    m_pixelOffset = Little32(m_file.data() + 10);
    if (m_pixelOffset < headersEnd)
        RefuseDamaged("the pixel data at byte " + std::to_string(m_pixelOffset) + " would overlap the header");
    if (m_pixelOffset > m_fileLength)
        RefuseDamaged("the pixel data at byte " + std::to_string(m_pixelOffset) + " lies beyond the file's end");
    if (paletted)
        ReadPalette(headersEnd, core ? 3 : 4, declaredColours);
}

// Each mask must be one run of bits inside the pixel.
void CBmpReader::ReadMasks(size_t at)
{
    const uint64_t pixelMask = (uint64_t{1} << m_bitsPerPixel) - 1;
    for (size_t i = 0; i < m_channels.size(); ++i) {
        const uint32_t mask = Little32(m_file.data() + at + 4 * i);
        const uint32_t run = mask == 0 ? 0 : mask >> std::countr_zero(mask);
        if (mask == 0 || (run & (run + 1)) != 0 || mask > pixelMask)
            RefuseDamaged("a colour mask that is not one run of the pixel's bits");
        m_channels[i].mask = mask;
    }
}

// The palette lies between the headers and the pixels: as many colours as the header
// says (all the depth allows when it says 0), and no more than that space holds (nor than
// the bytes given hold, which HEAD_BYTES make the same).
void CBmpReader::ReadPalette(size_t at, size_t entryBytes, uint32_t declaredColours)
{
    const uint32_t depthColours = uint32_t{1} << m_bitsPerPixel;
    uint32_t colours = declaredColours == 0 ? depthColours : std::min(declaredColours, depthColours);
    colours = static_cast<uint32_t>(std::min<size_t>(colours, (std::min(m_pixelOffset, m_file.size()) - at) / entryBytes));
    if (colours == 0)
        RefuseDamaged("no palette for its " + std::to_string(m_bitsPerPixel) + "-bit pixels");
    for (uint32_t i = 0; i < colours; ++i) {
        const uint8_t* entry = m_file.data() + at + i * entryBytes;
        m_palette[i] = Pixel24{entry[0], entry[1], entry[2]};
    }
    m_paletteColours = colours;
}

// Every row, each padded to 4 bytes, must lie inside the file.
void CBmpReader::CheckPixelData()
{
    const int64_t rowBytes = (int64_t{m_width} * m_bitsPerPixel + 31) / 32 * 4;
    const int64_t available = static_cast<int64_t>(m_fileLength - m_pixelOffset);
    if (rowBytes > available || available / rowBytes < m_height)
        RefuseDamaged("the file holds " + std::to_string(available / rowBytes) + " of its " +
                      std::to_string(m_height) + " rows");
    m_rowBytes = static_cast<size_t>(rowBytes);
}

std::unique_ptr<CBitmap24> CBmpReader::Decode() const
{
    if (m_file.size() < FileBytes())
        Refuse("the BMP reader was given " + std::to_string(m_file.size()) + " of the file's " +
               std::to_string(FileBytes()) + " bytes");
    auto picture = std::make_unique<CBitmap24>(m_width, m_height);
    for (int32_t row = 0; row < m_height; ++row) {
        const int32_t y = m_bottomUp ? m_height - 1 - row : row;
        DecodeRow(m_file.data() + m_pixelOffset + static_cast<size_t>(row) * m_rowBytes,
                  picture->Bits() + static_cast<size_t>(y) * static_cast<size_t>(picture->Stride()));
    }
    return picture;
}

// A channel's bits widened to 8 by repeating them (5 bits abcde give abcdeabc), or
// narrowed to their top 8.
uint8_t CBmpReader::ChannelValue(uint32_t pixel, const Channel& channel) const
{
    const uint32_t value = (pixel & channel.mask) >> channel.shift;
    if (channel.bits >= 8)
        return static_cast<uint8_t>(value >> (channel.bits - 8));
    uint32_t wide = 0;
    for (int32_t position = 8 - channel.bits; position > -channel.bits; position -= channel.bits)
        wide |= position >= 0 ? value << position : value >> -position;
    return static_cast<uint8_t>(wide);
}

void CBmpReader::DecodeRow(const uint8_t* in, uint8_t* out) const
{
    const uint32_t bits = m_bitsPerPixel;
    if (bits == 24) {
        std::memcpy(out, in, static_cast<size_t>(m_width) * 3);
        return;
    }
    for (int32_t x = 0; x < m_width; ++x) {
        Pixel24 pixel;
        if (bits <= 8) {
            const size_t bit = static_cast<size_t>(x) * bits;
            const uint32_t index = (in[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            if (index >= m_paletteColours)
                RefuseDamaged("a colour index of " + std::to_string(index) + " lies beyond its palette of " +
                              std::to_string(m_paletteColours));
            pixel = m_palette[index];
        } else {
            const uint32_t value = bits == 16 ? Little16(in + 2 * x) : Little32(in + 4 * x);
            pixel = Pixel24{ChannelValue(value, m_channels[2]), ChannelValue(value, m_channels[1]),
                            ChannelValue(value, m_channels[0])};
        }
        StorePixel(out + 3 * x, pixel);
    }
}
