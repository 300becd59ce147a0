// GameObject.h — what every object of the world has: a rectangle in world units, a depth,
// a shared sprite, an animation frame with its timer, cubic-speed motion and an optional
// bounce off the world's edges.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/bitmaps/PixelTypes.h"
#include "platform/bitmaps/Rect.h"

class CGame;
class CSprite;

// Flag bits of m_flags.
constexpr uint32_t OBJ_BOUNCE = 1;   // after moving, point the speed back into the world

class CGameObject {
public:
    static constexpr size_t NAME_SIZE = 20;   // 19 characters and the terminator

    // Names longer than 19 characters are cut to 19.
    CGameObject(CGame* game, std::string_view name);
    virtual ~CGameObject();

    // Draws the current frame of the sprite at the object's rectangle.
    virtual void Draw();
    // What was shown is gone (the window was hidden): the next Draw must not rely on it.
    // The default needs nothing, since every Draw draws the whole object.
    virtual void Invalidate();
    // Advances the animation timer and frame, the motion accumulators and the position,
    // then bounces if OBJ_BOUNCE is set.
    void Update();
    // Sets each speed's sign to point back into the world where the rectangle reaches an edge.
    void Bounce();

    const char* Name() const { return m_name; }
    // Sets the speed on each axis (a speed v moves v³ / 1000 units a second; its sign is
    // the direction).
    void SetSpeed(int32_t x, int32_t y)
    {
        m_speedX = x;
        m_speedY = y;
    }
    // The depth the world sorts its table by (larger first) and the sprite a tick draws.
    int32_t Depth() const { return m_depth; }
    CSprite* Sprite() const { return m_pSprite; }

protected:
    friend class CGameObjectInside;   // the tests' one view of the members below

    int32_t m_depth = 0;
    CSprite* m_pSprite = nullptr;
    char m_name[NAME_SIZE] = {};
    int32_t m_speedX = 0;
    int32_t m_speedY = 0;
    Rect m_rect{};
    uint64_t m_moveAccY = 0;
    uint64_t m_moveAccX = 0;
    uint64_t m_animAcc = 0;
    uint64_t m_framePeriod = 30;
    CGame* m_pGame;
    uint32_t m_flags = 0;
    int32_t m_frame = 0;
    int32_t m_frameCount = 0;

    // The object's picture: the store's sprite of that name, or a new one (with the given
    // frame count, flags and key, loaded at one frame's world size) added to the store.
    CSprite* AcquireSprite(const char* resourceName, int32_t frameCount, uint32_t flags, ColourRef key,
                           int32_t frameWidth, int32_t frameHeight);
};
