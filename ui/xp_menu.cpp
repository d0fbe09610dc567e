#include "ui/xp_menu.h"

#include <oleacc.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ui/dpi.h"
#include "ui/handles.h"
#include "ui/paint.h"

namespace kelt::ui {

namespace {

const UINT_PTR kXpMenuSubclassId = 0x584D;  // 'XM'

// What the drawing needs of an item; its address is the item's data while it is drawn. The
// item keeps its text too, and the data starts with the text in the form assistive technology
// looks for in the data of a drawn item.
struct XpItem {
    MSAAMENUINFO msaa{};    // must come first
    std::wstring wideText;
    HMENU menu = nullptr;
    UINT id = 0;
    std::string text;
    bool separator = false;
    bool bar = false;       // an item of a menu bar
    ULONG_PTR data = 0;     // the item's own data, put back when the drawing is switched off
};

struct Image {
    HIMAGELIST images = nullptr;
    int index = -1;
};

std::map<HMENU, std::vector<std::unique_ptr<XpItem>>>& Items()
{
    static std::map<HMENU, std::vector<std::unique_ptr<XpItem>>> items;
    return items;
}

std::set<const XpItem*>& Known()
{
    static std::set<const XpItem*> known;
    return known;
}

std::map<UINT, Image>& Images()
{
    static std::map<UINT, Image> images;
    return images;
}

const XpItem* ItemOf(ULONG_PTR data)
{
    const auto* item = reinterpret_cast<const XpItem*>(data);
    return Known().count(item) ? item : nullptr;
}

bool IsMenuBar(HWND owner, HMENU menu)
{
    return owner && ::GetMenu(owner) == menu && !(::GetWindowLongA(owner, GWL_STYLE) & WS_CHILD);
}

std::string ItemText(HMENU menu, UINT position)
{
    char buffer[512] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = buffer;
    info.cch = sizeof buffer - 1;
    if (!::GetMenuItemInfoA(menu, position, TRUE, &info))
        return std::string();
    return std::string(buffer);
}

void Forget(HMENU menu)
{
    auto found = Items().find(menu);
    if (found == Items().end())
        return;
    for (auto& item : found->second)
        Known().erase(item.get());
    Items().erase(found);
}

void Apply(HMENU menu, bool on, bool bar)
{
    const int count = ::GetMenuItemCount(menu);
    // Items already converted keep the record they were converted with.
    std::vector<std::unique_ptr<XpItem>> previous;
    auto found = Items().find(menu);
    if (found != Items().end()) {
        previous = std::move(found->second);
        Items().erase(found);
    }
    std::vector<std::unique_ptr<XpItem>> records;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        if (!::GetMenuItemInfoA(menu, position, TRUE, &info))
            continue;
        if (info.hSubMenu)
            Apply(info.hSubMenu, on, false);
        const XpItem* mine = nullptr;
        for (const auto& p : previous)
            if (reinterpret_cast<ULONG_PTR>(p.get()) == info.dwItemData)
                mine = p.get();
        if (on) {
            auto record = std::make_unique<XpItem>();
            record->menu = menu;
            record->id = info.wID;
            record->separator = (info.fType & MFT_SEPARATOR) != 0;
            record->bar = bar;
            record->text = mine ? mine->text : ItemText(menu, position);
            record->data = mine ? mine->data : info.dwItemData;
            if (!record->separator && !record->text.empty()) {
                const int length = ::MultiByteToWideChar(CP_ACP, 0, record->text.c_str(), -1, nullptr, 0);
                record->wideText.assign(static_cast<std::size_t>(std::max(length, 1)), L'\0');
                ::MultiByteToWideChar(CP_ACP, 0, record->text.c_str(), -1, &record->wideText[0], length);
                record->msaa.dwMSAASignature = MSAA_MENU_SIG;
                record->msaa.cchWText = static_cast<DWORD>(record->wideText.size() - 1);
                record->msaa.pszWText = &record->wideText[0];
            }
            MENUITEMINFOA change{};
            change.cbSize = sizeof change;
            // The text stays with the item (readers that ask the menu for it find it).
            change.fMask = MIIM_FTYPE | MIIM_DATA | (record->separator ? 0 : MIIM_STRING);
            change.fType = info.fType | MFT_OWNERDRAW;
            change.dwItemData = reinterpret_cast<ULONG_PTR>(record.get());
            change.dwTypeData = const_cast<char*>(record->text.c_str());
            Known().insert(record.get());
            ::SetMenuItemInfoA(menu, position, TRUE, &change);
            records.push_back(std::move(record));
        } else if (info.fType & MFT_OWNERDRAW) {
            if (!mine)
                continue;  // drawn by someone else: leave it alone
            MENUITEMINFOA change{};
            change.cbSize = sizeof change;
            change.fMask = MIIM_FTYPE | MIIM_DATA | (mine->separator ? 0 : MIIM_STRING);
            change.fType = info.fType & ~MFT_OWNERDRAW;
            change.dwItemData = mine->data;
            change.dwTypeData = const_cast<char*>(mine->text.c_str());
            ::SetMenuItemInfoA(menu, position, TRUE, &change);
        }
    }
    for (auto& p : previous)
        Known().erase(p.get());
    if (on)
        Items()[menu] = std::move(records);
}

// The text before and after the tab (the shortcut).
void SplitText(const std::string& text, std::string& label, std::string& shortcut)
{
    const std::size_t tab = text.find('\t');
    label = text.substr(0, tab);
    shortcut = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

int GutterWidth(int dpi)
{
    return ScaleFor(16, dpi) + ScaleFor(10, dpi);
}

void Measure(HWND owner, MEASUREITEMSTRUCT& measure, const XpItem& item)
{
    const int dpi = DpiOf(owner);
    auto Scale = [dpi](int pixels) { return ScaleFor(pixels, dpi); };
    if (item.separator) {
        measure.itemHeight = Scale(7);
        measure.itemWidth = Scale(20);
        return;
    }
    HDC dc = ::GetDC(owner);
    SelectedObject font(dc, DefaultFontFor(dpi));
    std::string label, shortcut;
    SplitText(item.text, label, shortcut);
    RECT labelSize{}, shortcutSize{};
    ::DrawTextA(dc, label.c_str(), -1, &labelSize, DT_CALCRECT | DT_SINGLELINE);
    if (!shortcut.empty())
        ::DrawTextA(dc, shortcut.c_str(), -1, &shortcutSize, DT_CALCRECT | DT_SINGLELINE);
    ::ReleaseDC(owner, dc);
    if (item.bar) {
        measure.itemWidth = labelSize.right + Scale(8);
        measure.itemHeight = std::max<int>(SystemMetricFor(SM_CYMENU, dpi), labelSize.bottom + Scale(4));
        return;
    }
    measure.itemHeight = std::max<int>(Scale(22), labelSize.bottom + Scale(8));
    measure.itemWidth = GutterWidth(dpi) + Scale(8) + labelSize.right + (shortcut.empty() ? 0 : Scale(24) + shortcutSize.right) +
                        Scale(16);
}

void DrawCheck(HDC dc, const RECT& box, bool radio, COLORREF colour, int dpi)
{
    auto Scale = [dpi](int pixels) { return ScaleFor(pixels, dpi); };
    if (radio) {
        const int size = Scale(6);
        const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
        FillRounded(dc, RECT{cx - size / 2, cy - size / 2, cx - size / 2 + size, cy - size / 2 + size}, size / 2, colour,
                    colour);
        return;
    }
    UniquePen pen(::CreatePen(PS_SOLID, std::max(1, Scale(2)), colour));
    SelectedObject p(dc, pen.get());
    const int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    const int u = std::max(2, Scale(3));
    POINT tick[3] = {{cx - u - 1, cy}, {cx - 1, cy + u}, {cx + u + 1, cy - u}};
    ::Polyline(dc, tick, 3);
}

void Draw(const DRAWITEMSTRUCT& draw, const XpItem& item, int dpi)
{
    auto Scale = [dpi](int pixels) { return ScaleFor(pixels, dpi); };
    HDC dc = draw.hDC;
    RECT r = draw.rcItem;
    const bool selected = (draw.itemState & (ODS_SELECTED | ODS_HOTLIGHT)) != 0;
    const bool disabled = (draw.itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool checked = (draw.itemState & ODS_CHECKED) != 0;
    // With a high-contrast theme: the menu's own colours, the highlight bar of the theme.
    const bool contrast = HighContrast();
    const COLORREF face = ::GetSysColor(contrast ? COLOR_MENU : COLOR_BTNFACE);
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF body = contrast ? face : BlendColour(window, face, 80);
    const COLORREF hotFill = contrast ? highlight : BlendColour(highlight, window, 28);
    std::string label, shortcut;
    SplitText(item.text, label, shortcut);
    SelectedObject font(dc, DefaultFontFor(dpi));
    UINT prefix = (draw.itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    COLORREF textColour = ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_MENUTEXT);
    if (contrast && selected && !disabled)
        textColour = ::GetSysColor(COLOR_HIGHLIGHTTEXT);

    if (item.bar) {
        // A bar item: tinted and framed while hot, face-coloured and framed while open.
        const bool open = (draw.itemState & ODS_SELECTED) != 0;
        const bool hot = (draw.itemState & ODS_HOTLIGHT) != 0;
        FillSolid(dc, r, ::GetSysColor(COLOR_MENUBAR));
        if ((open || hot) && !disabled) {
            RECT frame = r;
            ::InflateRect(&frame, 0, -1);
            FillSolid(dc, frame, contrast ? highlight : open ? body : hotFill);
            FrameSolid(dc, frame, open ? ::GetSysColor(COLOR_3DSHADOW) : highlight);
        }
        const COLORREF barText = contrast && (open || hot) && !disabled ? ::GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                                        : ::GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_MENUTEXT);
        DrawTextIn(dc, label, r, barText, DT_CENTER | DT_VCENTER | DT_SINGLELINE | prefix);
        return;
    }

    const int gutter = GutterWidth(dpi);
    FillSolid(dc, RECT{r.left, r.top, r.left + gutter, r.bottom}, face);
    FillSolid(dc, RECT{r.left + gutter, r.top, r.right, r.bottom}, body);
    if (item.separator) {
        const int y = (r.top + r.bottom) / 2;
        FillSolid(dc, RECT{r.left + gutter + Scale(6), y, r.right, y + 1}, ::GetSysColor(COLOR_3DSHADOW));
        return;
    }
    if (selected) {
        RECT bar = r;
        ::InflateRect(&bar, -Scale(1), 0);
        if (!disabled)
            FillSolid(dc, bar, hotFill);
        FrameSolid(dc, bar, highlight);
    }
    const RECT box{r.left + Scale(3), r.top + Scale(2), r.left + gutter - Scale(3), r.bottom - Scale(2)};
    auto image = Images().find(item.id);
    const bool hasImage = image != Images().end() && image->second.images;
    if (checked) {
        if (!contrast)
            FillSolid(dc, box, disabled ? face : BlendColour(highlight, window, selected ? 45 : 20));
        FrameSolid(dc, box, contrast ? textColour : highlight);
    }
    if (hasImage) {
        const int size = Scale(16);
        const int x = (box.left + box.right - size) / 2, y = (box.top + box.bottom - size) / 2;
        if (contrast)
            DrawImageMono(dc, image->second.images, image->second.index, x, y, size, textColour);
        else
            DrawImage(dc, image->second.images, image->second.index, x, y, size, disabled);
    } else if (checked) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoA(item.menu, item.id, FALSE, &info);
        DrawCheck(dc, box, (info.fType & MFT_RADIOCHECK) != 0, textColour, dpi);
    }
    RECT text{r.left + gutter + Scale(8), r.top, r.right - Scale(16), r.bottom};
    DrawTextIn(dc, label, text, textColour, DT_LEFT | DT_VCENTER | DT_SINGLELINE | prefix);
    if (!shortcut.empty())
        DrawTextIn(dc, shortcut, text, textColour, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// The mnemonic of an owner-drawn item: the character after a single '&'.
char Mnemonic(const std::string& text)
{
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&')
            continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

// The items of a menu that answer to a key, as in the system's own menus: the marked letter,
// or the first letter of an item without one.
struct KeyMatches {
    std::vector<int> positions;  // in menu order
    int highlighted = -1;        // the item highlighted now, -1 for none

    // The next matching item after the highlighted one, from the top again after the last.
    int Next() const
    {
        auto next = std::upper_bound(positions.begin(), positions.end(), highlighted);
        return next == positions.end() ? positions.front() : *next;
    }
};

KeyMatches MatchKey(HMENU menu, char typed)
{
    const char key = static_cast<char>(std::toupper(static_cast<unsigned char>(typed)));
    KeyMatches found;
    const int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA | MIIM_STATE;
        ::GetMenuItemInfoA(menu, position, TRUE, &info);
        if (info.fState & MFS_HILITE)
            found.highlighted = position;
        const XpItem* item = ItemOf(info.dwItemData);
        if (!item || item->separator || item->text.empty())
            continue;
        const char mnemonic = Mnemonic(item->text);
        if (mnemonic ? mnemonic == key
                     : std::toupper(static_cast<unsigned char>(item->text[0])) == static_cast<unsigned char>(key))
            found.positions.push_back(position);
    }
    return found;
}

BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM found)
{
    char name[16] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (std::string(name) != "#32768" || !::IsWindowVisible(hwnd))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

// The pop-up menu the keyboard works in now: the topmost menu window of this thread.
HMENU TrackedPopup()
{
    HWND popup = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindMenuWindow, reinterpret_cast<LPARAM>(&popup));
    return popup ? reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
}

// While a menu is tracked: a typed letter that several items of an XP-drawn menu answer to
// moves the highlight to the next of them (by the menu's own arrow-key steps) instead of
// being handed to the menu, which would run the first at once or only beep.
LRESULT CALLBACK MenuKeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == MSGF_MENU && msg && (msg->message == WM_CHAR || msg->message == WM_SYSCHAR)) {
        HMENU menu = TrackedPopup();
        if (menu && Items().count(menu)) {
            const KeyMatches found = MatchKey(menu, static_cast<char>(msg->wParam));
            if (found.positions.size() > 1) {
                const int target = found.Next();
                const int count = ::GetMenuItemCount(menu);
                // Down from the highlighted item (from the top when none is), over every item
                // the arrow stops at, round to the target.
                int steps = 0;
                for (int at = found.highlighted; steps <= count;) {
                    at = at + 1 >= count ? 0 : at + 1;
                    if (!(::GetMenuState(menu, static_cast<UINT>(at), MF_BYPOSITION) & MF_SEPARATOR))
                        ++steps;
                    if (at == target)
                        break;
                }
                for (int i = 0; i < steps; ++i)
                    ::PostMessageA(msg->hwnd, WM_KEYDOWN, VK_DOWN, 1);
                return TRUE;  // the letter itself is used up
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void WatchMenuKeys()
{
    static thread_local HHOOK hook = nullptr;
    if (!hook)
        hook = ::SetWindowsHookExA(WH_MSGFILTER, MenuKeyFilter, nullptr, ::GetCurrentThreadId());
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    switch (message) {
    case WM_MEASUREITEM: {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure && measure->CtlType == ODT_MENU)
            if (const XpItem* item = ItemOf(measure->itemData)) {
                Measure(hwnd, *measure, *item);
                return TRUE;
            }
        break;
    }
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw && draw->CtlType == ODT_MENU)
            if (const XpItem* item = ItemOf(draw->itemData)) {
                Draw(*draw, *item, DpiOf(hwnd));
                return TRUE;
            }
        break;
    }
    case WM_MENUCHAR: {
        HMENU menu = reinterpret_cast<HMENU>(lParam);
        if (Items().find(menu) == Items().end())
            break;
        const KeyMatches found = MatchKey(menu, static_cast<char>(LOWORD(wParam)));
        if (found.positions.size() == 1)
            return MAKELRESULT(found.positions[0], MNC_EXECUTE);
        // Several items answer to the key (the message filter below normally steps between
        // them before the menu asks): highlight the next one.
        if (!found.positions.empty())
            return MAKELRESULT(found.Next(), MNC_SELECT);
        break;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hwnd, OwnerProc, id);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

} // namespace

void SetXPMenu(HWND owner, HMENU menu, bool xpLook)
{
    if (!menu)
        return;
    if (xpLook && owner) {
        ::SetWindowSubclass(owner, OwnerProc, kXpMenuSubclassId, 0);
        WatchMenuKeys();
    }
    const bool bar = IsMenuBar(owner, menu);
    Apply(menu, xpLook, bar);
    if (!xpLook)
        Forget(menu);
    if (bar)
        ::DrawMenuBar(owner);
}

bool IsXPMenuItem(HMENU menu, UINT position)
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    if (!::GetMenuItemInfoA(menu, position, TRUE, &info))
        return false;
    return (info.fType & MFT_OWNERDRAW) && ItemOf(info.dwItemData);
}

void SetXPMenuImage(UINT commandId, HIMAGELIST images, int index)
{
    Images()[commandId] = Image{images, index};
}

} // namespace kelt::ui
