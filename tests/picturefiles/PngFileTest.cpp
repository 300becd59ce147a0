// PngFileTest.cpp — PNG through libspng: what we refuse and why, alpha keys, and the RGB and
// indexed files we write as libspng and stb_image read them back.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <span>
#include <string>
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

void AppendBigEndian(std::string& bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFF);
}

// The PNG chunk checksum (CRC-32, reflected polynomial 0xEDB88320) of the bytes.
uint32_t Crc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFF;
    for (const unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

// A PNG of just a signature and a valid IHDR chunk of an 8-bit RGB picture.
std::string HeaderOnlyPng(uint32_t width, uint32_t height)
{
    std::string chunk = "IHDR";
    AppendBigEndian(chunk, width);
    AppendBigEndian(chunk, height);
    chunk += std::string("\x08\x02\0\0\0", 5);
    std::string png = "\x89PNG\r\n\x1a\n";
    AppendBigEndian(png, 13);
    png += chunk;
    AppendBigEndian(png, Crc32(chunk));
    return png;
}

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
    struct Case {
        std::string name;
        std::string bytes;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"not a PNG", "hello, world: a text of more than thirty-three bytes", spng_strerror(SPNG_ESIGNATURE)},
        {"damaged header", badCrc, spng_strerror(SPNG_ECHUNK_CRC)},
        // 30000 × 30000 is 2.5 GiB of pixels: refused by our limit, before any decoding.
        {"too large", HeaderOnlyPng(30000, 30000), "30000x30000 is too large"},
        // 10000 × 10000 is within the limit, but 33 bytes cannot hold its pixels.
        {"too large for its length", HeaderOnlyPng(10000, 10000), "cannot be in 33 bytes"},
        // Wider than any picture the byte limit allows: libspng's own limit, set to ours.
        {"too wide", HeaderOnlyPng(0x7FFFFFFF, 1), spng_strerror(SPNG_EUSER_WIDTH)},
        {"cut short", good.substr(0, good.size() / 2), ""},
    };
    for (const Case& c : cases) {
        const std::string refusal = RefusalOf(c.bytes);
        EXPECT_FALSE(refusal.empty()) << c.name << " was decoded";
        EXPECT_NE(refusal.find(c.says), std::string::npos) << c.name << ": " << refusal;
    }
    EXPECT_EQ(BitsOf(*DecodePng(BytesOf(good))), BitsOf(picture));
}

TEST(PngFileTest, EveryColourTypeDecodesToTheRgbThatStbImageReads)
{
    std::mt19937 random(5);
    std::vector<uint8_t> samples(4 * 9 * 7);
    for (uint8_t& sample : samples)
        sample = static_cast<uint8_t>(random());
    for (int channels = 1; channels <= 4; ++channels) {
        std::string png;
        stbi_write_png_to_func(
            [](void* context, void* data, int size) {
                static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
            },
            &png, 9, 7, channels, samples.data(), 9 * channels);
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
    std::string png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<const char*>(data), size); },
        &png, 4, 1, 4, rgba.data(), 16);
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
    EXPECT_EQ(contents.transparency->red, 1);
    EXPECT_EQ(contents.transparency->green, 2);
    EXPECT_EQ(contents.transparency->blue, 3);
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
