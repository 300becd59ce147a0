// FrameResources.h — what a frame window is made from: its title, its menu's commands
// and its accelerator keys.
//
// The menu is not drawn (the program runs full-screen); it lists the commands the frame
// offers, each routed like any other command. Accelerators turn key presses into
// commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One item of a drop-down menu and the command it sends.
struct MenuCommand {
    std::string menu;     // the menu's title, e.g. "&Game"
    std::string item;     // the item's text, e.g. "&Start"
    uint32_t command = 0;
};

// Modifier keys an accelerator needs, as bits; either key of a pair counts (left or right
// Ctrl), and Num Lock, Caps Lock and the like are ignored.
constexpr uint16_t ACCELERATOR_CONTROL = 1;
constexpr uint16_t ACCELERATOR_SHIFT = 2;
constexpr uint16_t ACCELERATOR_ALT = 4;

// A key (SDL key code) with exactly these modifiers sends the command.
struct Accelerator {
    int32_t key = 0;
    uint16_t modifiers = 0;
    uint32_t command = 0;
};

struct FrameResources {
    std::string title;
    std::vector<MenuCommand> menu;
    std::vector<Accelerator> accelerators;
};
