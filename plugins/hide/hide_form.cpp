#include "plugins/hide/hide_form.h"

#include <commctrl.h>
#include <shlobj.h>
#include <uxtheme.h>

#include <utility>

#include "plugins/common/tool_window.h"
#include "plugins/hide/hide_ids.h"
#include "ui/dpi.h"
#include "ui/seams.h"
#include "ui/window.h"

namespace kelt::hide {

namespace {

} // namespace

// A page: a child dialog over the tab control's display area that hands its commands to the
// tool window.
class TForm1::Page : public ui::Dialog {
public:
    Page(TForm1& form, int templateId) : Dialog(templateId), form_(form) {}

protected:
    bool OnCommand(int id, int code, HWND control) override { return form_.PageCommand(id, code); }
    void OnOK() override {}
    void OnCancel() override {}

private:
    TForm1& form_;
};

TForm1::TForm1() : Dialog(IDD_HIDE) {}

TForm1::~TForm1() = default;

bool TForm1::OnInitDialog()
{
    FormCreate();
    return true;
}

void TForm1::FormCreate()
{
    HWND tabs = Item(IDC_TABS);
    const char* captions[] = {"Disks and Folders", "Others"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = const_cast<char*>(captions[i]);
        ::SendMessageA(tabs, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tab));
    }

    layout_.Attach(Handle());
    layout_.Add(IDC_HIDE_INTRO, ui::akLeft | ui::akTop | ui::akRight);
    layout_.Add(IDC_TABS, ui::akAll);
    layout_.Add(IDC_APPLY, ui::akRight | ui::akBottom);
    layout_.Add(IDCANCEL, ui::akRight | ui::akBottom);
    plugin::FitClientSize(Handle(), 397, 375, layout_);
    CreatePages();

    noDrives_.list.Attach(PageItem(IDC_DISKS), {{"", 120}}, 16);
    noViewOnDrive_.list.Attach(PageItem(IDC_VIEW_DISKS), {{"", 120}}, 16);
    std::string unreadable;
    for (DrivePolicy* policy : {&noDrives_, &noViewOnDrive_})
        if (!ReadDriveMask(*policy))
            unreadable += std::string("\n") + policy->mask.ValueName() + " (the drives of \"" + policy->pageName +
                          "\") holds no drive mask; it is left as it is.";
    if (!unreadable.empty())
        ui::ShowMessage(Handle(), "Errors occured when getting disk informations!" + unreadable, "ERROR",
                        MB_ICONERROR);

    for (int style = 0; style < kMaskStyleCount; ++style)
        ::SendMessageA(PageItem(IDC_HIDE_STYLE), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(MaskStyleName(style)));
    ::SendMessageA(PageItem(IDC_HIDE_STYLE), CB_SETCURSEL, 0, 0);
    ::SendMessageA(PageItem(IDC_MASKED), CB_SETDROPPEDWIDTH, Scale(360), 0);
    systemFolders_ = SystemFolders::Current();
    FillMaskedList();
}

void TForm1::CreatePages()
{
    HWND tabs = Item(IDC_TABS);
    // The display area of the tab control, in the tool window's client coordinates.
    RECT area;
    ::GetWindowRect(tabs, &area);
    ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    ::SendMessageA(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    // Pages follow the tab control in Z order, so Tab moves from the tabs into the page.
    HWND after = tabs;
    const std::pair<int, int> pages[] = {{IDD_HIDE_FOLDERS, IDC_FOLDERS_PAGE}, {IDD_HIDE_OTHERS, IDC_OTHERS_PAGE}};
    for (std::unique_ptr<Page>* page : {&folders_, &others_}) {
        const auto& ids = pages[page == &folders_ ? 0 : 1];
        *page = std::make_unique<Page>(*this, ids.first);
        if (!(*page)->CreateModeless(Handle()))
            continue;
        HWND window = (*page)->Handle();
        ::SetWindowLongPtrA(window, GWLP_ID, ids.second);
        ::EnableThemeDialogTexture(window, ETDT_ENABLETAB);
        ::SetWindowPos(window, after, area.left, area.top, area.right - area.left, area.bottom - area.top,
                       SWP_NOACTIVATE | SWP_HIDEWINDOW);
        // The drive list reaches down to the page's bottom margin.
        if (HWND list = ::GetDlgItem(window, page == &folders_ ? IDC_DISKS : IDC_VIEW_DISKS)) {
            RECT box, client;
            ::GetWindowRect(list, &box);
            ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
            ::GetClientRect(window, &client);
            const int bottom = client.bottom - (box.left > 0 ? box.left : 4);
            if (bottom > box.top)
                ::SetWindowPos(list, nullptr, 0, 0, box.right - box.left, bottom - box.top,
                               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        after = window;
    }
    ShowPage(0);
}

HWND TForm1::PageItem(int id) const
{
    for (const Page* page : {folders_.get(), others_.get()})
        if (page && page->Handle())
            if (HWND item = ::GetDlgItem(page->Handle(), id))
                return item;
    return nullptr;
}

bool TForm1::ReadDriveMask(DrivePolicy& policy)
{
    policy.list.Clear();
    policy.readable = policy.mask.Read();
    if (!policy.readable) {
        ::EnableWindow(policy.list.Handle(), FALSE);
        return false;
    }
    for (const DriveEntry& drive : ListDrives())
        policy.list.Add({drive.root}, (policy.mask.Mask() & drive.bit) == 0, static_cast<LPARAM>(drive.bit));
    policy.shownHidden = HiddenBits(policy);
    return true;
}

unsigned TForm1::HiddenBits(const DrivePolicy& policy, unsigned* listed) const
{
    unsigned hidden = 0, all = 0;
    for (int row = 0; row < policy.list.Count(); ++row) {
        const auto bit = static_cast<unsigned>(policy.list.Data(row));
        all |= bit;
        if (!policy.list.Checked(row))
            hidden |= bit;
    }
    if (listed)
        *listed = all;
    return hidden;
}

bool TForm1::WriteDriveMask(DrivePolicy& policy)
{
    // The value as it is now: letters the list does not show keep their bits.
    if (!policy.mask.Read())
        return false;
    unsigned listed = 0;
    const unsigned hidden = HiddenBits(policy, &listed);
    if (!policy.mask.Write(MergeDriveMask(policy.mask.Mask(), listed, hidden)))
        return false;
    policy.shownHidden = hidden;
    return true;
}

void TForm1::pbtnApplyClick()
{
    std::string failed, unreadable;
    bool written = false;
    for (DrivePolicy* policy : {&noDrives_, &noViewOnDrive_}) {
        if (!policy->readable) {
            // Never written over what could not be read.
            unreadable += std::string("\n") + policy->mask.ValueName() + " holds no drive mask and is left as it is.";
            continue;
        }
        if (!policy->writeAlways && HiddenBits(*policy) == policy->shownHidden)
            continue;  // untouched
        if (WriteDriveMask(*policy))
            written = true;
        else
            failed += std::string("\n") + policy->mask.ValueName();
    }
    if (!failed.empty())
        ui::ShowMessage(Handle(), "Errors occured when writting disk informations!" + failed, "ERROR", MB_ICONERROR);
    else if (written)
        ui::ShowMessage(Handle(), "Finish!", "OK", MB_ICONINFORMATION);
    else
        ui::ShowMessage(Handle(), "Nothing was written." + unreadable, "Information", MB_ICONINFORMATION);
}

void TForm1::pbtnBrowseClick()
{
    ui::FolderRequest request;
    request.title = "Select Directory to Search In!";
    request.flags = BIF_RETURNONLYFSDIRS;
    request.folder = ui::WindowText(PageItem(IDC_HIDE_FOLDER));
    if (!ui::BrowseForFolder(Handle(), request) || request.folder.empty())
        return;
    ::SetWindowTextA(PageItem(IDC_HIDE_FOLDER), request.folder.c_str());
    const int style = MaskStyleOfFolder(request.folder);
    ::SendMessageA(PageItem(IDC_HIDE_STYLE), CB_SETCURSEL, style < 0 ? 0 : style, 0);
}

void TForm1::pbtnMaskFolderClick()
{
    const LRESULT chosen = ::SendMessageA(PageItem(IDC_HIDE_STYLE), CB_GETCURSEL, 0, 0);
    const int style = chosen == CB_ERR ? 0 : static_cast<int>(chosen);
    const std::string path = ui::WindowText(PageItem(IDC_HIDE_FOLDER));
    std::string renamed;
    switch (MaskFolder(path, style, systemFolders_, renamed)) {
    case MaskResult::Renamed:
        ::SetWindowTextA(PageItem(IDC_HIDE_FOLDER), renamed.c_str());
        if (!RecordMaskedFolder(renamed))
            ui::ShowMessage(Handle(),
                            "The folder was renamed, but the list of masked folders could not be updated:\n" +
                                renamed,
                            "Warning!", MB_ICONEXCLAMATION);
        FillMaskedList();
        break;
    case MaskResult::RenameFailed: ui::ShowMessage(Handle(), "Rename file error!", "Error", MB_OK); break;
    case MaskResult::Refused:
        ui::ShowMessage(Handle(), "Windows needs this folder under its own name, so it cannot be masked:\n" + path,
                        "Warning!", MB_ICONEXCLAMATION);
        break;
    case MaskResult::NotAFolder:
    case MaskResult::Unchanged: break;
    }
}

void TForm1::FillMaskedList()
{
    HWND combo = PageItem(IDC_MASKED);
    ::SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    masked_ = ReadMaskedFolders();
    for (const MaskedFolder& folder : masked_) {
        const std::string text = folder.plain + "  (" + MaskStyleName(folder.style) + ")";
        ::SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    ::EnableWindow(combo, !masked_.empty());
}

void TForm1::pcmbMaskedChange()
{
    const LRESULT chosen = ::SendMessageA(PageItem(IDC_MASKED), CB_GETCURSEL, 0, 0);
    if (chosen == CB_ERR || static_cast<std::size_t>(chosen) >= masked_.size())
        return;
    const MaskedFolder& folder = masked_[static_cast<std::size_t>(chosen)];
    ::SetWindowTextA(PageItem(IDC_HIDE_FOLDER), folder.masked.c_str());
    // Ready to be given its name back.
    ::SendMessageA(PageItem(IDC_HIDE_STYLE), CB_SETCURSEL, 0, 0);
}

void TForm1::ShowPage(int page)
{
    if (folders_ && folders_->Handle())
        ::ShowWindow(folders_->Handle(), page == 0 ? SW_SHOW : SW_HIDE);
    if (others_ && others_->Handle())
        ::ShowWindow(others_->Handle(), page == 1 ? SW_SHOW : SW_HIDE);
}

bool TForm1::OnCommand(int id, int code, HWND control)
{
    if (id == IDC_APPLY) {
        pbtnApplyClick();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

bool TForm1::PageCommand(int id, int code)
{
    if (id == IDC_MASKED && code == CBN_SELCHANGE) {
        pcmbMaskedChange();
        return true;
    }
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_BROWSE: pbtnBrowseClick(); return true;
    case IDC_MASK_FOLDER: pbtnMaskFolderClick(); return true;
    default: return false;
    }
}

bool TForm1::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_TABS && header.code == TCN_SELCHANGE) {
        ShowPage(static_cast<int>(::SendMessageA(header.hwndFrom, TCM_GETCURSEL, 0, 0)));
        return true;
    }
    return false;
}

} // namespace kelt::hide
