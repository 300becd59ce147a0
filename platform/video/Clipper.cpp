// Clipper.cpp — the clip list of one rectangle.
#include "platform/video/Clipper.h"

#include <string>

DisplayResult CClipper::SetClipList(const Rect& rectangle)
{
    // An empty rectangle is a clip list that lets nothing through; an inverted one is a
    // mistake.
    if (rectangle.right < rectangle.left || rectangle.bottom < rectangle.top)
        return Fail(DISPLAY_INVALID_RECT, "clip rectangle (" + std::to_string(rectangle.left) + ", " +
                                              std::to_string(rectangle.top) + ", " + std::to_string(rectangle.right) +
                                              ", " + std::to_string(rectangle.bottom) + ") is inverted");
    m_rect = rectangle;
    return DISPLAY_OK;
}
