// The nine exports of the contract, answered from the plug-in's string table, and the
// library entry point. Names stay undecorated through plugin.def (and --kill-at on 32 bits).
#include <windows.h>

#include <cstdint>
#include <exception>

#include "plugins/sdk/plugin_contract.h"
#include "plugins/sdk/plugin_frame.h"
#include "ui/error_report.h"

namespace {

HMODULE g_module = nullptr;
std::uint32_t g_lastHostHandle = 0;

} // namespace

namespace kelt::plugin {

HMODULE PluginModule()
{
    return g_module;
}

std::uint32_t LastHostHandle()
{
    return g_lastHostHandle;
}

} // namespace kelt::plugin

extern "C" {

const char* __stdcall GetPluginName() { return kelt::plugin::kPluginStrings.name; }
const char* __stdcall GetPluginAuthor() { return kelt::plugin::kPluginStrings.author; }
const char* __stdcall GetPluginKind() { return kelt::plugin::kPluginStrings.kind; }
const char* __stdcall GetPluginMenuText() { return kelt::plugin::kPluginStrings.menuText; }
const char* __stdcall GetPluginGlyphResName()
{
    return kelt::plugin::kPluginStrings.glyphResName;
}
const char* __stdcall GetPluginVersion() { return kelt::plugin::kPluginStrings.version; }
const char* __stdcall GetPluginCopyright() { return kelt::plugin::kPluginStrings.copyright; }

// Resolved by the host and never called.
void __stdcall DonePlugin() {}

// Runs the tool window modally over the host and returns 1 once it has closed. Nothing may
// unwind into the host: what the tool window throws is shown here.
std::int32_t __stdcall Execute(std::uint32_t hostHandle)
{
    g_lastHostHandle = hostHandle;
    HWND owner = kelt::plugin::ToolWindowOwner(hostHandle);
    try {
        kelt::plugin::HostWindowsDisabled others(owner);
        kelt::plugin::ShowToolWindow(owner);
    } catch (const std::exception& error) {
        kelt::ui::ReportError(error, owner);
    } catch (...) {
        kelt::ui::ReportUnknownError(owner);
    }
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

} // extern "C"
