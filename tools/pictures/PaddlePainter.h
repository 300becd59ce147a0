// PaddlePainter.h — paints the paddle strip: 30 frames of a metal bar with a moving light.
//
// The paddle is a capsule of brushed metal: a flat face shaded by a vertical gradient
// with fine horizontal grain, a rounded bevel around its edge lit from the upper left,
// and a recessed amber slot along its middle. A soft slanted band of light sweeps
// across it; the sweep wraps around every 30 frames, so frame 30 would be frame 0 and
// the animation loops without a jump. Edges are anti-aliased towards a dark rim colour.
#pragma once

#include "Canvas.h"
#include "RgbColour.h"
#include "ValueNoise.h"
#include "Vector3.h"

#include <cstdint>
#include <optional>

class CPaddlePainter {
public:
    static constexpr int32_t FRAME_WIDTH = 160;
    static constexpr int32_t FRAME_HEIGHT = 60;
    static constexpr int32_t FRAME_COUNT = 30;

    CPaddlePainter();

    // All frames stacked top to bottom: FRAME_WIDTH × (FRAME_HEIGHT × FRAME_COUNT).
    CCanvas PaintStrip() const;

    // One frame, with the light `frame` thirtieths of the way along its sweep.
    CCanvas PaintFrame(int32_t frame) const;

private:
    // Signed distance from (x, y) to the capsule's outline: negative inside.
    static double CapsuleDistance(double x, double y);

    // Unit direction from the capsule's spine out through (x, y), in the picture plane.
    static Vector3 OutwardDirection(double x, double y);

    // The surface normal: straight out of the face, tilting outwards across the bevel.
    static Vector3 SurfaceNormal(double x, double y, double inset);

    // Brushed metal: the vertical gradient with horizontal grain.
    RgbColour BrushedMetal(double x, double y) const;

    // How bright the sweeping band of light is at (x, y) when the sweep is at `phase`.
    static double SpecularBand(double x, double y, double phase);

    // The recessed slot and its glowing core, blended over the metal.
    static RgbColour ApplySlot(RgbColour metal, double x, double y);

    // The colour of a point on the paddle, `inset` pixels inside its outline.
    RgbColour SurfaceColour(double x, double y, double inset, double phase) const;

    // The finished colour of one pixel, or nothing where the paddle does not reach it.
    std::optional<RgbColour> PixelColour(int32_t x, int32_t y, double phase) const;

    CValueNoise m_grain;
};
