#pragma once
// A movable bar between two windows stacked vertically: dragging it gives the window below
// more or less height and the window above the rest. Default thickness 8 pixels. It is a tab
// stop too: with the focus (drawn in the highlight colour) the Up and Down arrow keys move it.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/accessible.h"
#include "ui/colour.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::ui {

class Splitter : public Window, private AccessibleSource {
public:
    Splitter();
    ~Splitter() override;

    // Creates the bar as a child of `parent` (hidden unless `visible`).
    bool CreateIn(HWND parent, int left, int top, int width, bool visible = true);

    // The windows above and below the bar (siblings of it, not owned).
    void Attach(HWND above, HWND below);

    void SetBounds(int left, int top, int width, int height);
    void SetVisible(bool visible);
    bool IsVisible() const;
    int Thickness() const { return thickness_; }
    void SetThickness(int pixels) { thickness_ = pixels; }
    // Neither window is dragged below this height (unless it started below it).
    void SetMinSize(int pixels) { minSize_ = pixels; }
    int MinSize() const { return minSize_; }

    void SetBackColour(Colour colour);
    Colour BackColour() const { return back_; }

    // The height the window below asks for when the bar has moved `dy` pixels (downwards
    // positive) from where a drag started with heights `above` and `below`.
    int BelowHeightFor(int above, int below, int dy) const;

    // Raised while dragging with the new height of the window below; the owner lays out. Without
    // a handler the bar moves the two windows itself.
    std::function<void(int belowHeight)> OnMoved;

    // Drives a drag as the mouse would (press at y, move to y + dy, release), in client
    // coordinates of the parent. Used by the mouse handlers.
    void BeginDrag(int parentY);
    void DragTo(int parentY);
    void EndDrag();
    bool Dragging() const { return dragging_; }

    // What assistive technology calls the bar.
    void SetAccessibleTitle(const std::string& title) { title_ = title; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC dc) override;
    AccessibleSource* Accessibility() override { return this; }

private:
    std::string AccessibleName(int) const override { return title_; }
    long AccessibleRole(int) const override;
    std::string AccessibleValue(int) const override;
    std::string AccessibleDescription(int) const override;
    bool ShowsFocus() const;

    std::string title_;
    int ParentY(LPARAM lParam) const;
    void MoveAttached(int belowHeight);

    HWND above_ = nullptr;
    HWND below_ = nullptr;
    Colour back_ = 0x8000000F;
    UniqueBrush brush_;
    int thickness_ = 8;
    int minSize_ = 30;
    bool dragging_ = false;
    int startY_ = 0;
    int startAbove_ = 0;
    int startBelow_ = 0;
};

} // namespace kelt::ui
