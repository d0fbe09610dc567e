#pragma once
// The Relocate tool window: the system folders with their locations, the mail store and the
// installation files; new locations are picked with the folder browser and written on
// "Apply", which then offers to restart Windows when anything was written.
#include <windows.h>

#include "plugins/common/own_hints.h"
#include "plugins/common/tab_pages.h"
#include "plugins/relocate/folder_locations.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt::relocate {

class TForm1 : public ui::Dialog {
public:
    TForm1();

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    bool OnCtlColor(UINT message, HDC dc, HWND control, LRESULT& result) override;

private:
    void FormCreate();
    void LoadSystemFolders();
    void LoadOtherFolders();
    void ShowSystemFolders();
    void SelectionChanged();
    void EditSelectedFolder();
    // Warns when `chosen` is a drive root or another folder's location; true to go ahead.
    bool AcceptLocation(int row, const std::string& chosen);
    bool RowWritable(int row) const;
    void BrowseOtherFolder(int tag);
    void pbtnApplyClick();
    int SelectedRow() const;
    // The folder browser at `start`; empty when the user cancelled.
    std::string BrowseForFolder(const std::string& start);
    // The list's pop-up menu with its one command "Edit...".
    static ui::UniqueMenu CreateListMenu(bool enabled);

    HWND plvSysFolders = nullptr;
    plugin::TabPages pages_;
    plugin::OwnHints hints_;
    SystemFolderList folders_;
    OtherFolders others_;
};

} // namespace kelt::relocate
