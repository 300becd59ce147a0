// Game.h — the world: the screen, up to 100 objects (or a larger table given at
// construction, for --balls) and the millisecond clock.
//
// Once per frame Tick reads the performance counter, turns it into whole milliseconds,
// stores the time since the previous tick in m_elapsedMs, updates and draws every object
// in table order (deepest first after SortObjects) and presents the frame.
//
// The clock can be stopped (while a dialog is open, the animation is paused or the window
// is hidden): the time until it starts again is left out of the next tick's elapsed time,
// so nothing moves or is counted for it. A tick while it is stopped has an elapsed time of
// 0: every object is drawn where it is (a still frame, whose readout says "Paused"). Stops
// nest; the clock runs once every stop has been matched by a start.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "display/Screen.h"
#include "platform/video/PerformanceCounter.h"

class CGameObject;
class CSprite;
class CSpriteStore;

class CGame {
public:
    static constexpr int32_t MAX_OBJECTS = 100;
    // The largest table a run may ask for (10,000 balls, the background and the paddle).
    static constexpr int32_t MAX_LIFTED_OBJECTS = 10002;

    // Builds the screen (which lists the display modes) and starts the clock. The table
    // holds `capacity` objects: MAX_OBJECTS unless a run lifts it (1 to MAX_LIFTED_OBJECTS).
    // Throws CFatalError when the counter runs slower than 1000 counts a second or the
    // capacity is out of that range.
    explicit CGame(std::unique_ptr<CPerformanceCounter> counter = std::make_unique<CPerformanceCounter>(),
                   int32_t capacity = MAX_OBJECTS);
    virtual ~CGame();

    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    // Appends the object and takes ownership; false (caller keeps it) when the table is full.
    virtual bool AddObject(std::unique_ptr<CGameObject>& object);
    // Sorts the table by depth, largest first (qsort with CompareDepth).
    void SortObjects();
    // The objects' sprites in the order a tick first draws them (table order), each once.
    std::vector<CSprite*> SpritesInDrawOrder() const;
    // One frame: clock, update and draw each object, present.
    virtual void Tick();
    // What was shown is gone: every object draws whole again from its next Draw.
    void Invalidate();

    // Stops and starts the clock (see above).
    void StopClock();
    void StartClock();
    bool IsClockStopped() const { return m_clockStops > 0; }

    // qsort's comparison of two table entries: larger depth first.
    static int CompareDepth(const void* a, const void* b);

    // The screen's sprite store, where objects find and add their pictures.
    CSpriteStore& Sprites() { return *m_pSprites; }
    const CSpriteStore& Sprites() const { return *m_pSprites; }

    int32_t ObjectCount() const { return m_objectCount; }
    int32_t Capacity() const { return static_cast<int32_t>(m_objects.size()); }
    CGameObject* ObjectAt(int32_t index) const { return m_objects[index]; }

    // The screen the objects draw on and the main frame starts, shows and restores.
    CScreen& Screen() { return m_screen; }
    const CScreen& Screen() const { return m_screen; }
    // The last tick's elapsed time and the running total, in milliseconds (see above).
    uint64_t ElapsedMs() const { return m_elapsedMs; }
    uint64_t TotalMs() const { return m_totalMs; }

private:
    friend class CGameInside;   // the tests' one way to set the clock's readings

    CScreen m_screen;
    uint64_t m_elapsedMs = 0;
    uint64_t m_totalMs = 0;
    // The counter now, in whole milliseconds.
    uint64_t NowMs() const;

    CSpriteStore* m_pSprites = nullptr;   // given to the screen, which keeps it
    std::vector<CGameObject*> m_objects;   // owned; raw for qsort; sized once, never grown
    int32_t m_objectCount = 0;
    std::unique_ptr<CPerformanceCounter> m_counter;
    uint64_t m_frequency = 0;
    uint64_t m_lastMs = 0;
    int32_t m_clockStops = 0;
    uint64_t m_stoppedAtMs = 0;
};
