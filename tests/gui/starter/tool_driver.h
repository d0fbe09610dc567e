#pragma once
// Drives a delivered plug-in's tool window from a test: loads the staged library through the
// host's plug-in object, scripts its message boxes and dialogs through the seams, opens the
// window and runs a script on it, and a few helpers that work the controls by messages.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "plugins/host/plugin.h"
#include "plugins/sdk/test_hooks_bridge.h"
#include "tests/windows/plugins/plugin_test_support.h"
#include "ui/seams.h"
#include "ui/window.h"

namespace kelt::testing {

struct Box {
    std::string text, caption;
    UINT flags = 0;
};

class ToolDriver {
public:
    explicit ToolDriver(const std::string& name)
        : plugin_(0, WindowsPathOf("KELT_STAGE_DIR") + "\\Plugins\\" + name + ".KTP")
    {
        loaded_ = plugin_.Load();
    }

    JTPlugin& Plugin() { return plugin_; }
    int LoadResult() const { return loaded_; }

    // Answers of the coming message boxes in order; IDOK once they run out.
    std::deque<int> answers;
    std::vector<Box> boxes;
    std::function<bool(ui::FileDialogRequest&)> onOpenFile;
    std::function<bool(ui::FolderRequest&)> onBrowseFolder;

    // Opens the tool window, runs `script` on it and closes it; false when it never opened.
    bool Run(const std::string& caption, const std::function<void(HWND)>& script)
    {
        ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back(Box{text, caption, flags});
            if (answers.empty())
                return IDOK;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
        seams.openFile = [this](HWND, ui::FileDialogRequest& request) { return onOpenFile && onOpenFile(request); };
        seams.browseFolder = [this](HWND, ui::FolderRequest& request) {
            return onBrowseFolder && onBrowseFolder(request);
        };
        ui::ScopedSeams scripted(seams);
        plugin::ScopedPluginTestHooks bridge(plugin_.Module());
        WhenWindowOpens whenOpen(caption, script);
        plugin_.Execute(0);
        return whenOpen.Seen();
    }

private:
    JTPlugin plugin_;
    int loaded_ = 0;
};

inline void Click(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

inline void SetText(HWND dialog, int id, const std::string& text)
{
    ::SetDlgItemTextA(dialog, id, text.c_str());
}

inline std::string Text(HWND dialog, int id)
{
    return ui::WindowText(::GetDlgItem(dialog, id));
}

// Chooses a drop-down entry as the user would (-1: none).
inline void Choose(HWND dialog, int id, int index)
{
    ::SendDlgItemMessageA(dialog, id, CB_SETCURSEL, index, 0);
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// The texts of a check list: column 0 of every row, "[x] " or "[ ] " in front for the check mark.
inline std::vector<std::string> Rows(HWND list, int column = 0)
{
    std::vector<std::string> rows;
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        char buffer[512] = {};
        ListView_GetItemText(list, row, column, buffer, sizeof buffer);
        rows.push_back(std::string(ListView_GetCheckState(list, row) ? "[x] " : "[ ] ") + buffer);
    }
    return rows;
}

inline int FindRow(HWND list, const std::string& text, int nth = 0)
{
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        char buffer[512] = {};
        ListView_GetItemText(list, row, 0, buffer, sizeof buffer);
        if (text == buffer && nth-- == 0)
            return row;
    }
    return -1;
}

inline void SetRowChecked(HWND list, int row, bool checked)
{
    ListView_SetCheckState(list, row, checked ? TRUE : FALSE);
}

inline void SelectRow(HWND list, int row)
{
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

} // namespace kelt::testing
