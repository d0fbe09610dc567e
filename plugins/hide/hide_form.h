#pragma once
// The Hide tool window. "Disks and Folders": the drives with a check mark each (unticked =
// hidden from My Computer) and the folder masking; "Others": the drives Explorer refuses to
// open (unticked = locked). "Apply" writes both drive policies.
#include <windows.h>

#include <memory>
#include <string>

#include "plugins/common/check_list_view.h"
#include "plugins/hide/drive_mask.h"
#include "plugins/hide/folder_mask.h"
#include "ui/layout.h"
#include "ui/window.h"

namespace kelt {

class TForm1 : public ui::Dialog {
public:
    TForm1();
    ~TForm1() override;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnOK() override {}

private:
    // One drive policy with its list.
    struct DrivePolicy {
        explicit DrivePolicy(const char* valueName) : mask(valueName) {}
        JTDriveMask mask;
        plugin::CheckListView list;
        bool readable = false;
    };

    class Page;

    void FormCreate();
    void CreatePages();
    // Commands of the controls on the pages.
    bool PageCommand(int id, int code);
    HWND PageItem(int id) const;
    void ReadDriveMask(DrivePolicy& policy);
    bool WriteDriveMask(DrivePolicy& policy);
    void ShowPage(int page);
    void pbtnApplyClick();
    void pbtnBrowseClick();
    void pbtnMaskFolderClick();

    DrivePolicy noDrives_{kNoDrivesValue};
    DrivePolicy noViewOnDrive_{kNoViewOnDriveValue};
    SystemFolders systemFolders_;
    ui::AnchorLayout layout_;
    std::unique_ptr<Page> folders_, others_;
};

} // namespace kelt
