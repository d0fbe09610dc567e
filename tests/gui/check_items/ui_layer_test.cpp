#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/gui/check_items/gui_host.h"
#include "tests/gui/check_items/ui_test_ids.h"
#include "ui/colour.h"
#include "ui/dpi.h"
#include "ui/error_report.h"
#include "ui/handles.h"
#include "ui/hint.h"
#include "ui/instance.h"
#include "ui/layout.h"
#include "ui/seams.h"
#include "ui/window.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

struct Shown {
    std::string text, caption;
    UINT flags;
};

// Message boxes are recorded and answered with `answer`.
struct MessageRecorder {
    std::vector<Shown> shown;
    int answer = IDOK;
    ui::DialogSeams Seams()
    {
        ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            shown.push_back({text, caption, flags});
            return answer;
        };
        return seams;
    }
};

class ThrowingWindow : public ui::Window {
public:
    ThrowingWindow()
    {
        RegisterWindowClass("KeltThrowing");
        Create("KeltThrowing", "t", WS_OVERLAPPED, 0, 0, 0, 100, 100, nullptr);
    }
    ~ThrowingWindow() override { Destroy(); }
    int handled = 0;

protected:
    bool OnCommand(int id, int, HWND) override
    {
        if (id == 1)
            throw std::runtime_error("Cannot open 'x'");
        if (id == 2)
            throw 42;
        ++handled;
        return true;
    }
};

class TestDialog : public ui::Dialog {
public:
    TestDialog() : Dialog(IDD_UI_TEST) {}
    std::string input;   // filled by the caller
    std::string output;  // read in OnOK
    bool throwOnInit = false;

protected:
    bool OnInitDialog() override
    {
        SetItemText(IDC_UI_TEST_EDIT, input + "!");
        PostMessageA(Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(Item(IDOK)));
        if (throwOnInit)
            throw std::runtime_error("init failed");
        return true;
    }
    void OnOK() override
    {
        output = ItemText(IDC_UI_TEST_EDIT);
        End(IDOK);
    }
};

} // namespace

TEST(WindowBase, ErrorsEscapingAHandlerAreShownAndTheWindowGoesOn)
{
    MessageRecorder recorder;
    ui::ScopedSeams seams(recorder.Seams());
    ThrowingWindow window;
    ASSERT_NE(window.Handle(), nullptr);
    EXPECT_EQ(ui::Window::FromHandle(window.Handle()), &window);
    SendMessageA(window.Handle(), WM_COMMAND, 1, 0);
    SendMessageA(window.Handle(), WM_COMMAND, 2, 0);
    SendMessageA(window.Handle(), WM_COMMAND, 3, 0);
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_EQ(recorder.shown[0].text, "Cannot open 'x'");
    EXPECT_EQ(recorder.shown[0].caption, "Error");
    EXPECT_EQ(recorder.shown[0].flags, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(recorder.shown[1].caption, "Error");
    EXPECT_EQ(window.handled, 1);
    HWND hwnd = window.Handle();
    window.Destroy();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.Handle(), nullptr);
    EXPECT_EQ(ui::Window::FromHandle(hwnd), nullptr);
}

TEST(WindowBase, ChildNotificationsReachTheChildsOwnHandlerFirst)
{
    HostWindow host;
    HWND button = CreateWindowExA(0, "BUTTON", "b", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 50, 20, host.Handle(),
                                  reinterpret_cast<HMENU>(7), ui::Instance(), nullptr);
    int reflected = 0;
    ui::SetReflectionHandler(button, [&](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (message != WM_COMMAND)
            return false;
        ++reflected;
        result = 0;
        return HIWORD(wParam) == BN_CLICKED;
    });
    SendMessageA(button, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(reflected, 1);
    EXPECT_TRUE(host.commands.empty());
    // Without a handler the parent gets it.
    ui::SetReflectionHandler(button, nullptr);
    SendMessageA(button, BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(reflected, 1);
    EXPECT_EQ(host.commands, std::vector<UINT>{BN_CLICKED});
}

TEST(DialogBase, RunsModallyFromItsTemplateAndHandsBackTheResults)
{
    TestDialog dialog;
    dialog.input = "abc";
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
    EXPECT_EQ(dialog.output, "abc!");
    EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(DialogBase, AnErrorInInitialisationIsReportedAndTheDialogStillWorks)
{
    MessageRecorder recorder;
    ui::ScopedSeams seams(recorder.Seams());
    TestDialog dialog;
    dialog.throwOnInit = true;
    EXPECT_EQ(dialog.RunModal(nullptr), IDOK);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].text, "init failed");
    EXPECT_EQ(dialog.output, "!");
}

TEST(Seams, ScriptedAnswersAndRestoredDefaults)
{
    MessageRecorder outer;
    ui::ScopedSeams outerScope(outer.Seams());
    {
        MessageRecorder inner;
        inner.answer = IDCANCEL;
        ui::ScopedSeams innerScope(inner.Seams());
        EXPECT_EQ(ui::ShowMessage(nullptr, "Overwrite?", "Warning", MB_OKCANCEL | MB_ICONQUESTION), IDCANCEL);
        ASSERT_EQ(inner.shown.size(), 1u);
        EXPECT_EQ(inner.shown[0].flags, 33u);
        // Seams a test did not script answer "cancelled", never a real dialog.
        COLORREF colour = 0;
        EXPECT_FALSE(ui::ChooseColour(nullptr, colour));
        ui::FileDialogRequest file;
        EXPECT_FALSE(ui::SaveFileDialog(nullptr, file));
        ui::FolderRequest folder;
        EXPECT_FALSE(ui::BrowseForFolder(nullptr, folder));
    }
    ui::ReportError(std::runtime_error("boom"));
    ASSERT_EQ(outer.shown.size(), 1u);
    EXPECT_EQ(outer.shown[0].text, "boom");
}

TEST(Seams, ColourDialogStartsFromTheResolvedColour)
{
    COLORREF seen = 1;
    ui::DialogSeams seams;
    seams.chooseColour = [&](HWND, COLORREF& colour) {
        seen = colour;
        colour = RGB(1, 2, 3);
        return true;
    };
    ui::ScopedSeams scope(seams);
    ui::Colour colour = 0x8000000F;
    EXPECT_TRUE(ui::ChooseColour(nullptr, colour));
    EXPECT_EQ(seen, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(colour, static_cast<ui::Colour>(RGB(1, 2, 3)));
}

TEST(Hints, OneTooltipPerThreadServesEveryWindow)
{
    HostWindow host;
    HWND a = CreateWindowExA(0, "STATIC", "a", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, host.Handle(), nullptr,
                             ui::Instance(), nullptr);
    HWND b = CreateWindowExA(0, "STATIC", "b", WS_CHILD | WS_VISIBLE, 0, 30, 50, 20, host.Handle(), nullptr,
                             ui::Instance(), nullptr);
    ui::SetHint(a, "HKEY_LOCAL_MACHINE\\Software\\x\\y");
    ui::SetHint(b, "second");
    HWND tooltip = ui::HintWindow();
    ASSERT_NE(tooltip, nullptr);
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
    EXPECT_EQ(ui::GetHint(a), "HKEY_LOCAL_MACHINE\\Software\\x\\y");
    ui::SetHint(b, "changed");
    EXPECT_EQ(ui::GetHint(b), "changed");
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 2);
    ui::SetHint(a, "");
    EXPECT_EQ(ui::GetHint(a), "");
    EXPECT_EQ(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    ui::RemoveHint(b);
}

TEST(Colours, SystemColoursGoThroughTheSystem)
{
    EXPECT_EQ(ui::ResolveColour(0x8000000Fu), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(ui::ResolveColour(0x80000005u), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ui::ResolveColour(0x00123456u), 0x00123456u);
    EXPECT_EQ(ui::ResolveColour(0x7F123456u), 0x00123456u);
    EXPECT_TRUE(ui::IsSystemColour(ui::SystemColour(COLOR_HIGHLIGHT)));
}

TEST(Handles, OwnersReleaseExactlyOnce)
{
    ui::UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
    HBRUSH raw = brush.get();
    ASSERT_EQ(GetObjectType(raw), static_cast<DWORD>(OBJ_BRUSH));
    ui::UniqueBrush moved(std::move(brush));
    EXPECT_FALSE(brush);
    EXPECT_EQ(moved.get(), raw);
    moved = ui::UniqueBrush();
    EXPECT_EQ(GetObjectType(raw), 0u);

    ui::UniqueModule module(LoadLibraryA("comctl32.dll"));
    EXPECT_TRUE(module);
    HMODULE released = module.release();
    EXPECT_FALSE(module);
    FreeLibrary(released);
}

TEST(Dpi, ScalesFrom96DotsPerInch)
{
    EXPECT_EQ(ui::ScaleFor(17, 96), 17);
    EXPECT_EQ(ui::ScaleFor(17, 192), 34);
    EXPECT_EQ(ui::ScaleFor(390, 144), 585);
    EXPECT_EQ(ui::Scale(100), MulDiv(100, ui::ScreenDpi(), 96));
    EXPECT_NE(ui::DefaultFont(), nullptr);
    EXPECT_EQ(ui::Instance(), GetModuleHandleA(nullptr));
}

TEST(AnchorLayout, ControlsKeepTheirDistancesToTheAnchoredEdges)
{
    HostWindow host;
    SetWindowPos(host.Handle(), nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOMOVE);
    RECT client;
    GetClientRect(host.Handle(), &client);
    auto child = [&](int x, int y, int w, int h) {
        return CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, x, y, w, h, host.Handle(), nullptr,
                               ui::Instance(), nullptr);
    };
    HWND fixed = child(10, 10, 50, 20);
    HWND stretched = child(10, 40, client.right - 20, client.bottom - 80);
    HWND button = child(client.right - 60, client.bottom - 30, 50, 20);
    ui::AnchorLayout layout;
    layout.Attach(host.Handle());
    layout.Add(fixed, ui::akTopLeft);
    layout.Add(stretched, ui::akAll);
    layout.Add(button, ui::akRight | ui::akBottom);

    SetWindowPos(host.Handle(), nullptr, 0, 0, 500, 350, SWP_NOZORDER | SWP_NOMOVE);
    layout.Apply();
    RECT now;
    GetClientRect(host.Handle(), &now);
    auto rectOf = [&](HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        MapWindowPoints(nullptr, host.Handle(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    RECT r = rectOf(fixed);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right, 60);
    r = rectOf(stretched);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.right, now.right - 10);
    EXPECT_EQ(r.bottom, now.bottom - 40);
    r = rectOf(button);
    EXPECT_EQ(r.right, now.right - 10);
    EXPECT_EQ(r.bottom, now.bottom - 10);
    EXPECT_EQ(r.right - r.left, 50);
}
