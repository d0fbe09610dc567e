#pragma once
// Shared by the tests of the Applets, Scrub and Relocate tool windows: the staged plug-in
// loaded through the host's plug-in object, its message boxes and folder browser scripted,
// its Windows version and restart calls scripted, and small drivers for its controls.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "catalogue/platform/system_calls.h"
#include "plugins/host/plugin.h"
#include "plugins/sdk/test_hooks_bridge.h"
#include "tests/windows/plugins/plugin_test_support.h"
#include "ui/dpi.h"
#include "ui/seams.h"

namespace kelt::testing {

struct Box {
    std::string text;
    std::string caption;
    UINT flags = 0;
};

// What the tool window asked the user, and the answers it gets.
class ScriptedDialogs {
public:
    ScriptedDialogs()
    {
        ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            if (boxAnswers.empty())
                return (flags & MB_OKCANCEL) ? IDCANCEL : IDOK;
            const int answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        };
        seams.browseFolder = [this](HWND, ui::FolderRequest& request) {
            browseStarts.push_back(request.folder);
            if (folderAnswers.empty() || folderAnswers.front().empty()) {
                if (!folderAnswers.empty())
                    folderAnswers.pop_front();
                return false;  // cancelled
            }
            request.folder = folderAnswers.front();
            folderAnswers.pop_front();
            return true;
        };
        scoped_ = std::make_unique<ui::ScopedSeams>(seams);
    }

    std::vector<Box> boxes;
    std::deque<int> boxAnswers;            // IDOK, IDCANCEL ...; default OK (Cancel for OK/Cancel boxes)
    std::vector<std::string> browseStarts;  // the start folder of each browser
    std::deque<std::string> folderAnswers;  // "" cancels; none left cancels

private:
    std::unique_ptr<ui::ScopedSeams> scoped_;
};

// The Windows version the plug-in sees, and the restarts it asks for.
class ScriptedWindows {
public:
    // platform 0: the version query fails.
    ScriptedWindows(DWORD platform, DWORD major, DWORD minor)
    {
        SystemCalls calls = SystemCalls::Real();
        calls.RtlGetVersion = nullptr;  // the scripted query is the only answer
        calls.GetVersionExA = [platform, major, minor](OSVERSIONINFOA* info) -> BOOL {
            if (platform == 0)
                return FALSE;
            info->dwPlatformId = platform;
            info->dwMajorVersion = major;
            info->dwMinorVersion = minor;
            info->dwBuildNumber = 1000;
            return TRUE;
        };
        calls.ExitWindowsEx = [this](UINT flags, DWORD) -> BOOL {
            restarts.push_back(flags);
            return restartSucceeds ? TRUE : FALSE;
        };
        scoped_ = std::make_unique<ScopedSystemCalls>(calls);
    }

    std::vector<UINT> restarts;
    bool restartSucceeds = true;

private:
    std::unique_ptr<ScopedSystemCalls> scoped_;
};

inline std::string StagedPlugin(const std::string& name)
{
    return WindowsPathOf("KELT_STAGE_DIR") + "\\Plugins\\" + name + ".KTP";
}

// A delivered plug-in loaded as the host loads it, with its dialogs and system calls routed
// through the test's seams.
class ToolPlugin {
public:
    explicit ToolPlugin(const std::string& name) : plugin_(0, StagedPlugin(name))
    {
        loaded_ = plugin_.Load() == 1;
        hooks_ = std::make_unique<plugin::ScopedPluginTestHooks>(plugin_.Module());
    }
    bool Loaded() const { return loaded_ && hooks_->Active(); }
    JTPlugin& Plugin() { return plugin_; }

    // Executes the plug-in, runs `drive` on its tool window (caption starting with `caption`)
    // and closes it; true when the window was seen.
    bool Run(const std::string& caption, std::function<void(HWND)> drive)
    {
        WhenWindowOpens script(caption, std::move(drive));
        const int result = plugin_.Execute(0);
        EXPECT_EQ(1, result);
        return script.Seen();
    }

private:
    JTPlugin plugin_;
    bool loaded_ = false;
    std::unique_ptr<plugin::ScopedPluginTestHooks> hooks_;
};

inline void Click(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Tick lists (plugins/common/check_list_box.h): the item data is the tick.
inline bool Ticked(HWND list, int row)
{
    return ::SendMessageA(list, LB_GETITEMDATA, row, 0) == 1;
}

inline std::string RowText(HWND list, int row)
{
    const LRESULT length = ::SendMessageA(list, LB_GETTEXTLEN, row, 0);
    if (length == LB_ERR)
        return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    ::SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

inline int RowCount(HWND list)
{
    return static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
}

// A mouse click on the tick box of a row.
inline void ClickTick(HWND list, int row)
{
    RECT rect{};
    ::SendMessageA(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&rect));
    const LPARAM at = MAKELPARAM(rect.left + ui::Scale(2) + 4, (rect.top + rect.bottom) / 2);
    ::SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(list, WM_LBUTTONUP, 0, at);
}

// Watches for pop-up menus opened while it lives: records each menu's item texts and closes
// it without choosing anything.
class MenuWatcher {
public:
    MenuWatcher()
    {
        Current() = this;
        timer_ = ::SetTimer(nullptr, 0, 30, Tick);
    }
    ~MenuWatcher()
    {
        ::KillTimer(nullptr, timer_);
        Current() = nullptr;
    }
    MenuWatcher(const MenuWatcher&) = delete;
    MenuWatcher& operator=(const MenuWatcher&) = delete;

    std::vector<std::vector<std::string>> menus;

private:
    static MenuWatcher*& Current()
    {
        static MenuWatcher* current = nullptr;
        return current;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        MenuWatcher* self = Current();
        HWND popup = ::FindWindowA("#32768", nullptr);
        if (!self || !popup || !::IsWindowVisible(popup))
            return;
        auto menu = reinterpret_cast<HMENU>(::SendMessageA(popup, 0x01E1 /* MN_GETHMENU */, 0, 0));
        std::vector<std::string> items;
        for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
            char text[128] = {};
            ::GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            items.emplace_back(text);
        }
        self->menus.push_back(items);
        ::EndMenu();
    }
    UINT_PTR timer_ = 0;
};

} // namespace kelt::testing
