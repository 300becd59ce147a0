// BitmapRescaler.cpp — bitmap in, filter run, bitmap out.
#include "imaging/BitmapRescaler.h"

#include <string>

#include "imaging/KernelFilters.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"

CBitmapRescaler::CBitmapRescaler(const CBitmap24* source) : m_hSource(source) {}

void CBitmapRescaler::Rescale(SizeInPixels target, int32_t filterIndex, ColourRef key)
{
    std::unique_ptr<CResampleFilter> filter = CreateFilter(filterIndex);
    if (m_hSource == nullptr || m_hSource->Width() <= 0 || m_hSource->Height() <= 0)
        throw CFatalError("rescale: the source picture is empty");
    if (target.width <= 0 || target.height <= 0)
        throw CFatalError("rescale: cannot make a " + std::to_string(target.width) + "x" +
                          std::to_string(target.height) + " picture");

    // The source's pixels, in a zeroed buffer: bytes the copy does not supply read as black.
    const int32_t width = m_hSource->Width();
    const int32_t height = m_hSource->Height();
    const size_t sourceBytes = CheckedImageBytes(width, height, "rescale source");
    auto sourceBits = std::make_unique<uint8_t[]>(sourceBytes);
    m_hSource->ReadBits(sourceBits.get(), sourceBytes);

    const Pixel24 keyColour = key == KEY_FROM_FIRST_PIXEL ? LoadPixel(sourceBits.get()) : PixelOf(key);
    filter->SetKeyColour(keyColour);
    filter->SetSourceBits(sourceBits.get());
    filter->SetSourceSize(width, height);
    filter->CreateDestination(target.width, target.height);
    filter->Zoom();
    sourceBits.reset();

    auto result = std::make_unique<CBitmap24>(target.width, target.height);
    if (result->WriteBits(filter->GetDestinationBits(), result->ByteCount()) == 0)
        throw CFatalError("rescale: the result could not be stored");
    m_hResult = std::move(result);
}
