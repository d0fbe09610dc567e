#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "catalogue/ck_set_item.h"
#include "tests/gui/check_items/gui_host.h"
#include "tests/windows/platform/test_key.h"
#include "ui/hint.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

const COLORREF kPageColour = RGB(250, 250, 250);
const COLORREF kBack = RGB(0, 96, 160);
const COLORREF kNormal = RGB(255, 255, 0);
const COLORREF kModified = RGB(255, 0, 255);

// One check item with its row in a real window.
class CheckRowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.TWeakBackColor = kBack;
        settings.NorTWeakColor = kNormal;
        settings.ModTWeakColor = kModified;
        RawSetDword(key.Path(), "Value", 0);
        item = std::make_unique<JTckSetItem>();
        item->sDescribe = "Enable the test tweak for this machine";
        item->iRegRoot = static_cast<int>(0x80000001u);
        item->sSubKey = key.Path();
        item->sDataName = "Value";
        item->iRegType = 1;
        item->sYesVal = "1";
        item->sNoVal = "0";
        item->OSType.SetMask(127);
        item->SetDisplaySettings(&settings);
        item->OnSelect = [this](JTSetItem* i) { events.push_back(i == item.get() ? "select" : "select?"); };
        item->OnDetails = [this](JTSetItem* i) { events.push_back(i == item.get() ? "details" : "details?"); };
        item->OnChange = [this](JTSetItem* i, bool modified) {
            events.push_back(std::string(i == item.get() ? "change " : "change? ") + (modified ? "1" : "0"));
        };
        ASSERT_TRUE(item->Initialize(false, true));
        item->SetParentArea(host.Handle());
        item->GetControl()->SetPosition(10, 10);
        Pump();
    }

    HWND Box() const { return item->Row()->Box(); }
    bool BoxChecked() const { return SendMessageA(Box(), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void Click(UINT down, UINT up, WPARAM keys)
    {
        SendMessageA(Box(), down, keys, MAKELPARAM(5, 8));
        SendMessageA(Box(), up, 0, MAKELPARAM(5, 8));
        Pump();
    }
    void Space()
    {
        SetFocus(Box());
        SendMessageA(Box(), WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageA(Box(), WM_KEYUP, VK_SPACE, 0xC0390001);
        Pump();
    }
    Pixels RowPixels() const { return Pixels(item->Row()->Handle()); }

    TestKey key{"gui-row"};
    HostWindow host{kPageColour};
    TRegSetOption settings;
    std::unique_ptr<JTckSetItem> item;
    std::vector<std::string> events;
};

} // namespace

TEST_F(CheckRowTest, TheRowIsARealAutoCheckBoxShowingTheItem)
{
    HWND box = Box();
    ASSERT_NE(box, nullptr);
    char cls[32] = {};
    GetClassNameA(box, cls, sizeof cls);
    EXPECT_STREQ(cls, "Button");
    EXPECT_EQ(GetWindowLongA(box, GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX);
    char caption[128] = {};
    GetWindowTextA(box, caption, sizeof caption);
    EXPECT_STREQ(caption, "Enable the test tweak for this machine");
    EXPECT_EQ(GetParent(item->Row()->Handle()), host.Handle());
    RECT rc;
    GetWindowRect(item->Row()->Handle(), &rc);
    MapWindowPoints(nullptr, host.Handle(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, 10);
    EXPECT_EQ(rc.top, 10);
    EXPECT_EQ(rc.right - rc.left, 9 * 38 + 30);
    EXPECT_EQ(rc.bottom - rc.top, 17);
    GetClientRect(box, &rc);
    EXPECT_EQ(rc.right, 9 * 38 + 30);
    EXPECT_FALSE(BoxChecked());
    EXPECT_EQ(ui::GetHint(box), "HKEY_CURRENT_USER\\" + key.Path() + "\\Value");
    // Tag: the control leads back to its item.
    EXPECT_EQ(item->Row()->Tag(), item.get());
    EXPECT_EQ(ItemKindOf(item->GetControl()), 4);
}

TEST_F(CheckRowTest, MouseClicksToggleRecolourAndReportTheChange)
{
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    EXPECT_TRUE(BoxChecked());
    EXPECT_TRUE(item->IsChecked());
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(item->Row()->TextColour(), static_cast<Colour>(kModified));
    EXPECT_EQ(events, (std::vector<std::string>{"select", "change 1"}));

    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    EXPECT_FALSE(BoxChecked());
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->Row()->TextColour(), static_cast<Colour>(kNormal));
    EXPECT_EQ(events, (std::vector<std::string>{"select", "change 1", "select", "change 0"}));
    EXPECT_EQ(item->GetNewValue(), "0");
}

TEST_F(CheckRowTest, OtherButtonsAskForDetailsAndChangeNothing)
{
    Click(WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
    Click(WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON);
    EXPECT_FALSE(BoxChecked());
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(events, (std::vector<std::string>{"details", "details"}));
}

TEST_F(CheckRowTest, TheSpaceBarCountsLikeAClick)
{
    Space();
    EXPECT_TRUE(BoxChecked());
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(item->GetNewValue(), "1");
    EXPECT_EQ(item->Row()->TextColour(), static_cast<Colour>(kModified));
    EXPECT_EQ(events, (std::vector<std::string>{"change 1"}));
    Space();
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(events, (std::vector<std::string>{"change 1", "change 0"}));
}

TEST_F(CheckRowTest, ProgrammaticClicksAndSetCheckedBehaveAsDefined)
{
    SendMessageA(Box(), BM_CLICK, 0, 0);
    Pump();
    EXPECT_TRUE(item->IsModified());
    EXPECT_EQ(events.back(), "change 1");
    events.clear();
    // SetChecked moves the box and the colour but raises nothing.
    item->SetChecked(false);
    EXPECT_FALSE(BoxChecked());
    EXPECT_EQ(item->Row()->TextColour(), static_cast<Colour>(kNormal));
    EXPECT_TRUE(events.empty());
}

TEST_F(CheckRowTest, TheRowHandlesItsOwnNotificationsInAnyParent)
{
    // The host (a window knowing nothing about rows) receives none of the box's clicks.
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(CheckRowTest, UntilItGetsAColourTheRowShowsItsParentsBackground)
{
    Pixels pixels = RowPixels();
    const int w = pixels.Width(), h = pixels.Height();
    EXPECT_EQ(pixels.At(w - 2, h / 2), kPageColour);
    EXPECT_GT(pixels.Count(kPageColour), w * h / 2);
    EXPECT_GT(pixels.Count(kNormal, 16, 0, w, h), 30);
}

TEST_F(CheckRowTest, TheChosenColoursReallyShow)
{
    ASSERT_TRUE(item->ApplyColors());
    {
        Pixels pixels = RowPixels();
        const int w = pixels.Width(), h = pixels.Height();
        // Background: right of the caption the row is all background colour.
        EXPECT_EQ(pixels.At(w - 2, h / 2), kBack);
        EXPECT_EQ(pixels.At(w - 2, 0), kBack);
        EXPECT_GT(pixels.Count(kBack), w * h / 2);
        EXPECT_EQ(pixels.Count(kPageColour), 0);
        // Caption in the unmodified colour, none in the modified one.
        EXPECT_GT(pixels.Count(kNormal, 16, 0, w, h), 30);
        EXPECT_EQ(pixels.Count(kModified), 0);
    }
    item->SetChecked(true);
    {
        Pixels pixels = RowPixels();
        EXPECT_GT(pixels.Count(kModified, 16, 0, pixels.Width(), pixels.Height()), 30);
        EXPECT_EQ(pixels.Count(kNormal), 0);
    }
    // A click recolours too (the user's toggle, not only SetChecked).
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    {
        Pixels pixels = RowPixels();
        EXPECT_GT(pixels.Count(kNormal, 16, 0, pixels.Width(), pixels.Height()), 30);
        EXPECT_EQ(pixels.Count(kModified), 0);
    }
}

TEST_F(CheckRowTest, SystemColoursResolveThroughTheSystem)
{
    item->SetColor(0x80000000u | COLOR_HIGHLIGHT);
    item->SetTextColor(0x80000000u | COLOR_HIGHLIGHTTEXT);
    Pixels pixels = RowPixels();
    EXPECT_EQ(pixels.At(pixels.Width() - 2, 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_GT(pixels.Count(GetSysColor(COLOR_HIGHLIGHTTEXT), 16, 0, pixels.Width(), pixels.Height()), 30);
}

TEST_F(CheckRowTest, DisabledRowsAreGreyAndIgnoreClicks)
{
    item->GetControl()->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(Box()));
    Pixels pixels = RowPixels();
    EXPECT_EQ(pixels.Count(kNormal), 0);
    EXPECT_GT(pixels.Count(GetSysColor(COLOR_GRAYTEXT), 16, 0, pixels.Width(), pixels.Height()), 30);
}

TEST_F(CheckRowTest, StateSetBeforeTheWindowExistsShowsWhenItIsCreated)
{
    JTCheckRow row;
    row.SetCaption("Early");
    row.SetBounds(4, 40, 200, 17);
    row.SetChecked(true);
    row.SetEnabled(false);
    row.SetHint("HKEY_USERS\\x\\y");
    row.SetBackColour(kBack);
    EXPECT_EQ(row.Handle(), nullptr);
    row.SetParentArea(host.Handle());
    ASSERT_NE(row.Box(), nullptr);
    EXPECT_EQ(SendMessageA(row.Box(), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(row.Box()));
    EXPECT_EQ(ui::GetHint(row.Box()), "HKEY_USERS\\x\\y");
    char caption[32] = {};
    GetWindowTextA(row.Box(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Early");
    RECT rc;
    GetClientRect(row.Handle(), &rc);
    EXPECT_EQ(rc.right, 200);

    row.SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(row.Handle()));
    row.SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(row.Handle()));
}

TEST_F(CheckRowTest, RowsMoveBetweenParentsAndSurviveLosingTheirWindow)
{
    HostWindow panel(RGB(200, 200, 200));
    item->SetParentArea(panel.Handle());
    item->GetControl()->SetPosition(2, 2);
    EXPECT_EQ(GetParent(item->Row()->Handle()), panel.Handle());
    EXPECT_EQ(item->ParentArea(), panel.Handle());
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    EXPECT_TRUE(item->IsModified());

    item->SetParentArea(nullptr);
    EXPECT_EQ(item->Row()->Handle(), nullptr);
    EXPECT_EQ(item->Row()->Box(), nullptr);
    item->SetChecked(false);
    item->SetParentArea(host.Handle());
    ASSERT_NE(Box(), nullptr);
    EXPECT_FALSE(BoxChecked());
    Space();
    EXPECT_TRUE(item->IsModified());
}

TEST_F(CheckRowTest, BuildingAfterAWriteMakesTheNewValueTheUnmodifiedState)
{
    Click(WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
    ASSERT_TRUE(item->WriteValue());
    ASSERT_TRUE(item->ReadValue());
    ASSERT_TRUE(item->BuildControl());
    EXPECT_TRUE(BoxChecked());
    EXPECT_FALSE(item->IsModified());
    EXPECT_EQ(item->Row()->TextColour(), static_cast<Colour>(kNormal));
    // Rebuilding kept the one window.
    EXPECT_EQ(GetParent(item->Row()->Handle()), host.Handle());
}

TEST_F(CheckRowTest, ItemsDestroyTheirRowsWithThem)
{
    HWND row = item->Row()->Handle();
    HWND box = Box();
    item.reset();
    EXPECT_FALSE(IsWindow(row));
    EXPECT_FALSE(IsWindow(box));
}
