#include "app/apply/apply_run.h"

#include <algorithm>
#include <exception>

#include "catalogue/record.h"
#include "catalogue/reg_settings.h"
#include "catalogue/set_item.h"
#include "storage/xdb_table.h"
#include "ui/files.h"
#include "ui/seams.h"

namespace kelt {

namespace {

const UINT kQuestion = MB_OKCANCEL | MB_ICONQUESTION;  // 33
const char kNothingChecked[] = "No tweak is checked: nothing has been written.";

void SaveRecordFile(TXdbTable& table)
{
    if (!table.ApplyUpdates())
        table.SaveToFile(table.TableName());
}

// Takes the row just appended out of the table again (posted or not).
void DropLastRow(TXdbTable& table)
{
    if (table.State() == dsInsert || table.State() == dsEdit) {
        table.Cancel();
        return;
    }
    if (table.RecordCount() > 0) {
        table.Last();
        table.Delete();
    }
}

} // namespace

bool EnsureFolderOf(const std::string& filePath)
{
    char full[MAX_PATH * 2] = {};
    char* namePart = nullptr;
    const DWORD length = ::GetFullPathNameA(filePath.c_str(), sizeof full, full, &namePart);
    if (length == 0 || length >= sizeof full || !namePart || namePart == full)
        return false;
    std::string folder(full, namePart - full);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    if (ui::FolderExists(folder + "\\"))
        return true;
    // Every missing level from the top down.
    for (std::size_t at = folder.find('\\', 1); at != std::string::npos; at = folder.find('\\', at + 1)) {
        const std::string level = folder.substr(0, at);
        if (!ui::FolderExists(level + "\\"))
            ::CreateDirectoryA(level.c_str(), nullptr);
    }
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return ui::FolderExists(folder);
}

JTApplyRun::JTApplyRun(JTRegSettings& catalogue, HWND owner) : catalogue_(catalogue), owner_(owner) {}

int JTApplyRun::Ask(const std::string& text, const std::string& caption, UINT flags) const
{
    return ui::ShowMessage(owner_, text, caption, flags);
}

std::string JTApplyRun::SummaryText(const std::vector<std::string>& notApplied, int applied)
{
    std::string text = notApplied.size() == 1 ? "This setting could not be applied:"
                                              : "These " + std::to_string(notApplied.size()) +
                                                    " settings could not be applied:";
    for (const std::string& name : notApplied)
        text += "\n" + name;
    return text + (applied > 0 ? "\nThe other changes have been applied." : "\nNothing has been changed.");
}

int JTApplyRun::PrepareRecordFile(const std::string& fileName)
{
    // An empty name, a folder that cannot be made or a file that cannot be written all mean
    // there is no record table.
    if (fileName.empty() || !EnsureFolderOf(fileName))
        return 0;
    try {
        catalogue_.SetRecordFileName(fileName);
        return catalogue_.CreateRecordTable();
    } catch (const std::exception&) {
        return 0;
    }
}

bool JTApplyRun::Run(const std::vector<JTApplyEntry>& entries, bool createRecord, const std::string& fileName)
{
    recording_ = false;
    applied_ = 0;
    notApplied_.clear();
    // Nothing to write: no record file either (it would replace today's with an empty one).
    if (std::none_of(entries.begin(), entries.end(), [](const JTApplyEntry& e) { return e.checked && e.item; })) {
        Ask(kNothingChecked, "Information", MB_ICONINFORMATION);
        return false;
    }
    if (createRecord) {
        if (ui::FileExists(fileName) &&
            Ask("File" + fileName + " already exists!Overwrite it?", "Warning", kQuestion) != IDOK)
            return false;
        if (PrepareRecordFile(fileName) == 1 && catalogue_.RecordTable()) {
            recording_ = true;
        } else if (Ask("Errors has been occured when creating record file!Continue to apply changes?", "Warning",
                       kQuestion) != IDOK) {
            return false;
        }
    }

    bool completed = true;
    try {
        for (const JTApplyEntry& entry : entries) {
            if (!entry.item)
                continue;
            JTSetItem& item = *entry.item;
            if (entry.checked) {
                const bool written = recording_ ? ApplyRecorded(item) : ApplyPlain(item);
                if (written) {
                    ++applied_;
                } else {
                    notApplied_.push_back(item.sDescribe);
                    Ask("An error has been occured when apply the setting:" + item.sDescribe, "Error", kQuestion);
                }
            }
            Settle(item);
        }
    } catch (const std::exception&) {
        completed = false;
        Ask("Errors has been occured when applying changes!", "Error", MB_ICONERROR);
    }
    if (recording_)
        catalogue_.RecordTable()->Close();
    if (!completed)
        return true;
    if (notApplied_.empty())
        Ask("Successfully apply all changes!", "Information", MB_ICONINFORMATION);
    else
        Ask(SummaryText(notApplied_, applied_), "Warning", MB_ICONWARNING);
    return true;
}

bool JTApplyRun::ApplyRecorded(JTSetItem& item)
{
    // The old value is what the registry holds now, not what was read when the row was shown:
    // another program may have changed it since.
    const std::string newValue = item.GetNewValue();
    item.ReadValue();
    JTRecord record;
    item.FillRecord(record);
    record.sNewVal = newValue;  // what the row asked for before the read

    TXdbTable& table = *catalogue_.RecordTable();
    try {
        record.SaveToTable(&table);
        SaveRecordFile(table);
    } catch (const std::exception&) {
        // No row on disk: the registry stays as it is.
        DropLastRow(table);
        return false;
    }

    bool written = false;
    try {
        written = item.WriteValue();
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) {
        DropLastRow(table);
        try {
            SaveRecordFile(table);
        } catch (const std::exception&) {
            // The row stays on disk; restoring it writes the value read just before, which is
            // what the registry still holds.
        }
    }
    return written;
}

bool JTApplyRun::ApplyPlain(JTSetItem& item)
{
    try {
        return item.WriteValue();
    } catch (const std::exception&) {
        return false;
    }
}

void JTApplyRun::Settle(JTSetItem& item)
{
    // Through the catalogue, so its page marks, its modified count and its editor panel follow.
    catalogue_.ItemChange(&item, false);
    catalogue_.RereadItem(&item);
}

} // namespace kelt
