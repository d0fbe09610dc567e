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

    // The start-up load: the registered plug-ins, the scan for new ones as the options say
    // (installing them, or asking over `owner` whether to open the installation dialog), then
    // the menu entries and the buttons of the plug-in box.
    virtual void RunStartupLoad(HWND owner) = 0;
    // The configuration dialog, modal over `owner`; answers its result.
    virtual int RunConfigDialog(HWND owner) = 0;

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
    HWND barBox = nullptr;        // the scroll box of plug-in buttons (the box, not its canvas)
    HMENU menuRoot = nullptr;     // the "Plugins " menu
};

// The link over the program's plug-in manager; null in a build without the plug-in host.
std::unique_ptr<JTPluginHostLink> CreatePluginHostLink(const JTPluginHostPlaces& places, JTKeltOptions& options);

} // namespace kelt
