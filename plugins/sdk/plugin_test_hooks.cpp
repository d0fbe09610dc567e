// The test-hook export (see test_hooks.h): the plug-in's dialog seams and system-call table
// call plain C functions of the program that installed them.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "catalogue/platform/system_calls.h"
#include "plugins/sdk/test_hooks.h"
#include "ui/seams.h"

namespace {

KeltTestHooks g_hooks{};

// Copies `text` into a buffer the hook may write a path of up to 32K characters into.
std::vector<char> PathBuffer(const std::string& text)
{
    std::vector<char> buffer(32768, '\0');
    text.copy(buffer.data(), buffer.size() - 1);
    return buffer;
}

bool FileThroughHook(int (*hook)(void*, HWND, KeltFileDialogHook*), HWND owner, kelt::ui::FileDialogRequest& request)
{
    std::vector<char> name = PathBuffer(request.fileName);
    KeltFileDialogHook call{};
    call.title = request.title.c_str();
    call.filter = request.filter.c_str();
    call.defaultExt = request.defaultExt.c_str();
    call.initialDir = request.initialDir.c_str();
    call.flags = request.flags;
    call.filterIndex = request.filterIndex;
    call.fileName = name.data();
    call.capacity = static_cast<unsigned>(name.size());
    if (!hook(g_hooks.context, owner, &call))
        return false;
    name.back() = '\0';
    request.fileName = name.data();
    request.filterIndex = call.filterIndex;
    return true;
}

kelt::ui::DialogSeams HookedSeams()
{
    kelt::ui::DialogSeams seams = kelt::ui::DialogSeams::Real();
    if (g_hooks.messageBox)
        seams.messageBox = [](HWND owner, const std::string& text, const std::string& caption, UINT flags) {
            return g_hooks.messageBox(g_hooks.context, owner, text.c_str(), caption.c_str(), flags);
        };
    if (g_hooks.chooseColour)
        seams.chooseColour = [](HWND owner, COLORREF& colour) {
            return g_hooks.chooseColour(g_hooks.context, owner, &colour) != 0;
        };
    if (g_hooks.openFile)
        seams.openFile = [](HWND owner, kelt::ui::FileDialogRequest& request) {
            return FileThroughHook(g_hooks.openFile, owner, request);
        };
    if (g_hooks.saveFile)
        seams.saveFile = [](HWND owner, kelt::ui::FileDialogRequest& request) {
            return FileThroughHook(g_hooks.saveFile, owner, request);
        };
    if (g_hooks.browseFolder)
        seams.browseFolder = [](HWND owner, kelt::ui::FolderRequest& request) {
            std::vector<char> folder = PathBuffer(request.folder);
            if (!g_hooks.browseFolder(g_hooks.context, owner, request.title.c_str(), request.flags, folder.data(),
                                      static_cast<unsigned>(folder.size())))
                return false;
            folder.back() = '\0';
            request.folder = folder.data();
            return true;
        };
    return seams;
}

kelt::SystemCalls HookedCalls()
{
    kelt::SystemCalls calls = kelt::SystemCalls::Real();
    void* const context = g_hooks.context;
    if (auto hook = g_hooks.getVersionEx) {
        // A scripted version query is the only answer the plug-in gets, unless the true query
        // is scripted as well.
        calls.RtlGetVersion = nullptr;
        calls.GetVersionExA = [hook, context](OSVERSIONINFOA* info) { return hook(context, info); };
    }
    if (auto hook = g_hooks.rtlGetVersion)
        calls.RtlGetVersion = [hook, context](RTL_OSVERSIONINFOW* info) { return hook(context, info); };
    if (auto hook = g_hooks.openProcessToken)
        calls.OpenProcessToken = [hook, context](HANDLE process, DWORD access, HANDLE* token) {
            return hook(context, process, access, token);
        };
    if (auto hook = g_hooks.lookupPrivilegeValue)
        calls.LookupPrivilegeValueA = [hook, context](const char* system, const char* name, LUID* luid) {
            return hook(context, system, name, luid);
        };
    if (auto hook = g_hooks.adjustTokenPrivileges)
        calls.AdjustTokenPrivileges = [hook, context](HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState,
                                                      DWORD length, TOKEN_PRIVILEGES* previous, DWORD* returnLength) {
            return hook(context, token, disableAll, newState, length, previous, returnLength);
        };
    if (auto hook = g_hooks.getLastError)
        calls.GetLastError = [hook, context] { return hook(context); };
    if (auto hook = g_hooks.exitWindowsEx)
        calls.ExitWindowsEx = [hook, context](UINT flags, DWORD reason) { return hook(context, flags, reason); };
    if (auto hook = g_hooks.closeHandle)
        calls.CloseHandle = [hook, context](HANDLE handle) { return hook(context, handle); };
    return calls;
}

} // namespace

extern "C" void __stdcall KeltSetTestHooks(const KeltTestHooks* hooks)
{
    g_hooks = KeltTestHooks{};
    if (hooks && hooks->size >= sizeof(unsigned)) {
        // Take the part of the table both sides know.
        const std::size_t known = hooks->size < sizeof g_hooks ? hooks->size : sizeof g_hooks;
        std::memcpy(&g_hooks, hooks, known);
        g_hooks.size = sizeof g_hooks;
        kelt::ui::CurrentSeams() = HookedSeams();
        kelt::CurrentSystemCalls() = HookedCalls();
    } else {
        kelt::ui::CurrentSeams() = kelt::ui::DialogSeams::Real();
        kelt::CurrentSystemCalls() = kelt::SystemCalls::Real();
    }
}
