#pragma once
// The plug-in manager: owns every plug-in the program knows, keeps the plug-in registry
// KeltPlugins.ini (one section per kind, one empty key per plug-in file), loads the registered
// plug-ins, scans folders for new ones, installs and uninstalls them, and builds the kind
// submenus and the bar of glyph buttons they are started from.
//
// The main window creates one with its own handle, sets the folder, the progress bar, the
// bar box and the "Plugins" submenu, runs RunStartupLoad from its deferred loader, forwards
// every WM_COMMAND in kPluginCommandFirst..kPluginCommandLast to HandleCommand, and frees the
// manager before the menu and the bar box are destroyed.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plugins/host/plugin.h"
#include "plugins/host/plugin_guard.h"

namespace kelt {

class JTPluginHostOptions;

constexpr int kPluginCommandFirst = 5000;
constexpr int kPluginCommandLast = 5999;

// A list of owned plug-ins, each with an entry text. Look-ups by text ignore case; look-ups by
// plug-in compare identity.
class PluginList {
public:
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    JTPlugin* At(int index) const;
    std::string TextAt(int index) const;
    int IndexOf(const JTPlugin* plugin) const;
    int IndexOfText(const std::string& text) const;
    // The entry whose plug-in file is `path` (ignoring case), or -1.
    int IndexOfFile(const std::string& path) const;

    JTPlugin* Add(std::string text, std::unique_ptr<JTPlugin> plugin);
    // Takes an entry out and hands its plug-in over.
    std::unique_ptr<JTPlugin> Take(int index);
    // Destroys every plug-in and empties the list.
    void Clear();

private:
    struct Entry {
        std::string text;
        std::unique_ptr<JTPlugin> plugin;
    };
    std::vector<Entry> entries_;
};

// A registered plug-in that did not load at start: shown (greyed) by the configuration dialog.
struct JTFailedPlugin {
    std::string kind;      // the section it is registered in
    std::string fileName;  // the key: file name without folder
    std::string reason;    // JTPlugin::LoadFailure
};

class JTPluginManager {
public:
    explicit JTPluginManager(HWND hostHandle);
    virtual ~JTPluginManager();
    JTPluginManager(const JTPluginManager&) = delete;
    JTPluginManager& operator=(const JTPluginManager&) = delete;

    // The plug-in folder, without a trailing backslash.
    void SetPluginFolder(std::string folder) { pluginFolder_ = std::move(folder); }
    const std::string& PluginFolder() const { return pluginFolder_; }
    // The folder Version.ini is written to (the program's own folder unless set).
    void SetProgramFolder(std::string folder) { programFolder_ = std::move(folder); }
    const std::string& ProgramFolder() const { return programFolder_; }
    void SetProgress(HWND progressBar) { progress_ = progressBar; }
    void SetBarBox(HWND box) { barBox_ = box; }
    HWND BarBox() const { return barBox_; }
    void SetMenuRoot(HMENU pluginsMenu) { menuRoot_ = pluginsMenu; }
    HMENU MenuRoot() const { return menuRoot_; }
    std::uint32_t HostHandle() const { return hostHandle_; }
    const std::string& IniFileName() const { return iniFileName_; }
    const std::string& Extension() const { return extension_; }
    // Full path of KeltPlugins.ini (empty until OpenRegistry).
    const std::string& RegistryPath() const { return registryPath_; }

    PluginList& Plugins() { return plugins_; }
    PluginList& NewPlugins() { return newPlugins_; }
    const std::vector<std::string>& InstalledFiles() const { return installedFiles_; }
    const std::vector<JTFailedPlugin>& FailedPlugins() const { return failedPlugins_; }

    // The start-up sequence: open and load the registry; with ScanPlugins, scan for new
    // plug-ins (leaving out uninstalled ones) and install them (AutoInst) or ask whether to
    // open the installation dialog; then build the menu and the bar. `owner` owns the question
    // and the dialog.
    void RunStartupLoad(JTPluginHostOptions& options, HWND owner);

    virtual bool RegisterPluginAt(int index);
    virtual bool LoadRegistry();
    virtual JTPlugin* LoadPlugin(const std::string& path);
    virtual int ExecutePluginAt(int index);
    virtual void LoadFolder();
    virtual bool UnloadPlugin(int index);
    virtual bool OpenRegistry();
    virtual bool BuildMenu();
    virtual bool FillListView(HWND listView);
    virtual bool UnloadAll();
    virtual bool BuildBar(HWND container = nullptr);

    bool IsInstalled(const std::string& fileName) const;
    // True when the file name was uninstalled and has not been installed again since.
    bool IsMarkedUninstalled(const std::string& fileName) const;
    // True when the file name is registered but did not load.
    bool IsFailed(const std::string& fileName) const;

    // Scans `folder` (empty: the plug-in folder) for plug-in files that are not installed and
    // loads each into `target` (null: NewPlugins); a file already in the target is not added
    // twice. `startup` also leaves out files the user uninstalled. Answers the target's count,
    // or 0 when the folder holds no plug-in file at all.
    int ScanFolder(const std::string& folder, PluginList* target = nullptr, bool clear = false,
                   bool startup = false);
    int ScanFolder(const std::string& folder, PluginList& target) { return ScanFolder(folder, &target); }

    // Installs a plug-in found by a scan (an entry of NewPlugins): copies it into the plug-in
    // folder when it lies elsewhere, registers it and moves it to Plugins. Null when refused
    // or failed; the plug-in then stays in NewPlugins. A file name already installed is
    // refused with a message. The unique_ptr form takes a plug-in no list holds (it is
    // released when the install fails).
    JTPlugin* Install(JTPlugin* plugin);
    JTPlugin* Install(std::unique_ptr<JTPlugin> plugin);
    // Register, Uninstall and UninstallFailed check every write to the registry file and
    // report a failure to the user themselves; they answer false after it.
    bool Register(JTPlugin* plugin);
    bool Unregister(JTPlugin* plugin);
    bool Uninstall(JTPlugin* plugin);
    // Takes a registered file that did not load out of the registry (all of its keys), as an
    // uninstall does.
    bool UninstallFailed(const std::string& fileName);
    void FreeList(PluginList& list);
    // Runs the plug-in (with HostHandle, or `handle`) and tells the user when it fails, or
    // when it is not run because it failed earlier in this session.
    int ExecutePlugin(JTPlugin* plugin);
    int ExecutePlugin(JTPlugin* plugin, std::uint32_t handle);
    // Lets the plug-in undo its changes before it is uninstalled from the window `handle`; true
    // to go on. When the plug-in faults there (or failed earlier), the user is told and asked
    // whether to uninstall it anyway.
    bool PrepareUninstall(JTPlugin* plugin, std::uint32_t handle);

    // Runs the plug-in whose menu entry has this command ID; false for any other ID.
    bool HandleCommand(int id);
    // The plug-in whose menu entry has this command ID (null for none).
    JTPlugin* PluginForCommand(int id) const;

    // The section of KeltPlugins.ini that remembers uninstalled files; never a kind.
    static constexpr const char* kUninstalledSection = "~Uninstalled";

private:
    JTPlugin* LoadPlugin(const std::string& path, std::string* failure);
    HWND MessageOwner() const;
    std::string ProfilePath(const std::string& file) const;
    UINT FreeCommandId() const;
    HMENU KindSubmenu(const std::string& kind);
    void RemoveEmptySubmenu(HMENU submenu);
    void SetProgressPosition(int position);
    bool MarkUninstalled(const std::string& fileName, bool marked);
    // Deletes every key of the file from the kind sections (or from the marks section).
    bool RemoveKeyEverywhere(const std::string& fileName, bool marksOnly);
    bool ForgetFile(const std::string& fileName, const std::string& shownName);
    void ReportRegistryWrite(const std::string& what);
    // Copies a found plug-in into the plug-in folder and reloads it from there; null (the
    // plug-in and the folder as they were) when refused or failed.
    JTPlugin* CopyIntoFolder(JTPlugin* plugin, const std::string& target);
    // Deletes the plug-in files an earlier run set aside while their libraries were loaded.
    void RemoveReplacedFiles() const;

    std::uint32_t hostHandle_;
    std::string registryPath_;
    std::string iniFileName_ = "KeltPlugins.ini";
    std::string pluginFolder_;
    std::string programFolder_;
    std::string extension_ = ".KTP";
    PluginList plugins_;
    HMENU menuRoot_ = nullptr;
    HWND progress_ = nullptr;
    HWND barBox_ = nullptr;
    std::vector<std::string> installedFiles_;
    PluginList newPlugins_;
    std::vector<JTFailedPlugin> failedPlugins_;
    PluginQuitFilter quitFilter_;
};

// The longest name, kind, version or file name of a plug-in that is written anywhere.
constexpr std::size_t kMaxPluginText = KELTRIX_MAX_NAME;
// What a plug-in file set aside is called after its name (".KTP.replaced", ".KTP.replaced1" ...).
constexpr const char* kReplacedSuffix = ".replaced";

// Why a text a plug-in gave cannot be written into a profile file or a menu ("holds a line
// break", "starts with a section bracket" ...); empty when it can.
std::string UnsafeText(const std::string& text);
// A text as the user is shown it: control characters spelt out (\r, \n, \x01), cut short.
std::string VisibleText(const std::string& text);
// Why a plug-in cannot be written into the profile files or the menus (its file name, name,
// kind or version); empty when it can.
std::string ProfileProblem(const JTPlugin& plugin);

// Makes a kind submenu (the one place plug-in menus are created, so owner drawing can be
// attached here).
HMENU CreatePluginSubmenu();

// Profile-file helpers (sections and keys in file order).
std::vector<std::string> ProfileSectionNames(const std::string& path);
std::vector<std::string> ProfileKeyNames(const std::string& path, const std::string& section);

} // namespace kelt
