#pragma once
// What every self-drawn push button of the program shares: it is hot while the pointer is
// over it, pressed while the left button is held on it, and clicked when the button is
// released over it. The derived button draws itself from Hot() and Pressed() and says what a
// click does.
#include <windows.h>

#include "ui/window.h"

namespace kelt::ui {

class FlatButtonBase : public Window {
public:
    bool Hot() const { return hot_; }
    bool Pressed() const { return pressed_; }

protected:
    // Handles the pointer messages; the rest go to Window's dispatch.
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // A finished click of the left button.
    virtual void OnButtonClick() = 0;
    // Forgets hot and pressed (a disabled button is neither).
    void ResetPointerState();

private:
    void SetHot(bool hot);
    bool Inside(LPARAM lParam) const;

    bool hot_ = false;
    bool pressed_ = false;
};

} // namespace kelt::ui
