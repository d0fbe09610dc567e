#include "app/options_form.h"

#include <commctrl.h>
#include <uxtheme.h>

#include "app/html_help.h"
#include "app/options_ids.h"
#include "storage/error.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/seams.h"
#include "ui/xp_style.h"

namespace kelt {

namespace {

const char* const kPageTitles[] = {"Layout", "Appearence", "Advance"};
const int kPageTemplates[] = {IDD_OPTIONS_LAYOUT, IDD_OPTIONS_APPEARENCE, IDD_OPTIONS_ADVANCE};

// A layout picture from the resources, scaled to a DPI. Null when missing.
HBITMAP LoadPicture(int id, int dpi)
{
    HINSTANCE module = ui::Instance();
    auto bitmap = static_cast<HBITMAP>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!bitmap)
        return nullptr;
    BITMAP info = {};
    ::GetObjectA(bitmap, sizeof info, &info);
    const int width = ui::ScaleFor(info.bmWidth, dpi);
    const int height = ui::ScaleFor(info.bmHeight, dpi);
    if (width == info.bmWidth && height == info.bmHeight)
        return bitmap;
    ::DeleteObject(bitmap);
    return static_cast<HBITMAP>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, width, height, 0));
}

// The options dialog being shown modally on this thread; its key filter feeds it page keys.
thread_local TKeltOptionsForm* t_modalForm = nullptr;

LRESULT CALLBACK PageKeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == MSGF_DIALOGBOX && t_modalForm && lParam) {
        if (t_modalForm->TranslatePageKey(*reinterpret_cast<const MSG*>(lParam)))
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

// One page: a child dialog over the tab control's display area. Its controls talk to the
// options dialog, which holds all state.
class TKeltOptionsForm::PageDialog : public ui::Dialog {
public:
    PageDialog(TKeltOptionsForm& form, int templateId) : ui::Dialog(templateId), form_(form) {}

protected:
    bool OnInitDialog() override { return false; }
    bool OnCommand(int id, int code, HWND control) override { return form_.PageCommand(id, code); }
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override
    {
        return form_.PageCtlColor(dc, control, result);
    }

private:
    TKeltOptionsForm& form_;
};

TKeltOptionsForm::TKeltOptionsForm(HWND owner, int* result, JTKeltOptions* options)
    : ui::Dialog(IDD_OPTIONS), owner_(owner), result_(result), options_(options)
{
}

TKeltOptionsForm::~TKeltOptionsForm()
{
    if (keyFilter_)
        ::UnhookWindowsHookEx(keyFilter_);
    if (t_modalForm == this)
        t_modalForm = nullptr;
}

INT_PTR TKeltOptionsForm::ShowModal()
{
    TKeltOptionsForm* outer = t_modalForm;
    t_modalForm = this;
    keyFilter_ = ::SetWindowsHookExA(WH_MSGFILTER, PageKeyFilter, nullptr, ::GetCurrentThreadId());
    const INT_PTR answer = RunModal(owner_);
    if (keyFilter_)
        ::UnhookWindowsHookEx(keyFilter_);
    keyFilter_ = nullptr;
    t_modalForm = outer;
    return answer;
}

bool TKeltOptionsForm::OnInitDialog()
{
    FormCreate();
    return true;
}

void TKeltOptionsForm::FormCreate()
{
    if (!options_) {
        ownOptions_ = std::make_unique<JTKeltOptions>();
        options_ = ownOptions_.get();
    }
    ui::InitCommonControlsOnce();
    CreatePages();
    ui::ApplyXPStyle(Handle(), options_->UseXPMenu);

    HWND layouts = ::GetDlgItem(PageHandle(pgLayout), IDC_MAIN_LAYOUT);
    ::SendMessageA(layouts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Bars"));
    ::SendMessageA(layouts, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Tabs"));

    ShowPreviewPictures(Dpi());

    FillControls();
    SelectPage(pgLayout);
}

void TKeltOptionsForm::CreatePages()
{
    HWND tabs = Item(IDC_OPTIONS_PAGES);
    for (int i = 0; i < kPageCount; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(kPageTitles[i]);
        ::SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }

    // The display area of the tab control, in the dialog's client coordinates.
    RECT area;
    ::GetWindowRect(tabs, &area);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    ::SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));

    // Pages follow the tab control in Z order, so Tab moves from the tabs into the page.
    HWND after = tabs;
    for (int i = 0; i < kPageCount; ++i) {
        pages_[i] = std::make_unique<PageDialog>(*this, kPageTemplates[i]);
        if (!pages_[i]->CreateModeless(Handle()))
            throw Error(std::string("The options page \"") + kPageTitles[i] + "\" could not be created.");
        HWND page = pages_[i]->Handle();
        if (options_->UseXPMenu)
            ::EnableThemeDialogTexture(page, ETDT_ENABLETAB);
        ::SetWindowPos(page, after, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_NOACTIVATE | SWP_HIDEWINDOW);
        after = page;
    }
}

void TKeltOptionsForm::FillControls()
{
    const JTKeltOptions& o = *options_;
    pages_[pgAdvance]->SetChecked(IDC_USE_XP_MENU, o.UseXPMenu);

    ::SendDlgItemMessageA(PageHandle(pgLayout), IDC_MAIN_LAYOUT, CB_SETCURSEL, o.MainLayout, 0);
    ShowPreview(o.MainLayout);

    backColour_ = o.TWeakBackColor;
    backBrush_.reset(ui::CreateColourBrush(backColour_));
    norColour_ = o.NorTWeakColor;
    modColour_ = o.ModTWeakColor;

    // A value other than 0 or 1 selects neither button, and OK then keeps it.
    pages_[pgAdvance]->SetChecked(IDC_NOT_SUIT_DISABLE, o.NotSuitShow == 0);
    pages_[pgAdvance]->SetChecked(IDC_NOT_SUIT_HIDE, o.NotSuitShow == 1);

    pages_[pgAppearence]->SetChecked(IDC_EXPAND_ITEMS, o.ExpandItems);
}

HWND TKeltOptionsForm::PageHandle(int page) const
{
    if (page < 0 || page >= kPageCount || !pages_[page])
        return nullptr;
    return pages_[page]->Handle();
}

void TKeltOptionsForm::SelectPage(int page)
{
    if (page < 0 || page >= kPageCount)
        return;
    HWND tabs = Item(IDC_OPTIONS_PAGES);
    if (static_cast<int>(::SendMessageA(tabs, TCM_GETCURSEL, 0, 0)) != page)
        ::SendMessageA(tabs, TCM_SETCURSEL, page, 0);

    // Focus must not stay on a control that is about to be hidden.
    HWND focus = ::GetFocus();
    for (int i = 0; i < kPageCount; ++i) {
        HWND handle = PageHandle(i);
        if (i != page && handle && focus && ::IsChild(handle, focus))
            ::SetFocus(tabs);
    }
    activePage_ = page;
    for (int i = 0; i < kPageCount; ++i) {
        if (HWND handle = PageHandle(i))
            ::ShowWindow(handle, i == page ? SW_SHOW : SW_HIDE);
    }
}

bool TKeltOptionsForm::TranslatePageKey(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || !Handle())
        return false;
    if (msg.hwnd != Handle() && !::IsChild(Handle(), msg.hwnd))
        return false;
    if (::GetKeyState(VK_CONTROL) >= 0)
        return false;
    int step = 0;
    if (msg.wParam == VK_TAB)
        step = ::GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    else if (msg.wParam == VK_NEXT)
        step = 1;
    else if (msg.wParam == VK_PRIOR)
        step = -1;
    if (step == 0)
        return false;
    SelectPage((activePage_ + step + kPageCount) % kPageCount);
    return true;
}

bool TKeltOptionsForm::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDOK:
        pbtnOKClick();
        return true;
    case IDCANCEL:
        pbtnCancelClick();
        return true;
    case IDC_OPTIONS_HELP:
        if (code == BN_CLICKED)
            pbtnHelpClick();
        return true;
    default:
        return false;
    }
}

bool TKeltOptionsForm::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_OPTIONS_PAGES && header.code == TCN_SELCHANGE) {
        SelectPage(static_cast<int>(::SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
        return true;
    }
    return false;
}

void TKeltOptionsForm::OnDestroy()
{
    // The pictures belong to this object, not to the static controls showing them.
    if (HWND layoutPage = PageHandle(pgLayout)) {
        ::SendDlgItemMessageA(layoutPage, IDC_PREVIEW_BARS, STM_SETIMAGE, IMAGE_BITMAP, 0);
        ::SendDlgItemMessageA(layoutPage, IDC_PREVIEW_TABS, STM_SETIMAGE, IMAGE_BITMAP, 0);
    }
}

bool TKeltOptionsForm::PageCommand(int id, int code)
{
    switch (id) {
    case IDC_MAIN_LAYOUT:
        if (code == CBN_SELCHANGE)
            pcmbMainLayoutChange();
        return true;
    case IDC_BACK_COLOR_PICK:
        if (code == BN_CLICKED)
            pbtnBackColorClick();
        return true;
    case IDC_NOR_COLOR_PICK:
        if (code == BN_CLICKED)
            pbtnNorColorClick();
        return true;
    case IDC_MOD_COLOR_PICK:
        if (code == BN_CLICKED)
            pbtnModColorClick();
        return true;
    default:
        return false;
    }
}

bool TKeltOptionsForm::PageCtlColor(HDC dc, HWND control, LRESULT& result)
{
    const int id = ::GetDlgCtrlID(control);
    if (id != IDC_BACK_COLOR && id != IDC_NOR_SAMPLE && id != IDC_MOD_SAMPLE)
        return false;
    ::SetBkColor(dc, ui::ResolveColour(backColour_));
    if (id == IDC_NOR_SAMPLE)
        ::SetTextColor(dc, ui::ResolveColour(norColour_));
    else if (id == IDC_MOD_SAMPLE)
        ::SetTextColor(dc, ui::ResolveColour(modColour_));
    result = reinterpret_cast<LRESULT>(backBrush_.get());
    return true;
}

void TKeltOptionsForm::ShowPreview(int index)
{
    HWND layoutPage = PageHandle(pgLayout);
    const bool tabs = index == 1;
    ::ShowWindow(::GetDlgItem(layoutPage, IDC_PREVIEW_TABS), tabs ? SW_SHOW : SW_HIDE);
    ::ShowWindow(::GetDlgItem(layoutPage, IDC_PREVIEW_BARS), tabs ? SW_HIDE : SW_SHOW);
}

void TKeltOptionsForm::ShowPreviewPictures(int dpi)
{
    HWND layoutPage = PageHandle(pgLayout);
    ui::UniqueBitmap bars(LoadPicture(IDB_OPTIONS_PREVIEW_BARS, dpi));
    ui::UniqueBitmap tabs(LoadPicture(IDB_OPTIONS_PREVIEW_TABS, dpi));
    ::SendDlgItemMessageA(layoutPage, IDC_PREVIEW_BARS, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bars.get()));
    ::SendDlgItemMessageA(layoutPage, IDC_PREVIEW_TABS, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(tabs.get()));
    barsPicture_ = std::move(bars);
    tabsPicture_ = std::move(tabs);
    PlacePreviewPictures();
}

void TKeltOptionsForm::OnDpiChanged(int dpi, const RECT* suggested)
{
    ui::Dialog::OnDpiChanged(dpi, suggested);
    ShowPreviewPictures(dpi);
}

void TKeltOptionsForm::PlacePreviewPictures()
{
    HWND layoutPage = PageHandle(pgLayout);
    RECT panel;
    ::GetWindowRect(::GetDlgItem(layoutPage, IDC_PREVIEW_PANEL), &panel);
    ::MapWindowPoints(nullptr, layoutPage, reinterpret_cast<POINT*>(&panel), 2);
    for (int id : {IDC_PREVIEW_BARS, IDC_PREVIEW_TABS}) {
        HWND picture = ::GetDlgItem(layoutPage, id);
        RECT size;
        ::GetWindowRect(picture, &size);
        const int width = size.right - size.left;
        const int height = size.bottom - size.top;
        ::SetWindowPos(picture, nullptr, (panel.left + panel.right - width) / 2,
                       (panel.top + panel.bottom - height) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TKeltOptionsForm::pcmbMainLayoutChange()
{
    ShowPreview(static_cast<int>(::SendDlgItemMessageA(PageHandle(pgLayout), IDC_MAIN_LAYOUT, CB_GETCURSEL, 0, 0)));
}

void TKeltOptionsForm::SetBackColour(ui::Colour colour)
{
    backColour_ = colour;
    backBrush_.reset(ui::CreateColourBrush(colour));
    HWND appearence = PageHandle(pgAppearence);
    for (int id : {IDC_BACK_COLOR, IDC_NOR_SAMPLE, IDC_MOD_SAMPLE})
        ::InvalidateRect(::GetDlgItem(appearence, id), nullptr, TRUE);
}

void TKeltOptionsForm::pbtnBackColorClick()
{
    ui::Colour colour = backColour_;
    if (ui::ChooseColour(Handle(), colour))
        SetBackColour(colour);
}

void TKeltOptionsForm::pbtnNorColorClick()
{
    ui::Colour colour = norColour_;
    if (ui::ChooseColour(Handle(), colour)) {
        norColour_ = colour;
        ::InvalidateRect(::GetDlgItem(PageHandle(pgAppearence), IDC_NOR_SAMPLE), nullptr, TRUE);
    }
}

void TKeltOptionsForm::pbtnModColorClick()
{
    ui::Colour colour = modColour_;
    if (ui::ChooseColour(Handle(), colour)) {
        modColour_ = colour;
        ::InvalidateRect(::GetDlgItem(PageHandle(pgAppearence), IDC_MOD_SAMPLE), nullptr, TRUE);
    }
}

void TKeltOptionsForm::pbtnOKClick()
{
    JTKeltOptions& o = *options_;
    o.UseXPMenu = pages_[pgAdvance]->IsChecked(IDC_USE_XP_MENU);
    const int layout =
        static_cast<int>(::SendDlgItemMessageA(PageHandle(pgLayout), IDC_MAIN_LAYOUT, CB_GETCURSEL, 0, 0));
    if (layout >= 0)
        o.MainLayout = layout;
    o.TWeakBackColor = backColour_;
    o.NorTWeakColor = norColour_;
    o.ModTWeakColor = modColour_;
    if (pages_[pgAdvance]->IsChecked(IDC_NOT_SUIT_DISABLE))
        o.NotSuitShow = 0;
    else if (pages_[pgAdvance]->IsChecked(IDC_NOT_SUIT_HIDE))
        o.NotSuitShow = 1;
    o.ExpandItems = pages_[pgAppearence]->IsChecked(IDC_EXPAND_ITEMS);

    // A refused write leaves the dialog open; the error reaches the program-wide handler.
    o.SaveOptions();
    if (result_)
        *result_ = 1;
    End(IDOK);
}

void TKeltOptionsForm::pbtnCancelClick()
{
    if (result_)
        *result_ = 0;
    End(IDCANCEL);
}

void TKeltOptionsForm::pbtnHelpClick()
{
    ShowHelpTopic("::/options.htm", Handle());
}

} // namespace kelt
