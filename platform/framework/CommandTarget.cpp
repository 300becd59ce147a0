// CommandTarget.cpp — the table of command handlers.
#include "platform/framework/CommandTarget.h"

#include <algorithm>
#include <utility>

CCommandTarget::CCommandTarget() = default;

CCommandTarget::~CCommandTarget() = default;

bool CCommandTarget::OnCmdMsg(uint32_t command)
{
    const CommandHandler* found = FindHandler(command);
    if (found == nullptr)
        return false;
    found->handler();
    return true;
}

bool CCommandTarget::HasCommandHandler(uint32_t command) const
{
    return FindHandler(command) != nullptr;
}

void CCommandTarget::AddCommandHandler(uint32_t command, std::function<void()> handler)
{
    for (CommandHandler& entry : m_handlers)
        if (entry.command == command) {
            entry.handler = std::move(handler);
            return;
        }
    m_handlers.push_back(CommandHandler{command, std::move(handler)});
}

// A handful of commands at most: a linear search is the simplest and quickest.
const CCommandTarget::CommandHandler* CCommandTarget::FindHandler(uint32_t command) const
{
    const auto found = std::find_if(m_handlers.begin(), m_handlers.end(),
                                    [command](const CommandHandler& entry) { return entry.command == command; });
    return found != m_handlers.end() ? &*found : nullptr;
}
