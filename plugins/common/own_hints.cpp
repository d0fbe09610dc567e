#include "plugins/common/own_hints.h"

#include <commctrl.h>

#include "ui/instance.h"

namespace kelt::plugin {

namespace {

TTTOOLINFOA ToolOf(HWND owner, HWND control)
{
    TTTOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = owner;
    info.uId = reinterpret_cast<UINT_PTR>(control);
    info.hinst = ui::Instance();
    return info;
}

} // namespace

OwnHints::~OwnHints()
{
    if (tooltip_ && ::IsWindow(tooltip_))
        ::DestroyWindow(tooltip_);
}

bool OwnHints::Create(HWND window, int initialMs, int visibleMs)
{
    ui::InitCommonControlsOnce();
    owner_ = window;
    tooltip_ = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                                 ui::Instance(), nullptr);
    if (!tooltip_)
        return false;
    // Long texts wrap instead of running off the screen.
    ::SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
    ::SendMessageA(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(initialMs, 0));
    ::SendMessageA(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(visibleMs, 0));
    return true;
}

void OwnHints::Set(HWND control, const std::string& text)
{
    if (!tooltip_ || !control)
        return;
    TTTOOLINFOA info = ToolOf(owner_, control);
    auto found = texts_.find(control);
    if (text.empty()) {
        if (found != texts_.end()) {
            ::SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
            texts_.erase(found);
        }
        return;
    }
    info.lpszText = const_cast<char*>(text.c_str());
    if (found == texts_.end()) {
        if (::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)))
            texts_[control] = text;
    } else {
        ::SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
        found->second = text;
    }
}

std::string OwnHints::Get(HWND control) const
{
    auto found = texts_.find(control);
    if (!tooltip_ || found == texts_.end())
        return std::string();
    std::string buffer(found->second.size() + 2, '\0');
    TTTOOLINFOA info = ToolOf(owner_, control);
    info.lpszText = &buffer[0];
    ::SendMessageA(tooltip_, TTM_GETTEXTA, buffer.size(), reinterpret_cast<LPARAM>(&info));
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

} // namespace kelt::plugin
