#pragma once
// A movable bar between two windows side by side: dragging it reports the width the window
// on its right is to take, within the limits given; the owner lays out. It is a tab stop too:
// with the focus (drawn in the highlight colour) the Left and Right arrow keys move it.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/accessible.h"
#include "ui/window.h"

namespace kelt::ui {

class ColumnSplitter : public Window, private AccessibleSource {
public:
    ColumnSplitter() = default;
    ~ColumnSplitter() override;

    bool CreateIn(HWND parent, int left, int top, int width, int height);
    void SetBounds(int left, int top, int width, int height);

    // Width of the right-hand window when the drag started, and the limits for it.
    void SetRightWidth(int width) { rightWidth_ = width; }
    void SetLimits(int minimum, int maximum);
    // The width the right-hand window asks for after the bar moved `dx` pixels (rightwards
    // positive) from where the drag started.
    int WidthFor(int dx) const;

    std::function<void(int rightWidth)> OnMoved;

    // What assistive technology calls the bar.
    void SetAccessibleTitle(const std::string& title) { title_ = title; }
    // Moves the bar `dx` pixels from where it is, as a drag would.
    void MoveBy(int dx);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    AccessibleSource* Accessibility() override { return this; }

private:
    std::string AccessibleName(int) const override { return title_; }
    long AccessibleRole(int) const override;
    std::string AccessibleValue(int) const override { return std::to_string(rightWidth_); }
    std::string AccessibleDescription(int) const override;

    std::string title_;
    int rightWidth_ = 0;
    int startWidth_ = 0;
    int startX_ = 0;
    int minimum_ = 0;
    int maximum_ = 1 << 20;
    bool dragging_ = false;
};

} // namespace kelt::ui
