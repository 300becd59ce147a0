// PictureRandom.h — the generator's own small random number source.
//
// The pictures must come out byte for byte the same on every run, so nothing here reads
// the clock or the system's entropy: a fixed seed gives a fixed sequence (xorshift64*).
#pragma once

#include <cstdint>

class CPictureRandom {
public:
    // A sequence that starts from seed (0 is mapped to a fixed non-zero state).
    explicit CPictureRandom(uint64_t seed);

    // The next 32 random bits.
    uint32_t NextBits();

    // A number in [0, 1) with 24 random bits.
    double NextUnit();

    // A number in [low, high).
    double Uniform(double low, double high);

private:
    uint64_t m_state;
};
