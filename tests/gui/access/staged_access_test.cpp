// The staged program used with the keyboard alone, read as assistive technology reads it, and
// drawn with a high-contrast theme.
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/gui/access/outside_reader.h"
#include "tests/gui/main_smoke/program_probe.h"

namespace kelt {
namespace {

using namespace outside;

// The one running copy the tests of a suite share.
struct Program {
    HANDLE process = nullptr;
    HWND main = nullptr;

    void Start()
    {
        process = probe::Start(probe::StageFolder());
        main = process ? probe::WaitReady(process, 180000) : nullptr;
        // The start is over when the keyboard has its first place.
        WaitUntil([&] { return main && FocusOf(main); });
    }
    void Stop()
    {
        if (process && main)
            probe::CloseThroughMenu(process, main, 60000);
        if (process && ::WaitForSingleObject(process, 0) != WAIT_OBJECT_0)
            ::TerminateProcess(process, 3);
        if (process)
            ::CloseHandle(process);
        process = nullptr;
    }
    // A window of the program that shows, by caption (the dialogs' class).
    HWND Shown(const char* caption, const char* className = "#32770") const
    {
        return probe::WaitShown(process, 60000, className, caption);
    }
};

struct Search {
    const std::function<bool(HWND)>* wanted;
    HWND found;
};

BOOL CALLBACK SearchChild(HWND hwnd, LPARAM data)
{
    auto* search = reinterpret_cast<Search*>(data);
    if (::IsWindowVisible(hwnd) && (*search->wanted)(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The first shown window inside `top` that `wanted` accepts.
HWND FirstChild(HWND top, const std::function<bool(HWND)>& wanted)
{
    Search search{&wanted, nullptr};
    ::EnumChildWindows(top, SearchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ByClass(HWND top, const std::string& className)
{
    return FirstChild(top, [&](HWND hwnd) { return ClassOf(hwnd) == className; });
}

// The compact list of the catalogue shown now.
HWND CompactList(HWND main)
{
    return FirstChild(main, [](HWND hwnd) {
        return ClassOf(hwnd) == "SysListView32" && ClassOf(::GetParent(hwnd)) == "KeltTabSheet";
    });
}

// The roles that fit each kind of control that takes input. The program's own controls answer
// with their own; Wine reads a standard control as a client area, Windows with its proper role.
const std::map<std::string, std::set<long>>& FittingRoles()
{
    static const std::map<std::string, std::set<long>> roles = {
        {"KeltSideBar", {ROLE_SYSTEM_OUTLINE}},
        {"KeltImageButton", {ROLE_SYSTEM_PUSHBUTTON}},
        {"KeltGlyphButton", {ROLE_SYSTEM_PUSHBUTTON}},
        {"KeltFlatTextButton", {ROLE_SYSTEM_PUSHBUTTON}},
        {"KeltColourLabel", {ROLE_SYSTEM_LINK}},
        {"KeltColumnSplitter", {ROLE_SYSTEM_GRIP}},
        {"KeltSplitter", {ROLE_SYSTEM_GRIP}},
        {"Button", {ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_RADIOBUTTON, ROLE_SYSTEM_CLIENT}},
        {"Edit", {ROLE_SYSTEM_TEXT, ROLE_SYSTEM_CLIENT}},
        {"ComboBox", {ROLE_SYSTEM_COMBOBOX, ROLE_SYSTEM_CLIENT}},
        {"ListBox", {ROLE_SYSTEM_LIST, ROLE_SYSTEM_CLIENT}},
        {"SysListView32", {ROLE_SYSTEM_LIST, ROLE_SYSTEM_CLIENT}},
        {"SysTreeView32", {ROLE_SYSTEM_OUTLINE, ROLE_SYSTEM_CLIENT}},
        {"SysTabControl32", {ROLE_SYSTEM_PAGETABLIST, ROLE_SYSTEM_CLIENT}},
    };
    return roles;
}

// Every control of a window that shows and takes input, with what a reader hears of it that
// is missing: "class 'name' role" for each control without a name or a fitting role.
std::vector<std::string> Unreadable(HWND top)
{
    std::vector<std::string> missing;
    FirstChild(top, [&](HWND hwnd) {
        const std::string cls = ClassOf(hwnd);
        const auto fitting = FittingRoles().find(cls);
        const LONG style = ::GetWindowLongA(hwnd, GWL_STYLE);
        const bool groupBox = cls == "Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
        // The program's own controls that take input are tab stops; a standard one by its kind.
        const bool standard = fitting != FittingRoles().end() && cls.compare(0, 4, "Kelt") != 0;
        if (!((style & WS_TABSTOP) || standard) || groupBox || !::IsWindowEnabled(hwnd))
            return false;
        const Reading reading = ReadWindow(hwnd);
        const bool roleFits = fitting != FittingRoles().end() && fitting->second.count(reading.role);
        if (reading.name.empty() || !roleFits)
            missing.push_back(cls + " '" + reading.name + "' " + std::to_string(reading.role));
        return false;
    });
    return missing;
}

// The compact list's rows, read: a ticked-looking picture on every row, but "checked" only for a
// check-styled tweak that is on.
void ExpectRowsTellTheirState(HWND list)
{
    const std::vector<Reading> rows = Parts(list);
    ASSERT_FALSE(rows.empty());
    for (const Reading& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(row.name.empty());
        EXPECT_EQ(row.role, ROLE_SYSTEM_LISTITEM);
        const bool on = row.action == "Toggle" && row.value == "On";
        EXPECT_EQ((row.state & STATE_SYSTEM_CHECKED) != 0, on) << row.value;
    }
}

// The first check-styled tweak of the list that is off (-1: none).
int FirstOffTweak(HWND list)
{
    const std::vector<Reading> rows = Parts(list);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i)
        if (rows[i].action == "Toggle" && rows[i].value == "Off")
            return i;
    return -1;
}

// Answers the program's messages with the keyboard until `dialog` is gone: Escape to the
// question whether to restart Windows, Enter to every other one.
void AnswerUntilClosed(HWND dialog)
{
    WaitUntil(
        [&] {
            if (!::IsWindowVisible(dialog))
                return true;
            HWND box = ::GetForegroundWindow();
            if (box != dialog && ClassOf(box) == "#32770" && ::IsWindowVisible(box))
                Press(TextOf(box) == "Warning!" ? VK_ESCAPE : VK_RETURN);
            return false;
        },
        60000);
}

std::string TempFile(const char* name)
{
    char folder[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, folder);
    const std::string path = std::string(folder) + name;
    ::DeleteFileA(path.c_str());
    return path;
}

class StagedAccess : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        program_.Start();
    }
    static void TearDownTestSuite() { program_.Stop(); }
    void SetUp() override { ASSERT_TRUE(program_.main) << "the main window never became ready"; }
    static Program program_;
};
Program StagedAccess::program_;

TEST_F(StagedAccess, KeyboardAloneChoosesTicksAppliesAndRestoresATweak)
{
    HWND main = program_.main;
    // The keyboard starts in the side bar; the next catalogue, then into its list.
    ASSERT_EQ(ClassOf(FocusOf(main)), "KeltSideBar");
    const std::string first = ReadWindow(CompactList(main)).name;
    Press(VK_DOWN);
    Press(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return ReadWindow(CompactList(main)).name != first; }));
    HWND list = CompactList(main);
    ASSERT_TRUE(TabTo(main, [&](HWND focus) { return focus == list; }));
    const int row = FirstOffTweak(list);
    ASSERT_GE(row, 0) << "no check-styled tweak that is off";
    Press(VK_HOME);
    for (int i = 0; i < row; ++i)
        Press(VK_DOWN);

    // Space ticks it: changed, not applied yet, and Apply can be used.
    HWND applyButton = FirstChild(main, [](HWND hwnd) { return ReadWindow(hwnd).name == "Apply"; });
    Press(VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return Parts(list)[row].value == "On"; }));
    EXPECT_TRUE(Parts(list)[row].state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(Parts(list)[row].description, "Changed, not applied yet");
    EXPECT_TRUE(::IsWindowEnabled(applyButton));

    // F3: applied, with a record file named from the keyboard.
    const std::string record = TempFile("kelt-keyboard.rwr");
    Press(VK_F3);
    HWND apply = program_.Shown("Apply...");
    ASSERT_TRUE(apply);
    ASSERT_TRUE(TabTo(apply, [](HWND focus) { return ClassOf(focus) == "Edit"; }));
    Type(record);
    Press('A', {VK_MENU});
    AnswerUntilClosed(apply);
    EXPECT_EQ(::GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES, true) << record;
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(applyButton); }));
    EXPECT_EQ(Parts(list)[row].value, "On");
    EXPECT_EQ(Parts(list)[row].description, "");

    // Records | Restore... from the menu, the file typed, listed and replayed.
    Press('R', {VK_MENU});
    Press(VK_RETURN);
    HWND restore = program_.Shown("Restore registry settings");
    ASSERT_TRUE(restore);
    ASSERT_TRUE(TabTo(restore, [](HWND focus) { return ClassOf(focus) == "Edit"; }));
    Type(record);
    ASSERT_TRUE(TabTo(restore, [](HWND focus) { return TextOf(focus) == "List records"; }));
    Press(VK_SPACE);
    ASSERT_TRUE(TabTo(restore, [](HWND focus) { return TextOf(focus) == "Start Restore"; }));
    Press(VK_SPACE);
    HWND confirm = program_.Shown("Warning");
    ASSERT_TRUE(confirm);
    Press(VK_RETURN);
    HWND done = program_.Shown("Ok");
    ASSERT_TRUE(done);
    Press(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == restore; }));
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(restore); }));

    // F2 reads the registry again: the tweak is off as before.
    Press(VK_F2);
    EXPECT_TRUE(WaitUntil([&] { return Parts(list)[row].value == "Off"; }));
    EXPECT_FALSE(Parts(list)[row].state & STATE_SYSTEM_CHECKED);
    ::DeleteFileA(record.c_str());
}

TEST_F(StagedAccess, AssistiveTechnologyReadsEveryControlOfTheWindowsADialogAndAToolWindow)
{
    HWND main = program_.main;
    EXPECT_THAT(Unreadable(main), ::testing::IsEmpty());
    for (const Reading& part : Parts(ByClass(main, "KeltSideBar"))) {
        EXPECT_FALSE(part.name.empty());
        EXPECT_EQ(part.role, ROLE_SYSTEM_OUTLINEITEM) << part.name;
    }
    HWND list = CompactList(main);
    ExpectRowsTellTheirState(list);

    // A tweak ticked through its default action is announced and reads "checked"; its apply
    // dialog is read too.
    const int row = FirstOffTweak(list);
    ASSERT_GE(row, 0);
    StateChanges changes(program_.process);
    ASSERT_TRUE(DoDefault(list, row + 1));
    EXPECT_TRUE(changes.WaitFor(list, row + 1));
    ASSERT_TRUE(WaitUntil([&] { return Parts(list)[row].value == "On"; }));
    ExpectRowsTellTheirState(list);
    Press(VK_F3);
    HWND apply = program_.Shown("Apply...");
    ASSERT_TRUE(apply);
    EXPECT_THAT(Unreadable(apply), ::testing::IsEmpty());
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(apply); }));
    ASSERT_TRUE(DoDefault(list, row + 1));
    ASSERT_TRUE(WaitUntil([&] { return Parts(list)[row].value == "Off"; }));

    // The other layouts, chosen with the keyboard from the list's short menu: page tabs with the
    // plug-in bar, and expanded rows.
    auto fromItemMenu = [&](std::vector<WORD> letters) {
        // The list, or a tick box of a page (not the editor strip's; an edit box has a menu of
        // its own, so past the expanded edit rows).
        ASSERT_TRUE(TabTo(main, [&](HWND focus) {
            for (HWND up = focus; up; up = ::GetParent(up))
                if (ClassOf(up) == "KeltTabSheet")
                    return ClassOf(focus) == "SysListView32" || ClassOf(focus) == "Button";
            return false;
        }, 60));
        Press(VK_F10, {VK_SHIFT});
        for (WORD letter : letters)
            Press(letter);
    };
    fromItemMenu({'M', 'T'});
    ASSERT_TRUE(WaitUntil([&] { return ByClass(main, "SysTabControl32") && ByClass(main, "KeltGlyphButton"); }));
    EXPECT_THAT(Unreadable(main), ::testing::IsEmpty());
    fromItemMenu({'M', 'B'});
    ASSERT_TRUE(WaitUntil([&] { return ByClass(main, "KeltSideBar") != nullptr; }));
    fromItemMenu({'E'});
    ASSERT_TRUE(WaitUntil([&] { return ByClass(main, "KeltSplitter") != nullptr; }));
    EXPECT_THAT(Unreadable(main), ::testing::IsEmpty());
    fromItemMenu({'E'});
    ASSERT_TRUE(WaitUntil([&] { return CompactList(main) != nullptr; }));

    // The search window, opened with its tool button's default action.
    HWND searchButton = FirstChild(main, [](HWND hwnd) { return ReadWindow(hwnd).name == "Search"; });
    ASSERT_TRUE(DoDefault(searchButton));
    HWND search = program_.Shown("Search for Settings in Keltrix...");
    ASSERT_TRUE(search);
    EXPECT_THAT(Unreadable(search), ::testing::IsEmpty());
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(search); }));

    // A plug-in's tool window, opened from the side bar's "Plugins" header.
    HWND bar = ByClass(main, "KeltSideBar");
    const std::vector<Reading> parts = Parts(bar);
    const auto scrub = std::find_if(parts.begin(), parts.end(), [](const Reading& r) { return r.name == "Scrub"; });
    ASSERT_NE(scrub, parts.end()) << "Scrub is not installed";
    ASSERT_TRUE(DoDefault(bar, static_cast<long>(scrub - parts.begin()) + 1));
    HWND tool = program_.Shown("Clear kind of History");
    ASSERT_TRUE(tool);
    EXPECT_THAT(Unreadable(tool), ::testing::IsEmpty());
    const std::vector<Reading> histories = Parts(ByClass(tool, "ListBox"));
    ASSERT_FALSE(histories.empty());
    EXPECT_TRUE(histories[0].state & STATE_SYSTEM_CHECKED) << "every history starts ticked";
    Press(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(tool); }));
}

// ---------------------------------------------------------------- high contrast

// A high-contrast scheme for the length of a test: the system colours (programs started from
// now on take them), no smoothing of text, and the high-contrast setting off until TurnOn. Its
// colours come in pairs of opposites, so a focus mark (drawn by inverting) stays within them;
// none of them is a colour the program draws with of its own.
class HighContrastScheme {
public:
    HighContrastScheme()
    {
        const COLORREF dark = RGB(16, 16, 16), light = RGB(239, 239, 239), green = RGB(32, 160, 64);
        const std::pair<int, COLORREF> scheme[] = {
            {COLOR_WINDOW, dark}, {COLOR_WINDOWTEXT, light}, {COLOR_BTNFACE, dark}, {COLOR_BTNTEXT, light},
            {COLOR_HIGHLIGHT, green}, {COLOR_HIGHLIGHTTEXT, dark}, {COLOR_HOTLIGHT, RGB(255, 207, 127)},
            {COLOR_GRAYTEXT, RGB(223, 95, 191)}, {COLOR_3DSHADOW, light}, {COLOR_3DHILIGHT, light},
            {COLOR_3DDKSHADOW, light}, {COLOR_3DLIGHT, light}, {COLOR_MENU, dark}, {COLOR_MENUTEXT, light},
            {COLOR_MENUBAR, dark}, {COLOR_MENUHILIGHT, green}, {COLOR_SCROLLBAR, dark}, {COLOR_WINDOWFRAME, light},
            {COLOR_ACTIVECAPTION, RGB(0, 48, 128)}, {COLOR_GRADIENTACTIVECAPTION, RGB(0, 48, 128)},
            {COLOR_CAPTIONTEXT, light}, {COLOR_INACTIVECAPTION, dark}, {COLOR_GRADIENTINACTIVECAPTION, dark},
            {COLOR_INACTIVECAPTIONTEXT, light}, {COLOR_INFOBK, dark}, {COLOR_INFOTEXT, light},
            {COLOR_APPWORKSPACE, dark}, {COLOR_BACKGROUND, dark}, {COLOR_ACTIVEBORDER, dark},
            {COLOR_INACTIVEBORDER, dark},
        };
        for (const auto& [index, colour] : scheme) {
            indexes_.push_back(index);
            saved_.push_back(::GetSysColor(index));
            colours_.push_back(colour);
            ours_.insert(colour);
            ours_.insert(~colour & 0xFFFFFF);
        }
        ::SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), colours_.data());
        ::SystemParametersInfoA(SPI_GETFONTSMOOTHING, 0, &smoothing_, 0);
        ::SystemParametersInfoA(SPI_SETFONTSMOOTHING, FALSE, nullptr, SPIF_UPDATEINIFILE);
        // A high-contrast theme replaces the visual style (Wine's own one would keep its colours).
        theme_ = SetText(kThemeKey, "ThemeActive", "0");
        SetText(kSettingKey, "Flags", "126");
    }
    ~HighContrastScheme()
    {
        ::SetSysColors(static_cast<int>(indexes_.size()), indexes_.data(), saved_.data());
        ::SystemParametersInfoA(SPI_SETFONTSMOOTHING, smoothing_, nullptr, SPIF_UPDATEINIFILE);
        SetText(kThemeKey, "ThemeActive", theme_.empty() ? "1" : theme_.c_str());
        SetText(kSettingKey, "Flags", "126");
    }
    // The user switches high contrast on; the system tells every window.
    void TurnOn()
    {
        SetText(kSettingKey, "Flags", "127");
        ::SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0, SMTO_ABORTIFHUNG, 10000, nullptr);
    }
    // Whether a colour is one of the scheme's (or the opposite of one).
    bool Ours(COLORREF colour) const { return ours_.count(colour & 0xFFFFFF) != 0; }
    const std::set<COLORREF>& Colours() const { return ours_; }

private:
    // Where Windows keeps the setting (see high_contrast_answer.cpp) and the visual style's switch.
    static constexpr const char* kSettingKey = "Control Panel\\Accessibility\\HighContrast";
    static constexpr const char* kThemeKey = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
    // Sets a text value; answers the one it replaced.
    static std::string SetText(const char* path, const char* name, const char* text)
    {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return std::string();
        char old[64] = {};
        DWORD size = sizeof old - 1;
        ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size);
        ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
        ::RegCloseKey(key);
        return old;
    }
    std::string theme_;
    std::vector<int> indexes_;
    std::vector<COLORREF> saved_, colours_;
    std::set<COLORREF> ours_;
    BOOL smoothing_ = TRUE;
};

// Wine keeps no high-contrast setting: the library beside this test answers the program's
// question for it from where Windows keeps it (loaded into the running program).
bool LoadSettingAnswer(HANDLE process)
{
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    path = path.substr(0, path.find_last_of('\\') + 1) + "high_contrast_answer.dll";
    void* remote = ::VirtualAllocEx(process, nullptr, path.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote || !::WriteProcessMemory(process, remote, path.c_str(), path.size() + 1, nullptr))
        return false;
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "LoadLibraryA"));
    HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    DWORD loaded = 0;
    if (thread) {
        ::WaitForSingleObject(thread, 30000);
        ::GetExitCodeThread(thread, &loaded);
        ::CloseHandle(thread);
    }
    return loaded != 0;
}

// The pixels of a window's client area that are not of the scheme's colours, and those of its
// text colour (a window not painted yet has none). A pixel of a colour between two scheme colours,
// one of which lies within three pixels of it (a smoothed letter on its background: Wine smooths
// bold letters whatever the setting), is the text renderer's, not the program's; a fill of a
// colour of the program's own is wider than that.
struct Pixels {
    int foreign = 0;
    int text = 0;
};
Pixels CountPixels(const HighContrastScheme& scheme, HWND window)
{
    RECT r{};
    ::GetClientRect(window, &r);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    auto colour = [&](int x, int y) {
        const DWORD p = pixels[y * width + x];  // 0x00RRGGBB
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    };
    Pixels counted;
    for (int y = 0; pixels && y < height; ++y)
        for (int x = 0; x < width; ++x) {
            counted.text += colour(x, y) == ::GetSysColor(COLOR_WINDOWTEXT) ? 1 : 0;
            if (scheme.Ours(colour(x, y)))
                continue;
            std::set<COLORREF> around;
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx)
                    if (x + dx >= 0 && x + dx < width && y + dy >= 0 && y + dy < height &&
                        scheme.Ours(colour(x + dx, y + dy)))
                        around.insert(colour(x + dx, y + dy));
            auto between = [](COLORREF c, COLORREF a, COLORREF b) {
                for (int shift : {0, 8, 16}) {
                    const int v = (c >> shift) & 0xFF, p = (a >> shift) & 0xFF, q = (b >> shift) & 0xFF;
                    if (v < std::min(p, q) || v > std::max(p, q))
                        return false;
                }
                return true;
            };
            bool smoothed = false;
            for (COLORREF a : around)
                for (COLORREF b : scheme.Colours())
                    smoothed = smoothed || between(colour(x, y), a, b);
            counted.foreign += smoothed ? 0 : 1;
        }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return counted;
}

// Waits until the window is painted (some text shows) in nothing but the scheme's colours.
bool DrawnInScheme(const HighContrastScheme& scheme, HWND window)
{
    Pixels counted;
    const bool drawn = WaitUntil(
        [&] {
            counted = CountPixels(scheme, window);
            return counted.text > 200 && counted.foreign == 0;
        },
        20000);
    if (!drawn)
        std::printf("%d pixels in other colours, %d in the text colour\n", counted.foreign, counted.text);
    return drawn;
}

TEST(StagedHighContrast, EveryWindowTakesTheThemesColoursAsSoonAsItIsSwitchedOn)
{
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HighContrastScheme scheme;
    Program program;
    program.Start();
    ASSERT_TRUE(program.main);
    ASSERT_TRUE(LoadSettingAnswer(program.process));
    // A size of its own (the maximised window of a display without a window manager may be
    // larger than what the display shows of it).
    ::ShowWindow(program.main, SW_RESTORE);
    ::SetWindowPos(program.main, nullptr, 0, 0, 960, 660, SWP_NOZORDER);
    // Without the setting the program draws with colours of its own.
    EXPECT_TRUE(WaitUntil([&] { return CountPixels(scheme, program.main).foreign > 1000; }));
    probe::SaveScreenAs("access-before-high-contrast.bmp");

    scheme.TurnOn();
    EXPECT_TRUE(DrawnInScheme(scheme, program.main));
    probe::SaveScreenAs("access-high-contrast-main.bmp");

    HWND searchButton = FirstChild(program.main, [](HWND hwnd) { return ReadWindow(hwnd).name == "Search"; });
    ASSERT_TRUE(DoDefault(searchButton));
    HWND search = program.Shown("Search for Settings in Keltrix...");
    ASSERT_TRUE(search);
    EXPECT_TRUE(DrawnInScheme(scheme, search));
    probe::SaveScreenAs("access-high-contrast-search.bmp");
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(search); }));

    Press('R', {VK_MENU});
    Press(VK_RETURN);
    HWND restore = program.Shown("Restore registry settings");
    ASSERT_TRUE(restore);
    EXPECT_TRUE(DrawnInScheme(scheme, restore));
    probe::SaveScreenAs("access-high-contrast-restore.bmp");
    Press(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(restore); }));

    HWND bar = ByClass(program.main, "KeltSideBar");
    const std::vector<Reading> parts = Parts(bar);
    const auto scrub = std::find_if(parts.begin(), parts.end(), [](const Reading& r) { return r.name == "Scrub"; });
    ASSERT_NE(scrub, parts.end());
    ASSERT_TRUE(DoDefault(bar, static_cast<long>(scrub - parts.begin()) + 1));
    HWND tool = program.Shown("Clear kind of History");
    ASSERT_TRUE(tool);
    EXPECT_TRUE(DrawnInScheme(scheme, tool));
    probe::SaveScreenAs("access-high-contrast-tool.bmp");
    Press(VK_ESCAPE);
    program.Stop();
}

} // namespace
} // namespace kelt
