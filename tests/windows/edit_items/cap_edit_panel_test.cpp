#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "catalogue/cap_edit_panel.h"
#include "tests/windows/edit_items/test_host.h"
#include "ui/colour.h"
#include "ui/dpi.h"
#include "ui/handles.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

struct EventCounts {
    int begin = 0, change = 0, end = 0;
    void Attach(JTCapEditPanel& panel)
    {
        panel.OnBeginEdit = [this](JTCapEditPanel&) { ++begin; };
        panel.OnValueChange = [this](JTCapEditPanel&) { ++change; };
        panel.OnEndEdit = [this](JTCapEditPanel&) { ++end; };
    }
};

// What the panel tells a child control to draw with.
struct Drawn {
    COLORREF text;
    COLORREF back;
    HBRUSH brush;
};

Drawn ColoursFor(JTCapEditPanel& panel, UINT message, HWND child)
{
    ui::WindowDC screen(nullptr);
    ui::MemoryDC dc(screen.get());
    Drawn drawn{};
    drawn.brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(panel.Handle(), message, reinterpret_cast<WPARAM>(dc.get()), reinterpret_cast<LPARAM>(child)));
    drawn.text = ::GetTextColor(dc.get());
    drawn.back = ::GetBkColor(dc.get());
    return drawn;
}

// Has the panel draw its caption into a bitmap; counts the pixels of two colours.
std::pair<int, int> DrawnCaption(JTCapEditPanel& panel, COLORREF text, COLORREF back)
{
    RECT area{};
    ::GetClientRect(panel.Label(), &area);
    ui::WindowDC screen(nullptr);
    ui::MemoryDC dc(screen.get());
    ui::UniqueBitmap bitmap(::CreateCompatibleBitmap(screen.get(), area.right, area.bottom));
    ui::SelectedObject selected(dc.get(), bitmap.get());
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_STATIC;
    draw.CtlID = static_cast<UINT>(::GetDlgCtrlID(panel.Label()));
    draw.hwndItem = panel.Label();
    draw.hDC = dc.get();
    draw.rcItem = area;
    ::SendMessageA(panel.Handle(), WM_DRAWITEM, draw.CtlID, reinterpret_cast<LPARAM>(&draw));
    std::pair<int, int> counts{0, 0};
    for (int y = 0; y < area.bottom; ++y)
        for (int x = 0; x < area.right; ++x) {
            const COLORREF pixel = ::GetPixel(dc.get(), x, y);
            counts.first += pixel == text;
            counts.second += pixel == back;
        }
    return counts;
}

} // namespace

TEST(CapEditPanel, NewPanelIs400By47WithAnEmptyValue)
{
    JTCapEditPanel panel(1);
    EXPECT_EQ(panel.Width(), ui::Scale(400));
    EXPECT_EQ(panel.Height(), ui::Scale(47));
    EXPECT_EQ(panel.Value(), "");
    EXPECT_EQ(panel.ValueType(), 1);
    EXPECT_EQ(panel.Handle(), nullptr);
    EXPECT_EQ(panel.Edit(), nullptr);
}

TEST(CapEditPanel, CaptionAsWideAsThePanelWidensIt)
{
    JTCapEditPanel panel(0);
    panel.SetCaption("Short caption");
    EXPECT_EQ(panel.Width(), ui::Scale(400));

    const std::string wide(90, 'W');
    panel.SetCaption(wide);
    ASSERT_GE(panel.CaptionWidth(), ui::Scale(400));
    EXPECT_EQ(panel.Width(), panel.CaptionWidth() + ui::Scale(8));

    // Built: the label is as wide as its text, the edit box spans the panel less 2 each side.
    HostWindow host(1200);
    panel.SetParentArea(host.Handle());
    const RECT label = RectInParent(panel.Label());
    const RECT edit = RectInParent(panel.Edit());
    EXPECT_EQ(label.right - label.left, panel.CaptionWidth());
    EXPECT_EQ(edit.right - edit.left, panel.Width() - ui::Scale(4));
}

TEST(CapEditPanel, StateSetBeforeTheParentIsShownOnceBuilt)
{
    JTCapEditPanel panel(1);
    panel.SetCaption("Number of things");
    panel.SetValue("007");
    EXPECT_EQ(panel.Value(), "007");
    EXPECT_EQ(panel.EditText(), "7");
    panel.SetTextColour(RGB(0, 128, 0));

    HostWindow host;
    panel.SetPosition(10, 20);
    panel.SetParentArea(host.Handle());
    ASSERT_NE(panel.Handle(), nullptr);
    EXPECT_EQ(TextOf(panel.Label()), "Number of things");
    EXPECT_EQ(TextOf(panel.Edit()), "7");
    const RECT label = RectInParent(panel.Label());
    const RECT edit = RectInParent(panel.Edit());
    EXPECT_EQ(label.left, ui::Scale(2));
    EXPECT_EQ(label.top, ui::Scale(2));
    EXPECT_EQ(edit.left, ui::Scale(2));
    EXPECT_EQ(edit.top, label.bottom);
    const RECT self = RectInParent(panel.Handle());
    EXPECT_EQ(self.left, 10);
    EXPECT_EQ(self.top, 20);

    // And setters keep working afterwards.
    panel.SetValue("-0012");
    EXPECT_EQ(TextOf(panel.Edit()), "-12");
    panel.SetCaption("Renamed");
    EXPECT_EQ(TextOf(panel.Label()), "Renamed");
}

TEST(CapEditPanel, StringRowValueFollowsTheTypedText)
{
    HostWindow host;
    JTCapEditPanel panel(0);
    EventCounts events;
    events.Attach(panel);
    panel.SetValue("Abc");
    panel.SetParentArea(host.Handle());

    ::SetFocus(panel.Edit());
    EXPECT_EQ(events.begin, 1);
    EXPECT_EQ(panel.ValueBeforeEdit(), "Abc");
    ::SendMessageA(panel.Edit(), EM_SETSEL, 3, 3);
    TypeChars(panel.Edit(), " 007");
    EXPECT_EQ(panel.Value(), "Abc 007");
    EXPECT_EQ(events.change, 4);
    ::SetFocus(host.Other());
    EXPECT_EQ(events.end, 1);
    EXPECT_EQ(panel.ValueBeforeEdit(), "Abc");
}

TEST(CapEditPanel, DwordRowNormalisesValidNumbersWhileTyping)
{
    HostWindow host;
    BoxRecorder boxes;
    JTCapEditPanel panel(1);
    panel.SetParentArea(host.Handle());
    HWND edit = panel.Edit();
    ::SetFocus(edit);

    TypeChars(edit, "007");
    EXPECT_EQ(TextOf(edit), "7");
    EXPECT_EQ(panel.Value(), "7");

    // The caret stays where the user was typing: a 0 typed before the 7 vanishes, and the next
    // digit still lands before the 7.
    ::SendMessageA(edit, EM_SETSEL, 0, 0);
    TypeChars(edit, "0");
    EXPECT_EQ(TextOf(edit), "7");
    TypeChars(edit, "1");
    EXPECT_EQ(TextOf(edit), "17");
    EXPECT_EQ(panel.Value(), "17");
    EXPECT_FALSE(panel.IsInvalid());

    ::SetFocus(host.Other());
    ui::ProcessPendingMessages();
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(CapEditPanel, DwordIntermediateTextsRaiseNoBoxAndAFinalInvalidTextIsReportedOnce)
{
    HostWindow host;
    BoxRecorder boxes;
    JTCapEditPanel panel(1);
    EventCounts events;
    events.Attach(panel);
    panel.SetValue("5");
    panel.SetParentArea(host.Handle());
    HWND edit = panel.Edit();

    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    Backspace(edit);
    EXPECT_EQ(panel.Value(), "");
    EXPECT_TRUE(panel.IsInvalid());
    TypeChars(edit, "-");
    EXPECT_EQ(panel.Value(), "-");
    EXPECT_EQ(TextOf(edit), "-");
    EXPECT_TRUE(panel.IsInvalid());
    ui::ProcessPendingMessages();
    EXPECT_TRUE(boxes.Boxes().empty());
    TypeChars(edit, "8");
    EXPECT_EQ(TextOf(edit), "-8");
    EXPECT_EQ(panel.Value(), "-8");
    EXPECT_FALSE(panel.IsInvalid());
    TypeChars(edit, "x");
    EXPECT_EQ(panel.Value(), "-8x");
    EXPECT_TRUE(panel.IsInvalid());
    ui::ProcessPendingMessages();
    EXPECT_TRUE(boxes.Boxes().empty());

    ::SetFocus(host.Other());
    EXPECT_EQ(events.end, 1);
    ui::ProcessPendingMessages();
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].text, "'-8x' is not a valid integer value");
    EXPECT_EQ(boxes.Boxes()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(panel.Value(), "-8x");

    // Passing through the box again without changing it says nothing more.
    ::SetFocus(edit);
    ::SetFocus(host.Other());
    ui::ProcessPendingMessages();
    EXPECT_EQ(boxes.Boxes().size(), 1u);

    // Fixed: no box.
    ::SetFocus(edit);
    ::SendMessageA(edit, EM_SETSEL, 0, -1);
    TypeChars(edit, "12");
    ::SetFocus(host.Other());
    ui::ProcessPendingMessages();
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(panel.Value(), "12");
}

TEST(CapEditPanel, ProgrammaticValueThatIsNoNumberIsShownMarkedWithoutRaising)
{
    JTCapEditPanel panel(1);
    EXPECT_NO_THROW(panel.SetValue("abc"));
    EXPECT_EQ(panel.EditText(), "abc");
    EXPECT_TRUE(panel.IsInvalid());
    panel.SetValue("+5");
    EXPECT_EQ(panel.EditText(), "5");
    EXPECT_FALSE(panel.IsInvalid());
    // Empty is no number either, whoever empties the field: writing it fails just the same.
    panel.SetValue("");
    EXPECT_EQ(panel.EditText(), "");
    EXPECT_TRUE(panel.IsInvalid());
    EXPECT_TRUE(JTCapEditPanel(1).IsInvalid());
    EXPECT_FALSE(JTCapEditPanel(0).IsInvalid());
}

TEST(CapEditPanel, PanelGivesItsChildrenTheRowColours)
{
    HostWindow host;
    JTCapEditPanel panel(1);
    panel.SetValue("5");
    panel.SetCaption("Coloured");
    panel.SetBackColour(RGB(10, 20, 30));
    panel.SetTextColour(RGB(128, 0, 0));
    panel.SetParentArea(host.Handle());

    const auto caption = DrawnCaption(panel, RGB(128, 0, 0), RGB(10, 20, 30));
    EXPECT_GT(caption.first, 10);
    EXPECT_GT(caption.second, 100);

    Drawn edit = ColoursFor(panel, WM_CTLCOLOREDIT, panel.Edit());
    EXPECT_EQ(edit.text, RGB(128, 0, 0));
    EXPECT_EQ(edit.back, ::GetSysColor(COLOR_WINDOW));
    EXPECT_NE(edit.brush, nullptr);

    // A text that is not a number shows in the error colour.
    ::SetFocus(panel.Edit());
    TypeChars(panel.Edit(), "x");
    Drawn invalid = ColoursFor(panel, WM_CTLCOLOREDIT, panel.Edit());
    EXPECT_EQ(invalid.back, RGB(255, 214, 214));
    EXPECT_EQ(invalid.text, RGB(128, 0, 0));

    // System colours are resolved; a disabled row draws grey text.
    panel.SetTextColour(ui::SystemColour(COLOR_HIGHLIGHT));
    EXPECT_EQ(ColoursFor(panel, WM_CTLCOLOREDIT, panel.Edit()).text, ::GetSysColor(COLOR_HIGHLIGHT));
    panel.SetEnabled(false);
    EXPECT_FALSE(::IsWindowEnabled(panel.Edit()));
    EXPECT_EQ(ColoursFor(panel, WM_CTLCOLORSTATIC, panel.Edit()).text, ::GetSysColor(COLOR_GRAYTEXT));
    const auto greyCaption = DrawnCaption(panel, ::GetSysColor(COLOR_GRAYTEXT), RGB(10, 20, 30));
    EXPECT_GT(greyCaption.first, 10);
    EXPECT_EQ(DrawnCaption(panel, ::GetSysColor(COLOR_HIGHLIGHT), RGB(10, 20, 30)).first, 0);
}

TEST(CapEditPanel, BinaryRowIsReadOnlyAndShowsThePromptWhenBuilt)
{
    HostWindow host;
    JTCapEditPanel panel(2);
    EventCounts events;
    events.Attach(panel);
    panel.SetValue(std::string(12, '\0'));
    EXPECT_EQ(panel.EditText(), "Value is Binary data with length:12");
    panel.SetParentArea(host.Handle());
    EXPECT_TRUE(::GetWindowLongPtrA(panel.Edit(), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(TextOf(panel.Edit()), "Data is Binary,Double click or click the right button to modify the value!");

    // Focus and typing do not edit a binary row.
    ::SetFocus(panel.Edit());
    TypeChars(panel.Edit(), "zz");
    ::SetFocus(host.Other());
    EXPECT_EQ(panel.Value(), std::string(12, '\0'));
    EXPECT_EQ(events.begin + events.change + events.end, 0);

    // A new value shows its length; a new parent area builds the row again.
    panel.SetValue("abc");
    EXPECT_EQ(TextOf(panel.Edit()), "Value is Binary data with length:3");
    HostWindow other;
    panel.SetParentArea(other.Handle());
    EXPECT_EQ(::GetParent(panel.Handle()), other.Handle());
    EXPECT_EQ(TextOf(panel.Edit()), JTCapEditPanel::kBinaryPrompt);
    panel.SetParentArea(nullptr);
    EXPECT_EQ(panel.Handle(), nullptr);
}
