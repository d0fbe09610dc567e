// The two plug-in dialogs driven through their controls, on throw-away plug-in folders with the
// test plug-ins: every message, caption and icon, the tree by kind, details, uninstall, running
// a plug-in from the tree, the option check boxes, and the three ways to install.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "plugins/host/config_plugin_form.h"
#include "plugins/host/inst_plugin_form.h"
#include "plugins/host/plugin_help.h"
#include "plugins/host/plugin_host_ids.h"
#include "plugins/host/plugin_manager.h"
#include "plugins/host/plugin_options.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "ui/hint.h"
#include "ui/scroll_box.h"
#include "ui/seams.h"

namespace kelt {
namespace {

using testing::PluginFolder;

struct Options : JTPluginHostOptions {
    bool scan = false, autoInst = true;
    int saves = 0;
    bool ScanPlugins() const override { return scan; }
    void SetScanPlugins(bool value) override { scan = value; }
    bool AutoInst() const override { return autoInst; }
    void SetAutoInst(bool value) override { autoInst = value; }
    bool UseXPMenu() const override { return false; }
    void Save() override { ++saves; }
};

void Click(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

bool Enabled(HWND dialog, int id)
{
    return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE;
}

class PluginDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::DialogSeams seams = messages.Seams();
        seams.openFile = [this](HWND, ui::FileDialogRequest& request) {
            fileRequests.push_back(request);
            if (chosenFile.empty())
                return false;
            request.fileName = chosenFile;
            return true;
        };
        seams.browseFolder = [this](HWND, ui::FolderRequest& request) {
            folderTitles.push_back(request.title);
            if (chosenFolder.empty())
                return false;
            request.folder = chosenFolder;
            return true;
        };
        scripted_ = std::make_unique<ui::ScopedSeams>(seams);
        manager = std::make_unique<JTPluginManager>(host.Handle());
        manager->SetPluginFolder(folder.Plugins());
        manager->SetProgramFolder(folder.Root());
        manager->OpenRegistry();
    }
    void TearDown() override
    {
        manager.reset();
        scripted_.reset();
    }
    // Registers the named test plug-ins (copied into the plug-in folder) and loads them.
    void Registered(const std::string& ini, const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            folder.Add(name);
        PluginFolder::Write(folder.Ini(), ini);
        manager->LoadRegistry();
    }

    testing::TopWindow host;
    PluginFolder folder;
    testing::MessageScript messages;
    std::vector<ui::FileDialogRequest> fileRequests;
    std::vector<std::string> folderTitles;
    std::string chosenFile, chosenFolder;
    std::unique_ptr<JTPluginManager> manager;

private:
    std::unique_ptr<ui::ScopedSeams> scripted_;
};

// ---------------------------------------------------------------- configuration dialog

class ConfigDialogTest : public PluginDialogTest {
protected:
    void Open()
    {
        form = std::make_unique<TKeltConfigPluginForm>(&changed, options, *manager);
        ASSERT_TRUE(form->CreateModeless(host.Handle()));
        dialog = form->Handle();
    }
    void TearDown() override
    {
        form.reset();
        PluginDialogTest::TearDown();
    }
    // "Kind[child|child]|Kind[...]" as the tree shows it.
    std::string TreeOutline() const
    {
        HWND tree = form->Tree();
        std::string outline;
        for (HTREEITEM kind = TreeView_GetRoot(tree); kind; kind = TreeView_GetNextSibling(tree, kind)) {
            outline += (outline.empty() ? "" : "|") + Text(kind) + "[";
            for (HTREEITEM child = TreeView_GetChild(tree, kind); child; child = TreeView_GetNextSibling(tree, child))
                outline += (child == TreeView_GetChild(tree, kind) ? "" : "|") + Text(child);
            outline += "]";
        }
        return outline;
    }
    std::string Text(HTREEITEM node) const
    {
        char buffer[256] = {};
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        ::SendMessageA(form->Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    HTREEITEM Node(const std::string& text) const
    {
        HWND tree = form->Tree();
        for (HTREEITEM kind = TreeView_GetRoot(tree); kind; kind = TreeView_GetNextSibling(tree, kind)) {
            if (Text(kind) == text)
                return kind;
            for (HTREEITEM child = TreeView_GetChild(tree, kind); child; child = TreeView_GetNextSibling(tree, child))
                if (Text(child) == text)
                    return child;
        }
        return nullptr;
    }
    void Select(const std::string& text) { TreeView_SelectItem(form->Tree(), Node(text)); }
    void DoubleClick()
    {
        ::SetCursorPos(0, 0);  // away from the tree: the double click goes to the selection
        NMHDR header{form->Tree(), IDC_CFG_PLUGINS, static_cast<UINT>(NM_DBLCLK)};
        ::SendMessageA(dialog, WM_NOTIFY, IDC_CFG_PLUGINS, reinterpret_cast<LPARAM>(&header));
    }
    std::string Field(int id) const { return form->ItemText(id); }

    Options options;
    int changed = 0;
    std::unique_ptr<TKeltConfigPluginForm> form;
    HWND dialog = nullptr;
};

const char kThreeKinds[] = "[Security]\r\nAlpha.KTP=\r\nMissing.KTP=\r\nGamma.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n";

TEST_F(ConfigDialogTest, ListsPluginsByKindWithFailedOnesAndShowsDetails)
{
    Registered(kThreeKinds, {"Alpha", "Beta", "Gamma"});
    Open();
    EXPECT_EQ("Config plugins", ui::WindowText(dialog));
    EXPECT_EQ("Security[Alpha|Gamma|Missing.KTP (file not found)]|Clear[Beta]", TreeOutline());
    EXPECT_FALSE(form->NodePlugin(Node("Missing.KTP (file not found)")));
    EXPECT_TRUE(form->NodeFailure(Node("Missing.KTP (file not found)")));
    EXPECT_FALSE(Enabled(dialog, IDC_CFG_UNINSTALL));

    Select("Alpha");
    EXPECT_EQ("Alpha", Field(IDC_CFG_NAME));
    EXPECT_EQ("1.0", Field(IDC_CFG_VERSION));
    EXPECT_EQ("Tests", Field(IDC_CFG_AUTHOR));
    EXPECT_EQ(folder.Plugins() + "\\Alpha.KTP", Field(IDC_CFG_FILE));
    EXPECT_EQ("", Field(IDC_CFG_DESCRIPTION));
    EXPECT_TRUE(::SendDlgItemMessageA(dialog, IDC_CFG_GLYPH, STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_TRUE(Enabled(dialog, IDC_CFG_UNINSTALL));

    Select("Missing.KTP (file not found)");
    EXPECT_EQ("", Field(IDC_CFG_NAME));
    EXPECT_EQ(folder.Plugins() + "\\Missing.KTP", Field(IDC_CFG_FILE));
    EXPECT_EQ("This plugin is registered but could not be loaded: file not found.", Field(IDC_CFG_DESCRIPTION));
    EXPECT_TRUE(Enabled(dialog, IDC_CFG_UNINSTALL));

    Select("Security");
    for (int id : {IDC_CFG_NAME, IDC_CFG_VERSION, IDC_CFG_AUTHOR, IDC_CFG_FILE})
        EXPECT_EQ("", Field(id));
    EXPECT_FALSE(::SendDlgItemMessageA(dialog, IDC_CFG_GLYPH, STM_GETIMAGE, IMAGE_BITMAP, 0));
    EXPECT_FALSE(Enabled(dialog, IDC_CFG_UNINSTALL));
}

TEST_F(ConfigDialogTest, CloseStoresBothScanOptionsAndOtherWaysOutStoreNothing)
{
    struct Case {
        bool scan, autoInst;
    };
    for (Case c : {Case{false, true}, Case{true, false}}) {
        options.scan = c.scan;
        options.autoInst = c.autoInst;
        Open();
        EXPECT_EQ(c.scan, form->IsChecked(IDC_CFG_SCAN_PLUGINS));
        EXPECT_EQ(c.autoInst, form->IsChecked(IDC_CFG_AUTO_INST));
        form->SetChecked(IDC_CFG_SCAN_PLUGINS, !c.scan);
        form->SetChecked(IDC_CFG_AUTO_INST, !c.autoInst);
        Click(dialog, IDCANCEL);
        EXPECT_EQ(c.scan, options.scan);
        EXPECT_EQ(0, options.saves);

        Open();
        form->SetChecked(IDC_CFG_SCAN_PLUGINS, !c.scan);
        form->SetChecked(IDC_CFG_AUTO_INST, !c.autoInst);
        Click(dialog, IDC_CFG_CLOSE);
        EXPECT_EQ(!c.scan, options.scan);
        EXPECT_EQ(!c.autoInst, options.autoInst);
        EXPECT_EQ(1, options.saves);
        options.saves = 0;
        EXPECT_EQ(0, changed);
    }
}

TEST_F(ConfigDialogTest, UninstallAsksAndTakesAnEmptiedKindWithIt)
{
    Registered(kThreeKinds, {"Alpha", "Beta", "Gamma"});
    ui::ScrollBox box;
    ASSERT_TRUE(box.CreateIn(host.Handle(), 0, 0, 200, 40));
    manager->SetBarBox(box.Handle());
    manager->BuildBar();
    Open();

    Select("Beta");
    messages.answers = {IDCANCEL};
    Click(dialog, IDC_CFG_UNINSTALL);
    ASSERT_EQ(1u, messages.boxes.size());
    EXPECT_EQ("Do you really want to uninstall the plugin:Beta", messages.boxes[0].text);
    EXPECT_EQ("Warning", messages.boxes[0].caption);
    EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONQUESTION), messages.boxes[0].flags);
    EXPECT_EQ(3, manager->Plugins().Count());
    EXPECT_EQ(0, changed);

    Click(dialog, IDC_CFG_UNINSTALL);  // OK this time
    EXPECT_EQ("Security[Alpha|Gamma|Missing.KTP (file not found)]", TreeOutline());
    EXPECT_EQ(2, manager->Plugins().Count());
    EXPECT_EQ(1, changed);
    // The bar was rebuilt without a gap.
    RECT gamma;
    ::GetWindowRect(manager->Plugins().At(1)->BarButton()->Handle(), &gamma);
    ::MapWindowPoints(nullptr, box.Area(), reinterpret_cast<POINT*>(&gamma), 2);
    EXPECT_EQ(32, gamma.left);

    Select("Alpha");
    Click(dialog, IDC_CFG_UNINSTALL);  // one of two: the kind stays
    EXPECT_EQ("Security[Gamma|Missing.KTP (file not found)]", TreeOutline());

    // A greyed entry goes out of the registry too.
    Select("Missing.KTP (file not found)");
    Click(dialog, IDC_CFG_UNINSTALL);
    EXPECT_EQ("Do you really want to uninstall the plugin:Missing.KTP", messages.boxes.back().text);
    EXPECT_EQ("Security[Gamma]", TreeOutline());
    EXPECT_EQ(std::vector<std::string>{"Gamma.KTP"}, ProfileKeyNames(folder.Ini(), "Security"));
}

TEST_F(ConfigDialogTest, DoubleClickRunsThePluginModalOverTheDialog)
{
    Registered(kThreeKinds, {"Alpha", "Beta", "Gamma"});
    Open();
    ::EnableWindow(host.Handle(), FALSE);  // as the modal configuration dialog leaves it

    Select("Security");
    {
        testing::WhenWindowOpens script("Test tool", nullptr);
        DoubleClick();
        EXPECT_FALSE(script.Seen());
    }

    Select("Gamma");
    HWND owner = nullptr;
    bool dialogEnabled = true;
    {
        testing::WhenWindowOpens script("Test tool Gamma", [&](HWND tool) {
            owner = ::GetWindow(tool, GW_OWNER);
            dialogEnabled = ::IsWindowEnabled(dialog) != FALSE;
        });
        DoubleClick();
        ASSERT_TRUE(script.Seen());
    }
    EXPECT_EQ(dialog, owner);
    EXPECT_FALSE(dialogEnabled);
    EXPECT_TRUE(::IsWindowEnabled(dialog));
    EXPECT_FALSE(::IsWindowEnabled(host.Handle()));  // what was disabled before stays so
    ::EnableWindow(host.Handle(), TRUE);
}

TEST_F(ConfigDialogTest, InstallOpensTheInstallationDialogAndHelpShowsTheTopic)
{
    Registered("[Security]\r\nAlpha.KTP=\r\n", {"Alpha"});
    folder.Add("Beta");
    manager->ScanFolder("", nullptr);
    Open();
    std::vector<std::string> shown;
    PluginHelpHandler previous = SetPluginHelpHandler([&](HWND, const std::string& path) { shown.push_back(path); });
    Click(dialog, IDC_CFG_HELP);
    SetPluginHelpHandler(previous);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(PluginHelpPath(), shown[0]);
    EXPECT_EQ("keltrix.chm::/plugins.htm", shown[0].substr(shown[0].rfind('\\') + 1));

    // The installation dialog lists what was found; installing there refills the tree.
    HWND installOwner = nullptr;
    {
        testing::WhenWindowOpens script("Install new plugins", [&](HWND install) {
            installOwner = ::GetWindow(install, GW_OWNER);
            ListView_SetItemState(::GetDlgItem(install, IDC_INS_PLUGINS), 0, LVIS_SELECTED, LVIS_SELECTED);
            Click(install, IDC_INS_INSTALL);
        });
        Click(dialog, IDC_CFG_INSTALL);
        ASSERT_TRUE(script.Seen());
    }
    EXPECT_EQ(dialog, installOwner);
    EXPECT_EQ(1, changed);
    EXPECT_EQ("Security[Alpha]|Clear[Beta]", TreeOutline());
}

// The help file of the program folder holds the topic the dialogs open and the one for authors.
TEST(PluginHelpFile, HoldsThePluginTopics)
{
    std::ifstream in(testing::WindowsPathOf("KELT_STAGE_DIR") + "\\keltrix.chm", std::ios::binary);
    const std::string chm((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, chm.find("/plugins.htm"));
    EXPECT_NE(std::string::npos, chm.find("/writeplugin.htm"));
}

// ---------------------------------------------------------------- installation dialog

class InstallDialogTest : public PluginDialogTest {
protected:
    void Open(int mode = TKeltInstPluginForm::kShowFound)
    {
        form = std::make_unique<TKeltInstPluginForm>(&installed, mode, *manager);
        ASSERT_TRUE(form->CreateModeless(host.Handle()));
        dialog = form->Handle();
    }
    void TearDown() override
    {
        form.reset();
        PluginDialogTest::TearDown();
    }
    void SelectRow(int row)
    {
        ListView_SetItemState(::GetDlgItem(dialog, IDC_INS_PLUGINS), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::vector<std::string> RowNames() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < form->RowCount(); ++row)
            names.push_back(form->RowText(row, 0));
        return names;
    }
    std::string LastBox() const
    {
        if (messages.boxes.empty())
            return "(none)";
        const auto& box = messages.boxes.back();
        return box.caption + "/" + std::to_string(box.flags) + ": " + box.text;
    }

    int installed = 0;
    std::unique_ptr<TKeltInstPluginForm> form;
    HWND dialog = nullptr;
};

TEST_F(InstallDialogTest, OpensOnThePluginFolderListingWhatWasFound)
{
    folder.Add("Alpha");
    folder.Add("Beta");
    manager->ScanFolder("", nullptr);
    Open();
    EXPECT_EQ("Install new plugins", ui::WindowText(dialog));
    EXPECT_EQ(folder.Plugins(), form->ItemText(IDC_INS_FOLDER));
    ASSERT_EQ(2, form->RowCount());
    for (int row = 0; row < 2; ++row) {
        JTPlugin* plugin = manager->NewPlugins().At(row);
        EXPECT_EQ(plugin, form->RowPlugin(row));
        EXPECT_EQ(plugin->Name(), form->RowText(row, 0));
        EXPECT_EQ("1.0", form->RowText(row, 1));
        EXPECT_EQ(plugin->FileName(), form->RowText(row, 2));
    }
    EXPECT_EQ("New plugins :2", form->StatusText());
    EXPECT_TRUE(Enabled(dialog, IDC_INS_INSTALL_ALL));
    EXPECT_FALSE(Enabled(dialog, IDC_INS_INSTALL));
    EXPECT_EQ("Scan the plugin folder for new avaible plugins!", ui::GetHint(::GetDlgItem(dialog, IDC_INS_SCAN)));
    SelectRow(1);
    EXPECT_TRUE(Enabled(dialog, IDC_INS_INSTALL));

}

TEST_F(InstallDialogTest, ScanBrowseAndClearReportWhatTheyDid)
{
    const std::string source = folder.Folder("source");
    folder.Add("Alpha", source);
    folder.Add("NotAPlugin", source);
    Open();

    SetWindowTextA(::GetDlgItem(dialog, IDC_INS_FOLDER), (folder.Root() + "\\nowhere").c_str());
    Click(dialog, IDC_INS_SCAN);
    EXPECT_EQ("Error/16: Folder:" + folder.Root() + "\\nowhere Not Exist!", LastBox());

    Click(dialog, IDC_INS_BROWSE);  // cancelled: the text stays
    EXPECT_EQ(folder.Root() + "\\nowhere", form->ItemText(IDC_INS_FOLDER));
    chosenFolder = source;
    Click(dialog, IDC_INS_BROWSE);
    EXPECT_EQ(source, form->ItemText(IDC_INS_FOLDER));
    EXPECT_EQ((std::vector<std::string>{"Select Directory to Search In!", "Select Directory to Search In!"}),
              folderTitles);

    Click(dialog, IDC_INS_SCAN);
    EXPECT_EQ("Information/64: New plugins :1", LastBox());
    EXPECT_EQ((std::vector<std::string>{"Alpha"}), RowNames());
    Click(dialog, IDC_INS_SCAN);  // the same folder again lists nothing twice
    EXPECT_EQ("Information/64: New plugins :1", LastBox());
    EXPECT_EQ(1, form->RowCount());

    SelectRow(0);
    Click(dialog, IDC_INS_CLEAR);
    EXPECT_EQ(0, form->RowCount());
    EXPECT_TRUE(manager->NewPlugins().Empty());
    EXPECT_FALSE(Enabled(dialog, IDC_INS_INSTALL));
    EXPECT_FALSE(Enabled(dialog, IDC_INS_INSTALL_ALL));
    EXPECT_EQ(0, installed);
}

TEST_F(InstallDialogTest, InstallAllKeepsTheRowWhoseOverwriteWasCancelled)
{
    const std::string source = folder.Folder("source");
    for (const char* name : {"Alpha", "Beta", "Gamma"})
        folder.Add(name, source);
    folder.Add("Alpha", "", "Beta.KTP");  // Beta's name is taken in the plug-in folder
    manager->ScanFolder(source, nullptr);
    Open();
    ASSERT_EQ(3, form->RowCount());
    const std::vector<std::string> order = RowNames();

    // Every install succeeds but Beta's, whose overwrite question is cancelled.
    for (const std::string& name : order) {
        if (name == "Beta")
            messages.answers.push_back(IDCANCEL);
        messages.answers.push_back(IDOK);
    }
    Click(dialog, IDC_INS_INSTALL_ALL);
    EXPECT_EQ((std::vector<std::string>{"Beta"}), RowNames());
    EXPECT_EQ(1, installed);
    std::vector<std::string> seen;
    for (const auto& box : messages.boxes)
        seen.push_back(box.caption + ": " + box.text);
    std::vector<std::string> expected;
    for (const std::string& name : order) {
        if (name == "Beta") {
            expected.push_back("Warning: File" + folder.Plugins() + "\\Beta.KTP already exists!Overwrite it?");
            expected.push_back("Error: Fail to Load Plugin");
        } else {
            expected.push_back("Information: Successfully loaded plugin:" + folder.Plugins() + "\\" + name + ".KTP");
        }
    }
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(2, manager->Plugins().Count());
}

// A plug-in registry that cannot be written (here: locked by another program): nothing claims
// the plug-in was installed.
TEST_F(InstallDialogTest, NoSuccessIsReportedWhenTheRegistryCannotBeWritten)
{
    folder.Add("Alpha");
    PluginFolder::Write(folder.Ini(), "");
    manager->ScanFolder("", nullptr);
    Open();
    HANDLE lock = ::CreateFileA(folder.Ini().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    SelectRow(0);
    Click(dialog, IDC_INS_INSTALL);
    ::CloseHandle(lock);
    std::vector<std::string> seen;
    for (const auto& box : messages.boxes)
        seen.push_back(box.caption + ": " + box.text);
    EXPECT_EQ((std::vector<std::string>{
                  "Error: The plugin Alpha could not be registered: " + folder.Ini() + " could not be written!",
                  "Error: Fail to Load Plugin"}),
              seen);
    EXPECT_EQ(0, installed);
    EXPECT_EQ(1, form->RowCount());
    EXPECT_TRUE(manager->Plugins().Empty());
}

TEST_F(InstallDialogTest, InstallFromFileAsksForAKtpFileAndRejectsOthers)
{
    const std::string source = folder.Folder("source");
    Open();
    Click(dialog, IDC_INS_FROM_FILE);  // cancelled
    ASSERT_EQ(1u, fileRequests.size());
    EXPECT_EQ("Install a plugin from selected file", fileRequests[0].title);
    EXPECT_EQ("*.KTP", fileRequests[0].fileName);
    EXPECT_EQ("Keltrix Plugin(*.KTP)|*.KTP", fileRequests[0].filter);
    EXPECT_EQ(folder.Plugins(), fileRequests[0].initialDir);
    EXPECT_TRUE(messages.boxes.empty());

    chosenFile = folder.Add("NoGlyph", source);
    Click(dialog, IDC_INS_FROM_FILE);
    EXPECT_EQ("Error/16: " + chosenFile + " is not a available plugin!", LastBox());
    EXPECT_EQ(0, form->RowCount());

    // Built for the other processor: refused with that reason.
    chosenFile = folder.Add("Beta", source);
    PluginFolder::MakeForeign(chosenFile);
    Click(dialog, IDC_INS_FROM_FILE);
#if defined(_WIN64)
    EXPECT_EQ("Error/16: " + chosenFile +
                  " is a 32-bit plugin, but this Keltrix is a 64-bit program: it loads only 64-bit plugins!",
              LastBox());
#endif
    EXPECT_EQ(0, form->RowCount());

    chosenFile = folder.Add("Gamma", source);
    Click(dialog, IDC_INS_FROM_FILE);
    EXPECT_EQ("Information/64: Successfully loaded plugin:" + folder.Plugins() + "\\Gamma.KTP", LastBox());
    EXPECT_EQ(0, form->RowCount());
    EXPECT_EQ(1, installed);
    ASSERT_EQ(1, manager->Plugins().Count());
    EXPECT_EQ("[Security]\r\nGamma.KTP=\r\n", PluginFolder::Read(folder.Ini()));

}

} // namespace
} // namespace kelt
