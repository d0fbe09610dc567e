#pragma once
// The restore/redo dialog: lists the rows of a record file and writes the chosen rows' old
// values back (restore) or their new values again (redo). It shows each row's value as the
// registry holds it now and what a replay would do with it, so a user sees what would change,
// and can export the rows for other machines: as a registry file, or as Group Policy
// registry items.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/apply/record_export.h"
#include "catalogue/record.h"
#include "storage/xdb_table.h"
#include "ui/handles.h"
#include "ui/window.h"

namespace kelt {

class JTRegSettings;

class TKeltRecForm : public ui::Dialog {
public:
    enum Direction { kRedo = 0, kRestore = 1 };

    // `catalogue` (may be null) re-reads all values after a replay that wrote anything.
    TKeltRecForm(int direction, JTRegSettings* catalogue);
    ~TKeltRecForm() override;

    bool Restoring() const { return restore_; }
    // The rows of the last listing, in file order.
    const std::vector<std::unique_ptr<JTRecord>>& Records() const { return records_; }
    bool Listed() const { return listed_; }
    // The context menu (made with the dialog).
    HMENU ContextMenu() const { return contextMenu_.get(); }

    // Row captions.
    static constexpr const char* kApplyCaption = "Apply";
    static constexpr const char* kUnapplyCaption = "Un-apply";
    static constexpr const char* kUnchangedCaption = "Unchanged";
    static constexpr const char* kUnusableCaption = "Unusable";
    static constexpr const char* kSkipNoKeyCaption = "Skip: no key";
    static constexpr const char* kSkipNoValueCaption = "Skip: no value";
    static constexpr const char* kSkipOtherTypeCaption = "Skip: other type";

    // What a replay would do with a row, as the registry stands now.
    enum class RowState {
        Ready,        // written (or its value deleted)
        Unchanged,    // the registry holds the target already
        SkipNoKey,    // the key is missing and may not be created: skipped
        SkipNoValue,  // the value is missing and may not be created: skipped
        SkipOtherType,  // the value is stored with another type: left as it is
        Unusable,     // no known root or type: never read or written
    };
    static RowState StateOf(const JTRecord& record, bool restore);

    // "Path in registry" of a row: root name \ sub-key \ value name.
    static std::string PathText(const JTRecord& record);
    // A live value as the "Now" column shows it.
    static std::string LiveText(const JTRecord& record, const JTLiveValue& live);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR& header, LRESULT& result) override;
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;

private:
    void FormCreate();
    void CreateContextMenu();
    void pbtnOpenClick();
    void pbtnListClick();
    void pbtnOKClick();
    void pbtnExportClick();
    void pbtnExportGppClick();
    // Asks where to write an export, proposing `fileName`; empty when the user cancels.
    std::string AskExportFile(const char* title, const char* filter, const char* extension, std::string fileName);
    // Runs an export and says what it wrote, naming the rows it left out.
    void ReportExport(const std::string& written, const std::function<JTExportReport()>& write);
    void pbtnHelpClick();
    void pedFileNameChange();
    // Lists the file; false (with the load message) when it cannot be read.
    bool ListFile(const std::string& fileName);
    // Lists the file named in the edit unless that is what is listed; false when nothing
    // usable is listed.
    bool EnsureListed();
    void FillList();
    // The "Now" column and the captions of rows already at their target.
    void ShowLiveState(bool uncheckUnchanged);
    void UpdateRowCaption(int row);
    int Ask(const std::string& text, const std::string& caption, UINT flags);

    bool restore_;
    JTRegSettings* catalogue_;
    std::vector<std::unique_ptr<JTRecord>> records_;
    std::vector<RowState> states_;  // per row, as the registry stood at the last look
    bool listed_ = false;
    std::string listedName_;
    TXdbTable pRecFile;
    ui::UniqueMenu contextMenu_;
    bool filling_ = false;
};

} // namespace kelt
