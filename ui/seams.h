#pragma once
// Every message box, colour dialog, file dialog and folder browser goes through here. The
// program uses the real system dialogs; tests install their own functions to script the
// answers and to record the exact texts, so nothing in a test waits on a modal box.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/colour.h"

namespace kelt::ui {

// What an open/save file dialog is asked for and answers.
struct FileDialogRequest {
    std::string title;
    // Pairs of description and pattern separated by '|': "Record files (*.rwr)|*.rwr|All|*.*".
    std::string filter;
    int filterIndex = 1;      // 1-based, in and out
    std::string defaultExt;   // without the dot
    std::string initialDir;
    std::string fileName;     // in: proposed; out: chosen
    DWORD flags = 0;          // extra OFN_ flags (OFN_OVERWRITEPROMPT ...)
};

// Folder browser request. `folder` is the start location in and the chosen path out.
struct FolderRequest {
    std::string title;
    UINT flags = 0;           // BIF_ flags
    std::string folder;
};

using MessageBoxSeam = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;
using ColourDialogSeam = std::function<bool(HWND owner, COLORREF& colour)>;
using FileDialogSeam = std::function<bool(HWND owner, FileDialogRequest& request)>;
using FolderDialogSeam = std::function<bool(HWND owner, FolderRequest& request)>;

struct DialogSeams {
    MessageBoxSeam messageBox;
    ColourDialogSeam chooseColour;
    FileDialogSeam openFile;
    FileDialogSeam saveFile;
    FolderDialogSeam browseFolder;

    // The real system dialogs.
    static DialogSeams Real();
};

// The seams in use.
DialogSeams& CurrentSeams();

// Installs seams for the lifetime of the object, then puts the previous ones back.
class ScopedSeams {
public:
    explicit ScopedSeams(DialogSeams seams);
    ~ScopedSeams();
    ScopedSeams(const ScopedSeams&) = delete;
    ScopedSeams& operator=(const ScopedSeams&) = delete;

private:
    DialogSeams previous_;
};

// MessageBoxA: answers IDOK, IDCANCEL, IDYES ...
int ShowMessage(HWND owner, const std::string& text, const std::string& caption, UINT flags);
// The colour dialog, starting on `colour` (system colours resolved); true and the new colour
// when the user chose one.
bool ChooseColour(HWND owner, COLORREF& colour);
bool ChooseColour(HWND owner, Colour& colour);
bool OpenFileDialog(HWND owner, FileDialogRequest& request);
bool SaveFileDialog(HWND owner, FileDialogRequest& request);
bool BrowseForFolder(HWND owner, FolderRequest& request);

} // namespace kelt::ui
