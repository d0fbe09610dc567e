#pragma once
// The main window: tool bar, side bar of catalogues and plug-ins, the shown catalogue with
// its legend and editor strip, the details column and the status bar; the hub of every
// command. It creates the catalogue and the plug-in host, loads both through two deferred
// loaders while the splash counts down, and becomes usable once both the splash has closed
// and both loaders have finished.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/plugin_host_link.h"
#include "catalogue/reg_settings.h"
#include "ui/colour_label.h"
#include "ui/column_splitter.h"
#include "ui/handles.h"
#include "ui/image_button.h"
#include "ui/panel.h"
#include "ui/scroll_box.h"
#include "ui/side_bar.h"
#include "ui/window.h"

namespace kelt {

class JTKeltOptions;
class TKeltSplashForm;

// What the main window needs of the search window (created by the entry after it).
struct JTSearchWindowLink {
    std::function<void(JTRegSettings* catalogue)> SetCatalogue;
    std::function<void()> ShowForm;
    std::function<void(bool useXPMenu)> SetUseXPMenu;
};

// The modal windows the main window opens, each created for one use. The program's come from
// DefaultDialogs(); tests replace them to see what would open, with which inputs.
struct JTMainDialogs {
    std::function<int(HWND owner, JTKeltOptions& options)> Options;  // answers the dialog's result
    std::function<void(HWND owner, const std::string& recordFile, JTRegSettings& catalogue)> Apply;
    std::function<void(HWND owner, int direction, JTRegSettings* catalogue)> Records;  // 1 restore, 0 redo
    std::function<void(HWND owner)> About;
};

// Starting another program or a web page through the shell (ShellExecuteA); answers the
// system's error text when it failed, empty on success.
using ShellOpenCall = std::function<std::string(HWND owner, const char* verb, const std::string& file, int show)>;

class TKeltMainForm : public ui::Window {
public:
    // Design sizes (96 dpi).
    static constexpr int kClientWidth = 896, kClientHeight = 510;
    static constexpr int kControlBarHeight = 45;
    static constexpr int kToolButtonSize = 41;
    static constexpr int kPluginBoxWidth = 449;
    static constexpr int kOutBarWidth = 144;
    static constexpr int kDetailsWidth = 231, kDetailsMinWidth = 185;
    static constexpr int kSettingPanel1Height = 82;
    static constexpr int kStatusFirstPanel = 140;

    TKeltMainForm(JTKeltOptions& options, TKeltSplashForm* splash);
    ~TKeltMainForm() override;

    // --- set before CreateForm ---
    JTMainDialogs Dialogs;
    ShellOpenCall ShellOpen;
    // Makes the plug-in host link in FormCreate (default: the program's plug-in manager).
    std::function<std::unique_ptr<JTPluginHostLink>(const JTPluginHostPlaces&, JTKeltOptions&)> PluginHostFactory;
    // Today's date for the record file name.
    std::function<SYSTEMTIME()> Today;
    // The folder of the catalogue tables, with trailing backslash (default: the program's).
    std::string TableFolder;
    // Ends the message loop when the window is destroyed.
    bool QuitOnDestroy = true;

    // Creates the window (FormCreate runs during creation) and shows it with `showCommand`
    // (maximised in the program). The loaders run from the message loop afterwards.
    bool CreateForm(int showCommand);
    void SetSearchWindow(JTSearchWindowLink link) { search_ = std::move(link); }

    // --- what other windows use ---
    JTRegSettings* Catalogue() const { return catalogue_.get(); }
    JTPluginHostLink* PluginHost() const { return plugins_.get(); }
    JTKeltOptions& Options() const { return options_; }
    void ApplyLayoutOptions();
    void SetApplyEnabled(bool enabled);
    void PassDisplayOptions();

    // --- state ---
    bool Ready() const { return finished_; }
    int FinishStartupRuns() const { return finishRuns_; }
    int LoadersPending() const { return loadersPending_; }
    std::string StatusText() const;
    std::string GroupCaption() const { return backGroup_.Caption(); }
    HMENU MainMenu() const { return mainMenu_; }
    HMENU PluginsMenu() const { return pluginsMenu_; }
    HMENU SideBarMenu() const { return sideBarMenu_.get(); }
    HMENU ItemMenu() const { return itemMenu_.get(); }
    ui::SideBar& OutBar() { return outBar_; }
    HWND ApplyButton() const { return toolButtons_[0].Handle(); }
    HWND PluginBox() const { return pluginBox_.Handle(); }
    HWND SettingPanel1() const { return settingPanel1_.Handle(); }
    HWND DetailsMemo() const { return memo_; }
    HWND DetailsTitle() const { return detailsTitle_.Handle(); }
    HWND FormPanel() const { return formPanel_.Handle(); }
    HWND StatusBar() const { return status_; }
    // The header indexes of the side bar.
    static constexpr int kSettingsHeader = 0, kPluginsHeader = 1;

    // --- start-up steps (public so a test can drive them) ---
    virtual void LoadSettingsTask();
    virtual void LoadPluginsTask();
    virtual void FinishStartup();

protected:
    bool OnCreate(const CREATESTRUCTA& create) override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnSize(UINT type, int width, int height) override;
    bool OnClose() override;
    void OnDestroy() override;
    void OnDpiChanged(int dpi, const RECT* suggested) override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnColoursChanged() override;

private:
    class LegendSample;

    void FormCreate();
    void CreateControls();
    void CreateMenus();
    void CreateImages();
    void StartLoaders();
    void LoaderDone();
    void SplashClosed();
    void FinishIfComplete();

    void BuildSettingsButtons();
    void BuildPluginButtons();
    void AttachItemMenus();
    // Whether a menu request from `source` is one of a page's row areas or compact list.
    bool IsPageMenuSource(HWND source) const;
    // `layout` false leaves the laying out to the caller.
    void ShowBarsLayout(bool layout = true);
    void ShowTabsLayout(bool layout = true);
    void Layout();
    void LayoutGroup();
    void LayoutControlBar();
    void SetXPMenus(bool on);
    void UpdateLegend();
    // Fonts, status panes and tool buttons at the window's present scale.
    void ApplyScale();

    // Commands
    void pmiOptionsClick();
    void RestartWindows1Click();
    void pmiExitClick();
    void pmiSearchClick();
    void ShowSearch();
    void pmiRefreshClick();
    void pmiApplyClick();
    void Restore1Click();
    void Redorecords1Click();
    void pmiConfigPluginsClick();
    void LiveUpdate1Click();
    void pmiContentClick();
    void pmiOnlineClick();
    void pmiAboutClick();
    void Outlook1Click(int style);
    void pmiLeftClick(int alignment);
    void Bars1Click(int layout);
    void pmiSetItemClick();
    void ItemPopupMenuPopup();
    void ControlBar1Resize();
    void KindChange(JTSetItem* item);
    void ModifiedCountChange();
    void ShowItemMenu(POINT screen);
    void ShowSideBarMenu(POINT screen);
    void OpenShell(const char* verb, const std::string& file, int show, const std::string& what);
    void SaveOptions();
    // Keyboard: the next (delta 1) or previous (-1) catalogue; where the focus goes when the
    // window gets it and no control of it had it before; the side bar's place in the tab
    // order, which follows its side of the window.
    void StepCatalogue(int delta);
    HWND DefaultFocus() const;
    void OrderSideBar();

    JTKeltOptions& options_;
    TKeltSplashForm* splash_;
    JTSearchWindowLink search_;
    // Deferred work checks this to know the window still exists.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);

    std::unique_ptr<JTRegSettings> catalogue_;
    std::unique_ptr<JTPluginHostLink> plugins_;

    // Start-up
    int loadersPending_ = 2;
    bool splashGone_ = false;
    bool closePending_ = false;
    bool pageMenus_ = false;     // the pages answer with the item menu  // a close request waits for the window to be enabled
    bool finished_ = false;
    int finishRuns_ = 0;
    int mainLayoutShown_ = -1;  // the "Main Layout" item checked now
    int styleChecked_ = -1;
    int alignmentChecked_ = -1;
    HWND lastFocus_ = nullptr;  // the control that had the focus when the window was left

    // Controls
    ui::Panel formPanel_;
    ui::Panel controlBar_;
    std::array<ui::ImageButton, 4> toolButtons_;
    ui::ScrollBox pluginBox_;
    ui::SideBar outBar_;
    ui::GroupPanel backGroup_;
    ui::Panel settingPanel1_;
    ui::Panel legend_;
    ui::ColourLabel hintLabel_;
    std::array<std::unique_ptr<LegendSample>, 4> samples_;
    HWND moreHelp_ = nullptr;
    ui::Panel settingPanel_;
    ui::Panel pagesHost_;
    ui::ColumnSplitter splitter_;
    ui::Panel panel2_;
    ui::ColourLabel detailsTitle_;
    HWND memo_ = nullptr;
    ui::Panel linkPanel_;
    ui::ColourLabel link_;
    HWND status_ = nullptr;
    int detailsWidth_ = 0;
    int layoutDpi_ = 0;  // the scale detailsWidth_ is measured at

    // Menus (the main menu belongs to the window)
    HMENU mainMenu_ = nullptr;
    HMENU pluginsMenu_ = nullptr;
    ui::UniqueMenu sideBarMenu_;
    ui::UniqueMenu itemMenu_;
    HACCEL accelerators_ = nullptr;

    // Pictures
    ui::UniqueImageList toolImages_;
    ui::UniqueImageList menuImages_;
    ui::UniqueImageList pluginImages_;
    ui::UniqueImageList settingImages_;
    ui::UniqueFont memoFont_;
    ui::UniqueIcon bigIcon_;
    ui::UniqueIcon smallIcon_;
};

// The program's modal windows and shell call.
JTMainDialogs DefaultDialogs();
std::string RealShellOpen(HWND owner, const char* verb, const std::string& file, int show);

} // namespace kelt
