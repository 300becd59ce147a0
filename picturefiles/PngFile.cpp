// PngFile.cpp — libspng behind the program's size checks.
#include "picturefiles/PngFile.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "picturefiles/IndexedPicture.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/OutOfMemory.h"

namespace {

using SpngContext = std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)>;

constexpr std::array<uint8_t, 8> PNG_SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate cannot make data smaller than 1 part in 1032 (a 258-byte match coded in two
// bits), so a file cannot hold more pixel bytes than that many times its length.
constexpr uint64_t MAX_DEFLATE_RATIO = 1032;

// Text, profiles and other side chunks libspng keeps while decoding: far more than any
// picture of ours carries.
constexpr size_t SIDE_CHUNK_CACHE_LIMIT = size_t{16} << 20;

// No side can be longer than the byte limit allows for a one-row picture.
constexpr uint32_t MAX_SIDE = static_cast<uint32_t>(MAX_IMAGE_BYTES / 3);

// Throws CPngError with libspng's reason when a call failed.
void Check(int result)
{
    if (result != 0)
        throw CPngError(spng_strerror(result));
}

SpngContext NewContext(int flags)
{
    SpngContext context(spng_ctx_new(flags), spng_ctx_free);
    if (!context)
        throw CPngError("libspng could not make a context");
    return context;
}

// ---------------------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------------------

// A decoder over the bytes with our limits in place of libspng's: sides within the byte
// limit, no chunk longer than the file itself.
SpngContext NewDecoder(std::span<const uint8_t> png)
{
    SpngContext context = NewContext(0);
    Check(spng_set_image_limits(context.get(), MAX_SIDE, MAX_SIDE));
    Check(spng_set_chunk_limits(context.get(), png.size(), SIDE_CHUNK_CACHE_LIMIT));
    Check(spng_set_png_buffer(context.get(), png.data(), png.size()));
    return context;
}

// Samples per pixel of a PNG colour type.
uint64_t ChannelsOf(uint8_t colourType)
{
    switch (colourType) {
    case SPNG_COLOR_TYPE_TRUECOLOR: return 3;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA: return 4;
    default: return 1;   // grey, indexed
    }
}

// The header, once its size has passed the byte limit and is possible for the file's
// length; before any pixel is allocated.
spng_ihdr CheckedHeader(spng_ctx* context, size_t fileLength)
{
    spng_ihdr header{};
    Check(spng_get_ihdr(context, &header));
    try {
        CheckedImageBytes(header.width, header.height, "picture");
    } catch (const CFatalError& tooLarge) {
        throw CPngError(tooLarge.what());
    }
    const uint64_t pixelBits = uint64_t{header.width} * header.height * ChannelsOf(header.color_type) * header.bit_depth;
    if (pixelBits / 8 > uint64_t{fileLength} * MAX_DEFLATE_RATIO)
        throw CPngError(std::to_string(header.width) + "x" + std::to_string(header.height) + " pixels cannot be in " +
                        std::to_string(fileLength) + " bytes: the file is damaged or cut short");
    return header;
}

// Copies decoded rows of `channels` bytes per pixel (red first) into the picture; with an
// alpha key, pixels of alpha 0 take the key.
void StoreRows(const std::vector<uint8_t>& decoded, int32_t channels, std::optional<ColourRef> alphaKey,
               CBitmap24& picture)
{
    const size_t width = static_cast<size_t>(picture.Width());
    for (int32_t y = 0; y < picture.Height(); ++y) {
        const uint8_t* in = decoded.data() + static_cast<size_t>(y) * width * channels;
        uint8_t* out = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (size_t x = 0; x < width; ++x, in += channels) {
            const bool keyed = alphaKey && in[3] == 0;
            StorePixel(out + 3 * x, keyed ? PixelOf(*alphaKey) : Pixel24{in[2], in[1], in[0]});
        }
    }
}

// ---------------------------------------------------------------------------------------
// Encoding
// ---------------------------------------------------------------------------------------

// RGB rows are all Paeth-filtered and deflated at level 4 (PNG_COMPRESSION_LEVEL). Measured
// on the background rescaled to 1920 x 1080 (bench/PngBench.cpp: CPU time, median of 5),
// against stb_image_write's 241 ms for 1.32 MB: letting libspng choose each row's filter
// costs 50-70 ms more at every level and gives the same sizes (it picks Paeth for nearly
// every row of such pictures); with Paeth, level 1 takes 67 ms for 1.19 MB, level 2 77 ms
// for 1.12 MB, level 4 104 ms for 0.94 MB, level 6 (zlib's default) 294 ms for 0.86 MB.
// Level 4 is the smallest file within half of stb's time; the rescaled ball and paddle
// strips gave the same (0.42 of stb's time, 0.73-0.75 of its size).
constexpr int RGB_FILTERS = SPNG_FILTER_CHOICE_PAETH;

// An encoder into libspng's own buffer at the given zlib level and row filters.
SpngContext NewEncoder(int32_t level, int filterChoice)
{
    SpngContext context = NewContext(SPNG_CTX_ENCODER);
    Check(spng_set_option(context.get(), SPNG_ENCODE_TO_BUFFER, 1));
    Check(spng_set_option(context.get(), SPNG_IMG_COMPRESSION_LEVEL, level));
    Check(spng_set_option(context.get(), SPNG_FILTER_CHOICE, filterChoice));
    return context;
}

void SetHeader(spng_ctx* context, int32_t width, int32_t height, int32_t bitDepth, uint8_t colourType)
{
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(width);
    header.height = static_cast<uint32_t>(height);
    header.bit_depth = static_cast<uint8_t>(bitDepth);
    header.color_type = colourType;
    Check(spng_set_ihdr(context, &header));
}

// Encodes the rows that `makeRow(y, row)` fills, one at a time, and finishes the file.
template <typename MakeRow>
void EncodeRows(spng_ctx* context, int32_t height, size_t rowBytes, MakeRow makeRow)
{
    Check(spng_encode_image(context, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE));
    std::vector<uint8_t> row(rowBytes);
    for (int32_t y = 0; y < height; ++y) {
        makeRow(y, row.data());
        const int result = spng_encode_row(context, row.data(), row.size());
        if (result != 0 && !(result == SPNG_EOI && y == height - 1))
            Check(result);
    }
}

// The finished file, taken out of libspng's buffer.
std::vector<uint8_t> TakeFile(spng_ctx* context)
{
    size_t length = 0;
    int error = 0;
    void* buffer = spng_get_png_buffer(context, &length, &error);
    if (buffer == nullptr)
        Check(error != 0 ? error : SPNG_EINTERNAL);
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> file(bytes, bytes + length);
    std::free(buffer);
    return file;
}

} // namespace

bool IsPng(std::span<const uint8_t> bytes)
{
    return bytes.size() >= PNG_SIGNATURE.size() && std::equal(PNG_SIGNATURE.begin(), PNG_SIGNATURE.end(), bytes.begin());
}

std::unique_ptr<CBitmap24> DecodePng(std::span<const uint8_t> png, std::optional<ColourRef> alphaKey)
{
    SpngContext context = NewDecoder(png);
    const spng_ihdr header = CheckedHeader(context.get(), png.size());
    const int format = alphaKey ? SPNG_FMT_RGBA8 : SPNG_FMT_RGB8;
    const int32_t channels = alphaKey ? 4 : 3;

    auto picture = std::make_unique<CBitmap24>(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height));
    size_t length = 0;
    Check(spng_decoded_image_size(context.get(), format, &length));
    // At most 4/3 of the picture's own bytes, which passed the limit.
    std::vector<uint8_t> decoded;
    try {
        decoded.resize(length);
    } catch (const std::bad_alloc&) {
        throw COutOfMemory("the decoded PNG rows", length);
    }
    Check(spng_decode_image(context.get(), decoded.data(), decoded.size(), format, alphaKey ? SPNG_DECODE_TRNS : 0));
    StoreRows(decoded, channels, alphaKey, *picture);
    return picture;
}

std::vector<uint8_t> EncodeRgbPng(const CBitmap24& picture, std::optional<ColourRef> transparent, int32_t level)
{
    SpngContext context = NewEncoder(level, RGB_FILTERS);
    SetHeader(context.get(), picture.Width(), picture.Height(), 8, SPNG_COLOR_TYPE_TRUECOLOR);
    if (transparent) {
        spng_trns trns{};
        trns.red = RedOf(*transparent);
        trns.green = GreenOf(*transparent);
        trns.blue = BlueOf(*transparent);
        Check(spng_set_trns(context.get(), &trns));
    }
    const size_t width = static_cast<size_t>(picture.Width());
    EncodeRows(context.get(), picture.Height(), 3 * width, [&](int32_t y, uint8_t* row) {
        const uint8_t* in = picture.Bits() + static_cast<size_t>(y) * picture.Stride();
        for (size_t x = 0; x < width; ++x, in += 3, row += 3) {
            row[0] = in[2];
            row[1] = in[1];
            row[2] = in[0];
        }
    });
    return TakeFile(context.get());
}

std::vector<uint8_t> EncodeIndexedPng(const CIndexedPicture& picture, int32_t level)
{
    // Palette pictures are stored unfiltered, as the PNG format advises for them.
    SpngContext context = NewEncoder(level, SPNG_DISABLE_FILTERING);
    const int32_t depth = picture.BitDepth();
    SetHeader(context.get(), picture.Width(), picture.Height(), depth, SPNG_COLOR_TYPE_INDEXED);

    spng_plte plte{};
    plte.n_entries = static_cast<uint32_t>(picture.Palette().size());
    for (size_t i = 0; i < picture.Palette().size(); ++i) {
        const PaletteEntry& e = picture.Palette()[i];
        plte.entries[i] = spng_plte_entry{e.red, e.green, e.blue, 255};
    }
    Check(spng_set_plte(context.get(), &plte));
    if (const std::optional<uint8_t> transparent = picture.TransparentIndex()) {
        // Entries past the table's end stay opaque, so it ends at the transparent one.
        spng_trns trns{};
        trns.n_type3_entries = uint32_t{*transparent} + 1;
        std::fill(trns.type3_alpha, trns.type3_alpha + *transparent, uint8_t{255});
        trns.type3_alpha[*transparent] = 0;
        Check(spng_set_trns(context.get(), &trns));
    }

    // Indices packed high bits first, `8 / depth` to a byte.
    const size_t width = static_cast<size_t>(picture.Width());
    const size_t rowBytes = (width * static_cast<size_t>(depth) + 7) / 8;
    EncodeRows(context.get(), picture.Height(), rowBytes, [&](int32_t y, uint8_t* row) {
        const uint8_t* in = picture.Indices().data() + static_cast<size_t>(y) * width;
        std::fill(row, row + rowBytes, uint8_t{0});
        for (size_t x = 0; x < width; ++x) {
            const size_t bit = x * static_cast<size_t>(depth);
            row[bit / 8] |= static_cast<uint8_t>(in[x] << (8 - depth - bit % 8));
        }
    });
    return TakeFile(context.get());
}
