#include "plugins/starter/starter_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include "catalogue/platform/os_family.h"
#include "plugins/common/tool_window.h"
#include "plugins/starter/start_positions.h"
#include "plugins/starter/starter_ids.h"
#include "ui/dpi.h"
#include "ui/seams.h"

namespace kelt::starter {

namespace {

const char kAddHint[] = "Please First Input The Information Below,And Then Click Me To Add A New AutoRun Program";
const char kModifyHint[] =
    "Please First Input The Information Below,And Then Click Me To Modify The Current Selected AutoRun Program";

} // namespace

TForm1::TForm1() : Dialog(IDD_STARTER) {}

bool TForm1::OnInitDialog()
{
    FormCreate();
    return true;
}

void TForm1::FormCreate()
{
    const WindowsVersion windows = QueryWindowsVersion();
    windows95Line_ = windows.ok && windows.platformId == VER_PLATFORM_WIN32_WINDOWS;
    // Hints show at once and stay a minute, on this window only.
    hints_.Create(Handle(), 0, 60000);
    hints_.Set(Item(IDC_ADD), kAddHint);
    hints_.Set(Item(IDC_MODIFY), kModifyHint);

    for (int position = 1; position <= kStartPositionCount; ++position)
        ::SendDlgItemMessageA(Handle(), IDC_POSITION, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(StartPositionText(position).c_str()));
    // The full key paths show when the list drops down.
    ::SendDlgItemMessageA(Handle(), IDC_POSITION, CB_SETDROPPEDWIDTH, Scale(400), 0);
    plStartPros.Attach(Item(IDC_START_PROS), {{"Name", 230}, {"Location", 160}}, 16);

    // The list takes up what the dialog font leaves of the designed height.
    layout_.Attach(Handle());
    layout_.Add(IDC_STARTER_INTRO, ui::akLeft | ui::akTop | ui::akRight);
    layout_.Add(IDC_START_PROS, ui::akAll);
    for (int id : {IDC_DELETE, IDC_ADD, IDC_MODIFY})
        layout_.Add(id, ui::akLeft | ui::akBottom);
    for (int id : {IDC_REFRESH, IDC_BROWSE, IDC_APPLY, IDCANCEL})
        layout_.Add(id, ui::akRight | ui::akBottom);
    for (int id : {IDC_ENTRY_FRAME, IDC_NAME, IDC_POSITION, IDC_COMMAND, IDC_BOTTOM_FRAME})
        layout_.Add(id, ui::akLeft | ui::akRight | ui::akBottom);
    for (int id : {IDC_NAME_LABEL, IDC_POSITION_LABEL, IDC_COMMAND_LABEL})
        layout_.Add(id, ui::akLeft | ui::akBottom);
    plugin::FitClientSize(Handle(), 437, 420, layout_);
    ListEntries();
}

void TForm1::ListEntries()
{
    plStartPros.Clear();
    entries_ = ListStartPros();
    for (std::size_t i = 0; i < entries_.size(); ++i)
        plStartPros.Add({entries_[i].Name, entries_[i].Place()}, entries_[i].Enabled, static_cast<LPARAM>(i));
    EnableEntryButtons(false);
}

bool TForm1::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_DELETE: pbtnDeleteClick(); return true;
    case IDC_ADD: pbtnAddClick(); return true;
    case IDC_MODIFY: pbtnModifyClick(); return true;
    case IDC_REFRESH: pbtnRefreshClick(); return true;
    case IDC_BROWSE: pbtnBrowseClick(); return true;
    case IDC_APPLY: pbtnApplyClick(); return true;
    case IDC_NAME:
    case IDC_COMMAND:
        if (code == EN_CHANGE)
            ShowOwnTextAsHint(id);
        return true;
    case IDC_POSITION:
        if (code == CBN_SELCHANGE)
            ShowOwnTextAsHint(id);
        return true;
    default: return Dialog::OnCommand(id, code, control);
    }
}

bool TForm1::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_START_PROS && header.code == LVN_ITEMCHANGED) {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
            plStartProsSelect();
        return true;
    }
    return false;
}

JTStartPro* TForm1::SelectedEntry()
{
    const int row = plStartPros.Selected();
    if (row < 0)
        return nullptr;
    const LPARAM index = plStartPros.Data(row);
    if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
        return nullptr;
    return &entries_[static_cast<std::size_t>(index)];
}

void TForm1::plStartProsSelect()
{
    const JTStartPro* entry = SelectedEntry();
    if (!entry) {
        EnableEntryButtons(false);
        return;
    }
    SetItemText(IDC_NAME, entry->Name);
    SetItemText(IDC_COMMAND, entry->Command);
    ::SendDlgItemMessageA(Handle(), IDC_POSITION, CB_SETCURSEL, entry->Position - 1, 0);
    for (int id : {IDC_NAME, IDC_COMMAND, IDC_POSITION})
        ShowOwnTextAsHint(id);
    EnableEntryButtons(true);
}

void TForm1::ShowOwnTextAsHint(int id)
{
    hints_.Set(Item(id), ItemText(id));
}

void TForm1::EnableEntryButtons(bool enabled)
{
    ::EnableWindow(Item(IDC_MODIFY), enabled);
    ::EnableWindow(Item(IDC_DELETE), enabled);
}

int TForm1::ChosenPosition() const
{
    const LRESULT index = ::SendDlgItemMessageA(Handle(), IDC_POSITION, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? 0 : static_cast<int>(index) + 1;
}

void TForm1::pbtnDeleteClick()
{
    if (const JTStartPro* entry = SelectedEntry()) {
        const int answer = ui::ShowMessage(Handle(), "Do You Really Want To Delete The AutoRun Program:" + entry->Name,
                                           "Warning!", MB_OKCANCEL | MB_ICONEXCLAMATION);
        if (answer == IDOK && !DeleteStartPro(*entry))
            ui::ShowMessage(Handle(), "The AutoRun program " + entry->Name + " could not be deleted.", "Error",
                            MB_ICONERROR);
    }
    ListEntries();
}

bool TForm1::ConfirmWrite(const std::string& title, const std::string& question, const std::string& name,
                          int position, const std::string& command)
{
    const std::string refusal = StartEntryRefusal(name, position, command, windows95Line_);
    if (!refusal.empty()) {
        ui::ShowMessage(Handle(), refusal, "Warning!", MB_ICONEXCLAMATION);
        return false;
    }
    const std::string text = title + "\nAutoRun Program Name:" + name + "\nAutoRun Program Postion:" +
                             StartPositionPath(position) + "\nAutoRun Program:" + command + "\n" + question;
    return ui::ShowMessage(Handle(), text, title, MB_OKCANCEL | MB_ICONQUESTION) == IDOK;
}

bool TForm1::ConfirmReplace(const JTStartPro& target, const JTStartPro* selected, bool& replace)
{
    replace = false;
    JTStartPro other;
    if (!FindDisplaced(target, selected, other))
        return true;
    const std::string text = "Another AutoRun program named " + other.Name + " is already at " + other.Place() +
                             ":\nIts command: " + other.Command + "\nNew command: " + target.Command +
                             "\nReplace it? Its program will no longer start.";
    replace = ui::ShowMessage(Handle(), text, "Warning!", MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2) == IDOK;
    return replace;
}

void TForm1::ReportWriteFailure(StartProResult result)
{
    if (result != StartProResult::Done)
        ui::ShowMessage(Handle(), "The AutoRun program was not written: " + StartProFailureText(result) + ".",
                        "Error", MB_ICONERROR);
}

void TForm1::pbtnAddClick()
{
    const std::string name = ItemText(IDC_NAME), command = ItemText(IDC_COMMAND);
    const int position = ChosenPosition();
    bool replace = false;
    if (ConfirmWrite("Be About To Add...", "Create It,Really?", name, position, command) &&
        ConfirmReplace(AddTarget(name, position, command), nullptr, replace))
        ReportWriteFailure(AddStartPro(name, position, command, replace));
}

void TForm1::pbtnModifyClick()
{
    const JTStartPro* selected = SelectedEntry();
    if (!selected)
        return;
    const JTStartPro entry = *selected;
    const std::string name = ItemText(IDC_NAME), command = ItemText(IDC_COMMAND);
    const int position = ChosenPosition();
    bool replace = false;
    if (!ConfirmWrite("Be About To Modify...", "Modify It,Really?", name, position, command) ||
        !ConfirmReplace(ModifyTarget(entry, name, position, command), &entry, replace))
        return;
    const StartProResult result = ModifyStartPro(entry, name, position, command, replace);
    if (result == StartProResult::OldNotRemoved)
        ui::ShowMessage(Handle(),
                        "The AutoRun program " + name + " was written to " +
                            ModifyTarget(entry, name, position, command).Place() + ", but the old entry " +
                            entry.Name + " could not be removed from " + entry.Place() + ": both now exist.",
                        "Error", MB_ICONERROR);
    else
        ReportWriteFailure(result);
    ListEntries();
}

void TForm1::pbtnRefreshClick()
{
    ListEntries();
}

void TForm1::pbtnBrowseClick()
{
    ui::FileDialogRequest request;
    request.title = "Please Specify The Program To AutoRun";
    request.filter = "All File(*.*)|*.*";
    request.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (ui::OpenFileDialog(Handle(), request))
        SetItemText(IDC_COMMAND, request.fileName);
}

void TForm1::pbtnApplyClick()
{
    std::string failures;
    for (int row = 0; row < plStartPros.Count(); ++row) {
        const LPARAM index = plStartPros.Data(row);
        if (index < 0 || static_cast<std::size_t>(index) >= entries_.size())
            continue;
        JTStartPro& entry = entries_[static_cast<std::size_t>(index)];
        const bool ticked = plStartPros.Checked(row);
        if (ticked == entry.Enabled)
            continue;
        const StartProResult result = SetStartProEnabled(entry, ticked);
        if (result != StartProResult::Done) {
            failures += "\n" + entry.Name + " (" + entry.Place() + "): " + StartProFailureText(result);
            plStartPros.SetChecked(row, entry.Enabled);
        }
    }
    if (!failures.empty())
        ui::ShowMessage(Handle(), "These AutoRun programs could not be switched:" + failures, "Error", MB_ICONERROR);
}

} // namespace kelt::starter
