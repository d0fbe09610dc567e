#include "plugins/host/plugin_help.h"

#include "ui/files.h"
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

void ShowInViewer(HWND messageOwner, const std::string& path)
{
    const std::string file = ui::ProgramFolder() + "keltrix.chm";
    if (!ui::FileExists(file)) {
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
    return ui::ProgramFolder() + "keltrix.chm::/plugins.htm";
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
