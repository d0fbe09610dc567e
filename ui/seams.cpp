#include "ui/seams.h"

#include <commdlg.h>
#include <shlobj.h>

#include <utility>
#include <vector>

#include "ui/text.h"

namespace kelt::ui {

namespace {

int RealMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags)
{
    return ::MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

bool RealChooseColour(HWND owner, COLORREF& colour)
{
    static COLORREF custom[16] = {};
    CHOOSECOLORA choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.rgbResult = colour;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!::ChooseColorA(&choose))
        return false;
    colour = choose.rgbResult;
    return true;
}

// "a|b|c|d" -> "a\0b\0c\0d\0\0" as the file dialogs want it.
std::vector<char> FilterBuffer(const std::string& filter)
{
    std::vector<char> buffer(filter.begin(), filter.end());
    for (char& c : buffer)
        if (c == '|')
            c = '\0';
    buffer.push_back('\0');
    buffer.push_back('\0');
    return buffer;
}

bool RealFileDialog(HWND owner, FileDialogRequest& request, bool save)
{
    std::vector<char> filter = FilterBuffer(request.filter);
    std::vector<char> file(32768, '\0');
    request.fileName.copy(file.data(), file.size() - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = request.filter.empty() ? nullptr : filter.data();
    dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = request.initialDir.empty() ? nullptr : request.initialDir.c_str();
    dialog.lpstrTitle = request.title.empty() ? nullptr : request.title.c_str();
    dialog.lpstrDefExt = request.defaultExt.empty() ? nullptr : request.defaultExt.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | request.flags;
    const BOOL ok = save ? ::GetSaveFileNameA(&dialog) : ::GetOpenFileNameA(&dialog);
    if (!ok)
        return false;
    request.fileName = file.data();
    request.filterIndex = static_cast<int>(dialog.nFilterIndex);
    return true;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data)
{
    if (message == BFFM_INITIALIZED && data)
        ::SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

bool RealBrowseFolder(HWND owner, FolderRequest& request)
{
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pszDisplayName = display;
    info.lpszTitle = request.title.empty() ? nullptr : request.title.c_str();
    info.ulFlags = request.flags;
    if (!request.folder.empty()) {
        info.lpfn = BrowseCallback;
        info.lParam = reinterpret_cast<LPARAM>(request.folder.c_str());
    }
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderA(&info);
    if (!chosen)
        return false;
    // The wide form: a path of MAX_PATH characters can take three times as many bytes in
    // UTF-8, more than the narrow form has room for.
    wchar_t path[MAX_PATH] = {};
    const bool ok = ::SHGetPathFromIDListW(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    if (ok)
        request.folder = Narrow(path);
    return ok;
}

} // namespace

DialogSeams DialogSeams::Real()
{
    DialogSeams seams;
    seams.messageBox = RealMessageBox;
    seams.chooseColour = RealChooseColour;
    seams.openFile = [](HWND owner, FileDialogRequest& request) { return RealFileDialog(owner, request, false); };
    seams.saveFile = [](HWND owner, FileDialogRequest& request) { return RealFileDialog(owner, request, true); };
    seams.browseFolder = RealBrowseFolder;
    return seams;
}

DialogSeams& CurrentSeams()
{
    static DialogSeams seams = DialogSeams::Real();
    return seams;
}

ScopedSeams::ScopedSeams(DialogSeams seams) : previous_(std::move(CurrentSeams()))
{
    CurrentSeams() = std::move(seams);
}

ScopedSeams::~ScopedSeams()
{
    CurrentSeams() = std::move(previous_);
}

int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags)
{
    const auto& seam = CurrentSeams().messageBox;
    return seam ? seam(owner, text, caption, flags) : 0;
}

bool ChooseColour(HWND owner, COLORREF& colour)
{
    const auto& seam = CurrentSeams().chooseColour;
    return seam && seam(owner, colour);
}

bool ChooseColour(HWND owner, Colour& colour)
{
    COLORREF rgb = ResolveColour(colour);
    if (!ChooseColour(owner, rgb))
        return false;
    colour = static_cast<Colour>(rgb & 0x00FFFFFF);
    return true;
}

bool OpenFileDialog(HWND owner, FileDialogRequest& request)
{
    const auto& seam = CurrentSeams().openFile;
    return seam && seam(owner, request);
}

bool SaveFileDialog(HWND owner, FileDialogRequest& request)
{
    const auto& seam = CurrentSeams().saveFile;
    return seam && seam(owner, request);
}

bool BrowseForFolder(HWND owner, FolderRequest& request)
{
    const auto& seam = CurrentSeams().browseFolder;
    return seam && seam(owner, request);
}

} // namespace kelt::ui
