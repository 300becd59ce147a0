// FrameConverter.cpp — one row loop per source depth.
#include "platform/video/FrameConverter.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "platform/video/DisplayPalette.h"
#include "platform/video/PixelFormat.h"

namespace {

// ---------------------------------------------------------------------------------------
// 8-bit lookup, 64 pixels at a time
// ---------------------------------------------------------------------------------------

#if defined(__x86_64__)

// True when the processor can look bytes up 64 at a time (AVX-512 VBMI).
bool HasByteTableLookup()
{
    return __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
}

// Lanes of a and b chosen by `select` (four 2-bit lane numbers: two from a, two from b).
// Written as a masked shuffle over zeros: GCC 12 warns falsely about the plain form.
template <int Select>
__attribute__((target("avx512f"))) inline __m512i ShuffleLanes(__m512i a, __m512i b)
{
    return _mm512_mask_shuffle_i32x4(_mm512_setzero_si512(), 0xFFFF, a, b, Select);
}

// Looks up the first multiple of 64 pixels of a row and returns how many it did. Each
// output byte has its own 256-byte table: two two-table byte permutes cover indexes below
// and from 128, the index's top bit picks between them; the four byte results are then
// interleaved into 32-bit pixels in order.
__attribute__((target("avx512f,avx512bw,avx512vbmi")))
int32_t LookUpBy64(const uint8_t* in, uint32_t* out, int32_t count, const uint8_t* planes)
{
    __m512i table[4][4];
    for (int32_t b = 0; b < 4; ++b)
        for (int32_t quarter = 0; quarter < 4; ++quarter)
            table[b][quarter] = _mm512_load_si512(planes + 256 * b + 64 * quarter);

    int32_t done = 0;
    for (; done + 64 <= count; done += 64) {
        const __m512i index = _mm512_loadu_si512(in + done);
        const __mmask64 upper = _mm512_movepi8_mask(index);
        __m512i bytes[4];
        for (int32_t b = 0; b < 4; ++b) {
            const __m512i low = _mm512_permutex2var_epi8(table[b][0], index, table[b][1]);
            const __m512i high = _mm512_permutex2var_epi8(table[b][2], index, table[b][3]);
            bytes[b] = _mm512_mask_blend_epi8(upper, low, high);
        }
        // Within each 128-bit lane, bytes 0,1 then 2,3 pair up; pixel 16L + k ends in
        // lane L of quad[k / 4].
        const __m512i pairsLow01 = _mm512_unpacklo_epi8(bytes[0], bytes[1]);
        const __m512i pairsHigh01 = _mm512_unpackhi_epi8(bytes[0], bytes[1]);
        const __m512i pairsLow23 = _mm512_unpacklo_epi8(bytes[2], bytes[3]);
        const __m512i pairsHigh23 = _mm512_unpackhi_epi8(bytes[2], bytes[3]);
        const __m512i quad0 = _mm512_unpacklo_epi16(pairsLow01, pairsLow23);
        const __m512i quad1 = _mm512_unpackhi_epi16(pairsLow01, pairsLow23);
        const __m512i quad2 = _mm512_unpacklo_epi16(pairsHigh01, pairsHigh23);
        const __m512i quad3 = _mm512_unpackhi_epi16(pairsHigh01, pairsHigh23);
        // Gather lane L of each quad into output vector L.
        const __m512i lanes01Of01 = ShuffleLanes<0x44>(quad0, quad1);
        const __m512i lanes01Of23 = ShuffleLanes<0x44>(quad2, quad3);
        const __m512i lanes23Of01 = ShuffleLanes<0xEE>(quad0, quad1);
        const __m512i lanes23Of23 = ShuffleLanes<0xEE>(quad2, quad3);
        _mm512_storeu_si512(out + done, ShuffleLanes<0x88>(lanes01Of01, lanes01Of23));
        _mm512_storeu_si512(out + done + 16, ShuffleLanes<0xDD>(lanes01Of01, lanes01Of23));
        _mm512_storeu_si512(out + done + 32, ShuffleLanes<0x88>(lanes23Of01, lanes23Of23));
        _mm512_storeu_si512(out + done + 48, ShuffleLanes<0xDD>(lanes23Of01, lanes23Of23));
    }
    return done;
}

#else

bool HasByteTableLookup()
{
    return false;
}

int32_t LookUpBy64(const uint8_t*, uint32_t*, int32_t, const uint8_t*)
{
    return 0;
}

#endif

// ---------------------------------------------------------------------------------------
// Other depths: the layout is passed by value, so that writing the texture's 32-bit words
// cannot alias it and the loops vectorise
// ---------------------------------------------------------------------------------------

// A texture pixel of these channels.
inline uint32_t PackPixel(const TextureLayout& layout, uint8_t red, uint8_t green, uint8_t blue)
{
    return uint32_t{red} << layout.redShift | uint32_t{green} << layout.greenShift |
           uint32_t{blue} << layout.blueShift | layout.opaque;
}

// 5-6-5 pixels, widened by shifting.
void Convert565Row(const uint8_t* in, uint32_t* out, int32_t count, const TextureLayout layout)
{
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t raw = uint32_t{in[2 * i]} | uint32_t{in[2 * i + 1]} << 8;
        out[i] = PackPixel(layout, Red565(raw), Green565(raw), Blue565(raw));
    }
}

// Pixels of bytes blue, green, red (and an unused fourth).
template <int32_t Bytes>
void ConvertBgrRow(const uint8_t* in, uint32_t* out, int32_t count, const TextureLayout layout)
{
    for (int32_t i = 0; i < count; ++i)
        out[i] = PackPixel(layout, in[Bytes * i + 2], in[Bytes * i + 1], in[Bytes * i]);
}

} // namespace

// ---------------------------------------------------------------------------------------
// The converter
// ---------------------------------------------------------------------------------------

CFrameConverter::CFrameConverter(int32_t bitsPerPixel, const TextureLayout& layout)
    : m_bitsPerPixel(bitsPerPixel),
      m_layout(layout),
      m_copiesRows(bitsPerPixel == 32 && layout.redShift == 16 && layout.greenShift == 8 && layout.blueShift == 0),
      m_vectorLookup(HasByteTableLookup())
{
}

void CFrameConverter::SetPalette(const CDisplayPalette& palette)
{
    for (size_t i = 0; i < m_lookup.size(); ++i) {
        const PaletteEntry& entry = palette.Entries()[i];
        m_lookup[i] = Pack(entry.red, entry.green, entry.blue);
        for (size_t b = 0; b < 4; ++b)
            m_bytePlanes[256 * b + i] = static_cast<uint8_t>(m_lookup[i] >> (8 * b));
    }
}

uint32_t CFrameConverter::Pack(uint8_t red, uint8_t green, uint8_t blue) const
{
    return PackPixel(m_layout, red, green, blue);
}

void CFrameConverter::Convert(const PixelView& source, const Rect& rect, uint8_t* out, int32_t outPitch) const
{
    const int32_t count = rect.Width();
    for (int32_t row = 0; row < rect.Height(); ++row) {
        const uint8_t* in = source.At(rect.left, rect.top + row);
        uint8_t* rowOut = out + static_cast<ptrdiff_t>(row) * outPitch;
        if (m_copiesRows)
            std::memcpy(rowOut, in, static_cast<size_t>(count) * 4);
        else
            ConvertRow(in, reinterpret_cast<uint32_t*>(rowOut), count);
    }
}

// The texture's memory comes from SDL's allocator, 4-byte aligned, so it is written as
// 32-bit words; the source is read byte-wise.
void CFrameConverter::ConvertRow(const uint8_t* in, uint32_t* out, int32_t count) const
{
    switch (m_bitsPerPixel) {
    case 8: {
        const int32_t done = m_vectorLookup ? LookUpBy64(in, out, count, m_bytePlanes.data()) : 0;
        for (int32_t i = done; i < count; ++i)
            out[i] = m_lookup[in[i]];
        break;
    }
    case 16:
        Convert565Row(in, out, count, m_layout);
        break;
    case 24:
        ConvertBgrRow<3>(in, out, count, m_layout);
        break;
    default:
        ConvertBgrRow<4>(in, out, count, m_layout);
        break;
    }
}
