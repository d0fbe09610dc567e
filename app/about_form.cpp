#include "app/about_form.h"

#include <commctrl.h>
#include <shellapi.h>

#include "app/main_ids.h"
#include "app/program_info.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/paint.h"

namespace kelt {

TKeltAboutForm::TKeltAboutForm() : ui::Dialog(IDD_ABOUT)
{
    OnLinkClick = [] { ::ShellExecuteA(nullptr, nullptr, kWebAddress, nullptr, nullptr, SW_SHOWNORMAL); };
}

TKeltAboutForm::~TKeltAboutForm() = default;

const char* TKeltAboutForm::ThanksText()
{
    return "Keltrix stands on the shoulders of many people.\r\n\r\n"
           "Thanks to everyone who documented the registry settings of Windows in articles, "
           "newsgroups and knowledge-base notes over the years: the catalogue of this program "
           "is built on their patient work.\r\n\r\n"
           "Thanks to the testers who tried each tweak on Windows 95, 98, ME, NT, 2000, XP and "
           "the server family, and reported what a setting really does.\r\n\r\n"
           "Thanks to the authors of the plug-ins and to every user who sent a suggestion, a "
           "correction or a bug report.";
}

bool TKeltAboutForm::OnInitDialog()
{
    HWND tabs = Item(IDC_ABOUT_TABS);
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<char*>("About...");
    ::SendMessageA(tabs, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tab));
    tab.pszText = const_cast<char*>("Thanks");
    ::SendMessageA(tabs, TCM_INSERTITEMA, 1, reinterpret_cast<LPARAM>(&tab));

    MakeTitleFont(Dpi());
    SetItemText(IDC_ABOUT_PRODUCT, kProductName);
    SetItemText(IDC_ABOUT_VERSION, kProductVersionText);
    SetItemText(IDC_THANKS_TEXT, ThanksText());

    ui::UniqueBitmap mark(static_cast<HBITMAP>(
        ::LoadImageA(ui::Instance(), MAKEINTRESOURCEA(IDB_PROGRAM_ICON), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (mark) {
        ui::UniqueImageList list(::ImageList_Create(32, 32, ILC_COLOR24 | ILC_MASK, 1, 1));
        ::ImageList_AddMasked(list.get(), mark.get(), RGB(255, 0, 255));
        icon_.reset(::ImageList_GetIcon(list.get(), 0, ILD_NORMAL));
        ::SendMessageA(Item(IDC_ABOUT_PICTURE), STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    }

    // The link sits under the texts of the first page.
    RECT place{64, 100, 234, 112};
    ::MapDialogRect(Handle(), &place);
    link_.CreateIn(Handle(), kWebAddress, place.left, place.top, place.right - place.left, place.bottom - place.top,
                   IDC_ABOUT_LINK);
    link_.SetLink(true);
    link_.SetTextColour(ui::LinkColour());
    link_.SetBackColour(ui::SystemColour(COLOR_WINDOW));
    link_.OnClick = [this] {
        if (OnLinkClick)
            OnLinkClick();
    };
    // Above the tab control, so the page's controls draw over it.
    for (int id : {IDC_ABOUT_PICTURE, IDC_ABOUT_PRODUCT, IDC_ABOUT_VERSION, IDC_ABOUT_COPYRIGHT, IDC_THANKS_TEXT})
        ::SetWindowPos(Item(id), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetWindowPos(link_.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SelectPage(pgAbout);
    return true;
}

void TKeltAboutForm::MakeTitleFont(int dpi)
{
    ui::UniqueFont font(ui::CreateUiFont(FW_BOLD, 220, false, dpi));
    ::SendMessageA(Item(IDC_ABOUT_PRODUCT), WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    titleFont_ = std::move(font);
}

void TKeltAboutForm::OnDpiChanged(int dpi, const RECT* suggested)
{
    MakeTitleFont(dpi);
    ui::Dialog::OnDpiChanged(dpi, suggested);
}

void TKeltAboutForm::SelectPage(int page)
{
    page_ = page == pgThanks ? pgThanks : pgAbout;
    ::SendMessageA(Item(IDC_ABOUT_TABS), TCM_SETCURSEL, page_, 0);
    const int about = page_ == pgAbout ? SW_SHOW : SW_HIDE;
    for (int id : {IDC_ABOUT_PICTURE, IDC_ABOUT_PRODUCT, IDC_ABOUT_VERSION, IDC_ABOUT_COPYRIGHT})
        ::ShowWindow(Item(id), about);
    ::ShowWindow(link_.Handle(), about);
    ::ShowWindow(Item(IDC_THANKS_TEXT), page_ == pgThanks ? SW_SHOW : SW_HIDE);
}

bool TKeltAboutForm::OnNotify(NMHDR& header, LRESULT&)
{
    if (header.idFrom == IDC_ABOUT_TABS && header.code == TCN_SELCHANGE) {
        SelectPage(static_cast<int>(::SendMessageA(Item(IDC_ABOUT_TABS), TCM_GETCURSEL, 0, 0)));
        return true;
    }
    return false;
}

bool TKeltAboutForm::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    // The texts sit on the tab control's page area.
    if (message != WM_CTLCOLORSTATIC || control == Item(IDC_THANKS_TEXT))
        return false;
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    if (control == Item(IDC_ABOUT_PRODUCT))
        ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHT));
    result = reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    return true;
}

} // namespace kelt
