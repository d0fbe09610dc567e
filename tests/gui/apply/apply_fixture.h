#pragma once
// Shared by the record dialog tests: scripted message boxes, file dialogs and help, a list
// view read back as text, and small registry and file helpers.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/html_help.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "tests/windows/platform/test_key.h"
#include "ui/files.h"
#include "ui/seams.h"

namespace kelt::testing {

// Message boxes are recorded and answered by caption (OK unless scripted; the restart
// question Cancel, so nothing restarts). File dialogs answer the next scripted name.
class DialogScript {
public:
    DialogScript()
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            log.push_back(caption + "/" + std::to_string(flags) + ": " + text);
            std::deque<int>& queue = answers[caption];
            const int answer = queue.empty() ? (caption == "Warning!" ? IDCANCEL : IDOK) : queue.front();
            if (!queue.empty())
                queue.pop_front();
            return answer;
        };
        seams.openFile = seams.saveFile = [this](HWND, ui::FileDialogRequest& request) {
            requests.push_back(request);
            if (files.empty())
                return false;
            request.fileName = files.front();
            files.pop_front();
            return true;
        };
        scope_ = std::make_unique<ui::ScopedSeams>(seams);
        previousHelp_ = SetHtmlHelpCall([this](HWND, const std::string& path, UINT, DWORD_PTR) { help.push_back(path); });
    }
    ~DialogScript() { SetHtmlHelpCall(previousHelp_); }

    bool Shown(const std::string& line) const
    {
        for (const std::string& entry : log)
            if (entry == line)
                return true;
        return false;
    }
    // Presses a help button with a help file in place (the viewer is only asked for one).
    void PressHelp(HWND dialog, int id)
    {
        const std::string chm = ui::ProgramFolder() + "keltrix.chm";
        std::ofstream(chm).put('x');
        ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        ::DeleteFileA(chm.c_str());
    }

    std::vector<std::string> log;  // every box as "caption/flags: text"
    std::map<std::string, std::deque<int>> answers;
    std::deque<std::string> files;
    std::vector<ui::FileDialogRequest> requests;
    std::vector<std::string> help;

private:
    std::unique_ptr<ui::ScopedSeams> scope_;
    HtmlHelpCall previousHelp_;
};

// A list view as lines: the column captions, then each row's cells, joined with " | ".
inline std::vector<std::string> Grid(HWND list)
{
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int columns = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    const int rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> lines(static_cast<std::size_t>(rows) + 1);
    for (int c = 0; c < columns; ++c) {
        char text[256] = {};
        LVCOLUMNA column = {LVCF_TEXT};
        column.pszText = text;
        column.cchTextMax = sizeof text;
        ::SendMessageA(list, LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
        lines[0] += (c ? " | " : "") + std::string(text);
        for (int r = 0; r < rows; ++r) {
            LVITEMA cell = {};
            cell.iSubItem = c;
            cell.pszText = text;
            cell.cchTextMax = sizeof text;
            text[0] = '\0';
            ::SendMessageA(list, LVM_GETITEMTEXTA, r, reinterpret_cast<LPARAM>(&cell));
            lines[static_cast<std::size_t>(r) + 1] += (c ? " | " : "") + std::string(text);
        }
    }
    return lines;
}

inline std::string Dword(DWORD v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

inline std::string Sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

inline std::string FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Click(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

inline std::string RegistryBytes(const std::string& key, const std::string& name)
{
    DWORD type = 0;
    std::string bytes;
    return RawGet(key, name, type, bytes) ? bytes : "<missing>";
}

} // namespace kelt::testing
