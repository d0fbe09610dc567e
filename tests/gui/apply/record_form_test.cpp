// The restore/redo dialog over record files: listing, replaying in both directions, what the
// rows show, and registry files that Wine's own regedit imports to the same registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <msxml2.h>
#include <objbase.h>

#include <cctype>
#include <map>
#include <set>
#include <sstream>

#include <cstdlib>

#include "app/apply/record_form.h"
#include "app/apply/record_ids.h"
#include "catalogue/ed_set_item.h"
#include "catalogue/record.h"
#include "tests/gui/apply/apply_fixture.h"
#include "tests/windows/wide_text.h"
#include "ui/files.h"
#include "ui/hint.h"
#include "ui/report_list.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const std::string kQuestion = "Warning/33: The records you selected will be ";
const std::string kQuestionEnd = "!\n(It means the corresponding Regstry datas' value will be changes to the ";

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
}

DWORD RunRegedit(const std::string& file)
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    std::string command = std::string("\"") + windows + "\\regedit.exe\" /s \"" + file + "\"";
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return ~0u;
    ::WaitForSingleObject(process.hProcess, 60000);
    DWORD code = ~0u;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return code;
}

class RecordDialog : public ::testing::Test {
protected:
    HWND Open(int direction, const std::string& file = "", JTRegSettings* catalogue = nullptr)
    {
        form_ = std::make_unique<TKeltRecForm>(direction, catalogue);
        EXPECT_TRUE(form_->CreateModeless(nullptr));
        Name(file);
        return form_->Handle();
    }
    HWND List() const { return ::GetDlgItem(form_->Handle(), IDC_REC_LIST); }
    void Name(const std::string& file) { ::SetDlgItemTextA(form_->Handle(), IDC_REC_FILE_NAME, file.c_str()); }
    std::string Registry(const std::string& name, const std::string& sub = "") const
    {
        return RegistryBytes(sub.empty() ? key_.Path() : key_.Sub(sub), name);
    }

    TestKey key_{"records"};
    TempFolder folder_;
    DialogScript script_;
    std::unique_ptr<TKeltRecForm> form_;
};

} // namespace

TEST_F(RecordDialog, ShowsItsDirectionAndListsTheRowsWithTheirLiveValues)
{
    for (const int direction : {TKeltRecForm::kRestore, TKeltRecForm::kRedo}) {
        HWND form = Open(direction);
        EXPECT_EQ(ui::WindowText(form) + "/" + ui::WindowText(::GetDlgItem(form, IDC_REC_HEADER)) + "/" +
                      ui::WindowText(::GetDlgItem(form, IDC_REC_START)),
                  direction == TKeltRecForm::kRestore
                      ? "Restore registry settings/Now you're trying to Restore the settings from a Keltrix Record "
                        "file!/Start Restore"
                      : "Redo registry settings/Now you're trying to redo the settings from a Keltrix Record "
                        "file!/Start Redo");
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(form, IDC_REC_START)));
        Name("x");
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(form, IDC_REC_START)));
    }

    const std::string file = folder_.File("KeltRecord20240110.rwr");
    RawSetString(key_.Path(), "Text", "new");
    RawSetDword(key_.Path(), "Count", 7);
    WriteRecordFile(file, {Row("Text row", key_.Path(), "Text", 0, "old", "new"),
                           Row("Bytes row", key_.Path(), "Bytes", 2, "\x01\xFF\x10", std::string(1, '\0'), "", true),
                           // Already holds its old value: a restore would change nothing.
                           Row("Count row", key_.Path(), "Count", 1, "7", "8")});
    HWND form = Open(TKeltRecForm::kRestore);
    EXPECT_EQ(ui::GetHint(List()), "You can click the check box to decide whether or not to apply the tweaks.");
    // Enter in the name edit opens the file dialog like "...".
    script_.files = {file};
    ::SendMessageA(::GetDlgItem(form, IDC_REC_FILE_NAME), WM_KEYDOWN, VK_RETURN, 0);
    ui::ProcessPendingMessages();
    ASSERT_EQ(script_.requests.size(), 1u);
    EXPECT_EQ(script_.requests[0].filter + "/" + script_.requests[0].initialDir,
              "Keltrix Record file(*.RWR)|*.RWR|All files(*.*)|*.*/" + ui::ProgramFolder() + "Records");
    const std::string at = " | HKEY_CURRENT_USER\\" + key_.Path() + "\\";
    EXPECT_EQ(Grid(List()), (std::vector<std::string>{
                                "State | Setting description | Path in registry | Old value | New value | Now",
                                "Apply | Text row" + at + "Text | old | new | new",
                                "Apply | Bytes row" + at + "Bytes | 01 FF 10 | 00 | (absent)",
                                "Unchanged | Count row" + at + "Count | 7 | 8 | 7"}));
    EXPECT_FALSE(ui::ReportList(List()).Checked(2));
    ui::ReportList(List()).SetChecked(0, false);
    EXPECT_EQ(ui::ReportList(List()).Text(0, 0), "Un-apply");

    // A second file replaces the rows; one that is no record file keeps them and says so.
    const std::string other = folder_.File("other.rwr");
    WriteRecordFile(other, {Row("Only row", key_.Path(), "Text", 0, "a", "b")});
    Name(other);
    Click(form, IDC_REC_LIST_RECORDS);
    EXPECT_EQ(Grid(List()).back().substr(0, 18), "Apply | Only row |");
    const std::string bad = folder_.File("bad.rwr");
    std::ofstream(bad) << "not a table";
    // The context menu lists too, and only while a name is given.
    HMENU menu = form_->ContextMenu();
    for (const std::string& name : {std::string(), bad}) {
        Name(name);
        ::SendMessageA(form, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        EXPECT_EQ(::GetMenuState(menu, IDM_REC_LIST_RECORDS, MF_BYCOMMAND) & MF_GRAYED, name.empty() ? MF_GRAYED : 0u);
    }
    ::SendMessageA(form, WM_COMMAND, MAKEWPARAM(IDM_REC_LIST_RECORDS, 0), 0);
    EXPECT_EQ(script_.log, std::vector<std::string>{"Error/16: Fail to load record file:" + bad + "!"});
    EXPECT_EQ(Grid(List()).size(), 2u);
    script_.PressHelp(form, IDC_REC_HELP);
    EXPECT_EQ(script_.help, std::vector<std::string>{HelpTopicPath("::/recordfile.htm")});
}

TEST_F(RecordDialog, RestoreAndRedoWriteTheCheckedRowsOfTheNamedFile)
{
    const std::string file = folder_.File("replay.rwr");
    const std::string bytes("\x00\xFF\x00\x10", 4);
    WriteRecordFile(file, {Row("Text row", key_.Path(), "Text", 0, "a", "b"),
                           Row("Count row", key_.Path(), "Count", 1, "1", "2"),
                           Row("Bytes row", key_.Sub("Sub"), "Bytes", 2, "\x01", bytes),
                           // Absent before the run: restoring removes it again.
                           Row("Default row", key_.Path(), "Gone", 1, "5", "6", "5", true),
                           // May be created: key and value are made; a deletion makes no key.
                           Row("Created row", key_.Sub("New"), "Made", 0, "m", "n", "", true),
                           Row("No key to delete from", key_.Sub("None"), "X", 1, "5", "6", "5", true)});
    // The registry as the apply run left it.
    RawSetString(key_.Path(), "Text", "b");
    RawSetDword(key_.Path(), "Count", 2);
    RawSet(key_.Sub("Sub"), "Bytes", REG_BINARY, bytes.data(), 4);
    RawSetDword(key_.Path(), "Gone", 6);

    // A name that cannot be listed refuses before anything is asked or written.
    Open(TKeltRecForm::kRestore, folder_.File("missing.rwr"));
    Click(form_->Handle(), IDC_REC_START);
    EXPECT_EQ(script_.log, std::vector<std::string>{"Error/16: Fail to load record file:" + folder_.File("missing.rwr") + "!"});

    // Start lists the named file first; a cancelled question and an unchecked row write nothing.
    script_.log.clear();
    Name(file);
    script_.answers["Warning"] = {IDCANCEL, IDOK};
    Click(form_->Handle(), IDC_REC_START);
    ASSERT_EQ(Grid(List()).size(), 7u);
    EXPECT_EQ(Registry("Text"), Sz("b"));
    ui::ReportList(List()).SetChecked(1, false);
    Click(form_->Handle(), IDC_REC_START);
    const std::string question = kQuestion + "Restore" + kQuestionEnd + "Old Value).\nContinue?";
    EXPECT_EQ(script_.log, (std::vector<std::string>{question, question, "Ok/64: Successful!"}));
    EXPECT_EQ(Registry("Text") + Registry("Count") + Registry("Bytes", "Sub") + Registry("Gone") + Registry("Made", "New"),
              Sz("a") + Dword(2) + "\x01" + "<missing>" + Sz("m"));
    EXPECT_FALSE(RawKeyExists(key_.Sub("None")));
    // Rows at their target now say so.
    EXPECT_EQ(ui::ReportList(List()).Text(0, 0), "Unchanged");

    script_.log.clear();
    Open(TKeltRecForm::kRedo, file);
    Click(form_->Handle(), IDC_REC_START);
    EXPECT_EQ(script_.log, (std::vector<std::string>{kQuestion + "Redo" + kQuestionEnd + "New Value).\nContinue?",
                                                      "Ok/64: Successful!"}));
    EXPECT_EQ(Registry("Text") + Registry("Bytes", "Sub") + Registry("Gone"), Sz("b") + bytes + Dword(6));
}

TEST_F(RecordDialog, RowsThatFailAreNamedAfterTheOthersWereWritten)
{
    const std::string file = folder_.File("failing.rwr");
    RawSetString(key_.Path(), "Text", "b");
    JTRecord otherRoot = Row("Other root row", key_.Sub("Root"), "Value", 0, "a", "b", "", true);
    otherRoot.iRegRoot = static_cast<int>(0x80000004u);
    WriteRecordFile(file, {Row("No key row", key_.Sub("Missing"), "Value", 0, "a", "b"),
                           Row("Not a number row", key_.Sub("Fresh"), "Count", 1, "abc", "1", "", true),
                           Row("Gone row", key_.Path(), "Gone", 0, "a", "b"),
                           // Rows that name no known root or type are never touched.
                           otherRoot, Row("Other type row", key_.Sub("Typed"), "Value", 7, "a", "b", "", true),
                           // The key is made, then the value name is refused: the key goes again.
                           Row("Long name row", key_.Sub("Made\\Deeper"), std::string(20000, 'n'), 0, "a", "b", "",
                               true),
                           Row("Good row", key_.Path(), "Text", 0, "a", "b")});
    Open(TKeltRecForm::kRestore, file);
    Click(form_->Handle(), IDC_REC_START);

    EXPECT_EQ(Registry("Text"), Sz("a"));
    // No failing row left a key behind.
    for (const char* sub : {"Missing", "Fresh", "Root", "Typed", "Made"})
        EXPECT_FALSE(RawKeyExists(key_.Sub(sub))) << sub;
    ASSERT_EQ(script_.log.size(), 2u);
    const std::string listed = "Warning/48: These 6 records could not be written:\nNo key row: the key cannot be opened\n"
                               "Not a number row: 'abc' is not a valid integer value\n"
                               "Gone row: the value does not exist and may not be created\n"
                               "Other root row: the registry root is not known\n"
                               "Other type row: the value type 7 is not known\nLong name row: ";
    const std::string end = "\nThe other records have been written.";
    EXPECT_EQ(script_.log[1].substr(0, listed.size()), listed);
    EXPECT_EQ(script_.log[1].substr(script_.log[1].size() - end.size()), end);
}

TEST_F(RecordDialog, RowsAReplayWouldSkipOrCannotUseAreShownSoAndANothingWrittenReplaySaysSo)
{
    const std::string file = folder_.File("skipped.rwr");
    RawSetString(key_.Path(), "Text", "b");
    JTRecord otherRoot = Row("Other root row", key_.Sub("Root"), "Value", 0, "a", "b", "", true);
    otherRoot.iRegRoot = static_cast<int>(0x80000006u);
    WriteRecordFile(file, {Row("No key row", key_.Sub("Missing"), "Value", 0, "a", "b"),
                           Row("Gone row", key_.Path(), "Gone", 0, "a", "b"), otherRoot,
                           Row("Other type row", key_.Path(), "Text", 9, "a", "b", "", true),
                           Row("Done row", key_.Path(), "Text", 0, "a", "b")});
    Open(TKeltRecForm::kRedo, file);
    Click(form_->Handle(), IDC_REC_LIST_RECORDS);
    const std::string at = " | HKEY_CURRENT_USER\\" + key_.Path() + "\\";
    EXPECT_EQ(Grid(List()), (std::vector<std::string>{
                                "State | Setting description | Path in registry | Old value | New value | Now",
                                "Skip: no key | No key row | HKEY_CURRENT_USER\\" + key_.Sub("Missing") +
                                    "\\Value | a | b | (absent)",
                                "Skip: no value | Gone row" + at + "Gone | a | b | (absent)",
                                "Unusable | Other root row | \\" + key_.Sub("Root") + "\\Value | a | b | (unusable)",
                                "Unusable | Other type row" + at + "Text |  |  | (unusable)",
                                "Unchanged | Done row" + at + "Text | a | b | b"}));
    // Unchecked, a row that cannot be written is simply left out.
    ui::ReportList(List()).SetChecked(0, false);
    EXPECT_EQ(ui::ReportList(List()).Text(0, 0), "Un-apply");
    Click(form_->Handle(), IDC_REC_START);
    ASSERT_EQ(script_.log.size(), 2u);
    EXPECT_EQ(script_.log[1], "Warning/48: These 3 records could not be written:\n"
                              "Gone row: the value does not exist and may not be created\n"
                              "Other root row: the registry root is not known\n"
                              "Other type row: the value type 9 is not known\nNothing has been written.");
    EXPECT_EQ(Registry("Text"), Sz("b"));
    EXPECT_FALSE(RawKeyExists(key_.Sub("Root")));
}

TEST_F(RecordDialog, AReplayThatWroteMakesTheCatalogueReadTheRegistryAgainAndAsksAboutPendingChanges)
{
    RemoveTestRoot();
    CatalogueFiles files;
    files.kinds = {"Kind"};
    files.edRows = {{0, "Workgroup", "", "Group", "Items", 0, "WORKGROUP"}, {0, "Owner", "", "Owner", "Items", 0, "-"}};
    files.Write();
    const std::string file = folder_.File("refresh.rwr");
    WriteRecordFile(file, {Row("Workgroup", std::string(kTestRoot) + "\\Items", "Group", 0, "OLD", "NEW")});
    const std::string pending =
        "Warning/35: 1 change in the main window has not been applied yet.\nKeep them after the replay? (No "
        "discards them; Cancel replays nothing.)";
    const struct {
        int answer;
        const char* group;  // what the first tweak then holds
        bool kept;          // whether the typed owner is still waiting to be applied
    } cases[] = {{IDYES, "OLD", true}, {IDNO, "OLD", false}, {IDCANCEL, "NEW", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        HostWindow host;
        std::unique_ptr<JTRegSettings> catalogue = MakeCatalogue(files, host);
        SetString("Items", "Group", "NEW");
        SetString("Items", "Owner", "me");
        ASSERT_TRUE(catalogue->LoadAll());
        auto* owner = static_cast<JTedSetItem*>(catalogue->Page(0)->EdItems()[1].get());
        owner->SetValue("typed");
        ASSERT_EQ(catalogue->ModifiedCount(), 1);
        script_.log.clear();
        script_.answers["Warning"] = {IDOK, c.answer};
        Open(TKeltRecForm::kRestore, file, catalogue.get());
        Click(form_->Handle(), IDC_REC_START);
        ASSERT_GE(script_.log.size(), 2u);
        EXPECT_EQ(script_.log[1], pending);
        EXPECT_EQ(catalogue->Page(0)->EdItems()[0]->CurrentValue(), c.group);
        EXPECT_EQ(owner->GetNewValue(), c.kept ? "typed" : "me");
        EXPECT_EQ(catalogue->ModifiedCount(), c.kept ? 1 : 0);
        form_.reset();
        catalogue.reset();
    }
    RemoveTestRoot();
}

TEST_F(RecordDialog, AnExportedRegistryFileImportsToWhatTheReplayWrites)
{
    std::string longBytes("\x00\xFF", 2);
    for (int i = 0; i < 70; ++i)
        longBytes += static_cast<char>(i * 37);
    const std::string sub = key_.Sub("Deeper\\Still");
    const std::string file = folder_.File("export.rwr");
    WriteRecordFile(file, {Row("Quoted", key_.Path(), "Text", 0, "say \"hi\" C:\\path", "b"),
                           Row("Lines", key_.Path(), "Lines", 0, "one\r\ntwo", "b"),
                           Row("Negative", key_.Path(), "Count", 1, "-2", "1"),
                           Row("Bytes", sub, "Bytes", 2, longBytes, "x"),
                           Row("Empty bytes", sub, "None", 2, "", "x"),
                           Row("Default value", sub, "", 0, "unnamed", "b"),
                           Row("Delete", key_.Path(), "Gone", 1, "5", "6", "5", true),
                           Row("Bad number", key_.Path(), "Bad", 1, "zz", "1")});
    auto prepare = [&] {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, key_.Path().c_str());
        for (const char* name : {"Text", "Lines"})
            RawSetString(key_.Path(), name, "b");
        for (const char* name : {"Count", "Gone", "Bad"})
            RawSetDword(key_.Path(), name, 1);
        for (const char* name : {"Bytes", "None", ""})
            RawSetString(sub, name, "x");
    };
    prepare();
    // One value is at its target already: a replay here leaves it, but other machines need it.
    RawSetString(key_.Path(), "Lines", "one\r\ntwo");
    HWND form = Open(TKeltRecForm::kRestore, file);
    Click(form, IDC_REC_LIST_RECORDS);
    ASSERT_EQ(ui::ReportList(List()).Text(1, 0), "Unchanged");
    ui::ReportList(List()).SetChecked(0, false);
    const std::string reg = folder_.File("export.reg");
    script_.files = {reg};
    Click(form, IDC_REC_EXPORT);
    ASSERT_EQ(script_.requests.size(), 1u);
    EXPECT_EQ(script_.requests[0].fileName, reg);
    EXPECT_EQ(script_.log, std::vector<std::string>{"Warning/48: The registry file has been written:\n" + reg +
                                                    "\nThis record was left out:\nBad number: 'zz' is not a valid "
                                                    "integer value"});
    // The rows whose replay depends on what this machine holds are named at the top.
    std::string text;
    const std::string bytes = FileBytes(reg);
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
        text += bytes[i];
    const std::string path = "HKEY_CURRENT_USER\\" + key_.Path();
    EXPECT_EQ(text.substr(0, text.find("\r\n[")),
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "; A replay of the record file writes these values only where key and value exist already;\r\n"
              "; this file sets them wherever it is imported:\r\n"
              ";   Quoted (" + path + "\\Text)\r\n;   Lines (" + path + "\\Lines)\r\n;   Negative (" + path +
                  "\\Count)\r\n;   Bytes (HKEY_CURRENT_USER\\" + sub + "\\Bytes)\r\n"
              ";   Empty bytes (HKEY_CURRENT_USER\\" + sub + "\\None)\r\n"
              ";   Default value (HKEY_CURRENT_USER\\" + sub + "\\)\r\n");

    // The row the file could not state is left out of the replay too; the others are written.
    ui::ReportList(List()).SetChecked(0, true);
    ui::ReportList(List()).SetChecked(1, true);
    ui::ReportList(List()).SetChecked(7, false);
    Click(form, IDC_REC_START);
    // Each value with its type, as the replay left it and as regedit imports it.
    auto values = [&] {
        std::vector<std::string> out;
        for (const auto& [key, name] : std::vector<std::pair<std::string, std::string>>{
                 {key_.Path(), "Text"}, {key_.Path(), "Lines"}, {key_.Path(), "Count"}, {key_.Path(), "Gone"},
                 {key_.Path(), "Bad"}, {sub, "Bytes"}, {sub, "None"}, {sub, ""}}) {
            DWORD type = 0;
            std::string data;
            out.push_back(RawGet(key, name, type, data) ? std::to_string(type) + ":" + data : "<missing>");
        }
        return out;
    };
    const std::vector<std::string> replayed = values();
    prepare();
    ASSERT_EQ(RunRegedit(reg), 0u);
    EXPECT_EQ(values(), replayed);
    EXPECT_EQ(replayed[5], "3:" + longBytes);
    EXPECT_EQ(replayed[3], "<missing>");
    EXPECT_EQ(replayed[1], "1:" + Sz("one\r\ntwo"));
}

namespace {

// Reads an XML file with the system's XML parser; the document, or null with the parser's
// complaint in `error`.
struct XmlDocument {
    explicit XmlDocument(const std::string& path)
    {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CLSID parser{};
        if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument.3.0", &parser)) ||
            FAILED(::CoCreateInstance(parser, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                      reinterpret_cast<void**>(&doc)))) {
            error = "no XML parser";
            return;
        }
        doc->put_async(VARIANT_FALSE);
        std::wstring wide(path.begin(), path.end());
        VARIANT source;
        ::VariantInit(&source);
        source.vt = VT_BSTR;
        source.bstrVal = ::SysAllocString(wide.c_str());
        VARIANT_BOOL loaded = VARIANT_FALSE;
        doc->load(source, &loaded);
        ::VariantClear(&source);
        if (loaded != VARIANT_TRUE) {
            IXMLDOMParseError* parseError = nullptr;
            BSTR reason = nullptr;
            if (SUCCEEDED(doc->get_parseError(&parseError)) && parseError &&
                SUCCEEDED(parseError->get_reason(&reason)) && reason)
                error = Narrow(reason);
            ::SysFreeString(reason);
            if (parseError)
                parseError->Release();
            if (error.empty())
                error = "not well-formed";
        }
    }
    ~XmlDocument()
    {
        if (doc)
            doc->Release();
        ::CoUninitialize();
    }
    static std::string Narrow(BSTR text)
    {
        if (!text)
            return std::string();
        const int length = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
        std::string out(static_cast<std::size_t>(length > 0 ? length - 1 : 0), '\0');
        if (length > 1)
            ::WideCharToMultiByte(CP_ACP, 0, text, -1, &out[0], length, nullptr, nullptr);
        return out;
    }
    // Every node the pattern selects, each as its attributes by name (and its name as "#").
    std::vector<std::map<std::string, std::string>> Select(const wchar_t* pattern)
    {
        std::vector<std::map<std::string, std::string>> found;
        IXMLDOMNodeList* nodes = nullptr;
        BSTR query = ::SysAllocString(pattern);
        if (doc && SUCCEEDED(doc->selectNodes(query, &nodes)) && nodes) {
            for (IXMLDOMNode* node = nullptr; nodes->nextNode(&node) == S_OK && node; node->Release()) {
                std::map<std::string, std::string> attributes;
                BSTR name = nullptr;
                node->get_nodeName(&name);
                attributes["#"] = Narrow(name);
                ::SysFreeString(name);
                IXMLDOMNamedNodeMap* map = nullptr;
                long count = 0;
                if (SUCCEEDED(node->get_attributes(&map)) && map && SUCCEEDED(map->get_length(&count))) {
                    for (long i = 0; i < count; ++i) {
                        IXMLDOMNode* attribute = nullptr;
                        if (FAILED(map->get_item(i, &attribute)) || !attribute)
                            continue;
                        BSTR key = nullptr, value = nullptr;
                        attribute->get_nodeName(&key);
                        attribute->get_text(&value);
                        attributes[Narrow(key)] = Narrow(value);
                        ::SysFreeString(key);
                        ::SysFreeString(value);
                        attribute->Release();
                    }
                }
                if (map)
                    map->Release();
                found.push_back(std::move(attributes));
            }
            nodes->Release();
        }
        ::SysFreeString(query);
        return found;
    }

    IXMLDOMDocument* doc = nullptr;
    std::string error;
};

bool Matches(const std::string& text, const std::string& shape)
{
    // `shape`: 9 a digit, X an upper-case hexadecimal digit, anything else itself.
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (shape[i] == '9' ? !std::isdigit(static_cast<unsigned char>(c))
                            : shape[i] == 'X' ? !std::isxdigit(static_cast<unsigned char>(c)) || std::islower(c)
                                              : c != shape[i])
            return false;
    }
    return true;
}

} // namespace

TEST_F(RecordDialog, AGroupPolicyExportStatesEveryRowAsTheReplayWritesIt)
{
    const std::string sub = key_.Sub("Policies\\Deeper");
    const std::string file = folder_.File("gpp.rwr");
    JTRecord otherRoot = Row("Other root", key_.Path(), "X", 0, "a", "b");
    otherRoot.iRegRoot = static_cast<int>(0x80000004u);
    WriteRecordFile(file, {Row("Markup", key_.Path(), "Text", 0, "a", "say \"hi\" & <bye> C:\\path"),
                           Row("Lines", key_.Path(), "Lines", 0, "a", "one\r\ntwo\tthree"),
                           Row("Negative", key_.Path(), "Count", 1, "0", "-2"),
                           Row("Bytes", sub, "Bytes", 2, "", std::string("\x00\x0F\xFF", 3)),
                           Row("Default value", sub, "", 0, "", "unnamed"),
                           Row("Delete", key_.Path(), "Gone", 1, "6", "5", "5", true),
                           Row("Control character", key_.Path(), "Bell", 0, "a", "ring\x07"), otherRoot});
    HWND form = Open(TKeltRecForm::kRedo, file);
    const std::string xml = folder_.File("Registry.xml");
    script_.files = {xml};
    Click(form, IDC_REC_EXPORT_GPP);
    ASSERT_EQ(script_.requests.size(), 1u);
    EXPECT_EQ(script_.requests[0].fileName, folder_.File("Registry.xml"));
    EXPECT_EQ(script_.log, std::vector<std::string>{
                               "Warning/48: The Group Policy registry items have been written (Registry.xml of a GPO's "
                               "registry preferences):\n" + xml + "\nThese 2 records were left out:\n"
                               "Control character: the text holds control characters a Group Policy file cannot carry\n"
                               "Other root: the registry root is not known"});

    // What the replay writes on this machine is what the items state.
    RawSetDword(key_.Path(), "Gone", 6);
    for (const char* name : {"Text", "Lines"})
        RawSetString(key_.Path(), name, "a");
    RawSetDword(key_.Path(), "Count", 0);
    RawSet(sub, "Bytes", REG_BINARY, "", 0);
    RawSetString(sub, "", "");
    Click(form, IDC_REC_LIST_RECORDS);
    ui::ReportList(List()).SetChecked(6, false);
    ui::ReportList(List()).SetChecked(7, false);
    Click(form, IDC_REC_START);

    XmlDocument document(xml);
    ASSERT_EQ(document.error, "");
    const auto roots = document.Select(L"RegistrySettings");
    ASSERT_EQ(roots.size(), 1u);
    EXPECT_EQ(roots[0].at("clsid"), "{A3CCFC41-DFDB-43a5-8D26-0FE8B954DA51}");
    const auto items = document.Select(L"RegistrySettings/Registry");
    const auto properties = document.Select(L"RegistrySettings/Registry/Properties");
    ASSERT_EQ(items.size(), 6u);
    ASSERT_EQ(properties.size(), 6u);
    std::set<std::string> uids;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto& item = items[i];
        const auto& p = properties[i];
        SCOPED_TRACE(item.at("desc"));
        EXPECT_EQ(item.at("clsid"), "{9CD4B2F4-923D-47f5-A062-E897DD1DAD50}");
        EXPECT_FALSE(item.at("name").empty());
        EXPECT_EQ(item.at("status"), item.at("name"));
        EXPECT_TRUE(Matches(item.at("changed"), "9999-99-99 99:99:99")) << item.at("changed");
        EXPECT_TRUE(Matches(item.at("uid"), "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}")) << item.at("uid");
        uids.insert(item.at("uid"));
        EXPECT_TRUE(!item.at("image").empty() && item.at("image").find_first_not_of("0123456789") == std::string::npos)
            << item.at("image");

        EXPECT_EQ(p.at("hive"), "HKEY_CURRENT_USER");
        const std::string key = p.at("key");
        EXPECT_TRUE(key == key_.Path() || key == sub) << key;
        EXPECT_EQ(p.at("default"), p.at("name").empty() ? "1" : "0");
        const std::string type = p.at("type");
        DWORD stored = 0;
        std::string data;
        const bool present = RawGet(key, p.at("name"), stored, data);
        if (p.at("action") == "D") {
            EXPECT_FALSE(present);
            continue;
        }
        ASSERT_EQ(p.at("action"), "U");
        ASSERT_TRUE(present);
        if (type == "REG_SZ") {
            EXPECT_EQ(stored, static_cast<DWORD>(REG_SZ));
            EXPECT_EQ(Sz(p.at("value")), data);
        } else if (type == "REG_DWORD") {
            EXPECT_EQ(stored, static_cast<DWORD>(REG_DWORD));
            ASSERT_TRUE(Matches(p.at("value"), "XXXXXXXX")) << p.at("value");
            EXPECT_EQ(Dword(std::stoul(p.at("value"), nullptr, 16)), data);
        } else {
            ASSERT_EQ(type, "REG_BINARY");
            EXPECT_EQ(stored, static_cast<DWORD>(REG_BINARY));
            std::string bytes;
            std::istringstream pairs(p.at("value"));
            for (std::string pair; pairs >> pair;)
                bytes += static_cast<char>(std::stoi(pair, nullptr, 16));
            EXPECT_EQ(bytes, data);
        }
    }
    EXPECT_EQ(uids.size(), items.size());
}

// A record written before the programs ran in UTF-8 holds single-byte text of the system's ANSI
// code page: restoring writes back that text, not replacement marks; binary values stay bytes.
TEST_F(RecordDialog, AnOlderRecordsSingleByteTextIsWrittenBackAsThatText)
{
    char number[8] = {};
    ::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, number, sizeof number);
    const UINT legacy = static_cast<UINT>(std::atoi(number));
    if (legacy == 0 || legacy == CP_UTF8)
        GTEST_SKIP() << "this system has no single-byte code page";
    const std::string old = "Caf\xE9 \xC9t\xE9";  // "Café Été" in the Western code page
    std::wstring expected(old.size(), L'\0');
    expected.resize(static_cast<std::size_t>(
        ::MultiByteToWideChar(legacy, 0, old.data(), static_cast<int>(old.size()), &expected[0], static_cast<int>(old.size()))));
    ASSERT_EQ(expected.find(L'\xFFFD'), std::wstring::npos);

    const std::string file = folder_.File("older.rwr");
    const std::string bytes("\xE9\x00\xC9", 3);
    WriteRecordFile(file, {Row("Text row", key_.Path(), "Text", 0, old, "new"),
                           Row("Bytes row", key_.Path(), "Bytes", 2, bytes, "\x01")});
    RawSetString(key_.Path(), "Text", "new");
    RawSet(key_.Path(), "Bytes", REG_BINARY, "\x01", 1);
    Open(TKeltRecForm::kRestore, file);
    Click(form_->Handle(), IDC_REC_START);
    EXPECT_TRUE(WideValue(HKEY_CURRENT_USER, FromUtf8(key_.Path()), L"Text") == expected);
    EXPECT_EQ(Registry("Bytes"), bytes);
}
