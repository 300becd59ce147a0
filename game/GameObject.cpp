// GameObject.cpp — animation timing, cubic-speed motion, bounce and drawing.
#include "game/GameObject.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "display/Screen.h"
#include "game/Game.h"
#include "sprites/Sprite.h"
#include "sprites/SpriteStore.h"

namespace {

// A speed v stands for v³ / 1000 units a second: v³ × milliseconds / 1,000,000 units.
constexpr int64_t STEP_DIVISOR = 1000000;

// The whole units due after `accumulated` milliseconds at speed v, truncated toward zero.
// t is the accumulator's low 32 bits as a signed value, as the clock has always been read.
// The product is formed in 128 bits, where 32 would overflow after a long pause (and 64
// for speeds above about 1600); a step beyond the 32-bit range is held at its edge.
int32_t StepFor(int32_t speed, uint64_t accumulated)
{
    const __int128 t = static_cast<int32_t>(static_cast<uint32_t>(accumulated));
    const __int128 v = speed;
    const __int128 step = v * v * v * t / STEP_DIVISOR;
    return static_cast<int32_t>(std::clamp<__int128>(step, INT32_MIN, INT32_MAX));
}

} // namespace

CGameObject::CGameObject(CGame* game, std::string_view name) : m_pGame(game)
{
    const size_t length = std::min(name.size(), NAME_SIZE - 1);
    std::copy_n(name.data(), length, m_name);
}

CGameObject::~CGameObject() = default;

CSprite* CGameObject::AcquireSprite(const char* resourceName, int32_t frameCount, uint32_t flags, ColourRef key,
                                    int32_t frameWidth, int32_t frameHeight)
{
    CSpriteStore& store = m_pGame->Sprites();
    if (CSprite* shared = store.Find(resourceName))
        return shared;
    auto sprite = std::make_unique<CSprite>(m_pGame, resourceName);
    sprite->SetFrameCount(frameCount);
    sprite->SetFlags(flags);
    sprite->SetKeyColour(key);
    sprite->Load(resourceName, frameWidth, frameHeight);
    CSprite* added = sprite.get();
    store.Add(std::move(sprite));
    return added;
}

void CGameObject::Invalidate() {}

void CGameObject::Draw()
{
    m_pSprite->Blit(m_rect, m_frame);
}

void CGameObject::Update()
{
    const uint64_t elapsed = m_pGame->ElapsedMs();

    // Animation: at most one frame a tick; the excess time is dropped, not carried.
    if (m_pSprite->FrameCount() > 1) {
        m_animAcc += elapsed;
        if (m_animAcc > m_framePeriod) {
            m_animAcc = 0;
            if (++m_frame >= m_frameCount)
                m_frame = 0;
        }
    }

    // Motion: a step is taken once it is at least one unit; the fraction due is dropped.
    m_moveAccX += elapsed;
    m_moveAccY += elapsed;
    const int32_t dx = StepFor(m_speedX, m_moveAccX);
    const int32_t dy = StepFor(m_speedY, m_moveAccY);
    if (dx != 0) {
        m_rect.left += dx;
        m_rect.right += dx;
        m_moveAccX = 0;
    }
    if (dy != 0) {
        m_rect.top += dy;
        m_rect.bottom += dy;
        m_moveAccY = 0;
    }

    if (m_flags & OBJ_BOUNCE)
        Bounce();
}

// Four tests in this order, each on what the ones before left: an object beyond two
// opposite edges ends heading right (or down).
void CGameObject::Bounce()
{
    if (m_rect.right >= WORLD_WIDTH)
        m_speedX = -std::abs(m_speedX);
    if (m_rect.bottom >= WORLD_HEIGHT)
        m_speedY = -std::abs(m_speedY);
    if (m_rect.left <= 0)
        m_speedX = std::abs(m_speedX);
    if (m_rect.top <= 0)
        m_speedY = std::abs(m_speedY);
}
