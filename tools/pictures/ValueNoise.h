// ValueNoise.h — smooth deterministic noise for ridgelines, clouds and metal grain.
//
// Value noise: a random value at every integer lattice point (from an integer hash of
// the point and a seed, so no table and no state), blended smoothly in between. The
// fractal forms add octaves of halving size for detail at every scale.
#pragma once

#include <cstdint>

class CValueNoise {
public:
    explicit CValueNoise(uint32_t seed);

    // Noise along a line, in [0, 1], one lattice point per unit of x.
    double Value1D(double x) const;

    // Noise over the plane, in [0, 1], one lattice point per unit square.
    double Value2D(double x, double y) const;

    // Sum of `octaves` layers of Value1D, each twice as fine and half as strong, in [0, 1].
    double Fractal1D(double x, int32_t octaves) const;

    // The same over the plane.
    double Fractal2D(double x, double y, int32_t octaves) const;

private:
    // The random value in [0, 1) at lattice point (ix, iy).
    double Lattice(int32_t ix, int32_t iy) const;

    uint32_t m_seed;
};
