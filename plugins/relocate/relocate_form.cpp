#include "plugins/relocate/relocate_form.h"

#include <commctrl.h>
#include <windowsx.h>

#include "catalogue/platform/restart.h"
#include "plugins/common/wow64.h"
#include "plugins/relocate/location_text.h"
#include "plugins/relocate/relocate_ids.h"
#include "ui/dpi.h"
#include "ui/instance.h"
#include "ui/seams.h"

namespace kelt::relocate {

namespace {

const char kMailHint[] = "This setting allows you to change the location of the mail and news files stored by "
                         "Outlook Express to another directory or partition. ";
const char kSetupHint[] = "Modifying the string will change the path that the Windows setup program will look for "
                          "the installation files. ";

const char kReadOnlyReason[] =
    "Read only: Windows takes this location from \"User Shell Folders\", which has no value of this name; the one "
    "under \"Shell Folders\" is only a copy that Windows rewrites itself.";

// The "..." buttons name their setting by tag: 1 the mail store, 0 the installation files.
constexpr LONG_PTR kMailTag = OtherFolders::kMailStore;
constexpr LONG_PTR kSetupTag = OtherFolders::kInstallation;

void AddColumn(HWND list, int index, const char* caption, int width)
{
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(caption);
    column.cx = ui::ScaleIn(list, width);
    column.iSubItem = index;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::string& text)
{
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

} // namespace

TForm1::TForm1() : ui::Dialog(IDD_RELOCATE) {}

bool TForm1::OnInitDialog()
{
    FormCreate();
    return true;
}

void TForm1::FormCreate()
{
    ui::InitCommonControlsOnce();
    pages_.Attach(Handle(), Item(IDC_RELOCATE_TABS));
    pages_.AddPage("System Folders", {IDC_SYS_PROMPT, IDC_SYS_FOLDERS, IDC_SYS_DETAILS, IDC_SYS_EDIT, IDC_SYS_HOWTO});
    pages_.AddPage("Other Software Folders", {IDC_OUTEXP_LABEL, IDC_OUTEXP_EDIT, IDC_OUTEXP_BROWSE, IDC_WININS_LABEL,
                                              IDC_WININS_EDIT, IDC_WININS_BROWSE});
    pages_.Select(0);

    plvSysFolders = Item(IDC_SYS_FOLDERS);
    ::SendMessageA(plvSysFolders, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumn(plvSysFolders, 0, "Name of Folder", 100);
    AddColumn(plvSysFolders, 1, "Location of Folder", 350);

    ::SetWindowLongPtrA(Item(IDC_OUTEXP_BROWSE), GWLP_USERDATA, kMailTag);
    ::SetWindowLongPtrA(Item(IDC_WININS_BROWSE), GWLP_USERDATA, kSetupTag);
    hints_.Create(Handle(), 500, 5000);
    hints_.Set(Item(IDC_OUTEXP_LABEL), kMailHint);
    hints_.Set(Item(IDC_OUTEXP_EDIT), kMailHint);
    hints_.Set(Item(IDC_WININS_LABEL), kSetupHint);
    hints_.Set(Item(IDC_WININS_EDIT), kSetupHint);

    LoadSystemFolders();
    LoadOtherFolders();
}

void TForm1::LoadSystemFolders()
{
    if (folders_.Load())
        ShowSystemFolders();
}

void TForm1::ShowSystemFolders()
{
    ::SendMessageA(plvSysFolders, LVM_DELETEALLITEMS, 0, 0);
    const auto& rows = folders_.Rows();
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const std::string name = folders_.DisplayName(row);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(name.c_str());
        ::SendMessageA(plvSysFolders, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        SetCell(plvSysFolders, row, 1, rows[row].location);
    }
    SelectionChanged();
}

void TForm1::LoadOtherFolders()
{
    others_.Load(IDC_WININS_EDIT, IDC_WININS_LABEL, IDC_OUTEXP_EDIT, IDC_OUTEXP_LABEL, plugin::RunningUnderWow64());
    const bool mail = others_.Location(OtherFolders::kMailStore).editBox != 0;
    for (int id : {IDC_OUTEXP_LABEL, IDC_OUTEXP_EDIT, IDC_OUTEXP_BROWSE})
        ::EnableWindow(Item(id), mail);
    for (int index : {OtherFolders::kInstallation, OtherFolders::kMailStore}) {
        const JTLocation& location = others_.Location(index);
        if (location.editBox)
            SetItemText(location.editBox, location.loaded);
    }
}

int TForm1::SelectedRow() const
{
    return static_cast<int>(::SendMessageA(plvSysFolders, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool TForm1::RowWritable(int row) const
{
    return row >= 0 && row < static_cast<int>(folders_.Rows().size()) && folders_.Rows()[row].writable;
}

void TForm1::SelectionChanged()
{
    const int row = SelectedRow();
    ::EnableWindow(Item(IDC_SYS_EDIT), RowWritable(row));
    std::string details;
    if (row >= 0 && row < static_cast<int>(folders_.Rows().size())) {
        const FolderRow& folder = folders_.Rows()[row];
        const std::string shown = folders_.DisplayName(row);
        if (!folder.writable) {
            details = kReadOnlyReason;
        } else {
            // A folder shown under its known-folder name tells the ID it is stored under.
            if (shown != folder.name)
                details = shown + " is stored under its known-folder ID " + folder.name + ". ";
            if (!folder.twin.empty()) {
                const std::string twin = KnownFolderName(folder.twin);
                details += "Windows keeps it under " + (twin.empty() ? folder.twin : twin + " " + folder.twin) +
                           " as well; both are written.";
            }
        }
    }
    SetItemText(IDC_SYS_DETAILS, details);
}

std::string TForm1::BrowseForFolder(const std::string& start)
{
    ui::FolderRequest request;
    request.folder = start;
    if (!ui::BrowseForFolder(Handle(), request))
        return {};
    return request.folder;
}

void TForm1::EditSelectedFolder()
{
    const int row = SelectedRow();
    if (row < 0 || row >= static_cast<int>(folders_.Rows().size()))
        return;
    if (!RowWritable(row)) {
        ui::ShowMessage(Handle(), folders_.DisplayName(row) + ": " + kReadOnlyReason, "Information",
                        MB_ICONINFORMATION);
        return;
    }
    const std::string chosen = BrowseForFolder(folders_.Rows()[row].location);
    if (chosen.empty() || !AcceptLocation(row, chosen))
        return;
    folders_.SetLocation(row, chosen);
    for (int shown = 0; shown < static_cast<int>(folders_.Rows().size()); ++shown)
        SetCell(plvSysFolders, shown, 1, folders_.Rows()[shown].location);
}

bool TForm1::AcceptLocation(int row, const std::string& chosen)
{
    const auto& rows = folders_.Rows();
    const std::string name = folders_.DisplayName(row);
    std::string warning;
    if (IsDriveRoot(chosen)) {
        warning = chosen + " is the root of a drive. The files of " + name +
                  " would lie among everything else on that drive, and moving the folder away again later "
                  "would move the whole drive's files.";
    } else {
        for (int other = 0; other < static_cast<int>(rows.size()) && warning.empty(); ++other) {
            // Its own twin shares the location by design.
            if (other == row || SamePath(rows[other].name, rows[row].twin) || !SamePath(rows[other].location, chosen))
                continue;
            warning = chosen + " is already the location of " + folders_.DisplayName(other) +
                      ". Two folders in one place mix their files, and moving either of them later moves the "
                      "other's files too.";
        }
    }
    return warning.empty() || ui::ShowMessage(Handle(), warning + "\nUse it anyway?", "Warning!",
                                              MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDOK;
}

void TForm1::BrowseOtherFolder(int tag)
{
    if (tag != OtherFolders::kInstallation && tag != OtherFolders::kMailStore)
        return;
    const JTLocation& location = others_.Location(tag);
    if (!location.editBox)
        return;
    const std::string chosen = BrowseForFolder(ItemText(location.editBox));
    if (!chosen.empty())
        SetItemText(location.editBox, chosen);
}

void TForm1::pbtnApplyClick()
{
    bool failed = false;
    int written = folders_.Save(failed);
    if (failed)
        ui::ShowMessage(Handle(), "Error has happend when save system locations!", "ERROR", MB_ICONERROR);
    else
        LoadSystemFolders();

    std::array<std::string, 2> texts;
    for (int index : {OtherFolders::kInstallation, OtherFolders::kMailStore}) {
        const JTLocation& location = others_.Location(index);
        texts[index] = location.editBox ? ItemText(location.editBox) : std::string();
    }
    const OtherFolders::SaveResult others = others_.Save(texts);
    written += others.written;
    if (others.failed) {
        failed = true;
        ui::ShowMessage(Handle(), "Error has happend when save other software locations!", "ERROR", MB_ICONERROR);
    }
    LoadOtherFolders();

    if (written == 0) {
        if (!failed)
            ui::ShowMessage(Handle(), "No location has been changed, nothing was written.", "Information",
                            MB_ICONINFORMATION);
        return;
    }
    if (ui::ShowMessage(Handle(),
                        "The new locations are written. No file was moved: the files stay in the old folders until "
                        "you move them yourself.\n\nFinish,To take effect, Windows need to restart,Restart Windows "
                        "now?",
                        "Ok", MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
        return;
    if (!RestartWindows(EWX_REBOOT))
        ui::ShowMessage(Handle(), "Error has happend when restart Windows!\nYou may have to restart yourself!",
                        "ERROR", MB_ICONERROR);
}

ui::UniqueMenu TForm1::CreateListMenu(bool enabled)
{
    ui::UniqueMenu menu(::CreatePopupMenu());
    ::AppendMenuA(menu.get(), MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), IDM_RELOCATE_EDIT, "Edit...");
    return menu;
}

bool TForm1::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_RELOCATE_APPLY:
        pbtnApplyClick();
        return true;
    case IDC_SYS_EDIT:
    case IDM_RELOCATE_EDIT:
        EditSelectedFolder();
        return true;
    case IDC_OUTEXP_BROWSE:
    case IDC_WININS_BROWSE:
        BrowseOtherFolder(static_cast<int>(::GetWindowLongPtrA(control ? control : Item(id), GWLP_USERDATA)));
        return true;
    default:
        return ui::Dialog::OnCommand(id, code, control);
    }
}

bool TForm1::OnNotify(NMHDR& header, LRESULT& result)
{
    if (pages_.OnNotify(header))
        return true;
    if (header.hwndFrom != plvSysFolders)
        return false;
    switch (header.code) {
    case NM_CUSTOMDRAW: {
        // Read-only rows in grey.
        auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
        if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
            result = CDRF_NOTIFYITEMDRAW;
        } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            if (!RowWritable(static_cast<int>(draw.nmcd.dwItemSpec)))
                draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
            result = CDRF_DODEFAULT;
        } else {
            result = CDRF_DODEFAULT;
        }
        return true;
    }
    case LVN_ITEMCHANGED:
        if (reinterpret_cast<NMLISTVIEW&>(header).uChanged & LVIF_STATE)
            SelectionChanged();
        return true;
    case NM_DBLCLK:
        EditSelectedFolder();
        return true;
    case LVN_COLUMNCLICK:
        if (reinterpret_cast<NMLISTVIEW&>(header).iSubItem == 1)
            EditSelectedFolder();
        return true;
    default:
        return false;
    }
}

bool TForm1::OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result)
{
    return pages_.OnCtlColor(message, dc, control, result);
}

INT_PTR TForm1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == plvSysFolders) {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (at.x == -1 && at.y == -1) {
            RECT rect{};
            ::GetWindowRect(plvSysFolders, &rect);
            at = {rect.left + 16, rect.top + 16};
        }
        ui::UniqueMenu menu = CreateListMenu(RowWritable(SelectedRow()));
        ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
        return TRUE;
    }
    return ui::Dialog::HandleMessage(message, wParam, lParam);
}

} // namespace kelt::relocate
