// WindowMessage.cpp — the framework's messages as SDL user events.
#include "platform/framework/WindowMessage.h"

#include <cstdint>
#include <string>

#include <SDL.h>

#include "platform/bitmaps/FatalError.h"

namespace {

// The parameter travels in the event's first data pointer, as a number, so that nothing
// needs to outlive the posting (a timer's thread may post after its owner is gone).
void* ParameterAsPointer(uint32_t parameter)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(parameter));
}

} // namespace

bool TryPostWindowMessage(WindowMessage kind, uint32_t windowId, uint32_t parameter) noexcept
{
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    event.user.timestamp = SDL_GetTicks();
    event.user.windowID = windowId;
    event.user.code = static_cast<Sint32>(kind);
    event.user.data1 = ParameterAsPointer(parameter);
    // 1: queued; 0: dropped by a filter; negative: the queue is full or SDL failed.
    return SDL_PushEvent(&event) == 1;
}

void PostWindowMessage(WindowMessage kind, uint32_t windowId, uint32_t parameter)
{
    if (!TryPostWindowMessage(kind, windowId, parameter))
        throw CFatalError(std::string("cannot post a window message: ") + SDL_GetError());
}

bool IsWindowMessage(const SDL_Event& event, WindowMessage kind)
{
    return event.type == SDL_USEREVENT && event.user.code == static_cast<Sint32>(kind);
}

uint32_t MessageWindowId(const SDL_Event& event)
{
    return event.type == SDL_USEREVENT ? event.user.windowID : 0;
}

uint32_t MessageParameter(const SDL_Event& event)
{
    return event.type == SDL_USEREVENT ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event.user.data1)) : 0;
}
