// The plug-in host of the staged program, started as a user starts it from a copy of the
// program folder whose Plugins folder holds test plug-ins, and watched and driven from outside
// its process: an uninstall that holds across restarts, plug-ins that fault or post WM_QUIT,
// the plug-in in plain C installed at start and run modally, and the hostile set.
#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/main_ids.h"
#include "plugins/host/plugin_host_ids.h"
#include "tests/gui/main_smoke/program_probe.h"
#include "tests/windows/plugins/plugin_folder.h"
#include "tests/windows/plugins/plugin_test_support.h"

namespace kelt {
namespace {

// A copy of the staged program folder with chosen test plug-ins in Plugins.
class ProgramCopy {
public:
    explicit ProgramCopy(const std::string& name)
    {
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + name;
        ::CreateDirectoryA(root_.c_str(), nullptr);
        const std::string stage = probe::StageFolder();
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA((stage + "*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    ::CopyFileA((stage + found.cFileName).c_str(), (Folder() + found.cFileName).c_str(), FALSE);
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::CreateDirectoryA((root_ + "\\Records").c_str(), nullptr);
        ::CreateDirectoryA(Plugins().c_str(), nullptr);
    }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    std::string Folder() const { return root_ + "\\"; }
    std::string Plugins() const { return root_ + "\\Plugins"; }
    std::string Ini() const { return Plugins() + "\\KeltPlugins.ini"; }
    void AddPlugin(const std::string& name, const std::string& into = "") const
    {
        const std::string folder = into.empty() ? Plugins() : root_ + "\\" + into;
        ::CreateDirectoryA(folder.c_str(), nullptr);
        ::CopyFileA(testing::TestPlugin(name).c_str(), (folder + "\\" + name + ".KTP").c_str(), FALSE);
    }
    void WriteIni(const std::string& text) const { std::ofstream(Ini(), std::ios::binary) << text; }
    bool HasKey(const std::string& section, const std::string& key) const
    {
        ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, Ini().c_str());
        char value[16] = {};
        ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "(none)", value, sizeof value, Ini().c_str());
        return std::string(value) != "(none)";
    }
    std::string ReadIni() const
    {
        std::ifstream in(Ini(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string root_;
};

struct WindowSearch {
    DWORD process;
    std::string caption;
    HWND found;
};

// A visible top-level window of the process with this caption (null when there is none).
HWND WindowOf(HANDLE process, const std::string& caption)
{
    WindowSearch search{::GetProcessId(process), caption, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM data) CALLBACK -> BOOL {
            auto* s = reinterpret_cast<WindowSearch*>(data);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != s->process || !::IsWindowVisible(window) || probe::Caption(window) != s->caption)
                return TRUE;
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(HANDLE process, const std::string& caption, DWORD timeoutMs = 30000)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeoutMs) {
        if (HWND window = WindowOf(process, caption))
            return window;
        ::Sleep(20);
    }
    return nullptr;
}

bool WaitGone(HWND window, DWORD timeoutMs = 30000)
{
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

// The tree of "Config plugins" read across the process boundary: "Kind[node|node]|Kind[...]".
class RemoteTree {
public:
    RemoteTree(HANDLE process, HWND tree) : process_(process), tree_(tree)
    {
        memory_ = static_cast<char*>(::VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteTree() { ::VirtualFreeEx(process_, memory_, 0, MEM_RELEASE); }
    RemoteTree(const RemoteTree&) = delete;
    RemoteTree& operator=(const RemoteTree&) = delete;

    std::string Outline() const
    {
        std::string outline;
        for (HTREEITEM kind = Next(nullptr, TVGN_ROOT); kind; kind = Next(kind, TVGN_NEXT)) {
            outline += (outline.empty() ? "" : "|") + Text(kind) + "[";
            for (HTREEITEM child = Next(kind, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
                outline += (child == Next(kind, TVGN_CHILD) ? "" : "|") + Text(child);
            outline += "]";
        }
        return outline;
    }
    HTREEITEM Find(const std::string& text) const
    {
        for (HTREEITEM kind = Next(nullptr, TVGN_ROOT); kind; kind = Next(kind, TVGN_NEXT))
            for (HTREEITEM child = Next(kind, TVGN_CHILD); child; child = Next(child, TVGN_NEXT))
                if (Text(child) == text)
                    return child;
        return nullptr;
    }

private:
    HTREEITEM Next(HTREEITEM from, UINT how) const
    {
        return reinterpret_cast<HTREEITEM>(
            ::SendMessageA(tree_, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
    }
    std::string Text(HTREEITEM node) const
    {
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = node;
        item.pszText = memory_ + 256;
        item.cchTextMax = 2048;
        ::WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        ::SendMessageA(tree_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(memory_));
        char text[2048] = {};
        ::ReadProcessMemory(process_, memory_ + 256, text, sizeof text - 1, nullptr);
        return text;
    }

    HANDLE process_;
    HWND tree_;
    char* memory_ = nullptr;
};

// One run of the copied program: started, ready, closed through its menu at the end.
class ProgramRun {
public:
    explicit ProgramRun(const ProgramCopy& copy, bool waitReady = true)
    {
        process_ = probe::Start(copy.Folder());
        if (process_ && waitReady)
            WaitReady();
    }
    HWND WaitReady() { return window_ = probe::WaitReady(process_, 120000); }
    ~ProgramRun()
    {
        if (process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT)
            ::TerminateProcess(process_, 99);
        if (process_)
            ::CloseHandle(process_);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    HANDLE Process() const { return process_; }
    HWND Window() const { return window_; }
    bool Running() const { return ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    DWORD Exit() { return probe::CloseThroughMenu(process_, window_, 60000); }
    void Command(int id) const { ::PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    // Opens "Config plugins" and answers its tree (the dialog handle in `dialog`).
    std::string ConfigTree(HWND& dialog) const
    {
        Command(IDM_CONFIG_PLUGINS);
        dialog = WaitForWindow(process_, "Config plugins");
        if (!dialog)
            return "(no dialog)";
        return RemoteTree(process_, ::GetDlgItem(dialog, IDC_CFG_PLUGINS)).Outline();
    }
    // Uninstalls the plug-in shown as `name` in the open "Config plugins", confirming the question.
    void Uninstall(HWND dialog, const std::string& name) const
    {
        HWND tree = ::GetDlgItem(dialog, IDC_CFG_PLUGINS);
        ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(RemoteTree(process_, tree).Find(name)));
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CFG_UNINSTALL, BN_CLICKED), 0);
        HWND question = WaitForWindow(process_, "Warning");
        ::PostMessageA(question, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(question && WaitGone(question)) << name;
    }
    void CloseConfig(HWND dialog) const
    {
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CFG_CLOSE, BN_CLICKED), 0);
        WaitGone(dialog);
    }

private:
    HANDLE process_ = nullptr;
    HWND window_ = nullptr;
};

// With the start-up options as they come (scan for new plug-ins, install them without asking),
// an uninstalled plug-in stays uninstalled, also when its key was in another kind's section and
// in its own.
TEST(StagedPluginHost, UninstalledPluginStaysGoneAfterARestart)
{
    ProgramCopy copy("kelt_staged_uninstall");
    copy.AddPlugin("Alpha");
    copy.AddPlugin("Beta");
    copy.WriteIni("[Other]\r\nAlpha.KTP=\r\n[Security]\r\nAlpha.KTP=\r\n[Clear]\r\nBeta.KTP=\r\n");
    {
        ProgramRun run(copy);
        ASSERT_TRUE(run.Window()) << "no ready main window";
        HWND dialog = nullptr;
        EXPECT_EQ("Security[Alpha]|Clear[Beta]", run.ConfigTree(dialog));
        ASSERT_TRUE(dialog);
        run.Uninstall(dialog, "Alpha");
        EXPECT_EQ("Clear[Beta]", RemoteTree(run.Process(), ::GetDlgItem(dialog, IDC_CFG_PLUGINS)).Outline());
        run.CloseConfig(dialog);
        EXPECT_EQ(0u, run.Exit());
    }
    ProgramRun again(copy);
    ASSERT_TRUE(again.Window()) << "no ready main window after the restart";
    HWND dialog = nullptr;
    EXPECT_EQ("Clear[Beta]", again.ConfigTree(dialog));
    again.CloseConfig(dialog);
    EXPECT_FALSE(copy.HasKey("Other", "Alpha.KTP")) << copy.ReadIni();
    EXPECT_FALSE(copy.HasKey("Security", "Alpha.KTP")) << copy.ReadIni();
    EXPECT_EQ(0u, again.Exit());
}

// Getters that read through null or raise another runtime's exception, registered or only lying
// in the folder, and a key that points out of the folder: the program starts and is usable, and
// the configuration dialog says what went wrong.
TEST(StagedPluginHost, FaultingPluginsLeaveTheProgramRunningAndAreShown)
{
    ProgramCopy copy("kelt_staged_faults");
    copy.AddPlugin("NullName");
    copy.AddPlugin("Foreign");
    copy.AddPlugin("Raises");
    copy.AddPlugin("Beta", "outside");
    copy.WriteIni("[Broken]\r\nNullName.KTP=\r\nForeign.KTP=\r\n..\\outside\\Beta.KTP=\r\n");
    ProgramRun run(copy);
    ASSERT_TRUE(run.Window()) << "no ready main window";
    HWND dialog = nullptr;
    EXPECT_EQ("Broken[NullName.KTP (GetPluginName failed (access violation))|"
              "Foreign.KTP (GetPluginAuthor failed (C++ exception of another runtime))|"
              "..\\outside\\Beta.KTP (not a file of the plugin folder)]",
              run.ConfigTree(dialog));
    run.CloseConfig(dialog);
    EXPECT_TRUE(run.Running());
    EXPECT_EQ(0u, run.Exit());
}

// A plain Win32 tool ending its own message loop with PostQuitMessage when its window closes.
TEST(StagedPluginHost, QuitPostedByAPluginLeavesTheProgramRunning)
{
    ProgramCopy copy("kelt_staged_quit");
    copy.AddPlugin("Quits");
    copy.WriteIni("[Broken]\r\nQuits.KTP=\r\n");
    ProgramRun run(copy);
    ASSERT_TRUE(run.Window()) << "no ready main window";
    run.Command(5000);  // the only plug-in's menu entry
    HWND tool = WaitForWindow(run.Process(), "Raw tool Quits");
    ASSERT_TRUE(tool);
    ::PostMessageA(tool, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitGone(tool));
    ::Sleep(1500);
    ASSERT_TRUE(run.Running()) << "the program ended with the plug-in's window";
    EXPECT_TRUE(::IsWindow(run.Window()));
    EXPECT_TRUE(::IsWindowEnabled(run.Window()));
    EXPECT_EQ(0u, run.Exit());
}

// The texts of the static controls of an open "Error" box of the program, which is then
// answered with `answer`; "(no box)" when none opens.
std::string TakeErrorBox(HANDLE process, int answer = IDOK)
{
    HWND box = WaitForWindow(process, "Error");
    if (!box)
        return "(no box)";
    std::string text;
    ::EnumChildWindows(
        box,
        [](HWND child, LPARAM data) CALLBACK -> BOOL {
            char type[16] = {}, line[1024] = {};
            ::GetClassNameA(child, type, sizeof type);
            if (::lstrcmpiA(type, "Static") == 0)
                *reinterpret_cast<std::string*>(data) += std::string(line, ::GetWindowTextA(child, line, sizeof line));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    WaitGone(box);
    return text;
}

// How often the thread the Spinner plug-in leaves running has called its code so far.
LONG SpinnerTicks()
{
    HANDLE shared = ::OpenFileMappingA(FILE_MAP_READ, FALSE, "KeltSpinnerTicks");
    const auto* ticks = shared ? static_cast<const LONG*>(::MapViewOfFile(shared, FILE_MAP_READ, 0, 0, 4096)) : nullptr;
    const LONG count = ticks ? *ticks : -1;
    ::UnmapViewOfFile(ticks);
    ::CloseHandle(shared);
    return count;
}

// Every way a plug-in can go wrong, in one session: the program keeps running and usable, the
// user is told which plug-in failed and how, and neither KeltPlugins.ini nor Version.ini is
// damaged.
TEST(StagedPluginHost, HostileSetIsContainedAndNamed)
{
    ProgramCopy copy("kelt_staged_hostile");
    const char* registered[] = {"NullRun", "ThrowsRun", "Recurses", "Recurses2", "TimerFault",
                                "QuitLater", "Spinner", "ForeignRun", "UndoFault", "NullName"};
    std::string ini = "[Broken]\r\n";
    for (const char* name : registered) {
        copy.AddPlugin(name);
        ini += std::string(name) + ".KTP=\r\n";
    }
    copy.WriteIni(ini + "[Security]\r\nLyingGlyph.KTP=\r\n");
    ::CopyFileA(testing::TestPlugin("Alpha").c_str(), (copy.Plugins() + "\\LyingGlyph.KTP").c_str(), FALSE);
    testing::PluginFolder::MakeLyingGlyph(copy.Plugins() + "\\LyingGlyph.KTP");
    copy.AddPlugin("BadVersion");  // installed at start, were it not refused
    const std::string versions = "[Program]\r\nKeltrix.exe=0.9\r\n[Plugins]\r\nNullRun=1.0\r\n";
    std::ofstream(copy.Folder() + "Version.ini", std::ios::binary) << versions;

    ProgramRun run(copy, false);
    EXPECT_EQ("The plugin " + copy.Plugins() + "\\BadVersion.KTP cannot be installed: its version "
              "\"1.0\\r\\n[Program]\\r\\nKeltrix.exe=99.0\" holds a line break.",
              TakeErrorBox(run.Process()));
    ASSERT_TRUE(run.WaitReady()) << "no ready main window";
    HWND dialog = nullptr;
    const std::string tree = run.ConfigTree(dialog);
    EXPECT_NE(std::string::npos, tree.find("NullName.KTP (GetPluginName failed (access violation))")) << tree;
    EXPECT_NE(std::string::npos, tree.find("LyingGlyph.KTP (glyph outside the library)")) << tree;
    run.CloseConfig(dialog);

#if defined(_WIN64)
    const std::string thrown = "C++ exception";
#else
    const std::string thrown = "uncaught C++ exception or abort";  // the 32-bit runtime aborts
#endif
    const std::string stopped = ") and was stopped. It will not run again until Keltrix is restarted.";
    const struct {
        int command;
        std::string box;
    } runs[] = {
        {5000, "The plugin NullRun failed (access violation while running" + stopped},
        {5001, "The plugin ThrowsRun failed (" + thrown + " while running" + stopped},
        {5007, "The plugin ForeignRun failed (C++ exception of another runtime while running" + stopped},
        {5002, "The plugin Recurses failed (stack overflow while running" + stopped},
        {5003, "The plugin Recurses2 failed (stack overflow while running" + stopped},
        {5000, "The plugin NullRun failed earlier (access violation while running) and will not run again until "
               "Keltrix is restarted."},
        {5004, "The plugin TimerFault failed (access violation in one of its windows). Its windows were closed; "
               "it will not run again until Keltrix is restarted."},
    };
    for (const auto& step : runs) {
        run.Command(step.command);
        EXPECT_EQ(step.box, TakeErrorBox(run.Process()));
        ASSERT_TRUE(run.Running());
        EXPECT_TRUE(::IsWindowEnabled(run.Window())) << step.box;
    }
    EXPECT_FALSE(::FindWindowA("KeltRawPluginWindow", "Raw tool NullRun"));
    EXPECT_FALSE(::FindWindowA("KeltRawPluginWindow", "Raw tool TimerFault"));

    // A quit request from a window left open while "Config plugins" is open closes nothing.
    run.Command(5005);
    ASSERT_TRUE(WaitForWindow(run.Process(), "Raw tool QuitLater"));
    run.ConfigTree(dialog);
    ::Sleep(3000);
    EXPECT_TRUE(::IsWindowVisible(dialog));

    // A thread the plug-in left running goes on running its code after an uninstall; a plug-in
    // that faults while it prepares its uninstall is uninstalled once the user says so.
    run.CloseConfig(dialog);
    run.Command(5006);
    run.ConfigTree(dialog);
    run.Uninstall(dialog, "Spinner");
    run.Uninstall(dialog, "UndoFault");
    EXPECT_EQ("The plugin UndoFault failed (access violation while preparing to be uninstalled) and was stopped; "
              "it could not undo its changes. Uninstall it anyway?",
              TakeErrorBox(run.Process(), IDYES));
    EXPECT_EQ(nullptr, RemoteTree(run.Process(), ::GetDlgItem(dialog, IDC_CFG_PLUGINS)).Find("UndoFault"));
    EXPECT_TRUE(::IsWindowEnabled(dialog));
    run.CloseConfig(dialog);
    const LONG ticks = SpinnerTicks();
    ::Sleep(500);
    EXPECT_GT(SpinnerTicks(), ticks);
    EXPECT_GT(ticks, 0);

    ASSERT_TRUE(run.Running());
    DWORD_PTR answer = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(run.Window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(0u, run.Exit());
    std::ifstream in(copy.Folder() + "Version.ini", std::ios::binary);
    EXPECT_EQ(versions, std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    for (const char* name : registered) {
        const bool uninstalled = std::string(name) == "Spinner" || std::string(name) == "UndoFault";
        EXPECT_EQ(!uninstalled, copy.HasKey("Broken", std::string(name) + ".KTP")) << name;
        EXPECT_EQ(uninstalled, copy.HasKey("~Uninstalled", std::string(name) + ".KTP")) << name;
    }
    EXPECT_TRUE(copy.HasKey("Security", "LyingGlyph.KTP"));
    EXPECT_EQ(std::string::npos, copy.ReadIni().find("BadVersion")) << copy.ReadIni();
}

// The plug-in written in C, dropped into Plugins: installed at start, run from its menu entry
// modally over the main window.
TEST(StagedPluginHost, PluginInPlainCIsInstalledAndRunsModally)
{
    ProgramCopy copy("kelt_staged_sample");
    copy.AddPlugin("Sample");
    ProgramRun run(copy);
    ASSERT_TRUE(run.Window()) << "no ready main window";
    EXPECT_EQ("[Samples]\r\nSample.KTP=\r\n", copy.ReadIni());
    run.Command(5000);
    HWND tool = WaitForWindow(run.Process(), "Sample plug-in");
    ASSERT_TRUE(tool);
    EXPECT_EQ(run.Window(), ::GetWindow(tool, GW_OWNER));
    EXPECT_FALSE(::IsWindowEnabled(run.Window()));
    ::PostMessageA(tool, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitGone(tool));
    EXPECT_TRUE(::IsWindowEnabled(run.Window()));
    EXPECT_EQ(0u, run.Exit());
}

} // namespace
} // namespace kelt
