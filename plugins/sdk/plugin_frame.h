#pragma once
// The frame every Keltrix plug-in shares.
//
// How to write a plug-in:
//
//   1. CMakeLists.txt of plugins/<name>/:
//          kelt_plugin(NAME Starter SOURCES starter_form.cpp ... RESOURCES starter.rc
//                      GLYPH glyph.art [FILE_VERSION 0.80] [NO_VERSION_INFO] [DEPS kelt_platform])
//      builds Starter.KTP (static runtime, the nine exports undecorated on both systems, the
//      version resource "Plugin for Keltrix" 0.8.0.0 / 0.80, the 32 x 32 256-colour bitmap
//      "Glyph" made from the .art picture) and stages it into Plugins\ of the program folder.
//      The plug-in links kelt_ui; add kelt_platform or others with DEPS. FILE_VERSION changes
//      only the file version text (Applets: 0.80); NO_VERSION_INFO leaves the resource out
//      (Scrub). The library is built as <build>/bin/<Name>.KTP.
//   2. One source file states the seven strings once, at namespace scope:
//          KELT_PLUGIN_INFO("Starter", "Dnv", "Security", "Starter", "Glyph", "0.8", "2003");
//      (name, author, kind, menu text, glyph resource name, version, copyright).
//   3. The same plug-in implements the one entry of its own:
//          void kelt::plugin::ShowToolWindow(HWND owner)
//          {
//              TForm1 form;             // a ui::Dialog from the plug-in's own .rc
//              form.RunModal(owner);    // the modal loop; owner is disabled meanwhile
//          }
//      `owner` is the host window the tool window must be owned by (the host's handle given
//      to Execute, or the calling thread's active window when that is no window). The frame
//      disables the host's other windows while it runs and catches what it throws.
//
// Dialog and resource look-ups: ui::Instance() and PluginModule() are the plug-in library, so
// ui::Dialog(templateId) finds the plug-in's own templates. Message boxes and dialogs go through
// ui/seams.h as in the program; tests reach them through test_hooks_bridge.h. A test loads the
// .KTP, calls its Execute with a window of its own and drives the tool window from a timer
// (see tests/windows/plugins/plugin_test_support.h, WhenWindowOpens).
#include <windows.h>

#include <cstdint>
#include <vector>

namespace kelt::plugin {

// The seven descriptive strings, in the order of the macro's arguments.
struct PluginStrings {
    const char* name;
    const char* author;
    const char* kind;
    const char* menuText;
    const char* glyphResName;
    const char* version;
    const char* copyright;
};

// Defined once per plug-in by KELT_PLUGIN_INFO.
extern const PluginStrings kPluginStrings;

// Implemented once per plug-in: runs the tool window TForm1 modally, owned by `owner`
// (may be null when the host has no window), and returns when it has closed.
void ShowToolWindow(HWND owner);

// The plug-in library itself (set when the library is loaded).
HMODULE PluginModule();

// The value the last Execute call received, unchanged (0 before the first call).
std::uint32_t LastHostHandle();

// While it lives, every visible and enabled top-level window of the calling thread other than
// `keep` is disabled; they are enabled again when it ends. `keep` is left to the modal loop,
// which disables and re-enables it in the order that hands activation back to it.
class HostWindowsDisabled {
public:
    explicit HostWindowsDisabled(HWND keep);
    ~HostWindowsDisabled();
    HostWindowsDisabled(const HostWindowsDisabled&) = delete;
    HostWindowsDisabled& operator=(const HostWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self);
    HWND keep_;
    std::vector<HWND> disabled_;
};

} // namespace kelt::plugin

#define KELT_PLUGIN_INFO(name, author, kind, menuText, glyphResName, version, copyright) \
    const ::kelt::plugin::PluginStrings kelt::plugin::kPluginStrings = {                  \
        name, author, kind, menuText, glyphResName, version, copyright}
