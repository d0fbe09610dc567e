#pragma once
// Test-program side of test_hooks.h: while a ScopedPluginTestHooks lives, every message box
// and dialog of the given plug-in library goes through the seams of the program that made it
// (kelt::ui::CurrentSeams() of the test program, which the test scripts as usual), and its
// version query and restart calls through that program's kelt::CurrentSystemCalls().
//
//     kelt::ui::ScopedSeams script(mySeams);
//     HMODULE plugin = LoadLibraryA("...\\Starter.KTP");
//     kelt::plugin::ScopedPluginTestHooks bridge(plugin);
//     ... call Execute, drive the tool window; its boxes land in mySeams ...
//
// Header-only on purpose: it must run inside the test program, not inside the plug-in. End it
// before the library is released (it calls the library once more to put the real dialogs back).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "catalogue/platform/system_calls.h"
#include "plugins/sdk/test_hooks.h"
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

inline BOOL VersionHook(void*, OSVERSIONINFOA* info) { return CurrentSystemCalls().GetVersionExA(info); }
inline BOOL OpenTokenHook(void*, HANDLE process, DWORD access, HANDLE* token)
{
    return CurrentSystemCalls().OpenProcessToken(process, access, token);
}
inline BOOL LookupPrivilegeHook(void*, const char* system, const char* name, LUID* luid)
{
    return CurrentSystemCalls().LookupPrivilegeValueA(system, name, luid);
}
inline BOOL AdjustPrivilegesHook(void*, HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD length,
                                 TOKEN_PRIVILEGES* previous, DWORD* returnLength)
{
    return CurrentSystemCalls().AdjustTokenPrivileges(token, disableAll, newState, length, previous, returnLength);
}
inline LONG TrueVersionHook(void*, RTL_OSVERSIONINFOW* info)
{
    // The test's table may have no true query (a scripted version): the plug-in then asks the
    // scripted one.
    const auto& query = CurrentSystemCalls().RtlGetVersion;
    return query ? query(info) : static_cast<LONG>(0xC0000002);  // STATUS_NOT_IMPLEMENTED
}
inline DWORD LastErrorHook(void*) { return CurrentSystemCalls().GetLastError(); }
inline BOOL ExitWindowsHook(void*, UINT flags, DWORD reason) { return CurrentSystemCalls().ExitWindowsEx(flags, reason); }
inline BOOL CloseHandleHook(void*, HANDLE handle) { return CurrentSystemCalls().CloseHandle(handle); }

} // namespace bridge_detail

class ScopedPluginTestHooks {
public:
    explicit ScopedPluginTestHooks(HMODULE plugin)
    {
        if (plugin)
            entry_ = reinterpret_cast<KeltSetTestHooksEntry>(
                reinterpret_cast<void*>(::GetProcAddress(plugin, KELT_TEST_HOOKS_EXPORT)));
        if (!entry_)
            return;
        KeltTestHooks hooks{};
        hooks.size = sizeof hooks;
        hooks.messageBox = bridge_detail::MessageBoxHook;
        hooks.chooseColour = bridge_detail::ColourHook;
        hooks.openFile = bridge_detail::OpenHook;
        hooks.saveFile = bridge_detail::SaveHook;
        hooks.browseFolder = bridge_detail::FolderHook;
        hooks.getVersionEx = bridge_detail::VersionHook;
        hooks.openProcessToken = bridge_detail::OpenTokenHook;
        hooks.lookupPrivilegeValue = bridge_detail::LookupPrivilegeHook;
        hooks.adjustTokenPrivileges = bridge_detail::AdjustPrivilegesHook;
        hooks.getLastError = bridge_detail::LastErrorHook;
        hooks.exitWindowsEx = bridge_detail::ExitWindowsHook;
        hooks.closeHandle = bridge_detail::CloseHandleHook;
        hooks.rtlGetVersion = bridge_detail::TrueVersionHook;
        entry_(&hooks);
    }
    ~ScopedPluginTestHooks()
    {
        if (entry_)
            entry_(nullptr);
    }
    ScopedPluginTestHooks(const ScopedPluginTestHooks&) = delete;
    ScopedPluginTestHooks& operator=(const ScopedPluginTestHooks&) = delete;

    // False when the library has no hook export (it was not made by kelt_plugin()).
    bool Active() const { return entry_ != nullptr; }

private:
    KeltSetTestHooksEntry entry_ = nullptr;
};

} // namespace kelt::plugin
