// DithererTest.cpp — the error-limit rule, the cursor's diffusion and whole dithering passes:
// shares only to pixels of the picture, key pixels never changed, every other pixel a
// palette colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
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

    void Dither(CBitmap24& picture, std::optional<ColourRef> key)
    {
        CDitherer ditherer;
        ditherer.SetQuantizer(&m_quantizer);
        ditherer.SetKeyColour(key);
        ditherer.Dither(&picture);
    }

    CBitmap24 m_source;
    CQuantizer m_quantizer;
};

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

// Whether the pixel is the colour of one of the quantizer's entries.
bool IsPaletteColour(Pixel24 pixel, const CQuantizer& quantizer)
{
    const auto& entries = quantizer.Entries();
    return std::any_of(entries.begin(), entries.begin() + quantizer.ColourCount(),
                       [&](const PaletteEntry& e) { return Pixel24{e.blue, e.green, e.red} == pixel; });
}

// The pass as its rules state it, pixel by pixel and share by share: key pixels by their
// colour before the pass, a share only to a pixel of the picture that is not a key pixel,
// each share clamped as it arrives. Its own quantizer, so its lookup cache fills in the
// same order as the pass's.
void ModelDither(CBitmap24& picture, const CQuantizer& quantizer, Pixel24 key)
{
    const int32_t width = picture.Width(), height = picture.Height();
    std::vector<bool> isKey(static_cast<size_t>(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            isKey[static_cast<size_t>(y) * width + x] = PixelAt(picture, x, y) == key;
    struct Share {
        int32_t dx, dy, weight;
    };
    const Share shares[] = {{1, 0, 7}, {0, 1, 3}, {1, 1, 1}, {-1, 1, 5}};
    const auto add = [](uint8_t value, int32_t error, int32_t weight) {
        return static_cast<uint8_t>(std::clamp(value + ((error * weight) >> 4), 0, 255));
    };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            if (isKey[static_cast<size_t>(y) * width + x])
                continue;
            const Pixel24 pixel = PixelAt(picture, x, y);
            const PaletteEntry& entry = quantizer.Entries()[quantizer.GamePalette()->NearestIndex(pixel)];
            SetPixel(picture, x, y, Pixel24{entry.blue, entry.green, entry.red});
            const int32_t red = CDitherer::LimitError(pixel.red - entry.red);
            const int32_t green = CDitherer::LimitError(pixel.green - entry.green);
            const int32_t blue = CDitherer::LimitError(pixel.blue - entry.blue);
            for (const Share& share : shares) {
                const int32_t nx = x + share.dx, ny = y + share.dy;
                if (nx < 0 || nx >= width || ny >= height || isKey[static_cast<size_t>(ny) * width + nx])
                    continue;
                const Pixel24 old = PixelAt(picture, nx, ny);
                SetPixel(picture, nx, ny,
                         Pixel24{add(old.blue, blue, share.weight), add(old.green, green, share.weight),
                                 add(old.red, red, share.weight)});
            }
        }
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
// A 4 × 2 picture (stride 12, no pad byte): from the first pixel, right is byte 3, below
// byte 12 and below-right byte 15; its below-left would lie left of the picture.

TEST(DitherCursor, DiffusesThreeOneFiveSixteenthsBelowToPixelsOfThePictureOnly)
{
    std::vector<uint8_t> rows(24, 100);
    StorePixel(&rows[15], Rgb(250, 5, 128));
    CDitherCursor cursor(rows, 4, 2, KEY_BLUE);
    cursor.DiffuseBelow(18, -1, 1);   // red, green, blue
    EXPECT_EQ(LoadPixel(&rows[3]), Rgb(100, 100, 100));   // right: the walk's to carry
    EXPECT_EQ(LoadPixel(&rows[12]), Rgb(103, 99, 100));   // below: 3, −1, 0
    EXPECT_EQ(LoadPixel(&rows[15]), Rgb(251, 4, 128));    // below-right: 1, −1, 0
    EXPECT_EQ(LoadPixel(&rows[9]), Rgb(100, 100, 100));   // the row's last pixel: no share

    cursor.NextPixel();
    cursor.DiffuseBelow(32, -32, 0);   // below: ±6, below-right ±2, below-left ±10, clamped
    EXPECT_EQ(LoadPixel(&rows[15]), Rgb(255, 0, 128));
    EXPECT_EQ(LoadPixel(&rows[18]), Rgb(102, 98, 100));
    EXPECT_EQ(LoadPixel(&rows[12]), Rgb(113, 89, 100));

    // The row's last pixel: no below-right share (the first pixel two rows down); below
    // and below-left take theirs.
    cursor.NextPixel();
    cursor.NextPixel();
    cursor.DiffuseBelow(16, 16, 16);
    EXPECT_EQ(LoadPixel(&rows[21]), Rgb(103, 103, 103));   // below: 3
    EXPECT_EQ(LoadPixel(&rows[18]), Rgb(107, 103, 105));   // below-left: 5 (after 2, −2, 0)

    // The last row passes nothing below.
    cursor.NextRow();
    const std::vector<uint8_t> before = rows;
    cursor.DiffuseBelow(16, 16, 16);
    EXPECT_EQ(rows, before);

    EXPECT_EQ(cursor.RangeLimit(-256), 0);
    EXPECT_EQ(cursor.RangeLimit(511), 255);
    EXPECT_THROW(CDitherCursor(std::span<uint8_t>(rows.data(), rows.size() - 1), 4, 2, KEY_BLUE), CFatalError);
}

// --- Whole passes ------------------------------------------------------------------------

TEST_F(GreyPalette, DithersASmallPictureAsDerivedByHand)
{
    // Every pixel starts (110, 110, 112); with entries 2 = (98, 98, 100) and
    // 3 = (130, 130, 132) all three channels of every error are equal, so one value v
    // per pixel (its red) tells the pass. Row 0: v 110 → entry 2, error 12: right +5,
    // below +2, below-right +0 (no below-left: the picture's edge). v 115 → entry 3,
    // error −15: right −7, below −3, below-right −1, below-left −5. v 103 → entry 2,
    // error 5: right +2, below-left +1. v 112 shares its cache cell with 115 → entry 3,
    // error −17: no right (the row's end), below −4, below-left −6. Row 1 starts
    // 107, 108, 103, 106 and passes only rightwards: 107 → 2 (+3), 111 → 2 (+5),
    // 108 → 2 (+4), 110 → 2.
    CBitmap24 picture = UniformPicture(4, 2, Rgb(110, 110, 112));
    Dither(picture, 0x00FF0000);
    const Pixel24 expected[2][4] = {{LOW_GREY, HIGH_GREY, LOW_GREY, HIGH_GREY},
                                    {LOW_GREY, LOW_GREY, LOW_GREY, LOW_GREY}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(picture, x, y), expected[y][x]) << "pixel " << x << "," << y;
}

// One-row pictures whose keys, ends and pad byte decide the result.
TEST_F(GreyPalette, KeysRowEndsAndThePadByteAsDerivedByHand)
{
    const Pixel24 START = Rgb(110, 110, 112);   // entry 2 with error 12 on every channel
    const Pixel24 GREY = Rgb(120, 120, 120), RED = Rgb(200, 10, 10);
    struct Case {
        const char* what;
        std::vector<Pixel24> pixels, expected;
        ColourRef key;
        int32_t pad;   // the row's pad byte, which must stay; −1: none
    };
    const Case cases[] = {
        // The first pixel is the key. The second gives the third +5, which makes it the
        // key's colour: it is still no key pixel, and becomes entry 3, its nearest.
        {"pushed onto the key", {GREY, START, Rgb(115, 115, 115), GREY}, {GREY, LOW_GREY, HIGH_GREY, GREY},
         KEY_FROM_FIRST_PIXEL, -1},
        // The key pixel's +5 is dropped; the third pixel goes to entry 2 as well, the
        // fourth takes +5 (third's right): 115, nearer entry 3.
        {"key keeps its colour", {START, KEY_BLUE, START, START}, {LOW_GREY, KEY_BLUE, LOW_GREY, HIGH_GREY},
         0x00FF0000, -1},
        // Width 3: the last pixel's right share would fall on the pad byte; it is dropped.
        {"pad byte untouched", {RED, RED, START}, {RED, RED, LOW_GREY}, KEY_FROM_FIRST_PIXEL, 40},
        // Width 1: every share would fall outside the picture.
        {"width one", {START}, {LOW_GREY}, 0x00FF0000, 0},
    };
    for (const Case& c : cases) {
        const int32_t width = static_cast<int32_t>(c.pixels.size());
        CBitmap24 picture = PictureOf(width, 1, [&](int32_t x, int32_t) { return c.pixels[x]; });
        if (c.pad >= 0)
            picture.Bits()[3 * width] = static_cast<uint8_t>(c.pad);
        Dither(picture, c.key);
        for (int32_t x = 0; x < width; ++x)
            EXPECT_EQ(PixelAt(picture, x, 0), c.expected[x]) << c.what << ", pixel " << x;
        if (c.pad >= 0) {
            EXPECT_EQ(picture.Bits()[3 * width], c.pad) << c.what;
        }
    }
}

// Without a key no pixel is left out, not even one of the top-left pixel's colour, which
// KEY_FROM_FIRST_PIXEL keeps (an opaque picture: the user's background).
TEST_F(GreyPalette, WithoutAKeyEveryPixelBecomesAPaletteColour)
{
    const std::vector<Pixel24> pixels = {KEY_BLUE, Rgb(110, 110, 112), KEY_BLUE, Rgb(120, 120, 120)};
    const auto isEntry = [&](Pixel24 pixel) {
        const auto& entries = m_quantizer.Entries();
        return std::any_of(entries.begin(), entries.end(),
                           [&](const PaletteEntry& entry) { return Rgb(entry.red, entry.green, entry.blue) == pixel; });
    };
    ASSERT_FALSE(isEntry(KEY_BLUE));
    CBitmap24 opaque = PictureOf(4, 1, [&](int32_t x, int32_t) { return pixels[x]; });
    Dither(opaque, std::nullopt);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_TRUE(isEntry(PixelAt(opaque, x, 0))) << x;

    CBitmap24 keyed = PictureOf(4, 1, [&](int32_t x, int32_t) { return pixels[x]; });
    Dither(keyed, KEY_FROM_FIRST_PIXEL);
    EXPECT_EQ(PixelAt(keyed, 0, 0), KEY_BLUE);
    EXPECT_EQ(PixelAt(keyed, 2, 0), KEY_BLUE);
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


TEST(Ditherer, KeyPixelsStayAndEveryOtherPixelBecomesAPaletteColourAtAnyWidth)
{
    // Random pictures 1 to 9 pixels wide (rows with and without a pad byte), 1 to 6 high,
    // keys anywhere with pixels one step from them, palettes of 4 to 256 entries, the key
    // reserved or not, given or taken from the first pixel. After the pass every pixel
    // that was the key is unchanged, every other one is a palette colour, and the pad
    // bytes are as they were.
    std::mt19937 random(2024);
    const int32_t colourCounts[] = {4, 16, 64, 200, 256};
    for (int32_t trial = 0; trial < 270; ++trial) {
        const int32_t width = 1 + trial % 9;
        const int32_t height = 1 + static_cast<int32_t>(random() % 6);
        const Pixel24 key = random() % 3 == 0 ? KEY_BLUE
                                              : Rgb(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                                    static_cast<uint8_t>(random()));
        const CBitmap24 source = RandomPicture(random, width, height, key);
        const ColourRef keyColour = random() % 2 == 0 ? ColourOf(key) : KEY_FROM_FIRST_PIXEL;
        const Pixel24 passKey = keyColour == KEY_FROM_FIRST_PIXEL ? LoadPixel(source.Bits()) : key;
        CQuantizer quantizer(colourCounts[random() % 5]);
        quantizer.AddBitmap(&source, 1);
        if (random() % 2 == 0)
            quantizer.ReserveColour(ColourOf(passKey));
        quantizer.Compute();

        CBitmap24 picture = source;
        CDitherer ditherer;
        ditherer.SetQuantizer(&quantizer);
        ditherer.SetKeyColour(keyColour);
        ditherer.Dither(&picture);
        const std::string where = std::to_string(width) + "x" + std::to_string(height) + ", trial " +
                                  std::to_string(trial);
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                const Pixel24 was = PixelAt(source, x, y), is = PixelAt(picture, x, y);
                if (was == passKey) {
                    ASSERT_EQ(is, was) << "key pixel " << x << "," << y << " of " << where;
                } else {
                    ASSERT_TRUE(IsPaletteColour(is, quantizer)) << "pixel " << x << "," << y << " of " << where;
                }
            }
            const size_t pad = static_cast<size_t>(y) * picture.Stride() + 3 * static_cast<size_t>(width);
            if (width % 2 == 1) {
                ASSERT_EQ(picture.Bits()[pad], source.Bits()[pad]) << "pad byte of row " << y << " of " << where;
            }
        }
    }
}

// Whole passes byte for byte as the plain model does them: noisy pictures of many sizes
// with keys sprinkled in, and a large smooth one where errors run far along each row.
TEST(Ditherer, MatchesThePlainModelByteForByte)
{
    std::mt19937 random(77);
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {2, 3}, {5, 1}, {7, 4}, {37, 23}, {64, 9}, {301, 200}};
    for (const auto& [width, height] : sizes) {
        const Pixel24 key = Rgb(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), 255);
        CBitmap24 source = RandomPicture(random, width, height, key);
        if (width > 100)   // a smooth picture, its pixels many steps from the nearest entries
            source = PictureOf(width, height, [&](int32_t x, int32_t y) {
                return (x * 7 + y * 3) % 97 == 0 ? key
                                                 : Rgb(static_cast<uint8_t>(x * 255 / width),
                                                       static_cast<uint8_t>(y * 255 / height),
                                                       static_cast<uint8_t>((x + y) % 256));
            });
        const auto computed = [&] {
            auto quantizer = std::make_unique<CQuantizer>(32);
            quantizer->AddBitmap(&source, 1);
            quantizer->ReserveColour(ColourOf(key));
            quantizer->Compute();
            return quantizer;
        };
        const std::unique_ptr<CQuantizer> forPass = computed(), forModel = computed();
        CBitmap24 passed = source, modelled = source;
        CDitherer ditherer;
        ditherer.SetQuantizer(forPass.get());
        ditherer.SetKeyColour(ColourOf(key));
        ditherer.Dither(&passed);
        ModelDither(modelled, *forModel, key);
        ASSERT_EQ(BitsOf(passed), BitsOf(modelled)) << width << "x" << height;
    }
}
