// BlitBatch.cpp — recording blits, sorting them into bands and drawing the bands.
#include "platform/video/BlitBatch.h"

#include <algorithm>
#include <utility>

bool CBlitBatch::SetBandCount(int32_t bands)
{
    if (bands < 0 || bands > MAX_BANDS)
        return false;
    m_bandCount = bands;
    return true;
}

void CBlitBatch::SetRunner(BandRunner runner)
{
    m_runner = std::move(runner);
}

bool CBlitBatch::Takes(const PixelView& destination) const
{
    return m_blits.empty() || (destination.bits == m_destination.bits && destination.pitch == m_destination.pitch &&
                               destination.height == m_destination.height);
}

void CBlitBatch::Record(const PixelView& destination, const PixelView& source, BlitMapping mapping,
                        const ColourKeyRange* key)
{
    m_destination = destination;
    m_recordedPixels += int64_t{mapping.target.Width()} * mapping.target.Height();
    RecordedBlit& blit = m_blits.emplace_back();
    blit.source = source;
    blit.mapping = std::move(mapping);
    blit.keyed = key != nullptr;
    if (key != nullptr)
        blit.key = *key;
}

int32_t CBlitBatch::BandRows(int32_t height, int32_t pitch) const
{
    if (m_bandCount == 0) {
        const int64_t rows = BAND_BYTES / std::max(pitch, 1);
        return static_cast<int32_t>(std::clamp<int64_t>(rows, MIN_BAND_ROWS, std::max(height, 1)));
    }
    return std::max((height + m_bandCount - 1) / m_bandCount, 1);
}

void CBlitBatch::Draw()
{
    if (m_blits.empty())
        return;
    struct EmptyOnReturn {
        CBlitBatch& batch;
        ~EmptyOnReturn()
        {
            batch.m_blits.clear();
            batch.m_recordedPixels = 0;
        }
    } emptyOnReturn{*this};

    const int32_t bandRows = BandRows(m_destination.height, m_destination.pitch);
    const int32_t bands = (m_destination.height + bandRows - 1) / bandRows;
    if (bands <= 1) {   // one band: each blit whole, in order
        for (const RecordedBlit& blit : m_blits)
            CopyPixels(m_destination, blit.source, blit.mapping, blit.keyed ? &blit.key : nullptr);
        return;
    }
    SortIntoBands(bandRows, bands);
    const int64_t bandBytes = m_recordedPixels * m_destination.bytesPerPixel / bands;
    const BandDraw draw = [this, bandRows](int32_t first, int32_t last) { DrawBands(first, last, bandRows); };
    if (m_runner)
        m_runner(bands, bandBytes, draw);
    else
        draw(0, bands);
}

// A blit reaches the bands from the one holding its top row to the one holding its bottom
// row; appended in recorded order, each band's list keeps that order.
void CBlitBatch::SortIntoBands(int32_t bandRows, int32_t bands)
{
    if (static_cast<int32_t>(m_bandBlits.size()) < bands)
        m_bandBlits.resize(static_cast<size_t>(bands));
    for (std::vector<int32_t>& list : m_bandBlits)
        list.clear();
    for (size_t i = 0; i < m_blits.size(); ++i) {
        const Rect& target = m_blits[i].mapping.target;
        const int32_t last = std::min((target.bottom - 1) / bandRows, bands - 1);
        for (int32_t band = target.top / bandRows; band <= last; ++band)
            m_bandBlits[static_cast<size_t>(band)].push_back(static_cast<int32_t>(i));
    }
}

void CBlitBatch::DrawBands(int32_t first, int32_t last, int32_t bandRows) const
{
    for (int32_t band = first; band < last; ++band) {
        const int32_t top = band * bandRows;
        const int32_t bottom = std::min(top + bandRows, m_destination.height);
        for (const int32_t index : m_bandBlits[static_cast<size_t>(band)]) {
            const RecordedBlit& blit = m_blits[static_cast<size_t>(index)];
            CopyPixelRows(m_destination, blit.source, blit.mapping, blit.keyed ? &blit.key : nullptr, top, bottom);
        }
    }
}
