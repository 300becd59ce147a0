// CommandTarget.h — something that commands can be routed to: its own table of command
// handlers, and the routing step that consults it.
//
// A command (a menu item, a toolbar button, an accelerator key) is a number. Windows and
// the application are command targets; a window's routing offers the command to its
// targets in turn until one handles it. Derived classes fill their table once, in their
// constructors:
//
//     AddCommandHandler(ID_APP_ABOUT, [this] { OnAppAbout(); });
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class CCommandTarget {
public:
    CCommandTarget();
    virtual ~CCommandTarget();

    CCommandTarget(const CCommandTarget&) = delete;
    CCommandTarget& operator=(const CCommandTarget&) = delete;

    // Offers the command: runs the handler from the table and returns true, or returns
    // false when the table has none. Windows extend this to route on to other targets.
    virtual bool OnCmdMsg(uint32_t command);

    // Whether the table has a handler for the command (without running it).
    bool HasCommandHandler(uint32_t command) const;

protected:
    // Adds the command's handler to the table; a second handler for the same command
    // replaces the first.
    void AddCommandHandler(uint32_t command, std::function<void()> handler);

private:
    struct CommandHandler {
        uint32_t command;
        std::function<void()> handler;
    };
    // The table's entry for the command, or null.
    const CommandHandler* FindHandler(uint32_t command) const;

    std::vector<CommandHandler> m_handlers;
};
