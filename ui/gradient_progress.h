#pragma once
// A progress bar drawn as a smooth gradient. It answers the progress-bar messages a loader
// sends to a plain HWND: PBM_SETRANGE, PBM_SETRANGE32, PBM_GETRANGE, PBM_SETPOS, PBM_GETPOS,
// PBM_DELTAPOS, PBM_SETSTEP and PBM_STEPIT, with the common control's return values. The
// position always stays inside the range.
#include <windows.h>

#include <string>

#include "ui/accessible.h"
#include "ui/window.h"

namespace kelt::ui {

// Assistive technology reads it as a progress bar whose value is the percentage done, and hears
// of every change of it. With a high-contrast theme it fills plainly in the highlight colour.
class GradientProgress : public Window, private AccessibleSource {
public:
    GradientProgress() = default;
    ~GradientProgress() override;

    bool CreateIn(HWND parent, int left, int top, int width, int height, int id = 0);

    // Colours of the filled part, left end to right end; CLR_INVALID for the system's
    // highlight colours.
    void SetColours(COLORREF from, COLORREF to);
    // The colour of the empty part; CLR_INVALID for the system's window colour.
    void SetTrackColour(COLORREF track);

    int Position() const { return position_; }
    int Minimum() const { return min_; }
    int Maximum() const { return max_; }
    // Filled width (pixels) for a bar `width` wide at the present position.
    int FilledWidth(int width) const;
    // The share done, 0 to 100.
    int Percent() const;
    // What assistive technology calls the bar (its label).
    void SetAccessibleTitle(const std::string& title) { title_ = title; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnEraseBackground(HDC) override { return true; }
    bool OnPaint() override;
    AccessibleSource* Accessibility() override { return this; }

private:
    std::string AccessibleName(int) const override { return title_; }
    long AccessibleRole(int) const override;
    long AccessibleState(int) const override;
    std::string AccessibleValue(int) const override { return std::to_string(Percent()) + "%"; }

    std::string title_;
    int SetPosition(int position);
    LRESULT SetRange(int low, int high);

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int step_ = 10;
    COLORREF from_ = CLR_INVALID;
    COLORREF to_ = CLR_INVALID;
    COLORREF track_ = CLR_INVALID;
};

} // namespace kelt::ui
