#pragma once
// "Install new plugins": scans a folder for plug-ins that are not installed, lists them (the
// rows mirror the manager's NewPlugins) and installs one, all, or a chosen file.
#include <windows.h>

#include <string>

#include "ui/window.h"

namespace kelt {

class JTPlugin;
class JTPluginManager;

class TKeltInstPluginForm : public ui::Dialog {
public:
    // Mode that lists the manager's NewPlugins as soon as the dialog opens.
    static constexpr int kShowFound = 2;

    // `installed` (may be null) is set to 1 after any successful installation.
    TKeltInstPluginForm(int* installed, int mode, JTPluginManager& manager);
    explicit TKeltInstPluginForm(JTPluginManager& manager) : TKeltInstPluginForm(nullptr, kShowFound, manager) {}

    // Rows of the list, as shown.
    int RowCount() const;
    JTPlugin* RowPlugin(int row) const;
    std::string RowText(int row, int column) const;
    std::string StatusText() const;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;

private:
    void FormCreate();
    void ListPlugins(bool clear);
    int AddRow(JTPlugin* plugin);
    bool InstallRow(int row);
    void UpdateInstallSelected();

    void pbtnBrowseClick();
    void pbtnScanClick();
    void pbtnInstallClick();
    void pbtnInstallAllClick();
    void pbtnFromFileClick();
    void pbtnClearClick();

    HWND List() const;

    int* installed_;
    int mode_;
    JTPluginManager& manager_;
};

} // namespace kelt
