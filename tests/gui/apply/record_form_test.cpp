// The restore/redo dialog over record files: listing, replaying in both directions, what the
// rows show, and registry files that Wine's own regedit imports to the same registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <map>

#include "app/apply/form_support.h"
#include "app/apply/record_form.h"
#include "app/apply/record_ids.h"
#include "catalogue/record.h"
#include "catalogue/reg_settings.h"
#include "tests/gui/apply/apply_fixture.h"
#include "ui/hint.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const char kRestoreQuestion[] =
    "The records you selected will be Restore!\n(It means the corresponding Regstry datas' value will be changes to "
    "the Old Value).\nContinue?";
const char kRedoQuestion[] =
    "The records you selected will be Redo!\n(It means the corresponding Regstry datas' value will be changes to the "
    "New Value).\nContinue?";

JTRecord Row(const std::string& describe, const std::string& key, const std::string& name, int type,
             std::string oldVal, std::string newVal, std::string def = "", bool autoCreate = false)
{
    JTRecord r;
    r.sDescribe = describe;
    r.iRegRoot = kCurrentUser;
    r.sSubKey = key;
    r.sDataName = name;
    r.iRegType = type;
    r.sOldVal = std::move(oldVal);
    r.sNewVal = std::move(newVal);
    r.sDefaultVal = std::move(def);
    r.bAutoCreate = autoCreate;
    return r;
}

// Writes a record file the way an apply run does.
void WriteRecordFile(const std::string& path, const std::vector<JTRecord>& rows)
{
    JTRegSettings catalogue;
    catalogue.SetRecordFileName(path);
    ASSERT_EQ(catalogue.CreateRecordTable(), 1);
    for (const JTRecord& r : rows) {
        r.SaveToTable(catalogue.RecordTable());
        catalogue.RecordTable()->ApplyUpdates();
    }
    catalogue.RecordTable()->Close();
}

using Snapshot = std::map<std::string, std::pair<DWORD, std::string>>;

// Every value below a key, by path and name.
void TakeSnapshot(HKEY parent, const std::string& path, Snapshot& out)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    out[path + "|key"] = {0, ""};
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        std::string data(size, '\0');
        nameSize = sizeof name;
        ::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, size ? reinterpret_cast<BYTE*>(&data[0]) : nullptr,
                        &size);
        out[path + "\\" + name] = {type, data.substr(0, size)};
    }
    std::vector<std::string> subKeys;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof name;
        if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.push_back(name);
    }
    ::RegCloseKey(key);
    for (const std::string& sub : subKeys)
        TakeSnapshot(parent, path + "\\" + sub, out);
}

int RunRegedit(const std::string& file)
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::string command = std::string("\"") + windows + "\\regedit.exe\" /s \"" + file + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    ::WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

class RecordDialog : public ::testing::Test {
protected:
    void TearDown() override { form_.reset(); }

    HWND Open(int direction, JTRegSettings* catalogue = nullptr)
    {
        form_ = std::make_unique<TKeltRecForm>(direction, catalogue);
        EXPECT_TRUE(form_->CreateModeless(nullptr));
        return form_->Handle();
    }
    HWND Form() const { return form_->Handle(); }
    HWND List() const { return ::GetDlgItem(Form(), IDC_REC_LIST); }
    std::string Cell(int row, int column) const { return apply_forms::Cell(List(), row, column); }
    int Rows() const { return apply_forms::RowCount(List()); }
    bool Checked(int row) const { return apply_forms::RowChecked(List(), row); }
    void Name(const std::string& file) { ::SetDlgItemTextA(Form(), IDC_REC_FILE_NAME, file.c_str()); }
    bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(Form(), id)) != FALSE; }
    std::string Registry(const std::string& key, const std::string& name) const
    {
        DWORD type = 0;
        std::string bytes;
        return RawGet(key, name, type, bytes) ? bytes : "<missing>";
    }

    TestKey key_{"records"};
    TempFolder folder_;
    DialogScript script_;
    std::unique_ptr<TKeltRecForm> form_;
};

} // namespace

TEST_F(RecordDialog, ShowsItsDirectionAndListsTheRowsWithTheirLiveValues)
{
    const std::string file = folder_.File("KeltRecord20240110.rwr");
    RawSetString(key_.Path(), "Text", "new");
    RawSetDword(key_.Path(), "Count", 7);
    WriteRecordFile(file, {
                              Row("Text row", key_.Path(), "Text", 0, "old", "new"),
                              Row("Bytes row", key_.Path(), "Bytes", 2, std::string("\x01\xFF\x10", 3),
                                  std::string("\x00", 1), "", true),
                              // Already holds its old value: a restore would change nothing.
                              Row("Count row", key_.Path(), "Count", 1, "7", "8"),
                          });
    struct Texts {
        int direction;
        const char* caption;
        const char* header;
        const char* start;
    };
    for (const Texts& t : {Texts{TKeltRecForm::kRestore, "Restore registry settings",
                                 "Now you're trying to Restore the settings from a Keltrix Record file!",
                                 "Start Restore"},
                           Texts{TKeltRecForm::kRedo, "Redo registry settings",
                                 "Now you're trying to redo the settings from a Keltrix Record file!", "Start Redo"}}) {
        SCOPED_TRACE(t.caption);
        HWND form = Open(t.direction);
        EXPECT_EQ(ui::WindowText(form), t.caption);
        EXPECT_EQ(ui::WindowText(::GetDlgItem(form, IDC_REC_HEADER)), t.header);
        EXPECT_EQ(ui::WindowText(::GetDlgItem(form, IDC_REC_START)), t.start);
        EXPECT_FALSE(Enabled(IDC_REC_START));
        Name("x");
        EXPECT_TRUE(Enabled(IDC_REC_START));
        Name("");
        EXPECT_FALSE(Enabled(IDC_REC_START));
    }

    // Restore direction: "..." picks and lists the file.
    Open(TKeltRecForm::kRestore);
    const char* columns[] = {"State", "Setting description", "Path in registry", "Old value", "New value", "Now"};
    for (int c = 0; c < 6; ++c) {
        char text[64] = {};
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = sizeof text;
        ::SendMessageA(List(), LVM_GETCOLUMNA, c, reinterpret_cast<LPARAM>(&column));
        EXPECT_EQ(std::string(text), columns[c]);
    }
    EXPECT_EQ(ui::GetHint(List()), "You can click the check box to decide whether or not to apply the tweaks.");
    script_.files = {file};
    Click(Form(), IDC_REC_OPEN);
    ASSERT_EQ(script_.requests.size(), 1u);
    EXPECT_EQ(script_.requests[0].filter, "Keltrix Record file(*.RWR)|*.RWR|All files(*.*)|*.*");
    EXPECT_EQ(script_.requests[0].initialDir, HelpProgramFolder() + "Records");
    EXPECT_EQ(ui::WindowText(::GetDlgItem(Form(), IDC_REC_FILE_NAME)), file);
    EXPECT_TRUE(form_->Listed());

    const std::string path = "HKEY_CURRENT_USER\\" + key_.Path() + "\\";
    const std::vector<std::vector<std::string>> rows = {
        {"Apply", "Text row", path + "Text", "old", "new", "new"},
        {"Apply", "Bytes row", path + "Bytes", "01 FF 10", "00", "(absent)"},
        {"Unchanged", "Count row", path + "Count", "7", "8", "7"},
    };
    ASSERT_EQ(Rows(), 3);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c)
            EXPECT_EQ(Cell(r, c), rows[r][c]) << r << "," << c;
    EXPECT_TRUE(Checked(0));
    EXPECT_FALSE(Checked(2));
    apply_forms::SetRowChecked(List(), 0, false);
    EXPECT_EQ(Cell(0, 0), "Un-apply");
    apply_forms::SetRowChecked(List(), 2, true);
    EXPECT_EQ(Cell(2, 0), "Apply");

    // A second file replaces the rows; a file that is no record file keeps them.
    const std::string other = folder_.File("other.rwr");
    WriteRecordFile(other, {Row("Only row", key_.Path(), "Text", 0, "a", "b")});
    Name(other);
    Click(Form(), IDC_REC_LIST_RECORDS);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 1), "Only row");
    const std::string bad = folder_.File("bad.rwr");
    HANDLE handle = ::CreateFileA(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    ::WriteFile(handle, "not a table", 11, &wrote, nullptr);
    ::CloseHandle(handle);
    Name(bad);
    // The context menu's item lists too, and only while a name is given.
    ::SendMessageA(Form(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(form_->ContextMenu()), 0);
    EXPECT_EQ(::GetMenuState(form_->ContextMenu(), IDM_REC_LIST_RECORDS, MF_BYCOMMAND) & MF_GRAYED, 0u);
    ::SendMessageA(Form(), WM_COMMAND, MAKEWPARAM(IDM_REC_LIST_RECORDS, 0), 0);
    ASSERT_EQ(script_.boxes.size(), 1u);
    EXPECT_EQ(script_.boxes[0].text, "Fail to load record file:" + bad + "!");
    EXPECT_EQ(script_.boxes[0].caption, "Error");
    EXPECT_EQ(script_.boxes[0].flags, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(Rows(), 1);
    Name("");
    ::SendMessageA(Form(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(form_->ContextMenu()), 0);
    EXPECT_NE(::GetMenuState(form_->ContextMenu(), IDM_REC_LIST_RECORDS, MF_BYCOMMAND) & MF_GRAYED, 0u);

    const std::string chm = HelpProgramFolder() + "keltrix.chm";
    ::CloseHandle(::CreateFileA(chm.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Click(Form(), IDC_REC_HELP);
    ::DeleteFileA(chm.c_str());
    EXPECT_EQ(script_.help, std::vector<std::string>{HelpTopicPath("::/recordfile.htm")});
}

TEST_F(RecordDialog, RestoreAndRedoWriteTheCheckedRowsInEitherDirection)
{
    const std::string file = folder_.File("replay.rwr");
    const std::string bytes("\x00\xFF\x00\x10", 4);
    const std::string sub = key_.Sub("Sub");
    WriteRecordFile(file, {
                              Row("Text row", key_.Path(), "Text", 0, "a", "b"),
                              Row("Count row", key_.Path(), "Count", 1, "1", "2"),
                              Row("Bytes row", sub, "Bytes", 2, std::string("\x01", 1), bytes),
                              // Was absent before the run: restoring removes it again.
                              Row("Default row", key_.Path(), "Gone", 1, "5", "6", "5", true),
                          });
    // The registry as the apply run left it.
    RawSetString(key_.Path(), "Text", "b");
    RawSetDword(key_.Path(), "Count", 2);
    RawSet(sub, "Bytes", REG_BINARY, bytes.data(), 4);
    RawSetDword(key_.Path(), "Gone", 6);

    Open(TKeltRecForm::kRestore);
    Name(file);
    Click(Form(), IDC_REC_LIST_RECORDS);
    apply_forms::SetRowChecked(List(), 1, false);
    script_.answers["Warning"] = {IDCANCEL, IDOK};
    Click(Form(), IDC_REC_START);
    EXPECT_EQ(Registry(key_.Path(), "Text"), std::string("b\0", 2));
    Click(Form(), IDC_REC_START);
    ASSERT_EQ(script_.boxes.size(), 3u);
    EXPECT_EQ(script_.boxes[0].text, kRestoreQuestion);
    EXPECT_EQ(script_.boxes[0].flags, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    EXPECT_EQ(script_.boxes[2].text, "Successful!");
    EXPECT_EQ(script_.boxes[2].caption, "Ok");
    EXPECT_EQ(script_.boxes[2].flags, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_EQ(Registry(key_.Path(), "Text"), std::string("a\0", 2));
    EXPECT_EQ(Registry(key_.Path(), "Count"), Dword(2));
    EXPECT_EQ(Registry(sub, "Bytes"), std::string("\x01", 1));
    EXPECT_EQ(Registry(key_.Path(), "Gone"), "<missing>");
    // Rows now at their target say so.
    EXPECT_EQ(Cell(0, 0), "Unchanged");
    EXPECT_EQ(Cell(2, 5), "01");

    script_.boxes.clear();
    Open(TKeltRecForm::kRedo);
    Name(file);
    Click(Form(), IDC_REC_START);
    ASSERT_FALSE(script_.boxes.empty());
    EXPECT_EQ(script_.boxes[0].text, kRedoQuestion);
    EXPECT_TRUE(script_.Shown("Successful!"));
    EXPECT_EQ(Registry(key_.Path(), "Text"), std::string("b\0", 2));
    EXPECT_EQ(Registry(sub, "Bytes"), bytes);
    EXPECT_EQ(Registry(key_.Path(), "Gone"), Dword(6));
}

TEST_F(RecordDialog, StartingBeforeListingListsTheNamedFileOrRefuses)
{
    const std::string file = folder_.File("unlisted.rwr");
    RawSetString(key_.Path(), "Text", "b");
    WriteRecordFile(file, {Row("Text row", key_.Path(), "Text", 0, "a", "b")});
    Open(TKeltRecForm::kRestore);

    Name(folder_.File("missing.rwr"));
    Click(Form(), IDC_REC_START);
    ASSERT_EQ(script_.boxes.size(), 1u);
    EXPECT_EQ(script_.boxes[0].text, "Fail to load record file:" + folder_.File("missing.rwr") + "!");

    script_.boxes.clear();
    Name(file);
    Click(Form(), IDC_REC_START);
    EXPECT_EQ(Rows(), 1);
    ASSERT_EQ(script_.boxes.size(), 2u);
    EXPECT_EQ(script_.boxes[0].text, kRestoreQuestion);
    EXPECT_EQ(script_.boxes[1].text, "Successful!");
    EXPECT_EQ(Registry(key_.Path(), "Text"), std::string("a\0", 2));
}

TEST_F(RecordDialog, RowsThatFailAreNamedAfterTheOthersWereWritten)
{
    const std::string file = folder_.File("failing.rwr");
    RawSetString(key_.Path(), "Text", "b");
    RawSetString(key_.Path(), "Other", "x");
    WriteRecordFile(file, {
                              Row("No key row", key_.Sub("Missing"), "Value", 0, "a", "b"),
                              Row("Not a number row", key_.Path(), "Count", 1, "abc", "1", "", true),
                              // The value is gone and may not be created: nothing to do, no failure.
                              Row("Gone row", key_.Path(), "Gone", 0, "a", "b"),
                              Row("Good row", key_.Path(), "Text", 0, "a", "b"),
                          });
    Open(TKeltRecForm::kRestore);
    Name(file);
    Click(Form(), IDC_REC_START);

    EXPECT_EQ(Registry(key_.Path(), "Text"), std::string("a\0", 2));
    EXPECT_FALSE(RawKeyExists(key_.Sub("Missing")));
    EXPECT_FALSE(script_.Shown("Successful!"));
    const std::vector<std::string> warnings = script_.Texts("Warning");
    ASSERT_EQ(warnings.size(), 2u);  // the confirmation and the summary
    const std::string& summary = warnings[1];
    EXPECT_NE(summary.find("No key row: the key cannot be opened"), std::string::npos) << summary;
    EXPECT_NE(summary.find("Not a number row: 'abc' is not a valid integer value"), std::string::npos) << summary;
    EXPECT_EQ(summary.find("Good row"), std::string::npos);
    EXPECT_EQ(summary.find("Gone row"), std::string::npos);
    EXPECT_EQ(script_.boxes.back().flags, static_cast<UINT>(MB_ICONWARNING));
}

TEST_F(RecordDialog, AReplayThatWroteRefreshesTheCatalogue)
{
    RemoveTestRoot();
    CatalogueFiles files;
    files.kinds = {"Kind"};
    files.edRows = {{0, "Workgroup", "The workgroup.", "Group", "Items", 0, "WORKGROUP"}};
    files.Write();
    HostWindow host;
    std::unique_ptr<JTRegSettings> catalogue = MakeCatalogue(files, host);
    SetString("Items", "Group", "NEW");
    ASSERT_TRUE(catalogue->LoadAll()) << (script_.boxes.empty() ? "" : script_.boxes[0].text);
    JTSetItem* item = catalogue->Page(0)->EdItems()[0].get();
    ASSERT_EQ(item->CurrentValue(), "NEW");

    const std::string file = folder_.File("refresh.rwr");
    WriteRecordFile(file, {Row("Workgroup", std::string(kTestRoot) + "\\Items", "Group", 0, "OLD", "NEW")});
    Open(TKeltRecForm::kRestore, catalogue.get());
    Name(file);
    Click(Form(), IDC_REC_START);
    EXPECT_EQ(item->CurrentValue(), "OLD");
    form_.reset();
    catalogue.reset();
    RemoveTestRoot();
}

TEST_F(RecordDialog, AnExportedRegistryFileImportsToWhatTheReplayWrites)
{
    const std::string file = folder_.File("export.rwr");
    std::string longBytes;
    for (int i = 0; i < 70; ++i)
        longBytes += static_cast<char>(i * 37);
    longBytes[0] = '\0';
    longBytes[1] = '\xFF';
    const std::string sub = key_.Sub("Deeper\\Still");
    const std::vector<JTRecord> rows = {
        Row("Quoted", key_.Path(), "Text", 0, "say \"hi\" C:\\path", "b"),
        Row("Lines", key_.Path(), "Lines", 0, "one\r\ntwo", "b"),
        Row("Negative", key_.Path(), "Count", 1, "-2", "1"),
        Row("Bytes", sub, "Bytes", 2, longBytes, "x"),
        Row("Empty bytes", sub, "None", 2, "", "x"),
        Row("Default value", sub, "", 0, "unnamed", "b"),
        Row("Delete", key_.Path(), "Gone", 1, "5", "6", "5", true),
        Row("Bad number", key_.Path(), "Bad", 1, "zz", "1"),
    };
    WriteRecordFile(file, rows);
    auto prepare = [&] {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, key_.Path().c_str());
        RawSetString(key_.Path(), "Text", "b");
        RawSetString(key_.Path(), "Lines", "b");
        RawSetDword(key_.Path(), "Count", 1);
        RawSetDword(key_.Path(), "Gone", 6);
        RawSetDword(key_.Path(), "Bad", 1);
        RawSetString(sub, "Bytes", "x");
        RawSetString(sub, "None", "x");
        RawSetString(sub, "", "b");
    };
    prepare();
    Snapshot before;
    TakeSnapshot(HKEY_CURRENT_USER, key_.Path(), before);

    Open(TKeltRecForm::kRestore);
    Name(file);
    Click(Form(), IDC_REC_LIST_RECORDS);
    const std::string reg = folder_.File("export.reg");
    script_.files = {reg};
    Click(Form(), IDC_REC_EXPORT);
    ASSERT_EQ(script_.requests.size(), 1u);
    EXPECT_EQ(script_.requests[0].fileName, folder_.File("export.reg"));
    ASSERT_FALSE(script_.boxes.empty());
    EXPECT_NE(script_.boxes.back().text.find("Bad number: 'zz' is not a valid integer value"), std::string::npos);

    const std::string bytes = FileBytes(reg);
    const std::string header = "Windows Registry Editor Version 5.00\r\n";
    std::string wideHeader("\xFF\xFE", 2);
    for (char c : header)
        wideHeader += std::string{c, '\0'};
    ASSERT_EQ(bytes.compare(0, wideHeader.size(), wideHeader), 0);

    // The row that could not be exported is left out of the replay too, so both compare.
    apply_forms::SetRowChecked(List(), 7, false);
    Click(Form(), IDC_REC_START);
    Snapshot replayed;
    TakeSnapshot(HKEY_CURRENT_USER, key_.Path(), replayed);
    ASSERT_NE(replayed, before);

    prepare();
    ASSERT_EQ(RunRegedit(reg), 0);
    Snapshot imported;
    TakeSnapshot(HKEY_CURRENT_USER, key_.Path(), imported);
    EXPECT_EQ(imported, replayed);
    EXPECT_EQ(imported.at(sub + "\\Bytes").second, longBytes);
}
