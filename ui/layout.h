#pragma once
// Anchor layout for resizable windows: each control keeps its distances to the parent's edges
// it is anchored to. Left+right stretches it sideways, right alone moves it with the right
// edge; the same for top/bottom. Record the controls once (after creating them), then call
// Apply from WM_SIZE. When the parent's scale changed since, the recorded places and the
// initial size are scaled with it first.
#include <windows.h>

#include <vector>

namespace kelt::ui {

enum Anchor : unsigned {
    akLeft = 1,
    akTop = 2,
    akRight = 4,
    akBottom = 8,
    akTopLeft = akLeft | akTop,
    akAll = akLeft | akTop | akRight | akBottom,
};

class AnchorLayout {
public:
    // The parent whose client area the controls follow; clears the list.
    void Attach(HWND parent);
    // Records a control with its present position.
    void Add(HWND control, unsigned anchors);
    void Add(int dialogItemId, unsigned anchors);
    // Moves every recorded control for the parent's present client size.
    void Apply();
    // The smallest client size the layout was recorded at (for WM_GETMINMAXINFO).
    SIZE InitialSize() const { return initial_; }

private:
    struct Entry {
        HWND control;
        unsigned anchors;
        RECT rect;  // in the parent's client coordinates at recording time
    };
    void FollowScale();

    HWND parent_ = nullptr;
    int dpi_ = 0;  // the scale the places were recorded at
    SIZE initial_{};
    std::vector<Entry> entries_;
};

} // namespace kelt::ui
