// The optional hook export (see dialog_hooks.h): the plug-in's dialog seams call plain C
// functions of the program that installed them.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "plugins/sdk/dialog_hooks.h"
#include "ui/seams.h"

namespace {

KeltDialogHooks g_hooks{};

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

} // namespace

extern "C" void __stdcall KeltSetDialogHooks(const KeltDialogHooks* hooks)
{
    g_hooks = KeltDialogHooks{};
    if (hooks && hooks->size >= sizeof(unsigned)) {
        // Take the part of the table both sides know.
        const std::size_t known = hooks->size < sizeof g_hooks ? hooks->size : sizeof g_hooks;
        std::memcpy(&g_hooks, hooks, known);
        g_hooks.size = sizeof g_hooks;
        kelt::ui::CurrentSeams() = HookedSeams();
    } else {
        kelt::ui::CurrentSeams() = kelt::ui::DialogSeams::Real();
    }
}
