// KeyedRowCopyTest.cpp — every keyed row path the processor runs against a plain loop: pixel
// sizes 1 to 4, row lengths around the vector widths, unaligned rows, keys at the ends of
// a pixel's values and beyond them; nothing outside the rows is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/video/KeyedRowCopy.h"
#include "platform/video/PixelView.h"

namespace {

constexpr uint8_t GUARD = 0xA5;   // fills the destination's bytes outside the rows
constexpr int32_t MARGIN = 67;    // bytes of guard before and after, and between rows

struct KeyCase {
    uint32_t low, high;
};

// The keys worth trying for a pixel of `bytes`: one value, a range, both ends of the
// pixel's values, a range reaching past them, one wholly past them, everything.
std::vector<KeyCase> KeysFor(int32_t bytes)
{
    const uint32_t largest = RawMask(8 * bytes);
    return {{0, 0},           {7, 7},       {3, 40},   {largest, largest}, {largest - 2, largest},
            {largest - 1, 0xFFFFFFFF}, {0, largest}, {largest >= 0xFFFFFFFF ? 5u : largest + 1, 0xFFFFFFFF}};
}

std::string PathName(RowCopyPath path)
{
    return path == RowCopyPath::Portable ? "Portable" : path == RowCopyPath::Avx2 ? "Avx2" : "Avx512";
}

class KeyedRowCopyTest : public ::testing::TestWithParam<RowCopyPath> {
protected:
    void SetUp() override
    {
        if (!CanUseRowCopyPath(GetParam()))
            GTEST_SKIP() << PathName(GetParam()) << " is not available on this processor";
    }

    // Source pixels: mostly random, a third of them inside the key's range (its ends
    // included), so runs of both kinds fall across vector boundaries.
    static std::vector<uint8_t> SourceFor(int32_t bytes, int32_t size, KeyCase key, std::mt19937& random)
    {
        std::vector<uint8_t> source(static_cast<size_t>(size));
        const uint32_t largest = RawMask(8 * bytes);
        for (int32_t at = 0; at + bytes <= size; at += bytes) {
            uint32_t raw = static_cast<uint32_t>(random()) & largest;
            const uint32_t pick = random() % 6;
            if (pick < 2 && key.low <= largest)
                raw = pick == 0 ? key.low : std::min(key.high, largest);
            else if (pick == 2 && key.low <= largest)
                raw = key.low + static_cast<uint32_t>(random() % (uint64_t{std::min(key.high, largest)} - key.low + 1));
            WriteRaw(source.data() + at, bytes, raw);
        }
        return source;
    }

    // The path under test and the plain loop (pixel by pixel, raw value against the range),
    // each on a copy of `background`, write the same bytes.
    static void ExpectThePlainLoopsBytes(int32_t bytes, const std::vector<uint8_t>& background, int32_t outAt,
                                         int32_t outPitch, const uint8_t* in, int32_t inPitch, int32_t count,
                                         int32_t rows, KeyCase key)
    {
        std::vector<uint8_t> expected = background, actual = background;
        for (int32_t row = 0; row < rows; ++row)
            for (int32_t i = 0; i < count; ++i) {
                const uint32_t raw = ReadRaw(in + row * inPitch + i * bytes, bytes);
                if (raw < key.low || raw > key.high)
                    WriteRaw(expected.data() + outAt + row * outPitch + i * bytes, bytes, raw);
            }
        CopyKeyedRows(GetParam(), bytes, actual.data() + outAt, outPitch, in, inPitch, count, rows, key.low, key.high);
        ASSERT_EQ(actual, expected) << PathName(GetParam()) << ", " << bytes << " bytes, " << count << " pixels, key "
                                    << key.low << ".." << key.high;
    }
};

// One row of every length from 0 to 70 pixels, starting 0 to 3 bytes past an aligned
// address in source and destination alike, for every key.
TEST_P(KeyedRowCopyTest, EveryLengthStartAndKeyGivesThePlainLoopsPixels)
{
    std::mt19937 random(1234);
    for (int32_t bytes = 1; bytes <= 4; ++bytes)
        for (const KeyCase key : KeysFor(bytes))
            for (int32_t count = 0; count <= 70; ++count)
                for (int32_t shift = 0; shift < 4; ++shift) {
                    const int32_t rowBytes = count * bytes;
                    const std::vector<uint8_t> source = SourceFor(bytes, rowBytes + 2 * MARGIN, key, random);
                    std::vector<uint8_t> background(static_cast<size_t>(rowBytes + 2 * MARGIN), GUARD);
                    for (int32_t i = MARGIN; i < MARGIN + rowBytes; ++i)
                        background[static_cast<size_t>(i)] = static_cast<uint8_t>(random());
                    const int32_t at = MARGIN + shift - 3;   // unaligned in both
                    ASSERT_NO_FATAL_FAILURE(
                        ExpectThePlainLoopsBytes(bytes, background, at, 0, source.data() + at + 1, 0, count, 1, key))
                        << "shift " << shift;
                }
}

// Several rows at pitches wider than the rows: each row is copied from its own place and
// the bytes between rows keep the guard.
TEST_P(KeyedRowCopyTest, RowsFollowTheirPitchesAndLeaveTheGapsBetweenThem)
{
    std::mt19937 random(99);
    for (int32_t bytes = 1; bytes <= 4; ++bytes) {
        const KeyCase key{9, 200};
        const int32_t count = 37, rows = 5;
        const int32_t inPitch = count * bytes + 13, outPitch = count * bytes + MARGIN;
        const std::vector<uint8_t> source = SourceFor(bytes, inPitch * rows, key, random);
        const std::vector<uint8_t> background(static_cast<size_t>(outPitch * rows + MARGIN), GUARD);
        ExpectThePlainLoopsBytes(bytes, background, 1, outPitch, source.data(), inPitch, count, rows, key);
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, KeyedRowCopyTest,
                         ::testing::Values(RowCopyPath::Portable, RowCopyPath::Avx2, RowCopyPath::Avx512),
                         [](const ::testing::TestParamInfo<RowCopyPath>& param) { return PathName(param.param); });

// The best path is the fastest the processor runs (Portable, which every processor runs, at worst).
TEST(KeyedRowCopyChoice, TheBestPathIsTheFastestThisProcessorRuns)
{
    EXPECT_TRUE(CanUseRowCopyPath(RowCopyPath::Portable));
    const RowCopyPath fastest = CanUseRowCopyPath(RowCopyPath::Avx512) ? RowCopyPath::Avx512
                                : CanUseRowCopyPath(RowCopyPath::Avx2)   ? RowCopyPath::Avx2
                                                                         : RowCopyPath::Portable;
    EXPECT_EQ(BestRowCopyPath(), fastest);
}

} // namespace
