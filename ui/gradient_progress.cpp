#include "ui/gradient_progress.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

#include "ui/paint.h"

namespace kelt::ui {

namespace {
const char kProgressClass[] = "KeltGradientProgress";
}

GradientProgress::~GradientProgress()
{
    Destroy();
}

bool GradientProgress::CreateIn(HWND parent, int left, int top, int width, int height, int id)
{
    RegisterWindowClass(kProgressClass, CS_HREDRAW | CS_VREDRAW, nullptr);
    return Create(kProgressClass, "", WS_CHILD | WS_VISIBLE, 0, left, top, width, height, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void GradientProgress::SetColours(COLORREF from, COLORREF to)
{
    from_ = from;
    to_ = to;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

void GradientProgress::SetTrackColour(COLORREF track)
{
    track_ = track;
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

int GradientProgress::FilledWidth(int width) const
{
    const long long span = static_cast<long long>(max_) - min_;
    if (span <= 0 || width <= 0)
        return 0;
    return static_cast<int>((static_cast<long long>(position_) - min_) * width / span);
}

int GradientProgress::Percent() const
{
    return FilledWidth(100);
}

long GradientProgress::AccessibleRole(int) const
{
    return ROLE_SYSTEM_PROGRESSBAR;
}

long GradientProgress::AccessibleState(int) const
{
    return STATE_SYSTEM_READONLY;
}

int GradientProgress::SetPosition(int position)
{
    const int previous = position_;
    const int before = Percent();
    position_ = std::clamp(position, min_, std::max(min_, max_));
    if (position_ != previous && Handle()) {
        ::InvalidateRect(Handle(), nullptr, FALSE);
        // Readers hear the percentage, so only its changes are told.
        if (Percent() != before)
            NotifyAccessible(EVENT_OBJECT_VALUECHANGE, Handle());
    }
    return previous;
}

LRESULT GradientProgress::SetRange(int low, int high)
{
    const LRESULT previous = MAKELRESULT(static_cast<WORD>(min_), static_cast<WORD>(max_));
    min_ = low;
    max_ = high;
    SetPosition(position_);
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
    return previous;
}

LRESULT GradientProgress::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case PBM_SETRANGE:
        return SetRange(LOWORD(lParam), HIWORD(lParam));
    case PBM_SETRANGE32:
        return SetRange(static_cast<int>(wParam), static_cast<int>(lParam));
    case PBM_GETRANGE:
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = min_;
            range->iHigh = max_;
        }
        return wParam ? min_ : max_;
    case PBM_SETPOS:
        return SetPosition(static_cast<int>(wParam));
    case PBM_GETPOS:
        return position_;
    case PBM_DELTAPOS:
        return SetPosition(position_ + static_cast<int>(wParam));
    case PBM_SETSTEP: {
        const int previous = step_;
        step_ = static_cast<int>(wParam);
        return previous;
    }
    case PBM_STEPIT: {
        // Like the common control: stepping past the end wraps to the start.
        int next = position_ + step_;
        if (next > max_)
            next = min_ + (next - max_);
        return SetPosition(next);
    }
    default:
        return Window::HandleMessage(message, wParam, lParam);
    }
}

bool GradientProgress::OnPaint()
{
    BufferedPaint paint(Handle());
    HDC dc = paint.dc();
    RECT r = paint.client();
    FillSolid(dc, r, track_ == CLR_INVALID ? ::GetSysColor(COLOR_WINDOW) : track_);
    ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF from = from_ == CLR_INVALID ? ShadeColour(highlight, 55) : from_;
    const COLORREF to = to_ == CLR_INVALID ? highlight : to_;
    const int inner = r.right - r.left;
    const int filled = FilledWidth(inner);
    if (HighContrast()) {
        FillSolid(dc, r, ::GetSysColor(COLOR_WINDOW));
        FillSolid(dc, RECT{r.left, r.top, r.left + filled, r.bottom}, highlight);
    } else if (filled > 0) {
        // The gradient spans the whole bar, so the colour at a spot does not change as it fills.
        RECT full{r.left, r.top, r.right, r.bottom};
        HRGN clip = ::CreateRectRgn(r.left, r.top, r.left + filled, r.bottom);
        ::SelectClipRgn(dc, clip);
        FillGradient(dc, full, from, to, false);
        // A soft gloss on the upper half.
        RECT gloss{r.left, r.top, r.right, r.top + (r.bottom - r.top) / 2};
        FillGradient(dc, gloss, ShadeColour(from, 45), ShadeColour(to, 35), false);
        ::SelectClipRgn(dc, nullptr);
        ::DeleteObject(clip);
    }
    return true;
}

} // namespace kelt::ui
