// BallSpread.h — where the extra balls of a --balls run start, and how they move and spin,
// drawn from a seeded generator.
//
// std::mt19937's sequence is fixed by the C++ standard, and the mapping to ranges below is
// this file's own (a distribution's output would differ between standard libraries), so
// one seed gives the same balls, and so the same frames, wherever the program is built.
#pragma once

#include <cstdint>
#include <random>

class CGame;

// One ball's start: its rectangle's top-left corner (the rectangle lies inside the world,
// clear of its edges), its speeds (the first ball's magnitudes, each sign drawn) and a
// number that picks its first animation frame.
struct BallStart {
    int32_t left = 0;
    int32_t top = 0;
    int32_t speedX = 0;
    int32_t speedY = 0;
    uint32_t phase = 0;

    friend bool operator==(const BallStart&, const BallStart&) = default;
};

class CBallSpread {
public:
    static constexpr uint32_t DEFAULT_SEED = 1;
    // The most balls a run may have, the first included.
    static constexpr int32_t MAX_BALLS = 10000;

    explicit CBallSpread(uint32_t seed = DEFAULT_SEED);

    // The next ball's start.
    BallStart Next();

    // Adds `count` balls made from Next to the world. Throws CFatalError when the world's
    // table refuses one (its capacity was not lifted for them).
    void AddBalls(CGame& game, int32_t count);

private:
    // A number from 0 to bound − 1, from the top bits of one draw (bound > 0).
    uint32_t Below(uint32_t bound);
    // +magnitude or −magnitude, from one draw.
    int32_t Signed(int32_t magnitude);

    std::mt19937 m_generator;
};
