// DithererTest.cpp — the error-limit rule, the cursor's diffusion and whole dithering passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "imaging/DitherCursor.h"
#include "imaging/Ditherer.h"
#include "imaging/GamePalette.h"
#include "imaging/Quantizer.h"
#include "platform/Bitmap24.h"
#include "platform/FatalError.h"

namespace {

Pixel24 Colour(uint8_t red, uint8_t green, uint8_t blue)
{
    return Pixel24{blue, green, red};
}

const Pixel24 KEY_BLUE = Colour(0, 0, 255);
const Pixel24 LOW_GREY = Colour(98, 98, 100);     // entry 2 of GreyPalette
const Pixel24 HIGH_GREY = Colour(130, 130, 132);  // entry 3 of GreyPalette

// A width × height picture of one colour.
CBitmap24 Uniform(int32_t width, int32_t height, Pixel24 colour)
{
    CBitmap24 picture(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            StorePixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x, colour);
    return picture;
}

Pixel24 PixelAt(const CBitmap24& picture, int32_t x, int32_t y)
{
    return LoadPixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x);
}

void SetPixel(CBitmap24& picture, int32_t x, int32_t y, Pixel24 colour)
{
    StorePixel(picture.Bits() + static_cast<size_t>(y) * picture.Stride() + 3 * x, colour);
}

// A quantizer computed from the greys (96, 96, 96) and (128, 128, 128): entries
// 2 = (98, 98, 100) and 3 = (130, 130, 132), entry 1 white, the rest black.
class GreyPalette : public ::testing::Test {
protected:
    GreyPalette() : m_source(2, 1), m_quantizer(256)
    {
        SetPixel(m_source, 0, 0, Colour(96, 96, 96));
        SetPixel(m_source, 1, 0, Colour(128, 128, 128));
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

// A buffer for a cursor over a width × height pass with the row walk's slack, every
// byte random, so that pad bytes, the spare row and the tail hold anything.
std::vector<uint8_t> RandomPassBuffer(std::mt19937& random, int32_t width, int32_t height)
{
    std::vector<uint8_t> buffer(PassBuffer(width, height, 0).size() + CDitherCursor::ROW_SLACK_BYTES);
    for (uint8_t& byte : buffer)
        byte = static_cast<uint8_t>(random());
    return buffer;
}

// A stand-in for the palette step that gives any colour and errors over the whole
// −32..32 range, decided by the pixel alone.
ReducedPixel Scramble(Pixel24 pixel)
{
    const uint32_t mixed = (uint32_t{pixel.blue} | uint32_t{pixel.green} << 8 | uint32_t{pixel.red} << 16) * 2654435761u;
    const auto error = [mixed](int32_t shift) { return static_cast<int32_t>((mixed >> shift) % 65) - 32; };
    return ReducedPixel{Pixel24{static_cast<uint8_t>(mixed >> 24), static_cast<uint8_t>(mixed >> 3),
                                static_cast<uint8_t>(mixed >> 13)},
                        error(2), error(9), error(17)};
}

// A random picture of a few base colours with noise, sprinkled with the key and with
// colours one step from it; random pad bytes.
CBitmap24 RandomPicture(std::mt19937& random, int32_t width, int32_t height, Pixel24 key)
{
    std::vector<Pixel24> bases(1 + random() % 6);
    for (Pixel24& base : bases)
        base = Colour(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()));
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

// ---------------------------------------------------------------------------------------
// Error limit
// ---------------------------------------------------------------------------------------

TEST(Ditherer, ErrorLimitPassesSmallDampsMiddleAndCapsLarge)
{
    const std::pair<int32_t, int32_t> cases[] = {
        {0, 0},   {1, 1},   {15, 15}, {16, 16}, {17, 16}, {18, 17},   {20, 18},   {46, 31},
        {47, 31}, {48, 32}, {255, 32}, {-1, -1}, {-15, -15}, {-17, -16}, {-47, -31}, {-200, -32}};
    for (const auto& [difference, limited] : cases)
        EXPECT_EQ(CDitherer::LimitError(difference), limited) << "difference " << difference;
}

// ---------------------------------------------------------------------------------------
// Cursor
// ---------------------------------------------------------------------------------------
// A 4 × 2 pass (stride 12, no pad byte): from the first pixel, right is byte 3, below
// byte 12, below-right byte 15 and below-left byte 9, the last pixel of the same row.

TEST(DitherCursor, DiffusesSevenThreeOneFiveSixteenthsRoundingDown)
{
    std::vector<uint8_t> buffer = PassBuffer(4, 2, 100);
    CDitherCursor cursor(buffer, 4, 2, KEY_BLUE);
    cursor.Diffuse(18, -1, 1);   // red, green, blue
    EXPECT_EQ(LoadPixel(&buffer[3]), Colour(107, 99, 100));    // right: 7, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[12]), Colour(103, 99, 100));   // below: 3, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[15]), Colour(101, 99, 100));   // below-right: 1, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[9]), Colour(105, 99, 100));    // below-left: 5, −1, 0
    EXPECT_EQ(LoadPixel(&buffer[0]), Colour(100, 100, 100));
    EXPECT_EQ(LoadPixel(&buffer[6]), Colour(100, 100, 100));
}

TEST(DitherCursor, ClampsChannelsToTheByteRange)
{
    std::vector<uint8_t> buffer = PassBuffer(4, 2, 0);
    StorePixel(&buffer[3], Colour(250, 5, 128));
    CDitherCursor cursor(buffer, 4, 2, KEY_BLUE);
    cursor.Diffuse(32, -32, 0);   // ±14 to the right
    EXPECT_EQ(LoadPixel(&buffer[3]), Colour(255, 0, 128));
    EXPECT_EQ(cursor.RangeLimit(-256), 0);
    EXPECT_EQ(cursor.RangeLimit(511), 255);
}

TEST(DitherCursor, KeyNeighboursTakeNoShareAndRowsMoveOn)
{
    std::vector<uint8_t> buffer = PassBuffer(4, 2, 100);
    StorePixel(&buffer[3], KEY_BLUE);
    CDitherCursor cursor(buffer, 4, 2, KEY_BLUE);
    cursor.Diffuse(16, 16, 16);
    EXPECT_EQ(LoadPixel(&buffer[3]), KEY_BLUE);
    EXPECT_EQ(LoadPixel(&buffer[12]), Colour(103, 103, 103));

    cursor.NextPixel();
    EXPECT_TRUE(cursor.AtKey());
    cursor.NextRow();
    EXPECT_EQ(cursor.Current(), Colour(103, 103, 103));
    EXPECT_THROW(CDitherCursor(std::span<uint8_t>(buffer.data(), buffer.size() - 1), 4, 2, KEY_BLUE), CFatalError);
}

TEST(DitherCursor, RowWalkGivesTheBytesOfTheSteps)
{
    // Random bytes everywhere (pad bytes, spare row and tail included), key pixels
    // sprinkled in, and errors over the whole range, so that the walk meets clamping at
    // both ends, keys among the neighbours and the neighbours that wrap at row ends.
    std::mt19937 random(11);
    for (int32_t trial = 0; trial < 400; ++trial) {
        const int32_t width = 3 + static_cast<int32_t>(random() % 38);
        const int32_t height = 1 + static_cast<int32_t>(random() % 6);
        std::vector<uint8_t> stepped = RandomPassBuffer(random, width, height);
        const Pixel24 key = LoadPixel(&stepped[3 * (random() % static_cast<uint32_t>(width))]);
        for (size_t at = 0; at + 3 <= stepped.size(); at += 3 * (1 + random() % 5))
            if (random() % 4 == 0)
                StorePixel(&stepped[at], key);
        std::vector<uint8_t> walked = stepped;

        CDitherCursor steps(stepped, width, height, key);
        CDitherCursor rows(walked, width, height, key);
        if (!rows.CanDiffuseRow())
            GTEST_SKIP() << "no SSE4.1: the row walk is not used here";
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x, steps.NextPixel()) {
                if (steps.AtKey())
                    continue;
                const ReducedPixel reduced = Scramble(steps.Current());
                steps.SetCurrent(reduced.colour);
                steps.Diffuse(reduced.errorRed, reduced.errorGreen, reduced.errorBlue);
            }
            rows.DiffuseRow(Scramble);
            if (y + 1 < height) {
                steps.NextRow();
                rows.NextRow();
            }
        }
        ASSERT_EQ(walked, stepped) << width << "x" << height << ", trial " << trial;
    }
}

// ---------------------------------------------------------------------------------------
// Whole passes
// ---------------------------------------------------------------------------------------

TEST_F(GreyPalette, DithersASmallPictureAsDerivedByHand)
{
    // Every pixel starts (110, 110, 112); with entries 2 = (98, 98, 100) and
    // 3 = (130, 130, 132) all three channels of every error are equal, so one value v
    // per pixel (its red) tells the pass. Row 0: v 110 → entry 2, error 12: right +5,
    // below +2, below-right +0, below-left (row 0's last pixel) +3. v 115 → entry 3,
    // error −15: −7, −3, −1, −5. v 103 → entry 2, error 5: +2 right, +1 below-left.
    // v 115 → entry 3, error −15: right is row 1's first pixel (107 − 7 = 100), below
    // 110 − 3 = 107, below-left 109 − 5 = 104. Row 1: v 100, 108, 108, 111 → entry 2.
    CBitmap24 picture = Uniform(4, 2, Colour(110, 110, 112));
    Dither(picture, 0x00FF0000);
    const Pixel24 expected[2][4] = {{LOW_GREY, HIGH_GREY, LOW_GREY, HIGH_GREY},
                                    {LOW_GREY, LOW_GREY, LOW_GREY, LOW_GREY}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(PixelAt(picture, x, y), expected[y][x]) << "pixel " << x << "," << y;
}

TEST_F(GreyPalette, LeavesEveryOtherPixelOnAPaletteColour)
{
    // An odd width and a noisy picture with some key pixels. None is at the start of a
    // row: there the previous row's last share, reaching across the pad byte, can alter
    // a key pixel's blue and green before its turn.
    CBitmap24 picture(37, 23);
    const auto isKey = [](int32_t x, int32_t y) { return x > 0 && (x + y) % 7 == 0; };
    uint32_t state = 12345;
    for (int32_t y = 0; y < 23; ++y)
        for (int32_t x = 0; x < 37; ++x) {
            state = state * 1103515245u + 12345u;
            const uint8_t v = static_cast<uint8_t>(60 + (state >> 24) % 120);
            SetPixel(picture, x, y, isKey(x, y) ? KEY_BLUE : Colour(v, static_cast<uint8_t>(v + 3), v));
        }
    Dither(picture, 0x00FF0000);
    const auto& entries = m_quantizer.Entries();
    for (int32_t y = 0; y < 23; ++y)
        for (int32_t x = 0; x < 37; ++x) {
            const Pixel24 pixel = PixelAt(picture, x, y);
            if (isKey(x, y)) {
                EXPECT_EQ(pixel, KEY_BLUE) << "key pixel " << x << "," << y;
                continue;
            }
            const bool onPalette = std::any_of(entries.begin(), entries.end(), [&](const PaletteEntry& e) {
                return Colour(e.red, e.green, e.blue) == pixel;
            });
            EXPECT_TRUE(onPalette) << "pixel " << x << "," << y;
        }
}

TEST_F(GreyPalette, APixelPushedOntoTheKeyIsTreatedAsKey)
{
    // The key is the first pixel, (120, 120, 120). The second pixel goes to entry 2 with
    // error 12 and gives the third +5, which makes it exactly the key: it stays (rather
    // than becoming entry 3, its nearest).
    CBitmap24 picture = Uniform(4, 1, Colour(120, 120, 120));
    SetPixel(picture, 1, 0, Colour(110, 110, 112));
    SetPixel(picture, 2, 0, Colour(115, 115, 115));
    Dither(picture, KEY_FROM_FIRST_PIXEL);
    EXPECT_EQ(PixelAt(picture, 0, 0), Colour(120, 120, 120));
    EXPECT_EQ(PixelAt(picture, 1, 0), LOW_GREY);
    EXPECT_EQ(PixelAt(picture, 2, 0), Colour(120, 120, 120));
    EXPECT_EQ(PixelAt(picture, 3, 0), Colour(120, 120, 120));
}

TEST_F(GreyPalette, KeyPixelsKeepTheirColourAndDropTheirShare)
{
    // The first pixel's error 12 would give the key pixel +5: that share is dropped (a key
    // pixel that took it would no longer be key and would be reduced to entry 2). The
    // third pixel, untouched, also goes to entry 2 with error 12; the fourth takes +3 as
    // the first's below-left and +5 as the third's right: 118, nearer entry 3.
    CBitmap24 picture = Uniform(4, 1, Colour(110, 110, 112));
    SetPixel(picture, 1, 0, KEY_BLUE);
    Dither(picture, 0x00FF0000);
    EXPECT_EQ(PixelAt(picture, 0, 0), LOW_GREY);
    EXPECT_EQ(PixelAt(picture, 1, 0), KEY_BLUE);
    EXPECT_EQ(PixelAt(picture, 2, 0), LOW_GREY);
    EXPECT_EQ(PixelAt(picture, 3, 0), HIGH_GREY);
}

TEST_F(GreyPalette, PadByteTakesTheBlueShareAndIsWrittenBack)
{
    // Width 3: stride 10, pad byte 9. The first two pixels are the key; the third goes
    // to entry 2 with error 12, and its right neighbour is the pad byte (as blue) and the
    // spare row's first two bytes: blue share 7 × 12 >> 4 = 5.
    const Pixel24 key = Colour(200, 10, 10);
    CBitmap24 picture = Uniform(3, 1, key);
    SetPixel(picture, 2, 0, Colour(110, 110, 112));
    picture.Bits()[9] = 40;
    Dither(picture, KEY_FROM_FIRST_PIXEL);
    EXPECT_EQ(PixelAt(picture, 2, 0), LOW_GREY);
    EXPECT_EQ(picture.Bits()[9], 45);
}

TEST_F(GreyPalette, SpareRowIsZeroForTheKeyTest)
{
    // As above, but the key is (red 0, green 0, blue 40): the pad byte 40 followed by
    // the zeroed spare row reads as the key, so the pad byte takes no share.
    CBitmap24 picture = Uniform(3, 1, Colour(0, 0, 40));
    SetPixel(picture, 2, 0, Colour(110, 110, 112));
    picture.Bits()[9] = 40;
    Dither(picture, MakeColour(0, 0, 40));
    EXPECT_EQ(PixelAt(picture, 2, 0), LOW_GREY);
    EXPECT_EQ(picture.Bits()[9], 40);
}

TEST_F(GreyPalette, WidthOneTakesItsOwnBelowLeftShareAfterBeingWritten)
{
    // Width 1: stride 4, so below-left (+1) is the pixel's own green and red and its pad
    // byte. The pixel is first written as entry 2 (error 12), then takes the shares:
    // right (pad, spare, spare) +5, below +2, below-right +0, below-left +3 on green,
    // red and the pad.
    CBitmap24 picture = Uniform(1, 1, Colour(110, 110, 112));
    Dither(picture, 0x00FF0000);
    EXPECT_EQ(PixelAt(picture, 0, 0), Colour(101, 101, 100));
    EXPECT_EQ(picture.Bits()[3], 8);
}

TEST_F(GreyPalette, EmptyPicturesAndMissingPalettesAreHandled)
{
    CBitmap24 empty(0, 3);
    EXPECT_NO_THROW(Dither(empty, 0x00FF0000));

    CQuantizer uncomputed(256);
    CDitherer ditherer;
    ditherer.SetQuantizer(&uncomputed);
    CBitmap24 picture = Uniform(2, 2, LOW_GREY);
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
                                              : Colour(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                                                       static_cast<uint8_t>(random()));
        const CBitmap24 source = RandomPicture(random, width, height, key);
        const int32_t colourCount = colourCounts[random() % 5];
        const bool reserve = random() % 2 == 0;
        const ColourRef keyColour = random() % 2 == 0 ? ColourOf(key) : KEY_FROM_FIRST_PIXEL;
        const Pixel24 passKey = keyColour == KEY_FROM_FIRST_PIXEL ? LoadPixel(source.Bits()) : key;

        CBitmap24 plain = source;
        CBitmap24 walked = source;
        CBitmap24 stepped = source;
        CQuantizer plainQuantizer(colourCount);
        CQuantizer walkQuantizer(colourCount);
        CQuantizer stepQuantizer(colourCount);
        for (CQuantizer* quantizer : {&plainQuantizer, &walkQuantizer, &stepQuantizer}) {
            quantizer->AddBitmap(&source, 1);
            if (reserve)
                quantizer->ReserveColour(ColourOf(key));
            quantizer->Compute();
        }
        CDitherer walker;
        walker.SetQuantizer(&walkQuantizer);
        walker.SetKeyColour(keyColour);
        CDitherer stepper;
        stepper.SetQuantizer(&stepQuantizer);
        stepper.SetKeyColour(keyColour);
        stepper.SetPixelByPixel(true);

        for (int32_t pass = 0; pass < 2; ++pass) {
            PlainDither(plain, plainQuantizer, passKey);
            walker.Dither(&walked);
            stepper.Dither(&stepped);
            const auto bytes = [](const CBitmap24& picture) {
                return std::vector<uint8_t>(picture.Bits(), picture.Bits() + picture.ByteCount());
            };
            ASSERT_EQ(bytes(walked), bytes(plain)) << width << "x" << height << ", trial " << trial << ", pass " << pass;
            ASSERT_EQ(bytes(stepped), bytes(plain)) << width << "x" << height << ", trial " << trial << ", pass " << pass;
            const uint64_t searches = plainQuantizer.GamePalette()->LogicalPalette().SearchCount();
            ASSERT_EQ(walkQuantizer.GamePalette()->LogicalPalette().SearchCount(), searches);
            ASSERT_EQ(stepQuantizer.GamePalette()->LogicalPalette().SearchCount(), searches);
        }
    }
}
