// Shows a host window with the "Plugins" menu and the glyph bar, the configuration dialog (test
// plug-ins registered, one missing, one broken) and the installation dialog (two found), for
// looking at them: plugin_dialogs_demo.exe [seconds]
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>

#include "plugins/host/config_plugin_form.h"
#include "plugins/host/inst_plugin_form.h"
#include "plugins/host/plugin_manager.h"
#include "plugins/host/plugin_options.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "ui/scroll_box.h"

using namespace kelt;

namespace {

struct DemoOptions : JTPluginHostOptions {
    bool ScanPlugins() const override { return true; }
    void SetScanPlugins(bool) override {}
    bool AutoInst() const override { return false; }
    void SetAutoInst(bool) override {}
    bool UseXPMenu() const override { return false; }
    void Save() override {}
};

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    testing::PluginFolder folder;
    for (const char* name : {"Alpha", "Beta", "Gamma", "Quiet", "NoDone"})
        folder.Add(name);
    testing::PluginFolder::Write(folder.Ini(), "[Security]\r\nAlpha.KTP=\r\nGamma.KTP=\r\nMissing.KTP=\r\n"
                                               "[Clear]\r\nBeta.KTP=\r\n[Broken]\r\nNoDone.KTP=\r\n");
    const std::string found = folder.Folder("found");
    folder.Add("Quiet", found, "Quiet.KTP");
    folder.Add("Alpha", found, "AlphaCopy.KTP");

    testing::TopWindow host("Keltrix");
    ::SetWindowPos(host.Handle(), nullptr, 10, 10, 420, 140, SWP_NOZORDER);
    HMENU bar = ::CreateMenu();
    HMENU plugins = ::CreatePopupMenu();
    ::AppendMenuA(plugins, MF_STRING, 3001, "Config plugins...");
    ::AppendMenuA(plugins, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(plugins), "Plugins ");
    ::SetMenu(host.Handle(), bar);
    ui::ScrollBox box;
    box.CreateIn(host.Handle(), 4, 4, 200, 46);

    JTPluginManager manager(host.Handle());
    manager.SetPluginFolder(folder.Plugins());
    manager.SetProgramFolder(folder.Root());
    manager.SetMenuRoot(plugins);
    manager.SetBarBox(box.Handle());
    manager.OpenRegistry();
    manager.LoadRegistry();
    manager.BuildMenu();
    manager.BuildBar();
    manager.ScanFolder(found, nullptr);

    DemoOptions options;
    int changed = 0;
    TKeltConfigPluginForm config(&changed, options, manager);
    config.CreateModeless(host.Handle());
    ::SetWindowPos(config.Handle(), nullptr, 10, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    HWND tree = config.Tree();
    TreeView_SelectItem(tree, TreeView_GetChild(tree, TreeView_GetRoot(tree)));

    int installed = 0;
    TKeltInstPluginForm install(&installed, TKeltInstPluginForm::kShowFound, manager);
    install.CreateModeless(host.Handle());
    ::SetWindowPos(install.Handle(), nullptr, 520, 170, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);

    const DWORD end = ::GetTickCount() + static_cast<DWORD>(seconds) * 1000;
    while (::GetTickCount() < end) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::Sleep(20);
    }
    return 0;
}
