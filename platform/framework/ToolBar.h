// ToolBar.h — a bar of command buttons at the top of a frame window.
//
// Each button sends one command to the frame, which routes it (see CFrameWindow); a
// separator is a gap between groups of buttons. The bar is not drawn while the program
// runs full-screen: its table of commands is what it contributes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/framework/ChildWindow.h"

class CToolBar : public CChildWindow {
public:
    // A gap between buttons, in a button table.
    static constexpr uint32_t SEPARATOR = 0;

    // Fills the bar from a table of commands and separators. False for an empty table or
    // one of separators only (a bar without buttons is a broken resource).
    bool SetButtons(std::span<const uint32_t> buttons);

    int32_t ButtonCount() const { return static_cast<int32_t>(m_buttons.size()); }
    // The command of button `index` (SEPARATOR for a gap). Throws CFatalError outside the bar.
    uint32_t CommandAt(int32_t index) const;

    // Presses button `index`: its command goes to the frame's routing. True when some
    // target handled it; false for a separator, an unhandled command, or a bar not made.
    bool PressButton(int32_t index);

private:
    std::vector<uint32_t> m_buttons;
};
