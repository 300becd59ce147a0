// ChangedRegion.cpp — a bounded list of changed rectangles.
#include "platform/video/ChangedRegion.h"

namespace {

int64_t AreaOf(const Rect& r)
{
    return r.IsEmpty() ? 0 : int64_t{r.Width()} * r.Height();
}

// True when the rectangles overlap or share an edge: their union then wastes little.
bool OverlapOrTouch(const Rect& a, const Rect& b)
{
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

} // namespace

CChangedRegion::CChangedRegion(int32_t width, int32_t height) : m_bounds{0, 0, width, height}
{
    m_rects.reserve(MAX_RECTS);
}

void CChangedRegion::Add(const Rect& rectangle)
{
    Rect inside;
    if (IntersectRects(inside, rectangle, m_bounds))
        Merge(inside);
}

void CChangedRegion::AddAll()
{
    m_rects.assign(1, m_bounds);
}

void CChangedRegion::Clear()
{
    m_rects.clear();
}

int64_t CChangedRegion::Area() const
{
    int64_t area = 0;
    for (const Rect& r : m_rects)
        area += AreaOf(r);
    return area;
}

// Folds every listed rectangle that overlaps or touches the new one into it (repeating, as
// each union can reach further), then lists it, merging with the cheapest partner when full.
void CChangedRegion::Merge(Rect rectangle)
{
    for (bool merged = true; merged;) {
        merged = false;
        for (size_t i = 0; i < m_rects.size(); ++i) {
            if (OverlapOrTouch(m_rects[i], rectangle)) {
                rectangle = UnionRects(m_rects[i], rectangle);
                m_rects.erase(m_rects.begin() + static_cast<ptrdiff_t>(i));
                merged = true;
                break;
            }
        }
    }
    if (m_rects.size() < MAX_RECTS) {
        m_rects.push_back(rectangle);
        return;
    }
    size_t cheapest = 0;
    int64_t leastGrowth = INT64_MAX;
    for (size_t i = 0; i < m_rects.size(); ++i) {
        const int64_t growth = AreaOf(UnionRects(m_rects[i], rectangle)) - AreaOf(m_rects[i]);
        if (growth < leastGrowth) {
            leastGrowth = growth;
            cheapest = i;
        }
    }
    const Rect grown = UnionRects(m_rects[cheapest], rectangle);
    m_rects.erase(m_rects.begin() + static_cast<ptrdiff_t>(cheapest));
    Merge(grown);   // the grown rectangle may now reach others
}
