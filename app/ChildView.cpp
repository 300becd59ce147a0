// ChildView.cpp — the view's style and its (empty) painting.
#include "app/ChildView.h"

void CChildView::OnPaint() {}

bool CChildView::PreCreateWindow(ChildWindowStyle& style)
{
    if (!CChildWindow::PreCreateWindow(style))
        return false;
    style.sunkenEdge = true;
    style.border = false;
    return true;
}
