// DithererTest.cpp — the error-limit rule, the cursor's diffusion and whole dithering passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "imaging/DitherCursor.h"
#include "imaging/Ditherer.h"
#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/bitmaps/FatalError.h"
#include "tests/support/PicturePixels.h"

namespace {

const Pixel24 KEY_BLUE = Rgb(0, 0, 255);
const Pixel24 LOW_GREY = Rgb(98, 98, 100);     // entry 2 of GreyPalette
const Pixel24 HIGH_GREY = Rgb(130, 130, 132);  // entry 3 of GreyPalette

// A quantizer computed from the greys (96, 96, 96) and (128, 128, 128): entries
// 2 = (98, 98, 100) and 3 = (130, 130, 132), entry 1 white, the rest black.
class GreyPalette : public ::testing::Test {
protected:
    GreyPalette() : m_source(2, 1), m_quantizer(256)
    {
        SetPixel(m_source, 0, 0, Rgb(96, 96, 96));
        SetPixel(m_source, 1, 0, Rgb(128, 128, 128));
        m_quantizer.AddBitmap(&m_source, 1);
        m_quantizer.Compute();
    }

    void Dither(CBitmap24& picture, ColourRef key)
    {
        CDitherer ditherer;
        ditherer.SetQuantizer(&m_quantizer);
        ditherer.SetKeyColour(key);
        ditherer.Dither(&picture);
    }

    CBitmap24 m_source;
    CQuantizer m_quantizer;
};

// A buffer for a cursor over a width × height pass, every pixel byte `fill`.
std::vector<uint8_t> PassBuffer(int32_t width, int32_t height, uint8_t fill)
{
    return std::vector<uint8_t>(static_cast<size_t>(RowStride(width)) * (height + 1) + 3, fill);
}

// A random picture of a few base colours with noise, sprinkled with the key and with
// colours one step from it; random pad bytes.
CBitmap24 RandomPicture(std::mt19937& random, int32_t width, int32_t height, Pixel24 key)
{
    std::vector<Pixel24> bases(1 + random() % 6);
    for (Pixel24& base : bases)
        base = Rgb(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()));
    const int32_t noise = static_cast<int32_t>(random() % 3) * 20;
    const auto jitter = [&](uint8_t value) {
        return static_cast<uint8_t>(std::clamp(value + static_cast<int32_t>(random() % (2 * noise + 1)) - noise, 0, 255));
    };
    CBitmap24 picture(width, height);
    for (uint8_t& byte : std::span<uint8_t>(picture.Bits(), picture.ByteCount()))
        byte = static_cast<uint8_t>(random());
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t kind = random() % 10;
            Pixel24 pixel = key;
            if (kind == 1)
                pixel.green = static_cast<uint8_t>(pixel.green + (random() % 2 == 0 ? 1 : -1));
            else if (kind > 1) {
                const Pixel24 base = bases[random() % bases.size()];
                pixel = Pixel24{jitter(base.blue), jitter(base.green), jitter(base.red)};
            }
            SetPixel(picture, x, y, pixel);
        }
    return picture;
}

// The pass as plainly as it can be written: the whole picture in one buffer with a
// spare row, every pixel through the cursor's steps.
void PlainDither(CBitmap24& picture, const CQuantizer& quantizer, Pixel24 key)
{
    const int32_t width = picture.Width();
    const int32_t height = picture.Height();
    std::vector<uint8_t> buffer = PassBuffer(width, height, 0);
    std::copy_n(picture.Bits(), picture.ByteCount(), buffer.begin());
    CDitherCursor cursor(buffer, width, height, key);
    CGamePalette& palette = *quantizer.GamePalette();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x, cursor.NextPixel()) {
            if (cursor.AtKey())
                continue;
            const Pixel24 pixel = cursor.Current();
            const PaletteEntry& entry = quantizer.Entries()[palette.NearestIndex(pixel)];
            cursor.SetCurrent(Pixel24{entry.blue, entry.green, entry.red});
            cursor.Diffuse(CDitherer::LimitError(pixel.red - entry.red), CDitherer::LimitError(pixel.green - entry.green),
                           CDitherer::LimitError(pixel.blue - entry.blue));
        }
        if (y + 1 < height)
            cursor.NextRow();
    }
    std::copy_n(buffer.begin(), picture.ByteCount(), picture.Bits());
}

} // namespace

// --- Error limit -------------------------------------------------------------------------

TEST(Ditherer, ErrorLimitPassesSmallDampsMiddleAndCapsLarge)
{
    const std::pair<int32_t, int32_t> cases[] = {
        {0, 0},   {1, 1},   {15, 15}, {16, 16}, {17, 16}, {18, 17},   {20, 18},   {46, 31},
        {47, 31}, {48, 32}, {255, 32}, {-1, -1}, {-15, -15}, {-17, -16}, {-47, -31}, {-200, -32}};
    for (const auto& [difference, limited] : cases)
        EXPECT_EQ(CDitherer::LimitError(difference), limited) << "difference " << difference;
}

// --- Cursor ------------------------------------------------------------------------------
// A 4 × 2 pass (stride 12, no pad byte): from the first pixel, right is byte 3, below
// byte 12, below-right byte 15 and below-left byte 9, the last pixel of the same row.

TEST(DitherCursor, DiffusesSevenThreeOneFiveSixteenthsRoundingDownAndClamped)
{
    std::vector<uint8_t> buffer = PassBuffer(4, 2, 100);
    StorePixel(&buffer[6], Rgb(250, 5, 128));
    CDitherCursor cursor(buffer, 4, 2, KEY_BLUE);
    cursor.Diffuse(18, -1, 1);   // red, green, blue
    EXPECT_EQ(LoadPixel(&buffer[3]), Rgb(107, 99, 100));    // right: 7, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[12]), Rgb(103, 99, 100));   // below: 3, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[15]), Rgb(101, 99, 100));   // below-right: 1, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[9]), Rgb(105, 99, 100));    // below-left: 5, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[0]), Rgb(100, 100, 100));
    EXPECT_EQ(LoadPixel(&buffer[6]), Rgb(250, 5, 128));

    cursor.NextPixel();
    cursor.Diffuse(32, -32, 0);   // ±14 to the right, clamped to the byte range
    EXPECT_EQ(LoadPixel(&buffer[6]), Rgb(255, 0, 128));
    EXPECT_EQ(cursor.RangeLimit(-256), 0);
    EXPECT_EQ(cursor.RangeLimit(511), 255);
    EXPECT_THROW(CDitherCursor(std::span<uint8_t>(buffer.data(), buffer.size() - 1), 4, 2, KEY_BLUE), CFatalError);
}

// --- Whole passes ------------------------------------------------------------------------

TEST_F(GreyPalette, DithersASmallPictureAsDerivedByHand)
{
    // Every pixel starts (110, 110, 112); with entries 2 = (98, 98, 100) and
    // 3 = (130, 130, 132) all three channels of every error are equal, so one value v
    // per pixel (its red) tells the pass. Row 0: v 110 → entry 2, error 12: right +5,
    // below +2, below-right +0, below-left (row 0's last pixel) +3. v 115 → entry 3,
    // error −15: −7, −3, −1, −5. v 103 → entry 2, error 5: +2 right, +1 below-left.
    // v 115 → entry 3, error −15: right is row 1's first pixel (107 − 7 = 100), below
    // 110 − 3 = 107, below-left 109 − 5 = 104. Row 1: v 100, 108, 108, 111 → entry 2.
    CBitmap24 picture = UniformPicture(4, 2, Rgb(110, 110, 112));
    Dither(picture, 0x00FF0000);
    const Pixel24 expected[2][4] = {{LOW_GREY, HIGH_GREY, LOW_GREY, HIGH_GREY},
                                    {LOW_GREY, LOW_GREY, LOW_GREY, LOW_GREY}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(picture, x, y), expected[y][x]) << "pixel " << x << "," << y;
}

// One-row pictures whose keys, pad byte and spare row decide the result.
TEST_F(GreyPalette, KeysThePadByteAndTheSpareRowAsDerivedByHand)
{
    const Pixel24 START = Rgb(110, 110, 112);   // entry 2 with error 12 on every channel
    const Pixel24 GREY = Rgb(120, 120, 120), RED = Rgb(200, 10, 10), DARK_BLUE = Rgb(0, 0, 40);
    struct Case {
        const char* what;
        std::vector<Pixel24> pixels, expected;
        ColourRef key;
        int32_t pad, expectedPad;   // the row's pad byte before and after; −1: none
    };
    const Case cases[] = {
        // The first pixel is the key. The second gives the third +5, which makes it exactly
        // the key: it stays (rather than becoming entry 3, its nearest).
        {"pushed onto the key", {GREY, START, Rgb(115, 115, 115), GREY}, {GREY, LOW_GREY, GREY, GREY},
         KEY_FROM_FIRST_PIXEL, -1, -1},
        // The key pixel's +5 is dropped; the third pixel goes to entry 2 as well, the
        // fourth takes +3 (first's below-left) and +5 (third's right): 118, nearer entry 3.
        {"key keeps its colour", {START, KEY_BLUE, START, START}, {LOW_GREY, KEY_BLUE, LOW_GREY, HIGH_GREY},
         0x00FF0000, -1, -1},
        // Width 3: stride 10, pad byte 9. The third pixel's right neighbour is the pad
        // byte (as blue) and the spare row's first two bytes: blue share 7 × 12 >> 4 = 5.
        {"pad byte takes the blue share", {RED, RED, START}, {RED, RED, LOW_GREY}, KEY_FROM_FIRST_PIXEL, 40, 45},
        // The same, but the pad byte 40 and the zeroed spare row read as the key.
        {"spare row is zero", {DARK_BLUE, DARK_BLUE, START}, {DARK_BLUE, DARK_BLUE, LOW_GREY}, ColourOf(DARK_BLUE),
         40, 40},
        // Width 1: stride 4, so below-left (+1) is the pixel's own green and red and its
        // pad byte: written as entry 2 first, it then takes right (pad, spare, spare) +5,
        // below +2, below-right +0, below-left +3 on green, red and the pad.
        {"width one", {START}, {Rgb(101, 101, 100)}, 0x00FF0000, 0, 8},
    };
    for (const Case& c : cases) {
        const int32_t width = static_cast<int32_t>(c.pixels.size());
        CBitmap24 picture = PictureOf(width, 1, [&](int32_t x, int32_t) { return c.pixels[x]; });
        if (c.pad >= 0)
            picture.Bits()[3 * width] = static_cast<uint8_t>(c.pad);
        Dither(picture, c.key);
        for (int32_t x = 0; x < width; ++x)
            EXPECT_EQ(PixelAt(picture, x, 0), c.expected[x]) << c.what << ", pixel " << x;
        if (c.expectedPad >= 0) {
            EXPECT_EQ(picture.Bits()[3 * width], c.expectedPad) << c.what;
        }
    }
}

TEST_F(GreyPalette, EmptyPicturesAndMissingPalettesAreHandled)
{
    CBitmap24 empty(0, 3);
    EXPECT_NO_THROW(Dither(empty, 0x00FF0000));

    CQuantizer uncomputed(256);
    CDitherer ditherer;
    ditherer.SetQuantizer(&uncomputed);
    CBitmap24 picture = UniformPicture(2, 2, LOW_GREY);
    EXPECT_THROW(ditherer.Dither(&picture), CFatalError);
    EXPECT_THROW(ditherer.Dither(nullptr), CFatalError);
}


TEST(Ditherer, EveryPathGivesTheBytesOfThePlainWholePicturePass)
{
    // Random pictures of widths 1..40 (overlapping neighbours below 3, no row walk
    // before 7, where the in-place rows leave no slack), heights 1..10 (at most two rows
    // means no rows are reduced in place), random keys with pixels one step from them,
    // palettes of 4 to 256 entries. The ditherer, with and without its row walk, must
    // write the bytes of the plain pass, pad bytes included, and search as often; so must
    // a second pass over the reduced picture, whose palette caches are then warm.
    std::mt19937 random(2024);
    const int32_t colourCounts[] = {4, 16, 64, 200, 256};
    for (int32_t trial = 0; trial < 300; ++trial) {
        const int32_t width = 1 + static_cast<int32_t>(random() % 40);
        const int32_t height = 1 + static_cast<int32_t>(random() % 10);
        const Pixel24 key = random() % 3 == 0 ? KEY_BLUE
                                              : Rgb(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                                    static_cast<uint8_t>(random()));
        const CBitmap24 source = RandomPicture(random, width, height, key);
        const int32_t colourCount = colourCounts[random() % 5];
        const bool reserve = random() % 2 == 0;
        const ColourRef keyColour = random() % 2 == 0 ? ColourOf(key) : KEY_FROM_FIRST_PIXEL;
        const Pixel24 passKey = keyColour == KEY_FROM_FIRST_PIXEL ? LoadPixel(source.Bits()) : key;

        const auto computed = [&] {
            auto quantizer = std::make_unique<CQuantizer>(colourCount);
            quantizer->AddBitmap(&source, 1);
            if (reserve)
                quantizer->ReserveColour(ColourOf(key));
            quantizer->Compute();
            return quantizer;
        };
        // The plain pass, the row walk and the pixel steps, each with its own palette.
        const std::unique_ptr<CQuantizer> quantizers[3] = {computed(), computed(), computed()};
        CBitmap24 pictures[3] = {source, source, source};
        CDitherer ditherers[3];
        for (int32_t path = 1; path < 3; ++path) {
            ditherers[path].SetQuantizer(quantizers[path].get());
            ditherers[path].SetKeyColour(keyColour);
        }
        ditherers[2].SetPixelByPixel(true);

        for (int32_t pass = 0; pass < 2; ++pass) {
            PlainDither(pictures[0], *quantizers[0], passKey);
            for (int32_t path = 1; path < 3; ++path) {
                ditherers[path].Dither(&pictures[path]);
                ASSERT_EQ(BitsOf(pictures[path]), BitsOf(pictures[0]))
                    << width << "x" << height << ", trial " << trial << ", pass " << pass << ", path " << path;
                ASSERT_EQ(quantizers[path]->GamePalette()->LogicalPalette().SearchCount(),
                          quantizers[0]->GamePalette()->LogicalPalette().SearchCount());
            }
        }
    }
}
