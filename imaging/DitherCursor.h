// DitherCursor.h — the moving position of one error-diffusion pass over a pixel buffer.
//
// The buffer holds a picture's rows in the shared layout (stride (3w + 1) & ~1, blue,
// green, red), followed by one more row and 3 more bytes that catch the shares falling
// below the last row walked: a spare row, or the picture's own next row. The cursor
// keeps the current pixel and its four not yet visited neighbours as running pointers
// at fixed offsets (+3, + stride − 3, + stride, + stride + 3), with no special case at
// the edges: at a row's end the neighbours wrap into the next rows, pad byte included,
// exactly as the offsets fall.
//
// Besides the step-by-step interface, DiffuseRow walks a whole row at once, holding
// pixels in registers and adding the three shares below in vector lanes. It gives the
// same bytes as the steps: from 3 pixels wide on (stride ≥ 10) the four neighbours of
// a pixel never overlap, so the order of their shares cannot matter, and clamping by
// min/max gives what the steps' range-limit table gives.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "platform/bitmaps/PixelTypes.h"

// One pixel as the palette step leaves it: its new colour and the limited errors
// (−32..32) it passes on.
struct ReducedPixel {
    Pixel24 colour;
    int32_t errorRed = 0;
    int32_t errorGreen = 0;
    int32_t errorBlue = 0;
};

class CDitherCursor {
public:
    // Bytes beyond stride × (height + 1) + 3 that DiffuseRow needs: it reads pixels as
    // 4-byte words, so it may read a byte past the last share's bytes.
    static constexpr size_t ROW_SLACK_BYTES = 16;

    // A cursor at the first pixel of `buffer`, which must hold stride × (height + 1) + 3
    // bytes (else CFatalError). Pixels equal to `key` neither change nor take a share.
    CDitherCursor(std::span<uint8_t> buffer, int32_t width, int32_t height, Pixel24 key);
    virtual ~CDitherCursor() = default;

    CDitherCursor(const CDitherCursor&) = delete;
    CDitherCursor& operator=(const CDitherCursor&) = delete;

    // Whether the current pixel, with the shares it has received, is the key colour.
    bool AtKey() const { return IsKey(m_pCur); }
    Pixel24 Current() const { return LoadPixel(m_pCur); }
    void SetCurrent(Pixel24 pixel) { StorePixel(m_pCur, pixel); }

    // Moves to the next pixel of the row.
    void NextPixel()
    {
        m_pCur += 3;
        m_pRight += 3;
        m_pBelowLeft += 3;
        m_pBelow += 3;
        m_pBelowRight += 3;
    }

    // Moves to the first pixel of the next row.
    void NextRow();

    // Spreads limited errors (−32..32) over the neighbours in sixteenths: right 7,
    // below 3, below-right 1, below-left 5. A neighbour of the key colour is skipped and
    // its share dropped. The shift rounds towards minus infinity.
    void Diffuse(int32_t errorRed, int32_t errorGreen, int32_t errorBlue)
    {
        // Copied first: the byte stores below could alias any member as far as the
        // compiler knows, and would make it reload each one after every store.
        uint8_t* const right = m_pRight;
        uint8_t* const below = m_pBelow;
        uint8_t* const belowRight = m_pBelowRight;
        uint8_t* const belowLeft = m_pBelowLeft;
        const Pixel24 key = m_key;
        const uint8_t* const limit = m_pRangeLimit;
        Share(right, key, limit, errorRed, errorGreen, errorBlue, 7);
        Share(below, key, limit, errorRed, errorGreen, errorBlue, 3);
        Share(belowRight, key, limit, errorRed, errorGreen, errorBlue, 1);
        Share(belowLeft, key, limit, errorRed, errorGreen, errorBlue, 5);
    }

    // Any value −256..511 clamped to 0..255, by table.
    uint8_t RangeLimit(int32_t value) const { return m_pRangeLimit[value]; }

    // Whether DiffuseRow may be used: rows at least 3 pixels wide, a buffer with
    // ROW_SLACK_BYTES to spare, and a processor with SSE4.1.
    bool CanDiffuseRow() const { return m_rowsByVector; }

    // From the first pixel of a row, does for the whole row what AtKey, SetCurrent,
    // Diffuse and NextPixel do pixel by pixel, with reduce(pixel) → ReducedPixel for
    // every pixel that is not the key. Leaves the cursor past the row's last pixel,
    // where NextPixel would have left it. Only when CanDiffuseRow().
    template <typename Reduce>
    void DiffuseRow(Reduce&& reduce);

private:
    bool IsKey(const uint8_t* pixel) const { return LoadPixel(pixel) == m_key; }

    // Adds weight/16 of each error to one neighbour unless it is the key colour. The
    // pixel is read and written whole, as the current pixel is: the next pixel's read
    // can then be served from this write, where byte-wise writes would make it wait.
    static void Share(uint8_t* pixel, Pixel24 key, const uint8_t* limit, int32_t errorRed,
                      int32_t errorGreen, int32_t errorBlue, int32_t weight)
    {
        const Pixel24 value = LoadPixel(pixel);
        if (value == key)
            return;
        StorePixel(pixel, Pixel24{limit[value.blue + ((errorBlue * weight) >> 4)],
                                  limit[value.green + ((errorGreen * weight) >> 4)],
                                  limit[value.red + ((errorRed * weight) >> 4)]});
    }

    // Points the four neighbour pointers at their offsets from m_pCur.
    void AimNeighbours();

    // DiffuseRow's pixels sit in 16-bit lanes, two to a vector: blue, green, red, 0.
    // The zero lane lets one 64-bit compare test a pixel against the key.

    // The pixels whose bytes start at `low` and `high`, each read as a 4-byte word of
    // which the last byte is dropped.
    __attribute__((target("sse4.1"))) static __m128i LoadPair(const uint8_t* low, const uint8_t* high)
    {
        uint32_t lowWord = 0;
        uint32_t highWord = 0;
        std::memcpy(&lowWord, low, sizeof lowWord);
        std::memcpy(&highWord, high, sizeof highWord);
        const __m128i words = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int32_t>(lowWord)),
                                                 _mm_cvtsi32_si128(static_cast<int32_t>(highWord)));
        return _mm_shuffle_epi8(words, _mm_setr_epi8(0, -1, 1, -1, 2, -1, -1, -1, 4, -1, 5, -1, 6, -1, -1, -1));
    }

    // The pixel whose bytes start at p in the high half of a pair, the low half 0.
    __attribute__((target("sse4.1"))) static __m128i LoadHigh(const uint8_t* p)
    {
        uint32_t word = 0;
        std::memcpy(&word, p, sizeof word);
        return _mm_shuffle_epi8(_mm_cvtsi32_si128(static_cast<int32_t>(word)),
                                _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, -1, 1, -1, 2, -1, -1, -1));
    }

    // Both pixels of a pair as bytes: the low one in bits 0–23, the high one in 32–55.
    __attribute__((target("sse4.1"))) static uint64_t PairBits(__m128i pair)
    {
        return static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_packus_epi16(pair, pair)));
    }

    // Adds weight/16 of the errors to both pixels of a pair, each channel clamped to
    // 0..255, except to a pixel equal to the key, which keeps its value.
    __attribute__((target("sse4.1"))) static __m128i SharePair(__m128i pair, __m128i errors, __m128i weights,
                                                               __m128i key)
    {
        const __m128i shares = _mm_srai_epi16(_mm_mullo_epi16(errors, weights), 4);
        const __m128i added = _mm_add_epi16(pair, shares);
        const __m128i clamped = _mm_min_epi16(_mm_max_epi16(added, _mm_setzero_si128()), _mm_set1_epi16(255));
        return _mm_blendv_epi8(clamped, pair, _mm_cmpeq_epi64(pair, key));
    }

    // A channel value with weight/16 of an error added, clamped to 0..255.
    static uint8_t AddShare(uint8_t value, int32_t error, int32_t weight)
    {
        const int32_t sum = value + ((error * weight) >> 4);
        return static_cast<uint8_t>(sum < 0 ? 0 : (sum > 255 ? 255 : sum));
    }

    // The right neighbour with 7/16 of the errors added. A share is at most ±14, so a
    // pixel whose channels all lie within 14..241 needs no clamping: sparing it there
    // shortens the chain of operations that each next pixel waits on.
    static Pixel24 AddRightShare(Pixel24 right, const ReducedPixel& reduced)
    {
        constexpr int32_t WEIGHT = 7;
        const auto inner = [](uint8_t value) { return value >= 14 && value <= 241; };
        if (inner(right.blue) && inner(right.green) && inner(right.red))
            return Pixel24{static_cast<uint8_t>(right.blue + ((reduced.errorBlue * WEIGHT) >> 4)),
                           static_cast<uint8_t>(right.green + ((reduced.errorGreen * WEIGHT) >> 4)),
                           static_cast<uint8_t>(right.red + ((reduced.errorRed * WEIGHT) >> 4))};
        return Pixel24{AddShare(right.blue, reduced.errorBlue, WEIGHT), AddShare(right.green, reduced.errorGreen, WEIGHT),
                       AddShare(right.red, reduced.errorRed, WEIGHT)};
    }

    // A pixel's three bytes as one word, blue lowest; and back.
    static uint32_t BitsOf(Pixel24 pixel)
    {
        return uint32_t{pixel.blue} | (uint32_t{pixel.green} << 8) | (uint32_t{pixel.red} << 16);
    }
    static Pixel24 PixelOfBits(uint64_t bits)
    {
        return Pixel24{static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16)};
    }

    // Writes the 4-byte word at p: a pixel and, as its last byte, 0 in place of the next
    // byte, which DiffuseRow holds in a register and writes later.
    static void StoreWord(uint8_t* p, uint64_t bits)
    {
        const uint32_t word = static_cast<uint32_t>(bits) & 0x00FFFFFFu;
        std::memcpy(p, &word, sizeof word);
    }

    int32_t m_width;
    bool m_rowsByVector;
    uint32_t m_stride;
    uint8_t* m_pStart;
    uint8_t* m_pCur;
    uint8_t* m_pRight = nullptr;
    uint8_t* m_pBelowLeft = nullptr;
    uint8_t* m_pBelow = nullptr;
    uint8_t* m_pBelowRight = nullptr;
    std::unique_ptr<uint8_t[]> m_pRangeTable;
    Pixel24 m_key;
    const uint8_t* m_pRangeLimit;
    int32_t m_row = 0;
};

// ---------------------------------------------------------------------------------------
// The row walk
// ---------------------------------------------------------------------------------------
// Each pixel's colour waits on the step before (its right share), so the walk keeps
// that chain short: the right neighbour is shared to in scalar code and carried to the
// next step as the current pixel, while the three shares below, which no later step of
// the row waits on, go in vector lanes. The below and below-left neighbours stay in a
// register too, having taken shares already; a below-left neighbour takes its last
// share of the row when it is passed, and is written then. So each step reads only
// bytes no earlier step of the row has changed: the right and below-right neighbours.
//
// Every 4-byte word written overwrites the first byte of a pixel still held in a
// register, which is written later; the pixels still held at the row's end are written
// byte-exact. Two reads see what the row wrote, as the steps would: the row's last
// 3 bytes, the first pixel's below-left neighbour, are written at the first step and
// read as a right neighbour two or more steps later; the last pixel's right neighbour
// (the next row's first bytes) was written as a below neighbour at the second step.
template <typename Reduce>
__attribute__((target("sse4.1"))) void CDitherCursor::DiffuseRow(Reduce&& reduce)
{
    const Pixel24 key = m_key;
    const __m128i keyPair = _mm_setr_epi16(key.blue, key.green, key.red, 0, key.blue, key.green, key.red, 0);
    const __m128i visitedWeights = _mm_setr_epi16(3, 3, 3, 0, 5, 5, 5, 0);   // below, below-left
    const __m128i aheadWeights = _mm_setr_epi16(0, 0, 0, 0, 1, 1, 1, 0);     // below-right

    const int32_t width = m_width;
    uint8_t* pixel = m_pCur;
    uint8_t* below = m_pBelow;
    Pixel24 current = LoadPixel(pixel);
    __m128i visited = LoadPair(below, below - 3);   // below, below-left
    for (int32_t x = 0; x < width; ++x, pixel += 3, below += 3) {
        Pixel24 right = LoadPixel(pixel + 3);
        __m128i ahead = LoadHigh(below + 3);   // below-right
        if (current != key) {
            const ReducedPixel reduced = reduce(current);
            current = reduced.colour;
            if (right != key)
                right = AddRightShare(right, reduced);
            const __m128i errors = _mm_setr_epi16(
                static_cast<int16_t>(reduced.errorBlue), static_cast<int16_t>(reduced.errorGreen),
                static_cast<int16_t>(reduced.errorRed), 0, static_cast<int16_t>(reduced.errorBlue),
                static_cast<int16_t>(reduced.errorGreen), static_cast<int16_t>(reduced.errorRed), 0);
            visited = SharePair(visited, errors, visitedWeights, keyPair);
            ahead = SharePair(ahead, errors, aheadWeights, keyPair);
        }
        StoreWord(pixel, BitsOf(current));
        StoreWord(below - 3, PairBits(visited) >> 32);
        current = right;
        visited = _mm_alignr_epi8(visited, ahead, 8);   // below-right becomes below, below becomes below-left
    }
    StorePixel(pixel, current);
    StorePixel(below - 3, PixelOfBits(PairBits(visited) >> 32));
    StorePixel(below, PixelOfBits(PairBits(visited)));

    m_pCur = pixel;
    AimNeighbours();
}
