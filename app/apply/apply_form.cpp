#include "app/apply/apply_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/apply/apply_ids.h"
#include "app/apply/apply_run.h"
#include "app/apply/form_support.h"
#include "app/html_help.h"
#include "catalogue/ck_set_item.h"
#include "catalogue/platform/restart.h"
#include "catalogue/reg_settings.h"
#include "catalogue/value_format.h"
#include "ui/dpi.h"
#include "ui/seams.h"

namespace kelt {

using namespace apply_forms;

TKeltApplyRep::TKeltApplyRep(bool createRecord, std::string recordFileName, JTRegSettings& catalogue)
    : ui::Dialog(IDD_APPLY), createRecord_(createRecord), recordFileName_(std::move(recordFileName)),
      catalogue_(catalogue)
{
}

std::string TKeltApplyRep::OldValueText(JTSetItem& item)
{
    if (item.KindCode() == ikCheckItem)
        return item.CurrentValue() == static_cast<JTckSetItem&>(item).sYesVal ? "Yes" : "No";
    return ValueText(item.iRegType, item.CurrentValue());
}

std::string TKeltApplyRep::NewValueText(JTSetItem& item)
{
    if (item.KindCode() == ikCheckItem)
        return OldValueText(item) == "Yes" ? "No" : "Yes";
    return ValueText(item.iRegType, item.GetNewValue());
}

bool TKeltApplyRep::OnInitDialog()
{
    FormCreate();
    CentreOnOwner(Handle());
    return true;
}

void TKeltApplyRep::FormCreate()
{
    SetChecked(IDC_APPLY_CREATE_RECORD, createRecord_);
    SetItemText(IDC_APPLY_FILE_NAME, recordFileName_);
    HWND list = Item(IDC_APPLY_ITEMS);
    PrepareCheckList(list);
    AddColumn(list, 0, "State", Scale(70));
    AddColumn(list, 1, "Tweak description", Scale(200));
    AddColumn(list, 2, "Old Value", Scale(120));
    AddColumn(list, 3, "New value to be set ", Scale(110));
    if (!catalogue_.ModifiedList().empty()) {
        FillRows();
        pcbCreateRecClick();
    }
}

void TKeltApplyRep::FillRows()
{
    HWND list = Item(IDC_APPLY_ITEMS);
    for (JTSetItem* item : catalogue_.ModifiedList()) {
        const int row = AddRow(list, kApplyCaption, reinterpret_cast<LPARAM>(item));
        SetCell(list, row, 1, item->sDescribe);
        SetCell(list, row, 2, OldValueText(*item));
        SetCell(list, row, 3, NewValueText(*item));
        SetRowChecked(list, row, true);
    }
}

bool TKeltApplyRep::OnCommand(int id, int code, HWND control)
{
    switch (id) {
    case IDC_APPLY_OK:
        if (code == BN_CLICKED)
            pbtnOKClick();
        return true;
    case IDC_APPLY_HELP:
        if (code == BN_CLICKED)
            pbtnHelpClick();
        return true;
    case IDC_APPLY_CREATE_RECORD:
        if (code == BN_CLICKED)
            pcbCreateRecClick();
        return true;
    case IDC_APPLY_BROWSE:
        if (code == BN_CLICKED)
            pbtnBrowseClick();
        return true;
    case IDOK:
        // Enter: no default action.
        return true;
    default:
        return ui::Dialog::OnCommand(id, code, control);
    }
}

bool TKeltApplyRep::OnNotify(NMHDR& header, LRESULT& result)
{
    int row = -1;
    if (header.idFrom == IDC_APPLY_ITEMS && IsCheckChange(header, row)) {
        UpdateRowCaption(row);
        return true;
    }
    return false;
}

void TKeltApplyRep::UpdateRowCaption(int row)
{
    HWND list = Item(IDC_APPLY_ITEMS);
    SetCell(list, row, 0, RowChecked(list, row) ? kApplyCaption : kUnapplyCaption);
}

void TKeltApplyRep::pcbCreateRecClick()
{
    // Typing in the name edit does not change whether "&Apply" is enabled; only this does.
    const bool recording = IsChecked(IDC_APPLY_CREATE_RECORD);
    ::EnableWindow(Item(IDC_APPLY_FILE_NAME), recording);
    ::EnableWindow(Item(IDC_APPLY_BROWSE), recording);
    ::EnableWindow(Item(IDC_APPLY_OK), !recording || !ItemText(IDC_APPLY_FILE_NAME).empty());
}

void TKeltApplyRep::pbtnBrowseClick()
{
    ui::FileDialogRequest request;
    request.title = "Where would you place the record file?Please select..";
    request.filter = "Keltrix record file(*.rwr)|*.rwr";
    request.fileName = ItemText(IDC_APPLY_FILE_NAME);
    request.defaultExt = "rwr";
    request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (ui::SaveFileDialog(Handle(), request))
        SetItemText(IDC_APPLY_FILE_NAME, request.fileName);
}

void TKeltApplyRep::pbtnHelpClick()
{
    ShowHelpTopic("::/setitems.htm", Handle());
}

void TKeltApplyRep::pbtnOKClick()
{
    HWND list = Item(IDC_APPLY_ITEMS);
    std::vector<JTApplyEntry> entries;
    for (int row = 0; row < RowCount(list); ++row)
        entries.push_back({reinterpret_cast<JTSetItem*>(RowData(list, row)), RowChecked(list, row)});
    JTApplyRun run(catalogue_, Handle());
    if (!run.Run(entries, IsChecked(IDC_APPLY_CREATE_RECORD), ItemText(IDC_APPLY_FILE_NAME)))
        return;
    if (ui::ShowMessage(Handle(),
                        "Some of the settings will take effect after restart Windows.\nDo you want to restart Windows now?",
                        "Warning!", MB_OKCANCEL | MB_ICONQUESTION) == IDOK)
        RestartWindows(EWX_REBOOT);
    End(IDOK);
}

} // namespace kelt
