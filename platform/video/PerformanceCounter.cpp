// PerformanceCounter.cpp — SDL's high-resolution counter.
#include "platform/video/PerformanceCounter.h"

#include <SDL.h>

uint64_t CPerformanceCounter::Frequency() const
{
    return SDL_GetPerformanceFrequency();
}

uint64_t CPerformanceCounter::Counter() const
{
    return SDL_GetPerformanceCounter();
}
