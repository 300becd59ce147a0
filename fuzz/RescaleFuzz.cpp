// RescaleFuzz.cpp — libFuzzer target: a decoded picture rescaled to a small size with a key.
//
// Input: target width and height (1..64 each), filter index, key choice, then a picture
// file. Pictures too large to rescale quickly are passed over. The same rescale with its
// intermediate cut into strips of a few columns must give the same bytes.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz/FuzzCheck.h"
#include "imaging/BitmapRescaler.h"
#include "imaging/KernelFilters.h"
#include "picturefiles/PictureFile.h"

namespace {

constexpr size_t SETTINGS_BYTES = 4;
constexpr int32_t MAX_TARGET_SIDE = 64;
constexpr int64_t MAX_SOURCE_PIXELS = 256 * 256;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < SETTINGS_BYTES)
        return 0;
    const SizeInPixels target{1 + data[0] % MAX_TARGET_SIDE, 1 + data[1] % MAX_TARGET_SIDE};
    const int32_t filter = data[2] % FILTER_COUNT;
    std::unique_ptr<CBitmap24> source;
    try {
        source = DecodePicture(std::span<const uint8_t>(data + SETTINGS_BYTES, size - SETTINGS_BYTES));
    } catch (const CPictureFileError&) {
        return 0;
    }
    if (int64_t{source->Width()} * source->Height() > MAX_SOURCE_PIXELS)
        return 0;
    // The key: the first pixel, or a colour that picture may or may not hold.
    const ColourRef key = data[3] % 2 == 0 ? KEY_FROM_FIRST_PIXEL : MakeColour(data[3], 0, 255);

    CBitmapRescaler rescaler(source.get());
    rescaler.Rescale(target, filter, key);
    const std::unique_ptr<CBitmap24> result = rescaler.GetBitmap();
    FuzzCheck(result != nullptr && result->Width() == target.width && result->Height() == target.height,
              "the rescaled picture has not the size asked for");

    std::unique_ptr<CResampleFilter> strips = CreateFilter(filter);
    strips->SetKeyColour(key == KEY_FROM_FIRST_PIXEL ? LoadPixel(source->Bits()) : PixelOf(key));
    strips->SetSourceBits(source->Bits());
    strips->SetSourceSize(source->Width(), source->Height());
    strips->SetIntermediateBudget(int64_t{4} * source->Height() * (1 + data[3] % 7));
    strips->CreateDestination(target.width, target.height);
    strips->Zoom();
    const CBitmap24 cut(target.width, target.height, strips->ReleaseDestination());
    FuzzCheck(std::equal(cut.Bits(), cut.Bits() + cut.ByteCount(), result->Bits()),
              "the intermediate made in strips gives other bytes than made whole");
    return 0;
}
