// PngFile.cpp — libspng behind the program's size checks.
#include "picturefiles/PngFile.h"

#include <spng.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

#include "picturefiles/IndexedPicture.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

namespace {

using SpngContext = std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)>;

constexpr std::array<uint8_t, 8> PNG_SIGNATURE = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate cannot make data smaller than 1 part in 1032 (a 258-byte match coded in two
// bits), so the image data cannot hold more scanline bytes than that many times its length.
constexpr uint64_t MAX_DEFLATE_RATIO = 1032;

// Text, profiles and other side chunks libspng keeps while decoding: a file may hold this
// much of them decompressed, or twice its own length, whichever is more (libspng counts a
// text chunk it keeps about twice: a file whose one side chunk is nearly all of it needs
// twice its length).
constexpr size_t SIDE_CHUNK_CACHE_LIMIT = size_t{16} << 20;

// The longest chunk the PNG format allows.
constexpr uint32_t MAX_CHUNK_BYTES = 0x7FFFFFFF;

// No side can be longer than the byte limit allows for a one-row picture.
constexpr uint32_t MAX_SIDE = static_cast<uint32_t>(MAX_IMAGE_BYTES / 3);

// Throws CPngError with libspng's reason when a call failed.
void Check(int result)
{
    if (result != 0)
        throw CPngError(spng_strerror(result));
}

// The same for a call that read the file: every reason but our own limits is damage.
void CheckRead(int result)
{
    if (result == SPNG_EUSER_WIDTH || result == SPNG_EUSER_HEIGHT || result == SPNG_EMEM)
        Check(result);
    if (result != 0)
        throw CPngError(std::string("damaged PNG file: ") + spng_strerror(result));
}

[[noreturn]] void RefuseDamaged(const std::string& why)
{
    throw CPngError("damaged PNG file: " + why);
}

SpngContext NewContext(int flags)
{
    SpngContext context(spng_ctx_new(flags), spng_ctx_free);
    if (!context)
        throw CPngError("libspng could not make a context");
    return context;
}

// ---------------------------------------------------------------------------------------
// The chunk list, walked before libspng reads it
// ---------------------------------------------------------------------------------------

uint32_t BigEndian32(const uint8_t* p)
{
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

// The chunk's four-letter type, printable whatever its bytes.
std::string ChunkName(const uint8_t* type)
{
    std::string name(reinterpret_cast<const char*>(type), 4);
    for (char& c : name)
        if (c < ' ' || c > '~')
            c = '?';
    return name;
}

// The order PNG demands of the chunks, followed one chunk at a time: IHDR first and once,
// at most one PLTE and none in a grey picture or after the image data, the IDAT chunks one
// run. Counts the bytes of image data.
class CChunkOrder {
public:
    // The chunk `name` whose data starts at `data`; throws CPngError for one out of place.
    void Take(const std::string& name, const uint8_t* data, uint32_t length)
    {
        const bool first = m_chunks++ == 0;
        if (first != (name == "IHDR"))
            RefuseDamaged(first ? "its first chunk is " + name + ", not IHDR" : "a second IHDR chunk");
        if (first && length > 9)
            m_colourType = data[9];
        if (name == "PLTE")
            TakePalette();
        if (name == "IDAT") {
            if (m_idatEnded)
                RefuseDamaged("its IDAT chunks are not one run");
            m_idat = true;
            m_imageDataBytes += length;
        } else {
            m_idatEnded = m_idat;
        }
    }

    bool HasImageData() const { return m_idat; }
    uint64_t ImageDataBytes() const { return m_imageDataBytes; }

private:
    void TakePalette()
    {
        if (m_plte || m_idat)
            RefuseDamaged(m_plte ? "a second PLTE chunk" : "a PLTE chunk after the image data");
        if (m_colourType == SPNG_COLOR_TYPE_GRAYSCALE || m_colourType == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA)
            RefuseDamaged("a PLTE chunk in a grey picture");
        m_plte = true;
    }

    uint64_t m_chunks = 0;
    uint8_t m_colourType = 0;
    bool m_plte = false;
    bool m_idat = false;
    bool m_idatEnded = false;
    uint64_t m_imageDataBytes = 0;
};

// Walks the chunks from the signature to IEND: each must lie whole inside the file, in
// order, and IEND be there. Returns how many bytes of image data the IDAT chunks hold.
// (libspng checks each chunk's checksum and contents as it reads; the chunks it would only
// meet after the pixels, or never, are checked here.) Throws CPngError naming the fault.
uint64_t ImageDataBytes(std::span<const uint8_t> png)
{
    CChunkOrder order;
    for (size_t at = PNG_SIGNATURE.size();;) {
        if (png.size() - at < 8)
            RefuseDamaged(at == png.size() ? "it ends without an IEND chunk" : "it ends inside a chunk's header");
        const uint32_t length = BigEndian32(png.data() + at);
        const std::string name = ChunkName(png.data() + at + 4);
        if (length > MAX_CHUNK_BYTES)
            RefuseDamaged("its " + name + " chunk declares " + std::to_string(length) + " bytes, more than a chunk holds");
        if (png.size() - at - 8 < uint64_t{length} + 4)
            RefuseDamaged("it ends inside its " + name + " chunk");
        order.Take(name, png.data() + at + 8, length);
        if (name == "IEND")
            break;
        at += 12 + size_t{length};
    }
    if (!order.HasImageData())
        RefuseDamaged("it has no IDAT chunk");
    return order.ImageDataBytes();
}

// ---------------------------------------------------------------------------------------
// Decoding
// ---------------------------------------------------------------------------------------

// A decoder over the bytes with our limits in place of libspng's: sides within the byte
// limit, no chunk longer than the file itself, a bad checksum on any critical chunk an
// error.
SpngContext NewDecoder(std::span<const uint8_t> png)
{
    SpngContext context = NewContext(0);
    const size_t chunkLimit = std::min<size_t>(png.size(), MAX_CHUNK_BYTES);
    Check(spng_set_image_limits(context.get(), MAX_SIDE, MAX_SIDE));
    Check(spng_set_chunk_limits(context.get(), chunkLimit, std::max(2 * chunkLimit, SIDE_CHUNK_CACHE_LIMIT)));
    Check(spng_set_crc_action(context.get(), SPNG_CRC_ERROR, SPNG_CRC_DISCARD));
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

// The fewest bytes the image data inflates to: every scanline with its filter byte (an
// interlaced picture has more scanlines; its pixel bytes alone are counted).
uint64_t LeastInflatedBytes(const spng_ihdr& header)
{
    const uint64_t rowBits = uint64_t{header.width} * ChannelsOf(header.color_type) * header.bit_depth;
    if (header.interlace_method != SPNG_INTERLACE_NONE)
        return (rowBits * header.height + 7) / 8;
    return ((rowBits + 7) / 8 + 1) * header.height;
}

// The header, once its size has passed the byte limit; before any pixel is allocated.
spng_ihdr CheckedHeader(spng_ctx* context)
{
    spng_ihdr header{};
    CheckRead(spng_get_ihdr(context, &header));
    try {
        CheckedImageBytes(header.width, header.height, "picture");
    } catch (const CFatalError& tooLarge) {
        throw CPngError(tooLarge.what());
    }
    return header;
}

// Refuses a picture whose rows the image data cannot hold, however well compressed.
void CheckCompression(const spng_ihdr& header, uint64_t imageDataBytes)
{
    if (LeastInflatedBytes(header) > imageDataBytes * MAX_DEFLATE_RATIO)
        RefuseDamaged(std::to_string(header.width) + "x" + std::to_string(header.height) + " pixels cannot be in " +
                      std::to_string(imageDataBytes) + " bytes of image data");
}

// The columns of a row that one decoded scanline fills: every one, or those of its
// interlace pass.
struct Columns {
    uint32_t first = 0;
    uint32_t step = 1;
};

Columns ColumnsOf(const spng_ihdr& header, const spng_row_info& row)
{
    static constexpr std::array<Columns, 7> ADAM7 = {{{0, 8}, {4, 8}, {0, 4}, {2, 4}, {0, 2}, {1, 2}, {0, 1}}};
    if (header.interlace_method == SPNG_INTERLACE_NONE || row.pass < 0 || row.pass >= 7)
        return Columns{};
    return ADAM7[static_cast<size_t>(row.pass)];
}

// Turns the decoded rows of one libspng format into picture pixels: `format` is what
// libspng is asked for, and `Store(in, x, out)` writes column x of a decoded row at `out`.
// Indexed pictures are asked for as stored, so that an index past the palette's end is
// seen (libspng would make it black); 16-bit alpha is kept whole, so that only 0 keys.
class CRowStore {
public:
    CRowStore(spng_ctx* context, const spng_ihdr& header, std::optional<ColourRef> alphaKey)
        : m_header(header), m_key(alphaKey ? PixelOf(*alphaKey) : Pixel24{}), m_keyed(alphaKey.has_value())
    {
        if (header.color_type == SPNG_COLOR_TYPE_INDEXED) {
            m_format = SPNG_FMT_PNG;
            ReadPalette(context);
        } else if (m_keyed) {
            m_format = header.bit_depth == 16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
        }
    }

    int Format() const { return m_format; }
    int Flags() const { return m_keyed && m_format != SPNG_FMT_PNG ? SPNG_DECODE_TRNS : 0; }

    // Pixel x of a decoded scanline into the picture's pixel at `out`.
    void Store(const uint8_t* in, uint32_t x, uint8_t* out) const
    {
        switch (m_format) {
        case SPNG_FMT_PNG: StorePixel(out, m_palette[Index(in, x)]); return;
        case SPNG_FMT_RGBA8: {
            const uint8_t* p = in + 4 * size_t{x};
            StorePixel(out, p[3] == 0 ? m_key : Pixel24{p[2], p[1], p[0]});
            return;
        }
        case SPNG_FMT_RGBA16: {
            uint16_t p[4];
            std::memcpy(p, in + 8 * size_t{x}, sizeof p);
            StorePixel(out, p[3] == 0 ? m_key : Pixel24{HighByte(p[2]), HighByte(p[1]), HighByte(p[0])});
            return;
        }
        default: {
            const uint8_t* p = in + 3 * size_t{x};
            StorePixel(out, Pixel24{p[2], p[1], p[0]});
        }
        }
    }

private:
    static uint8_t HighByte(uint16_t sample) { return static_cast<uint8_t>(sample >> 8); }

    // The palette, and with a key the entries whose alpha is 0 made the key's colour.
    void ReadPalette(spng_ctx* context)
    {
        spng_plte plte{};
        CheckRead(spng_get_plte(context, &plte));
        m_paletteSize = plte.n_entries;
        for (uint32_t i = 0; i < plte.n_entries; ++i)
            m_palette[i] = Pixel24{plte.entries[i].blue, plte.entries[i].green, plte.entries[i].red};
        spng_trns trns{};
        if (m_keyed && spng_get_trns(context, &trns) == 0)
            for (uint32_t i = 0; i < trns.n_type3_entries && i < m_paletteSize; ++i)
                if (trns.type3_alpha[i] == 0)
                    m_palette[i] = m_key;
    }

    // The palette index of pixel x, packed high bits first at the picture's depth.
    uint32_t Index(const uint8_t* in, uint32_t x) const
    {
        const uint32_t depth = m_header.bit_depth;
        const size_t bit = size_t{x} * depth;
        const uint32_t index = (in[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        if (index >= m_paletteSize)
            RefuseDamaged("a palette index of " + std::to_string(index) + " lies beyond its palette of " +
                          std::to_string(m_paletteSize));
        return index;
    }

    spng_ihdr m_header;
    int m_format = SPNG_FMT_RGB8;
    Pixel24 m_key;
    bool m_keyed;
    std::array<Pixel24, 256> m_palette{};
    uint32_t m_paletteSize = 0;
};

// Decodes the image scanline by scanline straight into the picture (one scanline at a
// time, so no second picture-sized buffer; an interlaced picture's scanlines hold every
// column of their pass), then reads the chunks after it, their checksums included, to
// IEND.
void DecodeRows(spng_ctx* context, const spng_ihdr& header, std::optional<ColourRef> alphaKey, CBitmap24& picture)
{
    const CRowStore store(context, header, alphaKey);
    size_t imageBytes = 0;
    CheckRead(spng_decoded_image_size(context, store.Format(), &imageBytes));
    std::vector<uint8_t> scanline(imageBytes / header.height);
    CheckRead(spng_decode_image(context, nullptr, 0, store.Format(), store.Flags() | SPNG_DECODE_PROGRESSIVE));
    int result = 0;
    do {
        spng_row_info info{};
        CheckRead(spng_get_row_info(context, &info));
        result = spng_decode_scanline(context, scanline.data(), scanline.size());
        if (result != SPNG_EOI)
            CheckRead(result);
        const Columns columns = ColumnsOf(header, info);
        uint8_t* out = picture.Bits() + size_t{info.row_num} * static_cast<size_t>(picture.Stride());
        for (uint32_t x = columns.first, i = 0; x < header.width; x += columns.step, ++i)
            store.Store(scanline.data(), i, out + 3 * size_t{x});
    } while (result == 0);
    CheckRead(spng_decode_chunks(context));
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
    if (!IsPng(png))
        Check(SPNG_ESIGNATURE);
    SpngContext context = NewDecoder(png);
    const spng_ihdr header = CheckedHeader(context.get());
    CheckCompression(header, ImageDataBytes(png));
    auto picture = std::make_unique<CBitmap24>(static_cast<int32_t>(header.width), static_cast<int32_t>(header.height));
    DecodeRows(context.get(), header, alphaKey, *picture);
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
