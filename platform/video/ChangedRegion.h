// ChangedRegion.h — the parts of the back buffer changed since the last flip.
//
// A short list of rectangles inside the surface's bounds. A rectangle that overlaps or
// touches one already listed is merged with it (so no pixel is uploaded twice); when the
// list is full, a new rectangle is merged with the listed one whose union grows least.
// Merging can only add pixels, never lose any: an upload of the list covers every change.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/bitmaps/Rect.h"

class CChangedRegion {
public:
    static constexpr size_t MAX_RECTS = 16;

    // A region over a width × height surface, with nothing changed.
    CChangedRegion(int32_t width, int32_t height);

    // Notes a changed rectangle (clipped to the bounds; an empty one adds nothing).
    void Add(const Rect& rectangle);
    // Notes that everything changed.
    void AddAll();
    void Clear();

    std::span<const Rect> Rects() const { return m_rects; }
    // The pixels the listed rectangles cover.
    int64_t Area() const;

private:
    void Merge(Rect rectangle);

    Rect m_bounds;
    std::vector<Rect> m_rects;
};
