// Resources.h — the main frame's resources: its title, command ids, toolbar buttons,
// menu and accelerator keys, the timer and the panes' ids.
#pragma once

#include <array>
#include <cstdint>

#include <SDL.h>

#include "platform/framework/FrameResources.h"
#include "platform/framework/ToolBar.h"

// ---------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------

constexpr uint32_t COMMAND_CUT = 57635;
constexpr uint32_t COMMAND_COPY = 57634;
constexpr uint32_t COMMAND_PASTE = 57637;
constexpr uint32_t COMMAND_PRINT = 57607;
constexpr uint32_t COMMAND_ABOUT = 57664;        // the application shows the About box
constexpr uint32_t COMMAND_APP_EXIT = 57665;     // the application asks the window to close
constexpr uint32_t COMMAND_GAME_START = 32771;   // "&Game" > "&Start"; does nothing
constexpr uint32_t COMMAND_GAME_PAUSE = 32772;   // the frame stops or resumes the world
constexpr uint32_t COMMAND_VIEW_FULL_SCREEN = 32773;   // the frame switches full-screen / window

// The toolbar: cut, copy, paste | print | about. Only About has a handler.
constexpr std::array<uint32_t, 7> TOOLBAR_BUTTONS = {
    COMMAND_CUT, COMMAND_COPY, COMMAND_PASTE, CToolBar::SEPARATOR, COMMAND_PRINT, CToolBar::SEPARATOR, COMMAND_ABOUT};

// ---------------------------------------------------------------------------------------
// Panes and the timer
// ---------------------------------------------------------------------------------------

constexpr uint32_t VIEW_PANE_ID = 59648;      // the first pane of a frame
constexpr uint32_t TOOLBAR_PANE_ID = 59392;   // a frame's toolbar
constexpr uint32_t FRAME_TIMER_ID = 1;
constexpr uint32_t FRAME_TIMER_PERIOD_MS = 10000;

// ---------------------------------------------------------------------------------------
// The frame
// ---------------------------------------------------------------------------------------

// The title, the menu, and the keys (the toolbar is not drawn, so F1 stands for its About
// button). KEYS_HELP says the same for --help and the About box.
inline FrameResources MainFrameResources()
{
    return FrameResources{
        "Tolmix",
        {MenuCommand{"&Game", "&Start", COMMAND_GAME_START}},
        {
            Accelerator{SDLK_x, ACCELERATOR_CONTROL, COMMAND_CUT},
            Accelerator{SDLK_c, ACCELERATOR_CONTROL, COMMAND_COPY},
            Accelerator{SDLK_v, ACCELERATOR_CONTROL, COMMAND_PASTE},
            Accelerator{SDLK_p, ACCELERATOR_CONTROL, COMMAND_PRINT},
            Accelerator{SDLK_F1, 0, COMMAND_ABOUT},
            Accelerator{SDLK_ESCAPE, 0, COMMAND_APP_EXIT},
            Accelerator{SDLK_q, 0, COMMAND_APP_EXIT},
            Accelerator{SDLK_RETURN, ACCELERATOR_ALT, COMMAND_VIEW_FULL_SCREEN},
            Accelerator{SDLK_KP_ENTER, ACCELERATOR_ALT, COMMAND_VIEW_FULL_SCREEN},
            Accelerator{SDLK_F11, 0, COMMAND_VIEW_FULL_SCREEN},
            Accelerator{SDLK_p, 0, COMMAND_GAME_PAUSE},
            Accelerator{SDLK_PAUSE, 0, COMMAND_GAME_PAUSE},
        },
    };
}

// The keys, as --help and the About box list them.
inline constexpr const char* KEYS_HELP[][2] = {
    {"Escape, Q", "quit"},
    {"Alt+Enter, F11", "switch between full-screen and a window"},
    {"P, Pause", "pause and resume the animation"},
    {"F1", "the About box"},
};
