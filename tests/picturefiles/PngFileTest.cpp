// PngFileTest.cpp — PNG through libspng: what we refuse and why, alpha keys, and the RGB and
// indexed files we write as libspng and stb_image read them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include <stb_image.h>
#include <stb_image_write.h>

#include "picturefiles/IndexedPicture.h"
#include "picturefiles/PngFile.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/PicturePixels.h"
#include "tests/support/PngChunks.h"

namespace {

std::span<const uint8_t> BytesOf(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

std::string TextOf(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The samples (`channels` a pixel) as a PNG written by stb_image_write.
std::string StbPng(int32_t width, int32_t height, int channels, const uint8_t* samples)
{
    std::string png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<const char*>(data), size); },
        &png, width, height, channels, samples, width * channels);
    return png;
}

// A picture whose pixels are drawn at random from the first `count` entries.
CBitmap24 PictureOver(const std::vector<PaletteEntry>& entries, size_t count, int32_t width, int32_t height)
{
    std::mt19937 random(static_cast<uint32_t>(count * 7 + width));
    return PictureOf(width, height, [&](int32_t, int32_t) {
        const PaletteEntry& e = entries[random() % count];
        return Rgb(e.red, e.green, e.blue);
    });
}

// `count` distinct colours.
std::vector<PaletteEntry> DistinctEntries(size_t count)
{
    std::vector<PaletteEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back({uint8_t(i), uint8_t(255 - i), uint8_t(i * 37), 0});
    return entries;
}

// A PNG of just a signature and a valid IHDR chunk of an 8-bit RGB picture.
std::string HeaderOnlyPng(uint32_t width, uint32_t height)
{
    return PngOf({{"IHDR", IhdrData(width, height, 8, SPNG_COLOR_TYPE_TRUECOLOR), std::nullopt}});
}

// A PNG declaring an 8-bit grey picture whose image data is `imageData` bytes of zeros:
// sound in its chunks, whatever its pixels.
std::string DeclaredGreyPng(uint32_t width, uint32_t height, size_t imageData)
{
    return PngOf({{"IHDR", IhdrData(width, height, 8, SPNG_COLOR_TYPE_GRAYSCALE), std::nullopt},
                  {"IDAT", std::string(imageData, '\0'), std::nullopt},
                  {"IEND", "", std::nullopt}});
}

// A file DecodePng must refuse, and what its message says.
struct Refusal {
    std::string name;
    std::string bytes;
    std::string says;
};

// The message DecodePng throws for the bytes, or "" when it decodes them.
std::string RefusalOf(const std::string& bytes)
{
    try {
        DecodePng(BytesOf(bytes));
    } catch (const CPngError& refused) {
        return refused.what();
    }
    return "";
}

TEST(PngFileTest, RefusesDamagedForeignAndImpossibleFilesWithTheReason)
{
    const CBitmap24 picture = PictureOver(DistinctEntries(200), 200, 40, 30);
    const std::string good = TextOf(EncodeRgbPng(picture));
    std::string badCrc = good;
    badCrc[29] ^= 1;   // the IHDR chunk's CRC
    // Sizes are checked on the declared size before anything else: 21845 x 16384 (rows of
    // 65536 bytes) is exactly the limit and goes on to the compression bound, where a picture
    // is refused unallocated when its image data could not hold its rows even at deflate's
    // best (1032 to 1). For 8-bit grey each row is its width and a filter byte, so 1031 x 100
    // needs exactly 1032 x 100 bytes, the most 100 bytes of image data can give.
    const std::vector<Refusal> cases = {
        {"not a PNG", "hello, world: a text of more than thirty-three bytes", spng_strerror(SPNG_ESIGNATURE)},
        {"damaged header", badCrc, spng_strerror(SPNG_ECHUNK_CRC)},
        // 30000 × 30000 is 2.5 GiB of pixels: refused by our limit, before any decoding.
        {"too large", HeaderOnlyPng(30000, 30000), "30000x30000 is too large"},
        // 10000 × 10000 is within the limit, but 100 bytes cannot hold its pixels.
        {"too large for its data", DeclaredGreyPng(10000, 10000, 100), "cannot be in 100 bytes of image data"},
        // Wider than any picture the byte limit allows: libspng's own limit, set to ours.
        {"too wide", HeaderOnlyPng(0x7FFFFFFF, 1), spng_strerror(SPNG_EUSER_WIDTH)},
        {"cut short", good.substr(0, good.size() / 2), ""},
        {"at the picture limit", DeclaredGreyPng(21845, 16384, 100), "cannot be in"},
        {"one row over the limit", DeclaredGreyPng(21845, 16385, 100),
         "21845x16385 is too large (1073807360 bytes; the limit is 1073741824 bytes)"},
        {"at the bound: its zeros are no zlib stream", DeclaredGreyPng(1031, 100, 100), "damaged PNG file: "},
        {"a column past the bound", DeclaredGreyPng(1032, 100, 100), "1032x100 pixels cannot be in 100 bytes"},
        {"a row past the bound", DeclaredGreyPng(1031, 101, 100), "cannot be in 100 bytes"},
        {"the issue's file", DeclaredGreyPng(18918, 18918, 100), "cannot be in"},
    };
    for (const Refusal& c : cases) {
        const std::string refusal = RefusalOf(c.bytes);
        EXPECT_FALSE(refusal.empty()) << c.name << " was decoded";
        EXPECT_NE(refusal.find(c.says), std::string::npos) << c.name << ": " << refusal;
    }
    EXPECT_EQ(RefusalOf(DeclaredGreyPng(1031, 100, 100)).find("cannot be in"), std::string::npos);
    EXPECT_EQ(BitsOf(*DecodePng(BytesOf(good))), BitsOf(picture));
}

// An indexed PNG of three colours at 2 bits, every index used, unfiltered.
std::string ThreeColourPng()
{
    std::vector<PaletteEntry> entries = DistinctEntries(3);
    const CBitmap24 picture = PictureOf(6, 4, [&](int32_t x, int32_t y) {
        const PaletteEntry& e = entries[static_cast<size_t>(x + y) % 3];
        return Rgb(e.red, e.green, e.blue);
    });
    const std::optional<CIndexedPicture> indexed = CIndexedPicture::Index(picture, entries);
    return TextOf(EncodeIndexedPng(*indexed));
}

// Each fault in a file's chunks is refused with a message naming it, whether libspng
// would meet the chunk before the pixels, after them, or never: damaged chunks (a wrong
// checksum on any critical one), a file cut anywhere, chunks out of order, and a palette
// index past the palette's end (which libspng would make black).
TEST(PngFileTest, RefusesEveryDamagedChunkListNamingTheFault)
{
    const CBitmap24 picture = PictureOver(DistinctEntries(200), 200, 40, 30);
    const std::vector<PngChunk> rgb = WithImageDataIn(ChunksOf(TextOf(EncodeRgbPng(picture))), 3);
    const std::vector<PngChunk> indexed = ChunksOf(ThreeColourPng());
    const std::string grey = PngOf({{"IHDR", IhdrData(2, 2, 8, SPNG_COLOR_TYPE_GRAYSCALE), std::nullopt},
                                    {"IDAT", ChunksOf(DeclaredGreyPng(1, 1, 1))[1].data, std::nullopt}});
    ASSERT_EQ(rgb.size(), 5u);   // IHDR, three IDAT, IEND
    const PngChunk plte = indexed[ChunkIndex(indexed, "PLTE")];
    const PngChunk text{"tEXt", std::string("Comment\0a", 9), std::nullopt};
    const auto with = [](std::vector<PngChunk> chunks, size_t at, const PngChunk& chunk) {
        chunks.insert(chunks.begin() + static_cast<std::ptrdiff_t>(at), chunk);
        return PngOf(chunks);
    };
    const auto wrongCrc = [](std::vector<PngChunk> chunks, size_t at) {
        chunks[at].crc = PngCrc(chunks[at].type + chunks[at].data) ^ 1;
        return PngOf(chunks);
    };
    const auto without = [](std::vector<PngChunk> chunks, size_t at) {
        chunks.erase(chunks.begin() + static_cast<std::ptrdiff_t>(at));
        return PngOf(chunks);
    };
    const std::string good = PngOf(rgb);
    std::string overlong = good;
    overlong[good.size() - 12] = '\x80';   // IEND's length: 2^31
    std::string longest = good;            // IEND's length: 2^31 - 1, the most a chunk holds
    longest.replace(good.size() - 12, 4, "\x7F\xFF\xFF\xFF");
    std::vector<PngChunk> shortPalette = indexed;
    shortPalette[ChunkIndex(indexed, "PLTE")].data.resize(6);   // two entries for indices 0-2
    const std::string crc = spng_strerror(SPNG_ECHUNK_CRC);
    const std::vector<Refusal> cases = {
        {"a wrong IHDR checksum", wrongCrc(rgb, 0), crc},
        {"a wrong checksum on the first IDAT", wrongCrc(rgb, 1), crc},
        {"a wrong checksum on the last IDAT", wrongCrc(rgb, 3), crc},
        {"a wrong IEND checksum", wrongCrc(rgb, 4), crc},
        {"a wrong PLTE checksum", wrongCrc(indexed, ChunkIndex(indexed, "PLTE")), crc},
        {"cut inside the last checksum", good.substr(0, good.size() - 2), "ends inside its IEND chunk"},
        {"cut inside a chunk's header", good.substr(0, good.size() - 6), "ends inside a chunk's header"},
        {"cut inside the image data", good.substr(0, good.size() - 40), "ends inside its IDAT chunk"},
        {"no IEND", without(rgb, 4), "without an IEND chunk"},
        {"no IDAT", PngOf({rgb[0], rgb[4]}), "no IDAT chunk"},
        {"a chunk longer than PNG allows", overlong, "declares 2147483648 bytes"},
        {"a chunk as long as PNG allows, past the end", longest, "ends inside its IEND chunk"},
        {"IHDR not first", with(rgb, 0, text), "IHDR"},
        {"a second IHDR after the image data", with(rgb, 4, rgb[0]), "a second IHDR chunk"},
        {"PLTE after the image data", with(rgb, 4, plte), "a PLTE chunk after the image data"},
        {"two PLTE chunks", with(indexed, ChunkIndex(indexed, "PLTE"), plte), "a second PLTE chunk"},
        {"PLTE in a grey picture", with(ChunksOf(grey + PngOf({{"IEND", "", std::nullopt}}).substr(8)), 1, plte),
         "a PLTE chunk in a grey picture"},
        {"IDAT chunks apart", with(rgb, 2, text), "IDAT chunks are not one run"},
        {"an index past the palette", PngOf(shortPalette), "a palette index of 2 lies beyond its palette of 2"},
    };
    for (const Refusal& c : cases) {
        const std::string refusal = RefusalOf(c.bytes);
        EXPECT_NE(refusal.find("damaged PNG file: "), std::string::npos) << c.name << ": " << refusal;
        EXPECT_NE(refusal.find(c.says), std::string::npos) << c.name << ": " << refusal;
        EXPECT_EQ(refusal.find('\n'), std::string::npos) << c.name;
    }
    // Each fault is the only one: the files they were made from are read.
    EXPECT_EQ(BitsOf(*DecodePng(BytesOf(good))), BitsOf(picture));
    EXPECT_EQ(RefusalOf(PngOf(indexed)), "");
    EXPECT_EQ(RefusalOf(with(rgb, 4, text)), "");   // a side chunk after the pixels
}

// libspng's chunk limits follow the file: a file of any length reads, whether its bytes
// are pixels or side chunks, and a chunk may run to the file's end but not past it.
TEST(PngFileTest, FilesLongerThanSixteenMebibytesAreRead)
{
    // 2400 x 2400 of noise stored uncompressed: 17.3 MB of image data.
    std::mt19937 random(11);
    const CBitmap24 noise = PictureOf(2400, 2400, [&](int32_t, int32_t) {
        const uint32_t bits = random();
        return Pixel24{uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16)};
    });
    const std::vector<uint8_t> large = EncodeRgbPng(noise, std::nullopt, 0);
    ASSERT_GT(large.size(), size_t{16} << 20);
    EXPECT_EQ(BitsOf(*DecodePng(large)), BitsOf(noise));

    // A small picture with a text chunk that brings the file to just under and just over
    // 16 MiB.
    const CBitmap24 small = PictureOver(DistinctEntries(9), 9, 5, 4);
    const std::vector<PngChunk> chunks = ChunksOf(TextOf(EncodeRgbPng(small)));
    const size_t bare = PngOf(chunks).size() + 12 + 8;   // the text chunk's frame and keyword
    for (const size_t length : {(size_t{16} << 20) - 1, (size_t{16} << 20) + 1}) {
        std::vector<PngChunk> padded = chunks;
        padded.insert(padded.begin() + 1, {"tEXt", "Comment" + std::string(1, '\0') + std::string(length - bare, 'x'),
                                           std::nullopt});
        const std::string png = PngOf(padded);
        ASSERT_EQ(png.size(), length);
        EXPECT_EQ(RefusalOf(png), "") << length << " bytes";
        EXPECT_EQ(BitsOf(*DecodePng(BytesOf(png))), BitsOf(small)) << length << " bytes";

        // The text chunk declared one byte longer runs into the next chunk and past the end.
        std::string overrun = png;
        const uint32_t declared = BigEndianAt(png, 8 + 25);
        for (int i = 0; i < 4; ++i)
            overrun[8 + 25 + i] = static_cast<char>((declared + 1) >> (24 - 8 * i));
        EXPECT_NE(RefusalOf(overrun).find("damaged PNG file: "), std::string::npos) << length << " bytes";
    }
    // The last chunk's length one past the file's end.
    std::string png = PngOf(chunks);
    png[png.size() - 9] = 1;   // IEND's length
    EXPECT_NE(RefusalOf(png).find("ends inside its IEND chunk"), std::string::npos) << RefusalOf(png);
}

// A real file far nearer the compression bound than pictures come (2000 x 2000 of black,
// compressed about 740 to 1) is read.
TEST(PngFileTest, DenseFilesWithinTheCompressionBoundAreRead)
{
    const CBitmap24 black(2000, 2000);
    const std::vector<uint8_t> dense = EncodeRgbPng(black, std::nullopt, 9);
    ASSERT_LT(dense.size(), black.ByteCount() / 700);
    EXPECT_EQ(BitsOf(*DecodePng(dense)), BitsOf(black));
}

// Interlaced pictures of every kind decode to the pixels libspng's own whole-image
// decoding gives: each pass's scanline is put in its columns.
TEST(PngFileTest, InterlacedPicturesOfEveryKindDecodeToLibspngsPixels)
{
    struct Kind {
        uint8_t colourType;
        uint8_t depth;
        uint32_t channels;
    };
    const Kind kinds[] = {{SPNG_COLOR_TYPE_GRAYSCALE, 1, 1}, {SPNG_COLOR_TYPE_GRAYSCALE, 16, 1},
                          {SPNG_COLOR_TYPE_INDEXED, 1, 1},   {SPNG_COLOR_TYPE_INDEXED, 2, 1},
                          {SPNG_COLOR_TYPE_INDEXED, 4, 1},   {SPNG_COLOR_TYPE_INDEXED, 8, 1},
                          {SPNG_COLOR_TYPE_TRUECOLOR, 8, 3}, {SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 16, 4}};
    std::mt19937 random(3);
    for (const Kind& kind : kinds) {
        for (const auto& [width, height] : {std::pair{1u, 1u}, {3u, 9u}, {13u, 11u}, {33u, 17u}}) {
            spng_ihdr header{width, height, kind.depth, kind.colourType, 0, 0, 1};
            const size_t rowBytes = (size_t{width} * kind.channels * kind.depth + 7) / 8;
            std::vector<uint8_t> raw(rowBytes * height);
            for (uint8_t& byte : raw)
                byte = static_cast<uint8_t>(random());
            std::optional<spng_plte> palette;
            if (kind.colourType == SPNG_COLOR_TYPE_INDEXED) {
                palette = spng_plte{};
                palette->n_entries = 1u << kind.depth;
                for (uint32_t i = 0; i < palette->n_entries; ++i)
                    palette->entries[i] = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 255};
            }
            const std::string png = EncodedRaw(header, raw, palette);
            const PngContents theirs = ReadPngContents(png);
            EXPECT_EQ(PackedRgbOf(*DecodePng(BytesOf(png))), theirs.rgb)
                << int(kind.colourType) << "/" << int(kind.depth) << " " << width << "x" << height;
        }
    }
}

// With an alpha key, only alpha 0 is fully transparent, at 16 bits as at 8: 1 of 65535 is
// not. Every other pixel keeps the colour the plain reading gives (16-bit samples cut to
// their high byte).
TEST(PngFileTest, SixteenBitAlphaKeysOnlyItsZero)
{
    const std::vector<uint16_t> alphas = {0, 1, 255, 256, 32768, 65535};
    std::vector<uint8_t> raw;
    for (size_t i = 0; i < alphas.size(); ++i)
        for (const uint16_t sample : {uint16_t(0x1234 * (i + 1)), uint16_t(0xFFFF - i), uint16_t(0x00FF), alphas[i]})
            raw.insert(raw.end(), {uint8_t(sample >> 8), uint8_t(sample)});
    const spng_ihdr header{static_cast<uint32_t>(alphas.size()), 1, 16, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0};
    const std::string png = EncodedRaw(header, raw);
    const std::vector<uint8_t> plain = PackedRgbOf(*DecodePng(BytesOf(png)));
    const std::vector<uint8_t> keyed = PackedRgbOf(*DecodePng(BytesOf(png), MakeColour(255, 0, 255)));
    EXPECT_EQ(plain, ReadPngContents(png).rgb);
    EXPECT_EQ(std::vector<uint8_t>(keyed.begin(), keyed.begin() + 3), (std::vector<uint8_t>{255, 0, 255}));
    EXPECT_EQ(std::vector<uint8_t>(keyed.begin() + 3, keyed.end()), std::vector<uint8_t>(plain.begin() + 3, plain.end()));
}

TEST(PngFileTest, EveryColourTypeDecodesToTheRgbThatStbImageReads)
{
    std::mt19937 random(5);
    std::vector<uint8_t> samples(4 * 9 * 7);
    for (uint8_t& sample : samples)
        sample = static_cast<uint8_t>(random());
    for (int channels = 1; channels <= 4; ++channels) {
        const std::string png = StbPng(9, 7, channels, samples.data());
        int width = 0, height = 0, stored = 0;
        unsigned char* rgb = stbi_load_from_memory(BytesOf(png).data(), static_cast<int>(png.size()), &width, &height,
                                                   &stored, 3);
        ASSERT_NE(rgb, nullptr);
        const std::vector<uint8_t> expected(rgb, rgb + 9 * 7 * 3);
        stbi_image_free(rgb);
        EXPECT_EQ(PackedRgbOf(*DecodePng(BytesOf(png))), expected) << channels << " channels";
    }
}

TEST(PngFileTest, AnAlphaKeyColoursEveryFullyTransparentPixel)
{
    // RGBA: transparent pixels of several colours, one half-transparent, one opaque.
    const std::array<uint8_t, 16> rgba = {10, 20, 30, 0, 200, 0, 0, 0, 40, 50, 60, 128, 70, 80, 90, 255};
    const std::string png = StbPng(4, 1, 4, rgba.data());
    const auto keyed = DecodePng(BytesOf(png), MakeColour(255, 0, 255));
    EXPECT_EQ(PackedRgbOf(*keyed), (std::vector<uint8_t>{255, 0, 255, 255, 0, 255, 40, 50, 60, 70, 80, 90}));
    const auto plain = DecodePng(BytesOf(png));
    EXPECT_EQ(PackedRgbOf(*plain), (std::vector<uint8_t>{10, 20, 30, 200, 0, 0, 40, 50, 60, 70, 80, 90}));

    // A tRNS chunk counts as alpha too: our own RGB file with its transparent colour.
    const CBitmap24 twoColours = PictureOf(2, 1, [](int32_t x, int32_t) { return x == 0 ? Rgb(1, 2, 3) : Rgb(4, 5, 6); });
    const std::string withTrns = TextOf(EncodeRgbPng(twoColours, MakeColour(1, 2, 3)));
    EXPECT_EQ(PackedRgbOf(*DecodePng(BytesOf(withTrns), MakeColour(9, 9, 9))), (std::vector<uint8_t>{9, 9, 9, 4, 5, 6}));
    const PngContents contents = ReadPngContents(withTrns);
    ASSERT_TRUE(contents.transparency.has_value());
    EXPECT_EQ(std::tuple(contents.transparency->red, contents.transparency->green, contents.transparency->blue),
              std::tuple(1, 2, 3));
}

TEST(PngFileTest, IndexedFilesUseTheSmallestDepthAndDecodeToThePixels)
{
    struct Case {
        size_t entries;   // the last of them the key's, appended to the palette
        int32_t depth;
        int32_t width;    // odd widths end rows inside a byte
    };
    const std::vector<Case> cases = {{2, 1, 13}, {3, 2, 7}, {4, 2, 9}, {5, 4, 5}, {16, 4, 3}, {17, 8, 31}, {256, 8, 33}};
    for (const Case& c : cases) {
        const std::vector<PaletteEntry> entries = DistinctEntries(c.entries);
        const CBitmap24 picture = PictureOver(entries, c.entries, c.width, 11);
        const PaletteEntry& key = entries.back();
        std::optional<CIndexedPicture> indexed = CIndexedPicture::Index(
            picture, std::span(entries).first(c.entries - 1), MakeColour(key.red, key.green, key.blue));
        ASSERT_TRUE(indexed.has_value());
        ASSERT_EQ(indexed->KeyIndex(), std::optional<uint8_t>(c.entries - 1));
        indexed->MakeKeyTransparent();
        const std::string png = TextOf(EncodeIndexedPng(*indexed));

        const PngContents contents = ReadPngContents(png);
        EXPECT_EQ(contents.header.color_type, SPNG_COLOR_TYPE_INDEXED);
        EXPECT_EQ(contents.header.bit_depth, c.depth) << c.entries << " entries";
        ASSERT_TRUE(contents.palette.has_value());
        ASSERT_EQ(contents.palette->n_entries, c.entries);
        for (size_t i = 0; i < c.entries; ++i)
            EXPECT_EQ(contents.palette->entries[i].green, entries[i].green);
        ASSERT_TRUE(contents.transparency.has_value());
        ASSERT_EQ(contents.transparency->n_type3_entries, c.entries);   // up to the key's entry
        EXPECT_EQ(contents.transparency->type3_alpha[c.entries - 1], 0);
        EXPECT_EQ(contents.transparency->type3_alpha[0], 255);
        EXPECT_EQ(contents.rgb, PackedRgbOf(picture)) << c.entries << " entries, libspng";
        EXPECT_EQ(BitsOf(*DecodePng(BytesOf(png))), BitsOf(picture)) << c.entries << " entries, ours";
    }
}

TEST(PngFileTest, KeyPixelsTakeAnEntryOfTheirOwnAndMissingColoursAreAppended)
{
    const Pixel24 grey = Rgb(9, 9, 9), red = Rgb(255, 0, 0), magenta = Rgb(255, 0, 255), teal = Rgb(0, 128, 128);
    const std::vector<PaletteEntry> entries = {{0, 0, 0, 0}, {9, 9, 9, 5}, {255, 0, 0, 5}, {9, 9, 9, 5}};
    const std::vector<Pixel24> row = {magenta, grey, red, teal, magenta, grey};
    const CBitmap24 picture = PictureOf(6, 1, [&](int32_t x, int32_t) { return row[x]; });
    struct Case {
        std::optional<Pixel24> key;
        std::vector<uint8_t> indices;
        std::optional<uint8_t> keyIndex;
    };
    const std::vector<Case> cases = {
        {std::nullopt, {4, 1, 2, 5, 4, 1}, std::nullopt},   // the first entry of grey; the rest appended
        {magenta, {4, 1, 2, 5, 4, 1}, 4},
        {red, {4, 1, 5, 6, 4, 1}, 5},                       // red is entry 2, but the key's pixels get their own
        {Rgb(0, 0, 255), {4, 1, 2, 5, 4, 1}, std::nullopt}, // no pixel of the key
    };
    for (const Case& c : cases) {
        const std::optional<ColourRef> key = c.key ? std::optional<ColourRef>(ColourOf(*c.key)) : std::nullopt;
        std::optional<CIndexedPicture> indexed = CIndexedPicture::Index(picture, entries, key);
        ASSERT_TRUE(indexed.has_value());
        EXPECT_EQ(indexed->Indices(), c.indices);
        EXPECT_EQ(indexed->KeyIndex(), c.keyIndex);
        for (size_t x = 0; x < row.size(); ++x) {
            const PaletteEntry& e = indexed->Palette()[c.indices[x]];
            EXPECT_EQ(Rgb(e.red, e.green, e.blue), row[x]);
        }
        if (!c.keyIndex) {
            EXPECT_THROW(indexed->MakeKeyTransparent(), CFatalError);
        }
    }

    // A full palette leaves no room for a colour it lacks, nor for the key's entry.
    const std::vector<PaletteEntry> full = DistinctEntries(256);
    const CBitmap24 overFull = PictureOver(full, 256, 40, 40);
    EXPECT_TRUE(CIndexedPicture::Index(overFull, full).has_value());
    EXPECT_FALSE(CIndexedPicture::Index(overFull, full, ColourOf(PixelAt(overFull, 0, 0))).has_value());
    EXPECT_FALSE(CIndexedPicture::Index(picture, full).has_value());
}

// Indices made elsewhere (tolmix-image's accurate method) are taken as they are, within
// the palette and the picture's size, and encode to the pixels they stand for.
TEST(IndexedPicture, FromIndicesChecksTheIndicesAgainstThePaletteAndTheSize)
{
    const std::vector<PaletteEntry> entries = {{10, 20, 30, 0}, {40, 50, 60, 0}, {255, 0, 255, 0}};
    CIndexedPicture indexed = CIndexedPicture::FromIndices(3, 2, entries, {0, 1, 2, 2, 1, 0}, uint8_t{2});
    indexed.MakeKeyTransparent();
    EXPECT_EQ(indexed.TransparentIndex(), std::optional<uint8_t>(2));
    EXPECT_EQ(indexed.BitDepth(), 2);
    const std::vector<uint8_t> png = EncodeIndexedPng(indexed);
    const PngContents contents = ReadPngContents(std::string(png.begin(), png.end()));
    EXPECT_EQ(contents.rgb, (std::vector<uint8_t>{10, 20, 30, 40, 50, 60, 255, 0, 255, 255, 0, 255, 40, 50, 60, 10, 20, 30}));

    EXPECT_NO_THROW(CIndexedPicture::FromIndices(1, 1, entries, {2}));   // the last entry
    EXPECT_THROW(CIndexedPicture::FromIndices(1, 1, entries, {3}), CFatalError);   // one past it
    EXPECT_THROW(CIndexedPicture::FromIndices(1, 1, entries, {0}, uint8_t{3}), CFatalError);
    EXPECT_THROW(CIndexedPicture::FromIndices(2, 2, entries, {0, 0, 0}), CFatalError);   // too few
    EXPECT_THROW(CIndexedPicture::FromIndices(1, 1, {}, {0}), CFatalError);
    EXPECT_NO_THROW(CIndexedPicture::FromIndices(1, 1, DistinctEntries(256), {255}));
    EXPECT_THROW(CIndexedPicture::FromIndices(1, 1, DistinctEntries(257), {0}), CFatalError);
}

} // namespace
