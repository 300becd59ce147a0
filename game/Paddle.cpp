// Paddle.cpp — the paddle's place and picture.
#include "game/Paddle.h"

#include "sprites/Sprite.h"

CPaddle::CPaddle(CGame* game, std::string_view name) : CGameObject(game, name)
{
    m_rect = Rect{650, 1050, 1050, 1200};   // 400 × 150 units on the bottom edge
    m_depth = 50;
    m_speedX = 0;
    m_speedY = 0;
    m_pSprite = AcquireSprite("Paddle1", FRAMES, 0, KEY_FROM_FIRST_PIXEL, m_rect.Width(), m_rect.Height());
    m_framePeriod = 1;
    m_frameCount = m_pSprite->FrameCount();
}
