#pragma once
// The Starter tool window: the auto-run entries with a check mark each (ticked = Windows runs
// it), the fields of the selected entry, and the buttons that switch, delete, add and replace
// entries.
#include <windows.h>

#include <string>
#include <vector>

#include "plugins/common/own_hints.h"
#include "plugins/starter/start_pro.h"
#include "ui/layout.h"
#include "ui/report_list.h"
#include "ui/window.h"

namespace kelt::starter {

class TForm1 : public ui::Dialog {
public:
    TForm1();

    // What the window lists (one per row, in row order of the last listing).
    const std::vector<JTStartPro>& Entries() const { return entries_; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    void OnOK() override {}

private:
    void FormCreate();
    void ListEntries();
    void plStartProsSelect();
    void pbtnDeleteClick();
    void pbtnAddClick();
    void pbtnModifyClick();
    void pbtnRefreshClick();
    void pbtnBrowseClick();
    void pbtnApplyClick();

    // The entry of the selected row, null when none.
    JTStartPro* SelectedEntry();
    // The position chosen in "Position:" (0 when none).
    int ChosenPosition() const;
    // Checks the fields, shows the confirmation and answers true when the user confirmed.
    bool ConfirmWrite(const std::string& title, const std::string& question, const std::string& name,
                      int position, const std::string& command);
    // When writing `target` would replace another entry, shows both commands and asks; false
    // when the user declined. `replace` tells the write to go ahead over the other entry.
    bool ConfirmReplace(const JTStartPro& target, const JTStartPro* selected, bool& replace);
    void ReportWriteFailure(StartProResult result);
    void EnableEntryButtons(bool enabled);
    void ShowOwnTextAsHint(int id);

    ui::ReportList plStartPros;
    plugin::OwnHints hints_;
    ui::AnchorLayout layout_;
    std::vector<JTStartPro> entries_;
    // RunServices and RunServicesOnce run programs on the Windows 95 line only.
    bool windows95Line_ = false;
};

} // namespace kelt::starter
