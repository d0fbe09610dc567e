#pragma once
// A label drawn by itself: any text colour (system colours included), optional bold font,
// left / centred / right, on the parent's face colour or a colour of its own. As a link it
// shows the hand cursor, underlines itself while the pointer is over it and raises OnClick; it
// is then a tab stop, and assistive technology reads it as a link (else as static text). With a
// high-contrast theme it draws in the theme's colours.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/accessible.h"
#include "ui/colour.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::ui {

class ColourLabel : public Window, private AccessibleSource {
public:
    enum Alignment { alLeft, alCentre, alRight };

    ColourLabel() = default;
    ~ColourLabel() override;

    bool CreateIn(HWND parent, const std::string& text, int left, int top, int width, int height, int id = 0);

    void SetText(const std::string& text);
    const std::string& Text() const { return text_; }
    void SetTextColour(Colour colour);
    Colour TextColour() const { return textColour_; }
    void SetBackColour(Colour colour);
    void SetBold(bool bold);
    void SetAlignment(Alignment alignment);
    // A link: hand cursor, underline while hot, OnClick on a left click (also Enter/Space
    // when it has the focus).
    void SetLink(bool link);
    bool IsLink() const { return link_; }
    // The width the text needs in the label's font.
    int TextWidth() const;

    std::function<void()> OnClick;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;
    AccessibleSource* Accessibility() override { return this; }

private:
    std::string AccessibleName(int) const override { return text_; }
    long AccessibleRole(int) const override;
    long AccessibleState(int) const override;
    std::string AccessibleDefaultAction(int) const override { return link_ ? "Jump" : std::string(); }
    bool AccessibleDoDefault(int) override;

    void RebuildFonts();
    HFONT CurrentFont() const;

    std::string text_;
    Colour textColour_ = SystemColour(COLOR_BTNTEXT);
    Colour backColour_ = SystemColour(COLOR_BTNFACE);
    bool bold_ = false;
    bool link_ = false;
    bool hot_ = false;
    Alignment alignment_ = alLeft;
    int fontDpi_ = 0;  // the scale the fonts are made for (0: the system's)
    UniqueFont font_;
    UniqueFont hotFont_;
};

} // namespace kelt::ui
