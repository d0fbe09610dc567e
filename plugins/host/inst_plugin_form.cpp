#include "plugins/host/inst_plugin_form.h"

#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <vector>

#include "plugins/host/plugin.h"
#include "plugins/host/plugin_help.h"
#include "plugins/host/plugin_library.h"
#include "plugins/host/plugin_host_ids.h"
#include "plugins/host/plugin_manager.h"
#include "ui/files.h"
#include "ui/hint.h"
#include "ui/report_list.h"
#include "ui/seams.h"

namespace kelt {

namespace {

#if defined(_WIN64)
const char kOwnBits[] = "64";
#else
const char kOwnBits[] = "32";
#endif

std::uint32_t ModuleInstanceValue()
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(::GetModuleHandleA(nullptr)));
}

} // namespace

TKeltInstPluginForm::TKeltInstPluginForm(int* installed, int mode, JTPluginManager& manager)
    : Dialog(IDD_INSTALL_PLUGINS), installed_(installed), mode_(mode), manager_(manager)
{
}

bool TKeltInstPluginForm::OnInitDialog()
{
    FormCreate();
    return true;
}

void TKeltInstPluginForm::FormCreate()
{
    ui::ReportList().Attach(List(), {{"Plugin name", 100}, {"Version", 60}, {"Plugin file", 175}}, 0, false);
    int wholeWidth = -1;  // one part showing one text
    ::SendDlgItemMessageA(Handle(), IDC_INS_STATUS, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&wholeWidth));
    ui::SetHint(Item(IDC_INS_SCAN), "Scan the plugin folder for new avaible plugins!");
    SetItemText(IDC_INS_FOLDER, manager_.PluginFolder());
    if (mode_ == kShowFound)
        ListPlugins(false);
}

HWND TKeltInstPluginForm::List() const
{
    return Item(IDC_INS_PLUGINS);
}

int TKeltInstPluginForm::RowCount() const
{
    return ui::ReportList(List()).Count();
}

JTPlugin* TKeltInstPluginForm::RowPlugin(int row) const
{
    return reinterpret_cast<JTPlugin*>(ui::ReportList(List()).Data(row));
}

std::string TKeltInstPluginForm::RowText(int row, int column) const
{
    return ui::ReportList(List()).Text(row, column);
}

std::string TKeltInstPluginForm::StatusText() const
{
    char buffer[256] = {};
    ::SendDlgItemMessageA(Handle(), IDC_INS_STATUS, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

int TKeltInstPluginForm::AddRow(JTPlugin* plugin)
{
    ui::ReportList list(List());
    const int row = list.AddRow(plugin->Name(), reinterpret_cast<LPARAM>(plugin));
    list.SetText(row, 1, plugin->Version());
    list.SetText(row, 2, plugin->FileName());
    return row;
}

void TKeltInstPluginForm::ListPlugins(bool clear)
{
    if (clear)
        ui::ReportList(List()).Clear();
    PluginList& found = manager_.NewPlugins();
    int added = 0;
    for (int i = 0; i < found.Count() && found.At(i); ++i) {
        AddRow(found.At(i));
        ++added;
    }
    if (added > 0)
        ::EnableWindow(Item(IDC_INS_INSTALL_ALL), TRUE);
    ::SendDlgItemMessageA(Handle(), IDC_INS_STATUS, SB_SETTEXTA, 0,
                          reinterpret_cast<LPARAM>(("New plugins :" + std::to_string(added)).c_str()));
    UpdateInstallSelected();
}

void TKeltInstPluginForm::UpdateInstallSelected()
{
    ::EnableWindow(Item(IDC_INS_INSTALL), ListView_GetSelectedCount(List()) > 0);
}

bool TKeltInstPluginForm::InstallRow(int row)
{
    JTPlugin* plugin = RowPlugin(row);
    // A row whose plug-in left the list meanwhile is not installed from a stale pointer.
    JTPlugin* installed =
        plugin && manager_.NewPlugins().IndexOf(plugin) >= 0 ? manager_.Install(plugin) : nullptr;
    if (!installed) {
        ui::ShowMessage(Handle(), "Fail to Load Plugin", "Error", MB_OK | MB_ICONERROR);
        return false;
    }
    if (installed_)
        *installed_ = 1;
    ListView_DeleteItem(List(), row);
    manager_.BuildBar();
    manager_.BuildMenu();
    ui::ShowMessage(Handle(), "Successfully loaded plugin:" + installed->FileName(), "Information",
                    MB_OK | MB_ICONINFORMATION);
    UpdateInstallSelected();
    return true;
}

bool TKeltInstPluginForm::OnCommand(int id, int code, HWND control)
{
    if (code != BN_CLICKED)
        return Dialog::OnCommand(id, code, control);
    switch (id) {
    case IDC_INS_BROWSE:
        pbtnBrowseClick();
        return true;
    case IDC_INS_SCAN:
        pbtnScanClick();
        return true;
    case IDC_INS_INSTALL:
        pbtnInstallClick();
        return true;
    case IDC_INS_INSTALL_ALL:
        pbtnInstallAllClick();
        return true;
    case IDC_INS_FROM_FILE:
        pbtnFromFileClick();
        return true;
    case IDC_INS_CLEAR:
        pbtnClearClick();
        return true;
    case IDC_INS_CLOSE:
        End(IDOK);
        return true;
    case IDC_INS_HELP:
        ShowPluginHelp(Handle());
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

bool TKeltInstPluginForm::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom == IDC_INS_PLUGINS && (header.code == LVN_ITEMCHANGED || header.code == NM_CLICK)) {
        UpdateInstallSelected();
        result = 0;
        return true;
    }
    return false;
}

void TKeltInstPluginForm::pbtnBrowseClick()
{
    ui::FolderRequest request;
    request.title = "Select Directory to Search In!";
    request.folder = ItemText(IDC_INS_FOLDER);
    if (ui::BrowseForFolder(Handle(), request))
        SetItemText(IDC_INS_FOLDER, request.folder);
}

void TKeltInstPluginForm::pbtnScanClick()
{
    const std::string folder = ItemText(IDC_INS_FOLDER);
    if (!ui::FolderExists(folder)) {
        ui::ShowMessage(Handle(), "Folder:" + folder + " Not Exist!", "Error", MB_OK | MB_ICONERROR);
        return;
    }
    manager_.ScanFolder(folder, &manager_.NewPlugins(), false);
    ListPlugins(true);
    ui::ShowMessage(Handle(), "New plugins :" + std::to_string(manager_.NewPlugins().Count()), "Information",
                    MB_OK | MB_ICONINFORMATION);
}

void TKeltInstPluginForm::pbtnInstallClick()
{
    const int row = ui::ReportList(List()).Selected();
    if (row >= 0)
        InstallRow(row);
}

void TKeltInstPluginForm::pbtnInstallAllClick()
{
    // Each row once, first to last; a row that fails stays and the next one moves up to it.
    std::vector<JTPlugin*> rows;
    for (int row = 0; row < RowCount(); ++row)
        rows.push_back(RowPlugin(row));
    int row = 0;
    for (JTPlugin* plugin : rows) {
        if (RowPlugin(row) != plugin)
            continue;
        if (!InstallRow(row))
            ++row;
    }
}

void TKeltInstPluginForm::pbtnFromFileClick()
{
    ui::FileDialogRequest request;
    request.title = "Install a plugin from selected file";
    request.fileName = "*.KTP";
    request.filter = "Keltrix Plugin(*.KTP)|*.KTP";
    request.initialDir = manager_.PluginFolder();
    request.flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!ui::OpenFileDialog(Handle(), request))
        return;
    const std::string path = request.fileName;

    // The file is already listed: install that row rather than listing it twice.
    PluginList& found = manager_.NewPlugins();
    const int listed = found.IndexOfFile(path);
    if (listed >= 0) {
        for (int row = 0; row < RowCount(); ++row)
            if (RowPlugin(row) == found.At(listed)) {
                InstallRow(row);
                return;
            }
    }

    auto plugin = std::make_unique<JTPlugin>(ModuleInstanceValue(), path);
    if (plugin->Load() != plrLoaded) {
        const std::string foreign = ForeignMachine(path);
        if (!foreign.empty())
            ui::ShowMessage(Handle(),
                            path + " is " + foreign + ", but this Keltrix is a " + kOwnBits +
                                "-bit program: it loads only " + kOwnBits + "-bit plugins!",
                            "Error", MB_OK | MB_ICONERROR);
        else
            ui::ShowMessage(Handle(), path + " is not a available plugin!", "Error", MB_OK | MB_ICONERROR);
        return;
    }
    std::string text = plugin->Name();
    JTPlugin* added = found.Add(std::move(text), std::move(plugin));
    const int row = AddRow(added);
    ::EnableWindow(Item(IDC_INS_INSTALL_ALL), TRUE);
    InstallRow(row);
}

void TKeltInstPluginForm::pbtnClearClick()
{
    manager_.FreeList(manager_.NewPlugins());
    ui::ReportList(List()).Clear();
    ::EnableWindow(Item(IDC_INS_INSTALL), FALSE);
    ::EnableWindow(Item(IDC_INS_INSTALL_ALL), FALSE);
}

} // namespace kelt
