#pragma once
// What every self-drawn push button of the program shares: it is hot while the pointer is
// over it, pressed while the left button is held on it, and clicked when the button is
// released over it. The derived button draws itself from Hot() and Pressed() and says what a
// click does.
#include <windows.h>

#include <string>

#include "ui/accessible.h"
#include "ui/window.h"

namespace kelt::ui {

// Assistive technology reads each of these buttons as a push button (its name, whether it is
// available, pressed or focused, the action "Press"); the focus shows as a dotted frame
// unless the user hides focus marks until the keyboard is used.
class FlatButtonBase : public Window, protected AccessibleSource {
public:
    bool Hot() const { return hot_; }
    bool Pressed() const { return pressed_; }

protected:
    // What the button is called: its caption, else its hint.
    virtual std::string ButtonName() const = 0;
    AccessibleSource* Accessibility() override { return this; }
    std::string AccessibleName(int) const override { return ButtonName(); }
    long AccessibleRole(int) const override;
    long AccessibleState(int) const override;
    std::string AccessibleDefaultAction(int) const override { return "Press"; }
    // Clicked from the message loop, as BM_CLICK does.
    bool AccessibleDoDefault(int) override;
    // Whether the focus is to be drawn now.
    bool ShowsFocus() const;

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

// A flat push button with a caption in a colour of its own: no frame until the pointer is over
// it (raised) or it is pressed (sunken). It takes the place of a push button of a dialog
// template (same ID, caption, position, tab order and state) and, like it, tells its parent
// about a click with WM_COMMAND / BN_CLICKED; Space, Enter with the focus and BM_CLICK click it.
class FlatTextButton : public FlatButtonBase {
public:
    FlatTextButton() = default;
    ~FlatTextButton() override;

    // Replaces the template's button `placeholder` (which is destroyed); true when it worked.
    bool Attach(HWND placeholder, COLORREF textColour);
    COLORREF TextColour() const { return colour_; }
    int Id() const { return id_; }
    // What a click does: the parent hears BN_CLICKED (nothing while disabled).
    void Click();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnButtonClick() override { Click(); }
    bool OnPaint() override;
    bool OnEraseBackground(HDC) override { return true; }
    std::string ButtonName() const override;

private:
    COLORREF colour_ = 0;
    int id_ = 0;
    HFONT font_ = nullptr;  // the dialog's, not owned
};

} // namespace kelt::ui
