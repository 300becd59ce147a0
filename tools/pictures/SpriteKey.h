// SpriteKey.h — the transparent key colour of the ball and paddle strips.
//
// Every frame is drawn on magenta; the program takes each frame's top-left pixel as its
// transparent colour, so the key must fill a margin around each frame and no pixel of
// the sprite itself may be exactly this colour.
#pragma once

#include "Canvas.h"
#include "RgbColour.h"

#include <cstdint>
#include <optional>

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

// One frame on the key: every pixel inside the margin that `colourAt(x, y)` gives a colour
// for is set to it (kept off the key); the rest stays transparent.
template <typename ColourAt>
CCanvas PaintSpriteFrame(int32_t width, int32_t height, ColourAt colourAt)
{
    CCanvas canvas(width, height, SPRITE_KEY);
    for (int32_t y = SPRITE_MARGIN; y < height - SPRITE_MARGIN; ++y)
        for (int32_t x = SPRITE_MARGIN; x < width - SPRITE_MARGIN; ++x)
            if (const std::optional<RgbColour> colour = colourAt(x, y))
                canvas.Set(x, y, AvoidKey(CCanvas::ToPixel(*colour)));
    return canvas;
}

// `count` frames of width × height, `paintFrame(i)` each, stacked top to bottom.
template <typename PaintFrame>
CCanvas StackFrames(int32_t width, int32_t height, int32_t count, PaintFrame paintFrame)
{
    CCanvas strip(width, height * count, SPRITE_KEY);
    for (int32_t frame = 0; frame < count; ++frame)
        strip.Paste(paintFrame(frame), 0, frame * height);
    return strip;
}
