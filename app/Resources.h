// Resources.h — the main frame's resources: its title, command ids, toolbar buttons,
// menu and accelerator keys, the timer and the panes' ids.
#pragma once

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include <SDL.h>

#include "platform/framework/FrameResources.h"
#include "platform/framework/ToolBar.h"

// ---------------------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------------------

// The toolbar's commands: the design's toolbar offers them, but only About has a handler,
// so the others (and their Ctrl keys) do nothing.
constexpr uint32_t COMMAND_CUT = 57635;
constexpr uint32_t COMMAND_COPY = 57634;
constexpr uint32_t COMMAND_PASTE = 57637;
constexpr uint32_t COMMAND_PRINT = 57607;
constexpr uint32_t COMMAND_ABOUT = 57664;        // the application shows the About box
constexpr uint32_t COMMAND_APP_EXIT = 57665;     // the application asks the window to close
constexpr uint32_t COMMAND_GAME_START = 32771;   // "&Game" > "&Start"; does nothing
constexpr uint32_t COMMAND_GAME_PAUSE = 32772;   // the frame stops or resumes the world
constexpr uint32_t COMMAND_VIEW_FULL_SCREEN = 32773;   // the frame switches full-screen / window

// The toolbar: cut, copy, paste | print | about. The frame makes it as the design does, but
// it is never drawn: the animation covers the whole window, so F1 stands for About.
constexpr std::array<uint32_t, 7> TOOLBAR_BUTTONS = {
    COMMAND_CUT, COMMAND_COPY, COMMAND_PASTE, CToolBar::SEPARATOR, COMMAND_PRINT, CToolBar::SEPARATOR, COMMAND_ABOUT};

// ---------------------------------------------------------------------------------------
// Panes and the timer
// ---------------------------------------------------------------------------------------

constexpr uint32_t VIEW_PANE_ID = 59648;      // the first pane of a frame
constexpr uint32_t TOOLBAR_PANE_ID = 59392;   // a frame's toolbar
constexpr uint32_t FRAME_TIMER_ID = 1;
// The design's 10-second timer: its only effect is its message, which the frame's OnTimer
// passes on and nothing acts on, so it changes nothing that is drawn.
constexpr uint32_t FRAME_TIMER_PERIOD_MS = 10000;

// ---------------------------------------------------------------------------------------
// The keys
// ---------------------------------------------------------------------------------------

// A key (SDL key code) pressed with exactly these modifiers.
struct KeyChord {
    int32_t key = 0;   // 0: no chord
    uint16_t modifiers = 0;
};

// The keys that send one command and what --help and the About box say of them: the one
// table both the frame's accelerators and the keys' help are made from.
struct KeyBinding {
    const char* keys;     // as the help lists them; nullptr for a key the help leaves out
    const char* action;
    uint32_t command;
    std::array<KeyChord, 3> chords;
};

// The toolbar's keys are not listed: the toolbar is not drawn and its commands other than
// About have no handler, so they do nothing (F1 stands for the About button).
inline constexpr KeyBinding KEY_BINDINGS[] = {
    {"Escape, Q", "quit", COMMAND_APP_EXIT, {{{SDLK_ESCAPE, 0}, {SDLK_q, 0}}}},
    {"Alt+Enter, F11", "switch between full-screen and a window", COMMAND_VIEW_FULL_SCREEN,
     {{{SDLK_RETURN, ACCELERATOR_ALT}, {SDLK_KP_ENTER, ACCELERATOR_ALT}, {SDLK_F11, 0}}}},
    {"P, Pause", "pause and resume the animation", COMMAND_GAME_PAUSE, {{{SDLK_p, 0}, {SDLK_PAUSE, 0}}}},
    {"F1", "the About box", COMMAND_ABOUT, {{{SDLK_F1, 0}}}},
    {nullptr, nullptr, COMMAND_CUT, {{{SDLK_x, ACCELERATOR_CONTROL}}}},
    {nullptr, nullptr, COMMAND_COPY, {{{SDLK_c, ACCELERATOR_CONTROL}}}},
    {nullptr, nullptr, COMMAND_PASTE, {{{SDLK_v, ACCELERATOR_CONTROL}}}},
    {nullptr, nullptr, COMMAND_PRINT, {{{SDLK_p, ACCELERATOR_CONTROL}}}},
};

// The keys as --help, the manual page and the About box list them: keys, then action.
inline std::vector<std::pair<const char*, const char*>> KeysHelp()
{
    std::vector<std::pair<const char*, const char*>> lines;
    for (const KeyBinding& binding : KEY_BINDINGS)
        if (binding.keys != nullptr)
            lines.emplace_back(binding.keys, binding.action);
    return lines;
}

// ---------------------------------------------------------------------------------------
// The frame
// ---------------------------------------------------------------------------------------

// The title, the menu, and the accelerators of KEY_BINDINGS.
inline FrameResources MainFrameResources()
{
    FrameResources resources{"Tolmix", {MenuCommand{"&Game", "&Start", COMMAND_GAME_START}}, {}};
    for (const KeyBinding& binding : KEY_BINDINGS)
        for (const KeyChord& chord : binding.chords)
            if (chord.key != 0)
                resources.accelerators.push_back(Accelerator{chord.key, chord.modifiers, binding.command});
    return resources;
}
