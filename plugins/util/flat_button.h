#pragma once
// A flat push button with coloured text: no frame until the pointer is over it (raised) or it
// is pressed (sunken). It takes over a BS_OWNERDRAW button of a dialog template; clicks arrive
// as the usual BN_CLICKED.
#include <windows.h>

namespace kelt::plugin {

class FlatButton {
public:
    FlatButton() = default;
    ~FlatButton();
    FlatButton(const FlatButton&) = delete;
    FlatButton& operator=(const FlatButton&) = delete;

    bool Attach(HWND button, COLORREF textColour);
    HWND Handle() const { return button_; }
    COLORREF TextColour() const { return colour_; }
    bool Hot() const { return hot_; }

private:
    static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR data);
    void Draw(const DRAWITEMSTRUCT& item);

    HWND button_ = nullptr;
    COLORREF colour_ = 0;
    bool hot_ = false;
};

} // namespace kelt::plugin
