// BallPainter.cpp — sphere shading and the turning checker map.
#include "BallPainter.h"

#include "SpriteKey.h"

#include <algorithm>
#include <cmath>

namespace {

// ---------------------------------------------------------------------------------------
// Ball constants
// ---------------------------------------------------------------------------------------

constexpr double PI = 3.141592653589793;
constexpr double TWO_PI = 2.0 * PI;

constexpr double CENTRE = CBallPainter::FRAME_SIZE / 2.0;
// Leaves the key margin clear even where the anti-aliased edge reaches into a pixel.
constexpr double RADIUS = 17.0;
constexpr int32_t SAMPLES_PER_SIDE = 5;   // 25 samples per pixel
// The icon's ball fills its square but for a hair, as the frame's does but for the margin.
constexpr double ICON_RADIUS_SHARE = 0.47;

constexpr int32_t CHECKER_SECTORS = 8;   // squares around the axis
constexpr int32_t CHECKER_BANDS = 6;     // squares from pole to pole
constexpr RgbColour CHECKER_RED = {0.820, 0.070, 0.090};
constexpr RgbColour CHECKER_WHITE = {0.950, 0.940, 0.900};
constexpr RgbColour RIM_COLOUR = {0.150, 0.020, 0.040};

// The spin axis leans towards the upper right and towards the viewer, so one pole is in
// sight and the turning reads as a turn rather than as sliding stripes.
constexpr Vector3 SPIN_AXIS_DIRECTION = {0.32, -0.80, 0.50};
constexpr Vector3 VIEW = {0.0, 0.0, 1.0};
constexpr Vector3 LIGHT_DIRECTION = {-0.45, -0.65, 0.62};

constexpr double AMBIENT = 0.20;
constexpr double DIFFUSE = 0.85;
constexpr double BOUNCE = 0.16;            // warm light reflected up from the ground
constexpr RgbColour BOUNCE_TINT = {1.000, 0.700, 0.550};
constexpr double HIGHLIGHT = 0.70;
constexpr double HIGHLIGHT_SHARPNESS = 60.0;
constexpr double SHEEN = 0.12;             // broad gloss around the highlight
constexpr double SHEEN_SHARPNESS = 8.0;

}  // namespace

// ---------------------------------------------------------------------------------------
// Strip and frames
// ---------------------------------------------------------------------------------------

CCanvas CBallPainter::PaintStrip() const
{
    return StackFrames(FRAME_SIZE, FRAME_SIZE, FRAME_COUNT, [this](int32_t frame) { return PaintFrame(frame); });
}

CCanvas CBallPainter::PaintFrame(int32_t frame) const
{
    // Frame FRAME_COUNT would be frame 0 again: one full turn over the strip.
    const double spin = TWO_PI * frame / FRAME_COUNT;
    return PaintSpriteFrame(FRAME_SIZE, FRAME_SIZE, [&](int32_t x, int32_t y) { return PixelColour(x, y, spin); });
}

CIconCanvas CBallPainter::PaintIcon(int32_t size) const
{
    CIconCanvas icon(size);
    const Disc disc{size / 2.0, size * ICON_RADIUS_SHARE};
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x)
            if (const std::optional<Coverage> sample = Sample(x, y, 0.0, disc))
                icon.SetColour(x, y, sample->colour, sample->cover);
    return icon;
}

// ---------------------------------------------------------------------------------------
// Shading
// ---------------------------------------------------------------------------------------

std::optional<Vector3> CBallPainter::SurfaceNormal(double x, double y, Disc disc)
{
    const double nx = (x - disc.centre) / disc.radius;
    const double ny = (y - disc.centre) / disc.radius;
    const double squared = nx * nx + ny * ny;
    if (squared >= 1.0)
        return std::nullopt;
    return Vector3{nx, ny, std::sqrt(1.0 - squared)};
}

// Longitude about the spin axis, advanced by the spin, picks the sector; latitude picks
// the band; alternate squares are red and white.
RgbColour CBallPainter::CheckerColour(Vector3 normal, double spin)
{
    const Vector3 axis = Normalize(SPIN_AXIS_DIRECTION);
    const Vector3 across = Normalize(Cross(axis, VIEW));
    const Vector3 around = Cross(axis, across);
    const double longitude = std::atan2(Dot(normal, around), Dot(normal, across)) + spin;
    const double latitude = std::asin(std::clamp(Dot(normal, axis), -1.0, 1.0)) + PI / 2.0;
    const auto sector = static_cast<int64_t>(std::floor(longitude / (TWO_PI / CHECKER_SECTORS)));
    const auto band = static_cast<int64_t>(std::floor(latitude / (PI / CHECKER_BANDS)));
    return ((sector + band) & 1) == 0 ? CHECKER_RED : CHECKER_WHITE;
}

RgbColour CBallPainter::Shade(Vector3 normal, RgbColour albedo)
{
    const Vector3 light = Normalize(LIGHT_DIRECTION);
    const Vector3 halfway = Normalize(light + VIEW);
    const double diffuse = std::max(0.0, Dot(normal, light));
    const double bounce = std::max(0.0, normal.y);
    const double facing = std::max(0.0, Dot(normal, halfway));
    const RgbColour lit = albedo * (AMBIENT + DIFFUSE * diffuse) + albedo * BOUNCE_TINT * (BOUNCE * bounce);
    const double gloss = HIGHLIGHT * std::pow(facing, HIGHLIGHT_SHARPNESS) + SHEEN * std::pow(facing, SHEEN_SHARPNESS);
    return lit + RgbColour{gloss, gloss, gloss};
}

// Averages the shaded samples that fall on the ball.
std::optional<CBallPainter::Coverage> CBallPainter::Sample(int32_t x, int32_t y, double spin, Disc disc)
{
    RgbColour sum;
    int32_t inside = 0;
    for (int32_t sy = 0; sy < SAMPLES_PER_SIDE; ++sy) {
        for (int32_t sx = 0; sx < SAMPLES_PER_SIDE; ++sx) {
            const double px = x + (sx + 0.5) / SAMPLES_PER_SIDE;
            const double py = y + (sy + 0.5) / SAMPLES_PER_SIDE;
            if (const std::optional<Vector3> normal = SurfaceNormal(px, py, disc)) {
                sum = sum + Shade(*normal, CheckerColour(*normal, spin));
                ++inside;
            }
        }
    }
    if (inside == 0)
        return std::nullopt;
    const double cover = static_cast<double>(inside) / (SAMPLES_PER_SIDE * SAMPLES_PER_SIDE);
    return Coverage{sum * (1.0 / inside), cover};
}

// A frame's pixel is darkened towards the rim colour by the share of it the ball leaves
// uncovered.
std::optional<RgbColour> CBallPainter::PixelColour(int32_t x, int32_t y, double spin)
{
    const std::optional<Coverage> sample = Sample(x, y, spin, Disc{CENTRE, RADIUS});
    if (!sample)
        return std::nullopt;
    return Mix(RIM_COLOUR, sample->colour, sample->cover);
}
