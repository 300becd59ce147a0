// WindowTimer.cpp — SDL timers that post timer messages.
#include "platform/framework/WindowTimer.h"

#include <string>

#include <SDL.h>

#include "platform/bitmaps/FatalError.h"
#include "platform/framework/WindowMessage.h"

namespace {

// What the timer thread needs, packed into the callback's pointer as a number, so that
// the callback never reads memory its owner may already have freed (SDL_RemoveTimer does
// not wait for a callback that is running).
void* PackTimer(uint32_t windowId, uint32_t id)
{
    return reinterpret_cast<void*>((static_cast<uintptr_t>(windowId) << 32) | id);
}

// Runs on SDL's timer thread: posts the message and asks for the same period again. A
// full queue drops this one tick; the next period tries again.
Uint32 PostTimerMessage(Uint32 periodMs, void* packed)
{
    const auto bits = reinterpret_cast<uintptr_t>(packed);
    TryPostWindowMessage(WindowMessage::Timer, static_cast<uint32_t>(bits >> 32), static_cast<uint32_t>(bits));
    return periodMs;
}

} // namespace

static_assert(sizeof(uintptr_t) >= 8, "a timer packs two 32-bit numbers into a pointer");

CWindowTimer::CWindowTimer(uint32_t windowId, uint32_t id, uint32_t periodMs)
    : m_id(id), m_periodMs(periodMs)
{
    if (periodMs == 0)
        throw CFatalError("timer " + std::to_string(id) + ": a period of 0 ms");
    // The timer subsystem is counted by SDL: each timer holds it for as long as it lives.
    if (SDL_InitSubSystem(SDL_INIT_TIMER) != 0)
        throw CFatalError(std::string("cannot start SDL's timers: ") + SDL_GetError());
    m_sdlTimer = SDL_AddTimer(periodMs, PostTimerMessage, PackTimer(windowId, id));
    if (m_sdlTimer == 0) {
        const std::string why = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_TIMER);
        throw CFatalError("cannot start timer " + std::to_string(id) + ": " + why);
    }
}

CWindowTimer::~CWindowTimer()
{
    SDL_RemoveTimer(m_sdlTimer);
    SDL_QuitSubSystem(SDL_INIT_TIMER);
}
