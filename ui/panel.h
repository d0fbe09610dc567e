#pragma once
// Plain container windows: a panel in the face colour (or a colour of its own) and a group
// panel that draws a group frame with a caption round its children. Both pass the messages
// of their children on like every window of the program (reflection), and paint through an
// off-screen bitmap.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/accessible.h"
#include "ui/colour.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::ui {

class Panel : public Window {
public:
    Panel() = default;
    ~Panel() override;

    bool CreateIn(HWND parent, int left, int top, int width, int height, int id = 0, bool visible = true);
    void SetBounds(int left, int top, int width, int height);
    void SetBackColour(Colour colour);
    // Raised on every size change of the panel.
    std::function<void(int width, int height)> OnResize;
    // Commands of the children the panel itself does not handle go to this handler.
    std::function<bool(int id, int code, HWND control)> OnChildCommand;
    // Colours of a child control (WM_CTLCOLOR*) before the panel's own answer.
    std::function<bool(UINT message, HDC dc, HWND control, LRESULT& result)> OnChildColour;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC dc) override;
    bool OnPaint() override;
    void OnSize(UINT type, int width, int height) override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;

    virtual void PaintContent(HDC dc, const RECT& client);
    // The colour drawn: the panel's own, or the face colour of a high-contrast theme.
    Colour Back() const;

    Colour back_ = SystemColour(COLOR_BTNFACE);
    UniqueBrush brush_;
};

// Assistive technology reads a group panel as a group named by its caption.
class GroupPanel : public Panel, private AccessibleSource {
public:
    void SetCaption(const std::string& caption);
    const std::string& Caption() const { return caption_; }
    // The area inside the frame, in client coordinates.
    RECT InnerRect() const;

protected:
    void PaintContent(HDC dc, const RECT& client) override;
    AccessibleSource* Accessibility() override { return this; }

private:
    std::string AccessibleName(int) const override { return caption_; }
    long AccessibleRole(int) const override;

    std::string caption_;
};

} // namespace kelt::ui
