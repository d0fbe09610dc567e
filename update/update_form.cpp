#include "update/update_form.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "update/update_ids.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/paint.h"
#include "ui/seams.h"

namespace kelt::update {

// ---------------------------------------------------------------- log window

TpfrmLog::TpfrmLog(std::vector<std::string> lines) : ui::Dialog(IDD_LOG), lines_(std::move(lines)) {}

bool TpfrmLog::OnInitDialog()
{
    std::string text;
    for (const std::string& line : lines_)
        text += line + "\r\n";
    SetItemText(IDC_LOG_TEXT, text);
    // Focus on OK, so the text is not shown selected.
    ::SetFocus(Item(IDOK));
    return false;
}

void TpfrmLog::PlaceBelow(HWND window)
{
    RECT owner, own, work;
    ::GetWindowRect(window, &owner);
    ::GetWindowRect(Handle(), &own);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = own.right - own.left, height = own.bottom - own.top;
    // Below the main window, so that both stay readable; pushed up as far as the screen needs.
    int x = (owner.left + owner.right - width) / 2;
    int y = owner.bottom + Scale(8);
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------- main window

TpfrmUpdate::TpfrmUpdate(RunSettings settings) : ui::Dialog(IDD_UPDATE), run_(std::move(settings), *this) {}

TpfrmUpdate::~TpfrmUpdate()
{
    if (log_)
        log_->End(IDOK);
    if (Handle())
        ::DestroyWindow(Handle());
}

bool TpfrmUpdate::Create()
{
    return CreateModeless(nullptr);
}

TpfrmLog* TpfrmUpdate::LogWindow() const
{
    return log_ && log_->Handle() ? log_.get() : nullptr;
}

bool TpfrmUpdate::OnInitDialog()
{
    MakeFonts();

    const int big = ::GetSystemMetrics(SM_CXICON), small = ::GetSystemMetrics(SM_CXSMICON);
    bigIcon_.reset(static_cast<HICON>(
        ::LoadImageA(ui::Instance(), MAKEINTRESOURCEA(IDI_UPDATE), IMAGE_ICON, big, big, LR_DEFAULTCOLOR)));
    smallIcon_.reset(static_cast<HICON>(
        ::LoadImageA(ui::Instance(), MAKEINTRESOURCEA(IDI_UPDATE), IMAGE_ICON, small, small, LR_DEFAULTCOLOR)));
    ::SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    ::SendMessageA(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));

    int parts[] = {-1};
    ::SendMessageA(Item(IDC_STATUS), SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    for (int bar : {IDC_PRODOWN, IDC_PROUPDATE}) {
        ::SendMessageA(Item(bar), PBM_SETRANGE32, 0, 100);
        ::SendMessageA(Item(bar), PBM_SETPOS, 0, 0);
    }
    ShowStart(true);
    return true;
}

void TpfrmUpdate::MakeFonts()
{
    const HFONT font = reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0));
    LOGFONTA face{};
    ::GetObjectA(font ? static_cast<HGDIOBJ>(font) : ui::DefaultFontFor(Dpi()), sizeof face, &face);
    face.lfWeight = FW_BOLD;
    boldFont_.reset(::CreateFontIndirectA(&face));
    face.lfHeight = -Scale(18);
    bannerFont_.reset(::CreateFontIndirectA(&face));
}

void TpfrmUpdate::OnDpiChanged(int dpi, const RECT* suggested)
{
    // The labels in bold keep their weight in the new size.
    std::vector<HWND> bold;
    for (HWND child = ::GetWindow(Handle(), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (reinterpret_cast<HFONT>(::SendMessageA(child, WM_GETFONT, 0, 0)) == boldFont_.get())
            bold.push_back(child);
    MakeFonts();
    for (HWND child : bold)
        ::SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), TRUE);
    ui::Dialog::OnDpiChanged(dpi, suggested);
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

void TpfrmUpdate::ShowStart(bool start)
{
    ::ShowWindow(Item(IDC_START), start ? SW_SHOW : SW_HIDE);
    ::ShowWindow(Item(IDCANCEL), start ? SW_HIDE : SW_SHOW);
    ::SendMessageA(Handle(), DM_SETDEFID, start ? IDC_START : IDCANCEL, 0);
}

void TpfrmUpdate::SetBold(int id, bool bold)
{
    const HFONT font = bold ? boldFont_.get() : reinterpret_cast<HFONT>(::SendMessageA(Handle(), WM_GETFONT, 0, 0));
    ::SendMessageA(Item(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool TpfrmUpdate::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_START && (code == BN_CLICKED || !control)) {
        pbtnStartClick();
        return true;
    }
    return ui::Dialog::OnCommand(id, code, control);
}

INT_PTR TpfrmUpdate::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE) {
        // While files are on their way the close box asks first, like Cancel.
        if (run_.Running())
            pbtnCancelClick();
        else
            CloseWindow();
        return TRUE;
    }
    if (message == WM_DRAWITEM && wParam == IDC_BANNER) {
        DrawBanner(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
    }
    return ui::Dialog::HandleMessage(message, wParam, lParam);
}

void TpfrmUpdate::DrawBanner(const DRAWITEMSTRUCT& item)
{
    const HDC dc = item.hDC;
    RECT r = item.rcItem;
    // A white banner with dark blue words; the theme's window colours in high contrast.
    const bool contrast = ui::HighContrast();
    ::FillRect(dc, &r, contrast ? ::GetSysColorBrush(COLOR_WINDOW) : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    const int icon = ui::SystemMetricFor(SM_CXICON, Dpi());
    const int margin = Scale(10);
    const int top = r.top + (r.bottom - r.top - icon) / 2;
    if (bigIcon_)
        ::DrawIconEx(dc, r.left + margin, top, bigIcon_.get(), icon, icon, 0, nullptr, DI_NORMAL);
    RECT text = r;
    text.left += margin * 2 + icon;
    ui::SelectedObject selected(dc, bannerFont_.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, contrast ? ::GetSysColor(COLOR_WINDOWTEXT) : RGB(0x1F, 0x3A, 0x6E));
    const std::string caption = ui::WindowText(item.hwndItem);
    ::DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

void TpfrmUpdate::pbtnStartClick()
{
    if (run_.Running() || !::IsWindowVisible(Item(IDC_START)))
        return;
    ShowStart(false);
    switch (run_.Start(Handle())) {
    case JTUpdateRun::Outcome::NotStarted:
        ShowStart(true);
        break;
    case JTUpdateRun::Outcome::NothingNew:
    case JTUpdateRun::Outcome::Ended:
        break;
    case JTUpdateRun::Outcome::Finished:
        log_ = std::make_unique<TpfrmLog>(run_.Log());
        if (log_->CreateModeless(Handle())) {
            log_->PlaceBelow(Handle());
            ::ShowWindow(log_->Handle(), SW_SHOW);
        }
        SetStatus("Update finished!");
        SetItemText(IDCANCEL, "&Exit");
        break;
    }
}

void TpfrmUpdate::pbtnCancelClick()
{
    if (!::IsWindowVisible(Item(IDCANCEL)) || ended_)
        return;
    if (ItemText(IDCANCEL) == "&Exit") {
        CloseWindow();
        return;
    }
    if (ui::ShowMessage(Handle(), "Update not finished!\nDo you really want to cancel?", "Warning",
                        MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    run_.Abort();
    EndProgram();
}

void TpfrmUpdate::CloseWindow()
{
    run_.SaveLog();
    if (log_)
        log_->End(IDOK);
    if (Handle())
        ::DestroyWindow(Handle());
    EndProgram();
}

void TpfrmUpdate::EndProgram()
{
    if (ended_)
        return;
    ended_ = true;
    if (OnEndProgram)
        OnEndProgram();
    else
        ::PostQuitMessage(0);
}

void TpfrmUpdate::SetStatus(const std::string& text)
{
    const HWND status = Item(IDC_STATUS);
    ::SendMessageA(status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::UpdateWindow(status);
}

void TpfrmUpdate::SetDownloadBar(int percent)
{
    ::SendMessageA(Item(IDC_PRODOWN), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    ::UpdateWindow(Item(IDC_PRODOWN));
}

void TpfrmUpdate::SetInstallBar(int percent)
{
    ::SendMessageA(Item(IDC_PROUPDATE), PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    ::UpdateWindow(Item(IDC_PROUPDATE));
}

void TpfrmUpdate::DownloadsStarted()
{
    SetItemText(IDC_PLDOWN, "Downloading update files....");
    SetBold(IDC_PLDOWN, true);
    SetBold(IDC_PLUPDATE, false);
}

void TpfrmUpdate::InstallStarted()
{
    SetBold(IDC_PLDOWN, false);
    SetBold(IDC_PLUPDATE, true);
}

} // namespace kelt::update
