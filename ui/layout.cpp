#include "ui/layout.h"

namespace kelt::ui {

void AnchorLayout::Attach(HWND parent)
{
    parent_ = parent;
    entries_.clear();
    RECT client{};
    if (parent)
        ::GetClientRect(parent, &client);
    initial_ = SIZE{client.right, client.bottom};
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
