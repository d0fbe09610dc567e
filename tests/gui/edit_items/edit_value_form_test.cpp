#include <gtest/gtest.h>

#include <windows.h>
#include <uxtheme.h>

#include <functional>
#include <memory>
#include <string>

#include "catalogue/edit_value_form.h"
#include "catalogue/edit_value_ids.h"
#include "catalogue/platform/int_text.h"
#include "tests/windows/edit_items/test_host.h"
#include "ui/dpi.h"
#include "ui/xp_style.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string out;
    for (unsigned v : values)
        out += static_cast<char>(v);
    return out;
}

// A dialog run modeless over the shared test window, so the test drives it directly.
class OpenDialog {
public:
    OpenDialog(std::string& result, const std::string& value, int type, const std::string& name = "Value")
        : form_(result, value, type, name)
    {
        EXPECT_TRUE(form_.CreateModeless(HostWindow::TopLevel()));
        ui::ProcessPendingMessages();
    }
    ~OpenDialog()
    {
        if (Handle())
            ::DestroyWindow(Handle());
    }
    TKeltEditValueForm& Form() { return form_; }
    HWND Handle() const { return form_.Handle(); }
    HWND Item(int id) const { return form_.Item(id); }
    std::string Text(int id) const { return TextOf(Item(id)); }
    void Click(int id)
    {
        ::SendMessageA(Item(id), BM_CLICK, 0, 0);
        ui::ProcessPendingMessages();
    }
    // Shown on its page (the dialog itself stays hidden in these tests).
    bool Visible(int id) const { return (::GetWindowLongPtrA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    RECT Rect(int id) const { return RectInParent(Item(id)); }

private:
    TKeltEditValueForm form_;
};

} // namespace

// ------------------------------------------------------------------ pages and layout

TEST(EditValueForm, DrawsClassicWhenTheXPStyleIsNotWanted)
{
    ui::SetXPStyleSource([] { return false; });
    {
        std::string result;
        OpenDialog dialog(result, "x", 0);
        for (int id : {IDOK, IDCANCEL, IDC_pedString, IDC_prgSystemHex})
            EXPECT_EQ(::GetWindowTheme(dialog.Item(id)), nullptr) << id;
    }
    ui::SetXPStyleSource(nullptr);
    if (!::IsAppThemed())
        return;  // nothing to tell apart without a theme
    std::string result;
    OpenDialog dialog(result, "x", 0);
    EXPECT_NE(::GetWindowTheme(dialog.Item(IDOK)), nullptr);
}

TEST(EditValueForm, EachTypeShowsItsOwnPageCaptionAndHeight)
{
    struct Expect {
        int type;
        const char* caption;
        int pageHeight;
        int editor;
    };
    const Expect pages[] = {{0, "Edit String Data", 55, IDC_pedString},
                            {1, "Edit DWORD Data", 130, IDC_pedDWORD},
                            {2, "Edit Binary Data", 200, IDC_pmmBinData}};
    const int editors[] = {IDC_pedString, IDC_pedDWORD, IDC_pmmBinData};
    for (const Expect& page : pages) {
        std::string result;
        OpenDialog dialog(result, page.type == 1 ? "1" : "x", page.type, "ShowDelay");
        EXPECT_EQ(TextOf(dialog.Handle()), page.caption);
        EXPECT_EQ(dialog.Text(IDC_pedDataName), "ShowDelay");
        for (int editor : editors)
            EXPECT_EQ(dialog.Visible(editor), editor == page.editor) << page.caption << " " << editor;
        EXPECT_EQ(dialog.Visible(IDC_prgSystem), page.type == 1);

        const RECT frame = dialog.Rect(IDC_ppcValue);
        EXPECT_EQ(frame.bottom - frame.top, ui::Scale(page.pageHeight)) << page.caption;
        const RECT ok = dialog.Rect(IDOK);
        const RECT cancel = dialog.Rect(IDCANCEL);
        EXPECT_EQ(ok.top, frame.bottom + ui::Scale(5));
        EXPECT_EQ(cancel.top, ok.top);
        RECT client{};
        ::GetClientRect(dialog.Handle(), &client);
        EXPECT_EQ(client.bottom, ok.bottom + ui::Scale(10));
        // The editor lies inside its page.
        const RECT editor = dialog.Rect(page.editor);
        EXPECT_GE(editor.top, frame.top);
        EXPECT_LE(editor.bottom, frame.bottom);
    }
}

TEST(EditValueForm, DwordThatIsNoNumberFailsBeforeAnyWindow)
{
    std::string result = "kept";
    EXPECT_THROW(TKeltEditValueForm(result, "12abc", 1), ConversionError);
    EXPECT_EQ(result, "kept");
}

// ------------------------------------------------------------------ DWORD page

TEST(EditValueForm, RadixSwitchingConvertsTheNumber)
{
    std::string result;
    TKeltEditValueForm::RadixMode = 1;
    OpenDialog dialog(result, "31", 1);
    EXPECT_EQ(TKeltEditValueForm::RadixMode, 0);  // every DWORD dialog starts in hexadecimal
    EXPECT_TRUE(dialog.Form().IsChecked(IDC_prgSystemHex));
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "1F");

    dialog.Click(IDC_prgSystemDecimal);
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "31");
    EXPECT_EQ(TKeltEditValueForm::RadixMode, 1);
    dialog.Click(IDC_prgSystemHex);
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "1F");
    EXPECT_EQ(TKeltEditValueForm::RadixMode, 0);

    // All bits set: minus one in decimal, eight F's in hexadecimal.
    ::SetWindowTextA(dialog.Item(IDC_pedDWORD), "FFFFFFFF");
    dialog.Click(IDC_prgSystemDecimal);
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "-1");
    dialog.Click(IDC_prgSystemHex);
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "FFFFFFFF");
}

TEST(EditValueForm, OkStoresTheNumberInSignedDecimal)
{
    {
        std::string result = "unchanged";
        OpenDialog dialog(result, "-1", 1);
        EXPECT_EQ(dialog.Text(IDC_pedDWORD), "FFFFFFFF");
        dialog.Click(IDOK);
        EXPECT_EQ(result, "-1");
        EXPECT_EQ(dialog.Handle(), nullptr);
    }
    {
        std::string result;
        OpenDialog dialog(result, "0", 1);
        ::SetWindowTextA(dialog.Item(IDC_pedDWORD), "7fffffff");
        dialog.Click(IDOK);
        EXPECT_EQ(result, "2147483647");
    }
    {
        // Decimal mode: the typed number, in normal form.
        std::string result;
        OpenDialog dialog(result, "5", 1);
        dialog.Click(IDC_prgSystemDecimal);
        ::SetWindowTextA(dialog.Item(IDC_pedDWORD), "0042");
        dialog.Click(IDOK);
        EXPECT_EQ(result, "42");
    }
}

TEST(EditValueForm, EmptyFieldStillSwitchesTheRadixSoOkReadsWhatWasTyped)
{
    std::string result;
    OpenDialog dialog(result, "", 1);
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "");
    dialog.Click(IDC_prgSystemDecimal);
    EXPECT_EQ(TKeltEditValueForm::RadixMode, 1);
    TypeChars(dialog.Item(IDC_pedDWORD), "31");
    dialog.Click(IDOK);
    EXPECT_EQ(result, "31");
}

TEST(EditValueForm, DecimalTextOutOfRangeIsRefused)
{
    BoxRecorder boxes;
    std::string result = "before";
    OpenDialog dialog(result, "1", 1);
    dialog.Click(IDC_prgSystemDecimal);
    ::SetWindowTextA(dialog.Item(IDC_pedDWORD), "4294967296");

    // Back to hexadecimal: refused, the field and the radio stay decimal.
    dialog.Click(IDC_prgSystemHex);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].text, "'4294967296' is not a valid integer value");
    EXPECT_TRUE(dialog.Form().IsChecked(IDC_prgSystemDecimal));
    EXPECT_EQ(TKeltEditValueForm::RadixMode, 1);
    EXPECT_EQ(dialog.Text(IDC_pedDWORD), "4294967296");

    // OK: refused, the dialog stays open and the result is untouched.
    dialog.Click(IDOK);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_NE(dialog.Handle(), nullptr);
    EXPECT_EQ(result, "before");
}

TEST(EditValueForm, DwordKeysAreFilteredByRadix)
{
    std::string result;
    OpenDialog dialog(result, "0", 1);
    HWND field = dialog.Item(IDC_pedDWORD);
    ::SetWindowTextA(field, "");
    TypeChars(field, "1gb-Fz9 ");
    EXPECT_EQ(TextOf(field), "1BF9");
    Backspace(field);
    EXPECT_EQ(TextOf(field), "1BF");

    ::SetWindowTextA(field, "");
    dialog.Click(IDC_prgSystemDecimal);
    TypeChars(field, "1gbaF-2");
    EXPECT_EQ(TextOf(field), "12");

    // Handler level: the key itself is rewritten or dropped.
    char key = 'b';
    dialog.Form().pedDWORDKeyPress(field, key);
    EXPECT_EQ(key, 0);
    dialog.Click(IDC_prgSystemHex);
    key = 'b';
    dialog.Form().pedDWORDKeyPress(field, key);
    EXPECT_EQ(key, 'B');
    key = '\b';
    dialog.Form().pedDWORDKeyPress(field, key);
    EXPECT_EQ(key, '\b');
}

TEST(EditValueForm, PasteKeepsOnlyWhatTheKeysWouldLetIn)
{
    std::string result;
    OpenDialog dialog(result, "0", 1);
    HWND field = dialog.Item(IDC_pedDWORD);
    ::SetWindowTextA(field, "");
    const std::string text = "1f-zz 2";
    ASSERT_TRUE(::OpenClipboard(dialog.Handle()));
    ::EmptyClipboard();
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_TEXT, memory);
    ::CloseClipboard();

    ::SendMessageA(field, WM_PASTE, 0, 0);
    EXPECT_EQ(TextOf(field), "1F2");
    ::SendMessageA(dialog.Item(IDC_pmmBinData), WM_PASTE, 0, 0);
    EXPECT_EQ(TextOf(dialog.Item(IDC_pmmBinData)), "1F 2");
}

// ------------------------------------------------------------------ binary page

TEST(EditValueForm, BinaryDataRoundTripsAsBytePairs)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    std::string result;
    OpenDialog dialog(result, all, 2);
    const std::string shown = dialog.Text(IDC_pmmBinData);
    EXPECT_EQ(shown.substr(0, 12), "00 01 02 03 ");
    EXPECT_EQ(shown.substr(shown.size() - 5), "FE FF");
    dialog.Click(IDOK);
    EXPECT_EQ(result, all);

    std::string edited = "old";
    OpenDialog second(edited, Bytes({0x01, 0xFF, 0x10}), 2);
    EXPECT_EQ(second.Text(IDC_pmmBinData), "01 FF 10");
    ::SetWindowTextA(second.Item(IDC_pmmBinData), "0a 0B\r\n00ff");
    second.Click(IDOK);
    EXPECT_EQ(edited, Bytes({0x0A, 0x0B, 0x00, 0xFF}));
}

TEST(EditValueForm, BinaryTextThatIsNotBytePairsIsRefused)
{
    BoxRecorder boxes;
    std::string result = Bytes({0x05});
    OpenDialog dialog(result, Bytes({0x05}), 2);
    for (const char* bad : {"0 1", "123", "0G", "-1"}) {
        ::SetWindowTextA(dialog.Item(IDC_pmmBinData), bad);
        dialog.Click(IDOK);
        EXPECT_NE(dialog.Handle(), nullptr) << bad;
        EXPECT_EQ(result, Bytes({0x05})) << bad;
    }
    ASSERT_EQ(boxes.Boxes().size(), 4u);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].text,
              "The binary data must be written as pairs of hexadecimal digits, for example 01 FF 10.");
    EXPECT_EQ(boxes.Boxes()[0].flags & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));

    // An empty memo is no data at all.
    ::SetWindowTextA(dialog.Item(IDC_pmmBinData), "  ");
    dialog.Click(IDOK);
    EXPECT_EQ(result, "");
}

TEST(EditValueForm, MemoTakesHexDigitsBlanksAndLineBreaks)
{
    std::string result;
    OpenDialog dialog(result, "", 2);
    HWND memo = dialog.Item(IDC_pmmBinData);
    // Decimal on the DWORD page does not matter here: binary data is always hexadecimal.
    dialog.Form().SetChecked(IDC_prgSystemHex, false);
    dialog.Form().SetChecked(IDC_prgSystemDecimal, true);
    TypeChars(memo, "0a g-1\r");
    TypeChars(memo, "fF");
    EXPECT_EQ(TextOf(memo), "0A 1\r\nFF");
    Backspace(memo);
    EXPECT_EQ(TextOf(memo), "0A 1\r\nF");
    EXPECT_TRUE(::GetWindowLongPtrA(memo, GWL_STYLE) & WS_VSCROLL);
}

// ------------------------------------------------------------------ string page, cancel

TEST(EditValueForm, StringOkAndCancel)
{
    {
        std::string result = "old";
        OpenDialog dialog(result, "old", 0);
        EXPECT_EQ(dialog.Text(IDC_pedString), "old");
        ::SetWindowTextA(dialog.Item(IDC_pedString), "New Text");
        dialog.Click(IDOK);
        EXPECT_EQ(result, "New Text");
    }
    for (int type : {0, 1, 2}) {
        std::string result = "1";
        OpenDialog dialog(result, "1", type);
        int editor = type == 0 ? IDC_pedString : type == 1 ? IDC_pedDWORD : IDC_pmmBinData;
        ::SetWindowTextA(dialog.Item(editor), "22");
        dialog.Click(IDCANCEL);
        EXPECT_EQ(dialog.Handle(), nullptr);
        EXPECT_EQ(result, "1") << type;
    }
}
