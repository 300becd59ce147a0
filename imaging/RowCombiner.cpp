// RowCombiner.cpp — the vectorised weighted row sum and the key-colour rule.
//
// The sum is written three times: for AVX-512 (eight doubles a register), for AVX2 (four)
// and plainly; the combiner picks the widest the processor has. Each version performs, per
// byte, the same multiply and add in the same order as the plain one, and -ffp-contract=off
// (top-level CMakeLists) keeps the compiler from fusing them, so all three agree to the bit.
#include "imaging/RowCombiner.h"

// GCC 12's AVX-512 headers trip its own uninitialised-use check (_mm512_undefined_*).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include <cstring>

#include "imaging/ResampleFilter.h"

namespace {

// ---------------------------------------------------------------------------------------
// Plain version: also finishes the last bytes for the vector versions
// ---------------------------------------------------------------------------------------

// Sums bytes [begin, end) of every input into out.
void SumBytesPlain(const WeightedRow* inputs, int32_t inputCount, uint8_t* out, int64_t begin, int64_t end)
{
    for (int64_t b = begin; b < end; ++b) {
        double sum = 0.0;
        for (int32_t m = 0; m < inputCount; ++m)
            sum = sum + inputs[m].bits[b] * inputs[m].weight;
        out[b] = CResampleFilter::ClampChannel(sum);
    }
}

void SumRowsPlain(const WeightedRow* inputs, int32_t inputCount, uint8_t* out, int64_t byteCount)
{
    SumBytesPlain(inputs, inputCount, out, 0, byteCount);
}

// ---------------------------------------------------------------------------------------
// AVX-512: 32 bytes a trip, as four registers of eight doubles
// ---------------------------------------------------------------------------------------

// Clamp to 0..255 as the plain rule does, truncate, and store eight bytes.
__attribute__((target("arch=x86-64-v4"), always_inline)) inline void Store8(uint8_t* p, __m512d sum)
{
    sum = _mm512_min_pd(_mm512_max_pd(sum, _mm512_setzero_pd()), _mm512_set1_pd(255.0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm256_cvtepi32_epi8(_mm512_cvttpd_epi32(sum)));
}

__attribute__((target("arch=x86-64-v4"))) void SumRowsAvx512(const WeightedRow* inputs, int32_t inputCount,
                                                             uint8_t* out, int64_t byteCount)
{
    int64_t b = 0;
    for (; b + 32 <= byteCount; b += 32) {
        __m512d s0 = _mm512_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int32_t m = 0; m < inputCount; ++m) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(inputs[m].bits + b));
            const __m512i low = _mm512_cvtepu8_epi32(_mm256_castsi256_si128(bytes));
            const __m512i high = _mm512_cvtepu8_epi32(_mm256_extracti128_si256(bytes, 1));
            const __m512d w = _mm512_set1_pd(inputs[m].weight);
            s0 = _mm512_add_pd(s0, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_castsi512_si256(low)), w));
            s1 = _mm512_add_pd(s1, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(low, 1)), w));
            s2 = _mm512_add_pd(s2, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_castsi512_si256(high)), w));
            s3 = _mm512_add_pd(s3, _mm512_mul_pd(_mm512_cvtepi32_pd(_mm512_extracti64x4_epi64(high, 1)), w));
        }
        Store8(out + b, s0);
        Store8(out + b + 8, s1);
        Store8(out + b + 16, s2);
        Store8(out + b + 24, s3);
    }
    SumBytesPlain(inputs, inputCount, out, b, byteCount);
}

// ---------------------------------------------------------------------------------------
// AVX2: 16 bytes a trip, as four registers of four doubles
// ---------------------------------------------------------------------------------------

// Clamp, truncate and store four bytes.
__attribute__((target("arch=x86-64-v3"), always_inline)) inline void Store4(uint8_t* p, __m256d sum)
{
    sum = _mm256_min_pd(_mm256_max_pd(sum, _mm256_setzero_pd()), _mm256_set1_pd(255.0));
    const __m128i ints = _mm256_cvttpd_epi32(sum);
    const __m128i bytes = _mm_shuffle_epi8(ints, _mm_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1));
    const int32_t packed = _mm_cvtsi128_si32(bytes);
    std::memcpy(p, &packed, sizeof packed);
}

__attribute__((target("arch=x86-64-v3"))) void SumRowsAvx2(const WeightedRow* inputs, int32_t inputCount,
                                                           uint8_t* out, int64_t byteCount)
{
    int64_t b = 0;
    for (; b + 16 <= byteCount; b += 16) {
        __m256d s0 = _mm256_setzero_pd(), s1 = s0, s2 = s0, s3 = s0;
        for (int32_t m = 0; m < inputCount; ++m) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(inputs[m].bits + b));
            const __m256i low = _mm256_cvtepu8_epi32(bytes);
            const __m256i high = _mm256_cvtepu8_epi32(_mm_srli_si128(bytes, 8));
            const __m256d w = _mm256_set1_pd(inputs[m].weight);
            s0 = _mm256_add_pd(s0, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(low)), w));
            s1 = _mm256_add_pd(s1, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(low, 1)), w));
            s2 = _mm256_add_pd(s2, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(high)), w));
            s3 = _mm256_add_pd(s3, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(high, 1)), w));
        }
        Store4(out + b, s0);
        Store4(out + b + 4, s1);
        Store4(out + b + 8, s2);
        Store4(out + b + 12, s3);
    }
    SumBytesPlain(inputs, inputCount, out, b, byteCount);
}

// ---------------------------------------------------------------------------------------
// The key rule
// ---------------------------------------------------------------------------------------

// Marks in `hits` every pixel where an input of positive weight holds a key pixel.
// Returns false when no input of positive weight has a key mask (nothing can hit).
bool FindKeyHits(const WeightedRow* inputs, int32_t inputCount, uint8_t* hits, int32_t pixelCount)
{
    bool any = false;
    for (int32_t m = 0; m < inputCount; ++m) {
        if (!(inputs[m].weight > 0.0) || inputs[m].keyMask == nullptr)
            continue;
        const uint8_t* mask = inputs[m].keyMask;
        if (!any)
            std::memcpy(hits, mask, static_cast<size_t>(pixelCount));
        else
            for (int32_t x = 0; x < pixelCount; ++x)
                hits[x] |= mask[x];
        any = true;
    }
    return any;
}

} // namespace

// ---------------------------------------------------------------------------------------
// CRowCombiner
// ---------------------------------------------------------------------------------------

InstructionSet CRowCombiner::BestInstructionSet()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl"))
        return InstructionSet::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return InstructionSet::Avx2;
    return InstructionSet::Plain;
}

CRowCombiner::CRowCombiner(int32_t pixelCount, Pixel24 key, InstructionSet set)
    : m_sumRows(SumRowsPlain), m_pixelCount(pixelCount), m_key(key), m_hits(static_cast<size_t>(pixelCount))
{
    if (set == InstructionSet::Avx512)
        m_sumRows = SumRowsAvx512;
    else if (set == InstructionSet::Avx2)
        m_sumRows = SumRowsAvx2;
}

void CRowCombiner::Combine(std::span<const WeightedRow> inputs, uint8_t* out)
{
    const int32_t inputCount = static_cast<int32_t>(inputs.size());
    m_sumRows(inputs.data(), inputCount, out, int64_t{3} * m_pixelCount);

    // A key hit overrides the sum: the plain rule stops at the first hit and drops the
    // partial sums, which is the same as summing everything and then writing the key.
    if (!FindKeyHits(inputs.data(), inputCount, m_hits.data(), m_pixelCount))
        return;
    int32_t x = 0;
    for (; x + 8 <= m_pixelCount; x += 8) {
        uint64_t eight;   // most rows hit nowhere: skip eight pixels at a time
        std::memcpy(&eight, m_hits.data() + x, sizeof eight);
        if (eight == 0)
            continue;
        for (int32_t k = x; k < x + 8; ++k)
            if (m_hits[k])
                StorePixel(out + int64_t{3} * k, m_key);
    }
    for (; x < m_pixelCount; ++x)
        if (m_hits[x])
            StorePixel(out + int64_t{3} * x, m_key);
}
