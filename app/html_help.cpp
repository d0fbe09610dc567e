#include "app/html_help.h"

#include "ui/files.h"
#include "ui/seams.h"

namespace kelt {

namespace {

constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// The viewer library stays loaded for the rest of the run: its windows outlive the call and
// unloading it under them would crash them.
HtmlHelpFn ViewerEntry()
{
    static HtmlHelpFn entry = [] {
        HMODULE module = ::LoadLibraryA("hhctrl.ocx");
        if (!module)
            return HtmlHelpFn(nullptr);
        return reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(::GetProcAddress(module, "HtmlHelpA")));
    }();
    return entry;
}

void RealHtmlHelp(HWND owner, const std::string& path, UINT command, DWORD_PTR data, HWND messageOwner)
{
    HtmlHelpFn entry = ViewerEntry();
    if (!entry) {
        ui::ShowMessage(messageOwner, "The help viewer (hhctrl.ocx) is not available on this system.", "Error",
                        MB_ICONERROR);
        return;
    }
    entry(owner, path.c_str(), command, data);
}

HtmlHelpCall& CurrentCall()
{
    static HtmlHelpCall call;
    return call;
}

} // namespace

std::string HelpTopicPath(const std::string& topic)
{
    return ui::ProgramFolder() + "keltrix.chm" + topic;
}

void ShowHelpTopic(const std::string& topic, HWND messageOwner)
{
    // The viewer answers a missing file with a box of its own on some systems and with
    // nothing on others; say it plainly instead.
    const std::string file = ui::ProgramFolder() + "keltrix.chm";
    if (!ui::FileExists(file)) {
        ui::ShowMessage(messageOwner, "The help file " + file + " could not be found.", "Error", MB_ICONERROR);
        return;
    }
    const std::string path = file + topic;
    if (CurrentCall())
        CurrentCall()(::GetDesktopWindow(), path, kDisplayTopic, 0);
    else
        RealHtmlHelp(::GetDesktopWindow(), path, kDisplayTopic, 0, messageOwner);
}

HtmlHelpCall SetHtmlHelpCall(HtmlHelpCall call)
{
    HtmlHelpCall previous = std::move(CurrentCall());
    CurrentCall() = std::move(call);
    return previous;
}

} // namespace kelt
