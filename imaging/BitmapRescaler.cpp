// BitmapRescaler.cpp — bitmap in, filter run, bitmap out.
#include "imaging/BitmapRescaler.h"

#include <string>

#include "imaging/KernelFilters.h"
#include "platform/bitmaps/FatalError.h"
#include "platform/bitmaps/ImageSize.h"
#include "platform/bitmaps/KeyColour.h"

CBitmapRescaler::CBitmapRescaler(const CBitmap24* source, CRescaleScratch* scratch, CWorkerPool* pool)
    : m_hSource(source), m_pScratch(scratch), m_pPool(pool)
{
}

void CBitmapRescaler::Rescale(SizeInPixels target, int32_t filterIndex, std::optional<ColourRef> key)
{
    std::unique_ptr<CResampleFilter> filter = CreateFilter(filterIndex);
    if (m_hSource == nullptr || m_hSource->Width() <= 0 || m_hSource->Height() <= 0)
        throw CFatalError("rescale: the source picture is empty");
    if (target.width <= 0 || target.height <= 0)
        throw CFatalError("rescale: cannot make a " + std::to_string(target.width) + "x" +
                          std::to_string(target.height) + " picture");

    // The source is only read, and a bitmap always holds all its rows: the filter reads
    // them where they are.
    const int32_t width = m_hSource->Width();
    const int32_t height = m_hSource->Height();
    if (m_hSource->ByteCount() < CheckedImageBytes(width, height, "rescale source"))
        throw CFatalError("rescale: the source picture holds fewer bytes than its size needs");

    if (key)
        filter->SetKeyColour(PixelOf(ResolveKey(*key, *m_hSource)));
    else
        filter->ClearKeyColour();
    filter->SetSourceBits(m_hSource->Bits());
    filter->SetSourceSize(width, height);
    filter->SetScratch(m_pScratch);
    filter->SetWorkerPool(m_pPool);
    filter->CreateDestination(target.width, target.height);
    filter->Zoom();

    // The destination becomes the new bitmap as it stands; only its pad bytes are set.
    m_hResult = std::make_unique<CBitmap24>(target.width, target.height, filter->ReleaseDestination());
}
