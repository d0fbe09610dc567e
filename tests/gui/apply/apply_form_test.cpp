// The apply dialog over real tweak items and apply runs with and without a record file,
// against the registry of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <sddl.h>

#include <functional>

#include "app/apply/apply_form.h"
#include "app/apply/apply_ids.h"
#include "app/apply/record_form.h"
#include "app/apply/record_ids.h"
#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/record.h"
#include "catalogue/set_kind.h"
#include "tests/gui/apply/apply_fixture.h"
#include "tests/windows/wide_text.h"
#include "ui/report_list.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const std::string kSuccess = "Information/64: Successfully apply all changes!";
const std::string kRestart =
    "Warning!/33: Some of the settings will take effect after restart Windows.\nDo you want to restart Windows now?";
const std::string kContinue = "Errors has been occured when creating record file!Continue to apply changes?";
const std::string kItemError = "Error/33: An error has been occured when apply the setting:";

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

// Each row of a record file as "describe|root|key|name|type|old|new|default|auto-create".
std::vector<std::string> RecordLines(const std::string& path)
{
    TXdbTable table;
    table.LoadFromFile(path);
    std::vector<std::string> lines;
    for (JTRecord r; !table.Eof(); table.Next()) {
        r.LoadFromTable(table);
        lines.push_back(r.sDescribe + "|" + std::to_string(r.iRegRoot) + "|" + r.sSubKey + "|" + r.sDataName + "|" +
                        std::to_string(r.iRegType) + "|" + r.sOldVal + "|" + r.sNewVal + "|" + r.sDefaultVal + "|" +
                        (r.bAutoCreate ? "1" : "0"));
    }
    return lines;
}

std::vector<std::string> Describes(const std::string& path)
{
    std::vector<std::string> names;
    for (const std::string& line : RecordLines(path))
        names.push_back(line.substr(0, line.find('|')));
    return names;
}

class ApplyDialog : public ::testing::Test {
protected:
    // A modified check item (box flipped) or edit item (panel set to `value`), listed as such.
    JTckSetItem& Flip(const std::string& name, int type, std::string yes, std::string no)
    {
        auto item = Make<JTckSetItem>(name, type, false);
        item->sYesVal = std::move(yes);
        item->sNoVal = std::move(no);
        return Track(std::move(item), [](JTckSetItem& i) { i.SetChecked(!i.IsChecked()); });
    }
    template <typename T = JTedSetItem>
    T& Edit(const std::string& name, int type, const std::string& value, std::string def = "", bool create = false)
    {
        auto item = Make<T>(name, type, create);
        item->sDefaultVal = std::move(def);
        return Track(std::move(item), [&](T& i) { i.Panel()->SetValue(value); });
    }
    template <typename T>
    std::unique_ptr<T> Make(const std::string& name, int type, bool create)
    {
        auto item = std::make_unique<T>();
        item->sDescribe = name + " item";
        item->iRegRoot = kCurrentUser;
        item->sSubKey = key_.Path();
        item->sDataName = name;
        item->iRegType = type;
        item->bAutoCreate = create;
        item->OSType.SetMask(127);
        return item;
    }
    template <typename T, typename Change>
    T& Track(std::unique_ptr<T> item, Change change)
    {
        if (!item->Initialize(false, true))
            item->BuildControl();
        change(*item);
        catalogue_->ItemChange(item.get(), true);
        items_.push_back(std::move(item));
        return static_cast<T&>(*items_.back());
    }
    HWND Open(bool record, const std::string& file)
    {
        form_ = std::make_unique<TKeltApplyRep>(record, file, *catalogue_);
        EXPECT_TRUE(form_->CreateModeless(nullptr));
        return form_->Handle();
    }
    // A fresh catalogue for the next round of a table-driven test.
    void Reset()
    {
        form_.reset();
        catalogue_ = std::make_unique<JTRegSettings>();
        items_.clear();
        script_.log.clear();
    }
    HWND List() const { return ::GetDlgItem(form_->Handle(), IDC_APPLY_ITEMS); }
    bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(form_->Handle(), id)) != FALSE; }
    std::string Registry(const std::string& name) const { return RegistryBytes(key_.Path(), name); }

    TestKey key_{"apply"};
    TempFolder folder_;
    DialogScript script_;
    std::vector<std::unique_ptr<JTSetItem>> items_;
    std::unique_ptr<JTRegSettings> catalogue_ = std::make_unique<JTRegSettings>();
    std::unique_ptr<TKeltApplyRep> form_;
};

} // namespace

TEST_F(ApplyDialog, TheRecordControlsFollowEachOtherAndBrowseAndHelpAskTheSystem)
{
    RawSetDword(key_.Path(), "Count", 10);
    Edit("Count", 1, "20");
    HWND form = Open(true, "");
    EXPECT_EQ(ui::WindowText(form), "Apply...");
    EXPECT_NE(::GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    // Recording without a name: no "&Apply", and typing one does not change that.
    EXPECT_FALSE(Enabled(IDC_APPLY_OK));
    ::SetDlgItemTextA(form, IDC_APPLY_FILE_NAME, "C:\\typed.rwr");
    EXPECT_FALSE(Enabled(IDC_APPLY_OK));
    for (const bool record : {false, true}) {
        ::CheckDlgButton(form, IDC_APPLY_CREATE_RECORD, record ? BST_CHECKED : BST_UNCHECKED);
        Click(form, IDC_APPLY_CREATE_RECORD);
        EXPECT_TRUE(Enabled(IDC_APPLY_OK));
        EXPECT_EQ(Enabled(IDC_APPLY_FILE_NAME) && Enabled(IDC_APPLY_BROWSE), record);
    }
    script_.files = {"D:\\chosen\\mine.rwr"};
    Click(form, IDC_APPLY_BROWSE);
    ASSERT_EQ(script_.requests.size(), 1u);
    const ui::FileDialogRequest& request = script_.requests[0];
    EXPECT_EQ(request.title + "/" + request.filter + "/" + request.fileName,
              "Where would you place the record file?Please select../Keltrix record file(*.rwr)|*.rwr/C:\\typed.rwr");
    const DWORD flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    EXPECT_EQ(request.flags & flags, flags);
    EXPECT_EQ(ui::WindowText(::GetDlgItem(form, IDC_APPLY_FILE_NAME)), "D:\\chosen\\mine.rwr");
    script_.PressHelp(form, IDC_APPLY_HELP);
    EXPECT_EQ(script_.help, std::vector<std::string>{HelpTopicPath("::/setitems.htm")});
    EXPECT_TRUE(script_.log.empty());
}

TEST_F(ApplyDialog, ARecordedRunWritesTheCheckedTweaksAndLogsThemInListOrder)
{
    RawSetString(key_.Path(), "Flag", "on");
    RawSetDword(key_.Path(), "Count", 10);
    RawSet(key_.Path(), "Bytes", REG_BINARY, "\x01\xFF\x10", 3);
    JTckSetItem& flag = Flip("Flag", 0, "on", "off");
    JTedSetItem& count = Edit("Count", 1, "20");
    Edit("Bytes", 2, std::string("\x00\xFF\x00", 3), "", true);
    Edit("Name", 0, "x", "def", true);

    // The Records folder does not exist yet: the run makes it.
    const std::string path = folder_.File("Records\\KeltRecord20240105.rwr");
    Open(true, path);
    ui::ReportList(List()).SetChecked(1, false);
    EXPECT_EQ(Grid(List()), (std::vector<std::string>{"State | Tweak description | Old Value | New value to be set ",
                                                       "Apply | Flag item | Yes | No", "Un-apply | Count item | 10 | 20",
                                                       "Apply | Bytes item | 01 FF 10 | 00 FF 00",
                                                       "Apply | Name item | def | x"}));
    Click(form_->Handle(), IDC_APPLY_OK);

    EXPECT_EQ(script_.log, (std::vector<std::string>{kSuccess, kRestart}));
    EXPECT_EQ(form_->Handle(), nullptr);
    EXPECT_EQ(Registry("Flag") + Registry("Bytes") + Registry("Name"), Sz("off") + std::string("\0\xFF\0", 3) + Sz("x"));
    // The unchecked tweak is untouched and falls back to the registry's state.
    EXPECT_EQ(Registry("Count"), Dword(10));
    EXPECT_EQ(count.GetNewValue(), "10");
    EXPECT_FALSE(count.IsModified() || flag.IsModified());
    EXPECT_EQ(catalogue_->ModifiedCount(), 0);
    // A missing value is recorded as the default it stands for.
    const std::string at = "|" + std::to_string(kCurrentUser) + "|" + key_.Path() + "|";
    EXPECT_EQ(RecordLines(path), (std::vector<std::string>{
                                     "Flag item" + at + "Flag|0|on|off|off|0",
                                     "Bytes item" + at + "Bytes|2|" + std::string("\x01\xFF\x10|\0\xFF\0||1", 10),
                                     "Name item" + at + "Name|0|def|x|def|1"}));
    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(folder_.File("Records").c_str());
}

TEST_F(ApplyDialog, AFailedWriteIsReportedLeavesNoRowAndNoSuccessText)
{
    for (const bool recording : {true, false}) {
        SCOPED_TRACE(recording ? "recording" : "without a record");
        Reset();
        RawSetString(key_.Path(), "One", "a");
        RawSetDword(key_.Path(), "Two", 1);
        // Stored as a string where the tweak wants a DWORD: the write is refused.
        RawSetString(key_.Path(), "Wrong", "1");
        Edit("One", 0, "b");
        Flip("Wrong", 1, "1", "0");
        Edit("Two", 1, "2");
        const std::string path = folder_.File(recording ? "failed.rwr" : "never.rwr");
        Open(recording, path);
        Click(form_->Handle(), IDC_APPLY_OK);

        ASSERT_EQ(script_.log.size(), 3u);
        EXPECT_EQ(script_.log[0], kItemError + "Wrong item");
        EXPECT_EQ(script_.log[1], "Warning/48: This setting could not be applied:\nWrong item\n"
                                  "The other changes have been applied.");
        EXPECT_EQ(script_.log[2], kRestart);
        EXPECT_EQ(Registry("One") + Registry("Two") + Registry("Wrong"), Sz("b") + Dword(2) + Sz("1"));
        if (recording)
            EXPECT_EQ(Describes(path), (std::vector<std::string>{"One item", "Two item"}));
        else
            EXPECT_EQ(::GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    }

    // When nothing at all could be written the summary does not claim other changes.
    Reset();
    RawSetString(key_.Path(), "Wrong", "1");
    Flip("Wrong", 1, "1", "0");
    Open(false, folder_.File("none.rwr"));
    Click(form_->Handle(), IDC_APPLY_OK);
    ASSERT_GE(script_.log.size(), 2u);
    EXPECT_EQ(script_.log[1], "Warning/48: This setting could not be applied:\nWrong item\nNothing has been changed.");
}

TEST_F(ApplyDialog, EachRowIsOnDiskBeforeItsWriteAndARowThatCannotBeSavedStopsItsTweak)
{
    const std::string path = folder_.File("ahead.rwr");
    std::vector<std::string> seen;
    HANDLE lock = INVALID_HANDLE_VALUE;
    for (const char* name : {"First", "Second", "Third"}) {
        RawSetString(key_.Path(), name, "old");
        Edit<ProbeItem>(name, 0, "new").onWrite = [&](ProbeItem& self) {
            const std::vector<std::string> rows = Describes(path);
            // The row is on disk; the registry still holds the old value the row recorded.
            EXPECT_EQ(RecordLines(path).back().find(self.sDescribe + "|"), 0u);
            seen.push_back(self.sDescribe + ":" + std::to_string(rows.size()) + ":" + Registry(self.sDataName));
            // After the second row someone else holds the file open.
            if (rows.size() == 2)
                lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        };
    }
    Open(true, path);
    // Another program changes a value while the dialog shows the old one.
    RawSetString(key_.Path(), "First", "changed");
    Click(form_->Handle(), IDC_APPLY_OK);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    ::CloseHandle(lock);

    EXPECT_EQ(seen, (std::vector<std::string>{"First item:1:" + Sz("changed"), "Second item:2:" + Sz("old")}));
    EXPECT_EQ(Registry("Third"), Sz("old"));
    EXPECT_EQ(script_.log[0], kItemError + "Third item");
    EXPECT_FALSE(script_.Shown(kSuccess));
    const std::vector<std::string> rows = RecordLines(path);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[0].find("|0|changed|new|"), std::string::npos) << rows[0];
}

TEST_F(ApplyDialog, RecordFileQuestionsStopTheRunOrGoOnWithoutARecord)
{
    const std::string existing = folder_.File("KeltRecord20240106.rwr");
    const std::string blocker = folder_.File("plainfile");
    std::ofstream(blocker).put('x');
    const std::string overwrite = "File" + existing + " already exists!Overwrite it?";
    struct Case {
        std::string name, question;
        int answer;
        bool written;
    };
    for (const Case& c : std::vector<Case>{{existing, overwrite, IDCANCEL, false},
                                           {"", kContinue, IDCANCEL, false},
                                           {"", kContinue, IDOK, true},
                                           {blocker + "\\sub\\x.rwr", kContinue, IDOK, true}}) {
        SCOPED_TRACE(c.name + " " + std::to_string(c.answer));
        Reset();
        std::ofstream(existing) << "keep";
        RawSetDword(key_.Path(), "Count", 10);
        Edit("Count", 1, "20");
        script_.answers["Warning"] = {c.answer};
        Open(true, "placeholder");
        ::SetDlgItemTextA(form_->Handle(), IDC_APPLY_FILE_NAME, c.name.c_str());
        Click(form_->Handle(), IDC_APPLY_OK);

        ASSERT_FALSE(script_.log.empty());
        EXPECT_EQ(script_.log[0], "Warning/33: " + c.question);
        // A run stopped at a question leaves the dialog open with nothing written.
        EXPECT_EQ(Registry("Count"), Dword(c.written ? 20 : 10));
        EXPECT_EQ(form_->Handle() == nullptr, c.written);
        EXPECT_EQ(script_.Shown(kSuccess), c.written);
        EXPECT_EQ(FileBytes(existing), "keep");
    }

    // Two runs to the same name on one day: only the second's rows stay.
    for (const char* run : {"First", "Second"}) {
        Reset();
        RawSetDword(key_.Path(), run, 1);
        Edit(run, 1, "30");
        Open(true, existing);
        Click(form_->Handle(), IDC_APPLY_OK);
        EXPECT_EQ(script_.log[0], "Warning/33: " + overwrite);
    }
    EXPECT_EQ(Describes(existing), std::vector<std::string>{"Second item"});
}

namespace {

// Gives a key a security descriptor that lets everybody read it and nobody change it, or the
// ordinary one back.
void LockKey(const std::string& path, bool locked)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, READ_CONTROL | WRITE_DAC, &key), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(locked ? "D:P(A;;KR;;;WD)" : "D:P(A;;KA;;;WD)",
                                                                      SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, descriptor),
              ERROR_SUCCESS);
    ::LocalFree(descriptor);
    ::RegCloseKey(key);
}

} // namespace

TEST_F(ApplyDialog, ADeletionTheKeyRefusesIsNoSuccessAndKeepsNoRecordRow)
{
    // On, and off is the default that a missing value stands for: turning it off deletes it.
    RawSetDword(key_.Path(), "Policy", 1);
    auto policy = Make<JTckSetItem>("Policy", 1, true);
    policy->sYesVal = "1";
    policy->sNoVal = "0";
    Track(std::move(policy), [](JTckSetItem& i) { i.SetChecked(false); });
    LockKey(key_.Path(), true);
    const std::string path = folder_.File("locked.rwr");
    Open(true, path);
    Click(form_->Handle(), IDC_APPLY_OK);
    LockKey(key_.Path(), false);

    ASSERT_EQ(script_.log.size(), 3u);
    EXPECT_EQ(script_.log[0], kItemError + "Policy item");
    EXPECT_EQ(script_.log[1], "Warning/48: This setting could not be applied:\nPolicy item\nNothing has been changed.");
    EXPECT_EQ(Registry("Policy"), Dword(1));
    EXPECT_TRUE(RecordLines(path).empty());
}

TEST_F(ApplyDialog, AWriteThatFailsAfterMakingItsKeyTakesTheKeyAwayAgain)
{
    // A value name longer than the registry takes: the key is made, then the value is refused.
    auto item = Make<JTedSetItem>(std::string(20000, 'n'), 0, true);
    item->sSubKey = key_.Sub("Made\\Deeper");
    Track(std::move(item), [](JTedSetItem& i) { i.Panel()->SetValue("x"); });
    RawSetString(key_.Path(), "Kept", "k");
    Open(true, folder_.File("made.rwr"));
    Click(form_->Handle(), IDC_APPLY_OK);

    EXPECT_EQ(script_.log[0], kItemError + std::string(20000, 'n') + " item");
    EXPECT_FALSE(RawKeyExists(key_.Sub("Made")));
    // What was there before stays.
    EXPECT_EQ(Registry("Kept"), Sz("k"));
}

TEST_F(ApplyDialog, WithNothingCheckedNothingIsWrittenAndTheDialogSaysSo)
{
    const std::string existing = folder_.File("KeltRecord20240107.rwr");
    std::ofstream(existing) << "today's record";
    RawSetDword(key_.Path(), "Count", 10);
    Edit("Count", 1, "20");
    Flip("Flag", 0, "on", "off");
    Open(true, existing);
    ui::ReportList(List()).SetChecked(0, false);
    ui::ReportList(List()).SetChecked(1, false);
    Click(form_->Handle(), IDC_APPLY_OK);

    EXPECT_EQ(script_.log, std::vector<std::string>{"Information/64: No tweak is checked: nothing has been written."});
    EXPECT_EQ(FileBytes(existing), "today's record");
    EXPECT_EQ(Registry("Count"), Dword(10));
    EXPECT_EQ(Registry("Flag"), "<missing>");
    // The dialog stays, with the changes still waiting.
    EXPECT_NE(form_->Handle(), nullptr);
    EXPECT_EQ(catalogue_->ModifiedCount(), 2);
}

TEST(ApplyInTheCompactView, TheEditorKeepsShowingTheAppliedTweak)
{
    RemoveTestRoot();
    DialogScript script;
    CatalogueFiles files;
    files.kinds = {"Only"};
    files.ckRows = {{0, "First", "", "A"}, {0, "Second", "", "B"}};
    files.Write();
    SetDword("Items", "B", 0);
    HostWindow host;
    host.Show();
    auto catalogue = MakeCatalogue(files, host, false);
    ASSERT_TRUE(catalogue->LoadAll());
    JTSetKind* page = catalogue->Page(0);
    auto* item = static_cast<JTckSetItem*>(page->CkItems()[1].get());
    page->SelectEntry(item->ListEntry());
    ASSERT_EQ(catalogue->ShownItem(), item);
    item->SetChecked(true);
    catalogue->ItemChange(item, true);

    TKeltApplyRep form(false, "", *catalogue);
    ASSERT_TRUE(form.CreateModeless(nullptr));
    Click(form.Handle(), IDC_APPLY_OK);
    EXPECT_EQ(script.log.front(), kSuccess);

    // The row is still in the editor strip, now showing the applied state.
    EXPECT_EQ(catalogue->ShownItem(), item);
    ASSERT_NE(item->GetControl()->Handle(), nullptr);
    EXPECT_EQ(::GetParent(item->GetControl()->Handle()), host.Editor());
    EXPECT_TRUE(item->IsChecked() && !item->IsModified());
    RemoveTestRoot();
}

// The program runs with UTF-8 as its code page: a string tweak holding text of other scripts is
// applied, recorded, restored and redone, and the registry holds exactly that text each time.
TEST_F(ApplyDialog, TextOfAnyLanguageIsAppliedRecordedRestoredAndRedoneExactly)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    const std::wstring path = FromUtf8(key_.Path());
    const std::wstring before = L"\x041F\x0440\x0438\x0432\x0435\x0442, \x0141\x00F3\x0064\x017A";  // Привет, Łódź
    const std::wstring after = L"\x8A2D\x5B9A \x30C6\x30AD\x30B9\x30C8 \xAC12 \xD83D\xDE42";       // 設定 テキスト 값 🙂
    ASSERT_TRUE(SetWideValue(HKEY_CURRENT_USER, path, L"Text", before));
    Edit("Text", 0, Utf8(after));
    const std::string file = folder_.File("text.rwr");
    Open(true, file);
    Click(form_->Handle(), IDC_APPLY_OK);
    EXPECT_EQ(script_.log, (std::vector<std::string>{kSuccess, kRestart}));
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, path, L"Text") == after);
    const std::string at = "|" + std::to_string(kCurrentUser) + "|" + key_.Path() + "|";
    EXPECT_EQ(RecordLines(file),
              std::vector<std::string>{"Text item" + at + "Text|0|" + Utf8(before) + "|" + Utf8(after) + "||0"});

    for (const int direction : {TKeltRecForm::kRestore, TKeltRecForm::kRedo}) {
        TKeltRecForm replay(direction, nullptr);
        ASSERT_TRUE(replay.CreateModeless(nullptr));
        ::SetDlgItemTextA(replay.Handle(), IDC_REC_FILE_NAME, file.c_str());
        Click(replay.Handle(), IDC_REC_START);
        EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, path, L"Text") == (direction == TKeltRecForm::kRestore ? before : after))
            << direction;
    }
    ::DeleteFileA(file.c_str());
}
