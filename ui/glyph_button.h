#pragma once
// A flat button that shows only a picture: no frame until the pointer is over it (raised) or
// it is pressed (sunken), a hint, and a click handler. The picture's bottom-left pixel is its
// transparent colour, as toolbar glyphs are drawn. Used for the plug-in bar. It is a tab stop:
// Enter and Space click it, and assistive technology reads its hint as its name.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/handles.h"
#include "ui/flat_button.h"

namespace kelt::ui {

class GlyphButton : public FlatButtonBase {
public:
    GlyphButton() = default;
    ~GlyphButton() override;

    // Creates the button as a visible child of `parent`; true when it exists.
    bool CreateIn(HWND parent, int left, int top, int width, int height);

    // The button keeps its own copy of the picture; the caller keeps `bitmap`.
    void SetGlyph(HBITMAP bitmap);
    HBITMAP Glyph() const { return glyph_.get(); }
    void SetHintText(const std::string& text);
    std::string HintText() const { return hint_; }
    void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
    void SetPosition(int left, int top);
    // Runs the click handler as a click would (unset: nothing).
    void Click();

protected:
    void OnButtonClick() override { Click(); }
    bool OnPaint() override;
    bool OnEraseBackground(HDC) override { return true; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    std::string ButtonName() const override { return hint_; }

private:
    void Paint(HDC dc);

    UniqueBitmap glyph_;
    std::string hint_;
    std::function<void()> onClick_;
};

// A copy of a bitmap (null for null), as a device-independent section of the same depth.
HBITMAP CopyBitmap(HBITMAP bitmap);

} // namespace kelt::ui
