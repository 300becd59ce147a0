// Game.cpp — the world's table, clock and tick.
#include "game/Game.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "game/GameObject.h"
#include "platform/bitmaps/FatalError.h"
#include "sprites/SpriteStore.h"

namespace {

constexpr uint64_t MILLISECONDS_PER_SECOND = 1000;

} // namespace

CGame::CGame(std::unique_ptr<CPerformanceCounter> counter, int32_t capacity) : m_counter(std::move(counter))
{
    if (capacity < 1 || capacity > MAX_LIFTED_OBJECTS)
        throw CFatalError("world: a table of " + std::to_string(capacity) + " objects; 1 to " +
                          std::to_string(MAX_LIFTED_OBJECTS) + " are possible");
    // Sized here once: a tick never allocates.
    m_objects.assign(static_cast<size_t>(capacity), nullptr);
    auto sprites = std::make_unique<CSpriteStore>();
    m_pSprites = sprites.get();
    m_screen.KeepSprites(std::move(sprites));
    // Below 1000 counts a second a millisecond would be 0 counts long: no clock at all.
    m_frequency = m_counter->Frequency();
    if (m_frequency < MILLISECONDS_PER_SECOND)
        throw CFatalError("clock: the performance counter runs at " + std::to_string(m_frequency) +
                          " counts a second; at least 1000 are needed");
    m_lastMs = NowMs();
}

// Objects first, through their virtual destructors; the screen goes after them.
CGame::~CGame()
{
    for (int32_t i = 0; i < m_objectCount; ++i)
        delete m_objects[i];
}

// Counts per millisecond first, recomputed each time, as the clock always has.
uint64_t CGame::NowMs() const
{
    const uint64_t counter = m_counter->Counter();
    return counter / (m_frequency / MILLISECONDS_PER_SECOND);
}

bool CGame::AddObject(std::unique_ptr<CGameObject>& object)
{
    if (m_objectCount >= Capacity())
        return false;
    m_objects[m_objectCount++] = object.release();
    return true;
}

int CGame::CompareDepth(const void* a, const void* b)
{
    const int32_t da = (*static_cast<CGameObject* const*>(a))->Depth();
    const int32_t db = (*static_cast<CGameObject* const*>(b))->Depth();
    if (da < db)
        return 1;
    if (da > db)
        return -1;
    return 0;
}

void CGame::SortObjects()
{
    std::qsort(m_objects.data(), static_cast<size_t>(m_objectCount), sizeof(CGameObject*), CompareDepth);
}

std::vector<CSprite*> CGame::SpritesInDrawOrder() const
{
    std::vector<CSprite*> sprites;
    for (int32_t i = 0; i < m_objectCount; ++i) {
        CSprite* sprite = m_objects[i]->Sprite();
        if (sprite != nullptr && std::find(sprites.begin(), sprites.end(), sprite) == sprites.end())
            sprites.push_back(sprite);
    }
    return sprites;
}

void CGame::StopClock()
{
    if (m_clockStops++ == 0)
        m_stoppedAtMs = NowMs();
}

// The stopped time moves the previous tick's reading forward by as much.
void CGame::StartClock()
{
    if (m_clockStops == 0)
        throw CFatalError("clock: started again without having been stopped");
    if (--m_clockStops == 0)
        m_lastMs += NowMs() - m_stoppedAtMs;
}

void CGame::Invalidate()
{
    for (int32_t i = 0; i < m_objectCount; ++i)
        m_objects[i]->Invalidate();
}

void CGame::Tick()
{
    const uint64_t now = IsClockStopped() ? m_lastMs : NowMs();
    m_elapsedMs = now - m_lastMs;
    m_lastMs = now;
    m_totalMs += m_elapsedMs;
    // The count is read again before every step.
    for (int32_t i = 0; i < m_objectCount; ++i) {
        m_objects[i]->Update();
        m_objects[i]->Draw();
    }
    m_screen.Present();
}
