// Paddle.h — the paddle on the bottom edge, animated in place.
#pragma once

#include "game/GameObject.h"

class CPaddle : public CGameObject {
public:
    // The frames of the paddle's picture, unless a user's picture's name gives another count.
    static constexpr int32_t FRAMES = 30;

    CPaddle(CGame* game, std::string_view name);
};
