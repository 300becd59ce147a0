// BlitMapping.h — which destination pixels a blit writes and which source pixels they take.
//
// Nearest sampling: destination pixel x of a destination span d0..d1 (exclusive) takes the
// source pixel under its centre, s0 + floor((2·(x − d0) + 1) · (s1 − s0) / (2 · (d1 − d0))).
// The mapping comes from the rectangles as given; clipping only removes pixels from it,
// so a clipped stretched blit draws exactly the pixels the unclipped one would draw there.
// A source rectangle partly outside its surface loses the destination pixels that would
// sample outside; the destination is clipped to the clip rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bitmaps/Rect.h"

enum class BlitMapResult {
    Draw,          // the mapping holds at least one pixel
    Nothing,       // valid, but clipped away entirely
    InvalidRect,   // an empty or inverted rectangle, or a source wholly outside its surface
};

struct BlitMapping {
    Rect target;                          // the destination pixels written
    bool stretched = false;
    // Unstretched: the source pixel that lands on target's top-left corner.
    int32_t sourceLeft = 0;
    int32_t sourceTop = 0;
    // Stretched: the source column of each target column, the source row of each target row.
    std::vector<int32_t> sourceColumns;
    std::vector<int32_t> sourceRows;
};

// Maps `source` of a sourceWidth × sourceHeight surface onto `destination`, clipped to
// `clip` (which the caller has already cut to the destination surface's bounds).
BlitMapResult MapBlit(const Rect& destination, const Rect& source, int32_t sourceWidth, int32_t sourceHeight,
                      const Rect& clip, BlitMapping& mapping);
