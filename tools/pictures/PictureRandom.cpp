// PictureRandom.cpp — xorshift64* with a fixed seed.
#include "PictureRandom.h"

namespace {

// xorshift must never hold an all-zero state; this one replaces a seed of 0.
constexpr uint64_t ZERO_SEED_REPLACEMENT = 0x9E3779B97F4A7C15ull;
constexpr uint64_t OUTPUT_MULTIPLIER = 0x2545F4914F6CDD1Dull;
constexpr double UNIT_SCALE = 1.0 / 16777216.0;  // 2^-24

}  // namespace

CPictureRandom::CPictureRandom(uint64_t seed)
    : m_state(seed != 0 ? seed : ZERO_SEED_REPLACEMENT)
{
}

uint32_t CPictureRandom::NextBits()
{
    m_state ^= m_state >> 12;
    m_state ^= m_state << 25;
    m_state ^= m_state >> 27;
    return static_cast<uint32_t>((m_state * OUTPUT_MULTIPLIER) >> 32);
}

double CPictureRandom::NextUnit()
{
    return static_cast<double>(NextBits() >> 8) * UNIT_SCALE;
}

double CPictureRandom::Uniform(double low, double high)
{
    return low + (high - low) * NextUnit();
}
