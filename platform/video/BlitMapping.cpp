// BlitMapping.cpp — clipping a blit and sampling its source by nearest neighbour.
#include "platform/video/BlitMapping.h"

#include <algorithm>

namespace {

// One axis of a blit: destination span d0..d1, source span s0..s1, source surface 0..extent,
// clip c0..c1. Spans are held in 64 bits so that extreme rectangles cannot overflow.
struct AxisSpans {
    int64_t d0, d1, s0, s1, extent, c0, c1;
};

// Which destination coordinates of the axis are written: first..last (exclusive).
struct AxisResult {
    int64_t first = 0;
    int64_t last = 0;
    std::vector<int32_t> sources;   // stretched axes only: the source coordinate of each
};

// The source coordinate nearest sampling gives destination coordinate x. The product can
// exceed 64 bits for extreme rectangles, hence 128-bit arithmetic (once per row or column).
int64_t SampleAt(const AxisSpans& a, int64_t x)
{
    __extension__ using Wide = __int128;
    const Wide numerator = static_cast<Wide>(2 * (x - a.d0) + 1) * (a.s1 - a.s0);
    return a.s0 + static_cast<int64_t>(numerator / (2 * (a.d1 - a.d0)));
}

// Unstretched: destination x takes source s0 + (x − d0); keep the xs inside the clip and
// whose source lies inside the surface.
AxisResult MapStraightAxis(const AxisSpans& a)
{
    AxisResult result;
    result.first = std::max({a.d0, a.c0, a.d0 - a.s0});
    result.last = std::min({a.d1, a.c1, a.d0 + (a.extent - a.s0)});
    return result;
}

// Stretched: sample every destination coordinate inside the clip and keep those that land
// inside the surface. Sampling never decreases, so they form one run.
AxisResult MapStretchedAxis(const AxisSpans& a)
{
    AxisResult result;
    const int64_t from = std::max(a.d0, a.c0);
    const int64_t to = std::min(a.d1, a.c1);
    result.first = to;
    result.last = to;
    for (int64_t x = from; x < to; ++x) {
        const int64_t s = SampleAt(a, x);
        if (s < 0)
            continue;
        if (s >= a.extent) {
            result.last = x;
            break;
        }
        if (result.sources.empty())
            result.first = x;
        result.sources.push_back(static_cast<int32_t>(s));
    }
    if (result.sources.empty())
        result.last = result.first;
    return result;
}

// True when the axis's destination and source spans differ in length.
bool IsStretched(const AxisSpans& a)
{
    return a.d1 - a.d0 != a.s1 - a.s0;
}

} // namespace

BlitMapResult MapBlit(const Rect& destination, const Rect& source, int32_t sourceWidth, int32_t sourceHeight,
                      const Rect& clip, BlitMapping& mapping)
{
    const Rect surface{0, 0, sourceWidth, sourceHeight};
    Rect visibleSource;
    if (destination.IsEmpty() || source.IsEmpty() || !IntersectRects(visibleSource, source, surface))
        return BlitMapResult::InvalidRect;

    const AxisSpans horizontal{destination.left, destination.right, source.left, source.right, sourceWidth,
                               clip.left, clip.right};
    const AxisSpans vertical{destination.top, destination.bottom, source.top, source.bottom, sourceHeight,
                             clip.top, clip.bottom};
    mapping.stretched = IsStretched(horizontal) || IsStretched(vertical);
    const AxisResult x = mapping.stretched ? MapStretchedAxis(horizontal) : MapStraightAxis(horizontal);
    const AxisResult y = mapping.stretched ? MapStretchedAxis(vertical) : MapStraightAxis(vertical);
    if (x.first >= x.last || y.first >= y.last)
        return BlitMapResult::Nothing;

    // Every coordinate left lies inside the clip, so it fits 32 bits again.
    mapping.target = Rect{static_cast<int32_t>(x.first), static_cast<int32_t>(y.first), static_cast<int32_t>(x.last),
                          static_cast<int32_t>(y.last)};
    mapping.sourceLeft = static_cast<int32_t>(source.left + (x.first - destination.left));
    mapping.sourceTop = static_cast<int32_t>(source.top + (y.first - destination.top));
    mapping.sourceColumns = x.sources;
    mapping.sourceRows = y.sources;
    return BlitMapResult::Draw;
}
