#pragma once
// The Hide tool window. "Disks and Folders": the drives with a check mark each (unticked =
// hidden from My Computer) and the folder masking; "Others": the drives Explorer refuses to
// open (unticked = locked). "Apply" writes both drive policies.
#include <windows.h>

#include <memory>
#include <string>

#include "plugins/hide/drive_mask.h"
#include "plugins/hide/folder_mask.h"
#include "plugins/hide/masked_record.h"
#include "ui/layout.h"
#include "ui/report_list.h"
#include "ui/window.h"

namespace kelt::hide {

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
        DrivePolicy(const char* valueName, const char* page, bool always)
            : mask(valueName), pageName(page), writeAlways(always)
        {
        }
        JTDriveMask mask;
        const char* pageName;
        // NoDrives is written on every "Apply"; the other only when its list was changed.
        bool writeAlways;
        ui::ReportList list;
        bool readable = false;
        unsigned shownHidden = 0;  // the hidden bits of the list as it was filled
    };

    class Page;

    void FormCreate();
    void CreatePages();
    // Commands of the controls on the pages.
    bool PageCommand(int id, int code);
    HWND PageItem(int id) const;
    // Fills the policy's list; false (list disabled) when the value holds no drive mask.
    bool ReadDriveMask(DrivePolicy& policy);
    bool WriteDriveMask(DrivePolicy& policy);
    unsigned HiddenBits(const DrivePolicy& policy, unsigned* listed = nullptr) const;
    void FillMaskedList();
    void pcmbMaskedChange();
    void ShowPage(int page);
    void pbtnApplyClick();
    void pbtnBrowseClick();
    void pbtnMaskFolderClick();

    DrivePolicy noDrives_{kNoDrivesValue, "Disks and Folders", true};
    DrivePolicy noViewOnDrive_{kNoViewOnDriveValue, "Others", false};
    SystemFolders systemFolders_;
    std::vector<MaskedFolder> masked_;
    ui::AnchorLayout layout_;
    std::unique_ptr<Page> folders_, others_;
};

} // namespace kelt::hide
