// ContactSheet.h — lays the three pictures out on one neutral grey sheet for viewing.
//
// The background at the top left, every ball frame in a grid beside it and every paddle
// frame in a grid below; the sprites' key colour is shown as the sheet's grey, as it
// would be transparent on screen, so fringes and margins can be judged by eye.
#pragma once

#include "Canvas.h"

#include <cstdint>

class CContactSheet {
public:
    // The sheet for a background and the ball and paddle strips, whose frames are
    // ballFrameHeight and paddleFrameHeight rows tall.
    static CCanvas Compose(const CCanvas& background, const CCanvas& ball, int32_t ballFrameHeight,
                           const CCanvas& paddle, int32_t paddleFrameHeight);

private:
    // Pastes the frames of a strip into a grid of `columns` columns from (left, top).
    static void PasteFrames(CCanvas& sheet, const CCanvas& strip, int32_t frameHeight, int32_t columns,
                            int32_t left, int32_t top);
};
