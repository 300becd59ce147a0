// PngChunks.h — PNG files at the level of their chunks, for the tests: a PNG read back by
// libspng on its own terms (the header, palette and transparency chunks as stored, and
// the pixels as libspng's own RGB decoding gives them), and PNGs taken apart and put
// together chunk by chunk, sound or broken on purpose.
#pragma once

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct PngContents {
    spng_ihdr header{};
    std::optional<spng_plte> palette;
    std::optional<spng_trns> transparency;
    std::vector<uint8_t> rgb;   // RGB8, rows top first, no padding
};

// The file's chunks and pixels; fails the calling test (and returns what it has) when
// libspng refuses the file.
inline PngContents ReadPngContents(const std::string& file)
{
    PngContents contents;
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(0), spng_ctx_free);
    spng_set_png_buffer(context.get(), file.data(), file.size());
    EXPECT_EQ(spng_get_ihdr(context.get(), &contents.header), 0);
    spng_plte palette{};
    if (spng_get_plte(context.get(), &palette) == 0)
        contents.palette = palette;
    spng_trns transparency{};
    if (spng_get_trns(context.get(), &transparency) == 0)
        contents.transparency = transparency;
    size_t length = 0;
    EXPECT_EQ(spng_decoded_image_size(context.get(), SPNG_FMT_RGB8, &length), 0);
    contents.rgb.resize(length);
    EXPECT_EQ(spng_decode_image(context.get(), contents.rgb.data(), length, SPNG_FMT_RGB8, 0), 0);
    return contents;
}

// ---------------------------------------------------------------------------------------
// PNG files taken apart and put together chunk by chunk, sound or broken on purpose
// ---------------------------------------------------------------------------------------

struct PngChunk {
    std::string type;
    std::string data;
    std::optional<uint32_t> crc;   // a checksum of our own (a wrong one); else the right one
};

// The PNG chunk checksum (CRC-32, reflected polynomial 0xEDB88320) of the bytes, a byte
// at a time from a table (the tests checksum chunks of many megabytes).
inline uint32_t PngCrc(const std::string& bytes)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t crc = n;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
            entries[n] = crc;
        }
        return entries;
    }();
    uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char byte : bytes)
        crc = (crc >> 8) ^ table[(crc ^ byte) & 0xFF];
    return ~crc;
}

inline void AppendBigEndian(std::string& bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
}

inline uint32_t BigEndianAt(const std::string& bytes, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// The chunks of a sound PNG file, in order (their checksums the right ones).
inline std::vector<PngChunk> ChunksOf(const std::string& png)
{
    std::vector<PngChunk> chunks;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = BigEndianAt(png, at);
        chunks.push_back({png.substr(at + 4, 4), png.substr(at + 8, length), std::nullopt});
        at += 12 + size_t{length};
    }
    return chunks;
}

// The signature and the chunks, each with its length and checksum.
inline std::string PngOf(const std::vector<PngChunk>& chunks)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    for (const PngChunk& chunk : chunks) {
        AppendBigEndian(png, static_cast<uint32_t>(chunk.data.size()));
        png += chunk.type + chunk.data;
        AppendBigEndian(png, chunk.crc.value_or(PngCrc(chunk.type + chunk.data)));
    }
    return png;
}

// The data of an IHDR chunk.
inline std::string IhdrData(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType, uint8_t interlace = 0)
{
    std::string data;
    AppendBigEndian(data, width);
    AppendBigEndian(data, height);
    data += static_cast<char>(depth);
    data += static_cast<char>(colourType);
    data += std::string(2, '\0');
    data += static_cast<char>(interlace);
    return data;
}

// The chunks with their IDAT data cut into `parts` chunks of about equal length.
inline std::vector<PngChunk> WithImageDataIn(std::vector<PngChunk> chunks, size_t parts)
{
    const auto idat = std::find_if(chunks.begin(), chunks.end(), [](const PngChunk& c) { return c.type == "IDAT"; });
    const std::string data = idat->data;
    const size_t part = (data.size() + parts - 1) / parts;
    std::vector<PngChunk> split;
    for (size_t at = 0; at < data.size(); at += part)
        split.push_back({"IDAT", data.substr(at, part), std::nullopt});
    const auto at = chunks.erase(idat);
    chunks.insert(at, split.begin(), split.end());
    return chunks;
}

// The index of the first chunk of the type.
inline size_t ChunkIndex(const std::vector<PngChunk>& chunks, const std::string& type)
{
    for (size_t i = 0; i < chunks.size(); ++i)
        if (chunks[i].type == type)
            return i;
    ADD_FAILURE() << "no " << type << " chunk";
    return 0;
}

// A PNG of the header's kind whose rows (unfiltered, as the format stores them: samples
// big-endian, indices packed) are `raw`, encoded by libspng with the palette and
// transparency chunks given; an interlaced header is honoured.
inline std::string EncodedRaw(spng_ihdr header, const std::vector<uint8_t>& raw,
                              std::optional<spng_plte> palette = std::nullopt,
                              std::optional<spng_trns> transparency = std::nullopt)
{
    std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> context(spng_ctx_new(SPNG_CTX_ENCODER), spng_ctx_free);
    spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1);
    EXPECT_EQ(spng_set_ihdr(context.get(), &header), 0);
    if (palette) {
        EXPECT_EQ(spng_set_plte(context.get(), &*palette), 0);
    }
    if (transparency) {
        EXPECT_EQ(spng_set_trns(context.get(), &*transparency), 0);
    }
    EXPECT_EQ(spng_encode_image(context.get(), raw.data(), raw.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
    size_t length = 0;
    int error = 0;
    void* buffer = spng_get_png_buffer(context.get(), &length, &error);
    EXPECT_NE(buffer, nullptr) << spng_strerror(error);
    std::string png(static_cast<const char*>(buffer), buffer != nullptr ? length : 0);
    std::free(buffer);
    return png;
}
