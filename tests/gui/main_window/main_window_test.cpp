// The main window as a user meets it: start-up through the splash, layouts, the side-bar and
// item menus, the modified count, the commands that open other windows, and one running copy.
#include <windows.h>

#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/main_ids.h"
#include "app/options.h"
#include "app/program_info.h"
#include "app/single_instance.h"
#include "app/splash_form.h"
#include "catalogue/platform/os_family.h"
#include "catalogue/platform/system_calls.h"
#include "catalogue/set_kind.h"
#include "ui/seams.h"
#include "ui/side_bar.h"
#include "ui/window.h"

namespace kelt {
namespace {

std::string StageFolder()
{
    const char* stage = std::getenv("KELT_STAGE_DIR");
    std::string path = stage ? stage : "";
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path + "\\";
}

bool Shown(HWND hwnd)
{
    return hwnd && (::GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE);
}

RECT RectIn(HWND hwnd, HWND parent)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

template <typename Condition>
bool PumpUntil(Condition done, int milliseconds = 15000)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > static_cast<DWORD>(milliseconds))
            return false;
        ui::ProcessPendingMessages();
        ::Sleep(5);
    }
    return true;
}

// The plug-in host as the window sees it, scripted: a record of every call.
class FakePluginHost : public JTPluginHostLink {
public:
    void RunStartupLoad(HWND owner) override
    {
        calls.push_back("startup");
        startupOwner = owner;
    }
    int RunConfigDialog(HWND) override { return 1; }
    int PluginCount() const override { return 2; }
    std::string PluginName(int index) const override { return index ? "Second tool" : "First tool"; }
    HBITMAP PluginGlyph(int) const override { return nullptr; }
    void* PluginData(int index) const override { return const_cast<int*>(&data_[index]); }
    void ExecutePlugin(void* plugin) override { executed.push_back(plugin); }
    bool HandleCommand(int id) override
    {
        commands.push_back(id);
        return true;
    }
    void SetProgress(HWND) override {}

    std::vector<std::string> calls;
    HWND startupOwner = nullptr;
    std::vector<void*> executed;
    std::vector<int> commands;

private:
    int data_[2] = {0, 0};
};

struct Message {
    std::string text, caption;
    UINT flags;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui::DialogSeams seams = ui::DialogSeams::Real();
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            messages.push_back({text, caption, flags});
            return answer;
        };
        scoped = std::make_unique<ui::ScopedSeams>(seams);
        // A fresh prefix has no options key: the defaults, saved into it by the commands.
        options.KeyPath = "SoftWare\\Dorvane\\Keltrix 0.8\\TestOptions";
    }

    void TearDown() override
    {
        form.reset();
        splash.reset();
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    }

    // Makes the window over the shipped catalogue; without `withSplash` it finishes its start
    // as soon as both loaders have run.
    template <typename Form = TKeltMainForm>
    Form& Open(bool withSplash = false, UINT interval = 2000)
    {
        if (withSplash) {
            splash = std::make_unique<TKeltSplashForm>(interval);
            EXPECT_TRUE(splash->CreateSplash());
        }
        auto made = std::make_unique<Form>(options, splash.get());
        Form& result = *made;
        made->TableFolder = StageFolder();
        made->QuitOnDestroy = false;
        made->PluginHostFactory = [this](const JTPluginHostPlaces& places, JTKeltOptions&) {
            places_ = places;
            auto host = std::make_unique<FakePluginHost>();
            plugins = host.get();
            return std::unique_ptr<JTPluginHostLink>(std::move(host));
        };
        made->Dialogs.Apply = [this](HWND, const std::string& record, JTRegSettings&) { applied.push_back(record); };
        made->Dialogs.Records = [this](HWND, int direction, JTRegSettings*) { directions.push_back(direction); };
        made->ShellOpen = [this](HWND, const char* verb, const std::string& file, int show) {
            opened.push_back(std::string(verb ? verb : "(none)") + "|" + file + "|" + std::to_string(show));
            return shellError;
        };
        form = std::move(made);
        EXPECT_TRUE(form->CreateForm(SW_SHOWNORMAL));
        return result;
    }

    void OpenReady()
    {
        Open();
        ASSERT_TRUE(PumpUntil([this] { return form->Ready(); }));
    }

    void Command(int id) { ::SendMessageA(form->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Checked(HMENU menu, int id) { return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    bool Enabled(HMENU menu, int id) { return !(::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }

    JTKeltOptions options;
    int answer = IDOK;
    std::string shellError;
    std::vector<Message> messages;
    std::vector<std::string> applied, opened;
    std::vector<int> directions;
    FakePluginHost* plugins = nullptr;
    JTPluginHostPlaces places_;
    std::unique_ptr<ui::ScopedSeams> scoped;
    std::unique_ptr<TKeltSplashForm> splash;
    std::unique_ptr<TKeltMainForm> form;
};

TEST_F(MainWindowTest, CaptionNamesTheRunningFamily)
{
    struct Case {
        DWORD platform, major, minor, build;
        const char* caption;
    } cases[] = {
        {VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Keltrix--[Now Running Under:WindowsXP ]"},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998, "Keltrix--[Now Running Under:Windows98 ]"},
        {VER_PLATFORM_WIN32_NT, 6, 1, 7601, "Keltrix--[Now Running Under:Windows7 ]"},
        {VER_PLATFORM_WIN32_NT, 10, 0, 19045, "Keltrix--[Now Running Under:Windows10 ]"},
        {VER_PLATFORM_WIN32_NT, 10, 0, 22631, "Keltrix--[Now Running Under:Windows11 ]"},
        {VER_PLATFORM_WIN32_NT, 12, 0, 30000, "Keltrix--[Now Running Under:Windows11 ]"},
    };
    for (const Case& c : cases) {
        SystemCalls calls = SystemCalls::Real();
        calls.RtlGetVersion = nullptr;  // the scripted query is the only answer
        calls.GetVersionExA = [&c](OSVERSIONINFOA* info) {
            info->dwPlatformId = c.platform;
            info->dwMajorVersion = c.major;
            info->dwMinorVersion = c.minor;
            info->dwBuildNumber = c.build;
            return TRUE;
        };
        ScopedSystemCalls scope(calls);
        Open();
        EXPECT_EQ(ui::WindowText(form->Handle()), c.caption);
        ASSERT_TRUE(PumpUntil([this] { return form->Ready(); }));
        form.reset();
    }
    OSFamily = 0;
}

TEST_F(MainWindowTest, ReadyWindowShowsTheFirstCatalogueInTheSideBar)
{
    OpenReady();
    JTRegSettings& catalogue = *form->Catalogue();
    EXPECT_TRUE(messages.empty()) << messages.front().text;
    ASSERT_EQ(catalogue.LoadState(), 2);
    EXPECT_EQ(form->FinishStartupRuns(), 1);
    EXPECT_TRUE(::IsWindowEnabled(form->Handle()));
    EXPECT_TRUE(Shown(form->FormPanel()));
    ui::SideBar& bar = form->OutBar();
    EXPECT_EQ(bar.HeaderCaption(0), "Settings");
    EXPECT_EQ(bar.HeaderCaption(1), "Plugins");
    ASSERT_EQ(bar.ButtonCount(0), catalogue.PageCount());
    EXPECT_EQ(bar.Button(0, 1).caption, catalogue.Page(1)->Caption());
    EXPECT_EQ(bar.SelectedButton(0), 0);
    EXPECT_EQ(form->GroupCaption(), catalogue.Page(0)->Caption());
    // A side-bar button shows its catalogue.
    bar.ClickButton(0, 2);
    EXPECT_EQ(catalogue.PageControl()->ActivePageIndex(), 2);
    EXPECT_EQ(form->GroupCaption(), catalogue.Page(2)->Caption());
    // The plug-ins, one button each, run through the host.
    ASSERT_EQ(bar.ButtonCount(1), 2);
    EXPECT_EQ(bar.Button(1, 1).caption, "Second tool");
    bar.ClickButton(1, 1);
    ASSERT_EQ(plugins->executed.size(), 1u);
    EXPECT_EQ(plugins->executed[0], plugins->PluginData(1));
    // The plug-in menu's commands go to the host.
    Command(5003);
    EXPECT_EQ(plugins->commands, std::vector<int>{5003});
    EXPECT_EQ(places_.menuRoot, form->PluginsMenu());
    EXPECT_EQ(places_.host, form->Handle());
}

TEST_F(MainWindowTest, ApplyFollowsTheModifiedCountAndProposesTheDatedRecord)
{
    OpenReady();
    form->Today = [] {
        SYSTEMTIME date{};
        date.wYear = 2005;
        date.wMonth = 1;
        date.wDay = 26;
        return date;
    };
    JTRegSettings& catalogue = *form->Catalogue();
    EXPECT_EQ(form->StatusText(), "Modified Item Count:0");
    EXPECT_FALSE(::IsWindowEnabled(form->ApplyButton()));
    Command(IDM_APPLY);  // nothing to apply: no dialog
    EXPECT_TRUE(applied.empty());

    JTSetItem* first = catalogue.Page(0)->CkItems().at(0).get();
    JTSetItem* second = catalogue.Page(1)->CkItems().at(0).get();
    catalogue.ItemChange(first, true);
    catalogue.ItemChange(second, true);
    EXPECT_EQ(form->StatusText(), "Modified Item Count:2");
    EXPECT_TRUE(::IsWindowEnabled(form->ApplyButton()));
    EXPECT_TRUE(Enabled(form->MainMenu(), IDM_APPLY));

    ::SendMessageA(form->ApplyButton(), BM_CLICK, 0, 0);
    ASSERT_EQ(applied.size(), 1u);
    EXPECT_EQ(applied[0], ProgramFolder().substr(0, ProgramFolder().size() - 1) + "\\Records\\KeltRecord20050126.rwr");

    catalogue.ItemChange(first, false);
    EXPECT_EQ(form->StatusText(), "Modified Item Count:1");
    EXPECT_TRUE(::IsWindowEnabled(form->ApplyButton()));
    catalogue.ItemChange(second, false);
    EXPECT_EQ(form->StatusText(), "Modified Item Count:0");
    EXPECT_FALSE(::IsWindowEnabled(form->ApplyButton()));
    EXPECT_FALSE(Enabled(form->MainMenu(), IDM_APPLY));
}

TEST_F(MainWindowTest, TabsLayoutHidesTheSideBarAndShowsThePluginBox)
{
    options.MainLayout = 1;
    OpenReady();
    EXPECT_FALSE(Shown(form->OutBar().Handle()));
    EXPECT_TRUE(Shown(form->PluginBox()));
    EXPECT_EQ(form->GroupCaption(), "");
    EXPECT_EQ(form->Catalogue()->PageControl()->TabCount(), form->Catalogue()->PageCount());
    EXPECT_TRUE(Checked(form->ItemMenu(), IDM_LAYOUT_TABS));
    EXPECT_NE(places_.barBox, nullptr);

    // Back to bars through the item menu: saved at once.
    Command(IDM_LAYOUT_BARS);
    EXPECT_EQ(options.MainLayout, 0);
    EXPECT_TRUE(Shown(form->OutBar().Handle()));
    EXPECT_FALSE(Shown(form->PluginBox()));
    EXPECT_EQ(form->Catalogue()->PageControl()->TabCount(), 0);
    EXPECT_EQ(form->GroupCaption(), form->Catalogue()->Page(0)->Caption());
    JTKeltOptions stored;
    stored.KeyPath = options.KeyPath;
    ASSERT_EQ(stored.LoadOptions(), 1);
    EXPECT_EQ(stored.MainLayout, 0);
}

TEST_F(MainWindowTest, SideBarMenuPlacesAndStylesTheBarAndSavesAtOnce)
{
    options.OutBarLayout = 4;
    options.OutBarStyle = 9;
    OpenReady();
    HWND panel = form->FormPanel();
    EXPECT_GT(RectIn(form->OutBar().Handle(), panel).left, RectIn(form->DetailsMemo(), panel).left);
    EXPECT_TRUE(Checked(form->SideBarMenu(), IDM_ALIGN_RIGHT));
    EXPECT_FALSE(Checked(form->SideBarMenu(), IDM_ALIGN_LEFT));
    EXPECT_TRUE(Checked(form->SideBarMenu(), IDM_STYLE_FIRST + 9));
    EXPECT_EQ(form->OutBar().Style(), ui::sbExplorerBarXP);

    Command(IDM_ALIGN_LEFT);
    Command(IDM_STYLE_FIRST + 2);
    EXPECT_EQ(RectIn(form->OutBar().Handle(), panel).left, 0);
    EXPECT_TRUE(Checked(form->SideBarMenu(), IDM_ALIGN_LEFT));
    EXPECT_TRUE(Checked(form->SideBarMenu(), IDM_STYLE_FIRST + 2));
    EXPECT_FALSE(Checked(form->SideBarMenu(), IDM_STYLE_FIRST + 9));
    EXPECT_EQ(form->OutBar().Style(), ui::sbOutlookExpress);
    JTKeltOptions stored;
    stored.KeyPath = options.KeyPath;
    ASSERT_EQ(stored.LoadOptions(), 1);
    EXPECT_EQ(stored.OutBarLayout, 3);
    EXPECT_EQ(stored.OutBarStyle, 2);
}

TEST_F(MainWindowTest, ExpandSwitchHidesTheLegendAndEditorStrip)
{
    OpenReady();
    EXPECT_TRUE(Shown(form->SettingPanel1()));
    Command(IDM_ITEM_EXPAND);
    EXPECT_TRUE(options.ExpandItems);
    EXPECT_TRUE(form->Catalogue()->DisplaySettings().ExpandItems);
    EXPECT_FALSE(Shown(form->SettingPanel1()));
    EXPECT_TRUE(Checked(form->ItemMenu(), IDM_ITEM_EXPAND));
    Command(IDM_ITEM_EXPAND);
    EXPECT_FALSE(options.ExpandItems);
    EXPECT_TRUE(Shown(form->SettingPanel1()));
    EXPECT_TRUE(messages.empty());
}

// The scan, its question and the installs are the plug-in manager's one start-up load; the
// window runs it once, over itself, whatever the options say.
TEST_F(MainWindowTest, PluginLoaderRunsTheHostsStartupLoadOnce)
{
    for (bool scan : {false, true}) {
        options.ScanPlugins = scan;
        options.AutoInst = !scan;
        messages.clear();
        OpenReady();
        EXPECT_EQ(plugins->calls, std::vector<std::string>{"startup"});
        EXPECT_EQ(plugins->startupOwner, form->Handle());
        EXPECT_TRUE(messages.empty());
        form.reset();
    }
}

TEST_F(MainWindowTest, ThePagesAnswerAMenuRequestWithTheItemMenu)
{
    OpenReady();
    ::SetForegroundWindow(form->Handle());
    JTSetKind* page = form->Catalogue()->Page(0);
    static bool shown = false;
    // A right click (at the pointer) and the menu key (at the focus) on a page's list, then,
    // in the expanded view, on its row areas.
    auto request = [](HWND source, bool keyboard) {
        shown = false;
        // Runs only while a menu is up (its loop serves the timer): notes it and closes it.
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
            shown = true;
            ::EndMenu();
        });
        RECT r{};
        ::GetWindowRect(source, &r);
        if (keyboard)
            ::SetFocus(source);
        ::SendMessageA(source, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(source),
                       keyboard ? static_cast<LPARAM>(-1) : MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2));
        ::KillTimer(nullptr, timer);
        return shown;
    };
    EXPECT_TRUE(request(page->CompactList(), false));
    EXPECT_TRUE(request(page->CompactList(), true));
    Command(IDM_ITEM_EXPAND);
    ui::ProcessPendingMessages();
    EXPECT_TRUE(request(page->CheckArea()->Area(), false));
    EXPECT_TRUE(request(page->EditArea()->Area(), false));
    // The status bar has no such menu.
    EXPECT_FALSE(request(form->StatusBar(), false));
}

TEST_F(MainWindowTest, AFirstLetterTwoMenuItemsShareStepsBetweenThem)
{
    options.UseXPMenu = true;
    OpenReady();
    HMENU records = ::GetSubMenu(form->MainMenu(), 2);
    ASSERT_EQ(::GetMenuItemID(records, 0), static_cast<UINT>(IDM_RESTORE));
    ASSERT_EQ(::GetMenuItemID(records, 1), static_cast<UINT>(IDM_REDO));
    struct Case {
        std::vector<WPARAM> keys;  // typed one after the other, then Enter
        UINT command;
    } cases[] = {{{'r', 'r'}, IDM_REDO}, {{'R'}, IDM_RESTORE}, {{'r', 'r', 'r'}, IDM_RESTORE}};
    // Keys reach the open menu one at a time, as typing does.
    static std::deque<std::pair<UINT, WPARAM>> typing;
    static HWND window = nullptr;
    window = form->Handle();
    for (const Case& c : cases) {
        typing.clear();
        for (WPARAM key : c.keys)
            typing.push_back({WM_CHAR, key});
        typing.push_back({WM_KEYDOWN, VK_RETURN});
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) CALLBACK {
            if (typing.empty())
                return;
            ::PostMessageA(window, typing.front().first, typing.front().second, 1);
            typing.pop_front();
        });
        const UINT chosen =
            static_cast<UINT>(::TrackPopupMenu(records, TPM_RETURNCMD, 100, 100, 0, form->Handle(), nullptr));
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(chosen, c.command) << c.keys.size() << " key(s)";
    }
}

TEST_F(MainWindowTest, RestartAsksFirstAndSaysWhyItFailed)
{
    OpenReady();
    std::vector<std::string> sequence;
    SystemCalls calls = SystemCalls::Real();
    DWORD lastError = 0;
    calls.ExitWindowsEx = [&](UINT flags, DWORD) {
        sequence.push_back("exit " + std::to_string(flags));
        lastError = ERROR_ACCESS_DENIED;
        return FALSE;
    };
    calls.GetLastError = [&] { return lastError; };
    ScopedSystemCalls scope(calls);

    answer = IDCANCEL;
    Command(IDM_RESTART);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Do you really want to restart Windows?");
    EXPECT_EQ(messages[0].caption, "Warning!");
    EXPECT_EQ(messages[0].flags, 33u);
    EXPECT_TRUE(sequence.empty());

    answer = IDOK;
    messages.clear();
    Command(IDM_RESTART);
    EXPECT_EQ(sequence, std::vector<std::string>{"exit 2"});
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text.rfind("Windows could not be restarted: ", 0), 0u) << messages[1].text;
    EXPECT_GT(messages[1].text.size(), std::string("Windows could not be restarted: ").size());
    EXPECT_EQ(messages[1].caption, "Error");
    EXPECT_EQ(messages[1].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

TEST_F(MainWindowTest, CommandsOpenWhatTheyName)
{
    OpenReady();
    Command(IDM_LIVE_UPDATE);
    Command(IDM_ONLINE);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], "open|" + ProgramFolder() + "Update.exe|5");
    EXPECT_EQ(opened[1].rfind("(none)|http", 0), 0u) << opened[1];
    EXPECT_EQ(opened[1].substr(opened[1].size() - 2), "|1");
    EXPECT_TRUE(messages.empty());

    shellError = "The system cannot find the file specified.";
    Command(IDM_LIVE_UPDATE);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, ProgramFolder() + "Update.exe could not be opened: The system cannot find the file specified.");
    EXPECT_EQ(messages[0].caption, "Error");

    Command(IDM_RESTORE);
    Command(IDM_REDO);
    EXPECT_EQ(directions, (std::vector<int>{1, 0}));
}

// A settings loader that waits, pumping messages as a question box would, until `until` holds.
class SlowLoaderForm : public TKeltMainForm {
public:
    using TKeltMainForm::TKeltMainForm;
    void LoadSettingsTask() override
    {
        if (until)
            PumpUntil(until);
        seenPending = splashSeen ? splashSeen() : -1;
        TKeltMainForm::LoadSettingsTask();
    }
    void FinishStartup() override
    {
        pagesWhenFinished = Catalogue()->PageCount();
        TKeltMainForm::FinishStartup();
    }
    std::function<bool()> until;
    std::function<int()> splashSeen;
    int seenPending = -2;
    int pagesWhenFinished = -1;
};

TEST_F(MainWindowTest, SplashWaitsForItsFirstTickWhenTheLoadersAreQuick)
{
    Open(true, 600000);  // the ticks are sent by hand below
    ASSERT_TRUE(PumpUntil([this] { return form->LoadersPending() == 0; }));
    EXPECT_EQ(splash->PendingCount(), 1);
    EXPECT_FALSE(splash->Closed());
    EXPECT_FALSE(form->Ready());
    EXPECT_FALSE(::IsWindowEnabled(form->Handle()));
    ::SendMessageA(splash->Handle(), WM_TIMER, 1, 0);
    EXPECT_TRUE(form->Ready());
    EXPECT_TRUE(splash->Closed());
    EXPECT_EQ(splash->PendingCount(), 0);
    EXPECT_EQ(form->FinishStartupRuns(), 1);
}

TEST_F(MainWindowTest, SplashClosesFromTheLastLoader)
{
    SlowLoaderForm& slow = Open<SlowLoaderForm>(true, 600000);
    // The plug-in loader has finished; one tick comes while this loader still works.
    slow.until = [this] {
        if (splash->PendingCount() == 2)
            ::SendMessageA(splash->Handle(), WM_TIMER, 1, 0);
        return splash->PendingCount() == 1;
    };
    slow.splashSeen = [this] { return splash->PendingCount(); };
    ASSERT_TRUE(PumpUntil([this] { return form->Ready(); }));
    EXPECT_EQ(slow.seenPending, 1);
    EXPECT_TRUE(splash->Closed());
    EXPECT_EQ(form->FinishStartupRuns(), 1);
}

TEST_F(MainWindowTest, LoaderFinishingAfterTheSplashLeavesAReadyWindow)
{
    SlowLoaderForm& slow = Open<SlowLoaderForm>(true, 50);
    slow.until = [this] { return splash->Closed(); };
    ASSERT_TRUE(PumpUntil([this] { return form->Ready(); }));
    ::Sleep(200);  // further ticks would come now if the timer outlived the splash
    ui::ProcessPendingMessages();
    EXPECT_EQ(form->FinishStartupRuns(), 1);
    EXPECT_EQ(splash->PendingCount(), 0);
    EXPECT_EQ(slow.pagesWhenFinished, form->Catalogue()->PageCount());
    EXPECT_EQ(form->OutBar().ButtonCount(0), form->Catalogue()->PageCount());
    EXPECT_TRUE(::IsWindowEnabled(form->Handle()));
    EXPECT_TRUE(Shown(form->FormPanel()));
}

TEST(SingleInstance, SecondClaimFailsAndTheRunningCopyComesForward)
{
    const std::string name = "KeltrixSingleInstanceTest";
    ASSERT_TRUE(ClaimSingleInstance(name));
    EXPECT_FALSE(ClaimSingleInstance(name));
    EXPECT_EQ(InstanceMutexName(), "main_window_test");

    JTKeltOptions options;
    TKeltMainForm form(options, nullptr);
    form.TableFolder = "Z:\\nonexistent-keltrix-folder\\";
    form.QuitOnDestroy = false;
    ui::DialogSeams seams = ui::DialogSeams::Real();
    seams.messageBox = [](HWND, const std::string&, const std::string&, UINT) { return IDOK; };
    ui::ScopedSeams scope(seams);
    ASSERT_TRUE(form.CreateForm(SW_SHOWNORMAL));
    ::ShowWindow(form.Handle(), SW_MINIMIZE);
    ASSERT_TRUE(::IsIconic(form.Handle()));
    EXPECT_TRUE(BringRunningCopyForward());
    EXPECT_FALSE(::IsIconic(form.Handle()));
    EXPECT_TRUE(::IsWindowVisible(form.Handle()));
}

} // namespace
} // namespace kelt
