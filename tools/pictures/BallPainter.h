// BallPainter.h — paints the ball strip: 30 frames of a spinning checkered sphere.
//
// The ball is a red-and-white checkered sphere lit from the upper left, with a soft
// shadow side and a sharp highlight that stay put while the checker pattern turns once
// about a tilted axis over the 30 frames. Each pixel averages a grid of samples; where
// the ball covers only part of a pixel it is darkened towards the rim colour rather than
// blended with the key, so no magenta fringe appears once the key is made transparent.
#pragma once

#include "Canvas.h"
#include "IconCanvas.h"
#include "RgbColour.h"
#include "Vector3.h"

#include <cstdint>
#include <optional>

class CBallPainter {
public:
    static constexpr int32_t FRAME_SIZE = 40;
    static constexpr int32_t FRAME_COUNT = 30;

    // All frames stacked top to bottom: FRAME_SIZE × (FRAME_SIZE × FRAME_COUNT).
    CCanvas PaintStrip() const;

    // One frame, turned `frame` thirtieths of a full turn from the first.
    CCanvas PaintFrame(int32_t frame) const;

    // The program's icon: the first frame's ball filling a size × size square, its edge
    // anti-aliased into transparency instead of darkened towards the rim.
    CIconCanvas PaintIcon(int32_t size) const;

private:
    // Where the ball lies in a picture, in pixels.
    struct Disc {
        double centre;
        double radius;
    };

    // A pixel's colour averaged over the samples on the ball, and the share of samples there.
    struct Coverage {
        RgbColour colour;
        double cover;
    };

    // The sphere's outward normal at a point of the picture, if the point is on the ball.
    static std::optional<Vector3> SurfaceNormal(double x, double y, Disc disc);

    // The checker square under a surface normal after the ball has turned by `spin`.
    static RgbColour CheckerColour(Vector3 normal, double spin);

    // Lights a surface point: ambient, diffuse, a bounce from below and the highlight.
    static RgbColour Shade(Vector3 normal, RgbColour albedo);

    // The ball's samples in one pixel, or nothing where the ball does not reach it.
    static std::optional<Coverage> Sample(int32_t x, int32_t y, double spin, Disc disc);

    // The finished colour of one pixel of a frame, or nothing where the ball does not reach it.
    static std::optional<RgbColour> PixelColour(int32_t x, int32_t y, double spin);
};
