// ChildWindow.h — a pane inside a frame window: the view, or a bar of controls.
//
// A child has no SDL window of its own; it lives in its frame's window, takes part in the
// frame's command routing and painting, and can hold the frame's keyboard focus. It is
// made in two steps: construction, then Create under its frame (PreCreateWindow may
// adjust the style first).
#pragma once

#include <cstdint>

#include "platform/framework/CommandTarget.h"

class CFrameWindow;

// How a child is framed. Nothing is drawn for it while the program runs full-screen, but
// the style is kept as asked.
struct ChildWindowStyle {
    bool visible = true;
    bool border = true;        // a thin line around the pane
    bool sunkenEdge = false;   // a sunken 3-D edge around the pane
};

class CChildWindow : public CCommandTarget {
public:
    CChildWindow();
    // Leaves the frame's list of children.
    ~CChildWindow() override;

    // Makes the pane a child of `parent` with the child id. False when PreCreateWindow
    // refuses, when the parent has no window, or when the pane exists already.
    bool Create(CFrameWindow& parent, uint32_t id, const ChildWindowStyle& style = {});
    // Whether Create succeeded and the frame's window still exists.
    bool IsWindow() const { return m_pParent != nullptr; }

    uint32_t Id() const { return m_id; }
    const ChildWindowStyle& Style() const { return m_style; }
    CFrameWindow* Parent() const { return m_pParent; }

    // Gives the frame's keyboard focus to this pane.
    void SetFocus();
    bool HasFocus() const;

    // Paints the pane when its frame is painted; the default draws nothing.
    virtual void OnPaint();

protected:
    // Adjusts the style before the pane is made; false refuses the creation.
    virtual bool PreCreateWindow(ChildWindowStyle& style);

private:
    friend class CFrameWindow;
    // The frame's window went away: the pane goes with it.
    void Detach() { m_pParent = nullptr; }

    CFrameWindow* m_pParent = nullptr;
    uint32_t m_id = 0;
    ChildWindowStyle m_style;
};
