// Ball.cpp — the ball's place, speed and picture.
#include "game/Ball.h"

#include <algorithm>

#include "sprites/Sprite.h"

CBall::CBall(int32_t x, int32_t y, CGame* game, std::string_view name) : CGameObject(game, name)
{
    m_rect.left = std::max(x - SIZE / 2, 0);
    m_rect.top = std::max(y - SIZE / 2, 0);
    m_rect.right = m_rect.left + SIZE;
    m_rect.bottom = m_rect.top + SIZE;
    m_depth = 50;
    m_speedX = START_SPEED_X;
    m_speedY = START_SPEED_Y;
    m_pSprite = AcquireSprite("Ball1", FRAMES, SPRITE_DITHER, KEY_FROM_FIRST_PIXEL, SIZE, SIZE);
    m_framePeriod = 1;
    m_frameCount = m_pSprite->FrameCount();
    m_flags |= OBJ_BOUNCE;
}

void CBall::StartAtFrame(uint32_t phase)
{
    m_frame = m_frameCount > 0 ? static_cast<int32_t>(phase % static_cast<uint32_t>(m_frameCount)) : 0;
}
