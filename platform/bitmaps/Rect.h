// Rect.h — integer rectangles and the two set operations the program uses on them.
//
// Left and top are inclusive, right and bottom exclusive, so a rectangle with
// right <= left or bottom <= top is empty and intersects nothing.
#pragma once

#include <algorithm>
#include <cstdint>

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }

    friend bool operator==(const Rect&, const Rect&) = default;
};

// The common part of a and b in `out`; returns false (and an all-zero `out`) when they
// do not overlap. Rectangles that only touch along an edge or at a corner do not overlap.
inline bool IntersectRects(Rect& out, const Rect& a, const Rect& b)
{
    const Rect common{std::max(a.left, b.left), std::max(a.top, b.top),
                      std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (common.IsEmpty()) {
        out = Rect{};
        return false;
    }
    out = common;
    return true;
}

// The smallest rectangle holding both a and b. An empty rectangle adds nothing; when both
// are empty the result is all zero.
inline Rect UnionRects(const Rect& a, const Rect& b)
{
    if (a.IsEmpty())
        return b.IsEmpty() ? Rect{} : b;
    if (b.IsEmpty())
        return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top),
                std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
