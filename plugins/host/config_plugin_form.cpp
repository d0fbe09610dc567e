#include "plugins/host/config_plugin_form.h"

#include "plugins/host/inst_plugin_form.h"
#include "plugins/host/plugin_help.h"
#include "plugins/host/plugin_host_ids.h"
#include "plugins/host/plugin_options.h"
#include "plugins/sdk/plugin_contract.h"
#include "ui/glyph_button.h"
#include "ui/seams.h"

namespace kelt {

namespace {

std::string NodeText(HWND tree, HTREEITEM node)
{
    char buffer[1024] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

} // namespace

TKeltConfigPluginForm::TKeltConfigPluginForm(int* result, JTPluginHostOptions& options, JTPluginManager& manager)
    : Dialog(IDD_CONFIG_PLUGINS), result_(result), options_(options), manager_(manager)
{
}

HWND TKeltConfigPluginForm::Tree() const
{
    return Item(IDC_CFG_PLUGINS);
}

JTPlugin* TKeltConfigPluginForm::NodePlugin(HTREEITEM node) const
{
    auto found = pluginNodes_.find(node);
    return found == pluginNodes_.end() ? nullptr : found->second;
}

const JTFailedPlugin* TKeltConfigPluginForm::NodeFailure(HTREEITEM node) const
{
    auto found = failedNodes_.find(node);
    return found == failedNodes_.end() ? nullptr : &found->second;
}

bool TKeltConfigPluginForm::OnInitDialog()
{
    FormCreate();
    return true;
}

void TKeltConfigPluginForm::FormCreate()
{
    SetChecked(IDC_CFG_SCAN_PLUGINS, options_.ScanPlugins());
    SetChecked(IDC_CFG_AUTO_INST, options_.AutoInst());
    FillTree();
}

HTREEITEM TKeltConfigPluginForm::AddNode(HTREEITEM parent, const std::string& text)
{
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<char*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(::SendMessageA(Tree(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

HTREEITEM TKeltConfigPluginForm::KindNode(const std::string& kind)
{
    HWND tree = Tree();
    for (HTREEITEM node = TreeView_GetRoot(tree); node; node = TreeView_GetNextSibling(tree, node))
        if (NodeText(tree, node) == kind)
            return node;
    return AddNode(TVI_ROOT, kind);
}

void TKeltConfigPluginForm::FillTree()
{
    HWND tree = Tree();
    pluginNodes_.clear();
    failedNodes_.clear();
    TreeView_DeleteAllItems(tree);
    PluginList& plugins = manager_.Plugins();
    for (int i = 0; i < plugins.Count(); ++i) {
        JTPlugin* plugin = plugins.At(i);
        if (HTREEITEM node = AddNode(KindNode(plugin->Kind()), plugin->Name()))
            pluginNodes_[node] = plugin;
    }
    // Registered plug-ins that did not load: the user sees which tool went missing and why.
    for (const JTFailedPlugin& failed : manager_.FailedPlugins()) {
        if (HTREEITEM node = AddNode(KindNode(failed.kind), failed.fileName + " (" + failed.reason + ")"))
            failedNodes_[node] = failed;
    }
    for (HTREEITEM node = TreeView_GetRoot(tree); node; node = TreeView_GetNextSibling(tree, node))
        TreeView_Expand(tree, node, TVE_EXPAND);
    ShowDetails(TreeView_GetSelection(tree));
}

void TKeltConfigPluginForm::ShowDetails(HTREEITEM node)
{
    JTPlugin* plugin = NodePlugin(node);
    const JTFailedPlugin* failed = NodeFailure(node);
    glyph_.reset(plugin ? ui::CopyBitmap(plugin->GlyphBitmap()) : nullptr);
    ::SendDlgItemMessageA(Handle(), IDC_CFG_GLYPH, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(glyph_.get()));
    SetItemText(IDC_CFG_NAME, plugin ? plugin->Name() : std::string());
    SetItemText(IDC_CFG_VERSION, plugin ? plugin->Version() : std::string());
    SetItemText(IDC_CFG_AUTHOR, plugin ? plugin->Author() : std::string());
    if (plugin)
        SetItemText(IDC_CFG_FILE, plugin->FileName());
    else if (failed)
        SetItemText(IDC_CFG_FILE, manager_.PluginFolder() + "\\" + failed->fileName);
    else
        SetItemText(IDC_CFG_FILE, std::string());
    SetItemText(IDC_CFG_DESCRIPTION,
                failed ? "This plugin is registered but could not be loaded: " + failed->reason + "." : std::string());
    // A registered file that did not load can be taken out of the registry as well.
    ::EnableWindow(Item(IDC_CFG_UNINSTALL), plugin != nullptr || failed != nullptr);
}

LRESULT TKeltConfigPluginForm::TreeCustomDraw(NMTVCUSTOMDRAW& draw)
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        if (NodeFailure(reinterpret_cast<HTREEITEM>(draw.nmcd.dwItemSpec)) && !(draw.nmcd.uItemState & CDIS_SELECTED))
            draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}

bool TKeltConfigPluginForm::OnNotify(NMHDR& header, LRESULT& result)
{
    if (header.idFrom != IDC_CFG_PLUGINS)
        return false;
    switch (header.code) {
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        ShowDetails(reinterpret_cast<NMTREEVIEWA&>(header).itemNew.hItem);
        result = 0;
        return true;
    case NM_DBLCLK:
        plvPluginsDblClick();
        result = 0;
        return true;
    case NM_CUSTOMDRAW:
        result = TreeCustomDraw(reinterpret_cast<NMTVCUSTOMDRAW&>(header));
        return true;
    default:
        return false;
    }
}

bool TKeltConfigPluginForm::OnCommand(int id, int code, HWND control)
{
    if (code != BN_CLICKED)
        return Dialog::OnCommand(id, code, control);
    switch (id) {
    case IDC_CFG_UNINSTALL:
        pbtnUninstallClick();
        return true;
    case IDC_CFG_INSTALL:
        pbtnInstallClick();
        return true;
    case IDC_CFG_CLOSE:
        pbtnCloseClick();
        return true;
    case IDC_CFG_HELP:
        ShowPluginHelp(Handle());
        return true;
    default:
        return Dialog::OnCommand(id, code, control);
    }
}

void TKeltConfigPluginForm::plvPluginsDblClick()
{
    HWND tree = Tree();
    TVHITTESTINFO hit{};
    ::GetCursorPos(&hit.pt);
    ::ScreenToClient(tree, &hit.pt);
    HTREEITEM node = TreeView_HitTest(tree, &hit);
    if (!node || !(hit.flags & TVHT_ONITEM))
        node = TreeView_GetSelection(tree);
    // The tool window is owned by this dialog, which stays disabled while it is open.
    if (JTPlugin* plugin = NodePlugin(node))
        manager_.ExecutePlugin(plugin, plugin::HandleToHostValue(Handle()));
}

void TKeltConfigPluginForm::pbtnUninstallClick()
{
    HWND tree = Tree();
    HTREEITEM node = TreeView_GetSelection(tree);
    JTPlugin* plugin = NodePlugin(node);
    const JTFailedPlugin* failed = NodeFailure(node);
    if (!plugin && !failed)
        return;
    const std::string name = plugin ? plugin->Name() : failed->fileName;
    if (ui::ShowMessage(Handle(), "Do you really want to uninstall the plugin:" + name, "Warning",
                        MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
        return;
    // The plug-in may give back first what only it can undo (Hide: the names of masked folders).
    if (plugin && !manager_.PrepareUninstall(plugin, plugin::HandleToHostValue(Handle())))
        return;
    // The tree follows what the manager did: a registry it could not write keeps the node.
    const bool done = plugin ? manager_.Uninstall(plugin) : manager_.UninstallFailed(failed->fileName);
    if (!done)
        return;
    HTREEITEM kind = TreeView_GetParent(tree, node);
    pluginNodes_.erase(node);
    failedNodes_.erase(node);
    TreeView_DeleteItem(tree, node);
    if (kind && !TreeView_GetChild(tree, kind))
        TreeView_DeleteItem(tree, kind);
    manager_.BuildBar();
    if (result_)
        *result_ = 1;
    ShowDetails(TreeView_GetSelection(tree));
}

void TKeltConfigPluginForm::pbtnInstallClick()
{
    int installed = 0;
    {
        TKeltInstPluginForm form(&installed, TKeltInstPluginForm::kShowFound, manager_);
        form.RunModal(Handle());
    }
    if (installed)
        FillTree();
    if (result_)
        *result_ = 1;
}

void TKeltConfigPluginForm::pbtnCloseClick()
{
    options_.SetScanPlugins(IsChecked(IDC_CFG_SCAN_PLUGINS));
    options_.SetAutoInst(IsChecked(IDC_CFG_AUTO_INST));
    options_.Save();
    End(IDOK);
}

} // namespace kelt
