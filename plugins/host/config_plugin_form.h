#pragma once
// "Config plugins": the loaded plug-ins by kind with their details, registered ones that did
// not load (greyed, with the reason), running, uninstalling and installing plug-ins, and the
// two start-up options of the plug-in scan.
#include <windows.h>
#include <commctrl.h>

#include <map>
#include <string>

#include "plugins/host/plugin_manager.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class JTPluginHostOptions;

class TKeltConfigPluginForm : public ui::Dialog {
public:
    // `result` (may be null) is set to 1 after an install attempt or a confirmed uninstall.
    TKeltConfigPluginForm(int* result, JTPluginHostOptions& options, JTPluginManager& manager);

    // The plug-in a tree node stands for (null for kind nodes and failed entries).
    JTPlugin* NodePlugin(HTREEITEM node) const;
    // The registered entry that failed to load a node stands for (null otherwise).
    const JTFailedPlugin* NodeFailure(HTREEITEM node) const;
    HWND Tree() const;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void FormCreate();
    void FillTree();
    HTREEITEM KindNode(const std::string& kind);
    HTREEITEM AddNode(HTREEITEM parent, const std::string& text);
    void ShowDetails(HTREEITEM node);
    LRESULT TreeCustomDraw(NMTVCUSTOMDRAW& draw);

    void plvPluginsDblClick();
    void pbtnUninstallClick();
    void pbtnInstallClick();
    void pbtnCloseClick();

    int* result_;
    JTPluginHostOptions& options_;
    JTPluginManager& manager_;
    std::map<HTREEITEM, JTPlugin*> pluginNodes_;
    std::map<HTREEITEM, JTFailedPlugin> failedNodes_;
    ui::UniqueBitmap glyph_;  // the picture's own copy of the selected plug-in's glyph
};

} // namespace kelt
