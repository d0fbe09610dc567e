#pragma once
// Hints (tooltips) of one tool window, shown by a tooltip window of its own. A plug-in runs
// inside the host's process: changing shared hint settings would change the host's hints too,
// so a tool window that wants other timings keeps them on its own tooltip window, which ends
// with the tool window.
#include <windows.h>

#include <map>
#include <string>

namespace kelt::plugin {

class OwnHints {
public:
    OwnHints() = default;
    ~OwnHints();
    OwnHints(const OwnHints&) = delete;
    OwnHints& operator=(const OwnHints&) = delete;

    // Creates the tooltip window, owned by `window`, showing a hint after `initialMs` and
    // keeping it up for `visibleMs`.
    bool Create(HWND window, int initialMs, int visibleMs);
    HWND Handle() const { return tooltip_; }

    // Sets or replaces the hint of a control of the window; an empty text removes it.
    void Set(HWND control, const std::string& text);
    // The hint of a control as the tooltip window holds it.
    std::string Get(HWND control) const;

private:
    HWND owner_ = nullptr;
    HWND tooltip_ = nullptr;
    std::map<HWND, std::string> texts_;
};

} // namespace kelt::plugin
