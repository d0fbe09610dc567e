#include "plugins/common/tool_window.h"

#include "ui/dpi.h"

namespace kelt::plugin {

void FitClientSize(HWND dialog, int width, int height, ui::AnchorLayout& layout)
{
    const int dpi = ui::DpiOf(dialog);
    RECT frame{0, 0, ui::ScaleFor(width, dpi), ui::ScaleFor(height, dpi)};
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrA(dialog, GWL_EXSTYLE));
    ui::AdjustWindowRectFor(frame, style, ::GetMenu(dialog) != nullptr, exStyle, dpi);
    RECT now{};
    ::GetWindowRect(dialog, &now);
    const int newWidth = frame.right - frame.left, newHeight = frame.bottom - frame.top;
    const int left = now.left + ((now.right - now.left) - newWidth) / 2;
    const int top = now.top + ((now.bottom - now.top) - newHeight) / 2;
    ::SetWindowPos(dialog, nullptr, left, top, newWidth, newHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    layout.Apply();
}

} // namespace kelt::plugin
