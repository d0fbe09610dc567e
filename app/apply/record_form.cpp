#include "app/apply/record_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include "app/apply/gpp_export.h"
#include "app/apply/record_ids.h"
#include "app/apply/reg_export.h"
#include "app/html_help.h"
#include "catalogue/reg_settings.h"
#include "catalogue/set_item.h"
#include "catalogue/value_format.h"
#include "storage/xdb_file.h"
#include "ui/dpi.h"
#include "ui/files.h"
#include "ui/hint.h"
#include "ui/paint.h"
#include "ui/report_list.h"
#include "ui/seams.h"
#include "ui/xp_menu.h"
#include "ui/xp_style.h"

namespace kelt {

namespace {

struct DirectionTexts {
    const char* header;
    const char* caption;
    const char* start;
    const char* confirmation;
};

const DirectionTexts kRestoreTexts = {
    "Now you're trying to Restore the settings from a Keltrix Record file!",
    "Restore registry settings",
    "Start Restore",
    "The records you selected will be Restore!\n(It means the corresponding Regstry datas' value will be changes to "
    "the Old Value).\nContinue?",
};

const DirectionTexts kRedoTexts = {
    "Now you're trying to redo the settings from a Keltrix Record file!",
    "Redo registry settings",
    "Start Redo",
    "The records you selected will be Redo!\n(It means the corresponding Regstry datas' value will be changes to "
    "the New Value).\nContinue?",
};

const UINT_PTR kEnterSubclass = 1;

// Enter in the file name edit acts like "...", in a modal dialog as well as when the key
// reaches the edit directly.
LRESULT CALLBACK FileNameEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
{
    switch (message) {
    case WM_GETDLGCODE:
        if (wParam == VK_RETURN)
            return DLGC_WANTALLKEYS | ::DefSubclassProc(edit, message, wParam, lParam);
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            ::PostMessageA(::GetParent(edit), WM_COMMAND, MAKEWPARAM(IDC_REC_OPEN, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(::GetParent(edit), IDC_REC_OPEN)));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == '\r')
            return 0;  // no beep
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(edit, FileNameEditProc, kEnterSubclass);
        break;
    }
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

std::string WithExtension(const std::string& path, const std::string& extension)
{
    const std::size_t slash = path.find_last_of("\\/");
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        return path.substr(0, dot) + extension;
    return path + extension;
}

const char kNothingToExport[] = "The record file holds no records: there is nothing to export.";

std::vector<const JTRecord*> RowPointers(const std::vector<std::unique_ptr<JTRecord>>& records)
{
    std::vector<const JTRecord*> rows;
    for (const auto& record : records)
        rows.push_back(record.get());
    return rows;
}

std::string PendingChangesText(int count)
{
    return (count == 1 ? std::string("1 change in the main window has not been applied yet.")
                       : std::to_string(count) + " changes in the main window have not been applied yet.") +
           "\nKeep them after the replay? (No discards them; Cancel replays nothing.)";
}

std::string ListText(const char* one, const char* many, const std::vector<std::string>& lines)
{
    std::string text = lines.size() == 1 ? one : "These " + std::to_string(lines.size()) + many;
    for (const std::string& line : lines)
        text += "\n" + line;
    return text;
}

} // namespace

TKeltRecForm::TKeltRecForm(int direction, JTRegSettings* catalogue)
    : ui::Dialog(IDD_RECORDS), restore_(direction != kRedo), catalogue_(catalogue)
{
}

TKeltRecForm::~TKeltRecForm() = default;

std::string TKeltRecForm::PathText(const JTRecord& record)
{
    return RootName(record.iRegRoot) + "\\" + record.sSubKey + "\\" + record.sDataName;
}

std::string TKeltRecForm::LiveText(const JTRecord& record, const JTLiveValue& live)
{
    switch (live.state) {
    case JTLiveValue::Present: return ValueText(record.iRegType, live.value);
    case JTLiveValue::OtherType: return "(other type)";
    case JTLiveValue::Unusable: return "(unusable)";
    default: return "(absent)";
    }
}

TKeltRecForm::RowState TKeltRecForm::StateOf(const JTRecord& record, bool restore)
{
    if (!record.UnusableReason().empty())
        return RowState::Unusable;
    if (record.AlreadyAtTarget(restore))
        return RowState::Unchanged;
    // What may not be created is left alone when it is missing.
    if (!record.bAutoCreate) {
        const JTLiveValue live = record.ReadLive();
        if (live.state == JTLiveValue::KeyMissing)
            return RowState::SkipNoKey;
        if (live.state == JTLiveValue::ValueMissing)
            return RowState::SkipNoValue;
    }
    return RowState::Ready;
}

bool TKeltRecForm::OnInitDialog()
{
    FormCreate();
    ui::CentreOnOwner(Handle());
    return true;
}

void TKeltRecForm::FormCreate()
{
    const DirectionTexts& texts = restore_ ? kRestoreTexts : kRedoTexts;
    ::SetWindowTextA(Handle(), texts.caption);
    SetItemText(IDC_REC_HEADER, texts.header);
    SetItemText(IDC_REC_START, texts.start);

    HWND list = Item(IDC_REC_LIST);
    // White under the rows; the theme's window colour in high contrast.
    const COLORREF back = ui::HighContrast() ? ::GetSysColor(COLOR_WINDOW) : RGB(255, 255, 255);
    ::SendMessageA(list, LVM_SETBKCOLOR, 0, back);
    ::SendMessageA(list, LVM_SETTEXTBKCOLOR, 0, back);
    // "State" wide enough for "Skip: no value" beside the check box.
    ui::ReportList().Attach(list, {{"State", 100},
                                   {"Setting description", 200},
                                   {"Path in registry", 150},
                                   {"Old value", 90},
                                   {"New value", 90},
                                   {"Now", 90}});
    ui::SetHint(list, "You can click the check box to decide whether or not to apply the tweaks.");
    ::SetWindowSubclass(Item(IDC_REC_FILE_NAME), FileNameEditProc, kEnterSubclass, 0);
    CreateContextMenu();
    pedFileNameChange();
}

void TKeltRecForm::CreateContextMenu()
{
    contextMenu_.reset(::CreatePopupMenu());
    ::AppendMenuA(contextMenu_.get(), MF_STRING, IDM_REC_LIST_RECORDS, "List records");
    ui::SetXPMenu(Handle(), contextMenu_.get(), ui::XPStyleWanted());
}

INT_PTR TKeltRecForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CONTEXTMENU: {
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (lParam == -1) {
            RECT rc;
            ::GetWindowRect(Handle(), &rc);
            at = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        }
        ::TrackPopupMenu(contextMenu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Handle(), nullptr);
        return TRUE;
    }
    case WM_INITMENUPOPUP:
        if (reinterpret_cast<HMENU>(wParam) == contextMenu_.get()) {
            const bool named = !ItemText(IDC_REC_FILE_NAME).empty();
            ::EnableMenuItem(contextMenu_.get(), IDM_REC_LIST_RECORDS, MF_BYCOMMAND | (named ? MF_ENABLED : MF_GRAYED));
            return TRUE;
        }
        break;
    }
    return ui::Dialog::HandleMessage(message, wParam, lParam);
}

bool TKeltRecForm::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_REC_OPEN:
        if (code == BN_CLICKED)
            pbtnOpenClick();
        return true;
    case IDC_REC_LIST_RECORDS:
    case IDM_REC_LIST_RECORDS:
        if (code == BN_CLICKED)
            pbtnListClick();
        return true;
    case IDC_REC_START:
        if (code == BN_CLICKED)
            pbtnOKClick();
        return true;
    case IDC_REC_EXPORT:
        if (code == BN_CLICKED)
            pbtnExportClick();
        return true;
    case IDC_REC_EXPORT_GPP:
        if (code == BN_CLICKED)
            pbtnExportGppClick();
        return true;
    case IDC_REC_HELP:
        if (code == BN_CLICKED)
            pbtnHelpClick();
        return true;
    case IDC_REC_FILE_NAME:
        if (code == EN_CHANGE)
            pedFileNameChange();
        return true;
    case IDOK:
        return true;
    default:
        return ui::Dialog::OnCommand(id, code, control);
    }
}

bool TKeltRecForm::OnNotify(NMHDR& header, LRESULT& result)
{
    int row = -1;
    if (header.idFrom == IDC_REC_LIST && ui::ReportList::IsCheckChange(header, row)) {
        if (!filling_)
            UpdateRowCaption(row);
        return true;
    }
    return false;
}

void TKeltRecForm::OnDestroy()
{
    records_.clear();
    states_.clear();
    pRecFile.Close();
}

int TKeltRecForm::Ask(const std::string& text, const std::string& caption, UINT flags)
{
    return ui::ShowMessage(Handle(), text, caption, flags);
}

void TKeltRecForm::pedFileNameChange()
{
    const bool named = !ItemText(IDC_REC_FILE_NAME).empty();
    ::EnableWindow(Item(IDC_REC_START), named);
    ::EnableWindow(Item(IDC_REC_EXPORT), named);
    ::EnableWindow(Item(IDC_REC_EXPORT_GPP), named);
}

void TKeltRecForm::pbtnOpenClick()
{
    ::UpdateWindow(Handle());
    ui::FileDialogRequest request;
    request.filter = "Keltrix Record file(*.RWR)|*.RWR|All files(*.*)|*.*";
    request.initialDir = ui::ProgramFolderWithoutBackslash() + "\\Records";
    request.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!ui::OpenFileDialog(Handle(), request))
        return;
    pRecFile.SetTableName(request.fileName);
    SetItemText(IDC_REC_FILE_NAME, request.fileName);
    pedFileNameChange();
    ListFile(request.fileName);
}

void TKeltRecForm::pbtnListClick()
{
    const std::string name = ItemText(IDC_REC_FILE_NAME);
    if (name.empty())
        return;
    pRecFile.SetTableName(name);
    ListFile(name);
}

bool TKeltRecForm::ListFile(const std::string& fileName)
{
    std::vector<std::unique_ptr<JTRecord>> rows;
    try {
        pRecFile.SetLoadMode(lmFile);
        pRecFile.LoadFromFile(fileName);
        for (pRecFile.First(); !pRecFile.Eof(); pRecFile.Next()) {
            auto record = std::make_unique<JTRecord>();
            record->LoadFromTable(pRecFile);
            rows.push_back(std::move(record));
        }
        pRecFile.Close();
    } catch (const std::exception&) {
        // Not a table, or a table without the record columns.
        pRecFile.Close();
        Ask("Fail to load record file:" + fileName + "!", "Error", MB_ICONERROR);
        return false;
    }
    records_ = std::move(rows);
    FillList();
    listed_ = true;
    listedName_ = fileName;
    ::EnableWindow(Item(IDC_REC_START), TRUE);
    return true;
}

bool TKeltRecForm::EnsureListed()
{
    const std::string name = ItemText(IDC_REC_FILE_NAME);
    if (listed_ && name == listedName_)
        return true;
    // Whatever is listed belongs to another name: the rows replayed must be the named file's.
    if (name.empty())
        return false;
    pRecFile.SetTableName(name);
    return ListFile(name);
}

void TKeltRecForm::FillList()
{
    ui::ReportList list(Item(IDC_REC_LIST));
    filling_ = true;
    list.Clear();
    states_.assign(records_.size(), RowState::Ready);
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const JTRecord& record = *records_[i];
        list.Add({kApplyCaption, record.sDescribe, PathText(record), ValueText(record.iRegType, record.sOldVal),
                  ValueText(record.iRegType, record.sNewVal)},
                 true, static_cast<LPARAM>(i));
    }
    filling_ = false;
    ShowLiveState(true);
}

void TKeltRecForm::ShowLiveState(bool uncheckUnchanged)
{
    ui::ReportList list(Item(IDC_REC_LIST));
    for (std::size_t i = 0; i < records_.size(); ++i) {
        const JTRecord& record = *records_[i];
        const int row = static_cast<int>(i);
        list.SetText(row, 5, LiveText(record, record.ReadLive()));
        states_[i] = StateOf(record, restore_);
        if (states_[i] == RowState::Unchanged && uncheckUnchanged)
            list.SetChecked(row, false);
        UpdateRowCaption(row);
    }
}

void TKeltRecForm::UpdateRowCaption(int row)
{
    ui::ReportList list(Item(IDC_REC_LIST));
    const RowState state = row >= 0 && row < static_cast<int>(states_.size()) ? states_[row] : RowState::Ready;
    const bool checked = list.Checked(row);
    const char* caption = checked ? kApplyCaption : kUnapplyCaption;
    switch (state) {
    case RowState::Unusable: caption = kUnusableCaption; break;
    case RowState::Unchanged:
        if (!checked)
            caption = kUnchangedCaption;
        break;
    case RowState::SkipNoKey:
        if (checked)
            caption = kSkipNoKeyCaption;
        break;
    case RowState::SkipNoValue:
        if (checked)
            caption = kSkipNoValueCaption;
        break;
    default: break;
    }
    list.SetText(row, 0, caption);
}

void TKeltRecForm::pbtnOKClick()
{
    if (!EnsureListed())
        return;
    if (Ask((restore_ ? kRestoreTexts : kRedoTexts).confirmation, "Warning", MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // The main window shows the values again after the replay: changes made there and not
    // applied yet would be lost without a word.
    bool keepChanges = true;
    if (catalogue_ && catalogue_->ModifiedCount() > 0) {
        const int answer = Ask(PendingChangesText(catalogue_->ModifiedCount()), "Warning",
                               MB_YESNOCANCEL | MB_ICONQUESTION);
        if (answer != IDYES && answer != IDNO)
            return;
        keepChanges = answer == IDYES;
    }

    const ui::ReportList list(Item(IDC_REC_LIST));
    int wrote = 0;
    std::vector<std::string> notWritten;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (!list.Checked(static_cast<int>(i)))
            continue;
        JTRecord& record = *records_[i];
        try {
            switch (record.WriteBackOutcome(restore_)) {
            case JTWriteOutcome::Unusable:
                notWritten.push_back(record.sDescribe + ": " + record.UnusableReason());
                break;
            case JTWriteOutcome::KeyMissing:
                notWritten.push_back(record.sDescribe + ": the key cannot be opened");
                break;
            case JTWriteOutcome::NothingToDo:
                notWritten.push_back(record.sDescribe + ": the value does not exist and may not be created");
                break;
            case JTWriteOutcome::Written:
            case JTWriteOutcome::Deleted:
                ++wrote;
                break;
            }
        } catch (const std::exception& error) {
            // One row's error does not keep the others from being written.
            notWritten.push_back(record.sDescribe + ": " + error.what());
        }
    }
    if (catalogue_ && (wrote > 0 || !keepChanges))
        catalogue_->RefreshAll(keepChanges);
    ShowLiveState(true);
    if (notWritten.empty())
        Ask("Successful!", "Ok", MB_ICONINFORMATION);
    else
        Ask(ListText("This record could not be written:", " records could not be written:", notWritten) +
                (wrote > 0 ? "\nThe other records have been written." : "\nNothing has been written."),
            "Warning", MB_ICONWARNING);
}

std::string TKeltRecForm::AskExportFile(const char* title, const char* filter, const char* extension,
                                        std::string fileName)
{
    ui::FileDialogRequest request;
    request.title = title;
    request.filter = filter;
    request.defaultExt = extension;
    request.fileName = std::move(fileName);
    request.flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_ENABLESIZING;
    if (!ui::SaveFileDialog(Handle(), request))
        return std::string();
    return request.fileName;
}

void TKeltRecForm::pbtnExportClick()
{
    // The whole file travels: the check marks choose what a replay writes here, not what other
    // machines get.
    if (!EnsureListed())
        return;
    if (records_.empty()) {
        Ask(kNothingToExport, "Information", MB_ICONINFORMATION);
        return;
    }
    const std::string file = AskExportFile("Export the records as a registry file",
                                           "Registration files(*.reg)|*.reg|All files(*.*)|*.*", "reg",
                                           WithExtension(listedName_, ".reg"));
    if (file.empty())
        return;
    const JTRegExport exported = BuildRegExport(RowPointers(records_), restore_);
    ReportExport(file, RegFileBytes(exported.text), exported.leftOut, "The registry file has been written:\n");
}

void TKeltRecForm::pbtnExportGppClick()
{
    if (!EnsureListed())
        return;
    if (records_.empty()) {
        Ask(kNothingToExport, "Information", MB_ICONINFORMATION);
        return;
    }
    std::string proposed = listedName_;
    const std::size_t slash = proposed.find_last_of("\\/");
    proposed = (slash == std::string::npos ? std::string() : proposed.substr(0, slash + 1)) + "Registry.xml";
    const std::string file = AskExportFile("Export the records as Group Policy registry items",
                                           "Group Policy registry items(*.xml)|*.xml|All files(*.*)|*.*", "xml",
                                           proposed);
    if (file.empty())
        return;
    const JTGppExport exported = BuildGppRegistryXml(RowPointers(records_), restore_, GppNowStamp(), NewGppUid);
    ReportExport(file, exported.xml, exported.leftOut,
                 "The Group Policy registry items have been written (Registry.xml of a GPO's registry "
                 "preferences):\n");
}

void TKeltRecForm::ReportExport(const std::string& file, const std::string& bytes,
                                const std::vector<std::string>& leftOut, const std::string& written)
{
    try {
        XdbWriteFileAtomic(file, bytes);
    } catch (const std::exception&) {
        Ask("Fail to write file:" + file + "!", "Error", MB_ICONERROR);
        return;
    }
    if (leftOut.empty())
        Ask(written + file, "Information", MB_ICONINFORMATION);
    else
        Ask(written + file + "\n" + ListText("This record was left out:", " records were left out:", leftOut),
            "Warning", MB_ICONWARNING);
}

void TKeltRecForm::pbtnHelpClick()
{
    ShowHelpTopic("::/recordfile.htm", Handle());
}

} // namespace kelt
