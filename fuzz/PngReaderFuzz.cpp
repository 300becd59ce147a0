// PngReaderFuzz.cpp — libFuzzer target: any bytes through the PNG reader (libspng behind our
// size checks), plain and with an alpha key.
//
// Both readings must accept or refuse together, refuse only with CPngError (an allocation
// failure or any other exception is a fault), and agree: same size, and the same pixel
// wherever the keyed reading did not put the key. An accepted picture is never empty and
// always within the byte limit.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "fuzz/FuzzCheck.h"
#include "picturefiles/PngFile.h"
#include "platform/bitmaps/ImageSize.h"

namespace {

// A colour no test picture is likely to hold, so keyed pixels stand out.
constexpr ColourRef KEY = MakeColour(1, 254, 3);

// The picture, or null where the reader refuses the bytes.
std::unique_ptr<CBitmap24> DecodeOrNull(std::span<const uint8_t> bytes, std::optional<ColourRef> alphaKey)
{
    try {
        return DecodePng(bytes, alphaKey);
    } catch (const CPngError&) {
        return nullptr;
    }
}

// Whether the two readings agree pixel by pixel, keyed pixels aside.
bool AgreeOutsideTheKey(const CBitmap24& plain, const CBitmap24& keyed)
{
    for (int32_t y = 0; y < plain.Height(); ++y)
        for (int32_t x = 0; x < plain.Width(); ++x) {
            const size_t at = static_cast<size_t>(y) * plain.Stride() + 3 * static_cast<size_t>(x);
            const Pixel24 a = LoadPixel(plain.Bits() + at), b = LoadPixel(keyed.Bits() + at);
            if (a != b && b != PixelOf(KEY))
                return false;
        }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const auto plain = DecodeOrNull(bytes, std::nullopt);
    const auto keyed = DecodeOrNull(bytes, KEY);
    FuzzCheck((plain == nullptr) == (keyed == nullptr), "the plain and the keyed reading disagree on refusing");
    if (plain == nullptr)
        return 0;
    FuzzCheck(plain->Width() > 0 && plain->Height() > 0, "an empty picture was accepted");
    FuzzCheck(static_cast<int64_t>(plain->ByteCount()) <= MAX_IMAGE_BYTES, "a picture over the limit was accepted");
    FuzzCheck(plain->Width() == keyed->Width() && plain->Height() == keyed->Height(), "the readings differ in size");
    FuzzCheck(AgreeOutsideTheKey(*plain, *keyed), "the readings differ outside the keyed pixels");
    return 0;
}
