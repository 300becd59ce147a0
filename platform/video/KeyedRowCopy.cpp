// KeyedRowCopy.cpp — the keyed row loops: portable, AVX2 and AVX-512, and the choice between them.
#include "platform/video/KeyedRowCopy.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/video/PixelView.h"

namespace {

// The loop over one block of rows, for one pixel size and one path. A pixel is
// transparent when its raw value minus `low`, in unsigned arithmetic, is at most `span`.
using RowsLoop = void (*)(uint8_t* out, int32_t outPitch, const uint8_t* in, int32_t inPitch, int32_t count,
                          int32_t rows, uint32_t low, uint32_t span);

// ---------------------------------------------------------------------------------------
// Portable
// ---------------------------------------------------------------------------------------

// Every pixel is rewritten, with itself where the source is transparent, so the loop has
// no branch and the compiler may vectorise it with what every x86-64 processor has.
template <int32_t Bytes>
void PortableRows(uint8_t* out, int32_t outPitch, const uint8_t* in, int32_t inPitch, int32_t count, int32_t rows,
                  uint32_t low, uint32_t span)
{
    for (int32_t row = 0; row < rows; ++row, out += outPitch, in += inPitch)
        for (int32_t i = 0; i < count; ++i) {
            const uint32_t raw = ReadRaw(in + i * Bytes, Bytes);
            const uint32_t old = ReadRaw(out + i * Bytes, Bytes);
            WriteRaw(out + i * Bytes, Bytes, raw - low <= span ? old : raw);
        }
}

// Words of 1, 2 and 4 bytes: loaded whole, not byte by byte.
template <typename Word>
void PortableWordRows(uint8_t* out, int32_t outPitch, const uint8_t* in, int32_t inPitch, int32_t count,
                      int32_t rows, uint32_t low, uint32_t span)
{
    for (int32_t row = 0; row < rows; ++row, out += outPitch, in += inPitch)
        for (int32_t i = 0; i < count; ++i) {
            Word raw, old;
            std::memcpy(&raw, in + i * sizeof(Word), sizeof(Word));
            std::memcpy(&old, out + i * sizeof(Word), sizeof(Word));
            const Word chosen = static_cast<uint32_t>(raw - low) <= span ? old : raw;
            std::memcpy(out + i * sizeof(Word), &chosen, sizeof(Word));
        }
}

#if defined(__x86_64__)

// ---------------------------------------------------------------------------------------
// AVX2: 32 bytes at a time
// ---------------------------------------------------------------------------------------

// Lane operations by lane size: subtract, unsigned minimum, equality, broadcast.
template <int32_t Bytes>
struct Avx2Lanes;

template <>
struct Avx2Lanes<1> {
    using Word = uint8_t;
    __attribute__((target("avx2"))) static __m256i Set(uint32_t v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    __attribute__((target("avx2"))) static __m256i Sub(__m256i a, __m256i b) { return _mm256_sub_epi8(a, b); }
    __attribute__((target("avx2"))) static __m256i Min(__m256i a, __m256i b) { return _mm256_min_epu8(a, b); }
    __attribute__((target("avx2"))) static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi8(a, b); }
};

template <>
struct Avx2Lanes<2> {
    using Word = uint16_t;
    __attribute__((target("avx2"))) static __m256i Set(uint32_t v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    __attribute__((target("avx2"))) static __m256i Sub(__m256i a, __m256i b) { return _mm256_sub_epi16(a, b); }
    __attribute__((target("avx2"))) static __m256i Min(__m256i a, __m256i b) { return _mm256_min_epu16(a, b); }
    __attribute__((target("avx2"))) static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi16(a, b); }
};

template <>
struct Avx2Lanes<4> {
    using Word = uint32_t;
    __attribute__((target("avx2"))) static __m256i Set(uint32_t v) { return _mm256_set1_epi32(static_cast<int>(v)); }
    __attribute__((target("avx2"))) static __m256i Sub(__m256i a, __m256i b) { return _mm256_sub_epi32(a, b); }
    __attribute__((target("avx2"))) static __m256i Min(__m256i a, __m256i b) { return _mm256_min_epu32(a, b); }
    __attribute__((target("avx2"))) static __m256i Equal(__m256i a, __m256i b) { return _mm256_cmpeq_epi32(a, b); }
};

// A lane is transparent when min(v − low, span) = v − low, that is v − low <= span
// (AVX2 has no unsigned comparison). The destination is read and written back where
// transparent; the rest of a row, under 32 bytes, goes through the portable loop.
template <int32_t Bytes>
__attribute__((target("avx2"))) void Avx2Rows(uint8_t* out, int32_t outPitch, const uint8_t* in, int32_t inPitch,
                                              int32_t count, int32_t rows, uint32_t low, uint32_t span)
{
    using Lanes = Avx2Lanes<Bytes>;
    constexpr int32_t PER_VECTOR = 32 / Bytes;
    const __m256i lows = Lanes::Set(low);
    const __m256i spans = Lanes::Set(span);
    const int32_t whole = count - count % PER_VECTOR;
    for (int32_t row = 0; row < rows; ++row, out += outPitch, in += inPitch) {
        for (int32_t i = 0; i < whole; i += PER_VECTOR) {
            const __m256i source = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i * Bytes));
            const __m256i destination = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + i * Bytes));
            const __m256i offset = Lanes::Sub(source, lows);
            const __m256i transparent = Lanes::Equal(Lanes::Min(offset, spans), offset);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * Bytes),
                                _mm256_blendv_epi8(source, destination, transparent));
        }
        PortableWordRows<typename Lanes::Word>(out + whole * Bytes, outPitch, in + whole * Bytes, inPitch,
                                               count - whole, 1, low, span);
    }
}

// ---------------------------------------------------------------------------------------
// AVX-512: 64 bytes at a time, masked
// ---------------------------------------------------------------------------------------

// Masked load, unsigned comparison and masked store by lane size. The row's last part is
// loaded and stored under a mask of its lanes, so nothing past the row is touched.
template <int32_t Bytes>
struct Avx512Lanes;

template <>
struct Avx512Lanes<1> {
    using Mask = __mmask64;
    __attribute__((target("avx512f,avx512bw"))) static __m512i Set(uint32_t v)
    {
        return _mm512_set1_epi8(static_cast<char>(v));
    }
    __attribute__((target("avx512f,avx512bw"))) static __m512i Load(Mask m, const uint8_t* p)
    {
        return _mm512_maskz_loadu_epi8(m, p);
    }
    __attribute__((target("avx512f,avx512bw"))) static Mask Opaque(Mask m, __m512i v, __m512i lows, __m512i spans)
    {
        return _mm512_mask_cmpgt_epu8_mask(m, _mm512_sub_epi8(v, lows), spans);
    }
    __attribute__((target("avx512f,avx512bw"))) static void Store(uint8_t* p, Mask m, __m512i v)
    {
        _mm512_mask_storeu_epi8(p, m, v);
    }
};

template <>
struct Avx512Lanes<2> {
    using Mask = __mmask32;
    __attribute__((target("avx512f,avx512bw"))) static __m512i Set(uint32_t v)
    {
        return _mm512_set1_epi16(static_cast<short>(v));
    }
    __attribute__((target("avx512f,avx512bw"))) static __m512i Load(Mask m, const uint8_t* p)
    {
        return _mm512_maskz_loadu_epi16(m, p);
    }
    __attribute__((target("avx512f,avx512bw"))) static Mask Opaque(Mask m, __m512i v, __m512i lows, __m512i spans)
    {
        return _mm512_mask_cmpgt_epu16_mask(m, _mm512_sub_epi16(v, lows), spans);
    }
    __attribute__((target("avx512f,avx512bw"))) static void Store(uint8_t* p, Mask m, __m512i v)
    {
        _mm512_mask_storeu_epi16(p, m, v);
    }
};

template <>
struct Avx512Lanes<4> {
    using Mask = __mmask16;
    __attribute__((target("avx512f,avx512bw"))) static __m512i Set(uint32_t v)
    {
        return _mm512_set1_epi32(static_cast<int>(v));
    }
    __attribute__((target("avx512f,avx512bw"))) static __m512i Load(Mask m, const uint8_t* p)
    {
        return _mm512_maskz_loadu_epi32(m, p);
    }
    __attribute__((target("avx512f,avx512bw"))) static Mask Opaque(Mask m, __m512i v, __m512i lows, __m512i spans)
    {
        return _mm512_mask_cmpgt_epu32_mask(m, _mm512_sub_epi32(v, lows), spans);
    }
    __attribute__((target("avx512f,avx512bw"))) static void Store(uint8_t* p, Mask m, __m512i v)
    {
        _mm512_mask_storeu_epi32(p, m, v);
    }
};

// Only opaque pixels are stored: the destination is never read.
template <int32_t Bytes>
__attribute__((target("avx512f,avx512bw"))) void Avx512Rows(uint8_t* out, int32_t outPitch, const uint8_t* in,
                                                            int32_t inPitch, int32_t count, int32_t rows,
                                                            uint32_t low, uint32_t span)
{
    using Lanes = Avx512Lanes<Bytes>;
    using Mask = typename Lanes::Mask;
    constexpr int32_t PER_VECTOR = 64 / Bytes;
    constexpr Mask ALL = static_cast<Mask>(~Mask{0});
    const __m512i lows = Lanes::Set(low);
    const __m512i spans = Lanes::Set(span);
    const int32_t whole = count - count % PER_VECTOR;
    const Mask rest = static_cast<Mask>((Mask{1} << (count % PER_VECTOR)) - 1);
    for (int32_t row = 0; row < rows; ++row, out += outPitch, in += inPitch) {
        for (int32_t i = 0; i < whole; i += PER_VECTOR) {
            const __m512i source = _mm512_loadu_si512(in + i * Bytes);
            Lanes::Store(out + i * Bytes, Lanes::Opaque(ALL, source, lows, spans), source);
        }
        if (rest != 0) {
            const __m512i source = Lanes::Load(rest, in + whole * Bytes);
            Lanes::Store(out + whole * Bytes, Lanes::Opaque(rest, source, lows, spans), source);
        }
    }
}

// True when the processor and the system run the path's instructions.
bool ProcessorRuns(RowCopyPath path)
{
    switch (path) {
    case RowCopyPath::Portable:
        return true;
    case RowCopyPath::Avx2:
        return __builtin_cpu_supports("avx2");
    case RowCopyPath::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    }
    return false;
}

#else

bool ProcessorRuns(RowCopyPath path)
{
    return path == RowCopyPath::Portable;
}

#endif

// The loop of a path for pixels of 1, 2, 3 or 4 bytes.
RowsLoop LoopFor(RowCopyPath path, int32_t bytesPerPixel)
{
#if defined(__x86_64__)
    if (path == RowCopyPath::Avx512) {
        switch (bytesPerPixel) {
        case 1: return Avx512Rows<1>;
        case 2: return Avx512Rows<2>;
        case 4: return Avx512Rows<4>;
        default: break;
        }
    }
    if (path == RowCopyPath::Avx2) {
        switch (bytesPerPixel) {
        case 1: return Avx2Rows<1>;
        case 2: return Avx2Rows<2>;
        case 4: return Avx2Rows<4>;
        default: break;
        }
    }
#endif
    switch (bytesPerPixel) {
    case 1: return PortableWordRows<uint8_t>;
    case 2: return PortableWordRows<uint16_t>;
    case 3: return PortableRows<3>;
    default: return PortableWordRows<uint32_t>;
    }
}

} // namespace

bool CanUseRowCopyPath(RowCopyPath path)
{
    return ProcessorRuns(path);
}

RowCopyPath BestRowCopyPath()
{
    static const RowCopyPath best = ProcessorRuns(RowCopyPath::Avx512) ? RowCopyPath::Avx512
                                    : ProcessorRuns(RowCopyPath::Avx2) ? RowCopyPath::Avx2
                                                                        : RowCopyPath::Portable;
    return best;
}

// A pixel of n bytes holds values up to RawMask(8n): the part of the key's range above
// that cannot match, and a range wholly above it makes every pixel opaque (a plain copy).
// Cut so, the range fits the vector lanes of the pixel's size.
void CopyKeyedRows(RowCopyPath path, int32_t bytesPerPixel, uint8_t* out, int32_t outPitch, const uint8_t* in,
                   int32_t inPitch, int32_t count, int32_t rows, uint32_t low, uint32_t high)
{
    if (count <= 0 || rows <= 0)
        return;
    const uint32_t largest = RawMask(8 * bytesPerPixel);
    if (low > largest || low > high) {
        for (int32_t row = 0; row < rows; ++row)
            std::memcpy(out + static_cast<ptrdiff_t>(row) * outPitch, in + static_cast<ptrdiff_t>(row) * inPitch,
                        static_cast<size_t>(count) * static_cast<size_t>(bytesPerPixel));
        return;
    }
    const uint32_t span = std::min(high, largest) - low;
    LoopFor(path, bytesPerPixel)(out, outPitch, in, inPitch, count, rows, low, span);
}
