// BlitBatch.cpp — recording blits, sorting them into bands and drawing the bands.
#include "platform/video/BlitBatch.h"

#include <algorithm>
#include <utility>

// True when b copies the same source pixels to the same places as a, under the same key
// (the background's repairs do: each copies the picture onto itself). Copying a pixel of
// such blits twice gives what copying it once gives, so together they may be drawn as the
// union of their rectangles.
bool CBlitBatch::SameCopy(const RecordedBlit& a, const RecordedBlit& b)
{
    const BlitMapping& m = a.mapping;
    const BlitMapping& n = b.mapping;
    return !m.stretched && !n.stretched && a.source.bits == b.source.bits && a.source.pitch == b.source.pitch &&
           a.keyed == b.keyed && (!a.keyed || (a.key.low == b.key.low && a.key.high == b.key.high)) &&
           m.sourceLeft - m.target.left == n.sourceLeft - n.target.left &&
           m.sourceTop - m.target.top == n.sourceTop - n.target.top;
}

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
        const int64_t rows = std::min<int64_t>(BAND_BYTES / std::max(pitch, 1), (height + MIN_BANDS - 1) / MIN_BANDS);
        return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(rows, MIN_BAND_ROWS), std::max(height, 1)));
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

// Consecutive blits of one copy (SameCopy) are drawn as their union; each other blit on
// its own. Either way in recorded order.
void CBlitBatch::DrawBands(int32_t first, int32_t last, int32_t bandRows) const
{
    std::vector<ColumnSpan> spans;
    for (int32_t band = first; band < last; ++band) {
        const int32_t top = band * bandRows;
        const int32_t bottom = std::min(top + bandRows, m_destination.height);
        const std::vector<int32_t>& list = m_bandBlits[static_cast<size_t>(band)];
        for (size_t begin = 0, end = 0; begin < list.size(); begin = end) {
            const RecordedBlit& blit = m_blits[static_cast<size_t>(list[begin])];
            for (end = begin + 1; end < list.size() && SameCopy(blit, m_blits[static_cast<size_t>(list[end])]); ++end) {
            }
            if (end - begin == 1)
                CopyPixelRows(m_destination, blit.source, blit.mapping, blit.keyed ? &blit.key : nullptr, top, bottom);
            else
                DrawUnion(std::span(list).subspan(begin, end - begin), top, bottom, spans);
        }
    }
}

// Row by row: the columns the blits cover in that row, sorted and joined where they
// overlap or touch, each run copied once along the copy the blits share.
void CBlitBatch::DrawUnion(std::span<const int32_t> run, int32_t top, int32_t bottom,
                           std::vector<ColumnSpan>& spans) const
{
    const RecordedBlit& model = m_blits[static_cast<size_t>(run.front())];
    const int32_t dx = model.mapping.sourceLeft - model.mapping.target.left;
    const int32_t dy = model.mapping.sourceTop - model.mapping.target.top;
    for (int32_t row = top; row < bottom; ++row) {
        spans.clear();
        for (const int32_t index : run) {
            const Rect& target = m_blits[static_cast<size_t>(index)].mapping.target;
            if (row >= target.top && row < target.bottom)
                spans.push_back(ColumnSpan{target.left, target.right});
        }
        std::sort(spans.begin(), spans.end(), [](const ColumnSpan& a, const ColumnSpan& b) { return a.left < b.left; });
        for (size_t i = 0; i < spans.size();) {
            ColumnSpan joined = spans[i];
            for (++i; i < spans.size() && spans[i].left <= joined.right; ++i)
                joined.right = std::max(joined.right, spans[i].right);
            BlitMapping piece;
            piece.target = Rect{joined.left, row, joined.right, row + 1};
            piece.sourceLeft = joined.left + dx;
            piece.sourceTop = row + dy;
            CopyPixelRows(m_destination, model.source, piece, model.keyed ? &model.key : nullptr, row, row + 1);
        }
    }
}
