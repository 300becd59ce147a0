// WindowTimer.h — a window's periodic timer: each period a timer message for the window
// joins the event queue, to be handled in turn like any other message.
//
// The timer runs on SDL's timer thread, which only posts the message; the window's
// OnTimer runs on the thread that pumps the queue.
#pragma once

#include <cstdint>

class CWindowTimer {
public:
    // Starts timer `id` of window `windowId` with the period in milliseconds (at least 1).
    // Throws CFatalError when SDL cannot start it.
    CWindowTimer(uint32_t windowId, uint32_t id, uint32_t periodMs);
    // Stops the timer; a message already queued stays queued.
    ~CWindowTimer();

    CWindowTimer(const CWindowTimer&) = delete;
    CWindowTimer& operator=(const CWindowTimer&) = delete;

    uint32_t Id() const { return m_id; }
    uint32_t PeriodMs() const { return m_periodMs; }

private:
    uint32_t m_id;
    uint32_t m_periodMs;
    int m_sdlTimer = 0;
};
