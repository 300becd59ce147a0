// Ball.h — the slowly drifting, spinning ball that bounces off the world's edges.
#pragma once

#include "game/GameObject.h"

class CBall : public CGameObject {
public:
    // The ball's speed from its start, per axis (v³ / 1000 units a second: 1 and 8).
    static constexpr int32_t START_SPEED_X = 10;
    static constexpr int32_t START_SPEED_Y = 20;
    // The ball's width and height in world units.
    static constexpr int32_t SIZE = 100;

    // A 100 × 100 ball centred on (x, y), moved in from the top and left edges if needed.
    CBall(int32_t x, int32_t y, CGame* game, std::string_view name);

    // Starts the spin at frame `phase` modulo the frame count, so that many balls do not
    // all turn in step.
    void StartAtFrame(uint32_t phase);
};
