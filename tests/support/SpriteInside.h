// SpriteInside.h — the tests' one view inside CSprite: whether its picture has been
// reduced, and the reduction ahead it waits on, which no part of the program reads.
#pragma once

#include <future>

#include "sprites/Sprite.h"

class CSpriteInside {
public:
    static bool Reduced(const CSprite& sprite) { return sprite.m_bReduced; }
    static const std::future<void>& ReducedAhead(const CSprite& sprite) { return sprite.m_reducedAhead; }
};
