// DirtyRectList.cpp — merging, bounding and handing out the dirty rectangles.
#include "display/DirtyRectList.h"

#include "platform/bitmaps/FatalError.h"

// ---------------------------------------------------------------------------------------
// Adding
// ---------------------------------------------------------------------------------------

// Entries already handed out take part too: their slots stay filled until the list
// empties, so a rectangle drawn over the same place grows them rather than a new slot.
int32_t CDirtyRectList::FindOverlap(const Rect& rect) const
{
    for (int32_t i = 0; i < m_count; ++i) {
        Rect common;
        if (IntersectRects(common, m_rects[i], rect))
            return i;
    }
    return -1;
}

// The grown entry is not compared with the others again: entries may come to overlap,
// which only costs a little repainting twice.
void CDirtyRectList::Add(const Rect& rect)
{
    const int32_t overlap = FindOverlap(rect);
    if (overlap >= 0) {
        m_rects[overlap] = UnionRects(m_rects[overlap], rect);
        return;
    }
    if (m_count >= MAX_DIRTY_RECTS) {
        // Full: the repaint grows instead of a rectangle being lost.
        m_rects[0] = UnionRects(m_rects[0], rect);
        return;
    }
    m_rects[m_count] = rect;
    ++m_count;
}

// ---------------------------------------------------------------------------------------
// Handing out
// ---------------------------------------------------------------------------------------

// Refuses before touching the counters, so a caller's mistake leaves the list intact.
Rect& CDirtyRectList::Next(Rect& out)
{
    if (m_next >= m_count)
        throw CFatalError("dirty rectangles: Next called on an empty list");
    const int32_t index = m_next;
    ++m_next;
    if (m_next == m_count) {
        m_next = 0;
        m_count = 0;
    }
    out = m_rects[index];
    return out;
}
