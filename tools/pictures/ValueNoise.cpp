// ValueNoise.cpp — hashed-lattice value noise and its fractal sums.
#include "ValueNoise.h"

#include <cmath>

namespace {

// ---------------------------------------------------------------------------------------
// Hashing and blending
// ---------------------------------------------------------------------------------------

constexpr uint32_t ROW_SPREAD = 0x9E3779B1u;   // golden-ratio multiplier
constexpr uint32_t SEED_SPREAD = 0x85EBCA77u;
constexpr double UNIT_SCALE = 1.0 / 16777216.0;  // 2^-24
// Octaves are offset from one another so their lattice points do not line up.
constexpr double OCTAVE_SHIFT = 17.31;

// A well-mixed 32-bit hash (two multiply-xorshift rounds).
uint32_t Mix32(uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}

// Quintic fade: blends lattice values with no visible creases at the lattice lines.
double Fade(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double Lerp(double a, double b, double t)
{
    return a + (b - a) * t;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CValueNoise
// ---------------------------------------------------------------------------------------

CValueNoise::CValueNoise(uint32_t seed) : m_seed(seed)
{
}

double CValueNoise::Lattice(int32_t ix, int32_t iy) const
{
    // Conversions to uint32_t wrap negative coordinates, which is well defined.
    const uint32_t hash = Mix32(static_cast<uint32_t>(ix) * ROW_SPREAD ^
                                Mix32(static_cast<uint32_t>(iy) + m_seed * SEED_SPREAD));
    return static_cast<double>(hash >> 8) * UNIT_SCALE;
}

double CValueNoise::Value1D(double x) const
{
    const double cell = std::floor(x);
    const auto ix = static_cast<int32_t>(cell);
    return Lerp(Lattice(ix, 0), Lattice(ix + 1, 0), Fade(x - cell));
}

double CValueNoise::Value2D(double x, double y) const
{
    const double cellX = std::floor(x);
    const double cellY = std::floor(y);
    const auto ix = static_cast<int32_t>(cellX);
    const auto iy = static_cast<int32_t>(cellY);
    const double tx = Fade(x - cellX);
    const double top = Lerp(Lattice(ix, iy), Lattice(ix + 1, iy), tx);
    const double bottom = Lerp(Lattice(ix, iy + 1), Lattice(ix + 1, iy + 1), tx);
    return Lerp(top, bottom, Fade(y - cellY));
}

double CValueNoise::Fractal1D(double x, int32_t octaves) const
{
    double sum = 0.0;
    double weight = 1.0;
    double total = 0.0;
    for (int32_t octave = 0; octave < octaves; ++octave) {
        sum += weight * Value1D(x + OCTAVE_SHIFT * octave);
        total += weight;
        x *= 2.0;
        weight *= 0.5;
    }
    return sum / total;
}

double CValueNoise::Fractal2D(double x, double y, int32_t octaves) const
{
    double sum = 0.0;
    double weight = 1.0;
    double total = 0.0;
    for (int32_t octave = 0; octave < octaves; ++octave) {
        const double shift = OCTAVE_SHIFT * octave;
        sum += weight * Value2D(x + shift, y - shift);
        total += weight;
        x *= 2.0;
        y *= 2.0;
        weight *= 0.5;
    }
    return sum / total;
}
