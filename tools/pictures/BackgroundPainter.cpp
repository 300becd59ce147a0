// BackgroundPainter.cpp — the dusk scene, layer by layer.
#include "BackgroundPainter.h"

#include "PictureRandom.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// ---------------------------------------------------------------------------------------
// Scene constants
// ---------------------------------------------------------------------------------------

constexpr uint32_t NOISE_SEED = 1997;
constexpr uint64_t STAR_SEED = 0x5EED0001ull;
constexpr uint64_t TREE_SEED = 0x5EED0002ull;

// The sky gradient from the zenith (position 0) down to the horizon glow (position 1).
struct SkyStop {
    double position;
    RgbColour colour;
};
constexpr std::array<SkyStop, 6> SKY_STOPS = {{
    {0.00, {0.040, 0.050, 0.170}},
    {0.30, {0.130, 0.100, 0.300}},
    {0.52, {0.330, 0.170, 0.400}},
    {0.70, {0.700, 0.300, 0.380}},
    {0.86, {0.960, 0.520, 0.300}},
    {1.00, {1.000, 0.760, 0.420}},
}};
constexpr double SKY_HORIZON_Y = 330.0;   // the row where the gradient reaches its last stop

constexpr double SUN_X = 446.0;
constexpr double SUN_Y = 250.0;
constexpr double SUN_RADIUS = 18.0;
constexpr RgbColour SUN_CORE = {1.000, 0.950, 0.840};
constexpr RgbColour SUN_EDGE = {1.000, 0.780, 0.560};
constexpr RgbColour SUN_CORONA = {1.000, 0.560, 0.320};   // tight glow just off the disc
constexpr RgbColour SUN_HALO = {0.950, 0.430, 0.300};     // wide glow over the sky
constexpr double CORONA_FALLOFF = 14.0;
constexpr double HALO_RADIUS = 170.0;

constexpr int32_t STAR_COUNT = 140;
constexpr double STAR_LOWEST_Y = 250.0;
constexpr double STAR_CROSS_THRESHOLD = 0.82;   // brighter stars get a faint cross
constexpr RgbColour STAR_COOL = {0.780, 0.860, 1.000};
constexpr RgbColour STAR_WARM = {1.000, 0.880, 0.720};

constexpr double CLOUD_TOP_Y = 120.0;
constexpr double CLOUD_BOTTOM_Y = 300.0;
constexpr RgbColour CLOUD_SHADE = {0.300, 0.180, 0.320};
constexpr RgbColour CLOUD_LIT = {1.000, 0.620, 0.460};

constexpr int32_t RIDGE_SUBSAMPLES = 4;   // ridge samples per pixel column, for smooth edges
constexpr RgbColour RIM_LIGHT = {1.000, 0.580, 0.330};
constexpr RgbColour MIST_COLOUR = {0.780, 0.470, 0.470};

constexpr double VIGNETTE_STRENGTH = 0.22;
constexpr double SOFT_CLIP_KNEE = 0.82;

// The screen keys the background with pure blue, so no pixel may be that colour or a
// saturated blue that a reduction to a palette could move onto it.
constexpr uint8_t KEY_BLUE_LIMIT = 192;
constexpr int32_t KEY_BLUE_MIN_RED_GREEN = 64;


}  // namespace

// ---------------------------------------------------------------------------------------
// Construction and the whole picture
// ---------------------------------------------------------------------------------------

CBackgroundPainter::CBackgroundPainter() : m_noise(NOISE_SEED)
{
}

// Paints every layer back to front and rounds the result to bytes.
CCanvas CBackgroundPainter::Paint() const
{
    Image image(static_cast<size_t>(WIDTH) * HEIGHT);
    PaintSky(image);
    PaintStars(image);
    PaintSunDisc(image);
    PaintClouds(image);
    for (const HillLayer& layer : HillLayers())
        PaintHillLayer(image, layer);
    ApplyVignette(image);
    return ToCanvas(image);
}

RgbColour& CBackgroundPainter::PixelAt(Image& image, int32_t x, int32_t y)
{
    return image[static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)];
}

// ---------------------------------------------------------------------------------------
// Sky
// ---------------------------------------------------------------------------------------

// The plain sky at a point: the gradient stops eased into one another, plus the sun's glow.
RgbColour CBackgroundPainter::SkyColour(double x, double y) const
{
    const double position = std::clamp(y / SKY_HORIZON_Y, 0.0, 1.0);
    RgbColour colour = SKY_STOPS.back().colour;
    for (size_t i = 1; i < SKY_STOPS.size(); ++i) {
        if (position <= SKY_STOPS[i].position) {
            const SkyStop& from = SKY_STOPS[i - 1];
            const SkyStop& to = SKY_STOPS[i];
            colour = Mix(from.colour, to.colour, SmoothStep(from.position, to.position, position));
            break;
        }
    }
    return colour + SunGlow(x, y);
}

// Light scattered around the sun: a tight bright corona and a wide warm halo.
RgbColour CBackgroundPainter::SunGlow(double x, double y) const
{
    const double distance = std::hypot(x - SUN_X, y - SUN_Y);
    const double outside = std::max(0.0, distance - SUN_RADIUS);
    const double halo = distance / HALO_RADIUS;
    return SUN_CORONA * (0.55 * std::exp(-outside / CORONA_FALLOFF)) +
           SUN_HALO * (0.40 * std::exp(-halo * halo));
}

void CBackgroundPainter::PaintSky(Image& image) const
{
    for (int32_t y = 0; y < HEIGHT; ++y)
        for (int32_t x = 0; x < WIDTH; ++x)
            PixelAt(image, x, y) = SkyColour(x + 0.5, y + 0.5);
}

// Scatters stars over the upper sky as small soft dots; each fades out where the sky
// behind it is bright, so none show in the sunset glow.
void CBackgroundPainter::PaintStars(Image& image) const
{
    CPictureRandom random(STAR_SEED);
    for (int32_t star = 0; star < STAR_COUNT; ++star) {
        const double starX = random.Uniform(2.0, WIDTH - 2.0);
        const double depth = random.NextUnit();
        const double starY = 2.0 + depth * depth * (STAR_LOWEST_Y - 2.0);   // more stars higher up
        const double unit = random.NextUnit();
        const double brightness = 0.15 + 0.85 * unit * unit * unit;
        const RgbColour tint = Mix(STAR_COOL, STAR_WARM, random.NextUnit());
        const double visibility = 1.0 - SmoothStep(0.10, 0.40, Luminance(SkyColour(starX, starY)));
        if (visibility <= 0.0)
            continue;
        DrawStarDot(image, starX, starY, 0.45 + 0.35 * brightness, tint * (1.6 * brightness * visibility));
        if (brightness >= STAR_CROSS_THRESHOLD)
            DrawStarCross(image, starX, starY, tint * (0.30 * brightness * visibility));
    }
}

// Adds a Gaussian dot of light centred on (x, y), which lies at least 2 pixels inside.
void CBackgroundPainter::DrawStarDot(Image& image, double x, double y, double sigma, RgbColour light)
{
    const auto centreX = static_cast<int32_t>(x);
    const auto centreY = static_cast<int32_t>(y);
    for (int32_t py = centreY - 2; py <= centreY + 2; ++py) {
        for (int32_t px = centreX - 2; px <= centreX + 2; ++px) {
            const double dx = px + 0.5 - x;
            const double dy = py + 0.5 - y;
            const double dot = std::exp(-(dx * dx + dy * dy) / (2.0 * sigma * sigma));
            PixelAt(image, px, py) = PixelAt(image, px, py) + light * dot;
        }
    }
}

// Adds four short fading arms round a bright star, the glint of a lens.
void CBackgroundPainter::DrawStarCross(Image& image, double x, double y, RgbColour light)
{
    constexpr std::array<std::array<int32_t, 2>, 4> ARMS = {{{1, 0}, {-1, 0}, {0, 1}, {0, -1}}};
    const auto centreX = static_cast<int32_t>(x);
    const auto centreY = static_cast<int32_t>(y);
    for (int32_t reach = 2; reach <= 4; ++reach) {
        for (const auto& [dx, dy] : ARMS) {
            const int32_t px = centreX + dx * reach;
            const int32_t py = centreY + dy * reach;
            if (px >= 0 && px < WIDTH && py >= 0 && py < HEIGHT)
                PixelAt(image, px, py) = PixelAt(image, px, py) + light * (1.0 / reach);
        }
    }
}

// The sun's disc, white-hot in the middle and golden at its anti-aliased edge.
void CBackgroundPainter::PaintSunDisc(Image& image) const
{
    const int32_t reach = static_cast<int32_t>(SUN_RADIUS) + 2;
    for (int32_t y = static_cast<int32_t>(SUN_Y) - reach; y <= static_cast<int32_t>(SUN_Y) + reach; ++y) {
        for (int32_t x = static_cast<int32_t>(SUN_X) - reach; x <= static_cast<int32_t>(SUN_X) + reach; ++x) {
            const double distance = std::hypot(x + 0.5 - SUN_X, y + 0.5 - SUN_Y);
            const double cover = std::clamp(SUN_RADIUS + 0.5 - distance, 0.0, 1.0);
            const RgbColour disc = Mix(SUN_CORE, SUN_EDGE, SmoothStep(0.3 * SUN_RADIUS, SUN_RADIUS, distance));
            PixelAt(image, x, y) = Mix(PixelAt(image, x, y), disc, cover);
        }
    }
}

// Thin, wind-stretched strands of cloud across the lower sky, lit warm on the sun's side
// and dusky away from it; they pass in front of the stars and the sun.
void CBackgroundPainter::PaintClouds(Image& image) const
{
    for (int32_t y = static_cast<int32_t>(CLOUD_TOP_Y); y < static_cast<int32_t>(CLOUD_BOTTOM_Y); ++y) {
        const double band = SmoothStep(CLOUD_TOP_Y, CLOUD_TOP_Y + 50.0, y) *
                            (1.0 - SmoothStep(CLOUD_BOTTOM_Y - 50.0, CLOUD_BOTTOM_Y, y));
        for (int32_t x = 0; x < WIDTH; ++x) {
            const double density = m_noise.Fractal2D(x / 160.0, y / 7.0, 5);
            const double cover = SmoothStep(0.56, 0.76, density) * band;
            if (cover <= 0.0)
                continue;
            const double sunDistance = std::hypot((x - SUN_X) / 1.6, y - SUN_Y);
            const double sunlit = std::exp(-sunDistance / 150.0) + 0.35 * SmoothStep(CLOUD_TOP_Y, CLOUD_BOTTOM_Y, y);
            const RgbColour cloud = Mix(CLOUD_SHADE, CLOUD_LIT, std::clamp(sunlit, 0.0, 1.0));
            PixelAt(image, x, y) = Mix(PixelAt(image, x, y), cloud, 0.75 * cover);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Hills
// ---------------------------------------------------------------------------------------

// The four ranges, farthest first: each nearer one darker, less hazy and lower down.
std::vector<CBackgroundPainter::HillLayer> CBackgroundPainter::HillLayers()
{
    return {
        {300.0, 70.0, 150.0, 11, {0.540, 0.320, 0.450}, {0.470, 0.280, 0.420}, 0.06, 0.40, 0.45, 0.50, 0.0},
        {342.0, 66.0, 115.0, 23, {0.340, 0.190, 0.320}, {0.280, 0.150, 0.280}, 0.10, 0.22, 0.40, 0.45, 0.0},
        {390.0, 60.0, 95.0, 37, {0.190, 0.100, 0.190}, {0.150, 0.080, 0.160}, 0.16, 0.08, 0.35, 0.35, 10.0},
        {446.0, 56.0, 80.0, 41, {0.095, 0.050, 0.090}, {0.060, 0.035, 0.070}, 0.22, 0.00, 0.00, 0.25, 19.0},
    };
}

// The ridge's row at every sub-sample across the picture (RIDGE_SUBSAMPLES per column),
// trees included.
std::vector<double> CBackgroundPainter::Ridgeline(const HillLayer& layer) const
{
    const CValueNoise ridgeNoise(layer.seed);
    std::vector<double> ridge(static_cast<size_t>(WIDTH) * RIDGE_SUBSAMPLES);
    for (size_t i = 0; i < ridge.size(); ++i) {
        const double x = (static_cast<double>(i) + 0.5) / RIDGE_SUBSAMPLES;
        ridge[i] = layer.baseY - layer.amplitude * ridgeNoise.Fractal1D(x / layer.wavelength, 6);
    }
    const std::vector<Tree> trees = PlantTrees(layer, ridge);
    for (size_t i = 0; i < ridge.size(); ++i) {
        const double x = (static_cast<double>(i) + 0.5) / RIDGE_SUBSAMPLES;
        for (const Tree& tree : trees)
            ridge[i] = std::min(ridge[i], TreeTop(tree, x));
    }
    return ridge;
}

// Stands conifers along the ridge in groves with clearings between them.
std::vector<CBackgroundPainter::Tree> CBackgroundPainter::PlantTrees(const HillLayer& layer,
                                                                     const std::vector<double>& ridge) const
{
    std::vector<Tree> trees;
    if (layer.treeHeight <= 0.0)
        return trees;
    CPictureRandom random(TREE_SEED + layer.seed);
    double x = random.Uniform(0.0, layer.treeHeight);
    while (x < WIDTH) {
        const double grove = m_noise.Value1D(x / 70.0 + layer.seed);
        const double height = layer.treeHeight * random.Uniform(0.55, 1.15);
        if (grove > 0.45) {
            const auto column = static_cast<size_t>(x * RIDGE_SUBSAMPLES);
            // Sunk a little so the trunk meets the slope below the ridge line.
            trees.push_back(Tree{x, ridge[column] + 0.12 * height, height});
        }
        x += layer.treeHeight * random.Uniform(0.25, 0.65);
    }
    return trees;
}

// The top row of a tree's silhouette at column x (a large value where the tree is not):
// three stacked tiers of boughs, each a triangle narrower than the one below it.
double CBackgroundPainter::TreeTop(const Tree& tree, double x)
{
    constexpr std::array<std::array<double, 3>, 3> TIERS = {{
        // apex height, foot height (both as shares of the tree), half-width of the foot
        {1.00, 0.55, 0.16},
        {0.78, 0.30, 0.23},
        {0.56, 0.05, 0.30},
    }};
    double top = 1e9;
    const double dx = std::abs(x - tree.x);
    for (const auto& [apex, foot, halfWidth] : TIERS) {
        const double width = halfWidth * tree.height;
        if (dx >= width)
            continue;
        const double rise = apex - (apex - foot) * dx / width;
        top = std::min(top, tree.groundY - rise * tree.height);
    }
    return top;
}

// The colour of the hillside at a point: darkening away from the ridge, grainy with
// grass and scrub, a warm rim where the low sun catches the ridge, hazed with the sky by
// distance and misted towards the valley floor.
RgbColour CBackgroundPainter::HillColour(const HillLayer& layer, double x, double y, double ridgeY) const
{
    const double below = std::max(0.0, y - ridgeY);
    RgbColour colour = Mix(layer.ridgeColour, layer.footColour, SmoothStep(0.0, 90.0, below));
    const double grain = m_noise.Fractal2D(x / 7.0 + layer.seed, y / 3.5, 4);
    colour = colour * (1.0 + layer.grain * (grain - 0.5));
    const double sunSide = std::exp(-std::pow((x - SUN_X) / 230.0, 2.0));
    colour = colour + RIM_LIGHT * (layer.rimLight * sunSide * std::exp(-below / 2.2));
    colour = Mix(colour, SkyColour(x, y), layer.haze);
    const double mist = layer.mist * SmoothStep(layer.baseY - 10.0, layer.baseY + 55.0, y);
    return Mix(colour, MIST_COLOUR, mist);
}

// Lays one range over the picture; each pixel is covered by the share of its area below
// the ridge, averaged over the ridge's sub-samples, so the skyline is anti-aliased.
void CBackgroundPainter::PaintHillLayer(Image& image, const HillLayer& layer) const
{
    const std::vector<double> ridge = Ridgeline(layer);
    for (int32_t x = 0; x < WIDTH; ++x) {
        double highest = HEIGHT;
        for (int32_t s = 0; s < RIDGE_SUBSAMPLES; ++s)
            highest = std::min(highest, ridge[static_cast<size_t>(x) * RIDGE_SUBSAMPLES + s]);
        const double ridgeY = ridge[static_cast<size_t>(x) * RIDGE_SUBSAMPLES + RIDGE_SUBSAMPLES / 2];
        for (int32_t y = std::max(0, static_cast<int32_t>(highest)); y < HEIGHT; ++y) {
            double cover = 0.0;
            for (int32_t s = 0; s < RIDGE_SUBSAMPLES; ++s)
                cover += std::clamp(y + 1.0 - ridge[static_cast<size_t>(x) * RIDGE_SUBSAMPLES + s], 0.0, 1.0);
            cover /= RIDGE_SUBSAMPLES;
            const RgbColour hill = HillColour(layer, x + 0.5, y + 0.5, ridgeY);
            PixelAt(image, x, y) = Mix(PixelAt(image, x, y), hill, cover);
        }
    }
}

// ---------------------------------------------------------------------------------------
// Finish
// ---------------------------------------------------------------------------------------

// Darkens the corners a little to hold the eye in the middle.
void CBackgroundPainter::ApplyVignette(Image& image)
{
    const double halfW = WIDTH / 2.0;
    const double halfH = HEIGHT / 2.0;
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            const double dx = (x + 0.5 - halfW) / halfW;
            const double dy = (y + 0.5 - halfH) / halfH;
            const double fade = 1.0 - VIGNETTE_STRENGTH * 0.5 * (dx * dx + dy * dy);
            PixelAt(image, x, y) = PixelAt(image, x, y) * fade;
        }
    }
}

// Rolls bright channels off towards 1 instead of cutting them flat, so the sun's glow
// keeps its shape where it is brightest.
double CBackgroundPainter::SoftClip(double channel)
{
    if (channel <= SOFT_CLIP_KNEE)
        return channel;
    const double room = 1.0 - SOFT_CLIP_KNEE;
    return SOFT_CLIP_KNEE + room * (1.0 - std::exp(-(channel - SOFT_CLIP_KNEE) / room));
}

// Lifts red and green of a saturated blue until it is safely clear of the key colour.
Rgb8 CBackgroundPainter::KeepClearOfKeyBlue(Rgb8 pixel)
{
    const int32_t redGreen = pixel.red + pixel.green;
    if (pixel.blue <= KEY_BLUE_LIMIT || redGreen >= KEY_BLUE_MIN_RED_GREEN)
        return pixel;
    const int32_t lack = KEY_BLUE_MIN_RED_GREEN - redGreen;
    pixel.red = static_cast<uint8_t>(pixel.red + lack / 2);
    pixel.green = static_cast<uint8_t>(pixel.green + lack - lack / 2);
    return pixel;
}

CCanvas CBackgroundPainter::ToCanvas(const Image& image) const
{
    CCanvas canvas(WIDTH, HEIGHT, Rgb8{});
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            const RgbColour colour = image[static_cast<size_t>(y) * WIDTH + static_cast<size_t>(x)];
            const RgbColour clipped{SoftClip(colour.red), SoftClip(colour.green), SoftClip(colour.blue)};
            canvas.Set(x, y, KeepClearOfKeyBlue(CCanvas::ToPixel(clipped)));
        }
    }
    return canvas;
}
