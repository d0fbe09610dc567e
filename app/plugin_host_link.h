#pragma once
// What the main window asks of the plug-in host, in the order it asks it. The program's link
// works on the plug-in manager; tests give the window a scripted one.
#include <windows.h>

#include <memory>
#include <string>

namespace kelt {

class JTKeltOptions;

class JTPluginHostLink {
public:
    virtual ~JTPluginHostLink() = default;

    // Opens the plug-in registry and loads the plug-ins registered in it.
    virtual void LoadRegistered() = 0;
    // Scans the plug-in folder for plug-ins not installed yet; answers how many were found.
    virtual int ScanForNew() = 0;
    virtual int NewCount() const = 0;
    // Installs the first found plug-in (it leaves the found list).
    virtual void InstallFirstNew() = 0;
    // Forgets the found plug-ins until the next scan.
    virtual void DiscardNew() = 0;
    // The two plug-in dialogs, modal over `owner`; the configuration dialog answers its result.
    virtual void RunInstallDialog(HWND owner) = 0;
    virtual int RunConfigDialog(HWND owner) = 0;
    // Menu entries under the plug-in menu and buttons in the plug-in box, for the plug-ins that
    // have none yet.
    virtual void BuildMenuAndBar() = 0;

    virtual int PluginCount() const = 0;
    virtual std::string PluginName(int index) const = 0;
    // The plug-in's 32 x 32 picture, null when it has none (owned by the plug-in).
    virtual HBITMAP PluginGlyph(int index) const = 0;
    virtual void* PluginData(int index) const = 0;
    virtual void ExecutePlugin(void* plugin) = 0;
    // A command of the plug-in menu (5000-5999); true when it was one.
    virtual bool HandleCommand(int id) = 0;
    // The progress bar the registry load moves (null: none any more).
    virtual void SetProgress(HWND progress) = 0;
};

// Where the manager finds and shows things.
struct JTPluginHostPlaces {
    HWND host = nullptr;          // the main window: owner of every plug-in window
    std::string folder;           // the plug-in folder, without trailing backslash
    HWND progress = nullptr;      // the splash's plug-in bar
    HWND barBox = nullptr;        // the box of plug-in buttons
    HMENU menuRoot = nullptr;     // the "Plugins " menu
};

// The link over the program's plug-in manager; null in a build without the plug-in host.
std::unique_ptr<JTPluginHostLink> CreatePluginHostLink(const JTPluginHostPlaces& places, JTKeltOptions& options);

} // namespace kelt
