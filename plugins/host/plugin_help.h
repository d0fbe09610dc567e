#pragma once
// "&Help" of the plug-in dialogs: the topic "::/plugins.htm" of keltrix.chm beside the program,
// shown by the HTML help viewer with the desktop as owner.
#include <windows.h>

#include <functional>
#include <string>

namespace kelt {

// The help path: the program's folder with its backslash + "keltrix.chm" + "::/plugins.htm".
std::string PluginHelpPath();

// Shows the topic (a missing file or viewer is reported in a box owned by `messageOwner`).
void ShowPluginHelp(HWND messageOwner);

// Replaces how the topic is shown (the main window may route it through its own help, tests
// record it); an empty function restores the viewer. Answers the previous one.
using PluginHelpHandler = std::function<void(HWND messageOwner, const std::string& path)>;
PluginHelpHandler SetPluginHelpHandler(PluginHelpHandler handler);

} // namespace kelt
