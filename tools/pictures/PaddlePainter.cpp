// PaddlePainter.cpp — capsule shape, bevel lighting, brushed metal and the light band.
#include "PaddlePainter.h"

#include "SpriteKey.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// ---------------------------------------------------------------------------------------
// Paddle constants
// ---------------------------------------------------------------------------------------

// The capsule: a spine from SPINE_LEFT to SPINE_RIGHT on row CENTRE_Y, swept by RADIUS.
constexpr double CENTRE_Y = CPaddlePainter::FRAME_HEIGHT / 2.0;
constexpr double RADIUS = 17.0;
constexpr double SPINE_LEFT = 5.0 + RADIUS;
constexpr double SPINE_RIGHT = CPaddlePainter::FRAME_WIDTH - 5.0 - RADIUS;
constexpr double TOP = CENTRE_Y - RADIUS;
constexpr double BOTTOM = CENTRE_Y + RADIUS;

constexpr double BEVEL_WIDTH = 5.5;
constexpr int32_t SAMPLES_PER_SIDE = 3;   // 9 samples per pixel
constexpr RgbColour RIM_COLOUR = {0.080, 0.090, 0.110};

// Brushed steel from the top of the face to its bottom: a bright sky reflection above,
// a dark horizon band below the middle, and the lighter ground again at the foot.
struct MetalStop {
    double position;
    RgbColour colour;
};
constexpr std::array<MetalStop, 6> METAL_STOPS = {{
    {0.00, {0.860, 0.880, 0.920}},
    {0.30, {0.700, 0.730, 0.780}},
    {0.52, {0.470, 0.500, 0.560}},
    {0.60, {0.330, 0.350, 0.400}},
    {0.82, {0.560, 0.590, 0.640}},
    {1.00, {0.420, 0.440, 0.490}},
}};
constexpr uint32_t GRAIN_SEED = 77;
constexpr double GRAIN_STRENGTH = 0.16;

constexpr Vector3 LIGHT_DIRECTION = {-0.40, -0.75, 0.55};
constexpr Vector3 VIEW = {0.0, 0.0, 1.0};
constexpr double AMBIENT = 0.25;
constexpr double DIFFUSE = 0.80;
constexpr double GLINT = 0.55;             // the fixed highlight on the upper-left bevel
constexpr double GLINT_SHARPNESS = 24.0;

// The sweeping light: a slanted band that travels SWEEP_PERIOD pixels per loop, the width
// of the frame, so it leaves on the right as it comes back on the left.
constexpr double SWEEP_PERIOD = CPaddlePainter::FRAME_WIDTH;
constexpr double BAND_SLANT = 0.55;        // columns of lean per row
constexpr double BAND_CORE_WIDTH = 7.0;
constexpr double BAND_GLOW_WIDTH = 22.0;
constexpr double BAND_CORE = 0.60;
constexpr double BAND_GLOW = 0.22;
constexpr RgbColour BAND_COLOUR = {1.000, 0.980, 0.940};

// The slot: a thin capsule along the middle of the face, dark, with an amber core.
constexpr double SLOT_LEFT = SPINE_LEFT + 10.0;
constexpr double SLOT_RIGHT = SPINE_RIGHT - 10.0;
constexpr double SLOT_Y = CENTRE_Y + 1.0;
constexpr double SLOT_RADIUS = 2.6;
constexpr RgbColour SLOT_DARK = {0.070, 0.060, 0.070};
constexpr RgbColour SLOT_GLOW = {1.000, 0.560, 0.120};

}  // namespace

// ---------------------------------------------------------------------------------------
// Strip and frames
// ---------------------------------------------------------------------------------------

CPaddlePainter::CPaddlePainter() : m_grain(GRAIN_SEED)
{
}

CCanvas CPaddlePainter::PaintStrip() const
{
    return StackFrames(FRAME_WIDTH, FRAME_HEIGHT, FRAME_COUNT, [this](int32_t frame) { return PaintFrame(frame); });
}

CCanvas CPaddlePainter::PaintFrame(int32_t frame) const
{
    // Frame FRAME_COUNT would be frame 0 again: the band has come round once.
    const double phase = SWEEP_PERIOD * frame / FRAME_COUNT;
    return PaintSpriteFrame(FRAME_WIDTH, FRAME_HEIGHT, [&](int32_t x, int32_t y) { return PixelColour(x, y, phase); });
}

// Averages the samples of the pixel that fall on the paddle, then darkens towards the rim
// colour by the share left uncovered, so a partly covered pixel never takes on the key.
std::optional<RgbColour> CPaddlePainter::PixelColour(int32_t x, int32_t y, double phase) const
{
    RgbColour sum;
    int32_t inside = 0;
    for (int32_t sy = 0; sy < SAMPLES_PER_SIDE; ++sy) {
        for (int32_t sx = 0; sx < SAMPLES_PER_SIDE; ++sx) {
            const double px = x + (sx + 0.5) / SAMPLES_PER_SIDE;
            const double py = y + (sy + 0.5) / SAMPLES_PER_SIDE;
            const double inset = -CapsuleDistance(px, py);
            if (inset <= 0.0)
                continue;
            sum = sum + SurfaceColour(px, py, inset, phase);
            ++inside;
        }
    }
    if (inside == 0)
        return std::nullopt;
    const double cover = static_cast<double>(inside) / (SAMPLES_PER_SIDE * SAMPLES_PER_SIDE);
    return Mix(RIM_COLOUR, sum * (1.0 / inside), cover);
}

// ---------------------------------------------------------------------------------------
// Shape
// ---------------------------------------------------------------------------------------

double CPaddlePainter::CapsuleDistance(double x, double y)
{
    const double spineX = std::clamp(x, SPINE_LEFT, SPINE_RIGHT);
    return std::hypot(x - spineX, y - CENTRE_Y) - RADIUS;
}

Vector3 CPaddlePainter::OutwardDirection(double x, double y)
{
    const double dx = x - std::clamp(x, SPINE_LEFT, SPINE_RIGHT);
    const double dy = y - CENTRE_Y;
    const double length = std::hypot(dx, dy);
    if (length <= 0.0)
        return Vector3{0.0, 0.0, 0.0};
    return Vector3{dx / length, dy / length, 0.0};
}

// Across the bevel the surface rounds over like a quarter circle: the normal tilts from
// straight out of the face to nearly flat along the outline.
Vector3 CPaddlePainter::SurfaceNormal(double x, double y, double inset)
{
    if (inset >= BEVEL_WIDTH)
        return VIEW;
    const double tilt = 1.0 - inset / BEVEL_WIDTH;
    const Vector3 outward = OutwardDirection(x, y);
    return Vector3{outward.x * tilt, outward.y * tilt, std::sqrt(1.0 - tilt * tilt)};
}

// ---------------------------------------------------------------------------------------
// Surface
// ---------------------------------------------------------------------------------------

RgbColour CPaddlePainter::BrushedMetal(double x, double y) const
{
    const double position = std::clamp((y - TOP) / (BOTTOM - TOP), 0.0, 1.0);
    RgbColour colour = METAL_STOPS.back().colour;
    for (size_t i = 1; i < METAL_STOPS.size(); ++i) {
        if (position <= METAL_STOPS[i].position) {
            const MetalStop& from = METAL_STOPS[i - 1];
            const MetalStop& to = METAL_STOPS[i];
            colour = Mix(from.colour, to.colour, SmoothStep(from.position, to.position, position));
            break;
        }
    }
    // Grain that runs along the bar: slow across, fast down.
    const double streak = m_grain.Fractal2D(x / 45.0, y * 1.7, 3);
    return colour * (1.0 - GRAIN_STRENGTH / 2.0 + GRAIN_STRENGTH * streak);
}

double CPaddlePainter::SpecularBand(double x, double y, double phase)
{
    const double along = x + BAND_SLANT * (y - CENTRE_Y) - phase;
    // Distance to the nearest copy of the band, which repeats every SWEEP_PERIOD columns.
    const double offset = along - SWEEP_PERIOD * std::floor(along / SWEEP_PERIOD + 0.5);
    const double core = offset / BAND_CORE_WIDTH;
    const double glow = offset / BAND_GLOW_WIDTH;
    return BAND_CORE * std::exp(-core * core) + BAND_GLOW * std::exp(-glow * glow);
}

RgbColour CPaddlePainter::ApplySlot(RgbColour metal, double x, double y)
{
    const double spineX = std::clamp(x, SLOT_LEFT, SLOT_RIGHT);
    const double distance = std::hypot(x - spineX, y - SLOT_Y);
    // A dark lip at the slot's upper edge, a light one at its lower edge, as if cut in.
    const double lip = SmoothStep(SLOT_RADIUS + 1.2, SLOT_RADIUS, distance);
    const RgbColour edge = y < SLOT_Y ? metal * 0.55 : metal * 1.15;
    RgbColour colour = Mix(metal, edge, lip);
    const double inside = SmoothStep(SLOT_RADIUS, SLOT_RADIUS - 0.8, distance);
    const double core = std::exp(-std::pow(distance / (0.6 * SLOT_RADIUS), 2.0));
    const RgbColour slot = Mix(SLOT_DARK, SLOT_GLOW, core);
    return Mix(colour, slot, inside);
}

// Metal lit through its normal (the face keeps exactly the gradient's colour, the bevel
// brightens or darkens by which way it faces), the slot, the fixed glint on the bevel,
// then the moving band, strongest where the surface faces the viewer.
RgbColour CPaddlePainter::SurfaceColour(double x, double y, double inset, double phase) const
{
    const Vector3 light = Normalize(LIGHT_DIRECTION);
    const Vector3 normal = SurfaceNormal(x, y, inset);
    const double faceLighting = AMBIENT + DIFFUSE * light.z;
    const double lighting = (AMBIENT + DIFFUSE * std::max(0.0, Dot(normal, light))) / faceLighting;
    RgbColour colour = ApplySlot(BrushedMetal(x, y), x, y) * lighting;
    // Measured against the face's own value, so the glint fades out where bevel meets face.
    const Vector3 halfway = Normalize(light + VIEW);
    const double facing = std::max(0.0, Dot(normal, halfway));
    const double glint = GLINT * std::max(0.0, std::pow(facing, GLINT_SHARPNESS) - std::pow(halfway.z, GLINT_SHARPNESS));
    colour = colour + RgbColour{glint, glint, glint};
    return colour + BAND_COLOUR * SpecularBand(x, y, phase);
}
