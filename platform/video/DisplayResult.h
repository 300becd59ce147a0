// DisplayResult.h — the results the display layer's operations return.
//
// 0 is success. Three other values are tested by the program and answered where they
// arise; every other non-zero value is a failure, whose text the failing object keeps
// (LastError()).
#pragma once

#include <cstdint>

using DisplayResult = uint32_t;

constexpr DisplayResult DISPLAY_OK = 0;
// The blitter or the presentation is busy: repeat the call. The screen waits on it as the
// design's display does, but this layer draws and presents synchronously and never returns
// it, so those waits end at once.
constexpr DisplayResult DISPLAY_STILL_DRAWING = 0x8876021C;
// The surface's memory was taken away: Restore it (and refill it), then repeat.
constexpr DisplayResult DISPLAY_SURFACE_LOST = 0x887601C2;
// A blit refused for its rectangle: passed over.
constexpr DisplayResult DISPLAY_INVALID_RECT = 0x88760096;
// Anything else that went wrong; the object's LastError() says what.
constexpr DisplayResult DISPLAY_FAILED = 0x80004005;
