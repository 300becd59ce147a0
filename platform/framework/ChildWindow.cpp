// ChildWindow.cpp — panes inside a frame window.
#include "platform/framework/ChildWindow.h"

#include "platform/framework/FrameWindow.h"

CChildWindow::CChildWindow() = default;

CChildWindow::~CChildWindow()
{
    if (m_pParent != nullptr)
        m_pParent->RemoveChild(this);
}

bool CChildWindow::Create(CFrameWindow& parent, uint32_t id, const ChildWindowStyle& style)
{
    if (m_pParent != nullptr || !parent.IsWindow())
        return false;
    ChildWindowStyle adjusted = style;
    if (!PreCreateWindow(adjusted))
        return false;
    m_style = adjusted;
    m_id = id;
    m_pParent = &parent;
    parent.AddChild(this);
    return true;
}

void CChildWindow::SetFocus()
{
    if (m_pParent != nullptr)
        m_pParent->SetFocusedChild(this);
}

bool CChildWindow::HasFocus() const
{
    return m_pParent != nullptr && m_pParent->FocusedChild() == this;
}

void CChildWindow::OnPaint() {}

bool CChildWindow::PreCreateWindow(ChildWindowStyle&)
{
    return true;
}
