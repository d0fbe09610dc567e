#include "ui/hint.h"

#include <commctrl.h>

#include <map>

#include "ui/instance.h"

namespace kelt::ui {

namespace {

thread_local HWND tooltip = nullptr;
struct HintEntry {
    std::string text;
    HWND owner;  // the window the tool was registered with
};
thread_local std::map<HWND, HintEntry> hints;

TTTOOLINFOA ToolFor(HWND hwnd, HWND owner)
{
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(hwnd);
    info.hinst = Instance();
    return info;
}

} // namespace

HWND HintWindow()
{
    if (!tooltip || !::IsWindow(tooltip)) {
        InitCommonControlsOnce();
        tooltip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                    Instance(), nullptr);
        if (tooltip) {
            // Long registry paths wrap instead of running off the screen.
            ::SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, 600);
        }
        hints.clear();
    }
    return tooltip;
}

void RemoveHint(HWND hwnd)
{
    auto found = hints.find(hwnd);
    if (found == hints.end())
        return;
    if (tooltip && ::IsWindow(tooltip)) {
        TTTOOLINFOA info = ToolFor(hwnd, found->second.owner);
        ::SendMessageA(tooltip, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
    }
    hints.erase(found);
}

void SetHint(HWND hwnd, const std::string& text)
{
    if (!hwnd)
        return;
    if (text.empty()) {
        RemoveHint(hwnd);
        return;
    }
    HWND tip = HintWindow();
    if (!tip)
        return;
    auto found = hints.find(hwnd);
    if (found == hints.end()) {
        TTTOOLINFOA info = ToolFor(hwnd, hwnd);
        info.lpszText = const_cast<char*>(text.c_str());
        if (::SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)))
            hints[hwnd] = HintEntry{text, hwnd};
    } else {
        TTTOOLINFOA info = ToolFor(hwnd, found->second.owner);
        info.lpszText = const_cast<char*>(text.c_str());
        ::SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
        found->second.text = text;
    }
}

std::string GetHint(HWND hwnd)
{
    auto found = hints.find(hwnd);
    if (found == hints.end() || !tooltip)
        return std::string();
    // Ask the tooltip itself, so the answer is what the user would see.
    std::string buffer(found->second.text.size() + 2, '\0');
    TTTOOLINFOA info = ToolFor(hwnd, found->second.owner);
    info.lpszText = &buffer[0];
    ::SendMessageA(tooltip, TTM_GETTEXTA, buffer.size(), reinterpret_cast<LPARAM>(&info));
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

} // namespace kelt::ui
