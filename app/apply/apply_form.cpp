#include "app/apply/apply_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include <vector>

#include "app/apply/apply_ids.h"
#include "app/apply/apply_run.h"
#include "app/html_help.h"
#include "catalogue/ck_set_item.h"
#include "catalogue/platform/restart.h"
#include "catalogue/reg_settings.h"
#include "catalogue/value_format.h"
#include "ui/dpi.h"
#include "ui/report_list.h"
#include "ui/seams.h"

namespace kelt {

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
    ui::CentreOnOwner(Handle());
    return true;
}

void TKeltApplyRep::FormCreate()
{
    SetChecked(IDC_APPLY_CREATE_RECORD, createRecord_);
    SetItemText(IDC_APPLY_FILE_NAME, recordFileName_);
    ui::ReportList().Attach(Item(IDC_APPLY_ITEMS), {{"State", 70},
                                                    {"Tweak description", 200},
                                                    {"Old Value", 120},
                                                    {"New value to be set ", 110}});
    if (!catalogue_.ModifiedList().empty()) {
        FillRows();
        pcbCreateRecClick();
    }
}

void TKeltApplyRep::FillRows()
{
    ui::ReportList list(Item(IDC_APPLY_ITEMS));
    for (JTSetItem* item : catalogue_.ModifiedList())
        list.Add({kApplyCaption, item->sDescribe, OldValueText(*item), NewValueText(*item)}, true,
                 reinterpret_cast<LPARAM>(item));
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
    if (header.idFrom == IDC_APPLY_ITEMS && ui::ReportList::IsCheckChange(header, row)) {
        UpdateRowCaption(row);
        return true;
    }
    return false;
}

void TKeltApplyRep::UpdateRowCaption(int row)
{
    ui::ReportList list(Item(IDC_APPLY_ITEMS));
    list.SetText(row, 0, list.Checked(row) ? kApplyCaption : kUnapplyCaption);
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
    const ui::ReportList list(Item(IDC_APPLY_ITEMS));
    std::vector<JTApplyEntry> entries;
    for (int row = 0; row < list.Count(); ++row)
        entries.push_back({reinterpret_cast<JTSetItem*>(list.Data(row)), list.Checked(row)});
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
