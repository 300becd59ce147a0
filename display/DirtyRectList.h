// DirtyRectList.h — the back-buffer rectangles that sprites drew over in one frame.
//
// Sprites add the pixel rectangle of every blit; the background takes them all out on
// the next frame and repaints only those places. Overlapping rectangles are merged as
// they arrive, and the list is bounded: once full, a rectangle that overlaps nothing is
// merged into the first entry. Rectangles come out first in, first out.
#pragma once

#include <array>
#include <cstdint>

#include "platform/bitmaps/Rect.h"

class CDirtyRectList {
public:
    static constexpr int32_t MAX_DIRTY_RECTS = 50;

    CDirtyRectList() = default;
    virtual ~CDirtyRectList() = default;

    // Merges a rectangle into the list.
    void Add(const Rect& rect);

    // The number of rectangles not yet handed out.
    int32_t Count() const { return m_count - m_next; }

    // Copies the next rectangle into `out` and returns it; taking the last one empties
    // the list. Throws CFatalError when no rectangle is left.
    Rect& Next(Rect& out);

private:
    // The index of the first filled entry that overlaps `rect`, or −1.
    int32_t FindOverlap(const Rect& rect) const;

    std::array<Rect, MAX_DIRTY_RECTS> m_rects{};
    int32_t m_next = 0;
    int32_t m_count = 0;
};
