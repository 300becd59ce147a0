// SpriteKey.h — the transparent key colour of the ball and paddle strips.
//
// Every frame is drawn on magenta; the program takes each frame's top-left pixel as its
// transparent colour, so the key must fill a margin around each frame and no pixel of
// the sprite itself may be exactly this colour.
#pragma once

#include "Canvas.h"

#include <cstdint>

constexpr Rgb8 SPRITE_KEY = {255, 0, 255};

// Rows and columns of key colour kept clear on every side of every frame.
constexpr int32_t SPRITE_MARGIN = 2;

// A sprite pixel that happens to round to the key is nudged off it by one step of green,
// which no eye sees but which keeps it from turning transparent.
constexpr Rgb8 AvoidKey(Rgb8 pixel)
{
    if (pixel == SPRITE_KEY)
        pixel.green = 1;
    return pixel;
}
