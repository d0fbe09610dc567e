#include "plugins/host/plugin_help.h"

#include "ui/seams.h"

namespace kelt {

namespace {

constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

PluginHelpHandler& Handler()
{
    static PluginHelpHandler handler;
    return handler;
}

std::string ProgramFolder()
{
    char buffer[MAX_PATH * 4] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    std::string path(buffer, length);
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void ShowInViewer(HWND messageOwner, const std::string& path)
{
    const std::string file = ProgramFolder() + "keltrix.chm";
    const DWORD attributes = ::GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ui::ShowMessage(messageOwner, "The help file " + file + " could not be found.", "Error", MB_ICONERROR);
        return;
    }
    // The viewer stays loaded: its windows outlive the call.
    static const HtmlHelpFn entry = [] {
        HMODULE module = ::LoadLibraryA("hhctrl.ocx");
        return module ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(::GetProcAddress(module, "HtmlHelpA")))
                      : HtmlHelpFn(nullptr);
    }();
    if (!entry) {
        ui::ShowMessage(messageOwner, "The help viewer (hhctrl.ocx) is not available on this system.", "Error",
                        MB_ICONERROR);
        return;
    }
    entry(::GetDesktopWindow(), path.c_str(), kDisplayTopic, 0);
}

} // namespace

std::string PluginHelpPath()
{
    return ProgramFolder() + "keltrix.chm::/plugins.htm";
}

void ShowPluginHelp(HWND messageOwner)
{
    if (Handler())
        Handler()(messageOwner, PluginHelpPath());
    else
        ShowInViewer(messageOwner, PluginHelpPath());
}

PluginHelpHandler SetPluginHelpHandler(PluginHelpHandler handler)
{
    PluginHelpHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

} // namespace kelt
