// BackgroundPainter.h — paints the 640 × 480 background: a dusk sky over layered hills.
//
// The scene is built back to front in floating point: the sky gradient with the glow of
// a low sun, stars that fade where the sky is bright, the sun's disc, thin lit clouds,
// then four ranges of hills, each hazier the farther it is, the nearer ones topped with
// conifers. Its long smooth gradients are what a reduction to a small palette must keep.
#pragma once

#include "Canvas.h"
#include "RgbColour.h"
#include "ValueNoise.h"

#include <cstdint>
#include <vector>

class CBackgroundPainter {
public:
    static constexpr int32_t WIDTH = 640;
    static constexpr int32_t HEIGHT = 480;

    CBackgroundPainter();

    // The finished picture.
    CCanvas Paint() const;

private:
    // One range of hills, described from its ridgeline down.
    struct HillLayer {
        double baseY;           // row around which the ridgeline wanders
        double amplitude;       // how far above baseY the ridge may rise
        double wavelength;      // pixels per noise lattice step along the ridge
        uint32_t seed;          // which ridge
        RgbColour ridgeColour;  // just under the ridgeline
        RgbColour footColour;   // far below it
        double grain;           // strength of the grass and scrub texture
        double haze;            // share of the sky colour mixed in (distance)
        double mist;            // share of valley mist at the foot of the range
        double rimLight;        // strength of the sunlit edge on the ridge
        double treeHeight;      // tallest conifer in pixels, 0 for bare hills
    };

    // A conifer standing on a ridge.
    struct Tree {
        double x;
        double groundY;
        double height;
    };

    using Image = std::vector<RgbColour>;

    // Sky
    RgbColour SkyColour(double x, double y) const;
    RgbColour SunGlow(double x, double y) const;
    void PaintSky(Image& image) const;
    void PaintStars(Image& image) const;
    static void DrawStarDot(Image& image, double x, double y, double sigma, RgbColour light);
    static void DrawStarCross(Image& image, double x, double y, RgbColour light);
    void PaintSunDisc(Image& image) const;
    void PaintClouds(Image& image) const;

    // Hills
    static std::vector<HillLayer> HillLayers();
    std::vector<double> Ridgeline(const HillLayer& layer) const;
    std::vector<Tree> PlantTrees(const HillLayer& layer, const std::vector<double>& ridge) const;
    static double TreeTop(const Tree& tree, double x);
    RgbColour HillColour(const HillLayer& layer, double x, double y, double ridgeY) const;
    void PaintHillLayer(Image& image, const HillLayer& layer) const;

    // Finish
    static void ApplyVignette(Image& image);
    static double SoftClip(double channel);
    static Rgb8 KeepClearOfKeyBlue(Rgb8 pixel);
    CCanvas ToCanvas(const Image& image) const;

    static RgbColour& PixelAt(Image& image, int32_t x, int32_t y);

    CValueNoise m_noise;
};
