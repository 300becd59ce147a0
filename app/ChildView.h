// ChildView.h — the main frame's view: the pane that fills the frame. Everything visible
// is drawn by the display, so the view paints nothing and handles no commands; it comes
// first in the frame's command route and holds the keyboard focus.
#pragma once

#include "platform/framework/ChildWindow.h"

class CChildView : public CChildWindow {
public:
    // Nothing to paint: the display shows the world's back buffer.
    void OnPaint() override;

protected:
    // A sunken edge instead of the plain border.
    bool PreCreateWindow(ChildWindowStyle& style) override;
};
