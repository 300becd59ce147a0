// GameInside.h — the tests' one way inside CGame: setting the last tick's elapsed time,
// so an object's Update or Draw can be run as a tick of any length would run it.
#pragma once

#include <cstdint>

#include "game/Game.h"

class CGameInside {
public:
    static void SetElapsedMs(CGame& game, uint64_t elapsedMs) { game.m_elapsedMs = elapsedMs; }
};
