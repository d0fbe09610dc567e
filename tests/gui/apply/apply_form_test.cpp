// The apply dialog over real tweak items: what it lists, how its controls follow each other,
// and apply runs with and without a record file against the registry of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include "app/apply/apply_form.h"
#include "app/apply/apply_ids.h"
#include "app/apply/apply_run.h"
#include "catalogue/platform/system_calls.h"
#include "catalogue/record.h"
#include "storage/xdb_table.h"
#include "tests/gui/apply/apply_fixture.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const char kSuccess[] = "Successfully apply all changes!";
const char kRestart[] = "Some of the settings will take effect after restart Windows.\nDo you want to restart Windows now?";
const char kContinue[] = "Errors has been occured when creating record file!Continue to apply changes?";

// An edit item that lets a test look at the world at the moment the item writes.
class ProbeItem : public JTedSetItem {
public:
    std::function<void(ProbeItem&)> onWrite;
    bool WriteValue() override
    {
        if (onWrite)
            onWrite(*this);
        return JTedSetItem::WriteValue();
    }
};

std::vector<JTRecord> RowsOf(const std::string& path)
{
    TXdbTable table;
    table.LoadFromFile(path);
    std::vector<JTRecord> rows;
    for (table.First(); !table.Eof(); table.Next()) {
        rows.emplace_back();
        rows.back().LoadFromTable(table);
    }
    return rows;
}

std::vector<std::string> Describes(const std::vector<JTRecord>& rows)
{
    std::vector<std::string> names;
    for (const JTRecord& r : rows)
        names.push_back(r.sDescribe);
    return names;
}

class ApplyDialog : public ::testing::Test {
protected:
    void TearDown() override
    {
        form_.reset();
        catalogue_.reset();
        items_.clear();
    }

    template <typename T>
    T& Add(std::unique_ptr<T> item)
    {
        if (!item->Initialize(false, true))
            item->BuildControl();
        T& ref = *item;
        items_.push_back(std::move(item));
        return ref;
    }
    void Toggle(JTckSetItem& item)
    {
        item.SetChecked(!item.IsChecked());
        catalogue_->ItemChange(&item, true);
    }
    void Change(JTedSetItem& item, const std::string& value)
    {
        item.Panel()->SetValue(value);
        catalogue_->ItemChange(&item, true);
    }
    HWND Open(bool record, const std::string& file)
    {
        form_ = std::make_unique<TKeltApplyRep>(record, file, *catalogue_);
        EXPECT_TRUE(form_->CreateModeless(nullptr));
        return form_->Handle();
    }
    HWND Form() const { return form_->Handle(); }
    HWND List() const { return ::GetDlgItem(Form(), IDC_APPLY_ITEMS); }
    void CheckRow(int row, bool checked)
    {
        LVITEMA state = {};
        state.stateMask = LVIS_STATEIMAGEMASK;
        state.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
        ::SendMessageA(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
    }
    std::string Cell(int row, int column) const
    {
        char buffer[256] = {};
        LVITEMA cell = {};
        cell.iSubItem = column;
        cell.pszText = buffer;
        cell.cchTextMax = sizeof buffer;
        ::SendMessageA(List(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&cell));
        return buffer;
    }
    std::string Registry(const std::string& name) const
    {
        DWORD type = 0;
        std::string bytes;
        return RawGet(key_.Path(), name, type, bytes) ? bytes : "<missing>";
    }
    bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(Form(), id)) != FALSE; }

    TestKey key_{"apply"};
    TempFolder folder_;
    DialogScript script_;
    std::vector<std::unique_ptr<JTSetItem>> items_;
    std::unique_ptr<JTRegSettings> catalogue_ = std::make_unique<JTRegSettings>();
    std::unique_ptr<TKeltApplyRep> form_;
};

} // namespace

TEST_F(ApplyDialog, ListsTheModifiedTweaksAndItsControlsFollowEachOther)
{
    RawSetString(key_.Path(), "Flag", "on");
    RawSetDword(key_.Path(), "Count", 10);
    RawSet(key_.Path(), "Bytes", REG_BINARY, "\x01\xFF\x10", 3);
    Toggle(Add(CheckItem("Flag item", key_.Path(), 0, "on", "off", "Flag")));
    Change(Add(EditItem("Count item", key_.Path(), 1, "0", "Count")), "20");
    Change(Add(EditItem("Bytes item", key_.Path(), 2, "", "Bytes")), std::string("\x00\xFF", 2));

    HWND form = Open(true, "");
    EXPECT_EQ(ui::WindowText(form), "Apply...");
    EXPECT_NE(::GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    const char* captions[] = {"State", "Tweak description", "Old Value", "New value to be set "};
    for (int c = 0; c < 4; ++c) {
        char text[64] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        ASSERT_TRUE(::SendMessageA(List(), LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column)));
        EXPECT_EQ(std::string(text), captions[c]);
    }
    const std::vector<std::vector<std::string>> rows = {
        {"Apply", "Flag item", "Yes", "No"},
        {"Apply", "Count item", "10", "20"},
        {"Apply", "Bytes item", "01 FF 10", "00 FF"},
    };
    ASSERT_EQ(::SendMessageA(List(), LVM_GETITEMCOUNT, 0, 0), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(Cell(r, c), rows[r][c]) << r << "," << c;
    CheckRow(1, false);
    EXPECT_EQ(Cell(1, 0), "Un-apply");
    CheckRow(1, true);
    EXPECT_EQ(Cell(1, 0), "Apply");

    // Recording with no name: no "&Apply"; typing a name does not change that.
    EXPECT_FALSE(Enabled(IDC_APPLY_OK));
    EXPECT_TRUE(Enabled(IDC_APPLY_FILE_NAME));
    ::SetDlgItemTextA(form, IDC_APPLY_FILE_NAME, "C:\\typed.rwr");
    EXPECT_FALSE(Enabled(IDC_APPLY_OK));
    ::CheckDlgButton(form, IDC_APPLY_CREATE_RECORD, BST_UNCHECKED);
    Click(form, IDC_APPLY_CREATE_RECORD);
    EXPECT_TRUE(Enabled(IDC_APPLY_OK));
    EXPECT_FALSE(Enabled(IDC_APPLY_FILE_NAME));
    EXPECT_FALSE(Enabled(IDC_APPLY_BROWSE));
    ::CheckDlgButton(form, IDC_APPLY_CREATE_RECORD, BST_CHECKED);
    Click(form, IDC_APPLY_CREATE_RECORD);
    EXPECT_TRUE(Enabled(IDC_APPLY_OK));
    EXPECT_TRUE(Enabled(IDC_APPLY_BROWSE));

    script_.files = {"D:\\chosen\\mine.rwr"};
    Click(form, IDC_APPLY_BROWSE);
    ASSERT_EQ(script_.requests.size(), 1u);
    const ui::FileDialogRequest& request = script_.requests[0];
    EXPECT_EQ(request.title, "Where would you place the record file?Please select..");
    EXPECT_EQ(request.filter, "Keltrix record file(*.rwr)|*.rwr");
    EXPECT_EQ(request.fileName, "C:\\typed.rwr");
    EXPECT_EQ(request.flags & (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING),
              static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING));
    EXPECT_EQ(ui::WindowText(::GetDlgItem(form, IDC_APPLY_FILE_NAME)), "D:\\chosen\\mine.rwr");

    const std::string chm = HelpProgramFolder() + "keltrix.chm";
    ::CloseHandle(::CreateFileA(chm.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Click(form, IDC_APPLY_HELP);
    ::DeleteFileA(chm.c_str());
    ASSERT_EQ(script_.help.size(), 1u);
    EXPECT_EQ(script_.help[0], HelpTopicPath("::/setitems.htm"));
    // Nothing of this wrote anything.
    EXPECT_EQ(Registry("Count"), Dword(10));
    EXPECT_TRUE(script_.boxes.empty());
}

TEST_F(ApplyDialog, ARecordedRunWritesTheCheckedTweaksAndLogsThemInListOrder)
{
    RawSetString(key_.Path(), "Flag", "on");
    RawSetDword(key_.Path(), "Count", 10);
    RawSet(key_.Path(), "Bytes", REG_BINARY, "\x01\xFF\x10", 3);
    auto& flag = Add(CheckItem("Flag item", key_.Path(), 0, "on", "off", "Flag"));
    auto& count = Add(EditItem("Count item", key_.Path(), 1, "0", "Count"));
    auto& bytes = Add(EditItem("Bytes item", key_.Path(), 2, "", "Bytes"));
    auto& name = Add(EditItem("Name item", key_.Path(), 0, "def", "Name"));
    Toggle(flag);
    Change(count, "20");
    Change(bytes, std::string("\x00\xFF\x00", 3));
    Change(name, "x");

    // The Records folder does not exist yet: the run makes it.
    const std::string path = folder_.File("Records\\KeltRecord20240105.rwr");
    std::vector<UINT> restarts;
    SystemCalls calls = SystemCalls::Real();
    calls.OpenProcessToken = [](HANDLE, DWORD, HANDLE* token) { *token = nullptr; return TRUE; };
    calls.LookupPrivilegeValueA = [](const char*, const char*, LUID*) { return TRUE; };
    calls.AdjustTokenPrivileges = [](HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*, DWORD*) { return TRUE; };
    calls.GetLastError = [] { return DWORD(0); };
    calls.CloseHandle = [](HANDLE) { return TRUE; };
    calls.ExitWindowsEx = [&](UINT flags, DWORD) { restarts.push_back(flags); return TRUE; };
    ScopedSystemCalls system(calls);
    script_.answers["Warning!"] = {IDOK};

    Open(true, path);
    CheckRow(1, false);
    Click(Form(), IDC_APPLY_OK);

    ASSERT_EQ(script_.boxes.size(), 2u);
    EXPECT_EQ(script_.boxes[0].text, kSuccess);
    EXPECT_EQ(script_.boxes[0].caption, "Information");
    EXPECT_EQ(script_.boxes[0].flags, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(script_.boxes[1].text, kRestart);
    EXPECT_EQ(script_.boxes[1].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(restarts, std::vector<UINT>{EWX_REBOOT});
    EXPECT_EQ(form_->Handle(), nullptr);

    EXPECT_EQ(Registry("Flag"), std::string("off\0", 4));
    EXPECT_EQ(Registry("Bytes"), std::string("\x00\xFF\x00", 3));
    EXPECT_EQ(Registry("Name"), std::string("x\0", 2));
    // The unchecked tweak is untouched and its row shows the registry again.
    EXPECT_EQ(Registry("Count"), Dword(10));
    EXPECT_EQ(count.GetNewValue(), "10");
    EXPECT_FALSE(count.IsModified());
    EXPECT_EQ(catalogue_->ModifiedCount(), 0);
    EXPECT_FALSE(flag.IsModified());
    EXPECT_FALSE(catalogue_->RecordTable()->Active());

    struct Expected {
        const char* describe;
        int type;
        const char* dataName;
        std::string oldVal, newVal, defaultVal;
        bool autoCreate;
    };
    const std::vector<Expected> expected = {
        {"Flag item", 0, "Flag", "on", "off", "off", false},
        {"Bytes item", 2, "Bytes", std::string("\x01\xFF\x10", 3), std::string("\x00\xFF\x00", 3), "", true},
        // A missing value was recorded as the default it stands for.
        {"Name item", 0, "Name", "def", "x", "def", true},
    };
    const std::vector<JTRecord> rows = RowsOf(path);
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].describe);
        EXPECT_EQ(rows[i].sDescribe, expected[i].describe);
        EXPECT_EQ(rows[i].iRegRoot, kCurrentUser);
        EXPECT_EQ(rows[i].iRegType, expected[i].type);
        EXPECT_EQ(rows[i].sSubKey, key_.Path());
        EXPECT_EQ(rows[i].sDataName, expected[i].dataName);
        EXPECT_EQ(rows[i].sOldVal, expected[i].oldVal);
        EXPECT_EQ(rows[i].sNewVal, expected[i].newVal);
        EXPECT_EQ(rows[i].sDefaultVal, expected[i].defaultVal);
        EXPECT_EQ(rows[i].bAutoCreate, expected[i].autoCreate);
    }
    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(folder_.File("Records").c_str());
}

TEST_F(ApplyDialog, AFailedWriteIsReportedLeavesNoRowAndNoSuccessText)
{
    for (const bool recording : {true, false}) {
        SCOPED_TRACE(recording ? "recording" : "without a record");
        script_.boxes.clear();
        RawSetString(key_.Path(), "One", "a");
        RawSetDword(key_.Path(), "Two", 1);
        // Stored as a string where the tweak wants a DWORD: the write is refused.
        RawSetString(key_.Path(), "Wrong", "1");
        Change(Add(EditItem("Good one", key_.Path(), 0, "", "One", false)), "b");
        Toggle(Add(CheckItem("Broken item", key_.Path(), 1, "1", "0", "Wrong")));
        Change(Add(EditItem("Good two", key_.Path(), 1, "0", "Two", false)), "2");
        const std::string path = folder_.File(recording ? "failed.rwr" : "never.rwr");

        Open(recording, path);
        Click(Form(), IDC_APPLY_OK);

        const std::vector<std::string> errors = script_.Texts("Error");
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0], "An error has been occured when apply the setting:Broken item");
        EXPECT_EQ(script_.boxes[0].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
        EXPECT_FALSE(script_.Shown(kSuccess));
        const std::vector<std::string> warnings = script_.Texts("Warning");
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("\nBroken item\n"), std::string::npos) << warnings[0];
        EXPECT_EQ(warnings[0].find("Good"), std::string::npos);
        EXPECT_TRUE(script_.Shown(kRestart));

        EXPECT_EQ(Registry("One"), std::string("b\0", 2));
        EXPECT_EQ(Registry("Two"), Dword(2));
        EXPECT_EQ(Registry("Wrong"), std::string("1\0", 2));
        if (recording)
            EXPECT_EQ(Describes(RowsOf(path)), (std::vector<std::string>{"Good one", "Good two"}));
        else
            EXPECT_FALSE(FileExists(path));
        ::DeleteFileA(path.c_str());
        form_.reset();
        catalogue_ = std::make_unique<JTRegSettings>();
        items_.clear();
    }
}

TEST_F(ApplyDialog, TheRowIsOnDiskBeforeTheRegistryChangesAndHoldsTheValueReadJustBefore)
{
    RawSetString(key_.Path(), "First", "old1");
    RawSetString(key_.Path(), "Second", "old2");
    const std::string path = folder_.File("ahead.rwr");
    std::vector<std::string> seen;
    auto probe = [&](ProbeItem& item) {
        const std::vector<JTRecord> rows = RowsOf(path);
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.back().sDescribe, item.sDescribe);
        // The registry has not been written yet: the row's old value is what it holds.
        EXPECT_EQ(Registry(item.sDataName), rows.back().sOldVal + std::string(1, '\0'));
        seen.push_back(item.sDescribe + ":" + std::to_string(rows.size()));
    };
    for (const char* name : {"First", "Second"}) {
        auto item = std::make_unique<ProbeItem>();
        item->sDescribe = std::string(name) + " item";
        item->iRegRoot = kCurrentUser;
        item->sSubKey = key_.Path();
        item->sDataName = name;
        item->OSType.SetMask(127);
        item->onWrite = probe;
        Change(Add(std::move(item)), std::string("new-") + name);
    }
    Open(true, path);
    EXPECT_EQ(Cell(0, 2), "old1");
    // Another program changes the value while the dialog is open.
    RawSetString(key_.Path(), "First", "changed");
    Click(Form(), IDC_APPLY_OK);

    EXPECT_EQ(seen, (std::vector<std::string>{"First item:1", "Second item:2"}));
    const std::vector<JTRecord> rows = RowsOf(path);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].sOldVal, "changed");
    EXPECT_EQ(rows[1].sOldVal, "old2");
    EXPECT_TRUE(script_.Shown(kSuccess));
}

TEST_F(ApplyDialog, ARowThatCannotBeSavedStopsItsTweakBeforeTheRegistry)
{
    RawSetString(key_.Path(), "First", "old1");
    RawSetString(key_.Path(), "Second", "old2");
    const std::string path = folder_.File("locked.rwr");
    HANDLE lock = INVALID_HANDLE_VALUE;
    bool secondWrote = false;
    for (const char* name : {"First", "Second"}) {
        auto item = std::make_unique<ProbeItem>();
        item->sDescribe = std::string(name) + " item";
        item->iRegRoot = kCurrentUser;
        item->sSubKey = key_.Path();
        item->sDataName = name;
        item->OSType.SetMask(127);
        if (std::string(name) == "First") {
            // Once the first row is on disk, someone else holds the file.
            item->onWrite = [&](ProbeItem&) {
                lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            };
        } else {
            item->onWrite = [&](ProbeItem&) { secondWrote = true; };
        }
        Change(Add(std::move(item)), std::string("new-") + name);
    }
    Open(true, path);
    Click(Form(), IDC_APPLY_OK);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ::CloseHandle(lock);

    EXPECT_FALSE(secondWrote);
    EXPECT_EQ(Registry("First"), std::string("new-First\0", 10));
    EXPECT_EQ(Registry("Second"), std::string("old2\0", 5));
    EXPECT_EQ(script_.Texts("Error"),
              std::vector<std::string>{"An error has been occured when apply the setting:Second item"});
    EXPECT_FALSE(script_.Shown(kSuccess));
    EXPECT_EQ(Describes(RowsOf(path)), std::vector<std::string>{"First item"});
}

TEST_F(ApplyDialog, RecordFileQuestionsStopOrGoOnWithoutARecord)
{
    TempFolder scratch;
    const std::string existing = scratch.File("KeltRecord20240106.rwr");
    const std::string blocker = scratch.File("plainfile");
    struct Case {
        const char* what;
        std::string name;
        std::string question;
        int answer;
        bool written;
    };
    const std::vector<Case> cases = {
        {"an existing file kept on Cancel", existing, "File" + existing + " already exists!Overwrite it?", IDCANCEL,
         false},
        {"an empty name, Cancel", "", kContinue, IDCANCEL, false},
        {"an empty name, OK", "", kContinue, IDOK, true},
        {"a folder that cannot be made, OK", blocker + "\\sub\\x.rwr", kContinue, IDOK, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script_.boxes.clear();
        HANDLE file = ::CreateFileA(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD wrote = 0;
        ::WriteFile(file, "keep", 4, &wrote, nullptr);
        ::CloseHandle(file);
        ::CloseHandle(::CreateFileA(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        RawSetDword(key_.Path(), "Count", 10);
        auto& count = Add(EditItem("Count item", key_.Path(), 1, "0", "Count"));
        Change(count, "20");
        script_.answers["Warning"] = {c.answer};

        Open(true, "placeholder");
        ::SetDlgItemTextA(Form(), IDC_APPLY_FILE_NAME, c.name.c_str());
        Click(Form(), IDC_APPLY_OK);

        ASSERT_FALSE(script_.boxes.empty());
        EXPECT_EQ(script_.boxes[0].text, c.question);
        EXPECT_EQ(script_.boxes[0].caption, "Warning");
        EXPECT_EQ(script_.boxes[0].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
        EXPECT_EQ(Registry("Count"), Dword(c.written ? 20 : 10));
        EXPECT_EQ(form_->Handle() == nullptr, c.written);
        EXPECT_EQ(catalogue_->ModifiedCount(), c.written ? 0 : 1);
        if (c.written)
            EXPECT_TRUE(script_.Shown(kSuccess));
        else
            EXPECT_EQ(script_.boxes.size(), 1u);
        EXPECT_EQ(FileBytes(existing), "keep");
        form_.reset();
        catalogue_ = std::make_unique<JTRegSettings>();
        items_.clear();
    }
    ::DeleteFileA(existing.c_str());
    ::DeleteFileA(blocker.c_str());
}

TEST_F(ApplyDialog, TwoRunsToTheSameNameLeaveOnlyTheSecondRunsRows)
{
    RawSetString(key_.Path(), "A", "1");
    RawSetString(key_.Path(), "B", "1");
    const std::string path = folder_.File("KeltRecord20240107.rwr");
    Change(Add(EditItem("First run", key_.Path(), 0, "", "A", false)), "2");
    Open(true, path);
    Click(Form(), IDC_APPLY_OK);
    ASSERT_EQ(Describes(RowsOf(path)), std::vector<std::string>{"First run"});

    script_.boxes.clear();
    Change(Add(EditItem("Second run", key_.Path(), 0, "", "B", false)), "2");
    Open(true, path);
    Click(Form(), IDC_APPLY_OK);
    ASSERT_FALSE(script_.boxes.empty());
    EXPECT_EQ(script_.boxes[0].text, "File" + path + " already exists!Overwrite it?");
    EXPECT_EQ(Describes(RowsOf(path)), std::vector<std::string>{"Second run"});
}
