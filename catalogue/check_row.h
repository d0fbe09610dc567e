#pragma once
// The row of a check-styled item: a real check box (BS_AUTOCHECKBOX) inside a small container
// window. The row draws the box and its caption itself (custom draw), so the text and
// background colours show with every visual style, and it handles the box's notifications
// itself, so it works in any parent window.
#include <functional>

#include "catalogue/set_item.h"
#include "ui/handles.h"

namespace kelt {

class JTCheckRow : public JTRowControl {
public:
    JTCheckRow();
    ~JTCheckRow() override;

    int KindCode() const override { return ikCheckRow; }

    void SetChecked(bool checked);
    bool IsChecked() const { return checked_; }

    // The check box window (null before the row has a parent).
    HWND Box() const { return box_; }
    HWND FocusControl() const override { return box_; }

    // The user toggled the box (mouse or keyboard); IsChecked() already shows the new state.
    std::function<void(JTCheckRow&)> OnToggle;
    // A mouse button went down on the box: VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_XBUTTON1/2.
    std::function<void(JTCheckRow&, int button)> OnMouseDown;

protected:
    void CreateChildren() override;
    void UpdateView() override;
    void OnChildMouse(HWND child, UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnDetached() override;

private:
    LRESULT CustomDraw(NMCUSTOMDRAW& draw);

    HWND box_ = nullptr;
    bool checked_ = false;
};

} // namespace kelt
