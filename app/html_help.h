#pragma once
// Help topics of keltrix.chm, shown by the system's HTML help viewer (hhctrl.ocx, loaded on
// first use) with the desktop as owner.
#include <windows.h>

#include <functional>
#include <string>

namespace kelt {

// The help file with a topic: program folder + "keltrix.chm" + topic ("::/options.htm").
std::string HelpTopicPath(const std::string& topic);

// Shows a topic. A missing help file or viewer is reported in a message box owned by
// `messageOwner`; nothing throws.
void ShowHelpTopic(const std::string& topic, HWND messageOwner = nullptr);

// The call into the viewer (HtmlHelpA's arguments). Tests install their own to see what
// would be shown; an empty function restores the real viewer. Answers the previous one.
using HtmlHelpCall = std::function<void(HWND owner, const std::string& path, UINT command, DWORD_PTR data)>;
HtmlHelpCall SetHtmlHelpCall(HtmlHelpCall call);

} // namespace kelt
