#pragma once
// Test-program side of dialog_hooks.h: while a ScopedPluginDialogs lives, every message box
// and dialog of the given plug-in library goes through the seams of the program that made it
// (kelt::ui::CurrentSeams() of the test program, which the test scripts as usual).
//
//     kelt::ui::ScopedSeams script(mySeams);
//     HMODULE plugin = LoadLibraryA("...\\Starter.KTP");
//     kelt::plugin::ScopedPluginDialogs bridge(plugin);
//     ... call Execute, drive the tool window; its boxes land in mySeams ...
//
// Header-only on purpose: it must run inside the test program, not inside the plug-in. End it
// before the library is released (it calls the library once more to put the real dialogs back).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "plugins/sdk/dialog_hooks.h"
#include "ui/seams.h"

namespace kelt::plugin {

namespace bridge_detail {

inline void CopyOut(const std::string& text, char* buffer, unsigned capacity)
{
    if (!buffer || capacity == 0)
        return;
    const std::size_t n = std::min<std::size_t>(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

inline std::string In(const char* text)
{
    return text ? std::string(text) : std::string();
}

inline int MessageBoxHook(void*, HWND owner, const char* text, const char* caption, unsigned flags)
{
    return ui::ShowMessage(owner, In(text), In(caption), flags);
}

inline int ColourHook(void*, HWND owner, COLORREF* colour)
{
    return colour && ui::ChooseColour(owner, *colour) ? 1 : 0;
}

inline int FileHook(HWND owner, KeltFileDialogHook* hook, bool save)
{
    if (!hook)
        return 0;
    ui::FileDialogRequest request;
    request.title = In(hook->title);
    request.filter = In(hook->filter);
    request.filterIndex = hook->filterIndex;
    request.defaultExt = In(hook->defaultExt);
    request.initialDir = In(hook->initialDir);
    request.fileName = hook->fileName ? std::string(hook->fileName, strnlen(hook->fileName, hook->capacity)) : "";
    request.flags = hook->flags;
    const bool chosen = save ? ui::SaveFileDialog(owner, request) : ui::OpenFileDialog(owner, request);
    if (chosen) {
        CopyOut(request.fileName, hook->fileName, hook->capacity);
        hook->filterIndex = request.filterIndex;
    }
    return chosen ? 1 : 0;
}

inline int OpenHook(void*, HWND owner, KeltFileDialogHook* hook) { return FileHook(owner, hook, false); }
inline int SaveHook(void*, HWND owner, KeltFileDialogHook* hook) { return FileHook(owner, hook, true); }

inline int FolderHook(void*, HWND owner, const char* title, unsigned flags, char* folder, unsigned capacity)
{
    ui::FolderRequest request;
    request.title = In(title);
    request.flags = flags;
    request.folder = folder ? std::string(folder, strnlen(folder, capacity)) : "";
    if (!ui::BrowseForFolder(owner, request))
        return 0;
    CopyOut(request.folder, folder, capacity);
    return 1;
}

} // namespace bridge_detail

class ScopedPluginDialogs {
public:
    explicit ScopedPluginDialogs(HMODULE plugin)
    {
        if (plugin)
            entry_ = reinterpret_cast<KeltSetDialogHooksEntry>(
                reinterpret_cast<void*>(::GetProcAddress(plugin, KELT_DIALOG_HOOKS_EXPORT)));
        if (!entry_)
            return;
        KeltDialogHooks hooks{};
        hooks.size = sizeof hooks;
        hooks.messageBox = bridge_detail::MessageBoxHook;
        hooks.chooseColour = bridge_detail::ColourHook;
        hooks.openFile = bridge_detail::OpenHook;
        hooks.saveFile = bridge_detail::SaveHook;
        hooks.browseFolder = bridge_detail::FolderHook;
        entry_(&hooks);
    }
    ~ScopedPluginDialogs()
    {
        if (entry_)
            entry_(nullptr);
    }
    ScopedPluginDialogs(const ScopedPluginDialogs&) = delete;
    ScopedPluginDialogs& operator=(const ScopedPluginDialogs&) = delete;

    // False when the library has no hook export (it was not made by kelt_plugin()).
    bool Active() const { return entry_ != nullptr; }

private:
    KeltSetDialogHooksEntry entry_ = nullptr;
};

} // namespace kelt::plugin
