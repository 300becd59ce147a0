// ToolBar.cpp — the bar's buttons and what pressing one does.
#include "platform/framework/ToolBar.h"

#include <algorithm>
#include <string>

#include "platform/bitmaps/FatalError.h"
#include "platform/framework/FrameWindow.h"

bool CToolBar::SetButtons(std::span<const uint32_t> buttons)
{
    const bool hasButton = std::any_of(buttons.begin(), buttons.end(), [](uint32_t id) { return id != SEPARATOR; });
    if (!hasButton)
        return false;
    m_buttons.assign(buttons.begin(), buttons.end());
    return true;
}

uint32_t CToolBar::CommandAt(int32_t index) const
{
    if (index < 0 || index >= ButtonCount())
        throw CFatalError("toolbar: no button " + std::to_string(index) + " among " + std::to_string(ButtonCount()));
    return m_buttons[static_cast<size_t>(index)];
}

bool CToolBar::PressButton(int32_t index)
{
    const uint32_t command = CommandAt(index);
    if (command == SEPARATOR || Parent() == nullptr)
        return false;
    return Parent()->OnCmdMsg(command);
}
