// SdlEvents.h — SDL's event queue for tests: emptying it, queueing what the system or the
// keyboard would send, and seeing what waits.
#pragma once

#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// Empties SDL's queue, so that a test starts (and leaves) with nothing waiting.
inline void FlushEvents()
{
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

inline void PushEvent(SDL_Event event)
{
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

// An event of the given type with nothing else in it; SDL_QUIT is the system asking the
// program to close.
inline void PushPlain(uint32_t type)
{
    SDL_Event event{};
    event.type = type;
    PushEvent(event);
}

inline void PushQuit()
{
    PushPlain(SDL_QUIT);
}

inline void PushWindowEvent(uint32_t windowId, uint8_t what)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = what;
    PushEvent(event);
}

// A key going down (or, with `down` false, up) as the keyboard would send it.
inline void PushKey(uint32_t windowId, SDL_Keycode key, uint16_t modifiers = KMOD_NONE, bool down = true,
                    uint8_t repeat = 0)
{
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = windowId;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.repeat = repeat;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = modifiers;
    PushEvent(event);
}

// Every queued event, in order, left queued.
inline std::vector<SDL_Event> QueuedEvents()
{
    SDL_PumpEvents();
    std::vector<SDL_Event> events(64);
    const int count = SDL_PeepEvents(events.data(), 64, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    events.resize(static_cast<size_t>(std::max(count, 0)));
    return events;
}
