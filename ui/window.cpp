#include "ui/window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "ui/accessible.h"
#include "ui/dpi.h"
#include "ui/error_report.h"
#include "ui/instance.h"

namespace kelt::ui {

namespace {

const char kWindowProp[] = "KeltWindow";
const char kDialogProp[] = "KeltDialog";
const char kReflectProp[] = "KeltReflect";
const UINT_PTR kReflectSubclassId = 0x4B52;  // 'KR'

// Frees a control's reflection handler when the control goes away.
LRESULT CALLBACK ReflectCleanupProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_NCDESTROY) {
        std::unique_ptr<ReflectionHandler> owned(static_cast<ReflectionHandler*>(::RemovePropA(hwnd, kReflectProp)));
        ::RemoveWindowSubclass(hwnd, ReflectCleanupProc, id);
    }
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

HWND SenderOf(HWND parent, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM:
        return lParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return wParam ? ::GetDlgItem(parent, static_cast<int>(wParam)) : nullptr;
    default:
        return nullptr;
    }
}

bool IsReflectable(UINT message)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        return true;
    default:
        return false;
    }
}

std::vector<HWND>& ModelessDialogs()
{
    static std::vector<HWND> dialogs;
    return dialogs;
}

} // namespace

void SetReflectionHandler(HWND control, ReflectionHandler handler)
{
    if (!control)
        return;
    std::unique_ptr<ReflectionHandler> previous(static_cast<ReflectionHandler*>(::RemovePropA(control, kReflectProp)));
    if (!handler) {
        ::RemoveWindowSubclass(control, ReflectCleanupProc, kReflectSubclassId);
        return;
    }
    auto owned = std::make_unique<ReflectionHandler>(std::move(handler));
    if (::SetPropA(control, kReflectProp, owned.get())) {
        owned.release();
        ::SetWindowSubclass(control, ReflectCleanupProc, kReflectSubclassId, 0);
    }
}

bool ReflectToChild(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (!IsReflectable(message))
        return false;
    HWND sender = SenderOf(parent, message, wParam, lParam);
    if (!sender || sender == parent)
        return false;
    auto* handler = static_cast<ReflectionHandler*>(::GetPropA(sender, kReflectProp));
    if (!handler || !*handler)
        return false;
    // A copy: the handler may replace itself while it runs.
    ReflectionHandler call = *handler;
    return call(message, wParam, lParam, result);
}

// ---------------------------------------------------------------- Window

Window::~Window()
{
    Destroy();
}

Window* Window::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<Window*>(::GetPropA(hwnd, kWindowProp)) : nullptr;
}

void Window::Destroy()
{
    if (hwnd_ && ::IsWindow(hwnd_))
        ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

int Window::Dpi() const
{
    return DpiOf(hwnd_);
}

int Window::Scale(int pixels) const
{
    return ScaleFor(pixels, Dpi());
}

void Window::OnDpiChanged(int, const RECT* suggested)
{
    if (suggested && hwnd_)
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::RegisterWindowClass(const char* className, UINT style, HBRUSH background, HICON icon, HCURSOR cursor)
{
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(Instance(), className, &existing)) {
        if (existing.lpfnWndProc == StaticProc)
            return;
        // Left behind by a plug-in library that was unloaded from the address this module
        // now occupies: the system keeps a library's classes after it is gone.
        ::UnregisterClassA(className, Instance());
    }
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = StaticProc;
    wc.hInstance = Instance();
    wc.hIcon = icon;
    wc.hCursor = cursor ? cursor : ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    ::RegisterClassExA(&wc);
}

bool Window::Create(const char* className, const std::string& title, DWORD style, DWORD exStyle, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId)
{
    if (hwnd_)
        return true;
    InitCommonControlsOnce();
    ::CreateWindowExA(exStyle, className, title.c_str(), style, x, y, width, height, parent, menuOrId, Instance(),
                      this);
    return hwnd_ != nullptr;
}

LRESULT Window::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToChild(hwnd_, message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_CREATE:
        return OnCreate(*reinterpret_cast<const CREATESTRUCTA*>(lParam)) ? 0 : -1;
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)))
            return 0;
        break;
    case WM_NOTIFY:
        if (OnNotify(*reinterpret_cast<NMHDR*>(lParam), result))
            return result;
        break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG:
        if (OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result))
            return result;
        break;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_TIMER:
        if (OnTimer(wParam))
            return 0;
        break;
    case WM_ERASEBKGND:
        if (OnEraseBackground(reinterpret_cast<HDC>(wParam)))
            return 1;
        break;
    case WM_PAINT:
        if (OnPaint())
            return 0;
        break;
    case WM_CLOSE:
        if (OnClose())
            return 0;
        break;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_DPICHANGED: {
        const int dpi = LOWORD(wParam);
        RecordDpi(hwnd_, dpi);
        NotifyDescendants(hwnd_, dpi);
        OnDpiChanged(dpi, reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    case WM_GETOBJECT:
        if (AccessibleSource* source = Accessibility())
            if (const LRESULT answer = AnswerGetObject(hwnd_, wParam, lParam, *source))
                return answer;
        break;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        if (IsColourChange(message, wParam) && !(::GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD)) {
            SpreadColourChange(hwnd_);
            OnColoursChanged();
            ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
        break;
    default:
        if (message == DpiChangedNotice()) {
            OnDpiChanged(static_cast<int>(wParam), nullptr);
            return 0;
        }
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(create->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            ::SetPropA(hwnd, kWindowProp, self);
        }
    } else {
        self = FromHandle(hwnd);
    }
    if (!self)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        if (message == WM_PAINT)
            ::ValidateRect(hwnd, nullptr);
        result = message == WM_CREATE ? -1 : 0;
        ReportError(error, hwnd);
    } catch (...) {
        if (message == WM_PAINT)
            ::ValidateRect(hwnd, nullptr);
        result = message == WM_CREATE ? -1 : 0;
        ReportUnknownError(hwnd);
    }
    if (message == WM_NCDESTROY) {
        ::RemovePropA(hwnd, kWindowProp);
        ForgetDpi(hwnd);
        ForgetAccessible(hwnd);
        self->hwnd_ = nullptr;
        try {
            self->OnDetached();
        } catch (const std::exception& error) {
            ReportError(error, nullptr);
        } catch (...) {
            ReportUnknownError(nullptr);
        }
    }
    return result;
}

// ---------------------------------------------------------------- Dialog

Dialog::Dialog(int templateId, HINSTANCE module) : templateId_(templateId), module_(module ? module : Instance()) {}

Dialog::~Dialog()
{
    if (hwnd_ && ::IsWindow(hwnd_) && !modal_)
        ::DestroyWindow(hwnd_);
}

Dialog* Dialog::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<Dialog*>(::GetPropA(hwnd, kDialogProp)) : nullptr;
}

INT_PTR Dialog::RunModal(HWND owner)
{
    InitCommonControlsOnce();
    modal_ = true;
    const INT_PTR result = ::DialogBoxParamA(module_, MAKEINTRESOURCEA(templateId_), owner, StaticProc,
                                             reinterpret_cast<LPARAM>(this));
    modal_ = false;
    return result;
}

bool Dialog::CreateModeless(HWND owner)
{
    InitCommonControlsOnce();
    modal_ = false;
    ::CreateDialogParamA(module_, MAKEINTRESOURCEA(templateId_), owner, StaticProc, reinterpret_cast<LPARAM>(this));
    if (hwnd_)
        AddModelessDialog(hwnd_);
    return hwnd_ != nullptr;
}

void Dialog::End(INT_PTR result)
{
    if (!hwnd_)
        return;
    if (modal_)
        ::EndDialog(hwnd_, result);
    else
        ::DestroyWindow(hwnd_);
}

std::string Dialog::ItemText(int id) const
{
    HWND item = Item(id);
    return item ? WindowText(item) : std::string();
}

bool IsColourChange(UINT message, WPARAM wParam)
{
    return message == WM_SYSCOLORCHANGE || (message == WM_SETTINGCHANGE && wParam == SPI_SETHIGHCONTRAST);
}

namespace {
BOOL CALLBACK TellColourChange(HWND child, LPARAM)
{
    ::SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
} // namespace

void SpreadColourChange(HWND top)
{
    ::EnumChildWindows(top, TellColourChange, 0);
}

std::string WindowText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthA(hwnd);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(hwnd, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

void Dialog::SetItemText(int id, const std::string& text)
{
    ::SetDlgItemTextA(hwnd_, id, text.c_str());
}

bool Dialog::IsChecked(int id) const
{
    return ::IsDlgButtonChecked(hwnd_, id) == BST_CHECKED;
}

void Dialog::SetChecked(int id, bool checked)
{
    ::CheckDlgButton(hwnd_, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool Dialog::OnCommand(int id, int code, HWND control)
{
    if (id == IDOK && (code == BN_CLICKED || !control)) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL && (code == BN_CLICKED || !control)) {
        OnCancel();
        return true;
    }
    return false;
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToChild(hwnd_, message, wParam, lParam, result)) {
        if (message == WM_NOTIFY || message == WM_COMMAND) {
            ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return static_cast<INT_PTR>(result);  // WM_CTLCOLOR*: the brush; others: TRUE
    }
    switch (message) {
    case WM_INITDIALOG:
        layoutDpi_ = DpiOf(hwnd_);
        if (!(::GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD))
            KeepDialogScaling(hwnd_);
        {
            const bool defaultFocus = OnInitDialog();
            // Edit boxes and lists are known by their labels, as the user sees them.
            NameControlsFromLabels(hwnd_);
            return defaultFocus ? TRUE : FALSE;
        }
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
        if (OnNotify(*reinterpret_cast<NMHDR*>(lParam), result)) {
            ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG:
        if (OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), result))
            return static_cast<INT_PTR>(result);
        return FALSE;
    case WM_TIMER:
        return OnTimer(wParam) ? TRUE : FALSE;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        if (IsColourChange(message, wParam) && !(::GetWindowLongA(hwnd_, GWL_STYLE) & WS_CHILD)) {
            SpreadColourChange(hwnd_);
            ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
        return FALSE;
    case WM_SIZE:
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    case WM_DPICHANGED: {
        const int dpi = LOWORD(wParam);
        RecordDpi(hwnd_, dpi);
        RescaleControls(dpi);
        NotifyDescendants(hwnd_, dpi);
        OnDpiChanged(dpi, reinterpret_cast<const RECT*>(lParam));
        ::SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    default:
        if (message == DpiChangedNotice()) {
            const int dpi = static_cast<int>(wParam);
            RescaleControls(dpi);
            OnDpiChanged(dpi, nullptr);
            return TRUE;
        }
        return FALSE;
    }
}

int Dialog::Dpi() const
{
    return DpiOf(hwnd_);
}

int Dialog::Scale(int pixels) const
{
    return ScaleFor(pixels, Dpi());
}

void Dialog::OnDpiChanged(int, const RECT* suggested)
{
    if (suggested && hwnd_)
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

bool IsClass(HWND hwnd, const char* name)
{
    char found[64] = {};
    ::GetClassNameA(hwnd, found, sizeof found);
    return ::lstrcmpiA(found, name) == 0;
}

void RescaleColumns(HWND list, int from, int to)
{
    if ((::GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT)
        return;
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < count; ++column) {
        const int width = static_cast<int>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
        ::SendMessageA(list, LVM_SETCOLUMNWIDTH, column, MAKELPARAM(::MulDiv(width, to, from), 0));
    }
}

} // namespace

void Dialog::RescaleControls(int dpi)
{
    const int from = layoutDpi_;
    layoutDpi_ = dpi;
    if (!hwnd_ || from <= 0 || dpi <= 0 || from == dpi)
        return;
    auto scaled = [&](LONG value) { return ::MulDiv(value, dpi, from); };
    // The font the controls of the template have: the dialog's own, or the last one given them.
    HFONT oldFont = ownFont_ ? ownFont_.get() : reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    UniqueFont newFont(RescaledFont(oldFont, from, dpi));
    for (HWND child = ::GetWindow(hwnd_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        // A drop-down list is sized with its list: its window is only the closed part.
        LONG bottom = r.bottom;
        RECT dropped{};
        if (IsClass(child, "ComboBox")) {
            if (::SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped)))
                bottom = r.top + (dropped.bottom - dropped.top);
            const LRESULT droppedWidth = ::SendMessageA(child, CB_GETDROPPEDWIDTH, 0, 0);
            if (droppedWidth > 0)
                ::SendMessageA(child, CB_SETDROPPEDWIDTH, ::MulDiv(static_cast<int>(droppedWidth), dpi, from), 0);
        }
        const int left = scaled(r.left), top = scaled(r.top);
        ::SetWindowPos(child, nullptr, left, top, scaled(r.right) - left, scaled(bottom) - top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        if (newFont && reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)) == oldFont)
            ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(newFont.get()), FALSE);
        if (IsClass(child, WC_LISTVIEWA))
            RescaleColumns(child, from, dpi);
    }
    if (newFont) {
        ::SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(newFont.get()), FALSE);
        ownFont_ = std::move(newFont);  // the previous one of ours, if any, is no longer used
    }
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

INT_PTR CALLBACK Dialog::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        if (self) {
            self->hwnd_ = hwnd;
            ::SetPropA(hwnd, kDialogProp, self);
        }
    } else {
        self = FromHandle(hwnd);
    }
    if (!self)
        return FALSE;

    INT_PTR result = FALSE;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (const std::exception& error) {
        result = message == WM_INITDIALOG ? TRUE : FALSE;
        ReportError(error, hwnd);
    } catch (...) {
        result = message == WM_INITDIALOG ? TRUE : FALSE;
        ReportUnknownError(hwnd);
    }
    if (message == WM_NCDESTROY) {
        ::RemovePropA(hwnd, kDialogProp);
        ForgetDpi(hwnd);
        RemoveModelessDialog(hwnd);
        self->hwnd_ = nullptr;
    }
    return result;
}

// ---------------------------------------------------------------- message loop

void AddModelessDialog(HWND dialog)
{
    auto& dialogs = ModelessDialogs();
    if (std::find(dialogs.begin(), dialogs.end(), dialog) == dialogs.end())
        dialogs.push_back(dialog);
}

void RemoveModelessDialog(HWND dialog)
{
    auto& dialogs = ModelessDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), dialog), dialogs.end());
}

static bool IsModelessDialogMessage(MSG& msg)
{
    for (HWND dialog : ModelessDialogs())
        if (::IsWindow(dialog) && ::IsDialogMessageA(dialog, &msg))
            return true;
    return false;
}

static DispatchHook& CurrentDispatchHook()
{
    static DispatchHook hook = nullptr;
    return hook;
}

void SetDispatchHook(DispatchHook hook)
{
    CurrentDispatchHook() = hook;
}

static void Dispatch(MSG& msg)
{
    ::TranslateMessage(&msg);
    const DispatchHook hook = CurrentDispatchHook();
    if (!hook || !hook(msg))
        ::DispatchMessageA(&msg);
}

int RunMessageLoop(HWND mainWindow)
{
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 && mainWindow && ::IsWindow(mainWindow))
            continue;
        if (got <= 0)
            break;
        if (IsModelessDialogMessage(msg))
            continue;
        Dispatch(msg);
    }
    return static_cast<int>(msg.wParam);
}

bool ProcessPendingMessages(UINT queues)
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE | queues)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return true;
        }
        if (IsModelessDialogMessage(msg))
            continue;
        Dispatch(msg);
    }
    return false;
}

void CentreOnOwner(HWND dialog)
{
    RECT own = {};
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoA(::MonitorFromWindow(owner ? owner : dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;
    if (!owner || !::IsWindowVisible(owner) || ::IsIconic(owner) || !::GetWindowRect(owner, &own))
        own = work;
    RECT rc = {};
    ::GetWindowRect(dialog, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    int x = own.left + ((own.right - own.left) - width) / 2;
    int y = own.top + ((own.bottom - own.top) - height) / 2;
    x = std::max<int>(work.left, std::min<int>(x, work.right - width));
    y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace kelt::ui
