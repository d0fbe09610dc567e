// The plug-in manager on throw-away plug-in folders: the registry file, scans, installing and
// uninstalling, the kind submenus and the glyph bar, and the start-up sequence.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "plugins/host/plugin_library.h"
#include "plugins/host/plugin_manager.h"
#include "plugins/host/plugin_options.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "ui/scroll_box.h"
#include "ui/seams.h"

namespace kelt {
namespace {

using testing::PluginFolder;

struct Options : JTPluginHostOptions {
    bool scan = true, autoInst = false;
    int saves = 0;
    bool ScanPlugins() const override { return scan; }
    void SetScanPlugins(bool value) override { scan = value; }
    bool AutoInst() const override { return autoInst; }
    void SetAutoInst(bool value) override { autoInst = value; }
    bool UseXPMenu() const override { return false; }
    void Save() override { ++saves; }
};

class PluginManagerTest : public ::testing::Test {
protected:
    void SetUp() override { scripted_ = std::make_unique<ui::ScopedSeams>(messages.Seams()); }
    void TearDown() override { scripted_.reset(); }

    std::unique_ptr<JTPluginManager> NewManager()
    {
        auto manager = std::make_unique<JTPluginManager>(host.Handle());
        manager->SetPluginFolder(folder.Plugins());
        manager->SetProgramFolder(folder.Root());
        manager->OpenRegistry();
        return manager;
    }
    static std::vector<std::string> Names(PluginList& list)
    {
        std::vector<std::string> names;
        for (int i = 0; i < list.Count(); ++i)
            names.push_back(list.At(i)->Name());
        return names;
    }
    // Captions of a menu's items, a submenu's own items in brackets.
    static std::string MenuOutline(HMENU menu)
    {
        std::string outline;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            char caption[128] = {};
            ::GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
            outline += outline.empty() ? "" : "|";
            outline += *caption ? caption : "-";
            if (HMENU sub = ::GetSubMenu(menu, i))
                outline += "[" + MenuOutline(sub) + "]";
        }
        return outline;
    }

    testing::TopWindow host;
    PluginFolder folder;
    testing::MessageScript messages;

private:
    std::unique_ptr<ui::ScopedSeams> scripted_;
};

TEST_F(PluginManagerTest, EmptyOrMissingRegistryLoadsNothing)
{
    for (bool present : {false, true}) {
        if (present)
            PluginFolder::Write(folder.Ini(), "");
        auto manager = NewManager();
        EXPECT_TRUE(manager->LoadRegistry());
        EXPECT_TRUE(manager->Plugins().Empty());
        EXPECT_TRUE(manager->FailedPlugins().empty());
    }
}

TEST_F(PluginManagerTest, LoadsRegisteredPluginsInFileOrderAndKeepsFailedKeys)
{
    folder.Add("Alpha");
    folder.Add("Beta");
    folder.Add("NoDone");
    const std::string ini = "[Security]\r\nAlpha.KTP=\r\nMissing.KTP=\r\nNoDone.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n";
    PluginFolder::Write(folder.Ini(), ini);
    HWND bar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, host.Handle(), nullptr, nullptr,
                                 nullptr);
    auto manager = NewManager();
    manager->SetProgress(bar);

    EXPECT_FALSE(manager->LoadRegistry());
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names(manager->Plugins()));
    EXPECT_EQ((std::vector<std::string>{"Alpha.KTP", "Beta.KTP"}), manager->InstalledFiles());
    EXPECT_TRUE(manager->IsInstalled("alpha.ktp"));
    EXPECT_FALSE(manager->IsInstalled("NoDone.KTP"));
    ASSERT_EQ(2u, manager->FailedPlugins().size());
    EXPECT_EQ("Security", manager->FailedPlugins()[0].kind);
    EXPECT_EQ("Missing.KTP", manager->FailedPlugins()[0].fileName);
    EXPECT_EQ("file not found", manager->FailedPlugins()[0].reason);
    EXPECT_EQ("missing export DonePlugin", manager->FailedPlugins()[1].reason);
    EXPECT_EQ(ini, PluginFolder::Read(folder.Ini()));
    EXPECT_TRUE(messages.boxes.empty());
    // Two sections: 0 after the first, 50 after the last, never 100.
    EXPECT_EQ(50, ::SendMessageA(bar, PBM_GETPOS, 0, 0));
}

TEST_F(PluginManagerTest, SectionWithoutANameDoesNotHideTheSectionsAfterIt)
{
    folder.Add("Alpha");
    folder.Add("Beta");
    PluginFolder::Write(folder.Ini(), "[]\r\nAlpha.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n");
    auto manager = NewManager();
    manager->LoadRegistry();
    ASSERT_FALSE(manager->Plugins().Empty());
    EXPECT_EQ("Beta", manager->Plugins().At(manager->Plugins().Count() - 1)->Name());
}

TEST_F(PluginManagerTest, ScansOrdinaryPluginFilesOnceAndSkipsInstalledOnes)
{
    auto manager = NewManager();
    const std::string empty = folder.Folder("empty");
    const std::string source = folder.Folder("source");
    for (const char* name : {"Alpha", "Beta", "Gamma", "NotAPlugin", "NoDone"})
        folder.Add(name, source);
    ::SetFileAttributesA((source + "\\Gamma.KTP").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ::CreateDirectoryA((source + "\\Folder.KTP").c_str(), nullptr);

    EXPECT_EQ(2, manager->ScanFolder(source, manager->NewPlugins()));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names(manager->NewPlugins()));
    EXPECT_EQ("Alpha", manager->NewPlugins().TextAt(0));
    // A second scan does not list the same files again.
    EXPECT_EQ(2, manager->ScanFolder(source, manager->NewPlugins()));
    // A folder without plug-in files answers 0 whatever the list holds.
    EXPECT_EQ(0, manager->ScanFolder(empty, manager->NewPlugins()));
    EXPECT_EQ(2, manager->NewPlugins().Count());

    // An installed file name is left out of every scan.
    ASSERT_TRUE(manager->Install(manager->NewPlugins().At(0)));
    PluginList fresh;
    EXPECT_EQ(1, manager->ScanFolder(source, fresh));
    EXPECT_EQ("Beta", fresh.At(0)->Name());
}

TEST_F(PluginManagerTest, InstallRegistersCopiesAndAsksBeforeOverwriting)
{
    auto manager = NewManager();
    // From the plug-in folder itself: no copy, registered under its kind, Version.ini written.
    folder.Add("Alpha");
    manager->ScanFolder("", nullptr);
    JTPlugin* alpha = manager->Install(manager->NewPlugins().At(0));
    ASSERT_TRUE(alpha);
    EXPECT_TRUE(manager->NewPlugins().Empty());
    EXPECT_EQ(alpha, manager->Plugins().At(0));
    EXPECT_EQ(folder.Plugins() + "\\Alpha.KTP", alpha->FileName());
    EXPECT_EQ("[Security]\r\nAlpha.KTP=\r\n", PluginFolder::Read(folder.Ini()));
    EXPECT_EQ("[Plugins]\r\nAlpha=1.0\r\n", PluginFolder::Read(folder.VersionIni()));
    EXPECT_TRUE(messages.boxes.empty());

    // From outside with no file of that name in the folder: copied without a question.
    const std::string outside = folder.Folder("outside");
    folder.Add("Beta", outside);
    ASSERT_EQ(1, manager->ScanFolder(outside, nullptr));
    JTPlugin* beta = manager->Install(manager->NewPlugins().At(0));
    ASSERT_TRUE(beta);
    EXPECT_EQ(folder.Plugins() + "\\Beta.KTP", beta->FileName());
    EXPECT_TRUE(PluginFolder::Exists(folder.Plugins() + "\\Beta.KTP"));
    EXPECT_TRUE(messages.boxes.empty());

    // From outside over a file of that name: Cancel keeps the old file and the found entry.
    folder.Add("Beta", "", "Gamma.KTP");  // a stand-in under Gamma's name
    folder.Add("Gamma", outside);
    ASSERT_EQ(1, manager->ScanFolder(outside, nullptr, true));
    messages.answers = {IDCANCEL};
    EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
    ASSERT_EQ(1u, messages.boxes.size());
    EXPECT_EQ("File" + folder.Plugins() + "\\Gamma.KTP already exists!Overwrite it?", messages.boxes[0].text);
    EXPECT_EQ("Warning", messages.boxes[0].caption);
    EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONQUESTION), messages.boxes[0].flags);
    EXPECT_EQ(1, manager->NewPlugins().Count());
    JTPlugin standIn(0, folder.Plugins() + "\\Gamma.KTP");
    ASSERT_EQ(plrLoaded, standIn.Load());
    EXPECT_EQ("Beta", standIn.Name());
    standIn.FreeModule();
    // OK overwrites it.
    messages.answers = {IDOK};
    JTPlugin* gamma = manager->Install(manager->NewPlugins().At(0));
    ASSERT_TRUE(gamma);
    EXPECT_EQ("Gamma", gamma->Name());
    EXPECT_EQ("[Security]\r\nAlpha.KTP=\r\nGamma.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n", PluginFolder::Read(folder.Ini()));
}

TEST_F(PluginManagerTest, FolderSpeltInOtherCaseCountsAsOutside)
{
    auto manager = NewManager();
    folder.Add("Alpha");
    std::string upper = folder.Plugins();
    upper.replace(upper.size() - 7, 7, "PLUGINS");
    ASSERT_EQ(1, manager->ScanFolder(upper, nullptr));
    messages.answers = {IDCANCEL};
    EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
    ASSERT_EQ(1u, messages.boxes.size());
    EXPECT_EQ("Warning", messages.boxes[0].caption);
    EXPECT_TRUE(PluginFolder::Exists(folder.Plugins() + "\\Alpha.KTP"));
}

TEST_F(PluginManagerTest, ReportsACopyThatFails)
{
    auto manager = NewManager();
    const std::string source = folder.Folder("source");
    folder.Add("Alpha", source);
    ::CreateDirectoryA((folder.Plugins() + "\\Alpha.KTP").c_str(), nullptr);  // in the way of the copy
    ASSERT_EQ(1, manager->ScanFolder(source, nullptr));
    EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
    ASSERT_EQ(1u, messages.boxes.size());
    EXPECT_EQ("Error when copying file!", messages.boxes[0].text);
    EXPECT_EQ("Error", messages.boxes[0].caption);
    EXPECT_EQ(1, manager->NewPlugins().Count());
    EXPECT_TRUE(manager->Plugins().Empty());
}

TEST_F(PluginManagerTest, RefusesAFileNameThatIsAlreadyInstalled)
{
    auto manager = NewManager();
    folder.Add("Alpha");
    const std::string other = folder.Folder("other");
    folder.Add("Alpha", other);
    manager->ScanFolder("", nullptr);
    ASSERT_TRUE(manager->Install(manager->NewPlugins().At(0)));
    // Listed before the first was installed: the second copy would load the tool twice.
    auto twin = std::make_unique<JTPlugin>(0, other + "\\Alpha.KTP");
    ASSERT_EQ(plrLoaded, twin->Load());
    EXPECT_EQ(nullptr, manager->Install(std::move(twin)));
    ASSERT_EQ(1u, messages.boxes.size());
    EXPECT_EQ("The plugin file Alpha.KTP is already installed!", messages.boxes[0].text);
    EXPECT_EQ("Error", messages.boxes[0].caption);
    EXPECT_EQ(1, manager->Plugins().Count());
    EXPECT_TRUE(manager->NewPlugins().Empty());
}

TEST_F(PluginManagerTest, KindSubmenusFollowTheExistingItemsAndGoWithTheirLastEntry)
{
    ui::UniqueMenu root(::CreatePopupMenu());
    ::AppendMenuA(root.get(), MF_STRING, 3001, "Config plugins...");
    ::AppendMenuA(root.get(), MF_SEPARATOR, 0, nullptr);
    auto manager = NewManager();
    manager->SetMenuRoot(root.get());
    // Installed in this order: kinds Security, Clear, Security.
    const std::string source = folder.Folder("source");
    for (const char* name : {"Alpha", "Beta", "Gamma"}) {
        folder.Add(name, source);
        ASSERT_EQ(1, manager->ScanFolder(source, nullptr));
        ASSERT_TRUE(manager->Install(manager->NewPlugins().At(0)));
    }
    PluginList& plugins = manager->Plugins();

    ASSERT_TRUE(manager->BuildMenu());
    ASSERT_TRUE(manager->BuildMenu());  // nothing is added twice
    EXPECT_EQ("Config plugins...|-|Security[Alpha|Gamma]|Clear[Beta]", MenuOutline(root.get()));

    // A command runs its own plug-in.
    JTPlugin* gamma = plugins.At(plugins.IndexOfText("Gamma"));
    const int id = static_cast<int>(gamma->MenuItem()->CommandId());
    EXPECT_GE(id, kPluginCommandFirst);
    EXPECT_LE(id, kPluginCommandLast);
    {
        testing::WhenWindowOpens script("Test tool Gamma", nullptr);
        EXPECT_TRUE(manager->HandleCommand(id));
        EXPECT_TRUE(script.Seen());
    }
    EXPECT_FALSE(manager->HandleCommand(3001));

    JTPlugin* beta = plugins.At(plugins.IndexOfText("Beta"));
    ASSERT_TRUE(manager->Uninstall(beta));
    EXPECT_EQ("Config plugins...|-|Security[Alpha|Gamma]", MenuOutline(root.get()));
    ASSERT_TRUE(manager->Uninstall(plugins.At(plugins.IndexOfText("Alpha"))));
    EXPECT_EQ("Config plugins...|-|Security[Gamma]", MenuOutline(root.get()));
    EXPECT_FALSE(manager->HandleCommand(id + 100));
}

TEST_F(PluginManagerTest, CaptionSearchIgnoresCaseAndAcceleratorsAndSkipsPlainItems)
{
    folder.Add("Alpha");
    folder.Add("Beta");
    PluginFolder::Write(folder.Ini(), "[Security]\r\nAlpha.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n");
    ui::UniqueMenu root(::CreatePopupMenu());
    ::AppendMenuA(root.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), "&SECURITY");
    ::AppendMenuA(root.get(), MF_STRING, 3001, "Clear");
    auto manager = NewManager();
    manager->SetMenuRoot(root.get());
    manager->LoadRegistry();
    manager->BuildMenu();
    EXPECT_EQ("&SECURITY[Alpha]|Clear|Clear[Beta]", MenuOutline(root.get()));
}

// Bitmaps with the same pixels.
bool SamePicture(HBITMAP a, HBITMAP b)
{
    auto pixels = [](HBITMAP bitmap) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 32;
        info.bmiHeader.biHeight = 32;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        std::vector<DWORD> bits(32 * 32);
        HDC dc = ::GetDC(nullptr);
        ::GetDIBits(dc, bitmap, 0, 32, bits.data(), &info, DIB_RGB_COLORS);
        ::ReleaseDC(nullptr, dc);
        return bits;
    };
    return a && b && pixels(a) == pixels(b);
}

TEST_F(PluginManagerTest, BarButtonsSitSideBySideAndRunTheirOwnPlugin)
{
    for (const char* name : {"Alpha", "Beta", "Gamma"})
        folder.Add(name);
    PluginFolder::Write(folder.Ini(), "[Security]\r\nAlpha.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n[System]\r\nGamma.KTP=\r\n");
    ui::ScrollBox box;
    ASSERT_TRUE(box.CreateIn(host.Handle(), 0, 0, 300, 46));
    auto manager = NewManager();
    manager->SetBarBox(box.Handle());
    manager->LoadRegistry();
    ASSERT_TRUE(manager->BuildBar());
    const auto check = [&](const std::vector<std::string>& expected) {
        PluginList& plugins = manager->Plugins();
        ASSERT_EQ(static_cast<int>(expected.size()), plugins.Count());
        for (int i = 0; i < plugins.Count(); ++i) {
            SCOPED_TRACE(expected[static_cast<std::size_t>(i)]);
            ui::GlyphButton* button = plugins.At(i)->BarButton();
            ASSERT_TRUE(button);
            RECT rect;
            ::GetWindowRect(button->Handle(), &rect);
            ::MapWindowPoints(nullptr, box.Area(), reinterpret_cast<POINT*>(&rect), 2);
            EXPECT_EQ(32 * i, rect.left);
            EXPECT_EQ(0, rect.top);
            EXPECT_EQ(34, rect.right - rect.left);
            EXPECT_EQ(34, rect.bottom - rect.top);
            EXPECT_EQ(expected[static_cast<std::size_t>(i)], button->HintText());
            EXPECT_TRUE(SamePicture(plugins.At(i)->GlyphBitmap(), button->Glyph()));
            HWND owner = nullptr;
            testing::WhenWindowOpens script("Test tool " + expected[static_cast<std::size_t>(i)],
                                            [&](HWND tool) { owner = ::GetWindow(tool, GW_OWNER); });
            button->Click();
            EXPECT_TRUE(script.Seen());
            EXPECT_EQ(host.Handle(), owner);  // the manager hands over the host window
        }
    };
    check({"Alpha", "Beta", "Gamma"});
    EXPECT_EQ(10, box.BarSize());
    EXPECT_EQ(32, box.HorzIncrement());

    ASSERT_TRUE(manager->Uninstall(manager->Plugins().At(1)));
    ASSERT_TRUE(manager->BuildBar());
    check({"Alpha", "Gamma"});
}

// Uninstalling leaves the file, and the next start does not install it again; a scan from the
// installation dialog still finds it, and installing it clears the mark.
TEST_F(PluginManagerTest, UninstalledPluginStaysUninstalledAcrossStarts)
{
    folder.Add("Alpha");
    folder.Add("Beta");
    Options options;
    options.autoInst = true;
    {
        auto manager = NewManager();
        manager->RunStartupLoad(options, host.Handle());
        ASSERT_EQ(2, manager->Plugins().Count());
        ASSERT_TRUE(manager->Uninstall(manager->Plugins().At(0)));
        EXPECT_TRUE(PluginFolder::Exists(folder.Plugins() + "\\Alpha.KTP"));
        EXPECT_TRUE(manager->IsMarkedUninstalled("Alpha.KTP"));
    }
    {
        auto manager = NewManager();
        manager->RunStartupLoad(options, host.Handle());
        EXPECT_EQ((std::vector<std::string>{"Beta"}), Names(manager->Plugins()));
        EXPECT_TRUE(manager->NewPlugins().Empty());
        EXPECT_EQ(1, manager->ScanFolder(folder.Plugins(), manager->NewPlugins()));
        ASSERT_TRUE(manager->Install(manager->NewPlugins().At(0)));
        EXPECT_FALSE(manager->IsMarkedUninstalled("Alpha.KTP"));
    }
    auto manager = NewManager();
    options.scan = false;
    manager->RunStartupLoad(options, host.Handle());
    // Alpha's key went back into the [Security] section, which comes first.
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Beta"}), Names(manager->Plugins()));
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(PluginManagerTest, StartupAsksBeforeInstallingAndForgetsOnCancel)
{
    folder.Add("Alpha");
    Options options;
    auto manager = NewManager();
    messages.answers = {IDCANCEL};
    manager->RunStartupLoad(options, host.Handle());
    ASSERT_EQ(1u, messages.boxes.size());
    EXPECT_EQ("New Plugins have been found in the plugin folder!Do you like to install them now?",
              messages.boxes[0].text);
    EXPECT_EQ("Information", messages.boxes[0].caption);
    EXPECT_EQ(UINT(MB_OKCANCEL | MB_ICONQUESTION), messages.boxes[0].flags);
    EXPECT_TRUE(manager->NewPlugins().Empty());
    EXPECT_TRUE(manager->Plugins().Empty());

    // Scanning off: no scan, no question.
    options.scan = false;
    auto quiet = NewManager();
    quiet->RunStartupLoad(options, host.Handle());
    EXPECT_EQ(1u, messages.boxes.size());
}

// Every key of a file goes with its uninstall, whichever section holds it and however often;
// a key with a folder part never loads a library from elsewhere.
TEST_F(PluginManagerTest, UninstallRemovesEveryKeyAndKeysNeverLeaveThePluginFolder)
{
    folder.Add("Alpha");
    const std::string outside = folder.Add("Beta", folder.Folder("outside"));
    PluginFolder::Write(folder.Ini(), "[Other]\r\nAlpha.KTP=\r\n[Security]\r\nalpha.ktp=\r\n..\\outside\\Beta.KTP=\r\n");
    Options options;
    {
        auto manager = NewManager();
        manager->RunStartupLoad(options, host.Handle());
        EXPECT_EQ((std::vector<std::string>{"Alpha"}), Names(manager->Plugins()));
        EXPECT_EQ(nullptr, ::GetModuleHandleA(outside.c_str()));
        ASSERT_EQ(1u, manager->FailedPlugins().size());
        EXPECT_EQ("not a file of the plugin folder", manager->FailedPlugins()[0].reason);

        ASSERT_TRUE(manager->Uninstall(manager->Plugins().At(0)));
        ASSERT_TRUE(manager->UninstallFailed("..\\outside\\Beta.KTP"));
        EXPECT_TRUE(manager->FailedPlugins().empty());
    }
    for (const std::string& section : ProfileSectionNames(folder.Ini())) {
        if (section != JTPluginManager::kUninstalledSection)
            EXPECT_TRUE(ProfileKeyNames(folder.Ini(), section).empty()) << section;
    }
    auto manager = NewManager();
    manager->RunStartupLoad(options, host.Handle());
    EXPECT_TRUE(manager->Plugins().Empty());
    EXPECT_TRUE(manager->FailedPlugins().empty());
    EXPECT_TRUE(messages.boxes.empty());
}

// A registry file that cannot be written: nothing claims success, nothing changes.
TEST_F(PluginManagerTest, RegistryWritesThatFailAreReportedAndChangeNothing)
{
    folder.Add("Alpha");
    folder.Add("Beta");
    PluginFolder::Write(folder.Ini(), "[Security]\r\nAlpha.KTP=\r\n");
    auto manager = NewManager();
    manager->LoadRegistry();
    manager->ScanFolder("", nullptr);
    ASSERT_EQ(1, manager->NewPlugins().Count());
    const std::string before = PluginFolder::Read(folder.Ini());
    HANDLE lock = ::CreateFileA(folder.Ini().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);

    EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
    EXPECT_EQ(1, manager->NewPlugins().Count());
    EXPECT_FALSE(manager->IsInstalled("Beta.KTP"));
    EXPECT_FALSE(manager->Uninstall(manager->Plugins().At(0)));
    EXPECT_EQ(1, manager->Plugins().Count());
    EXPECT_TRUE(manager->IsInstalled("Alpha.KTP"));
    ::CloseHandle(lock);

    const std::string error = " " + folder.Ini() + " could not be written!";
    ASSERT_EQ(2u, messages.boxes.size());
    EXPECT_EQ("The plugin Beta could not be registered:" + error, messages.boxes[0].text);
    EXPECT_EQ("The plugin Alpha could not be uninstalled:" + error, messages.boxes[1].text);
    EXPECT_EQ("Error", messages.boxes[1].caption);
    EXPECT_EQ(UINT(MB_OK | MB_ICONERROR), messages.boxes[1].flags);
    EXPECT_EQ(before, PluginFolder::Read(folder.Ini()));
}

TEST_F(PluginManagerTest, RefusesNamesKindsAndVersionsTheRegistriesCannotHold)
{
    struct Case {
        std::string plugin, as, problem;
    } cases[] = {
        {"Alpha", "A=B.KTP", "its file name \"A=B.KTP\""},
        {"NoKind", "", "it names no kind"},
        {"MarksKind", "", "its kind \"~Uninstalled\""},
        {"BadVersion", "", "its version \"1.0\\r\\n[Program]\\r\\nKeltrix.exe=99.0\" holds a line break"},
    };
    auto manager = NewManager();
    int serial = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plugin);
        messages.boxes.clear();
        // A folder of its own: a library once loaded stays, and its file cannot be deleted.
        const std::string source = folder.Folder("source" + std::to_string(++serial));
        const std::string path = folder.Add(c.plugin, source, c.as);
        ASSERT_EQ(1, manager->ScanFolder(source, nullptr, true));
        EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
        ASSERT_EQ(1u, messages.boxes.size());
        EXPECT_EQ(0u, messages.boxes[0].text.find("The plugin " + path + " cannot be installed: " + c.problem));
        EXPECT_EQ("Error", messages.boxes[0].caption);
        manager->FreeList(manager->NewPlugins());
    }
    EXPECT_FALSE(PluginFolder::Exists(folder.Ini()));
    EXPECT_FALSE(PluginFolder::Exists(folder.VersionIni()));
    EXPECT_TRUE(manager->Plugins().Empty());
}

// A copy that does not load from the plug-in folder leaves the folder as it was and the found
// plug-in where it was; a registered file that failed to load is replaced by installing it.
TEST_F(PluginManagerTest, InstallingLeavesNothingHalfDoneAndReplacesAFailedEntry)
{
    auto manager = NewManager();
    const std::string source = folder.Folder("source");
    const std::string picky = folder.Add("Picky", source);
    ASSERT_EQ(1, manager->ScanFolder(source, nullptr));
    EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
    EXPECT_FALSE(PluginFolder::Exists(folder.Plugins() + "\\Picky.KTP"));
    ASSERT_EQ(1, manager->NewPlugins().Count());
    EXPECT_EQ(picky, manager->NewPlugins().At(0)->FileName());
    EXPECT_TRUE(manager->NewPlugins().At(0)->Module());
    // Over an older file of that name: the older file comes back.
    folder.Add("Alpha", "", "Picky.KTP");
    messages.answers = {IDOK};
    EXPECT_EQ(nullptr, manager->Install(manager->NewPlugins().At(0)));
    JTPlugin older(0, folder.Plugins() + "\\Picky.KTP");
    ASSERT_EQ(plrLoaded, older.Load());
    EXPECT_EQ("Alpha", older.Name());
    EXPECT_FALSE(PluginFolder::Exists(folder.Ini()));

    // Gamma.KTP registered under an old kind, its file no plug-in.
    folder.Add("NotAPlugin", "", "Gamma.KTP");
    PluginFolder::Write(folder.Ini(), "[Old]\r\nGamma.KTP=\r\n");
    manager->LoadRegistry();
    ASSERT_TRUE(manager->IsFailed("Gamma.KTP"));
    folder.Add("Gamma", source);
    ASSERT_EQ(2, manager->ScanFolder(source, nullptr, true));
    messages.answers = {IDOK};
    JTPlugin* gamma = manager->Install(manager->NewPlugins().At(manager->NewPlugins().IndexOfText("Gamma")));
    ASSERT_TRUE(gamma);
    EXPECT_EQ("Gamma", gamma->Name());
    EXPECT_FALSE(manager->IsFailed("Gamma.KTP"));
    EXPECT_TRUE(ProfileKeyNames(folder.Ini(), "Old").empty());
    EXPECT_EQ(std::vector<std::string>{"Gamma.KTP"}, ProfileKeyNames(folder.Ini(), "Security"));
}

constexpr UINT kReenterMessage = WM_APP + 0x4B;  // what the Reenters test plug-in sends
constexpr UINT kLingerMessage = WM_APP + 0x4C;   // what the Lingers test plug-in's window answers

// A host window that uninstalls the plug-in its Execute is running, from inside that call.
class UninstallingHost : public ui::Window {
public:
    UninstallingHost()
    {
        RegisterWindowClass("KeltUninstallingHost");
        Create("KeltUninstallingHost", "Host", WS_OVERLAPPEDWINDOW, 0, 0, 0, 200, 100, nullptr);
    }
    ~UninstallingHost() override { Destroy(); }
    JTPluginManager* manager = nullptr;
    JTPlugin* plugin = nullptr;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == kReenterMessage && manager && plugin) {
            manager->Uninstall(plugin);
            return 0;
        }
        return Window::HandleMessage(message, wParam, lParam);
    }
};

// No library goes while its code can still run: not during its Execute, not while a window it
// left open exists, not afterwards (nothing shows what else of it still runs).
TEST_F(PluginManagerTest, LibraryStaysLoadedUntilTheProgramEnds)
{
    folder.Add("Reenters");
    folder.Add("Lingers");
    PluginFolder::Write(folder.Ini(), "[Broken]\r\nReenters.KTP=\r\nLingers.KTP=\r\n");
    UninstallingHost reentrant;
    auto manager = std::make_unique<JTPluginManager>(reentrant.Handle());
    manager->SetPluginFolder(folder.Plugins());
    manager->SetProgramFolder(folder.Root());
    manager->OpenRegistry();
    manager->LoadRegistry();
    ASSERT_EQ(2, manager->Plugins().Count());
    const std::string reenters = folder.Plugins() + "\\Reenters.KTP";
    reentrant.manager = manager.get();
    reentrant.plugin = manager->Plugins().At(0);
    // Uninstalled while it runs; its code after the host's answer still runs.
    EXPECT_EQ(42, manager->ExecutePlugin(manager->Plugins().At(0)));
    EXPECT_EQ(1, manager->Plugins().Count());
    EXPECT_NE(nullptr, ::GetModuleHandleA(reenters.c_str()));

    const std::string lingers = folder.Plugins() + "\\Lingers.KTP";
    EXPECT_EQ(1, manager->ExecutePlugin(manager->Plugins().At(0)));
    HWND window = ::FindWindowA("KeltRawPluginWindow", "Raw tool Lingers");
    ASSERT_TRUE(window);
    ASSERT_TRUE(manager->Uninstall(manager->Plugins().At(0)));
    EXPECT_NE(nullptr, ::GetModuleHandleA(lingers.c_str()));
    EXPECT_EQ(7, ::SendMessageA(window, kLingerMessage, 0, 0));
    ::DestroyWindow(window);
    EXPECT_NE(nullptr, ::GetModuleHandleA(lingers.c_str()));
}

} // namespace
} // namespace kelt
