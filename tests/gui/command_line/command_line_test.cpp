// The staged Keltrix.exe with a command, started as a script starts it (output into a file,
// exit code read), against what the window does with the same record in this process.
// script_test.sh runs this program, then reads what it leaves in KELT_SCRIPT_DIR with python3.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <algorithm>
#include <set>

#include "app/apply/apply_form.h"
#include "app/apply/apply_ids.h"
#include "app/apply/record_form.h"
#include "app/apply/record_ids.h"
#include "app/main_ids.h"
#include "catalogue/ck_set_item.h"
#include "catalogue/ed_set_item.h"
#include "tests/gui/apply/apply_fixture.h"
#include "tests/gui/main_smoke/program_probe.h"
#include "ui/report_list.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

// A program (the staged Keltrix.exe unless named) started with `args`, its output and errors
// going into one file.
class ProgramRun {
public:
    explicit ProgramRun(const std::string& args, const std::string& program = probe::StageFolder() + "Keltrix.exe")
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        ::GetTempFileNameA(temp, "klt", 0, temp);
        output_ = temp;
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE file = ::CreateFileA(temp, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, CREATE_ALWAYS, 0,
                                    nullptr);
        STARTUPINFOA startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = file;
        std::string command = "\"" + program + "\" " + args;
        PROCESS_INFORMATION info{};
        if (::CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
            ::CloseHandle(info.hThread);
        process_ = info.hProcess;
        ::CloseHandle(file);
    }
    ~ProgramRun()
    {
        if (process_) {
            ::TerminateProcess(process_, 99);
            ::CloseHandle(process_);
        }
        ::DeleteFileA(output_.c_str());
    }
    DWORD Wait(DWORD ms = 120000) { return process_ ? probe::WaitExit(process_, ms) : ~0u; }
    std::string Output() const { return FileBytes(output_); }

private:
    HANDLE process_ = nullptr;
    std::string output_;
};

// Runs to the end: "<exit code>\n<output>".
std::string Keltrix(const std::string& args)
{
    ProgramRun run(args);
    const DWORD code = run.Wait();
    return std::to_string(code) + "\n" + run.Output();
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string Q(const std::string& path)
{
    return "\"" + path + "\"";
}

// Where script_test.sh looks for what this program leaves it (a test folder when run alone).
std::string ScriptFolder(const TempFolder& fallback)
{
    const char* dir = std::getenv("KELT_SCRIPT_DIR");
    std::string path = dir && *dir ? std::string(dir[0] == '/' ? "Z:" : "") + dir + "\\" : fallback.File("");
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Each value of the key as "name=type:data".
std::set<std::string> Values(HKEY root, const std::string& key)
{
    std::set<std::string> values;
    HKEY handle = nullptr;
    ::RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle);
    char name[512];
    BYTE data[1024];
    for (DWORD i = 0, type = 0, nameSize = sizeof name, dataSize = sizeof data;
         handle && ::RegEnumValueA(handle, i, name, &nameSize, nullptr, &type, data, &dataSize) == ERROR_SUCCESS;
         ++i, nameSize = sizeof name, dataSize = sizeof data)
        values.insert(std::string(name, nameSize) + "=" + std::to_string(type) + ":" + std::string(data, data + dataSize));
    ::RegCloseKey(handle);
    return values;
}

// The main window's Apply tool button and its first tweak shown as a check box.
struct WindowParts {
    HWND apply = nullptr, box = nullptr;
    static BOOL CALLBACK Visit(HWND hwnd, LPARAM data)
    {
        auto* parts = reinterpret_cast<WindowParts*>(data);
        if (::GetDlgCtrlID(hwnd) == IDC_APPLY_BUTTON)
            parts->apply = hwnd;
        else if (!parts->box && (::GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX &&
                 ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd))
            parts->box = hwnd;
        return TRUE;
    }
};

// The staged program's window with a change waiting to be applied: expanded rows make a tweak
// a check box, and the Apply tool button is enabled while a change waits.
struct WindowWithPendingChange {
    WindowWithPendingChange()
    {
        window = probe::WaitReady(process, 120000);
        ::EnumChildWindows(window, WindowParts::Visit, reinterpret_cast<LPARAM>(&parts));
        ready = window && parts.box && parts.apply && !::IsWindowEnabled(parts.apply);
        ::SendMessageA(parts.box, BM_CLICK, 0, 0);
        pending = ::SendMessageA(parts.box, BM_GETCHECK, 0, 0);
        ready = ready && ::IsWindowEnabled(parts.apply);
    }
    ~WindowWithPendingChange() { ::TerminateProcess(process, 0), ::CloseHandle(process); }
    bool StillPending() const
    {
        return probe::MainWindowOf(process) == window && ::SendMessageA(parts.box, BM_GETCHECK, 0, 0) == pending &&
               ::IsWindowEnabled(parts.apply);
    }
    // The text of the next message box with that caption, which is then answered OK (and hidden).
    std::string Answer(const char* caption) const
    {
        const HWND box = probe::WaitShown(process, 30000, "#32770", caption);
        char text[1024] = {};
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        ::SendMessageA(box, WM_COMMAND, IDOK, 0);
        return text;
    }

    LONG expanded = ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, "SoftWare\\Dorvane\\Keltrix 0.8\\Options", "ExpandItems",
                                      REG_DWORD, "\1\0\0\0", 4);
    HANDLE process = probe::Start(probe::StageFolder());
    HWND window = nullptr;
    WindowParts parts;
    LRESULT pending = 0;
    bool ready = false;
};

class CommandLine : public ::testing::Test {
protected:
    TestKey key_{"command-line"};
    TempFolder folder_;
    DialogScript script_;
};

} // namespace

TEST_F(CommandLine, ReplaysAndChecksARecordMadeThroughTheWindowAsTheWindowReplaysIt)
{
    RemoveTestRoot();
    CatalogueFiles files;
    files.kinds = {"Kind"};
    files.ckRows = {{0, "Check tweak", "", "Flag", "Items", 1, "1", "0"}};
    files.edRows = {{0, "Text tweak", "", "Text", "Items", 0, "default"}, {0, "Owner tweak", "", "Owner", "Items", 0, "-"}};
    files.Write();
    SetDword("Items", "Flag", 0);
    SetString("Items", "Text", "old text");
    SetString("Items", "Owner", "old owner");
    const std::string items = std::string(kTestRoot) + "\\Items";
    const std::string record = folder_.File("KeltRecord.rwr");
    {
        HostWindow host;
        std::unique_ptr<JTRegSettings> catalogue = MakeCatalogue(files, host);
        ASSERT_TRUE(catalogue->LoadAll());
        auto& check = static_cast<JTckSetItem&>(*catalogue->Page(0)->CkItems()[0]);
        check.SetChecked(true);
        catalogue->ItemChange(&check, true);
        static_cast<JTedSetItem&>(*catalogue->Page(0)->EdItems()[0]).SetValue("new text");
        static_cast<JTedSetItem&>(*catalogue->Page(0)->EdItems()[1]).SetValue("new owner");
        TKeltApplyRep apply(true, record, *catalogue);
        ASSERT_TRUE(apply.CreateModeless(nullptr));
        Click(apply.Handle(), IDC_APPLY_OK);
    }
    const std::set<std::string> applied = Values(HKEY_CURRENT_USER, items);
    EXPECT_EQ(applied, (std::set<std::string>{"Flag=4:" + Dword(1), "Owner=1:" + Sz("new owner"), "Text=1:" + Sz("new text")}));

    const std::string path = " | HKEY_CURRENT_USER\\" + items + "\\";
    EXPECT_TRUE(Has(Keltrix("/check " + Q(record)), "0\nCheck of " + record + ": 3 rows\r\n1 | in place | Check tweak"));
    const std::string restored = Keltrix("/restore " + Q(record) + " /rows 1,3");
    EXPECT_TRUE(Has(restored, "0\nRestore of " + record + ": 2 rows\r\n1 | written | Check tweak" + path +
                                  "Flag\r\n3 | written | Owner tweak" + path + "Owner\r\nDone: every row written.\r\n"))
        << restored;
    const std::set<std::string> cliRestore = Values(HKEY_CURRENT_USER, items);
    const std::string log = folder_.File("runs.log"), check = Keltrix("/CHECK " + Q(record) + " /log " + Q(log));
    EXPECT_TRUE(Has(check, "1 | differs: \"0\", the record wants \"1\" | Check tweak") && check[0] == '1') << check;

    // The window's replays of the record: redo, then restore without its second row as the
    // command restored rows 1 and 3.
    for (const int direction : {TKeltRecForm::kRedo, TKeltRecForm::kRestore}) {
        TKeltRecForm form(direction, nullptr);
        ASSERT_TRUE(form.CreateModeless(nullptr));
        ::SetDlgItemTextA(form.Handle(), IDC_REC_FILE_NAME, record.c_str());
        Click(form.Handle(), IDC_REC_LIST_RECORDS);
        ui::ReportList(::GetDlgItem(form.Handle(), IDC_REC_LIST)).SetChecked(1, direction == TKeltRecForm::kRedo);
        Click(form.Handle(), IDC_REC_START);
        EXPECT_EQ(Values(HKEY_CURRENT_USER, items), direction == TKeltRecForm::kRedo ? applied : cliRestore);
    }
    EXPECT_EQ(Keltrix("/redo " + Q(record)).substr(0, 2), "0\n");
    EXPECT_EQ(Values(HKEY_CURRENT_USER, items), applied);
    const std::string inPlace = Keltrix("/check " + Q(record) + " /log " + Q(log)), logged = FileBytes(log);
    EXPECT_TRUE(inPlace[0] == '0' && Has(logged, check.substr(2)) && Has(logged, inPlace.substr(2))) << logged;
    RemoveTestRoot();
}

TEST_F(CommandLine, ExportsAreTheWindowsByteForByteAndRegeditImportsThem)
{
    const std::string record = folder_.File("export.rwr");
    const std::string machineKey = "Software\\KeltrixTest\\CommandLine";
    JTRecord machine = Row("Machine", machineKey, "M", 1, "0", "1");
    machine.iRegRoot = static_cast<int>(0x80000002u);
    WriteRecordFile(record, {Row("Text", key_.Path(), "Text", 0, "a", "say \"hi\" & <bye>"),
                             Row("Count", key_.Path(), "Count", 1, "0", "-2"),
                             Row("Bytes", key_.Sub("Deeper"), "Bytes", 2, "", std::string("\x00\xFF", 2)),
                             Row("Delete", key_.Path(), "Gone", 1, "6", "5", "5", true),
                             Row("Broken name", key_.Path(), "Two\nLines", 0, "a", "b"), machine});
    const std::string window = folder_.File("window");
    TKeltRecForm form(TKeltRecForm::kRedo, nullptr);
    ASSERT_TRUE(form.CreateModeless(nullptr));
    ::SetDlgItemTextA(form.Handle(), IDC_REC_FILE_NAME, record.c_str());
    script_.files = {window + ".reg", window + ".xml"};
    Click(form.Handle(), IDC_REC_EXPORT);
    Click(form.Handle(), IDC_REC_EXPORT_GPP);

    const std::string out = ScriptFolder(folder_) + "out";
    const std::string reg = Keltrix("/export-reg " + Q(record) + " " + Q(out + ".reg"));
    EXPECT_TRUE(Has(reg, "1\nWritten: " + out + ".reg (5 rows)\r\nLeft out: Broken name: a registry file cannot carry"))
        << reg;
    const std::string gpp = Keltrix("-Export-GPP " + Q(record) + " " + Q(out + ".xml"));
    EXPECT_TRUE(Has(gpp, "0\nWritten: " + out + "-User.xml (5 items) for User Configuration > Preferences > Windows "
                         "Settings > Registry\r\nWritten: " + out + "-Computer.xml (1 item) for Computer"))
        << gpp;
    for (const char* file : {".reg", "-User.xml", "-Computer.xml"}) {
        EXPECT_EQ(FileBytes(out + file), FileBytes(window + file)) << file;
    }
    // The registry editor imports what the redo sets; the row the file cannot carry stays out
    // without breaking the lines after it.
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(ProgramRun("/s " + Q(out + ".reg"), std::string(windows) + "\\regedit.exe").Wait(), 0u);
    EXPECT_EQ(Values(HKEY_CURRENT_USER, key_.Path()),
              (std::set<std::string>{"Count=4:" + Dword(static_cast<DWORD>(-2)), "Text=1:" + Sz("say \"hi\" & <bye>")}));
    EXPECT_EQ(Values(HKEY_CURRENT_USER, key_.Sub("Deeper")), std::set<std::string>{"Bytes=3:" + std::string("\x00\xFF", 2)});
    EXPECT_EQ(Values(HKEY_LOCAL_MACHINE, machineKey), std::set<std::string>{"M=4:" + Dword(1)});
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, machineKey.c_str());
}

TEST_F(CommandLine, TheAuditListsEveryShippedTweakWithTheStateTheRegistryHolds)
{
    // Every shipped tweak; the first check-styled DWORD and edit-styled string tweak of the
    // user's registry are set here.
    std::multiset<std::string> shipped;
    std::string on[4], set[4];  // description, key, value name, on value
    for (const char* file : {"KeltckItems.xdb", "KeltedItems.xdb"}) {
        TXdbTable table;
        table.LoadFromFile(probe::StageFolder() + file);
        const bool check = std::string(file) == "KeltckItems.xdb";
        std::string* chosen = check ? on : set;
        for (table.First(), table.Next(); !table.Eof(); table.Next()) {
            const auto field = [&table](const char* name) { return table.FieldByName(name).AsString(); };
            shipped.insert(field("sDescribe"));
            if (!chosen[0].empty() || table.FieldByName("iRegRoot").AsInteger() != kCurrentUser ||
                table.FieldByName("iRegType").AsInteger() != (check ? 1 : 0))
                continue;
            chosen[0] = field("sDescribe");
            chosen[1] = field("sSubKey");
            chosen[2] = field("sDataName");
            chosen[3] = check ? field("sYesVal") : "kelt audit, \"quoted\"";
        }
    }
    ASSERT_TRUE(shipped.size() > 100 && !on[0].empty() && !set[0].empty());
    RawSetDword(on[1], on[2], static_cast<DWORD>(std::stol(on[3])));
    RawSetString(set[1], set[2], set[3]);

    // script_test.sh parses both against what is expected here, on Windows 10 Pro.
    ::RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine", "Version", REG_SZ, "win10", 6);
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion", "EditionID", REG_SZ,
                      "Professional", 13);
    const std::string folder = ScriptFolder(folder_);
    EXPECT_EQ(Keltrix("/state " + Q(folder + "state.csv")).substr(0, 2), "0\n");
    EXPECT_EQ(Keltrix("/state /json " + Q(folder + "state.json")).substr(0, 2), "0\n");
    std::ofstream expected(folder + "expected-state.txt", std::ios::binary);
    expected << on[0] << "\ton\t" << on[3] << "\n" << set[0] << "\tset\t" << set[3] << "\n";
    for (const std::string& description : shipped)
        expected << description << "\n";
}

TEST_F(CommandLine, BadCommandLinesAndFilesEndWithExitCodeTwoAndChangeNothing)
{
    const std::string record = folder_.File("good.rwr");
    WriteRecordFile(record, {Row("Text", key_.Path(), "Text", 0, "a", "b", "", true)});
    const std::string damaged = folder_.File("damaged.rwr");
    std::ofstream(damaged) << "not a record";
    const std::string cases[][2] = {
        {"/bogus " + Q(record), "Keltrix: Unknown switch /bogus. Keltrix.exe /? lists the commands."},
        {"/redo " + Q(folder_.File("missing.rwr")), "Keltrix: Fail to load record file:" + folder_.File("missing.rwr")},
        {"/restore " + Q(damaged), "Keltrix: Fail to load record file:" + damaged},
        {"/redo " + Q(record) + " /rows 2", "Keltrix: /rows 2: the record holds 1 row; rows are counted from 1"},
        {"/export-reg " + Q(record), "Keltrix: /export-reg needs a record file and the file to write."},
        {"/export-reg " + Q(record) + " " + Q(folder_.File("none\\x.reg")), "Keltrix: Fail to write file:"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(Has(Keltrix(c[0]), "2\n" + c[1])) << c[0] << "\n" << Keltrix(c[0]);
    EXPECT_TRUE(Values(HKEY_CURRENT_USER, key_.Path()).empty());
}

TEST_F(CommandLine, ARowTheUserMayNotChangeIsNamedAndEndsWithExitCodeOne)
{
    RawSetString(key_.Path(), "Text", "a");
    HKEY handle = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, key_.Path().c_str(), 0, KEY_ALL_ACCESS, &handle), ERROR_SUCCESS);
    PSECURITY_DESCRIPTOR dacl[2] = {};  // values may not be set; then everything again
    ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(D;;0x6;;;WD)(A;;KA;;;WD)", SDDL_REVISION_1, &dacl[0], 0);
    ::ConvertStringSecurityDescriptorToSecurityDescriptorA("D:(A;;KA;;;WD)", SDDL_REVISION_1, &dacl[1], nullptr);
    ASSERT_EQ(::RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, dacl[0]), ERROR_SUCCESS);
    const std::string record = folder_.File("denied.rwr");
    WriteRecordFile(record, {Row("Other", key_.Sub("Free"), "V", 0, "a", "b", "", true),
                             Row("Locked", key_.Path(), "Text", 0, "a", "b", "", true)});
    const std::string result = Keltrix("/redo " + Q(record));
    EXPECT_TRUE(Has(result, "2 | not written: access denied | Locked | HKEY_CURRENT_USER\\" + key_.Path() +
                                "\\Text\r\nAccess was denied to 1 row (2): run Keltrix.exe as an administrator for "
                                "them.\r\nDone: 1 written, 1 not written.") && result[0] == '1')
        << result;
    EXPECT_EQ(RegistryBytes(key_.Path(), "Text"), Sz("a"));
    ::RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, dacl[1]);
    ::RegCloseKey(handle);
}

TEST_F(CommandLine, RunsWaitForEachOtherAndLeaveARunningWindowAndItsPendingChangeAlone)
{
    const std::string record = folder_.File("beside.rwr");
    WriteRecordFile(record, {Row("Text", key_.Path(), "Text", 0, "a", "b", "", true)});
    // While another run holds the lock, a run waits and says so; then it goes on.
    HANDLE other = ::CreateMutexA(nullptr, TRUE, "Global\\Keltrix command-line run");
    {
        ProgramRun waiting("/redo " + Q(record));
        EXPECT_EQ(waiting.Wait(3000), static_cast<DWORD>(STILL_ACTIVE));
        EXPECT_TRUE(Has(waiting.Output(), "another command-line run of Keltrix works; this one waits for it."));
        EXPECT_EQ(RegistryBytes(key_.Path(), "Text"), "<missing>");
        ::ReleaseMutex(other);
        EXPECT_EQ(waiting.Wait(), 0u) << waiting.Output();
        EXPECT_EQ(RegistryBytes(key_.Path(), "Text"), Sz("b"));
    }
    ::CloseHandle(other);

    WindowWithPendingChange main;
    ASSERT_TRUE(main.ready);
    RawSetString(key_.Path(), "Text", "a");
    EXPECT_EQ(Keltrix("/redo " + Q(record)).substr(0, 2), "0\n");
    EXPECT_EQ(RegistryBytes(key_.Path(), "Text"), Sz("b"));
    EXPECT_TRUE(main.StillPending());
}

// The window's own Restore... with a change waiting in the window: a replay that writes nothing
// says so, names the value held with another type, and neither asks about the change nor drops it.
TEST_F(CommandLine, TheWindowsReplayThatWritesNothingSaysSoAndKeepsThePendingChange)
{
    RawSetString(key_.Path(), "Text", "a");
    RawSet(key_.Path(), "Expand", REG_EXPAND_SZ, "%x%", 4);
    const std::string unchanged = folder_.File("unchanged.rwr"), typed = folder_.File("typed.rwr");
    const JTRecord done = Row("Done row", key_.Path(), "Text", 0, "a", "b");
    WriteRecordFile(unchanged, {done});
    WriteRecordFile(typed, {done, Row("Expand row", key_.Path(), "Expand", 0, "a", "b", "", true)});
    WindowWithPendingChange main;
    ASSERT_TRUE(main.ready);
    ::PostMessageA(main.window, WM_COMMAND, IDM_RESTORE, 0);
    const HWND form = probe::WaitShown(main.process, 30000, "#32770", "Restore registry settings");
    ASSERT_TRUE(form);
    // The first record's only row holds its old value already: it is listed unchecked.
    ::SetDlgItemTextA(form, IDC_REC_FILE_NAME, unchanged.c_str());
    ::PostMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_REC_START, BN_CLICKED), 0);
    EXPECT_EQ(main.Answer("Information"), "No record is checked: nothing has been written.");
    ::SetDlgItemTextA(form, IDC_REC_FILE_NAME, typed.c_str());
    ::PostMessageA(form, WM_COMMAND, MAKEWPARAM(IDC_REC_START, BN_CLICKED), 0);
    EXPECT_EQ(main.Answer("Warning").substr(0, 40), "The records you selected will be Restore");
    EXPECT_EQ(main.Answer("Warning"), "This record could not be written:\nExpand row: the value is of type REG_EXPAND_SZ in "
                                      "the registry, of type REG_SZ in the record: it is left as it is\nNothing has "
                                      "been written.");
    EXPECT_EQ(RegistryBytes(key_.Path(), "Expand"), Sz("%x%"));
    EXPECT_TRUE(main.StillPending());
}
