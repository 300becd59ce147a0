// WindowMessage.h — the framework's own messages, carried through SDL's event queue.
//
// Besides SDL's events the queue carries three messages of the framework, as SDL user
// events: the quit message that ends an application's loop (with its exit code), a
// window timer's tick (with the timer's id) and a command (with the command's id). Each
// names the window it is for by SDL's window id (0 for the quit message).
#pragma once

#include <cstdint>

union SDL_Event;

enum class WindowMessage : int32_t {
    Quit = 1,      // ends the loop; the parameter is the exit code
    Timer = 2,     // a window timer fired; the parameter is the timer's id
    Command = 3,   // a command for the window; the parameter is the command's id
};

// Puts a message at the end of the queue. Throws CFatalError when the queue refuses it
// (it is full, or a filter dropped the message).
void PostWindowMessage(WindowMessage kind, uint32_t windowId, uint32_t parameter);

// The same without throwing, for SDL's timer thread, where nothing can be thrown: false
// when the queue refused the message.
bool TryPostWindowMessage(WindowMessage kind, uint32_t windowId, uint32_t parameter) noexcept;

// True when the event is the framework's message of that kind.
bool IsWindowMessage(const SDL_Event& event, WindowMessage kind);

// The window and the parameter a framework message carries.
uint32_t MessageWindowId(const SDL_Event& event);
uint32_t MessageParameter(const SDL_Event& event);
