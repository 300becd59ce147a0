// ProgramOptions.h — what the command line asks of a run of tolmix.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "game/BallSpread.h"
#include "platform/video/DisplayMode.h"

struct ProgramOptions {
    std::optional<DisplayMode> mode;    // a listed mode instead of the dialog
    bool windowed = false;              // a window of the mode's size, not full-screen
    bool waitForRefresh = true;         // flips wait for the display's vertical refresh
    bool headless = false;              // SDL's offscreen driver; no display needed
    uint64_t frames = 0;                // end after this many ticks; 0: until closed
    uint32_t fixedStepMs = 0;           // the clock's step per reading; 0: the real clock
    std::filesystem::path screenshot;   // the last frame, saved at exit; empty: none
    std::filesystem::path record;       // every frame presented, as an animated GIF; empty: none
    bool benchmark = false;             // measure and print one line of figures
    uint64_t loseSurfacesEvery = 0;     // diagnostic: every N-th tick loses the display
    int32_t balls = 0;                  // this many balls in a table lifted for them; 0: the one ball
    uint32_t seed = CBallSpread::DEFAULT_SEED;   // where the balls after the first start
};
