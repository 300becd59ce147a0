// Clipper.h — the one rectangle that blits onto a surface are clipped to.
#pragma once

#include <optional>

#include "platform/bitmaps/Rect.h"
#include "platform/video/DisplayObject.h"

class CClipper : public CDisplayObject {
public:
    // Sets the clip list: a single rectangle (right and bottom exclusive).
    DisplayResult SetClipList(const Rect& rectangle);
    // The rectangle; none until SetClipList (then nothing is clipped but the bounds).
    const std::optional<Rect>& ClipRect() const { return m_rect; }

private:
    std::optional<Rect> m_rect;
};
