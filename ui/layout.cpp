#include "ui/layout.h"

#include "ui/dpi.h"

namespace kelt::ui {

void AnchorLayout::Attach(HWND parent)
{
    parent_ = parent;
    entries_.clear();
    RECT client{};
    if (parent)
        ::GetClientRect(parent, &client);
    initial_ = SIZE{client.right, client.bottom};
    dpi_ = parent ? DpiOf(parent) : 0;
}

void AnchorLayout::FollowScale()
{
    const int dpi = DpiOf(parent_);
    if (dpi_ <= 0 || dpi == dpi_)
        return;
    auto scaled = [&](LONG value) { return static_cast<LONG>(::MulDiv(value, dpi, dpi_)); };
    for (Entry& e : entries_)
        e.rect = RECT{scaled(e.rect.left), scaled(e.rect.top), scaled(e.rect.right), scaled(e.rect.bottom)};
    initial_ = SIZE{scaled(initial_.cx), scaled(initial_.cy)};
    dpi_ = dpi;
}

void AnchorLayout::Add(HWND control, unsigned anchors)
{
    if (!parent_ || !control)
        return;
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);
    entries_.push_back(Entry{control, anchors, rect});
}

void AnchorLayout::Add(int dialogItemId, unsigned anchors)
{
    if (parent_)
        Add(::GetDlgItem(parent_, dialogItemId), anchors);
}

void AnchorLayout::Apply()
{
    if (!parent_ || entries_.empty())
        return;
    FollowScale();
    RECT client;
    ::GetClientRect(parent_, &client);
    const int dx = client.right - initial_.cx;
    const int dy = client.bottom - initial_.cy;
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(entries_.size()));
    for (const Entry& e : entries_) {
        RECT r = e.rect;
        if (e.anchors & akRight) {
            r.right += dx;
            if (!(e.anchors & akLeft))
                r.left += dx;
        }
        if (e.anchors & akBottom) {
            r.bottom += dy;
            if (!(e.anchors & akTop))
                r.top += dy;
        }
        if (r.right < r.left)
            r.right = r.left;
        if (r.bottom < r.top)
            r.bottom = r.top;
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (batch)
            batch = ::DeferWindowPos(batch, e.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
        else
            ::SetWindowPos(e.control, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, flags);
    }
    if (batch)
        ::EndDeferWindowPos(batch);
}

} // namespace kelt::ui
