#pragma once
// The apply run: writes the chosen modified tweaks to the registry and, when recording, logs
// each one to a record file from which it can be undone later.
//
// The record row of a tweak is written ahead of the tweak: the row is appended and the file
// saved before the registry changes, and taken out again when the write fails, so the file
// holds a row for every change made and for nothing else. A tweak whose row cannot be saved
// is not written at all.
#include <windows.h>

#include <string>
#include <vector>

namespace kelt {

class JTRegSettings;
class JTSetItem;
class TXdbTable;
struct JTRecord;

struct JTApplyEntry {
    JTSetItem* item = nullptr;
    bool checked = true;
};

class JTApplyRun {
public:
    // Messages and questions are shown over `owner` through the message-box seam.
    JTApplyRun(JTRegSettings& catalogue, HWND owner);

    // False when nothing is checked (which it says) or the user stopped at a question before
    // anything was written; true when the run went through the entries (after which they have all left the modified list, unless
    // an unexpected error ended the run early, which is reported).
    bool Run(const std::vector<JTApplyEntry>& entries, bool createRecord, const std::string& fileName);

    bool Recording() const { return recording_; }
    int AppliedCount() const { return applied_; }
    // Descriptions of the checked tweaks that were not written, in list order.
    const std::vector<std::string>& NotApplied() const { return notApplied_; }

    // The text of the closing message when some tweaks were not written.
    static std::string SummaryText(const std::vector<std::string>& notApplied, int applied);

private:
    int Ask(const std::string& text, const std::string& caption, UINT flags) const;
    // Creates the record file (and its folder); 1 when the table is ready, 0 when not.
    int PrepareRecordFile(const std::string& fileName);
    bool ApplyRecorded(JTSetItem& item);
    bool ApplyPlain(JTSetItem& item);
    // The item leaves the modified list, re-reads the registry and rebuilds its row.
    void Settle(JTSetItem& item);

    JTRegSettings& catalogue_;
    HWND owner_;
    bool recording_ = false;
    int applied_ = 0;
    std::vector<std::string> notApplied_;
};

// Creates the folder of a file path with every missing parent; true when it exists afterwards.
bool EnsureFolderOf(const std::string& filePath);

} // namespace kelt
