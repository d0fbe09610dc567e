#pragma once
// A scrolling container. Children go into Area(), a canvas as large as the contents, and keep
// their positions in its (virtual) coordinates whatever the scroll position: scrolling moves
// the canvas inside a clipping view, so no child ever needs to be repositioned.
//
// The two scroll bars are controls of their own, so they can take the box's background colour
// and a chosen thickness; each appears only while the contents exceed the view that way.
#include <windows.h>

#include <memory>

#include "ui/colour.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::ui {

class ScrollBox : public Window {
public:
    ScrollBox();
    ~ScrollBox() override;

    // Creates the box as a child of `parent` (hidden unless `visible`); true when it exists.
    bool CreateIn(HWND parent, int left, int top, int width, int height, bool visible = true);

    // The window children are placed in, at virtual coordinates (null before creation).
    HWND Area() const;

    void SetBounds(int left, int top, int width, int height);
    void SetVisible(bool visible);
    bool IsVisible() const;
    int Width() const;
    int Height() const;

    // Background of the view, the canvas, the scroll bar tracks and the corner between the bars.
    void SetBackColour(Colour colour);
    Colour BackColour() const { return back_; }
    // Thickness of both scroll bars (15 by default).
    void SetBarSize(int pixels);
    int BarSize() const { return barSize_; }
    // Pixels moved by a scroll bar arrow (8 by default).
    void SetVertIncrement(int pixels) { vertIncrement_ = pixels > 0 ? pixels : 1; }
    void SetHorzIncrement(int pixels) { horzIncrement_ = pixels > 0 ? pixels : 1; }
    int VertIncrement() const { return vertIncrement_; }
    int HorzIncrement() const { return horzIncrement_; }
    // Pixels per wheel notch (120 units of wheel delta); a positive delta scrolls up. Partial
    // notches of fine-grained wheels add up until a whole notch is reached.
    void SetWheelStep(int pixels) { wheelStep_ = pixels; }
    int WheelStep() const { return wheelStep_; }

    // Size of the contents in virtual coordinates.
    void SetExtent(int width, int height);
    // The extent that just holds every visible child of the area.
    void FitExtentToChildren();
    int ExtentWidth() const { return extentWidth_; }
    int ExtentHeight() const { return extentHeight_; }

    // Scroll position (the virtual coordinates shown at the view's top-left corner), clamped.
    void ScrollTo(int x, int y);
    int ScrollX() const { return x_; }
    int ScrollY() const { return y_; }
    // The visible part of the area, without the scroll bars.
    int ViewWidth() const { return viewWidth_; }
    int ViewHeight() const { return viewHeight_; }
    bool VertBarShown() const { return vbarShown_; }
    bool HorzBarShown() const { return hbarShown_; }

    // Scrolls the least needed to show a rectangle given in virtual coordinates (its top-left
    // corner wins when it is larger than the view), or a child of the area.
    void ScrollIntoView(const RECT& rect);
    void ScrollIntoView(HWND child);

    // Handles a wheel delta as WM_MOUSEWHEEL would.
    void Wheel(int delta);

    // The scroll bar controls (null until first needed).
    HWND VertBar() const { return vbar_; }
    HWND HorzBar() const { return hbar_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC dc) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;
    void OnSize(UINT type, int width, int height) override;

private:
    class Pane;

    HWND CreateBar(bool vertical);
    void Layout();
    void ApplyPosition();
    void OnScroll(bool vertical, int code);
    HBRUSH Brush();

    std::unique_ptr<Pane> view_;    // clips the canvas to the visible part
    std::unique_ptr<Pane> canvas_;  // holds the children
    HWND vbar_ = nullptr;
    HWND hbar_ = nullptr;

    Colour back_ = 0x8000000F;
    UniqueBrush brush_;
    COLORREF brushRgb_ = 0;
    int barSize_ = 15;
    int vertIncrement_ = 8;
    int horzIncrement_ = 8;
    int wheelStep_ = 8;
    int wheelRest_ = 0;
    int extentWidth_ = 0;
    int extentHeight_ = 0;
    int x_ = 0;
    int y_ = 0;
    int viewWidth_ = 0;
    int viewHeight_ = 0;
    bool vbarShown_ = false;
    bool hbarShown_ = false;
};

} // namespace kelt::ui
