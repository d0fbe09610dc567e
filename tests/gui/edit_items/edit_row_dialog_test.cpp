// The binary row opens the real, modal edit-value dialog; a timer inside the dialog's own
// message loop plays the user.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "catalogue/ed_set_item.h"
#include "catalogue/edit_value_ids.h"
#include "tests/windows/edit_items/test_host.h"
#include "tests/windows/platform/test_key.h"

using namespace kelt;
using namespace kelt::testing;

namespace {

// Runs `steps` one per timer tick against the dialog with the given caption, once it shows.
class DialogScript {
public:
    DialogScript(const char* caption, std::vector<std::function<void(HWND)>> steps)
        : caption_(caption), steps_(std::move(steps))
    {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 30, &DialogScript::Tick);
    }
    ~DialogScript()
    {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    bool Finished() const { return next_ == steps_.size(); }
    int SeenDialogs() const { return seen_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        DialogScript* self = current_;
        if (!self || self->Finished())
            return;
        HWND dialog = ::FindWindowA("#32770", self->caption_);
        if (!dialog || !::IsWindowVisible(dialog))
            return;
        if (dialog != self->lastDialog_) {
            self->lastDialog_ = dialog;
            ++self->seen_;
        }
        self->steps_[self->next_++](dialog);
    }

    static DialogScript* current_;
    const char* caption_;
    std::vector<std::function<void(HWND)>> steps_;
    std::size_t next_ = 0;
    UINT_PTR timer_ = 0;
    HWND lastDialog_ = nullptr;
    int seen_ = 0;
};
DialogScript* DialogScript::current_ = nullptr;

void SetMemo(HWND dialog, const char* text)
{
    ::SetDlgItemTextA(dialog, IDC_pmmBinData, text);
}

void Press(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

std::string Bytes(std::initializer_list<unsigned> values)
{
    std::string out;
    for (unsigned v : values)
        out += static_cast<char>(v);
    return out;
}

} // namespace

TEST(EditRowDialog, DoubleClickOnABinaryRowEditsItsBytesAndMarksTheItemModified)
{
    TestKey key("ed-dialog");
    const std::string stored = Bytes({0x01, 0x02});
    RawSet(key.Path(), "Blob", REG_BINARY, stored.data(), 2);
    HostWindow host;
    BoxRecorder boxes;

    JTedSetItem item;
    item.sDescribe = "Binary setting";
    item.iRegRoot = static_cast<int>(0x80000001u);
    item.sSubKey = key.Path();
    item.sDataName = "Blob";
    item.iRegType = 2;
    item.OSType.SetMask(127);
    item.SetParentArea(host.Handle());
    ASSERT_TRUE(item.Initialize(false, true));
    JTCapEditPanel* panel = item.Panel();

    std::vector<std::string> events;
    std::vector<bool> changes;
    std::string memoShown;
    item.OnSelect = [&](JTSetItem*) { events.push_back("select"); };
    item.OnChange = [&](JTSetItem*, bool modified) { changes.push_back(modified); };
    panel->OnValueChange = [&](JTCapEditPanel&) { events.push_back("change"); };

    {
        // First a text that is refused: the box is shown, the dialog stays, then a good one.
        DialogScript script("Edit Binary Data",
                            {[&](HWND dialog) {
                                 char text[256] = {};
                                 ::GetDlgItemTextA(dialog, IDC_pmmBinData, text, sizeof text);
                                 memoShown = text;
                                 char name[256] = {};
                                 ::GetDlgItemTextA(dialog, IDC_pedDataName, name, sizeof name);
                                 EXPECT_STREQ(name, "Blob");
                                 SetMemo(dialog, "zz");
                                 Press(dialog, IDOK);
                             },
                             [&](HWND dialog) {
                                 EXPECT_EQ(boxes.Boxes().size(), 1u);
                                 SetMemo(dialog, "de ad BE EF");
                                 Press(dialog, IDOK);
                             }});
        ::SendMessageA(panel->Edit(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(4, 4));
        ui::ProcessPendingMessages();
        EXPECT_TRUE(script.Finished());
        EXPECT_EQ(script.SeenDialogs(), 1);
    }
    EXPECT_EQ(memoShown, "01 02");
    EXPECT_EQ(panel->Value(), Bytes({0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(panel->ValueBeforeEdit(), stored);
    EXPECT_EQ(panel->EditText(), "Value is Binary data with length:4");
    EXPECT_EQ(TextOf(panel->Edit()), "Value is Binary data with length:4");
    EXPECT_EQ(events, (std::vector<std::string>{"select", "change"}));
    EXPECT_EQ(changes, std::vector<bool>{true});
    EXPECT_TRUE(item.IsModified());
    EXPECT_EQ(panel->TextColour(), TRegSetOption().ModTWeakColor);

    // The bytes written are exactly the edited ones.
    ASSERT_TRUE(item.WriteValue());
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(RawGet(key.Path(), "Blob", type, data));
    EXPECT_EQ(data, Bytes({0xDE, 0xAD, 0xBE, 0xEF}));
}

TEST(EditRowDialog, RightClickOpensTheEditorAndCancelChangesNothing)
{
    HostWindow host;
    JTCapEditPanel panel(2);
    panel.SetValue(Bytes({0x10}));
    panel.SetParentArea(host.Handle());
    int ends = 0;
    panel.OnEndEdit = [&](JTCapEditPanel&) { ++ends; };
    {
        DialogScript script("Edit Binary Data", {[](HWND dialog) {
                                                     SetMemo(dialog, "FF FF");
                                                     Press(dialog, IDCANCEL);
                                                 }});
        ::SendMessageA(panel.Edit(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
        ::SendMessageA(panel.Edit(), WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
        ui::ProcessPendingMessages();
        EXPECT_TRUE(script.Finished());
    }
    EXPECT_EQ(panel.Value(), Bytes({0x10}));
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(TextOf(panel.Edit()), JTCapEditPanel::kBinaryPrompt);
}
