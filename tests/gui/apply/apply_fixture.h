#pragma once
// Shared by the record dialog tests: scripted message boxes and file dialogs, tweak items
// under a throw-away key, and raw registry and file helpers.
#include <windows.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/html_help.h"
#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/reg_settings.h"
#include "tests/windows/catalogue/catalogue_fixture.h"
#include "tests/windows/platform/test_key.h"
#include "ui/seams.h"

namespace kelt::testing {

struct Box {
    std::string text, caption;
    UINT flags;
};

// Message boxes are recorded and answered by caption (OK unless scripted otherwise; the
// restart question is answered Cancel so nothing restarts). File dialogs answer the next
// scripted name, or cancel when none is left.
class DialogScript {
public:
    DialogScript()
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            boxes.push_back({text, caption, flags});
            if (onBox)
                onBox(boxes.back());
            const auto it = answers.find(caption);
            if (it != answers.end() && !it->second.empty()) {
                const int answer = it->second.front();
                it->second.pop_front();
                return answer;
            }
            return caption == "Warning!" ? IDCANCEL : IDOK;
        };
        auto file = [this](HWND, ui::FileDialogRequest& request) {
            requests.push_back(request);
            if (files.empty())
                return false;
            request.fileName = files.front();
            files.pop_front();
            return true;
        };
        seams.openFile = file;
        seams.saveFile = file;
        scope_ = std::make_unique<ui::ScopedSeams>(seams);
        previousHelp_ = SetHtmlHelpCall([this](HWND, const std::string& path, UINT, DWORD_PTR) { help.push_back(path); });
    }
    ~DialogScript() { SetHtmlHelpCall(previousHelp_); }

    // The texts of the boxes with that caption.
    std::vector<std::string> Texts(const std::string& caption) const
    {
        std::vector<std::string> texts;
        for (const Box& box : boxes)
            if (box.caption == caption)
                texts.push_back(box.text);
        return texts;
    }
    bool Shown(const std::string& text) const
    {
        for (const Box& box : boxes)
            if (box.text == text)
                return true;
        return false;
    }

    std::vector<Box> boxes;
    std::map<std::string, std::deque<int>> answers;
    std::function<void(const Box&)> onBox;
    std::deque<std::string> files;
    std::vector<ui::FileDialogRequest> requests;
    std::vector<std::string> help;

private:
    std::unique_ptr<ui::ScopedSeams> scope_;
    HtmlHelpCall previousHelp_;
};

inline std::string Dword(DWORD v)
{
    return std::string(reinterpret_cast<const char*>(&v), 4);
}

inline std::string FileBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
}

inline bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Presses a button of a dialog the way a click does.
inline void Click(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

inline std::unique_ptr<JTckSetItem> CheckItem(const std::string& describe, const std::string& subKey, int type,
                                              std::string yes, std::string no, const std::string& name = "Value")
{
    auto item = std::make_unique<JTckSetItem>();
    item->sDescribe = describe;
    item->iRegRoot = kCurrentUser;
    item->sSubKey = subKey;
    item->sDataName = name;
    item->iRegType = type;
    item->sYesVal = std::move(yes);
    item->sNoVal = std::move(no);
    item->OSType.SetMask(127);
    return item;
}

inline std::unique_ptr<JTedSetItem> EditItem(const std::string& describe, const std::string& subKey, int type,
                                             std::string defaultVal, const std::string& name, bool autoCreate = true)
{
    auto item = std::make_unique<JTedSetItem>();
    item->sDescribe = describe;
    item->iRegRoot = kCurrentUser;
    item->sSubKey = subKey;
    item->sDataName = name;
    item->iRegType = type;
    item->sDefaultVal = std::move(defaultVal);
    item->bAutoCreate = autoCreate;
    item->OSType.SetMask(127);
    return item;
}

} // namespace kelt::testing
