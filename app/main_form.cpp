#include "app/main_form.h"

#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "app/html_help.h"
#include "app/main_ids.h"
#include "app/options.h"
#include "app/program_info.h"
#include "app/splash_form.h"
#include "app/thread_execute.h"
#include "catalogue/platform/edition.h"
#include "catalogue/platform/os_family.h"
#include "catalogue/platform/restart.h"
#include "catalogue/platform/system_calls.h"
#include "catalogue/set_kind.h"
#include "ui/accessible.h"
#include "ui/bitmap.h"
#include "ui/context_menu.h"
#include "ui/dpi.h"
#include "ui/hint.h"
#include "ui/instance.h"
#include "ui/paint.h"
#include "ui/seams.h"
#include "ui/xp_menu.h"

namespace kelt {

namespace {

const char kMainClass[] = "TKeltMainForm";
constexpr int kPluginCommandFirst = 5000, kPluginCommandLast = 5999;

HMENU AddPopup(HMENU parent, const char* caption)
{
    HMENU popup = ::CreatePopupMenu();
    ::AppendMenuA(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), caption);
    return popup;
}

// The system's text for an error code, without the trailing line break.
std::string SystemErrorText(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "error " + std::to_string(code);
    return text;
}

// A copy of a picture with its transparent colour (the bottom-left pixel, as pictures of
// this program are drawn) added to a masked image list; answers the index.
int AddMaskedPicture(HIMAGELIST list, HBITMAP picture, int size)
{
    if (!list || !picture)
        return -1;
    ui::UniqueBitmap copy(ui::ScaleBitmap(picture, size, size));
    if (!copy)
        return -1;
    ui::WindowDC screen(nullptr);
    ui::MemoryDC dc(screen.get());
    COLORREF transparent = 0;
    {
        ui::SelectedObject selected(dc.get(), copy.get());
        transparent = ::GetPixel(dc.get(), 0, size - 1);
    }
    return ::ImageList_AddMasked(list, copy.get(), transparent);
}

// The window's own visible flag (IsWindowVisible also asks every parent, and the whole form
// is hidden while the program starts).
bool Shown(HWND hwnd)
{
    return hwnd && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE);
}

// F2 and F3 work wherever the focus is inside the main window, in every message loop (the
// program's, a modal one's, a test's), so they are translated where messages are fetched.
struct Accelerators {
    HWND window = nullptr;
    HACCEL table = nullptr;
    HHOOK hook = nullptr;
};
Accelerators& TheAccelerators()
{
    static Accelerators accelerators;
    return accelerators;
}

bool KeyDown(int key)
{
    return (::GetKeyState(key) & 0x8000) != 0;
}

// Tab and Shift+Tab walk the window's controls in the order they lie on the screen, as in a
// dialog (the window is no dialog, so nothing else does it). True when the key was used.
bool MoveFocusWithTab(HWND window, const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || KeyDown(VK_CONTROL) || KeyDown(VK_MENU))
        return false;
    HWND focus = ::GetFocus();
    if (focus && focus != window &&
        (::SendMessageA(focus, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&msg)) & DLGC_WANTTAB))
        return false;
    HWND next = ::GetNextDlgTabItem(window, focus == window ? nullptr : focus, KeyDown(VK_SHIFT));
    if (!next)
        return false;
    // The keyboard is in use: focus marks show from now on.
    ::SendMessageA(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    ::SetFocus(next);
    if (::SendMessageA(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
        ::SendMessageA(next, EM_SETSEL, 0, -1);
    return true;
}

LRESULT CALLBACK AcceleratorHook(int code, WPARAM wParam, LPARAM lParam)
{
    Accelerators& a = TheAccelerators();
    if (code == HC_ACTION && wParam == PM_REMOVE && a.window && a.table) {
        MSG* msg = reinterpret_cast<MSG*>(lParam);
        if ((msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) && ::IsWindowEnabled(a.window) &&
            (msg->hwnd == a.window || ::IsChild(a.window, msg->hwnd))) {
            if (::TranslateAcceleratorA(a.window, a.table, msg) || MoveFocusWithTab(a.window, *msg))
                msg->message = WM_NULL;
        }
    }
    return ::CallNextHookEx(a.hook, code, wParam, lParam);
}

} // namespace

// One sample of the legend: the state picture of the compact list beside its caption, in
// the text colour of that state. Read as static text.
class TKeltMainForm::LegendSample : public ui::Window, private ui::AccessibleSource {
public:
    bool CreateIn(HWND parent, const std::string& caption, int id)
    {
        RegisterWindowClass("KeltLegendSample", CS_HREDRAW | CS_VREDRAW, nullptr);
        caption_ = caption;
        if (!Create("KeltLegendSample", caption, WS_CHILD | WS_VISIBLE, 0, 0, 0, 10, 10, parent,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))))
            return false;
        ui::SetHint(Handle(), caption);
        return true;
    }
    void Set(HBITMAP picture, COLORREF text, COLORREF back)
    {
        picture_ = picture;
        text_ = text;
        back_ = back;
        if (Handle())
            ::InvalidateRect(Handle(), nullptr, FALSE);
    }

protected:
    bool OnEraseBackground(HDC) override { return true; }
    ui::AccessibleSource* Accessibility() override { return this; }
    std::string AccessibleName(int) const override { return caption_; }
    long AccessibleRole(int) const override { return ROLE_SYSTEM_STATICTEXT; }
    long AccessibleState(int) const override { return STATE_SYSTEM_READONLY; }
    bool OnPaint() override
    {
        ui::BufferedPaint paint(Handle());
        HDC dc = paint.dc();
        RECT r = paint.client();
        ui::FillSolid(dc, r, ::GetSysColor(COLOR_BTNFACE));
        const int box = Scale(18);
        const int top = (r.bottom - box) / 2;
        RECT swatch{0, top, box, top + box};
        ui::FillSolid(dc, swatch, back_);
        ui::FrameSolid(dc, swatch, ::GetSysColor(COLOR_3DSHADOW));
        if (picture_ && ui::HighContrast()) {
            const int size = Scale(16);
            ui::DrawBitmapMono(dc, picture_, CLR_INVALID, 1 + (box - 2 - size) / 2, top + 1 + (box - 2 - size) / 2, size,
                               size, ::GetSysColor(COLOR_WINDOWTEXT));
        } else if (picture_) {
            ui::MemoryDC source(dc);
            ui::SelectedObject selected(source.get(), picture_);
            BITMAP info{};
            ::GetObjectA(picture_, sizeof info, &info);
            const int size = Scale(16);
            ::TransparentBlt(dc, 1 + (box - 2 - size) / 2, top + 1 + (box - 2 - size) / 2, size, size, source.get(), 0, 0,
                             info.bmWidth, info.bmHeight, ::GetPixel(source.get(), 0, info.bmHeight - 1));
        }
        RECT text{box + Scale(5), 0, r.right, r.bottom};
        ui::SelectedObject font(dc, ui::DefaultFontFor(Dpi()));
        ui::DrawTextIn(dc, caption_, text, text_, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        return true;
    }

private:
    std::string caption_;
    HBITMAP picture_ = nullptr;
    COLORREF text_ = 0;
    COLORREF back_ = 0;
};

// ---------------------------------------------------------------- the program's dialogs

std::string RealShellOpen(HWND owner, const char* verb, const std::string& file, int show)
{
    const auto answer = reinterpret_cast<INT_PTR>(::ShellExecuteA(owner, verb, file.c_str(), nullptr, nullptr, show));
    if (answer > 32)
        return std::string();
    // ShellExecuteA answers its own small codes; the thread's last error has the system's text.
    const DWORD error = ::GetLastError();
    return SystemErrorText(error ? error : static_cast<DWORD>(answer));
}

// ---------------------------------------------------------------- creation

TKeltMainForm::TKeltMainForm(JTKeltOptions& options, TKeltSplashForm* splash)
    : Dialogs(DefaultDialogs()), ShellOpen(RealShellOpen), PluginHostFactory(CreatePluginHostLink),
      Today([] {
          SYSTEMTIME now{};
          ::GetLocalTime(&now);
          return now;
      }),
      TableFolder(ProgramFolder()), options_(options), splash_(splash)
{
    for (auto& sample : samples_)
        sample = std::make_unique<LegendSample>();
}

TKeltMainForm::~TKeltMainForm()
{
    if (splash_)
        splash_->OnClosed = nullptr;
    Accelerators& a = TheAccelerators();
    if (a.window == Handle() || !a.window) {
        if (a.hook)
            ::UnhookWindowsHookEx(a.hook);
        a = Accelerators{};
    }
    Destroy();
    catalogue_.reset();
    plugins_.reset();
    if (accelerators_)
        ::DestroyAcceleratorTable(accelerators_);
}

bool TKeltMainForm::CreateForm(int showCommand)
{
    ui::InitCommonControlsOnce();
    CreateImages();
    RegisterWindowClass(kMainClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), bigIcon_.get());
    RECT frame{0, 0, ui::Scale(kClientWidth), ui::Scale(kClientHeight)};
    ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, TRUE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT work{};
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + std::max<int>(0, (work.right - work.left - width) / 2);
    const int top = work.top + std::max<int>(0, (work.bottom - work.top - height) / 2);
    if (!Create(kMainClass, kProductName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, left, top, width, height, nullptr))
        return false;
    if (smallIcon_)
        ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    // Ctrl+Tab and Ctrl+Page Down show the next catalogue, with Shift or Page Up the one before.
    ACCEL keys[] = {{FVIRTKEY, VK_F2, IDM_REFRESH},
                    {FVIRTKEY, VK_F3, IDM_APPLY},
                    {FVIRTKEY | FCONTROL, VK_TAB, IDM_NEXT_CATALOGUE},
                    {FVIRTKEY | FCONTROL, VK_NEXT, IDM_NEXT_CATALOGUE},
                    {FVIRTKEY | FCONTROL | FSHIFT, VK_TAB, IDM_PREVIOUS_CATALOGUE},
                    {FVIRTKEY | FCONTROL, VK_PRIOR, IDM_PREVIOUS_CATALOGUE}};
    accelerators_ = ::CreateAcceleratorTableA(keys, static_cast<int>(sizeof keys / sizeof keys[0]));
    Accelerators& a = TheAccelerators();
    a.window = Handle();
    a.table = accelerators_;
    if (!a.hook)
        a.hook = ::SetWindowsHookExA(WH_GETMESSAGE, AcceleratorHook, nullptr, ::GetCurrentThreadId());
    ::ShowWindow(Handle(), showCommand);
    // The splash stays in front of the window that is still loading.
    if (splash_)
        splash_->KeepAbove(Handle());
    ::UpdateWindow(Handle());
    return true;
}

bool TKeltMainForm::OnCreate(const CREATESTRUCTA&)
{
    CreateMenus();
    CreateControls();
    FormCreate();
    return true;
}

void TKeltMainForm::CreateImages()
{
    if (toolImages_)
        return;
    toolImages_.reset(::ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 4, 4));
    for (int id : {IDB_TOOL_APPLY, IDB_TOOL_SEARCH, IDB_TOOL_HELP, IDB_TOOL_EXIT}) {
        ui::UniqueBitmap picture(static_cast<HBITMAP>(
            ::LoadImageA(ui::Instance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        if (picture)
            ::ImageList_AddMasked(toolImages_.get(), picture.get(), RGB(255, 0, 255));
        else
            ::ImageList_Add(toolImages_.get(), nullptr, nullptr);
    }
    ui::UniqueBitmap mark(static_cast<HBITMAP>(
        ::LoadImageA(ui::Instance(), MAKEINTRESOURCEA(IDB_PROGRAM_ICON), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (mark) {
        ui::UniqueImageList icons(::ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 1));
        if (::ImageList_AddMasked(icons.get(), mark.get(), RGB(255, 0, 255)) >= 0) {
            bigIcon_.reset(::ImageList_GetIcon(icons.get(), 0, ILD_NORMAL));
            // The small icon is drawn from the same picture at the caption's size.
            const int small = ::GetSystemMetrics(SM_CXSMICON);
            smallIcon_.reset(static_cast<HICON>(::CopyImage(bigIcon_.get(), IMAGE_ICON, small, small, 0)));
        }
    }
    ui::SetXPMenuImage(IDM_APPLY, toolImages_.get(), 0);
    ui::SetXPMenuImage(IDM_SEARCH, toolImages_.get(), 1);
    ui::SetXPMenuImage(IDM_ITEM_SEARCH, toolImages_.get(), 1);
    ui::SetXPMenuImage(IDM_CONTENT, toolImages_.get(), 2);
    ui::SetXPMenuImage(IDM_ITEM_HELP, toolImages_.get(), 2);
    ui::SetXPMenuImage(IDM_EXIT, toolImages_.get(), 3);
}

void TKeltMainForm::CreateMenus()
{
    mainMenu_ = ::CreateMenu();
    HMENU file = AddPopup(mainMenu_, "&File ");
    ::AppendMenuA(file, MF_STRING, IDM_OPTIONS, "&Options...");
    ::AppendMenuA(file, MF_STRING, IDM_RESTART, "Restart Windows...");
    ::AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(file, MF_STRING, IDM_EXIT, "&Exit");
    HMENU edit = AddPopup(mainMenu_, "&Edit ");
    ::AppendMenuA(edit, MF_STRING, IDM_SEARCH, "Search settings...");
    ::AppendMenuA(edit, MF_STRING, IDM_REFRESH, "Refresh\tF2");
    ::AppendMenuA(edit, MF_STRING, IDM_APPLY, "Apply all changes\tF3");
    HMENU records = AddPopup(mainMenu_, "&Records");
    ::AppendMenuA(records, MF_STRING, IDM_RESTORE, "Restore...");
    ::AppendMenuA(records, MF_STRING, IDM_REDO, "Redo...");
    pluginsMenu_ = AddPopup(mainMenu_, "Plugins ");
    ::AppendMenuA(pluginsMenu_, MF_STRING, IDM_CONFIG_PLUGINS, "Config plugins...");
    ::AppendMenuA(pluginsMenu_, MF_SEPARATOR, 0, nullptr);
    HMENU update = AddPopup(mainMenu_, "&Update");
    ::AppendMenuA(update, MF_STRING, IDM_LIVE_UPDATE, "Live Up&date...");
    HMENU help = AddPopup(mainMenu_, "&Help ");
    ::AppendMenuA(help, MF_STRING, IDM_CONTENT, "&Content");
    ::AppendMenuA(help, MF_STRING, IDM_ONLINE, "Online support...");
    ::AppendMenuA(help, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(help, MF_STRING, IDM_ABOUT, "&About...");
    ::SetMenu(Handle(), mainMenu_);

    sideBarMenu_.reset(::CreatePopupMenu());
    HMENU style = AddPopup(sideBarMenu_.get(), "&Style");
    for (int i = 0; i < ui::kSideBarStyleCount; ++i)
        ::AppendMenuA(style, MF_STRING, IDM_STYLE_FIRST + i, ui::SideBarStyleName(i));
    HMENU layout = AddPopup(sideBarMenu_.get(), "&Layout");
    ::AppendMenuA(layout, MF_STRING, IDM_ALIGN_LEFT, "&Left");
    ::AppendMenuA(layout, MF_STRING, IDM_ALIGN_RIGHT, "&Right");

    itemMenu_.reset(::CreatePopupMenu());
    ::AppendMenuA(itemMenu_.get(), MF_STRING, IDM_ITEM_SEARCH, "Search Setting...");
    ::AppendMenuA(itemMenu_.get(), MF_STRING, IDM_ITEM_EXPAND, "Expand Setting Items");
    HMENU mainLayout = AddPopup(itemMenu_.get(), "Main Layout");
    ::AppendMenuA(mainLayout, MF_STRING, IDM_LAYOUT_BARS, "Bars");
    ::AppendMenuA(mainLayout, MF_STRING, IDM_LAYOUT_TABS, "Tabs");
    ::AppendMenuA(itemMenu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(itemMenu_.get(), MF_STRING, IDM_ITEM_HELP, "Help");
}

void TKeltMainForm::CreateControls()
{
    HWND self = Handle();
    status_ = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, self,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), ui::Instance(), nullptr);
    ::SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("Modified Item Count:0"));

    formPanel_.CreateIn(self, 0, 0, 10, 10, IDC_FORM_PANEL);
    HWND form = formPanel_.Handle();

    // Tool bar
    controlBar_.CreateIn(form, 0, 0, 10, Scale(kControlBarHeight), IDC_CONTROL_BAR);
    controlBar_.OnResize = [this](int, int) { ControlBar1Resize(); };
    const char* hints[4] = {"Apply", "Search", "Help", "Exit"};
    const int ids[4] = {IDC_APPLY_BUTTON, IDC_SEARCH_BUTTON, IDC_HELP_BUTTON, IDC_EXIT_BUTTON};
    for (int i = 0; i < 4; ++i) {
        ui::ImageButton& button = toolButtons_[i];
        button.CreateIn(controlBar_.Handle(), 0, 0, 1, 1, ids[i]);
        button.SetHint(hints[i]);
        button.SetHandCursor(true);
    }
    toolButtons_[0].OnClick = [this] { pmiApplyClick(); };
    toolButtons_[1].OnClick = [this] { pmiSearchClick(); };
    toolButtons_[2].OnClick = [this] { pmiContentClick(); };
    toolButtons_[3].OnClick = [this] { pmiExitClick(); };
    toolButtons_[0].SetEnabled(false);
    pluginBox_.CreateIn(controlBar_.Handle(), 0, 0, Scale(kPluginBoxWidth), Scale(kControlBarHeight), false);
    ::SetWindowLongPtrA(pluginBox_.Handle(), GWLP_ID, IDC_PLUGIN_BOX);

    // Side bar
    outBar_.CreateIn(form, 0, 0, Scale(kOutBarWidth), 10, IDC_OUTBAR);
    outBar_.SetAccessibleTitle("Catalogues and plug-ins");
    outBar_.AddHeader("Settings");
    outBar_.AddHeader("Plugins");
    ui::AttachContextMenu(outBar_.Handle(), [this](HWND, POINT p) { ShowSideBarMenu(p); });

    // The shown catalogue
    backGroup_.CreateIn(form, 0, 0, 10, 10, IDC_BACK_GROUP);
    backGroup_.OnResize = [this](int, int) { LayoutGroup(); };
    settingPanel1_.CreateIn(backGroup_.Handle(), 0, 0, 10, Scale(kSettingPanel1Height), IDC_SETTING_PANEL1);
    settingPanel1_.OnResize = [this](int, int) { LayoutGroup(); };
    legend_.CreateIn(settingPanel1_.Handle(), 0, 0, 10, Scale(26), IDC_LEGEND);
    hintLabel_.CreateIn(legend_.Handle(), "Hint:", 0, 0, Scale(32), Scale(24), IDC_HINT_LABEL);
    hintLabel_.SetTextColour(RGB(255, 0, 0));  // the theme's text colour in high contrast
    hintLabel_.SetBold(true);
    const char* legendCaptions[4] = {"Unmodified check-style item", "Modified check-style item",
                                     "Unmodified edit-style item", "Modified edit-style item"};
    for (int i = 0; i < 4; ++i)
        samples_[i]->CreateIn(legend_.Handle(), legendCaptions[i], IDC_SAMPLE_FIRST + i);
    moreHelp_ = ::CreateWindowExA(0, "BUTTON", "More help", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0,
                                  Scale(75), Scale(23), legend_.Handle(),
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MORE_HELP)), ui::Instance(), nullptr);
    legend_.OnChildCommand = [this](int id, int code, HWND) {
        if (id == IDC_MORE_HELP && code == BN_CLICKED) {
            ShowHelpTopic("::/setitems.htm", Handle());
            return true;
        }
        return false;
    };
    legend_.OnResize = [this](int, int) { UpdateLegend(); };
    settingPanel_.CreateIn(settingPanel1_.Handle(), 0, Scale(26), 10, Scale(kSettingPanel1Height - 26), IDC_SETTING_PANEL);
    ui::SetHint(settingPanel_.Handle(), "Settings: You can change the setting here!!!");
    pagesHost_.CreateIn(backGroup_.Handle(), 0, 0, 10, 10, IDC_PAGES_HOST);

    // Details column
    splitter_.CreateIn(form, 0, 0, Scale(4), 10);
    splitter_.SetAccessibleTitle("Width of the setting details");
    layoutDpi_ = Dpi();
    detailsWidth_ = Scale(kDetailsWidth);
    splitter_.OnMoved = [this](int width) {
        detailsWidth_ = width;
        Layout();
    };
    panel2_.CreateIn(form, 0, 0, detailsWidth_, 10, IDC_DETAILS_PANEL);
    panel2_.OnResize = [this](int width, int height) {
        const int title = Scale(22), linkHeight = Scale(24);
        ::MoveWindow(detailsTitle_.Handle(), 0, 0, width, title, TRUE);
        ::MoveWindow(memo_, 0, title, width, std::max(0, height - title - linkHeight), TRUE);
        linkPanel_.SetBounds(0, height - linkHeight, width, linkHeight);
        ::MoveWindow(link_.Handle(), Scale(4), 0, std::max(0, width - Scale(8)), linkHeight, TRUE);
    };
    detailsTitle_.CreateIn(panel2_.Handle(), "===Setting Details:===", 0, 0, 10, Scale(22), IDC_DETAILS_TITLE);
    detailsTitle_.SetBold(true);
    detailsTitle_.SetAlignment(ui::ColourLabel::alCentre);
    memo_ = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL,
                              0, 0,
                              10, 10, panel2_.Handle(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_DETAILS_MEMO)), ui::Instance(), nullptr);
    ui::SetAccessibleName(memo_, "Setting Details");
    panel2_.OnChildColour = [this](UINT message, HDC dc, HWND control, LRESULT& result) {
        if (control != memo_ || (message != WM_CTLCOLORSTATIC && message != WM_CTLCOLOREDIT))
            return false;
        // Blue on white, or the theme's text colour in high contrast.
        ::SetTextColor(dc, ui::HighContrast() ? ::GetSysColor(COLOR_WINDOWTEXT) : RGB(0, 0, 192));
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        return true;
    };
    linkPanel_.CreateIn(panel2_.Handle(), 0, 0, 10, Scale(24), IDC_LINK_PANEL);
    link_.CreateIn(linkPanel_.Handle(), "Visit the Keltrix web site", 0, 0, 10, Scale(24), IDC_LINK_LABEL);
    link_.SetLink(true);
    link_.SetTextColour(ui::LinkColour());
    link_.SetAlignment(ui::ColourLabel::alCentre);
    link_.OnClick = [this] { pmiOnlineClick(); };
    ui::SetHint(link_.Handle(), kWebAddress);
    ApplyScale();
}

void TKeltMainForm::ApplyScale()
{
    const WPARAM font = reinterpret_cast<WPARAM>(ui::DefaultFontFor(Dpi()));
    for (HWND control : {status_, moreHelp_, memo_})
        ::SendMessageA(control, WM_SETFONT, font, TRUE);
    int parts[2] = {Scale(kStatusFirstPanel), -1};
    ::SendMessageA(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    for (int i = 0; i < static_cast<int>(toolButtons_.size()); ++i) {
        ::MoveWindow(toolButtons_[i].Handle(), Scale(4) + i * Scale(kToolButtonSize + 2), Scale(2), Scale(kToolButtonSize),
                     Scale(kToolButtonSize), TRUE);
        toolButtons_[i].SetImage(toolImages_.get(), i, Scale(32));
    }
}

void TKeltMainForm::OnDpiChanged(int dpi, const RECT* suggested)
{
    if (layoutDpi_ > 0 && dpi != layoutDpi_)
        detailsWidth_ = ::MulDiv(detailsWidth_, dpi, layoutDpi_);
    layoutDpi_ = dpi;
    ApplyScale();
    // Owner-drawn items are measured again once they are set up anew.
    if (finished_)
        SetXPMenus(options_.UseXPMenu);
    ui::Window::OnDpiChanged(dpi, suggested);
    Layout();
    UpdateLegend();
    ::RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void TKeltMainForm::FormCreate()
{
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
    ::ShowWindow(formPanel_.Handle(), SW_HIDE);
    ::EnableWindow(Handle(), FALSE);

    DetectRunningWindows();
    DetectRunningEdition();
    ::SetWindowTextA(Handle(), (ui::WindowText(Handle()) + "--[Now Running Under:" + FamilyName(OSFamily) + " ]").c_str());
    SetXPMenus(options_.UseXPMenu);

    catalogue_ = std::make_unique<JTRegSettings>();
    PassDisplayOptions();
    catalogue_->SetTablePaths(TableFolder + "KeltKinds.xdb", TableFolder + "KeltckItems.xdb", TableFolder + "KeltedItems.xdb");
    catalogue_->SetPageControlParent(pagesHost_.Handle());
    if (splash_)
        catalogue_->SetProgressBar(splash_->SettingsBar());
    catalogue_->SetDetailsMemo(memo_);
    catalogue_->SetEditorPanel(settingPanel_.Handle());
    catalogue_->OnKindChange = [this](JTSetItem* item) { KindChange(item); };
    catalogue_->OnModifiedCountChange = [this](JTSetItem*, bool) { ModifiedCountChange(); };
    // The pages are made for the layout they will show in.
    catalogue_->SetTabsVisible(options_.MainLayout == 1);

    JTPluginHostPlaces places;
    places.host = Handle();
    std::string folder = ProgramFolder();
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    places.folder = folder + "\\Plugins";
    places.progress = splash_ ? splash_->PluginsBar() : nullptr;
    places.barBox = pluginBox_.Handle();
    places.menuRoot = pluginsMenu_;
    if (PluginHostFactory)
        plugins_ = PluginHostFactory(places, options_);
    // A splash closed by hand before this window existed has already ended its step.
    if (splash_ && !splash_->Closed())
        splash_->OnClosed = [this] { SplashClosed(); };
    else
        splashGone_ = true;
    StartLoaders();
    // Laid out now, in the shape it will have when ready: the pages are made at their size.
    Layout();
}

void TKeltMainForm::StartLoaders()
{
    // The window may be gone before the loaders run (a failed start, a test); they check.
    std::weak_ptr<int> alive = life_;
    auto guarded = [this, alive](std::function<void()> work) {
        return [this, alive, work] {
            if (!alive.expired() && Handle())
                work();
        };
    };
    JTThreadExecute* settings = JTThreadExecute::Create(true);
    settings->OnExecute = guarded([this] { LoadSettingsTask(); });
    settings->OnTerminate = guarded([this] { LoaderDone(); });
    JTThreadExecute* plugins = JTThreadExecute::Create(true);
    plugins->OnExecute = guarded([this] { LoadPluginsTask(); });
    plugins->OnTerminate = guarded([this] { LoaderDone(); });
    loadersPending_ = 2;
    plugins->Resume();
    settings->Resume();
}

// ---------------------------------------------------------------- start-up

void TKeltMainForm::LoadSettingsTask()
{
    catalogue_->LoadAll();
    BuildSettingsButtons();
}

void TKeltMainForm::BuildSettingsButtons()
{
    ui::PageControl* pages = catalogue_->PageControl();
    if (!pages)
        return;
    settingImages_.reset(::ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, catalogue_->PageCount(), 4));
    outBar_.SetHeaderImages(kSettingsHeader, settingImages_.get());
    for (int i = 0; i < catalogue_->PageCount(); ++i) {
        JTSetKind* page = catalogue_->Page(i);
        ui::SideBarButton button;
        button.caption = page->Caption();
        button.hint = page->Caption();
        button.imageIndex = AddMaskedPicture(settingImages_.get(), page->Glyph(), 32);
        button.data = page;
        button.onClick = [this, i] {
            if (ui::PageControl* control = catalogue_->PageControl()) {
                control->SetActivePageIndex(i);
                control->BringActivePageToFront();
                if (ui::TabSheet* active = control->ActivePage())
                    backGroup_.SetCaption(active->Caption());
            }
        };
        outBar_.AddButton(kSettingsHeader, std::move(button));
    }
}

void TKeltMainForm::LoadPluginsTask()
{
    if (plugins_) {
        plugins_->RunStartupLoad(Handle());
        // Entries the manager just added are drawn like the rest of the menu.
        SetXPMenus(options_.UseXPMenu);
    }
    BuildPluginButtons();
}

void TKeltMainForm::BuildPluginButtons()
{
    pluginImages_.reset(::ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 4, 4));
    outBar_.SetHeaderImages(kPluginsHeader, pluginImages_.get());
    if (!plugins_)
        return;
    for (int i = 0; i < plugins_->PluginCount(); ++i) {
        ui::SideBarButton button;
        button.caption = plugins_->PluginName(i);
        button.hint = button.caption;
        button.imageIndex = AddMaskedPicture(pluginImages_.get(), plugins_->PluginGlyph(i), 32);
        button.data = plugins_->PluginData(i);
        void* plugin = button.data;
        button.onClick = [this, plugin] {
            if (plugins_)
                plugins_->ExecutePlugin(plugin);
        };
        outBar_.AddButton(kPluginsHeader, std::move(button));
    }
}

void TKeltMainForm::LoaderDone()
{
    --loadersPending_;
    if (splash_ && !splash_->Closed())
        splash_->Decrement();  // may close the splash, which then finishes the start
    else
        FinishIfComplete();
}

void TKeltMainForm::SplashClosed()
{
    splashGone_ = true;
    // The bars went with the splash.
    if (catalogue_)
        catalogue_->SetProgressBar(nullptr);
    if (plugins_)
        plugins_->SetProgress(nullptr);
    FinishIfComplete();
}

void TKeltMainForm::FinishIfComplete()
{
    // The splash may close on its timer while a loader still waits on a question: the window
    // becomes ready only after the last loader, with every page and button in place.
    if (!finished_ && splashGone_ && loadersPending_ <= 0)
        FinishStartup();
}

void TKeltMainForm::FinishStartup()
{
    if (finished_)
        return;
    finished_ = true;
    ++finishRuns_;
    if (search_.SetCatalogue)
        search_.SetCatalogue(catalogue_.get());
    SetApplyEnabled(catalogue_->ModifiedCount() >= 1);
    SetXPMenus(false);
    AttachItemMenus();
    SetXPMenus(options_.UseXPMenu);
    if (ui::PageControl* pages = catalogue_->PageControl())
        pages->SetTabsTitle("Catalogues");
    // Laid out once, below, when everything the layout depends on is set.
    if (options_.MainLayout == 1)
        ShowTabsLayout(false);
    else
        ShowBarsLayout(false);
    ::ShowWindow(settingPanel1_.Handle(), options_.ExpandItems ? SW_HIDE : SW_SHOW);
    // Mark the stored choices in the menus (they are the stored values: nothing to save).
    styleChecked_ = std::clamp(options_.OutBarStyle, 0, ui::kSideBarStyleCount - 1);
    outBar_.SetStyle(styleChecked_);
    ::CheckMenuRadioItem(sideBarMenu_.get(), IDM_STYLE_FIRST, IDM_STYLE_LAST, IDM_STYLE_FIRST + styleChecked_, MF_BYCOMMAND);
    mainLayoutShown_ = options_.MainLayout == 1 ? 1 : 0;
    ::CheckMenuRadioItem(itemMenu_.get(), IDM_LAYOUT_BARS, IDM_LAYOUT_TABS, IDM_LAYOUT_BARS + mainLayoutShown_, MF_BYCOMMAND);
    alignmentChecked_ = options_.OutBarLayout == ui::kAlignRight ? ui::kAlignRight : ui::kAlignLeft;
    outBar_.SetAlignment(alignmentChecked_);
    OrderSideBar();
    ::CheckMenuRadioItem(sideBarMenu_.get(), IDM_ALIGN_LEFT, IDM_ALIGN_RIGHT,
                         alignmentChecked_ == ui::kAlignRight ? IDM_ALIGN_RIGHT : IDM_ALIGN_LEFT, MF_BYCOMMAND);
    // Commands whose window this build lacks stay greyed.
    auto enable = [this](UINT id, bool on) { ::EnableMenuItem(mainMenu_, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    enable(IDM_RESTORE, static_cast<bool>(Dialogs.Records));
    enable(IDM_REDO, static_cast<bool>(Dialogs.Records));
    enable(IDM_SEARCH, static_cast<bool>(search_.ShowForm));
    ::EnableMenuItem(itemMenu_.get(), IDM_ITEM_SEARCH, MF_BYCOMMAND | (search_.ShowForm ? MF_ENABLED : MF_GRAYED));
    toolButtons_[1].SetEnabled(static_cast<bool>(search_.ShowForm));
    enable(IDM_CONFIG_PLUGINS, plugins_ != nullptr);
    UpdateLegend();
    Layout();
    ::ShowWindow(formPanel_.Handle(), SW_SHOW);
    ::EnableWindow(Handle(), TRUE);
    ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    ::SetForegroundWindow(Handle());
    // The keyboard starts where the user picks a catalogue.
    if (::GetActiveWindow() == Handle())
        if (HWND first = DefaultFocus())
            ::SetFocus(first);
}

void TKeltMainForm::AttachItemMenus()
{
    auto show = [this](HWND, POINT p) { ShowItemMenu(p); };
    ui::AttachContextMenu(memo_, show);
    ui::AttachContextMenu(detailsTitle_.Handle(), show);
    ui::AttachContextMenu(pluginBox_.Handle(), show);
    if (pluginBox_.Area())
        ui::AttachContextMenu(pluginBox_.Area(), show);
    // The row areas and compact lists of the pages pass their menu request up to this window
    // (WM_CONTEXTMENU), which knows them: nothing to attach to each of them.
    pageMenus_ = true;
}

bool TKeltMainForm::IsPageMenuSource(HWND source) const
{
    if (!pageMenus_ || !catalogue_ || !source)
        return false;
    for (int i = 0; i < catalogue_->PageCount(); ++i) {
        JTSetKind* page = catalogue_->Page(i);
        HWND list = page->CompactList();
        if (list && (source == list || ::IsChild(list, source)))
            return true;
        for (ui::ScrollBox* area : {page->CheckArea(), page->EditArea()})
            if (area && (source == area->Handle() || ::IsChild(area->Handle(), source)))
                return true;
    }
    return false;
}

// ---------------------------------------------------------------- layouts

void TKeltMainForm::ShowBarsLayout(bool layout)
{
    pluginBox_.SetVisible(false);
    ::ShowWindow(outBar_.Handle(), SW_SHOW);
    catalogue_->SetTabsVisible(false);
    if (ui::PageControl* pages = catalogue_->PageControl()) {
        if (pages->ActivePageIndex() < 0 && pages->PageCount() > 0)
            pages->SetActivePageIndex(0);
        if (ui::TabSheet* active = pages->ActivePage())
            backGroup_.SetCaption(active->Caption());
        pages->BringActivePageToFront();
        outBar_.SelectButton(kSettingsHeader, pages->ActivePageIndex());
    }
    if (layout)
        Layout();
}

void TKeltMainForm::ShowTabsLayout(bool layout)
{
    catalogue_->SetTabsVisible(true);
    ::ShowWindow(outBar_.Handle(), SW_HIDE);
    backGroup_.SetCaption("");
    pluginBox_.SetVisible(true);
    if (layout)
        Layout();
    if (ui::PageControl* pages = catalogue_->PageControl())
        pages->BringActivePageToFront();
}

void TKeltMainForm::ApplyLayoutOptions()
{
    ::ShowWindow(backGroup_.Handle(), SW_HIDE);
    if (options_.MainLayout == 1)
        ShowTabsLayout();
    else
        ShowBarsLayout();
    PassDisplayOptions();
    SetXPMenus(options_.UseXPMenu);
    ::ShowWindow(settingPanel1_.Handle(), options_.ExpandItems ? SW_HIDE : SW_SHOW);
    ::CheckMenuItem(itemMenu_.get(), IDM_ITEM_EXPAND, MF_BYCOMMAND | (options_.ExpandItems ? MF_CHECKED : MF_UNCHECKED));
    mainLayoutShown_ = options_.MainLayout == 1 ? 1 : 0;
    ::CheckMenuRadioItem(itemMenu_.get(), IDM_LAYOUT_BARS, IDM_LAYOUT_TABS, IDM_LAYOUT_BARS + mainLayoutShown_, MF_BYCOMMAND);
    catalogue_->ApplyColors();
    catalogue_->ArrangeAll();
    UpdateLegend();
    LayoutGroup();
    ::ShowWindow(backGroup_.Handle(), SW_SHOW);
}

void TKeltMainForm::PassDisplayOptions()
{
    if (!catalogue_)
        return;
    TRegSetOption& display = catalogue_->DisplaySettings();
    display.NotSuitShow = static_cast<std::uint8_t>(options_.NotSuitShow & 0xFF);
    display.ShowCreating = options_.ShowCreating;
    display.TWeakBackColor = options_.TWeakBackColor;
    display.TWeakSpace = options_.TWeakSpace;
    display.NorTWeakColor = options_.NorTWeakColor;
    display.ModTWeakColor = options_.ModTWeakColor;
    display.ExpandItems = options_.ExpandItems;
    if (ui::HighContrast()) {
        // The theme's colours stand in for the options' (which stay as they are): text on the
        // window colour, modified tweaks in the colour of links.
        display.TWeakBackColor = ui::SystemColour(COLOR_WINDOW);
        display.NorTWeakColor = ui::SystemColour(COLOR_WINDOWTEXT);
        display.ModTWeakColor = ui::SystemColour(COLOR_HOTLIGHT);
    }
}

void TKeltMainForm::SetApplyEnabled(bool enabled)
{
    enabled = enabled && Dialogs.Apply;
    toolButtons_[0].SetEnabled(enabled);
    ::EnableMenuItem(mainMenu_, IDM_APPLY, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

void TKeltMainForm::SetXPMenus(bool on)
{
    ui::SetXPMenu(Handle(), mainMenu_, on);
    ui::SetXPMenu(Handle(), sideBarMenu_.get(), on);
    ui::SetXPMenu(Handle(), itemMenu_.get(), on);
}

void TKeltMainForm::Layout()
{
    if (!Handle())
        return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    ::SendMessageA(status_, WM_SIZE, 0, 0);
    RECT bar{};
    ::GetWindowRect(status_, &bar);
    const int statusHeight = Shown(status_) ? bar.bottom - bar.top : 0;
    const int width = client.right, height = std::max<int>(0, client.bottom - statusHeight);
    formPanel_.SetBounds(0, 0, width, height);

    const int barHeight = Scale(kControlBarHeight);
    controlBar_.SetBounds(0, 0, width, barHeight);
    int left = 0, right = width;
    const int top = barHeight, bodyHeight = std::max(0, height - barHeight);
    if (Shown(outBar_.Handle())) {
        const int outWidth = Scale(kOutBarWidth);
        if (outBar_.Alignment() == ui::kAlignRight) {
            ::MoveWindow(outBar_.Handle(), right - outWidth, top, outWidth, bodyHeight, TRUE);
            right -= outWidth;
        } else {
            ::MoveWindow(outBar_.Handle(), 0, top, outWidth, bodyHeight, TRUE);
            left += outWidth;
        }
    }
    // The details column keeps its width unless the catalogue would get narrower than it.
    const int minDetails = Scale(kDetailsMinWidth);
    const int splitWidth = Scale(4);
    const int room = right - left;
    const int details = std::clamp(detailsWidth_, std::min(minDetails, room / 2), std::max(minDetails, room / 2));
    splitter_.SetRightWidth(details);
    splitter_.SetLimits(minDetails, std::max(minDetails, room - Scale(200)));
    panel2_.SetBounds(right - details, top, details, bodyHeight);
    splitter_.SetBounds(right - details - splitWidth, top, splitWidth, bodyHeight);
    backGroup_.SetBounds(left, top, std::max(0, right - details - splitWidth - left), bodyHeight);
    LayoutGroup();
    LayoutControlBar();
}

void TKeltMainForm::LayoutGroup()
{
    if (!backGroup_.Handle())
        return;
    RECT inner = backGroup_.InnerRect();
    int top = inner.top;
    const int width = inner.right - inner.left;
    if (Shown(settingPanel1_.Handle())) {
        const int h = Scale(kSettingPanel1Height);
        settingPanel1_.SetBounds(inner.left, top, width, h);
        legend_.SetBounds(0, 0, width, Scale(26));
        settingPanel_.SetBounds(0, Scale(26), width, h - Scale(26));
        top += h + Scale(2);
    }
    pagesHost_.SetBounds(inner.left, top, width, std::max<int>(0, inner.bottom - top));
}

void TKeltMainForm::LayoutControlBar()
{
    ControlBar1Resize();
}

void TKeltMainForm::ControlBar1Resize()
{
    if (!Shown(pluginBox_.Handle()))
        return;
    RECT bar{};
    ::GetClientRect(controlBar_.Handle(), &bar);
    const int left = Scale(4) + 4 * Scale(kToolButtonSize + 2) + Scale(4);
    pluginBox_.SetBounds(left, 0, std::max<int>(0, bar.right - left), bar.bottom);
}

void TKeltMainForm::UpdateLegend()
{
    if (!legend_.Handle())
        return;
    RECT r{};
    ::GetClientRect(legend_.Handle(), &r);
    const int hint = Scale(34), help = Scale(75), gap = Scale(8);
    ::MoveWindow(hintLabel_.Handle(), Scale(4), 0, hint, r.bottom, TRUE);
    ::MoveWindow(moreHelp_, std::max<int>(0, r.right - help - Scale(3)), (r.bottom - Scale(23)) / 2, help, Scale(23), TRUE);
    const int x0 = Scale(4) + hint + gap;
    const int available = std::max(0, static_cast<int>(r.right) - help - Scale(6) - x0);
    const int each = available / 4;
    const bool contrast = ui::HighContrast();
    const COLORREF back = contrast ? ::GetSysColor(COLOR_WINDOW) : ui::ResolveColour(options_.TWeakBackColor);
    const COLORREF normal = contrast ? ::GetSysColor(COLOR_BTNTEXT) : ui::ResolveColour(options_.NorTWeakColor);
    const COLORREF modified = contrast ? ::GetSysColor(COLOR_BTNTEXT) : ui::ResolveColour(options_.ModTWeakColor);
    const JTRegSettings::StatePictureId pictures[4] = {JTRegSettings::spNorTick, JTRegSettings::spModTick,
                                                       JTRegSettings::spNorEdit, JTRegSettings::spModEdit};
    for (int i = 0; i < 4; ++i) {
        ::MoveWindow(samples_[i]->Handle(), x0 + i * each, 0, std::max(0, each - gap), r.bottom, TRUE);
        samples_[i]->Set(catalogue_ ? catalogue_->StatePicture(pictures[i]) : nullptr, i % 2 ? modified : normal, back);
    }
}

void TKeltMainForm::OnSize(UINT type, int, int)
{
    if (type != SIZE_MINIMIZED)
        Layout();
}

// ---------------------------------------------------------------- catalogue events

void TKeltMainForm::KindChange(JTSetItem* item)
{
    if (!item || !catalogue_)
        return;
    const int index = item->KindIndex();
    outBar_.SelectButton(kSettingsHeader, index);
    if (JTSetKind* page = catalogue_->Page(index))
        if (Shown(outBar_.Handle()))
            backGroup_.SetCaption(page->Caption());
}

void TKeltMainForm::ModifiedCountChange()
{
    const int count = catalogue_ ? catalogue_->ModifiedCount() : 0;
    SetApplyEnabled(count >= 1);
    const std::string text = "Modified Item Count:" + std::to_string(count);
    ::SendMessageA(status_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ui::NotifyAccessible(EVENT_OBJECT_NAMECHANGE, status_, 1);
}

// ---------------------------------------------------------------- keyboard and colours

void TKeltMainForm::StepCatalogue(int delta)
{
    ui::PageControl* pages = catalogue_ ? catalogue_->PageControl() : nullptr;
    if (!finished_ || !pages || pages->PageCount() == 0)
        return;
    const int count = pages->PageCount();
    const int index = ((std::max(0, pages->ActivePageIndex()) + delta) % count + count) % count;
    HWND focus = ::GetFocus();
    const bool inPages = focus && ::IsChild(pagesHost_.Handle(), focus);
    if (Shown(outBar_.Handle())) {
        outBar_.ClickButton(kSettingsHeader, index);  // as a click on its button does
    } else {
        pages->SetActivePageIndex(index);
        pages->BringActivePageToFront();
    }
    // The focus was on the page that went: it goes to the new page's first control.
    if (inPages) {
        if (ui::TabSheet* page = pages->ActivePage()) {
            HWND first = ::GetNextDlgTabItem(page->Handle(), nullptr, FALSE);
            ::SetFocus(first ? first : pages->Handle());
        }
    }
}

HWND TKeltMainForm::DefaultFocus() const
{
    if (Shown(outBar_.Handle()))
        return outBar_.Handle();
    ui::PageControl* pages = catalogue_ ? catalogue_->PageControl() : nullptr;
    if (pages && pages->Tabs() && Shown(pages->Tabs()))
        return pages->Tabs();
    return ::GetNextDlgTabItem(Handle(), nullptr, FALSE);
}

void TKeltMainForm::OrderSideBar()
{
    // Tab walks the window as the eye reads it: a side bar on the right comes last.
    HWND after = outBar_.Alignment() == ui::kAlignRight ? panel2_.Handle() : controlBar_.Handle();
    ::SetWindowPos(outBar_.Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TKeltMainForm::OnColoursChanged()
{
    // The tweaks take the theme's colours with high contrast, the options' without.
    PassDisplayOptions();
    if (catalogue_ && finished_)
        catalogue_->ApplyColors();
    UpdateLegend();
}

std::string TKeltMainForm::StatusText() const
{
    char buffer[256] = {};
    ::SendMessageA(status_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// ---------------------------------------------------------------- commands

bool TKeltMainForm::OnCommand(int id, int, HWND)
{
    if (id >= kPluginCommandFirst && id <= kPluginCommandLast)
        return plugins_ && plugins_->HandleCommand(id);
    if (id >= IDM_STYLE_FIRST && id <= IDM_STYLE_LAST) {
        Outlook1Click(id - IDM_STYLE_FIRST);
        return true;
    }
    switch (id) {
    case IDM_OPTIONS: pmiOptionsClick(); return true;
    case IDM_RESTART: RestartWindows1Click(); return true;
    case IDM_EXIT: pmiExitClick(); return true;
    case IDM_SEARCH: pmiSearchClick(); return true;
    case IDM_ITEM_SEARCH: ShowSearch(); return true;
    case IDM_REFRESH: pmiRefreshClick(); return true;
    case IDM_APPLY: pmiApplyClick(); return true;
    case IDM_RESTORE: Restore1Click(); return true;
    case IDM_REDO: Redorecords1Click(); return true;
    case IDM_CONFIG_PLUGINS: pmiConfigPluginsClick(); return true;
    case IDM_LIVE_UPDATE: LiveUpdate1Click(); return true;
    case IDM_CONTENT:
    case IDM_ITEM_HELP: pmiContentClick(); return true;
    case IDM_ONLINE: pmiOnlineClick(); return true;
    case IDM_ABOUT: pmiAboutClick(); return true;
    case IDM_ALIGN_LEFT: pmiLeftClick(ui::kAlignLeft); return true;
    case IDM_ALIGN_RIGHT: pmiLeftClick(ui::kAlignRight); return true;
    case IDM_LAYOUT_BARS: Bars1Click(0); return true;
    case IDM_LAYOUT_TABS: Bars1Click(1); return true;
    case IDM_ITEM_EXPAND: pmiSetItemClick(); return true;
    case IDM_NEXT_CATALOGUE: StepCatalogue(1); return true;
    case IDM_PREVIOUS_CATALOGUE: StepCatalogue(-1); return true;
    default: return false;
    }
}

void TKeltMainForm::SaveOptions()
{
    options_.SaveOptions();
}

void TKeltMainForm::pmiOptionsClick()
{
    if (Dialogs.Options && Dialogs.Options(Handle(), options_) == 1)
        ApplyLayoutOptions();
}

void TKeltMainForm::RestartWindows1Click()
{
    if (ui::ShowMessage(Handle(), "Do you really want to restart Windows?", "Warning!", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    if (RestartWindows(EWX_REBOOT))
        return;
    const DWORD error = CurrentSystemCalls().GetLastError ? CurrentSystemCalls().GetLastError() : ::GetLastError();
    ui::ShowMessage(Handle(), "Windows could not be restarted: " + SystemErrorText(error), "Error", MB_OK | MB_ICONERROR);
}

void TKeltMainForm::pmiExitClick()
{
    ::UpdateWindow(Handle());
    ::SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

void TKeltMainForm::pmiSearchClick()
{
    if (search_.SetUseXPMenu)
        search_.SetUseXPMenu(options_.UseXPMenu);
    ShowSearch();
}

void TKeltMainForm::ShowSearch()
{
    if (search_.ShowForm)
        search_.ShowForm();
}

void TKeltMainForm::pmiRefreshClick()
{
    if (catalogue_)
        catalogue_->RefreshAll();
}

void TKeltMainForm::pmiApplyClick()
{
    if (!catalogue_)
        return;
    if (ui::PageControl* pages = catalogue_->PageControl())
        ::SetFocus(pages->Handle());
    if (catalogue_->ModifiedCount() < 1)
        return;
    const std::string record = RecordFileNameFor(ProgramFolder(), Today());
    if (Dialogs.Apply)
        Dialogs.Apply(Handle(), record, *catalogue_);
}

void TKeltMainForm::Restore1Click()
{
    if (Dialogs.Records)
        Dialogs.Records(Handle(), 1, catalogue_.get());
}

void TKeltMainForm::Redorecords1Click()
{
    if (Dialogs.Records)
        Dialogs.Records(Handle(), 0, catalogue_.get());
}

void TKeltMainForm::pmiConfigPluginsClick()
{
    if (!plugins_)
        return;
    if (plugins_->RunConfigDialog(Handle()) == 0)
        return;
    outBar_.ClearButtons(kPluginsHeader);
    outBar_.SetHeaderImages(kPluginsHeader, nullptr);
    pluginImages_.reset();
    BuildPluginButtons();
    SetXPMenus(options_.UseXPMenu);
}

void TKeltMainForm::OpenShell(const char* verb, const std::string& file, int show, const std::string& what)
{
    if (!ShellOpen)
        return;
    const std::string error = ShellOpen(Handle(), verb, file, show);
    if (!error.empty())
        ui::ShowMessage(Handle(), what + " could not be opened: " + error, "Error", MB_OK | MB_ICONERROR);
}

void TKeltMainForm::LiveUpdate1Click()
{
    OpenShell("open", ProgramFolder() + kUpdaterFileName, SW_SHOW, ProgramFolder() + kUpdaterFileName);
}

void TKeltMainForm::pmiContentClick()
{
    ShowHelpTopic("::/index.htm", Handle());
}

void TKeltMainForm::pmiOnlineClick()
{
    OpenShell(nullptr, kWebAddress, SW_SHOWNORMAL, kWebAddress);
}

void TKeltMainForm::pmiAboutClick()
{
    if (Dialogs.About)
        Dialogs.About(Handle());
}

void TKeltMainForm::Outlook1Click(int style)
{
    if (style == styleChecked_)
        return;
    styleChecked_ = style;
    outBar_.SetStyle(style);
    ::CheckMenuRadioItem(sideBarMenu_.get(), IDM_STYLE_FIRST, IDM_STYLE_LAST, IDM_STYLE_FIRST + style, MF_BYCOMMAND);
    options_.OutBarStyle = style;
    SaveOptions();
}

void TKeltMainForm::pmiLeftClick(int alignment)
{
    if (alignment == alignmentChecked_)
        return;
    alignmentChecked_ = alignment;
    outBar_.SetAlignment(alignment);
    ::CheckMenuRadioItem(sideBarMenu_.get(), IDM_ALIGN_LEFT, IDM_ALIGN_RIGHT,
                         alignment == ui::kAlignRight ? IDM_ALIGN_RIGHT : IDM_ALIGN_LEFT, MF_BYCOMMAND);
    options_.OutBarLayout = alignment;
    OrderSideBar();
    Layout();
    SaveOptions();
}

void TKeltMainForm::Bars1Click(int layout)
{
    if (layout == mainLayoutShown_)
        return;
    mainLayoutShown_ = layout;
    ::CheckMenuRadioItem(itemMenu_.get(), IDM_LAYOUT_BARS, IDM_LAYOUT_TABS, IDM_LAYOUT_BARS + layout, MF_BYCOMMAND);
    options_.MainLayout = layout;
    // Laid out before saving: a save the registry refuses leaves a consistent window.
    ApplyLayoutOptions();
    SaveOptions();
}

void TKeltMainForm::pmiSetItemClick()
{
    options_.ExpandItems = !options_.ExpandItems;
    ::CheckMenuItem(itemMenu_.get(), IDM_ITEM_EXPAND, MF_BYCOMMAND | (options_.ExpandItems ? MF_CHECKED : MF_UNCHECKED));
    ::ShowWindow(settingPanel1_.Handle(), options_.ExpandItems ? SW_HIDE : SW_SHOW);
    ApplyLayoutOptions();
    SaveOptions();
}

void TKeltMainForm::ItemPopupMenuPopup()
{
    ::CheckMenuItem(itemMenu_.get(), IDM_ITEM_EXPAND, MF_BYCOMMAND | (options_.ExpandItems ? MF_CHECKED : MF_UNCHECKED));
    Bars1Click(options_.MainLayout == 1 ? 1 : 0);
}

void TKeltMainForm::ShowItemMenu(POINT screen)
{
    ItemPopupMenuPopup();
    ui::TrackMenu(itemMenu_.get(), Handle(), screen);
}

void TKeltMainForm::ShowSideBarMenu(POINT screen)
{
    ui::TrackMenu(sideBarMenu_.get(), Handle(), screen);
}

// ---------------------------------------------------------------- messages

bool TKeltMainForm::OnClose()
{
    // Disabled, the window is loading or something runs that uses what it owns (a dialog, a
    // question, a search, a plug-in's window): freeing it now would pull the catalogue or
    // the plug-ins out from under that. The close waits until the window is enabled again.
    if (!::IsWindowEnabled(Handle())) {
        closePending_ = true;
        return true;
    }
    // Closing for good: nothing of the start may reach the window any more.
    if (splash_)
        splash_->OnClosed = nullptr;
    return false;  // the window closes and is destroyed
}

void TKeltMainForm::OnDestroy()
{
    // Catalogue, plug-in host, options: in this order.
    catalogue_.reset();
    plugins_.reset();
    if (&options_ == KeltOptions())
        FreeKeltOptions();
    if (QuitOnDestroy)
        ::PostQuitMessage(0);
}

LRESULT TKeltMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize.x = Scale(640);
        info->ptMinTrackSize.y = Scale(420);
        return 0;
    }
    case WM_CONTEXTMENU: {
        // Passed up from a child, the request names the child it passed through last: the
        // window asked is the one under the pointer, or the one with the focus for a request
        // from the keyboard.
        const bool keyboard = lParam == -1;
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        HWND source = keyboard ? ::GetFocus() : ::WindowFromPoint(at);
        if (!IsPageMenuSource(source))
            break;
        if (keyboard) {
            RECT r{};
            ::GetWindowRect(source, &r);
            at = POINT{r.left + 4, r.top + 4};
        }
        ShowItemMenu(at);
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(Handle(), focus))
                lastFocus_ = focus;
        }
        break;
    case WM_SETFOCUS:
        // The window passes the focus on to the control that had it, or to the first place to
        // start from.
        if (finished_) {
            HWND target = lastFocus_;
            if (!target || !::IsWindow(target) || !::IsChild(Handle(), target) || !::IsWindowVisible(target) ||
                !::IsWindowEnabled(target))
                target = DefaultFocus();
            if (target) {
                ::SetFocus(target);
                return 0;
            }
        }
        break;
    case WM_ENABLE:
        if (wParam && closePending_) {
            closePending_ = false;
            ::PostMessageA(Handle(), WM_CLOSE, 0, 0);
        }
        break;
    case WM_SETCURSOR:
        if (!finished_ && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return ui::Window::HandleMessage(message, wParam, lParam);
}

} // namespace kelt
