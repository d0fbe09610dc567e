#include "ui/side_bar.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>

#include "ui/dpi.h"
#include "ui/hint.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {

const char kSideBarClass[] = "KeltSideBar";
// Runs the default action of an element (wParam) that assistive technology asked for.
const UINT kDoDefaultMessage = WM_USER + 0x51;

const char* const kStyleNames[kSideBarStyleCount] = {
    "Outlook", "FlatOutlook", "OutlookExpress", "Office", "OfficeXP", "Office2000",
    "ToolBox", "FlatToolBox", "ExplorerBar", "ExplorerBarXP", "ExplorerBar2000",
};

enum HeaderShape { hsRaised, hsFlat, hsCaption, hsGradient, hsTab, hsFlatTab, hsRounded, hsRoundedGradient, hsUnderline };
// How a hot or chosen button shows: a 3D edge round the picture, a thin frame round the
// picture, a filled frame over the whole button, a thin edge round the whole row, or a link.
enum ButtonMark { bmPictureEdge, bmPictureFrame, bmFill, bmRowEdge, bmLink };

COLORREF Sys(int index)
{
    return ::GetSysColor(index);
}

void DrawTriangle(HDC dc, int x, int y, int size, bool down, COLORREF colour)
{
    POINT points[3];
    if (down) {
        points[0] = {x, y};
        points[1] = {x + size, y};
        points[2] = {x + size / 2, y + size / 2};
    } else {
        points[0] = {x, y - size / 4};
        points[1] = {x, y + size * 3 / 4};
        points[2] = {x + size / 2, y + size / 4};
    }
    UniqueBrush brush(::CreateSolidBrush(colour));
    UniquePen pen(::CreatePen(PS_SOLID, 1, colour));
    SelectedObject b(dc, brush.get());
    SelectedObject p(dc, pen.get());
    ::Polygon(dc, points, 3);
}

// A double chevron in a circle, as on the folding headers of task panes.
void DrawChevron(HDC dc, const RECT& header, bool collapsed, COLORREF colour, COLORREF circle, int dpi)
{
    const int size = header.bottom - header.top - ScaleFor(6, dpi);
    const int x = header.right - size - ScaleFor(4, dpi);
    const int y = header.top + ScaleFor(3, dpi);
    FillRounded(dc, RECT{x, y, x + size, y + size}, size / 2, circle,
                HighContrast() ? colour : BlendColour(colour, circle, 35));
    UniquePen pen(::CreatePen(PS_SOLID, std::max(1, ScaleFor(1, dpi)), colour));
    SelectedObject p(dc, pen.get());
    const int cx = x + size / 2;
    const int half = std::max(2, size / 5);
    for (int row = 0; row < 2; ++row) {
        const int cy = y + size / 2 + (row == 0 ? -half : 0) + (collapsed ? -half / 2 : half / 2);
        const int dir = collapsed ? 1 : -1;
        POINT line[3] = {{cx - half, cy - dir * half / 2}, {cx, cy + dir * half / 2}, {cx + half + 1, cy - dir * half / 2 - 1}};
        ::Polyline(dc, line, 3);
    }
}

} // namespace

struct SideBar::Look {
    bool stacked = true;
    bool large = true;
    HeaderShape header = hsRaised;
    ButtonMark mark = bmPictureEdge;
    bool boldHeader = false;
    COLORREF back = 0, backTo = 0;
    COLORREF headerFace = 0, headerFaceTo = 0, headerText = 0, headerFrame = 0;
    COLORREF text = 0, hotFill = 0, hotFrame = 0, selFill = 0, selFrame = 0;
    COLORREF panel = CLR_INVALID, panelFrame = CLR_INVALID;
};

const char* SideBarStyleName(int style)
{
    return style >= 0 && style < kSideBarStyleCount ? kStyleNames[style] : "";
}

SideBar::Look SideBar::LookFor(int style)
{
    const COLORREF face = Sys(COLOR_BTNFACE), shadow = Sys(COLOR_3DSHADOW), light = Sys(COLOR_3DHILIGHT);
    const COLORREF window = Sys(COLOR_WINDOW), windowText = Sys(COLOR_WINDOWTEXT), btnText = Sys(COLOR_BTNTEXT);
    const COLORREF highlight = Sys(COLOR_HIGHLIGHT);
    SideBar::Look l;
    l.back = l.backTo = face;
    l.headerFace = l.headerFaceTo = face;
    l.headerText = btnText;
    l.headerFrame = shadow;
    l.text = btnText;
    l.hotFill = l.selFill = face;
    l.hotFrame = light;
    l.selFrame = shadow;
    switch (style) {
    default:
    case sbOutlook:  // dark area, raised headers, white captions, 3D edges round the pictures
        l.back = l.backTo = shadow;
        l.text = RGB(255, 255, 255);
        break;
    case sbFlatOutlook:  // the same area with flat headers and thin frames
        l.header = hsFlat;
        l.mark = bmPictureFrame;
        l.back = l.backTo = BlendColour(shadow, face, 80);
        l.headerFace = BlendColour(face, light, 70);
        l.text = RGB(255, 255, 255);
        l.hotFrame = light;
        l.selFrame = ShadeColour(shadow, -45);
        l.selFill = BlendColour(shadow, face, 55);
        break;
    case sbOutlookExpress:  // white area, caption-coloured headers, highlighted buttons
        l.header = hsCaption;
        l.mark = bmFill;
        l.boldHeader = true;
        l.back = l.backTo = window;
        l.headerFace = Sys(COLOR_ACTIVECAPTION);
        l.headerFaceTo = Sys(COLOR_GRADIENTACTIVECAPTION);
        l.headerText = Sys(COLOR_CAPTIONTEXT);
        l.text = windowText;
        l.hotFill = BlendColour(highlight, window, 12);
        l.hotFrame = BlendColour(highlight, window, 45);
        l.selFill = BlendColour(highlight, window, 25);
        l.selFrame = highlight;
        break;
    case sbOffice:  // face-coloured area with bold raised headers
        l.boldHeader = true;
        l.text = btnText;
        l.selFill = BlendColour(light, face, 60);
        break;
    case sbOfficeXP:  // light area, flat framed headers, tinted hot buttons
        l.header = hsFlat;
        l.mark = bmFill;
        l.back = l.backTo = BlendColour(window, face, 55);
        l.headerFace = face;
        l.text = windowText;
        l.hotFill = BlendColour(highlight, window, 25);
        l.hotFrame = highlight;
        l.selFill = BlendColour(highlight, window, 45);
        l.selFrame = highlight;
        break;
    case sbOffice2000:  // shaded area, gradient headers, thin edges
        l.header = hsGradient;
        l.mark = bmPictureFrame;
        l.boldHeader = true;
        l.back = BlendColour(face, window, 70);
        l.backTo = BlendColour(shadow, face, 45);
        l.headerFace = BlendColour(light, face, 50);
        l.headerFaceTo = BlendColour(shadow, face, 30);
        l.text = btnText;
        l.hotFrame = shadow;
        l.selFill = BlendColour(light, face, 50);
        l.selFrame = ShadeColour(shadow, -30);
        break;
    case sbToolBox:  // small rows under raised tabs
        l.large = false;
        l.header = hsTab;
        l.mark = bmRowEdge;
        l.selFill = BlendColour(light, face, 60);
        break;
    case sbFlatToolBox:  // small rows on white under flat tabs
        l.large = false;
        l.header = hsFlatTab;
        l.mark = bmFill;
        l.back = l.backTo = window;
        l.headerFace = BlendColour(face, window, 70);
        l.text = windowText;
        l.hotFill = BlendColour(highlight, window, 15);
        l.hotFrame = BlendColour(highlight, window, 60);
        l.selFill = BlendColour(highlight, window, 30);
        l.selFrame = highlight;
        break;
    case sbExplorerBar:  // every group open, highlight-coloured rounded headers
        l.stacked = false;
        l.large = false;
        l.header = hsRounded;
        l.mark = bmLink;
        l.boldHeader = true;
        l.back = l.backTo = BlendColour(highlight, window, 22);
        l.headerFace = highlight;
        l.headerText = Sys(COLOR_HIGHLIGHTTEXT);
        l.panel = window;
        l.panelFrame = highlight;
        l.text = LinkColour();
        l.selFill = BlendColour(highlight, window, 18);
        break;
    case sbExplorerBarXP:  // task-pane look: blue gradient, white-to-blue headers, chevrons
        l.stacked = false;
        l.large = false;
        l.header = hsRoundedGradient;
        l.mark = bmLink;
        l.boldHeader = true;
        l.back = BlendColour(highlight, window, 45);
        l.backTo = BlendColour(highlight, window, 72);
        l.headerFace = window;
        l.headerFaceTo = BlendColour(highlight, window, 28);
        l.headerText = BlendColour(highlight, RGB(0, 0, 0), 70);
        l.headerFrame = window;
        l.panel = BlendColour(highlight, window, 12);
        l.panelFrame = window;
        l.text = BlendColour(highlight, RGB(0, 0, 0), 80);
        l.selFill = BlendColour(highlight, window, 25);
        break;
    case sbExplorerBar2000:  // white page, bold titles over a fading rule
        l.stacked = false;
        l.large = false;
        l.header = hsUnderline;
        l.mark = bmLink;
        l.boldHeader = true;
        l.back = l.backTo = window;
        l.headerFace = window;
        l.headerText = windowText;
        l.headerFrame = highlight;
        l.text = LinkColour();
        l.selFill = BlendColour(highlight, window, 15);
        break;
    }
    if (HighContrast()) {
        // The style keeps its shape; every colour is the theme's, in pairs made to be read.
        l.back = l.backTo = window;
        l.headerFace = l.headerFaceTo = face;
        l.headerText = btnText;
        l.headerFrame = btnText;
        l.text = windowText;
        l.hotFill = window;
        l.hotFrame = Sys(COLOR_HOTLIGHT);
        l.selFill = highlight;
        l.selFrame = highlight;
        if (l.panel != CLR_INVALID) {
            l.panel = window;
            l.panelFrame = windowText;
        }
        if (l.header == hsRaised || l.header == hsGradient || l.header == hsCaption)
            l.header = hsFlat;
        l.mark = l.mark == bmLink ? bmLink : bmFill;
    }
    return l;
}

SideBar::SideBar() = default;

SideBar::~SideBar()
{
    Destroy();
}

bool SideBar::CreateIn(HWND parent, int left, int top, int width, int height, int id)
{
    RegisterWindowClass(kSideBarClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, nullptr);
    MakeFonts(DpiOf(parent));
    if (!Create(kSideBarClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, 0, left, top, width, height,
                parent,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
        return false;
    Relayout();
    return true;
}

int SideBar::AddHeader(const std::string& caption)
{
    Header header;
    header.caption = caption;
    headers_.push_back(std::move(header));
    if (active_ < 0)
        active_ = 0;
    Relayout();
    return HeaderCount() - 1;
}

const std::string& SideBar::HeaderCaption(int header) const
{
    static const std::string empty;
    return header >= 0 && header < HeaderCount() ? headers_[header].caption : empty;
}

void SideBar::SetHeaderImages(int header, HIMAGELIST images)
{
    if (header < 0 || header >= HeaderCount())
        return;
    headers_[header].images = images;
    Invalidate();
}

HIMAGELIST SideBar::HeaderImages(int header) const
{
    return header >= 0 && header < HeaderCount() ? headers_[header].images : nullptr;
}

int SideBar::AddButton(int header, SideBarButton button)
{
    if (header < 0 || header >= HeaderCount())
        return -1;
    headers_[header].buttons.push_back(std::move(button));
    Relayout();
    NotifyAccessible(EVENT_OBJECT_REORDER, Handle());
    return static_cast<int>(headers_[header].buttons.size()) - 1;
}

int SideBar::ButtonCount(int header) const
{
    return header >= 0 && header < HeaderCount() ? static_cast<int>(headers_[header].buttons.size()) : 0;
}

const SideBarButton& SideBar::Button(int header, int index) const
{
    return headers_.at(header).buttons.at(index);
}

void SideBar::ClearButtons(int header)
{
    if (header < 0 || header >= HeaderCount())
        return;
    headers_[header].buttons.clear();
    headers_[header].selected = -1;
    hot_ = pressed_ = -1;
    if (focusHeader_ == header)
        focusButton_ = -1;
    Relayout();
    NotifyAccessible(EVENT_OBJECT_REORDER, Handle());
}

void SideBar::SetActiveHeader(int header)
{
    if (header < 0 || header >= HeaderCount() || header == active_)
        return;
    const int previous = active_;
    active_ = header;
    scroll_ = 0;
    hot_ = pressed_ = -1;
    // The keyboard stays on a header whose buttons are folded away.
    if (Stacked() && focusHeader_ >= 0 && focusHeader_ != header)
        focusButton_ = -1;
    Relayout();
    if (Stacked()) {
        if (previous >= 0)
            NotifyAccessible(EVENT_OBJECT_STATECHANGE, Handle(), ElementOf(previous, -1));
        NotifyAccessible(EVENT_OBJECT_STATECHANGE, Handle(), ElementOf(header, -1));
    }
    if (OnHeaderChange)
        OnHeaderChange(header);
}

void SideBar::SelectButton(int header, int index)
{
    if (header < 0 || header >= HeaderCount())
        return;
    Header& h = headers_[header];
    h.selected = index >= 0 && index < static_cast<int>(h.buttons.size()) ? index : -1;
    if (Stacked())
        SetActiveHeader(header);
    else if (h.selected >= 0 && h.collapsed) {
        h.collapsed = false;
        Relayout();
    }
    if (h.selected >= 0) {
        EnsureVisible(header, h.selected);
        NotifyAccessible(EVENT_OBJECT_SELECTION, Handle(), ElementOf(header, h.selected));
    }
    Invalidate();
}

int SideBar::SelectedButton(int header) const
{
    return header >= 0 && header < HeaderCount() ? headers_[header].selected : -1;
}

void SideBar::ClickButton(int header, int index)
{
    if (index < 0 || index >= ButtonCount(header))
        return;
    SelectButton(header, index);
    // A copy: the handler may rebuild this very list.
    std::function<void()> click = headers_[header].buttons[index].onClick;
    if (click)
        click();
}

void SideBar::SetStyle(int style)
{
    style_ = style >= 0 && style < kSideBarStyleCount ? style : sbOutlook;
    scroll_ = 0;
    hot_ = pressed_ = -1;
    Relayout();
}

void SideBar::SetAlignment(int alignment)
{
    alignment_ = alignment == kAlignRight ? kAlignRight : kAlignLeft;
    Invalidate();
}

bool SideBar::Stacked() const
{
    return LookFor(style_).stacked;
}

bool SideBar::LargeIcons() const
{
    return LookFor(style_).large;
}

bool SideBar::HeaderCollapsed(int header) const
{
    return header >= 0 && header < HeaderCount() && headers_[header].collapsed;
}

RECT SideBar::HeaderRect(int header) const
{
    const Part* part = FindPart(pkHeader, header, -1);
    return part ? part->rect : RECT{};
}

RECT SideBar::ButtonRect(int header, int index) const
{
    const Part* part = FindPart(pkButton, header, index);
    return part ? part->rect : RECT{};
}

const SideBar::Part* SideBar::FindPart(PartKind kind, int header, int button) const
{
    for (const Part& part : parts_)
        if (part.kind == kind && part.header == header && (kind != pkButton || part.button == button))
            return &part;
    return nullptr;
}

int SideBar::HeaderHeight() const
{
    WindowDC dc(Handle());
    SelectedObject font(dc.get(), boldFont_.get());
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc.get(), &metrics);
    return metrics.tmHeight + Scale(Stacked() ? 9 : 11);
}

int SideBar::ButtonHeight(HDC dc, const SideBarButton& button, int width) const
{
    TEXTMETRICA metrics{};
    ::GetTextMetricsA(dc, &metrics);
    if (!LargeIcons())
        return std::max<int>(Scale(16), metrics.tmHeight) + Scale(8);
    RECT text{0, 0, std::max(1, width - Scale(8)), 0};
    ::DrawTextA(dc, button.caption.c_str(), static_cast<int>(button.caption.size()), &text,
                DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    const int lines = std::clamp<int>((text.bottom + metrics.tmHeight - 1) / std::max<int>(1, metrics.tmHeight), 1, 2);
    return Scale(6) + Scale(32) + Scale(4) + lines * metrics.tmHeight + Scale(8);
}

void SideBar::Relayout()
{
    parts_.clear();
    if (!Handle())
        return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    WindowDC dc(Handle());
    SelectedObject font(dc.get(), font_.get());
    const int count = HeaderCount();
    const int margin = Scale(Stacked() ? 4 : 10);
    const int gap = Scale(LargeIcons() ? 2 : 1);
    std::vector<Part> buttons;

    if (Stacked()) {
        const int h = HeaderHeight();
        const int active = std::clamp(active_, -1, count - 1);
        for (int i = 0; i <= active; ++i)
            parts_.push_back({pkHeader, i, -1, RECT{0, i * h, client.right, (i + 1) * h}});
        for (int i = count - 1, row = 0; i > active; --i, ++row)
            parts_.push_back({pkHeader, i, -1, RECT{0, client.bottom - (row + 1) * h, client.right, client.bottom - row * h}});
        area_ = RECT{0, (active + 1) * h, client.right, client.bottom - (count - 1 - active) * h};
        if (area_.bottom < area_.top)
            area_.bottom = area_.top;
        contentHeight_ = Scale(6);
        if (active >= 0) {
            const Header& header = headers_[active];
            for (int b = 0; b < static_cast<int>(header.buttons.size()); ++b) {
                const int bh = ButtonHeight(dc.get(), header.buttons[b], client.right - 2 * margin);
                const int top = area_.top + contentHeight_ - scroll_;
                buttons.push_back({pkButton, active, b, RECT{margin, top, client.right - margin, top + bh}});
                contentHeight_ += bh + gap;
            }
        }
        contentHeight_ += Scale(6);
    } else {
        area_ = client;
        const int h = HeaderHeight();
        int y = Scale(10);
        for (int i = 0; i < count; ++i) {
            const Header& header = headers_[i];
            parts_.push_back({pkHeader, i, -1, RECT{margin, y - scroll_, client.right - margin, y + h - scroll_}});
            y += h;
            if (!header.collapsed) {
                const int panelTop = y;
                y += Scale(6);
                for (int b = 0; b < static_cast<int>(header.buttons.size()); ++b) {
                    const int bh = ButtonHeight(dc.get(), header.buttons[b], client.right - 2 * margin);
                    buttons.push_back(
                        {pkButton, i, b, RECT{margin + Scale(4), y - scroll_, client.right - margin - Scale(4), y + bh - scroll_}});
                    y += bh + gap;
                }
                y += Scale(6);
                parts_.push_back({pkPanel, i, -1, RECT{margin, panelTop - scroll_, client.right - margin, y - scroll_}});
            }
            y += Scale(12);
        }
        contentHeight_ = y;
    }
    allButtons_ = buttons;
    // Buttons drawn first, headers over them, scroll arrows on top.
    std::vector<Part> ordered;
    for (const Part& p : parts_)
        if (p.kind == pkPanel)
            ordered.push_back(p);
    for (const Part& p : buttons) {
        RECT visible{};
        if (::IntersectRect(&visible, &p.rect, &area_))
            ordered.push_back(p);
    }
    for (const Part& p : parts_)
        if (p.kind == pkHeader)
            ordered.push_back(p);
    const int arrow = Scale(16);
    if (scroll_ > 0)
        ordered.push_back({pkScrollUp, -1, -1,
                           RECT{area_.right - arrow - Scale(3), area_.top + Scale(3), area_.right - Scale(3), area_.top + Scale(3) + arrow}});
    if (contentHeight_ - scroll_ > area_.bottom - area_.top)
        ordered.push_back({pkScrollDown, -1, -1,
                           RECT{area_.right - arrow - Scale(3), area_.bottom - Scale(3) - arrow, area_.right - Scale(3), area_.bottom - Scale(3)}});
    parts_ = std::move(ordered);
    Invalidate();
}

void SideBar::ClampScroll()
{
    const int room = area_.bottom - area_.top;
    scroll_ = std::clamp(scroll_, 0, std::max(0, contentHeight_ - room));
}

void SideBar::ScrollBy(int pixels)
{
    const int before = scroll_;
    scroll_ += pixels;
    ClampScroll();
    if (scroll_ != before) {
        hot_ = pressed_ = -1;
        Relayout();
    }
}

void SideBar::EnsureVisible(int header, int index)
{
    for (const Part& p : allButtons_) {
        if (p.header == header && p.button == index) {
            ScrollToShow(p.rect);
            return;
        }
    }
}

void SideBar::ScrollToShow(const RECT& rect)
{
    if (rect.top < area_.top)
        scroll_ -= area_.top - rect.top;
    else if (rect.bottom > area_.bottom)
        scroll_ += rect.bottom - area_.bottom;
    else
        return;
    ClampScroll();
    Relayout();
}

void SideBar::Invalidate()
{
    if (Handle())
        ::InvalidateRect(Handle(), nullptr, FALSE);
}

const SideBar::Part* SideBar::PartAt(POINT p) const
{
    for (auto it = parts_.rbegin(); it != parts_.rend(); ++it) {
        if (it->kind == pkPanel)
            continue;
        if (it->kind == pkButton && !::PtInRect(&area_, p))
            continue;
        if (::PtInRect(&it->rect, p))
            return &*it;
    }
    return nullptr;
}

void SideBar::SetHotPart(int hot)
{
    if (hot == hot_)
        return;
    hot_ = hot;
    std::string hint;
    if (hot_ >= 0 && parts_[hot_].kind == pkButton)
        hint = headers_[parts_[hot_].header].buttons[parts_[hot_].button].hint;
    // Pop the old tip so the next one starts from a fresh hover.
    if (HWND tip = HintWindow())
        ::SendMessageA(tip, TTM_POP, 0, 0);
    SetHint(Handle(), hint);
    Invalidate();
}

void SideBar::OnSize(UINT, int, int)
{
    ClampScroll();
    Relayout();
}

void SideBar::MakeFonts(int dpi)
{
    font_.reset(CreateUiFont(FW_NORMAL, 100, false, dpi));
    boldFont_.reset(CreateUiFont(FW_BOLD, 100, false, dpi));
    linkFont_.reset(CreateUiFont(FW_NORMAL, 100, true, dpi));
}

void SideBar::OnDpiChanged(int dpi, const RECT* suggested)
{
    // The owner gives the bar its new width; its rows, pictures and fonts follow here.
    MakeFonts(dpi);
    ClampScroll();
    Relayout();
    Invalidate();
    Window::OnDpiChanged(dpi, suggested);
}

LRESULT SideBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE: {
        if (!tracking_) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
            tracking_ = ::TrackMouseEvent(&track) != FALSE;
        }
        const Part* part = PartAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        SetHotPart(part ? static_cast<int>(part - parts_.data()) : -1);
        return 0;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        SetHotPart(-1);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const Part* part = PartAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        pressed_ = part ? static_cast<int>(part - parts_.data()) : -1;
        // A click also takes the keyboard there.
        if (part && (part->kind == pkHeader || part->kind == pkButton)) {
            focusHeader_ = part->header;
            focusButton_ = part->kind == pkButton ? part->button : -1;
        }
        if (::GetFocus() != Handle())
            ::SetFocus(Handle());
        if (part && (part->kind == pkScrollUp || part->kind == pkScrollDown)) {
            ScrollBy(part->kind == pkScrollUp ? -Scale(40) : Scale(40));
            pressed_ = -1;
            return 0;
        }
        ::SetCapture(Handle());
        Invalidate();
        return 0;
    }
    case WM_LBUTTONUP: {
        const int pressed = pressed_;  // releasing the capture clears it
        if (::GetCapture() == Handle())
            ::ReleaseCapture();
        const Part* part = PartAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        const int released = part ? static_cast<int>(part - parts_.data()) : -1;
        pressed_ = -1;
        Invalidate();
        if (released < 0 || released != pressed)
            return 0;
        const Part hit = parts_[released];
        if (hit.kind == pkHeader || hit.kind == pkButton)
            Activate(Place{hit.header, hit.kind == pkButton ? hit.button : -1});
        return 0;
    }
    case WM_CAPTURECHANGED:
        pressed_ = -1;
        Invalidate();
        return 0;
    case WM_MOUSEWHEEL: {
        const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        ScrollBy(-delta * Scale(40) / WHEEL_DELTA);
        return 0;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        Relayout();
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case kDoDefaultMessage:
        Activate(PlaceOf(static_cast<int>(wParam)));
        return 0;
    case WM_KEYDOWN:
        if (OnKey(wParam))
            return 0;
        break;
    case WM_SETFOCUS:
        if (!HasFocusedPart()) {
            // The chosen button of the open header, else that header.
            const int header = std::max(0, active_);
            if (header < HeaderCount()) {
                focusHeader_ = header;
                focusButton_ = ButtonShown(header) ? headers_[header].selected : -1;
            }
        }
        Invalidate();
        NotifyAccessible(EVENT_OBJECT_FOCUS, Handle(), AccessibleFocus());
        return 0;
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
        Invalidate();
        break;
    case WM_PRINTCLIENT: {
        RECT client{};
        ::GetClientRect(Handle(), &client);
        PaintTo(reinterpret_cast<HDC>(wParam), client);
        return 0;
    }
    default:
        break;
    }
    return Window::HandleMessage(message, wParam, lParam);
}

// ---------------------------------------------------------------- painting

bool SideBar::OnPaint()
{
    BufferedPaint paint(Handle());
    PaintTo(paint.dc(), paint.client());
    return true;
}

void SideBar::PaintTo(HDC dc, const RECT& client)
{
    const Look look = LookFor(style_);
    PaintBackground(dc, client, look);
    for (int i = 0; i < static_cast<int>(parts_.size()); ++i) {
        const Part& part = parts_[i];
        const bool hot = i == hot_ && (pressed_ < 0 || pressed_ == i);
        switch (part.kind) {
        case pkPanel:
            if (look.panel != CLR_INVALID) {
                FillSolid(dc, part.rect, look.panel);
                if (look.panelFrame != CLR_INVALID) {
                    RECT frame = part.rect;
                    FrameSolid(dc, frame, look.panelFrame);
                }
            }
            break;
        case pkButton: {
            const int saved = ::SaveDC(dc);
            ::IntersectClipRect(dc, area_.left, area_.top, area_.right, area_.bottom);
            PaintButton(dc, part, look, hot, pressed_ == i);
            ::RestoreDC(dc, saved);
            break;
        }
        case pkHeader:
            PaintHeader(dc, part, look, hot);
            break;
        case pkScrollUp:
        case pkScrollDown:
            PaintScroll(dc, part);
            break;
        }
    }
    // A rule on the side that faces the content.
    const RECT& c = client;
    RECT rule = alignment_ == kAlignRight ? RECT{0, 0, 1, c.bottom} : RECT{c.right - 1, 0, c.right, c.bottom};
    FillSolid(dc, rule, Sys(COLOR_3DSHADOW));
    // Where the keyboard is, unless the user hides focus marks until the keyboard is used.
    if (::GetFocus() == Handle() && HasFocusedPart() &&
        !(::SendMessageA(Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
        RECT focus = focusButton_ >= 0 ? ButtonRect(focusHeader_, focusButton_) : HeaderRect(focusHeader_);
        if (focus.right > focus.left) {
            ::InflateRect(&focus, -Scale(2), -Scale(2));
            const int saved = ::SaveDC(dc);
            if (focusButton_ >= 0)
                ::IntersectClipRect(dc, area_.left, area_.top, area_.right, area_.bottom);
            ::SetTextColor(dc, RGB(0, 0, 0));
            ::SetBkColor(dc, RGB(255, 255, 255));
            ::DrawFocusRect(dc, &focus);
            ::RestoreDC(dc, saved);
        }
    }
}

void SideBar::PaintBackground(HDC dc, const RECT& client, const Look& look) const
{
    if (look.back == look.backTo)
        FillSolid(dc, client, look.back);
    else
        FillGradient(dc, client, look.back, look.backTo, true);
}

void SideBar::PaintHeader(HDC dc, const Part& part, const Look& look, bool hot) const
{
    RECT r = part.rect;
    const Header& header = headers_[part.header];
    const bool isActive = part.header == active_;
    const bool down = pressed_ >= 0 && parts_[pressed_].kind == pkHeader && parts_[pressed_].header == part.header && hot;
    // Hot headers are tinted; with a high-contrast theme they are framed in the link colour.
    const bool contrast = HighContrast();
    const bool framedHot = contrast && hot;
    if (contrast)
        hot = false;
    SelectedObject font(dc, look.boldHeader ? boldFont_.get() : font_.get());
    UINT textFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    RECT text = r;
    switch (look.header) {
    case hsRaised:
        FillSolid(dc, r, hot ? BlendColour(look.headerFace, Sys(COLOR_3DHILIGHT), 70) : look.headerFace);
        ::DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        textFlags |= DT_CENTER;
        break;
    case hsFlat: {
        FillSolid(dc, r, hot ? BlendColour(look.headerFace, Sys(COLOR_WINDOW), 60) : look.headerFace);
        FrameSolid(dc, r, look.headerFrame);
        textFlags |= DT_CENTER;
        break;
    }
    case hsCaption:
        FillGradient(dc, r, look.headerFace, look.headerFaceTo, false);
        text.left += Scale(8);
        if (hot)
            FrameSolid(dc, r, Sys(COLOR_3DHILIGHT));
        break;
    case hsGradient:
        FillGradient(dc, r, look.headerFace, look.headerFaceTo, true);
        ::DrawEdge(dc, &r, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        textFlags |= DT_CENTER;
        break;
    case hsTab:
    case hsFlatTab: {
        FillSolid(dc, r, hot ? BlendColour(look.headerFace, Sys(COLOR_WINDOW), 60) : look.headerFace);
        if (look.header == hsTab)
            ::DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        else
            FillSolid(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, look.headerFrame);
        const int size = Scale(8);
        DrawTriangle(dc, r.left + Scale(7), (r.top + r.bottom) / 2 - size / 4, size, isActive, look.headerText);
        text.left += Scale(20);
        break;
    }
    case hsRounded:
    case hsRoundedGradient: {
        const int radius = Scale(4);
        HRGN clip = ::CreateRoundRectRgn(r.left, r.top, r.right + 1, r.bottom + radius * 2, radius * 2, radius * 2);
        HRGN square = ::CreateRectRgn(r.left, r.top, r.right, r.bottom);
        ::CombineRgn(clip, clip, square, RGN_AND);
        const int saved = ::SaveDC(dc);
        ::SelectClipRgn(dc, clip);
        if (look.header == hsRounded)
            FillSolid(dc, r, hot ? ShadeColour(look.headerFace, 15) : look.headerFace);
        else
            FillGradient(dc, r, look.headerFace, look.headerFaceTo, false);
        ::RestoreDC(dc, saved);
        ::DeleteObject(square);
        ::DeleteObject(clip);
        text.left += Scale(10);
        text.right -= r.bottom - r.top;
        DrawChevron(dc, r, header.collapsed, look.headerText,
                    look.header == hsRounded ? ShadeColour(look.headerFace, 25) : Sys(COLOR_WINDOW), Dpi());
        break;
    }
    case hsUnderline:
        FillGradient(dc, RECT{r.left, r.bottom - Scale(2), r.right, r.bottom}, look.headerFrame, look.back, false);
        text.left += Scale(2);
        text.right -= r.bottom - r.top;
        DrawChevron(dc, r, header.collapsed, look.headerFrame, look.back, Dpi());
        break;
    }
    COLORREF colour = look.headerText;
    if ((look.header == hsRoundedGradient || look.header == hsUnderline) && hot)
        colour = LinkColour();
    if (down)
        ::OffsetRect(&text, 1, 1);
    DrawTextIn(dc, header.caption, text, colour, textFlags);
    if (framedHot)
        FrameSolid(dc, r, look.hotFrame);
}

void SideBar::PaintButton(HDC dc, const Part& part, const Look& look, bool hot, bool pressed) const
{
    const Header& header = headers_[part.header];
    const SideBarButton& button = header.buttons[part.button];
    const bool selected = header.selected == part.button;
    const RECT r = part.rect;
    const int icon = Scale(LargeIcons() ? 32 : 16);
    RECT mark = r;
    if (LargeIcons() && (look.mark == bmPictureEdge || look.mark == bmPictureFrame)) {
        const int x = (r.left + r.right - icon) / 2 - Scale(4);
        mark = RECT{x, r.top + Scale(2), x + icon + Scale(8), r.top + Scale(2) + icon + Scale(8)};
    }
    const bool down = pressed && hot;
    switch (look.mark) {
    case bmPictureEdge:
        if (selected || down) {
            FillSolid(dc, mark, selected ? BlendColour(look.back, Sys(COLOR_3DHILIGHT), 70) : look.back);
            ::DrawEdge(dc, &mark, EDGE_SUNKEN, BF_RECT);
        } else if (hot) {
            ::DrawEdge(dc, &mark, EDGE_RAISED, BF_RECT);
        }
        break;
    case bmPictureFrame:
        if (selected || down) {
            FillSolid(dc, mark, look.selFill);
            FrameSolid(dc, mark, look.selFrame);
        } else if (hot) {
            FrameSolid(dc, mark, look.hotFrame);
        }
        break;
    case bmFill:
        if (selected || down) {
            FillSolid(dc, mark, look.selFill);
            FrameSolid(dc, mark, look.selFrame);
        } else if (hot) {
            FillSolid(dc, mark, look.hotFill);
            FrameSolid(dc, mark, look.hotFrame);
        }
        break;
    case bmRowEdge:
        if (selected || down) {
            FillSolid(dc, mark, look.selFill);
            ::DrawEdge(dc, &mark, BDR_SUNKENOUTER, BF_RECT);
        } else if (hot) {
            ::DrawEdge(dc, &mark, BDR_RAISEDINNER, BF_RECT);
        }
        break;
    case bmLink:
        if (selected)
            FillRounded(dc, mark, Scale(3), look.selFill, CLR_INVALID);
        break;
    }
    const int shift = down ? 1 : 0;
    const bool linkHot = look.mark == bmLink && hot;
    SelectedObject font(dc, linkHot ? linkFont_.get() : (selected && look.mark == bmLink ? boldFont_.get() : font_.get()));
    COLORREF textColour = linkHot ? LinkColour() : look.text;
    const bool contrast = HighContrast();
    if (contrast && (selected || down))
        textColour = Sys(COLOR_HIGHLIGHTTEXT);
    // Pictures as silhouettes in the text colour where only the theme's colours may show.
    auto picture = [&](int x, int y) {
        if (contrast)
            DrawImageMono(dc, header.images, button.imageIndex, x, y, icon, textColour);
        else
            DrawImage(dc, header.images, button.imageIndex, x, y, icon);
    };
    if (LargeIcons()) {
        const int x = (r.left + r.right - icon) / 2;
        picture(x + shift, r.top + Scale(6) + shift);
        RECT text{r.left + Scale(2), r.top + Scale(6) + icon + Scale(4), r.right - Scale(2), r.bottom - Scale(2)};
        ::OffsetRect(&text, shift, shift);
        DrawTextIn(dc, button.caption, text, textColour, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_END_ELLIPSIS);
    } else {
        const int x = r.left + Scale(4);
        picture(x + shift, (r.top + r.bottom - icon) / 2 + shift);
        RECT text{x + icon + Scale(6), r.top, r.right - Scale(2), r.bottom};
        ::OffsetRect(&text, shift, shift);
        DrawTextIn(dc, button.caption, text, textColour, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

void SideBar::PaintScroll(HDC dc, const Part& part) const
{
    RECT r = part.rect;
    UINT state = part.kind == pkScrollUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN;
    ::DrawFrameControl(dc, &r, DFC_SCROLL, state | DFCS_FLAT);
}

// ---------------------------------------------------------------- keyboard

bool SideBar::ButtonShown(int header) const
{
    if (header < 0 || header >= HeaderCount())
        return false;
    return Stacked() ? header == active_ : !headers_[header].collapsed;
}

std::vector<SideBar::Place> SideBar::KeyboardOrder() const
{
    std::vector<Place> order;
    for (int h = 0; h < HeaderCount(); ++h) {
        order.push_back(Place{h, -1});
        if (ButtonShown(h))
            for (int b = 0; b < ButtonCount(h); ++b)
                order.push_back(Place{h, b});
    }
    return order;
}

bool SideBar::HasFocusedPart() const
{
    return focusHeader_ >= 0 && focusHeader_ < HeaderCount() &&
           (focusButton_ < 0 || (focusButton_ < ButtonCount(focusHeader_) && ButtonShown(focusHeader_)));
}

void SideBar::FocusPart(int header, int button)
{
    if (header < 0 || header >= HeaderCount() || button >= ButtonCount(header))
        return;
    focusHeader_ = header;
    focusButton_ = button < 0 ? -1 : button;
    ScrollToPlace(Place{focusHeader_, focusButton_});
    Invalidate();
    if (::GetFocus() == Handle())
        NotifyAccessible(EVENT_OBJECT_FOCUS, Handle(), AccessibleFocus());
}

void SideBar::ScrollToPlace(Place place)
{
    if (place.button >= 0) {
        EnsureVisible(place.header, place.button);
        return;
    }
    if (Stacked())
        return;
    // Group styles scroll their headers too.
    for (const Part& p : parts_) {
        if (p.kind == pkHeader && p.header == place.header) {
            ScrollToShow(p.rect);
            return;
        }
    }
}

void SideBar::Expand(int header, bool expand)
{
    if (header < 0 || header >= HeaderCount())
        return;
    if (Stacked()) {
        if (expand)
            SetActiveHeader(header);
        return;
    }
    if (headers_[header].collapsed != expand)
        return;
    headers_[header].collapsed = !expand;
    if (!expand && focusHeader_ == header)
        focusButton_ = -1;
    ClampScroll();
    Relayout();
    ClampScroll();
    Relayout();
    NotifyAccessible(EVENT_OBJECT_STATECHANGE, Handle(), ElementOf(header, -1));
}

void SideBar::Activate(Place place)
{
    if (place.header < 0 || place.header >= HeaderCount())
        return;
    if (place.button >= 0) {
        ClickButton(place.header, place.button);  // may rebuild the bar: nothing follows
        return;
    }
    Expand(place.header, Stacked() || headers_[place.header].collapsed);
}

bool SideBar::OnKey(WPARAM key)
{
    const std::vector<Place> order = KeyboardOrder();
    if (order.empty())
        return false;
    int at = 0;
    for (int i = 0; i < static_cast<int>(order.size()); ++i)
        if (order[i].header == focusHeader_ && order[i].button == focusButton_)
            at = i;
    const Place here = order[at];
    // The keyboard is in use: its marks show from now on.
    ::SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    switch (key) {
    case VK_UP:
        FocusPart(order[std::max(0, at - 1)].header, order[std::max(0, at - 1)].button);
        return true;
    case VK_DOWN: {
        const int next = std::min<int>(at + 1, static_cast<int>(order.size()) - 1);
        FocusPart(order[next].header, order[next].button);
        return true;
    }
    case VK_HOME:
        FocusPart(order.front().header, order.front().button);
        return true;
    case VK_END:
        FocusPart(order.back().header, order.back().button);
        return true;
    case VK_LEFT:
        if (here.button >= 0)
            FocusPart(here.header, -1);
        else
            Expand(here.header, false);
        return true;
    case VK_RIGHT:
        if (here.button < 0)
            Expand(here.header, true);
        return true;
    case VK_RETURN:
    case VK_SPACE:
        focusHeader_ = here.header;
        focusButton_ = here.button;
        Activate(here);
        return true;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- assistive technology

int SideBar::ElementOf(int header, int button) const
{
    if (header < 0 || header >= HeaderCount())
        return 0;
    int element = 1;
    for (int h = 0; h < header; ++h)
        element += 1 + ButtonCount(h);
    return element + (button < 0 ? 0 : button + 1);
}

SideBar::Place SideBar::PlaceOf(int element) const
{
    int first = 1;
    for (int h = 0; h < HeaderCount(); ++h) {
        const int last = first + ButtonCount(h);
        if (element >= first && element <= last)
            return Place{h, element == first ? -1 : element - first - 1};
        first = last + 1;
    }
    return Place{-1, -1};
}

int SideBar::AccessibleCount() const
{
    int count = 0;
    for (int h = 0; h < HeaderCount(); ++h)
        count += 1 + ButtonCount(h);
    return count;
}

std::string SideBar::AccessibleName(int element) const
{
    if (element == 0)
        return title_;
    const Place place = PlaceOf(element);
    if (place.header < 0)
        return std::string();
    return place.button < 0 ? headers_[place.header].caption : Button(place.header, place.button).caption;
}

long SideBar::AccessibleRole(int element) const
{
    return element == 0 ? ROLE_SYSTEM_OUTLINE : ROLE_SYSTEM_OUTLINEITEM;
}

long SideBar::AccessibleState(int element) const
{
    if (element == 0)
        return 0;
    const Place place = PlaceOf(element);
    if (place.header < 0)
        return 0;
    long state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (place.button < 0)
        return state | (ButtonShown(place.header) ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED);
    if (!ButtonShown(place.header))
        state |= STATE_SYSTEM_INVISIBLE;
    else if (ButtonRect(place.header, place.button).right <= 0)
        state |= STATE_SYSTEM_OFFSCREEN;
    if (headers_[place.header].selected == place.button)
        state |= STATE_SYSTEM_SELECTED;
    return state;
}

std::string SideBar::AccessibleValue(int element) const
{
    // The level in the tree, as trees tell it.
    if (element == 0)
        return std::string();
    return PlaceOf(element).button < 0 ? "0" : "1";
}

std::string SideBar::AccessibleDescription(int element) const
{
    const Place place = PlaceOf(element);
    if (element == 0 || place.header < 0 || place.button < 0)
        return std::string();
    const std::string& hint = Button(place.header, place.button).hint;
    return hint == Button(place.header, place.button).caption ? std::string() : hint;
}

std::string SideBar::AccessibleDefaultAction(int element) const
{
    const Place place = PlaceOf(element);
    if (element == 0 || place.header < 0)
        return std::string();
    if (place.button >= 0)
        return "Open";
    return ButtonShown(place.header) ? (Stacked() ? std::string() : "Collapse") : "Expand";
}

bool SideBar::AccessibleDoDefault(int element)
{
    const Place place = PlaceOf(element);
    if (element == 0 || place.header < 0 || AccessibleDefaultAction(element).empty())
        return false;
    // Run from the message loop: a button may open a window of its own.
    ::PostMessageA(Handle(), kDoDefaultMessage, static_cast<WPARAM>(element), 0);
    return true;
}

bool SideBar::AccessibleRect(int element, RECT& client) const
{
    const Place place = PlaceOf(element);
    if (place.header < 0)
        return false;
    client = place.button < 0 ? HeaderRect(place.header) : ButtonRect(place.header, place.button);
    return client.right > client.left;
}

int SideBar::AccessibleElementAt(POINT client) const
{
    const Part* part = PartAt(client);
    if (!part || (part->kind != pkHeader && part->kind != pkButton))
        return 0;
    return ElementOf(part->header, part->kind == pkButton ? part->button : -1);
}

int SideBar::AccessibleFocus() const
{
    return HasFocusedPart() ? ElementOf(focusHeader_, focusButton_) : 0;
}

int SideBar::AccessibleSelection() const
{
    const int header = std::max(0, active_);
    if (header >= HeaderCount() || headers_[header].selected < 0)
        return 0;
    return ElementOf(header, headers_[header].selected);
}

bool SideBar::AccessibleSelect(int element, long flags)
{
    const Place place = PlaceOf(element);
    if (place.header < 0)
        return false;
    if (flags & SELFLAG_TAKEFOCUS) {
        ::SetFocus(Handle());
        FocusPart(place.header, place.button);
    }
    if ((flags & SELFLAG_TAKESELECTION) && place.button >= 0)
        SelectButton(place.header, place.button);
    return true;
}

} // namespace kelt::ui
