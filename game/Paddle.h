// Paddle.h — the paddle on the bottom edge, animated in place.
#pragma once

#include "game/GameObject.h"

class CPaddle : public CGameObject {
public:
    CPaddle(CGame* game, std::string_view name);
};
