// The options dialog driven through its controls, against the registry of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "app/html_help.h"
#include "app/options.h"
#include "app/options_form.h"
#include "app/options_ids.h"
#include "ui/files.h"
#include "ui/seams.h"
#include "ui/window.h"

using kelt::JTKeltOptions;
using kelt::TKeltOptionsForm;

namespace {

const char kVendorPath[] = "SoftWare\\Dorvane";
const char kParentPath[] = "SoftWare\\Dorvane\\Keltrix 0.8";
const char kOptionsPath[] = "SoftWare\\Dorvane\\Keltrix 0.8\\Options";

struct Message {
    std::string text, caption;
    UINT flags;
};

std::string Text(HWND window)
{
    char buffer[512] = {};
    ::GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

bool PageShown(HWND page)
{
    return (::GetWindowLongA(page, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool KeyExists(const char* path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

DWORD StoredNumber(const char* name)
{
    DWORD value = 0xDEADBEEF, size = sizeof value;
    ::RegGetValueA(HKEY_LOCAL_MACHINE, kOptionsPath, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// The colours a control is painted with, as its parent answers WM_CTLCOLORSTATIC.
struct PaintColours {
    COLORREF brush, text, back;
};

PaintColours ColoursOf(HWND control)
{
    HDC dc = ::GetDC(control);
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SetBkColor(dc, RGB(4, 5, 6));
    auto brush = reinterpret_cast<HBRUSH>(
        ::SendMessageA(::GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(control)));
    LOGBRUSH info = {};
    if (brush)
        ::GetObjectA(brush, sizeof info, &info);
    PaintColours colours{brush ? info.lbColor : CLR_INVALID, ::GetTextColor(dc), ::GetBkColor(dc)};
    ::ReleaseDC(control, dc);
    return colours;
}

class OptionsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorPath);
        kelt::ui::DialogSeams seams;
        seams.messageBox = [this](HWND, const std::string& text, const std::string& caption, UINT flags) {
            messages_.push_back({text, caption, flags});
            return IDOK;
        };
        seams.chooseColour = [this](HWND, COLORREF& colour) {
            offered_.push_back(colour);
            if (picks_.empty())
                return false;
            colour = picks_.front();
            picks_.pop_front();
            return true;
        };
        seams_ = std::make_unique<kelt::ui::ScopedSeams>(std::move(seams));
        previousHelp_ = kelt::SetHtmlHelpCall(
            [this](HWND owner, const std::string& path, UINT, DWORD_PTR) { help_.push_back({owner, path}); });
    }
    void TearDown() override
    {
        form_.reset();
        kelt::SetHtmlHelpCall(previousHelp_);
        seams_.reset();
        ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVendorPath);
    }

    TKeltOptionsForm& Open(JTKeltOptions* options)
    {
        form_ = std::make_unique<TKeltOptionsForm>(nullptr, &result_, options);
        EXPECT_TRUE(form_->CreateModeless(nullptr));
        return *form_;
    }
    HWND Control(int page, int id) const { return ::GetDlgItem(form_->PageHandle(page), id); }
    void Click(int page, int id) const { ::SendMessageA(Control(page, id), BM_CLICK, 0, 0); }
    void ClickFrame(int id) const { ::SendMessageA(::GetDlgItem(form_->Handle(), id), BM_CLICK, 0, 0); }
    // Chooses a layout entry the way the user does: selection, then the change notification.
    void ChooseLayout(int index) const
    {
        HWND combo = Control(TKeltOptionsForm::pgLayout, IDC_MAIN_LAYOUT);
        ::SendMessageA(combo, CB_SETCURSEL, index, 0);
        ::SendMessageA(form_->PageHandle(TKeltOptionsForm::pgLayout), WM_COMMAND,
                       MAKEWPARAM(IDC_MAIN_LAYOUT, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    }
    bool Visible(int page, int id) const { return (::GetWindowLongA(Control(page, id), GWL_STYLE) & WS_VISIBLE) != 0; }

    std::unique_ptr<kelt::ui::ScopedSeams> seams_;
    std::unique_ptr<TKeltOptionsForm> form_;
    int result_ = -7;
    std::vector<Message> messages_;
    std::deque<COLORREF> picks_;
    std::vector<COLORREF> offered_;
    std::vector<std::pair<HWND, std::string>> help_;
    kelt::HtmlHelpCall previousHelp_;
};

TEST_F(OptionsDialog, FrameHasItsCaptionPagesAndButtons)
{
    JTKeltOptions options;
    TKeltOptionsForm& form = Open(&options);
    HWND dialog = form.Handle();
    EXPECT_EQ("Options", Text(dialog));
    const LONG style = ::GetWindowLongA(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    RECT outer;
    ::GetWindowRect(dialog, &outer);
    // 409 x 305 is the size with Tahoma 8 (base units 6 x 13); Wine's font is a pixel lower.
    EXPECT_NEAR(409, outer.right - outer.left, 12);
    EXPECT_NEAR(305, outer.bottom - outer.top, 30);

    HWND tabs = ::GetDlgItem(dialog, IDC_OPTIONS_PAGES);
    ASSERT_EQ(3, ::SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    const char* titles[] = {"Layout", "Appearence", "Advance"};
    for (int i = 0; i < 3; ++i) {
        char buffer[64] = {};
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        ::SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(titles[i], buffer);
    }
    EXPECT_EQ(0, ::SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    EXPECT_EQ(TKeltOptionsForm::pgLayout, form.ActivePage());
    EXPECT_TRUE(PageShown(form.PageHandle(TKeltOptionsForm::pgLayout)));
    EXPECT_FALSE(PageShown(form.PageHandle(TKeltOptionsForm::pgAppearence)));
    EXPECT_FALSE(PageShown(form.PageHandle(TKeltOptionsForm::pgAdvance)));

    EXPECT_EQ("&Help", Text(::GetDlgItem(dialog, IDC_OPTIONS_HELP)));
    EXPECT_EQ("&OK", Text(::GetDlgItem(dialog, IDOK)));
    EXPECT_EQ("&Cancel", Text(::GetDlgItem(dialog, IDCANCEL)));
}

TEST_F(OptionsDialog, PagesCarryTheirExactTexts)
{
    JTKeltOptions options;
    Open(&options);
    using P = TKeltOptionsForm;
    EXPECT_EQ("Please select the layout of Keltrix:", Text(Control(P::pgLayout, IDC_LAYOUT_PROMPT)));
    EXPECT_EQ("Preview:", Text(Control(P::pgLayout, IDC_PREVIEW_LABEL)));
    HWND combo = Control(P::pgLayout, IDC_MAIN_LAYOUT);
    EXPECT_EQ(CBS_DROPDOWNLIST, ::GetWindowLongA(combo, GWL_STYLE) & 3);
    ASSERT_EQ(2, ::SendMessageA(combo, CB_GETCOUNT, 0, 0));
    char item[32];
    ::SendMessageA(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ("Bars", item);
    ::SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ("Tabs", item);

    EXPECT_EQ("Expand Settings(You will see clearly about the setting states) ",
              Text(Control(P::pgAppearence, IDC_EXPAND_ITEMS)));
    EXPECT_EQ("Background color of tweaks list:", Text(Control(P::pgAppearence, IDC_BACK_COLOR_LABEL)));
    EXPECT_TRUE(::GetWindowLongA(Control(P::pgAppearence, IDC_BACK_COLOR), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ("Color of normal tweaks' text:", Text(Control(P::pgAppearence, IDC_NOR_COLOR_LABEL)));
    EXPECT_EQ("Exaple:Normal tweak", Text(Control(P::pgAppearence, IDC_NOR_SAMPLE)));
    EXPECT_EQ("Color of modified tweaks' text:", Text(Control(P::pgAppearence, IDC_MOD_COLOR_LABEL)));
    EXPECT_EQ("Exaple:Modified tweak", Text(Control(P::pgAppearence, IDC_MOD_SAMPLE)));
    for (int id : {IDC_BACK_COLOR_PICK, IDC_NOR_COLOR_PICK, IDC_MOD_COLOR_PICK})
        EXPECT_EQ("...", Text(Control(P::pgAppearence, id)));

    EXPECT_EQ("Use XP Menu", Text(Control(P::pgAdvance, IDC_USE_XP_MENU)));
    EXPECT_EQ("How to show if the tweak doesn't suit the current operating system?",
              Text(Control(P::pgAdvance, IDC_NOT_SUIT_GROUP)));
    EXPECT_EQ("Disable it", Text(Control(P::pgAdvance, IDC_NOT_SUIT_DISABLE)));
    EXPECT_EQ("Hide it", Text(Control(P::pgAdvance, IDC_NOT_SUIT_HIDE)));

    // Present but never shown.
    EXPECT_EQ("Show the produce when creating tweaks ", Text(Control(P::pgAdvance, IDC_SHOW_CREATING)));
    EXPECT_EQ("Space between tweaks:", Text(Control(P::pgAdvance, IDC_SPACE_LABEL)));
    EXPECT_EQ("pels", Text(Control(P::pgAdvance, IDC_SPACE_UNIT)));
    for (int id : {IDC_SHOW_CREATING, IDC_SPACE_LABEL, IDC_SPACE, IDC_SPACE_UNIT})
        EXPECT_FALSE(Visible(P::pgAdvance, id)) << id;
}

TEST_F(OptionsDialog, ControlsShowTheOptions)
{
    JTKeltOptions options;
    options.UseXPMenu = false;
    options.MainLayout = 1;
    options.TWeakBackColor = RGB(0xE0, 0xFF, 0xE0);
    options.NorTWeakColor = RGB(0, 0, 0xC0);
    options.ModTWeakColor = RGB(0xC0, 0, 0xC0);
    options.NotSuitShow = 1;
    options.ExpandItems = true;
    Open(&options);
    using P = TKeltOptionsForm;

    EXPECT_EQ(1, ::SendMessageA(Control(P::pgLayout, IDC_MAIN_LAYOUT), CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Visible(P::pgLayout, IDC_PREVIEW_TABS));
    EXPECT_FALSE(Visible(P::pgLayout, IDC_PREVIEW_BARS));
    EXPECT_EQ(BST_UNCHECKED, ::SendMessageA(Control(P::pgAdvance, IDC_USE_XP_MENU), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(Control(P::pgAppearence, IDC_EXPAND_ITEMS), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, ::SendMessageA(Control(P::pgAdvance, IDC_NOT_SUIT_DISABLE), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(Control(P::pgAdvance, IDC_NOT_SUIT_HIDE), BM_GETCHECK, 0, 0));

    const PaintColours edit = ColoursOf(Control(P::pgAppearence, IDC_BACK_COLOR));
    EXPECT_EQ(RGB(0xE0, 0xFF, 0xE0), edit.brush);
    EXPECT_EQ(RGB(0xE0, 0xFF, 0xE0), edit.back);
    const PaintColours normal = ColoursOf(Control(P::pgAppearence, IDC_NOR_SAMPLE));
    EXPECT_EQ(RGB(0xE0, 0xFF, 0xE0), normal.brush);
    EXPECT_EQ(RGB(0, 0, 0xC0), normal.text);
    const PaintColours modified = ColoursOf(Control(P::pgAppearence, IDC_MOD_SAMPLE));
    EXPECT_EQ(RGB(0xE0, 0xFF, 0xE0), modified.brush);
    EXPECT_EQ(RGB(0xC0, 0, 0xC0), modified.text);
}

TEST_F(OptionsDialog, WithoutXPStyleEveryControlDrawsClassic)
{
    using P = TKeltOptionsForm;
    const int probes[][2] = {{P::pgLayout, IDC_MAIN_LAYOUT}, {P::pgAppearence, IDC_BACK_COLOR_PICK},
                             {P::pgAdvance, IDC_NOT_SUIT_HIDE}};
    JTKeltOptions options;
    options.UseXPMenu = false;
    TKeltOptionsForm& form = Open(&options);
    EXPECT_EQ(nullptr, ::GetWindowTheme(::GetDlgItem(form.Handle(), IDOK)));
    for (const auto& probe : probes)
        EXPECT_EQ(nullptr, ::GetWindowTheme(Control(probe[0], probe[1]))) << probe[1];

    if (!::IsAppThemed())
        return;  // nothing to tell apart without a theme
    options.UseXPMenu = true;
    Open(&options);
    EXPECT_NE(nullptr, ::GetWindowTheme(::GetDlgItem(form_->Handle(), IDOK)));
    EXPECT_NE(nullptr, ::GetWindowTheme(Control(P::pgAdvance, IDC_NOT_SUIT_HIDE)));
}

TEST_F(OptionsDialog, DefaultsShowBarsDisableAndTheButtonFaceColour)
{
    JTKeltOptions options;
    Open(&options);
    using P = TKeltOptionsForm;
    EXPECT_EQ(0, ::SendMessageA(Control(P::pgLayout, IDC_MAIN_LAYOUT), CB_GETCURSEL, 0, 0));
    EXPECT_TRUE(Visible(P::pgLayout, IDC_PREVIEW_BARS));
    EXPECT_FALSE(Visible(P::pgLayout, IDC_PREVIEW_TABS));
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(Control(P::pgAdvance, IDC_USE_XP_MENU), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(Control(P::pgAdvance, IDC_NOT_SUIT_DISABLE), BM_GETCHECK, 0, 0));
    EXPECT_EQ(BST_UNCHECKED, ::SendMessageA(Control(P::pgAppearence, IDC_EXPAND_ITEMS), BM_GETCHECK, 0, 0));
    // 0x8000000F is resolved to the system's button face for drawing.
    EXPECT_EQ(::GetSysColor(COLOR_BTNFACE), ColoursOf(Control(P::pgAppearence, IDC_BACK_COLOR)).brush);
    EXPECT_EQ(RGB(0, 0, 0), ColoursOf(Control(P::pgAppearence, IDC_NOR_SAMPLE)).text);
    EXPECT_EQ(RGB(0x80, 0, 0), ColoursOf(Control(P::pgAppearence, IDC_MOD_SAMPLE)).text);
}

TEST_F(OptionsDialog, PreviewFollowsTheChosenLayoutWithBothPictures)
{
    JTKeltOptions options;
    Open(&options);
    using P = TKeltOptionsForm;
    for (int id : {IDC_PREVIEW_BARS, IDC_PREVIEW_TABS}) {
        auto bitmap = reinterpret_cast<HBITMAP>(::SendMessageA(Control(P::pgLayout, id), STM_GETIMAGE, IMAGE_BITMAP, 0));
        ASSERT_NE(nullptr, bitmap) << id;
        BITMAP info = {};
        ::GetObjectA(bitmap, sizeof info, &info);
        EXPECT_GT(info.bmWidth, 100);
        // The picture sits inside the preview panel.
        RECT panel, picture;
        ::GetWindowRect(Control(P::pgLayout, IDC_PREVIEW_PANEL), &panel);
        ::GetWindowRect(Control(P::pgLayout, id), &picture);
        EXPECT_GE(picture.left, panel.left);
        EXPECT_GE(picture.top, panel.top);
        EXPECT_LE(picture.right, panel.right);
        EXPECT_LE(picture.bottom, panel.bottom);
    }
    ChooseLayout(1);
    EXPECT_TRUE(Visible(P::pgLayout, IDC_PREVIEW_TABS));
    EXPECT_FALSE(Visible(P::pgLayout, IDC_PREVIEW_BARS));
    ChooseLayout(0);
    EXPECT_TRUE(Visible(P::pgLayout, IDC_PREVIEW_BARS));
    EXPECT_FALSE(Visible(P::pgLayout, IDC_PREVIEW_TABS));
}

TEST_F(OptionsDialog, ColourButtonsStartOnTheShownColourAndRecolourTheSamples)
{
    JTKeltOptions options;
    options.TWeakBackColor = RGB(0x10, 0x20, 0x30);
    Open(&options);
    using P = TKeltOptionsForm;

    picks_ = {RGB(0xFF, 0xFF, 0xC0), RGB(0, 0x80, 0), RGB(0xFF, 0, 0)};
    Click(P::pgAppearence, IDC_BACK_COLOR_PICK);
    Click(P::pgAppearence, IDC_NOR_COLOR_PICK);
    Click(P::pgAppearence, IDC_MOD_COLOR_PICK);
    ASSERT_EQ(3u, offered_.size());
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), offered_[0]);
    EXPECT_EQ(RGB(0, 0, 0), offered_[1]);
    EXPECT_EQ(RGB(0x80, 0, 0), offered_[2]);

    EXPECT_EQ(RGB(0xFF, 0xFF, 0xC0), ColoursOf(Control(P::pgAppearence, IDC_BACK_COLOR)).brush);
    const PaintColours normal = ColoursOf(Control(P::pgAppearence, IDC_NOR_SAMPLE));
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xC0), normal.brush);
    EXPECT_EQ(RGB(0, 0x80, 0), normal.text);
    const PaintColours modified = ColoursOf(Control(P::pgAppearence, IDC_MOD_SAMPLE));
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xC0), modified.brush);
    EXPECT_EQ(RGB(0xFF, 0, 0), modified.text);

    // A dismissed colour dialog changes nothing.
    Click(P::pgAppearence, IDC_NOR_COLOR_PICK);
    EXPECT_EQ(RGB(0, 0x80, 0), ColoursOf(Control(P::pgAppearence, IDC_NOR_SAMPLE)).text);
    // Nothing reaches the options before OK.
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), options.TWeakBackColor);
    EXPECT_EQ(0u, options.NorTWeakColor);
}

TEST_F(OptionsDialog, OKCopiesTheControlsBackAndSaves)
{
    JTKeltOptions options;
    options.ShowCreating = true;  // not on the dialog: saved as it is
    options.OutBarStyle = 6;
    TKeltOptionsForm& form = Open(&options);
    using P = TKeltOptionsForm;

    ChooseLayout(1);
    Click(P::pgAppearence, IDC_EXPAND_ITEMS);
    picks_ = {RGB(0xFF, 0xFF, 0xFF), RGB(0, 0, 0xFF), RGB(0x80, 0x80, 0)};
    Click(P::pgAppearence, IDC_BACK_COLOR_PICK);
    Click(P::pgAppearence, IDC_NOR_COLOR_PICK);
    Click(P::pgAppearence, IDC_MOD_COLOR_PICK);
    Click(P::pgAdvance, IDC_USE_XP_MENU);
    Click(P::pgAdvance, IDC_NOT_SUIT_HIDE);
    ClickFrame(IDOK);

    EXPECT_EQ(1, result_);
    EXPECT_EQ(nullptr, form.Handle());
    EXPECT_EQ(1, options.MainLayout);
    EXPECT_TRUE(options.ExpandItems);
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xFF), options.TWeakBackColor);
    EXPECT_EQ(RGB(0, 0, 0xFF), options.NorTWeakColor);
    EXPECT_EQ(RGB(0x80, 0x80, 0), options.ModTWeakColor);
    EXPECT_FALSE(options.UseXPMenu);
    EXPECT_EQ(1, options.NotSuitShow);

    EXPECT_EQ(1u, StoredNumber("MainLayout"));
    EXPECT_EQ(1u, StoredNumber("ExpandItems"));
    EXPECT_EQ(static_cast<DWORD>(RGB(0xFF, 0xFF, 0xFF)), StoredNumber("TWeakBackColor"));
    EXPECT_EQ(static_cast<DWORD>(RGB(0, 0, 0xFF)), StoredNumber("NorTWeakColor"));
    EXPECT_EQ(static_cast<DWORD>(RGB(0x80, 0x80, 0)), StoredNumber("ModTWeakColor"));
    EXPECT_EQ(0u, StoredNumber("UseXPMenu"));
    EXPECT_EQ(1u, StoredNumber("NotSuitShow"));
    EXPECT_EQ(1u, StoredNumber("ShowCreating"));
    EXPECT_EQ(6u, StoredNumber("OutBarStyle"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(OptionsDialog, OKKeepsUntouchedColoursIncludingSystemColours)
{
    JTKeltOptions options;
    Open(&options);
    ClickFrame(IDOK);
    EXPECT_EQ(1, result_);
    EXPECT_EQ(0x8000000Fu, options.TWeakBackColor);
    EXPECT_EQ(0x8000000Fu, StoredNumber("TWeakBackColor"));
}

TEST_F(OptionsDialog, CancelWritesNothingEvenAfterColoursWerePicked)
{
    JTKeltOptions options;
    TKeltOptionsForm& form = Open(&options);
    using P = TKeltOptionsForm;
    ChooseLayout(1);
    picks_ = {RGB(0xFF, 0, 0), RGB(0, 0xFF, 0), RGB(0, 0, 0xFF)};
    Click(P::pgAppearence, IDC_BACK_COLOR_PICK);
    Click(P::pgAppearence, IDC_NOR_COLOR_PICK);
    Click(P::pgAppearence, IDC_MOD_COLOR_PICK);
    Click(P::pgAdvance, IDC_NOT_SUIT_HIDE);
    ClickFrame(IDCANCEL);

    EXPECT_EQ(0, result_);
    EXPECT_EQ(nullptr, form.Handle());
    EXPECT_FALSE(KeyExists(kParentPath));
    EXPECT_EQ(0, options.MainLayout);
    EXPECT_EQ(0x8000000Fu, options.TWeakBackColor);
    EXPECT_EQ(0u, options.NorTWeakColor);
    EXPECT_EQ(128u, options.ModTWeakColor);
    EXPECT_EQ(0, options.NotSuitShow);
}

TEST_F(OptionsDialog, EscapeAndTheCloseBoxAnswerZero)
{
    for (UINT message : {WM_COMMAND, WM_CLOSE}) {
        JTKeltOptions options;
        TKeltOptionsForm& form = Open(&options);
        result_ = -7;
        if (message == WM_COMMAND)
            ::SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        else
            ::SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
        kelt::ui::ProcessPendingMessages();  // the close box posts its Cancel
        EXPECT_EQ(0, result_);
        EXPECT_EQ(nullptr, form.Handle());
        EXPECT_FALSE(KeyExists(kParentPath));
    }
}

TEST_F(OptionsDialog, RefusedSaveIsReportedAndTheDialogStaysOpen)
{
    HKEY parent = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParentPath, 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &parent, nullptr));
    ::RegCloseKey(parent);

    JTKeltOptions options;
    TKeltOptionsForm& form = Open(&options);
    ChooseLayout(1);
    ClickFrame(IDOK);

    ASSERT_EQ(1u, messages_.size());
    EXPECT_EQ("Failed to open or create key 'SoftWare\\Dorvane\\Keltrix 0.8\\Options'", messages_[0].text);
    EXPECT_EQ("Error", messages_[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), messages_[0].flags & MB_ICONMASK);
    EXPECT_NE(nullptr, form.Handle());
    EXPECT_EQ(-7, result_);
    EXPECT_EQ(1, options.MainLayout);  // the in-memory values stay as set
    EXPECT_FALSE(KeyExists(kOptionsPath));
}

TEST_F(OptionsDialog, WithoutAnOptionsObjectItWorksOnDefaults)
{
    TKeltOptionsForm& form = Open(nullptr);
    EXPECT_TRUE(form.Options().UseXPMenu);
    EXPECT_EQ(0, ::SendMessageA(Control(TKeltOptionsForm::pgLayout, IDC_MAIN_LAYOUT), CB_GETCURSEL, 0, 0));
    ClickFrame(IDOK);
    EXPECT_EQ(1, result_);
    EXPECT_EQ(3u, StoredNumber("OutBarLayout"));
}

TEST_F(OptionsDialog, HelpShowsTheOptionsTopic)
{
    const std::string file = kelt::ui::ProgramFolder() + "keltrix.chm";
    bool created = false;
    if (::GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, handle);
        ::CloseHandle(handle);
        created = true;
    }
    JTKeltOptions options;
    TKeltOptionsForm& form = Open(&options);
    ClickFrame(IDC_OPTIONS_HELP);
    if (created)
        ::DeleteFileA(file.c_str());
    ASSERT_EQ(1u, help_.size());
    EXPECT_EQ(::GetDesktopWindow(), help_[0].first);
    EXPECT_EQ(file + "::/options.htm", help_[0].second);
    EXPECT_NE(nullptr, form.Handle());
}

TEST_F(OptionsDialog, TabsSwitchPagesAndTabMovesIntoThePage)
{
    JTKeltOptions options;
    TKeltOptionsForm& form = Open(&options);
    HWND dialog = form.Handle();
    HWND tabs = ::GetDlgItem(dialog, IDC_OPTIONS_PAGES);

    // A click on a tab: the control selects it and notifies the dialog.
    ::SendMessageA(tabs, TCM_SETCURSEL, 2, 0);
    NMHDR change = {tabs, IDC_OPTIONS_PAGES, static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageA(dialog, WM_NOTIFY, IDC_OPTIONS_PAGES, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(TKeltOptionsForm::pgAdvance, form.ActivePage());
    EXPECT_TRUE(PageShown(form.PageHandle(TKeltOptionsForm::pgAdvance)));
    EXPECT_FALSE(PageShown(form.PageHandle(TKeltOptionsForm::pgLayout)));

    // Tab order: tabs, the shown page's controls, then the buttons.
    EXPECT_EQ(Control(TKeltOptionsForm::pgAdvance, IDC_USE_XP_MENU), ::GetNextDlgTabItem(dialog, tabs, FALSE));
    form.SelectPage(TKeltOptionsForm::pgLayout);
    HWND combo = Control(TKeltOptionsForm::pgLayout, IDC_MAIN_LAYOUT);
    EXPECT_EQ(combo, ::GetNextDlgTabItem(dialog, tabs, FALSE));
    EXPECT_EQ(::GetDlgItem(dialog, IDC_OPTIONS_HELP), ::GetNextDlgTabItem(dialog, combo, FALSE));
    EXPECT_EQ(0, ::SendMessageA(tabs, TCM_GETCURSEL, 0, 0));

    // Ctrl+Tab and Ctrl+Shift+Tab cycle through the pages; focus never stays on a hidden page.
    BYTE keys[256], saved[256];
    ::GetKeyboardState(saved);
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::SetFocus(combo);
    MSG key = {};
    key.hwnd = combo;
    key.message = WM_KEYDOWN;
    key.wParam = VK_TAB;
    EXPECT_TRUE(form.TranslatePageKey(key));
    EXPECT_EQ(TKeltOptionsForm::pgAppearence, form.ActivePage());
    EXPECT_EQ(1, ::SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    EXPECT_FALSE(::IsChild(form.PageHandle(TKeltOptionsForm::pgLayout), ::GetFocus()));
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    EXPECT_TRUE(form.TranslatePageKey(key));
    EXPECT_TRUE(form.TranslatePageKey(key));
    EXPECT_EQ(TKeltOptionsForm::pgAdvance, form.ActivePage());
    ::SetKeyboardState(saved);
    EXPECT_FALSE(form.TranslatePageKey(key));  // plain Tab is the dialog's own
}

// Visible controls lie inside their page, and texts fit their controls.
TEST_F(OptionsDialog, NothingIsClipped)
{
    JTKeltOptions options;
    TKeltOptionsForm& form = Open(&options);
    for (int page = 0; page < TKeltOptionsForm::kPageCount; ++page) {
        form.SelectPage(page);
        HWND pageHandle = form.PageHandle(page);
        RECT area;
        ::GetClientRect(pageHandle, &area);
        HFONT font = reinterpret_cast<HFONT>(::SendMessageA(pageHandle, WM_GETFONT, 0, 0));
        HDC dc = ::GetDC(pageHandle);
        HGDIOBJ oldFont = ::SelectObject(dc, font);
        for (HWND child = ::GetWindow(pageHandle, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            if (!(::GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE))
                continue;
            RECT box;
            ::GetWindowRect(child, &box);
            ::MapWindowPoints(nullptr, pageHandle, reinterpret_cast<POINT*>(&box), 2);
            const int id = ::GetDlgCtrlID(child);
            EXPECT_GE(box.left, area.left) << page << "/" << id;
            EXPECT_GE(box.top, area.top) << page << "/" << id;
            EXPECT_LE(box.right, area.right) << page << "/" << id;
            EXPECT_LE(box.bottom, area.bottom) << page << "/" << id;

            char className[32] = {};
            ::GetClassNameA(child, className, sizeof className);
            const std::string text = Text(child);
            if (text.empty() || (std::string(className) != "Button" && std::string(className) != "Static"))
                continue;
            const LONG kind = ::GetWindowLongA(child, GWL_STYLE) & 0x0F;
            SIZE extent;
            ::GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            int room = box.right - box.left;
            if (std::string(className) == "Button" && kind == BS_GROUPBOX)
                room -= 20;  // the frame line and the gaps around the title
            else if (std::string(className) == "Button" && kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON)
                room -= ::GetSystemMetrics(SM_CXMENUCHECK) + 4;  // the box or circle in front
            EXPECT_LE(extent.cx, room) << page << "/" << id << " \"" << text << "\"";
        }
        ::SelectObject(dc, oldFont);
        ::ReleaseDC(pageHandle, dc);
    }
}

// With KELT_SCREENSHOT_DIR set, each page is shown on the screen and photographed there with
// ImageMagick's import (Wine starts Unix programs), for a person to look at.
bool Photograph(HWND window, const std::string& file)
{
    RECT box;
    ::GetWindowRect(window, &box);
    const int margin = 8;
    // Wine cannot wait on a Unix process: the picture is written under another name and
    // renamed when complete, and the test waits for the name.
    const std::string partial = file + ".part.png";
    ::DeleteFileA(("Z:" + file).c_str());
    char command[2048];
    std::snprintf(command, sizeof command,
                  "/bin/sh -c \"/usr/bin/import -window root -crop %ldx%ld+%ld+%ld +repage '%s' && mv '%s' '%s'\"",
                  box.right - box.left + 2 * margin, box.bottom - box.top + 2 * margin, box.left - margin,
                  box.top - margin, partial.c_str(), partial.c_str(), file.c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA("/bin/sh", command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    for (int i = 0; i < 300; ++i) {
        if (::GetFileAttributesA(("Z:" + file).c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
        ::Sleep(100);
    }
    return false;
}

void Settle(int milliseconds)
{
    const DWORD end = ::GetTickCount() + milliseconds;
    while (static_cast<int>(end - ::GetTickCount()) > 0) {
        kelt::ui::ProcessPendingMessages();
        ::Sleep(20);
    }
}

TEST_F(OptionsDialog, PagesOnScreen)
{
    const char* folder = std::getenv("KELT_SCREENSHOT_DIR");
    if (!folder || !*folder)
        GTEST_SKIP() << "KELT_SCREENSHOT_DIR not set";
    JTKeltOptions options;
    options.TWeakBackColor = RGB(0xFF, 0xFF, 0xE8);
    options.NorTWeakColor = RGB(0, 0, 0);
    options.ModTWeakColor = RGB(0xC0, 0, 0);
    TKeltOptionsForm& form = Open(&options);
    ::SetWindowPos(form.Handle(), HWND_TOP, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::SetForegroundWindow(form.Handle());
    struct Shot {
        int page, layout;
        const char* name;
    };
    for (const Shot& shot : {Shot{TKeltOptionsForm::pgLayout, 0, "options-layout-bars.png"},
                             Shot{TKeltOptionsForm::pgLayout, 1, "options-layout-tabs.png"},
                             Shot{TKeltOptionsForm::pgAppearence, 1, "options-appearence.png"},
                             Shot{TKeltOptionsForm::pgAdvance, 1, "options-advance.png"}}) {
        form.SelectPage(shot.page);
        ChooseLayout(shot.layout);
        ::RedrawWindow(form.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Settle(600);
        EXPECT_TRUE(Photograph(form.Handle(), std::string(folder) + "/" + shot.name)) << shot.name;
    }
}

// The dialog shown modally, driven from a timer the modal loop dispatches.
struct ModalScript {
    TKeltOptionsForm* form = nullptr;
    int tick = 0;
    int pageAfterCtrlTab = -1;
    BYTE savedKeys[256] = {};
};
ModalScript* g_script = nullptr;

void CALLBACK DriveModal(HWND, UINT, UINT_PTR timer, DWORD)
{
    ModalScript& script = *g_script;
    HWND dialog = script.form->Handle();
    if (!dialog)
        return;
    HWND tabs = ::GetDlgItem(dialog, IDC_OPTIONS_PAGES);
    switch (script.tick++) {
    case 0: {
        BYTE keys[256];
        ::GetKeyboardState(script.savedKeys);
        ::GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        ::SetKeyboardState(keys);
        ::SetFocus(tabs);
        ::PostMessageA(tabs, WM_KEYDOWN, VK_TAB, 0);
        break;
    }
    case 1:
        ::SetKeyboardState(script.savedKeys);
        script.pageAfterCtrlTab = script.form->ActivePage();
        ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
        break;
    default:
        if (script.tick > 50)  // never leave a test hanging on the dialog
            ::EndDialog(dialog, IDABORT);
        break;
    }
}

TEST_F(OptionsDialog, ModalRunAnswersThroughTheResultAndTakesPageKeys)
{
    JTKeltOptions options;
    int result = -7;
    TKeltOptionsForm form(nullptr, &result, &options);
    ModalScript script;
    script.form = &form;
    g_script = &script;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, DriveModal);
    const INT_PTR answer = form.ShowModal();
    ::KillTimer(nullptr, timer);
    g_script = nullptr;

    EXPECT_EQ(IDOK, answer);
    EXPECT_EQ(1, result);
    EXPECT_EQ(TKeltOptionsForm::pgAppearence, script.pageAfterCtrlTab);
    EXPECT_EQ(1u, StoredNumber("UseXPMenu"));
}

} // namespace
